// A book opened in UTF-8 with one sheet, for the cell-store tests.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "model/store.h"
#include "book_fixture.h"
#include "test_support.h"
#include "velmora.h"

namespace vtest {

class BookTest : public OpenBook {
protected:
    int put(const char *cell, const std::string &value) { return VXLS_put_cell(&book, cell, value.c_str(), 0); }
    vel::Sheet &sheet() { return book_of(&book).model.sheets[book.current_sheet]; }
    vel::Cell &cell(int r, int c) { return sheet().rows.at(r).cells.at(c); }
    std::string value_text(int r, int c) {
        vel::Cell &x = cell(r, c);
        return x.text ? sheet().texts[x.text - 1].value : std::string();
    }
    std::string sst_text(int r, int c) { return std::string(book_of(&book).model.sst.at(cell(r, c).num)); }
    // Shown values of several cells, joined by "|".
    std::string gets(std::initializer_list<const char *> names) {
        std::string out;
        for (const char *n : names) out += (out.empty() ? "" : "|") + get(n);
        return out;
    }

};

} // namespace vtest
