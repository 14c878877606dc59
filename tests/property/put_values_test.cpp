// The item loop of property text, with recorders in place of the cell
// store, the engine and the variable table.
#include <gtest/gtest.h>

#include <string>

#include "property/kinds.h"
#include "property_fixture.h"

using ptest::Recorder;
using ptest::TestBook;

namespace {

int put(TestBook &b, const std::string &text_utf8) { return ptest::put_text(b, text_utf8); }

TEST(PutValues, CellItemsReachTheStoreWithTheirRawValue) {
    TestBook b;
    Recorder rec;
    EXPECT_EQ(put(b, "A1=10 B1 = abc  C2=\"x \"\"y\"\" z\""), 0);
    ASSERT_EQ(rec.items.size(), 3u);
    EXPECT_EQ(rec.items[0].what, 'c');
    EXPECT_EQ(rec.items[0].row, 0);
    EXPECT_EQ(rec.items[0].col, 0);
    EXPECT_EQ(rec.items[0].value, "10");
    EXPECT_EQ(rec.items[1].col, 1);
    EXPECT_EQ(rec.items[1].value, "abc");
    EXPECT_EQ(rec.items[2].row, 1);
    EXPECT_EQ(rec.items[2].value, "\"x \"y\" z\"");
    EXPECT_EQ(put(b, ""), 0);
    EXPECT_EQ(rec.items.size(), 3u);
}

TEST(PutValues, FrameConverterItemsInEveryCharset) {
    for (int cs : {VXLS_CHARSET_SJIS, VXLS_CHARSET_EUC, VXLS_CHARSET_UTF8}) {
        TestBook b(cs);
        Recorder rec;
        EXPECT_EQ(put(b, "ズーム=150"), 0);
        EXPECT_EQ(put(b, "A1.幅=2 B1.幅=2 "), 0);
        EXPECT_EQ(put(b, "3.高さ=15.75 A3.塗りつぶし.色=f8f8f8 B3.塗りつぶし.色=000000 "), 0);
        ASSERT_EQ(rec.items.size(), 6u) << cs;
        EXPECT_EQ(rec.items[0].kind, vel::kind::ZOOM);
        EXPECT_EQ(rec.items[2].kind, vel::kind::WIDTH);
        EXPECT_EQ(rec.items[3].kind, vel::kind::HEIGHT);
        EXPECT_EQ(rec.items[3].row, 2);
        EXPECT_EQ(rec.items[3].col, -1);
        EXPECT_EQ(rec.items[5].kind, vel::kind::FILL_COLOR);
        EXPECT_EQ(rec.items[5].row, 2);
        EXPECT_EQ(rec.items[5].col, 1);
        EXPECT_EQ(rec.items[5].value, "000000");
    }
}

TEST(PutValues, MissingOrMalformedParts) {
    TestBook b;
    Recorder rec;
    EXPECT_EQ(put(b, "A1=1 B1="), -3);
    EXPECT_EQ(ptest::error_utf8(b), "VXLS-02300 セル指定値が不正です(\"B1\")。");
    EXPECT_EQ(rec.items.size(), 1u); // no rollback of the first item
    EXPECT_EQ(put(b, "A1"), -3);
    EXPECT_EQ(ptest::error_utf8(b), "VXLS-02300 セル指定値が不正です(\"A1\")。");
    EXPECT_EQ(put(b, "A1 10"), -3);
    // A value longer than 65536 bytes shows as a missing value.
    EXPECT_EQ(put(b, "A1=" + std::string(65537, 'v')), -3);
    EXPECT_EQ(ptest::error_utf8(b).rfind("VXLS-02300 ", 0), 0u);
    // A key longer than 4000 bytes ends the call as the end of the text would.
    rec.items.clear();
    EXPECT_EQ(put(b, "A1=1 " + std::string(4001, 'k') + "=2 B1=3"), 0);
    EXPECT_EQ(rec.items.size(), 1u);
}

TEST(PutValues, KeywordItemsAndTheirErrors) {
    TestBook b;
    Recorder rec;
    EXPECT_EQ(put(b, "A1:B2=5"), -3);
    EXPECT_EQ(ptest::error_utf8(b), "VXLS-02100 セル範囲指定(RANGE)は使用できません(\"A1:B2\")。");
    EXPECT_EQ(put(b, "NOSUCH.KEY=1"), -3);
    EXPECT_EQ(ptest::error_utf8(b), "VXLS-02200 サポート外のキーワードです(\"KEY\")。");
    EXPECT_EQ(put(b, "MY$VAR=1"), -3);
    EXPECT_EQ(ptest::error_utf8(b), "VXLS-02200 サポート外のキーワードです(\"MY$VAR\")。");
    EXPECT_EQ(put(b, "FONT.WIDTH=1"), -3);
    EXPECT_EQ(ptest::error_utf8(b).rfind("VXLS-02403 ", 0), 0u);
    EXPECT_EQ(put(b, std::string(257, 'k') + ".WIDTH=1"), -3);
    EXPECT_EQ(ptest::error_utf8(b).rfind("VXLS-03009 ", 0), 0u);
    EXPECT_TRUE(rec.items.empty());

    // Results of the engine: -9 becomes -909, others pass unchanged.
    rec.next_rc = -9;
    EXPECT_EQ(put(b, "A1.塗りつぶし.色=red"), VXLS_ERR_OVERFLOW);
    rec.next_rc = -1;
    EXPECT_EQ(put(b, "A1.塗りつぶし.色=red"), -1);
    EXPECT_EQ(put(b, "A1=1"), -1);
    rec.next_rc = -9;
    EXPECT_EQ(put(b, "A1=1"), VXLS_ERR_OVERFLOW);
}

TEST(PutValues, VariablesAreDefinedInUtf8) {
    TestBook b(VXLS_CHARSET_SJIS);
    Recorder rec;
    EXPECT_EQ(put(b, "MYVAR=hello 変数=\"値 です\""), 0);
    ASSERT_EQ(rec.items.size(), 2u);
    EXPECT_EQ(rec.items[0].what, 'v');
    EXPECT_EQ(rec.items[0].name, "MYVAR");
    EXPECT_EQ(rec.items[0].value, "hello");
    EXPECT_EQ(rec.items[1].name, "変数");
    EXPECT_EQ(rec.items[1].value, "\"値 です\"");
    rec.next_rc = -9;
    EXPECT_EQ(put(b, "X1Y=1"), -3);
}

TEST(PutValues, SheetPrefixes) {
    TestBook b(VXLS_CHARSET_UTF8, {"Sheet2", "集計"});
    Recorder rec;
    b.get()->current_sheet = 0;
    EXPECT_EQ(put(b, "Sheet2!B3=7 集計!A1=8 C1=9"), 0);
    ASSERT_EQ(rec.items.size(), 3u);
    EXPECT_EQ(rec.items[0].sheet, 1);
    EXPECT_EQ(rec.items[0].current_sheet, 1); // current for the item's duration
    EXPECT_EQ(rec.items[0].row, 2);
    EXPECT_EQ(rec.items[1].sheet, 2);
    EXPECT_EQ(rec.items[2].sheet, -1);
    EXPECT_EQ(rec.items[2].current_sheet, 0);
    EXPECT_EQ(b.get()->current_sheet, 0);
    // A property key addresses its sheet through the target only.
    EXPECT_EQ(put(b, "Sheet2!A1.幅=3"), 0);
    EXPECT_EQ(rec.items.back().sheet, 1);
    EXPECT_EQ(rec.items.back().current_sheet, 0);
    // The current sheet comes back after a failing item too.
    EXPECT_EQ(put(b, "Sheet2!A1="), -3);
    EXPECT_EQ(b.get()->current_sheet, 0);
    // An unknown sheet leaves the key as it is: not a cell, not a property.
    EXPECT_EQ(put(b, "Sheet9!A1=1"), -3);
    EXPECT_EQ(ptest::error_utf8(b), "VXLS-02200 サポート外のキーワードです(\"Sheet9!A1\")。");
}

TEST(PutValues, ASheetSelectedByAKeywordStaysCurrent) {
    TestBook b(VXLS_CHARSET_UTF8, {"Sheet2"});
    Recorder rec;
    // Stand in for the engine's sheet selection.
    vel::ItemHandlers h = rec.handlers();
    h.apply = [](vel::Book *book, int kind, const vel::PropTarget &, const char *, size_t) {
        if (kind == vel::kind::SHEET) book->current_sheet = 1;
        return 0;
    };
    EXPECT_EQ(vel::vlt_put_values(b.get(), "Sheet2!A1.幅=1 SHEET=Sheet2 A1=1", h), 0);
    EXPECT_EQ(b.get()->current_sheet, 1);
    ASSERT_EQ(rec.items.size(), 1u);
    EXPECT_EQ(rec.items[0].current_sheet, 1);
}

TEST(PutValues, TemplateModeAdmitsOnlyItsKinds) {
    TestBook b;
    Recorder rec;
    b.get()->new_book = false;
    EXPECT_EQ(put(b, "SHEET=S 3.高さ=20 SHEET.SCROLL_ROW=5 BOOK=x CSV=a.csv A1=1 MYVAR=1"), 0);
    EXPECT_EQ(rec.items.size(), 7u);
    EXPECT_EQ(put(b, "A1.幅=3"), -3);
    EXPECT_EQ(ptest::error_utf8(b), "VXLS-02209 テンプレートモードではサポート外のキーワードです(\"A1.幅\")。");
    EXPECT_EQ(rec.items.size(), 7u);
}

TEST(PutValues, CellNamesWithExpressions) {
    TestBook b;
    Recorder rec;
    b.env().rownum = 3;
    b.get()->last_row = 7;
    EXPECT_EQ(put(b, "A($ROWNUM+1)=total B(+1)=next A($ROWNUM+1).FILL.COLOR=red"), 0);
    ASSERT_EQ(rec.items.size(), 3u);
    EXPECT_EQ(rec.items[0].what, 'c');
    EXPECT_EQ(rec.items[0].row, 3);
    EXPECT_EQ(rec.items[1].row, 8);
    EXPECT_EQ(rec.items[2].kind, vel::kind::FILL_COLOR);
    EXPECT_EQ(rec.items[2].row, 3);
}

} // namespace
