// Cell and range names: grid edges, absolute markers, expressions with
// load counts and variables, sheet prefixes and the public functions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "book/values.h"
#include "property/address.h"
#include "velmora.h"
#include "property_fixture.h"

using ptest::TestBook;

namespace {

struct Cell {
    int rc, row, col;
};

Cell read(vel::Book *book, const std::string &name) {
    Cell c{0, -7, -7};
    c.rc = vel::read_cell_name(book, name, c.row, c.col);
    return c;
}

TEST(Address, NamesFromCoordinates) {
    char name[32];
    struct {
        int row, col;
        const char *name;
    } cases[] = {{1, 1, "A1"}, {1048576, 16384, "XFD1048576"}, {1, 27, "AA1"}, {1, 702, "ZZ1"}, {1, 703, "AAA1"}};
    for (auto &c : cases) {
        EXPECT_EQ(VXLS_cell_name(c.row, c.col, name), 0);
        EXPECT_STREQ(name, c.name);
        Cell back = read(nullptr, c.name);
        EXPECT_EQ(back.rc, 0);
        EXPECT_EQ(back.row, c.row - 1);
        EXPECT_EQ(back.col, c.col - 1);
    }
    for (auto bad : {std::pair{0, 1}, {1048577, 1}, {1, 16385}}) {
        std::strcpy(name, "junk");
        EXPECT_EQ(VXLS_cell_name(bad.first, bad.second, name), -3);
        EXPECT_STREQ(name, "");
    }
    EXPECT_EQ(VXLS_cell_range(1, 1, 1048576, 16384, name), 0);
    EXPECT_STREQ(name, "A1:XFD1048576");
    EXPECT_EQ(VXLS_cell_range(1, 1, 0, 1, name), -3);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(vel::cell_name_abs(6, 1, name), 4);
    EXPECT_STREQ(name, "$B$7");
    EXPECT_EQ(vel::cell_name(-1, 0, name), -1);
}

TEST(Address, CellNameGrammar) {
    EXPECT_EQ(read(nullptr, "$b$7").row, 6);
    EXPECT_EQ(read(nullptr, "$b$7").col, 1);
    EXPECT_EQ(read(nullptr, "xfd1048576").rc, 0);
    Cell last_row = read(nullptr, "C*");
    EXPECT_EQ(last_row.row, 1048575);
    EXPECT_EQ(last_row.col, 2);
    Cell last = read(nullptr, "**");
    EXPECT_EQ(last.row, 1048575);
    EXPECT_EQ(last.col, 16383);
    for (const char *bad : {"", "A", "A0", "XFE1", "AAAA1", "A1048577", "A1 ", "$$A1", "A*1", "***",
                            "A99999999999999999999", "Sheet1!A1", "A(1", "A()"}) {
        EXPECT_EQ(read(nullptr, bad).rc, -1) << bad;
    }
    EXPECT_EQ(read(nullptr, "A0001").row, 0);
}

TEST(Address, ExpressionsUseLoadCountsVariablesAndTheLastCell) {
    TestBook b;
    b.env().rownum = 10;
    b.env().clmnum = 4;
    b.get()->last_row = 19;   // A20 was written last
    b.get()->last_column = 2; // column C
    b.add_variable("start", "\"5\"");
    b.add_variable("word", "abc");
    vel::Book *book = b.get();

    Cell after = read(book, "A($ROWNUM+1)");
    EXPECT_EQ(after.rc, 0);
    EXPECT_EQ(after.row, 10); // row 11
    EXPECT_EQ(read(book, "A$rownum").row, 9);
    Cell col = read(book, "($CLMNUM+1)3");
    EXPECT_EQ(col.col, 4);
    EXPECT_EQ(col.row, 2);
    EXPECT_EQ(read(book, "B($START*(2-1))").row, 4);
    EXPECT_EQ(read(book, "B(($ROWNUM + 2) / 4)").row, 2);
    // A leading sign counts from the last cell written.
    EXPECT_EQ(read(book, "A(+1)").row, 20);
    EXPECT_EQ(read(book, "A(-19)").row, 0);
    EXPECT_EQ(read(book, "(+1)(+0)").col, 3);

    for (const char *bad : {"A($NOSUCH)", "A($WORD)", "A(1/0)", "A(-20)", "A(2*)", "A(1))", "(16385)1",
                            "A(99999999999999*99999999)"}) {
        EXPECT_EQ(read(book, bad).rc, -1) << bad;
    }
    // Without a book there is nothing to expand.
    EXPECT_EQ(read(nullptr, "A($ROWNUM)").rc, -1);
    EXPECT_EQ(read(nullptr, "A(3)").row, 2);
    // Deep nesting is bounded, not a stack overflow.
    std::string deep = "A(" + std::string(5000, '(') + "1" + std::string(5000, ')') + ")";
    EXPECT_EQ(read(book, deep).rc, -1);
    std::string signs = "A(" + std::string(5000, '-') + "1)";
    EXPECT_EQ(read(book, signs).rc, -1);
}

TEST(Address, SheetPrefixAndRanges) {
    TestBook b(VXLS_CHARSET_UTF8, {"Sheet2", "表 1"});
    vel::Book *book = b.get();
    std::string_view rest = "unchanged";
    EXPECT_EQ(vel::find_sheet_prefix(book, "Sheet2!B3", rest), 1);
    EXPECT_EQ(rest, "B3");
    rest = "unchanged";
    EXPECT_EQ(vel::find_sheet_prefix(book, "Sheet9!B3", rest), -1);
    EXPECT_EQ(rest, "unchanged");
    EXPECT_EQ(vel::find_sheet_prefix(book, "A1.Sheet2!B3", rest), -1);
    EXPECT_EQ(vel::find_sheet_prefix(book, "表 1!A1:B2", rest), 2);
    EXPECT_EQ(vel::find_sheet_prefix(book, "!A1", rest), -1);

    vel::PropTarget t;
    EXPECT_EQ(vel::read_range(book, "Sheet2!A1:C3", t), 0);
    EXPECT_EQ(t.sheet, 1);
    EXPECT_EQ(t.nranges, 1);
    EXPECT_EQ(t.ranges[0][2], 2);
    vel::PropTarget t2;
    EXPECT_EQ(vel::read_range(book, "A1:**", t2), 0);
    EXPECT_EQ(t2.ranges[0][2], 1048575);
    EXPECT_EQ(t2.ranges[0][3], 16383);
    vel::PropTarget t3;
    EXPECT_EQ(vel::read_range(book, "Sheet2!A1:B2,Sheet2!C1:D2", t3), 0);
    EXPECT_EQ(t3.nranges, 2);
    EXPECT_EQ(t3.sheet, 1);
    vel::PropTarget t4;
    for (const char *bad : {"A1", "A1:", "A1:B2,", "A1:B2,Sheet2!C1:D2", "A1:B2:C3", "Nowhere!A1:B2"}) {
        EXPECT_EQ(vel::read_range(book, bad, t4), -1) << bad;
    }
    // The 125-byte limit of one range.
    std::string fits = "A(1", longer = "A(1";
    for (int i = 0; i < 59; ++i) fits += "+0";
    for (int i = 0; i < 60; ++i) longer += "+0";
    fits += "):B2";
    longer += "):B2";
    ASSERT_EQ(fits.size(), 125u);
    EXPECT_EQ(vel::read_range(book, fits, t4), 0);
    EXPECT_EQ(vel::read_range(book, longer, t4), -1);
}

TEST(Address, IsCellAndIsRange) {
    TestBook b(VXLS_CHARSET_SJIS, {"Sheet2"});
    vel::Book *book = b.get();
    // "rc row col" and "rc row1 col1 row2 col2" of the public checks (1-based).
    auto cell = [&](vel::Book *bk, const char *name) {
        int r = -1, c = -1;
        const int rc = vel::vlt_is_cell(bk, name, &r, &c);
        return std::to_string(rc) + " " + std::to_string(r) + " " + std::to_string(c);
    };
    auto range = [&](const char *name) {
        int r1 = -1, c1 = -1, r2 = -1, c2 = -1;
        const int rc = vel::vlt_is_range(book, name, &r1, &c1, &r2, &c2);
        return std::to_string(rc) + " " + std::to_string(r1) + " " + std::to_string(c1) + " " + std::to_string(r2) +
               " " + std::to_string(c2);
    };
    EXPECT_EQ(cell(book, "$b$7"), "0 7 2");
    EXPECT_EQ(cell(book, "Sheet9!A1"), "-801 0 0");
    EXPECT_EQ(cell(book, "A0").substr(0, 4), "-801");
    EXPECT_EQ(cell(book, "**"), "0 1048576 16384");
    EXPECT_EQ(cell(book, std::string(4001, 'A').c_str()).substr(0, 2), "-3");
    EXPECT_EQ(cell(book, nullptr).substr(0, 2), "-3");
    EXPECT_EQ(cell(nullptr, "B2"), "0 2 2");
    // A Japanese variable in a Shift-JIS text is found by its UTF-8 name.
    b.add_variable("行", "4");
    EXPECT_EQ(cell(book, ptest::in_charset("C($行+1)", VXLS_CHARSET_SJIS).c_str()), "0 5 3");

    EXPECT_EQ(range("B2:D9"), "0 2 2 9 4");
    EXPECT_EQ(range("Sheet2!A1:A2"), "0 1 1 2 1");
    EXPECT_EQ(range("A1:B2,C3:D4"), "-3 0 0 0 0");
    for (const char *bad : {"A1", "A:C", "Sheet9!A1:B2"}) EXPECT_EQ(range(bad).substr(0, 4), "-801") << bad;
    EXPECT_EQ(range(std::string(4001, 'A').c_str()).substr(0, 2), "-3");
}

} // namespace
