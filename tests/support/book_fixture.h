// A book opened in UTF-8 with one sheet, freed after each test, for tests that put values and look at the model.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "book_access.h"
#include "velmora.h"

namespace vtest {

class OpenBook : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(VXLS_open_book(&book, "CHARSET=UTF8"), 0) << book.error_info;
        ASSERT_EQ(VXLS_open_sheet(&book, ""), 0) << book.error_info;
    }
    void TearDown() override { VXLS_free_book(&book); }

    vel::Book &b() { return book_of(&book); }
    // Shown value and kind name of a cell read back through VXLS_get_cell.
    std::string get(const char *name, std::string *kind = nullptr) {
        static char value[70000], k[4000];
        int rc = VXLS_get_cell(&book, name, value, sizeof value, k, sizeof k);
        if (rc != 0) return "rc=" + std::to_string(rc);
        if (kind) *kind = k;
        return value;
    }

    XLS_BOOK book{};
};

} // namespace vtest
