// Cell and range names: grid edges, absolute markers, expressions, sheet prefixes and the public checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "book/values.h"
#include "property/address.h"
#include "velmora.h"
#include "property_fixture.h"

using ptest::TestBook;

namespace {

// "rc row col" of a cell name read (0-based), or "rc" alone when refused.
std::string read(vel::Book *book, const std::string &name) {
    int row = -7, col = -7;
    const int rc = vel::read_cell_name(book, name, row, col);
    return rc ? std::to_string(rc) : "0 " + std::to_string(row) + " " + std::to_string(col);
}

// "rc sheet ranges / r1 c1 r2 c2 of the last range" of a range list read, or "rc" alone when refused.
std::string range(vel::Book *book, const std::string &text) {
    vel::PropTarget t;
    const int rc = vel::read_range(book, text, t);
    if (rc != 0) return std::to_string(rc);
    std::string s = "0 " + std::to_string(t.sheet) + " " + std::to_string(t.nranges) + " /";
    for (int n : t.ranges[t.nranges - 1]) s += " " + std::to_string(n);
    return s;
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
        EXPECT_EQ(read(nullptr, c.name), "0 " + std::to_string(c.row - 1) + " " + std::to_string(c.col - 1));
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

TEST(Address, CellNamesAndExpressions) {
    TestBook b;
    b.env().rownum = 10;
    b.env().clmnum = 4;
    b.get()->last_row = 19;   // A20 was written last
    b.get()->last_column = 2; // column C
    b.add_variable("start", "\"5\"");
    b.add_variable("word", "abc");
    const struct {
        const char *name, *want;
    } cases[] = {
        {"$b$7", "0 6 1"}, {"xfd1048576", "0 1048575 16383"}, {"C*", "0 1048575 2"}, {"**", "0 1048575 16383"},
        {"A0001", "0 0 0"},
        // Load counts, variables and arithmetic in parentheses.
        {"A($ROWNUM+1)", "0 10 0"}, {"A$rownum", "0 9 0"}, {"($CLMNUM+1)3", "0 2 4"}, {"B($START*(2-1))", "0 4 1"},
        {"B(($ROWNUM + 2) / 4)", "0 2 1"},
        // A leading sign counts from the last cell written.
        {"A(+1)", "0 20 0"}, {"A(-19)", "0 0 0"}, {"(+1)(+0)", "0 19 3"},
    };
    for (const auto &c : cases) EXPECT_EQ(read(b.get(), c.name), c.want) << c.name;
    for (const char *bad : {"", "A", "A0", "XFE1", "AAAA1", "A1048577", "A1 ", "$$A1", "A*1", "***",
                            "A99999999999999999999", "Sheet1!A1", "A(1", "A()", "A($NOSUCH)", "A($WORD)", "A(1/0)",
                            "A(-20)", "A(2*)", "A(1))", "(16385)1", "A(99999999999999*99999999)"}) {
        EXPECT_EQ(read(b.get(), bad), "-1") << bad;
    }
    // Without a book there is nothing to expand.
    EXPECT_EQ(read(nullptr, "A($ROWNUM)"), "-1");
    EXPECT_EQ(read(nullptr, "A(3)"), "0 2 0");
    // Deep nesting is bounded, not a stack overflow.
    EXPECT_EQ(read(b.get(), "A(" + std::string(5000, '(') + "1" + std::string(5000, ')') + ")"), "-1");
    EXPECT_EQ(read(b.get(), "A(" + std::string(5000, '-') + "1)"), "-1");
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

    EXPECT_EQ(range(book, "Sheet2!A1:C3"), "0 1 1 / 0 0 2 2");
    EXPECT_EQ(range(book, "A1:**"), "0 -1 1 / 0 0 1048575 16383");
    EXPECT_EQ(range(book, "Sheet2!A1:B2,Sheet2!C1:D2"), "0 1 2 / 0 2 1 3");
    for (const char *bad : {"A1", "A1:", "A1:B2,", "A1:B2,Sheet2!C1:D2", "A1:B2:C3", "Nowhere!A1:B2"})
        EXPECT_EQ(range(book, bad), "-1") << bad;
    // Up to 255 ranges in a list.
    std::string many = "A1:B2";
    for (int i = 1; i < 255; ++i) many += ",C3:D4";
    EXPECT_EQ(range(book, many), "0 -1 255 / 2 2 3 3");
    EXPECT_EQ(range(book, many + ",E5:F6"), "-3");
    // The 125-byte limit of one range.
    std::string fits = "A(1";
    for (int i = 0; i < 59; ++i) fits += "+0";
    fits += "):B2";
    ASSERT_EQ(fits.size(), 125u);
    EXPECT_EQ(range(book, fits).substr(0, 1), "0");
    EXPECT_EQ(range(book, "A(1+0" + fits.substr(3)), "-1");
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
