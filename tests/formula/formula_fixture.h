// A UTF-8 book with helpers that put values and formulas, evaluate as a save does, and read the results.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "book_fixture.h"
#include "core/status.h"
#include "formula/evaluator.h"
#include "model/cellvalue.h"
#include "model/store.h"
#include "test_support.h"
#include "velmora.h"

namespace ftest {

class FormulaBook : public vtest::OpenBook {
protected:
    // Puts a value (a formula when it begins with "=") into a cell of the current sheet.
    void put(const char *cell, const std::string &value) {
        ASSERT_EQ(VXLS_put_cell(&book, cell, value.c_str(), 0), 0) << cell << " " << book.error_info;
    }
    // Evaluates every formula as a save does; the book's message after it.
    int evaluate() {
        b().diag.begin_call();
        return vel::formula::vlt_evaluate_formulas(b());
    }
    std::string message() { return b().diag.message; }
    vel::Cell &cell(int sheet, int r, int c) { return b().model.sheets.at(sheet).rows.at(r).cells.at(c); }
    // The stored result of a formula cell: "number 6", "text ab", "bool 1", "error #DIV/0!", or "unevaluated".
    std::string result(int sheet, int r, int c) {
        vel::Cell &x = cell(sheet, r, c);
        if (x.kind != vel::CELL_FORMULA2) return "unevaluated";
        const std::string &v = b().model.sheets[sheet].texts.at(x.text - 1).value;
        static const char *kinds[] = {"number ", "text ", "bool ", "error "};
        return kinds[x.num] + v;
    }
    std::string result(int r, int c) { return result(static_cast<int>(book.current_sheet), r, c); }
};

using vtest::zip_part;

} // namespace ftest
