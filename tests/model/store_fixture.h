// A book opened in UTF-8 with one sheet, for the cell-store tests.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "model/store.h"
#include "book_access.h"
#include "test_support.h"
#include "velmora.h"

namespace vtest {

class BookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(VXLS_open_book(&book, "CHARSET=UTF8"), 0) << book.error_info;
        ASSERT_EQ(VXLS_open_sheet(&book, ""), 0) << book.error_info;
    }
    void TearDown() override { VXLS_free_book(&book); }

    int put(const char *cell, const std::string &value) { return VXLS_put_cell(&book, cell, value.c_str(), 0); }
    vel::Sheet &sheet() { return book_of(&book).model.sheets[book.current_sheet]; }
    vel::Cell &cell(int r, int c) { return sheet().rows.at(r).cells.at(c); }
    std::string value_text(int r, int c) {
        vel::Cell &x = cell(r, c);
        return x.text ? sheet().texts[x.text - 1].value : std::string();
    }
    std::string sst_text(int r, int c) { return std::string(book_of(&book).model.sst.at(cell(r, c).num)); }
    // Shown value and kind name of a cell read back through the API.
    std::string get(const char *name, std::string *kind = nullptr) {
        char value[70000], k[300];
        int rc = VXLS_get_cell(&book, name, value, sizeof value, k, sizeof k);
        if (rc != 0) return "rc=" + std::to_string(rc);
        if (kind) *kind = k;
        return value;
    }
    // Shown values of several cells, joined by "|".
    std::string gets(std::initializer_list<const char *> names) {
        std::string out;
        for (const char *n : names) out += (out.empty() ? "" : "|") + get(n);
        return out;
    }

    XLS_BOOK book{};
};

} // namespace vtest
