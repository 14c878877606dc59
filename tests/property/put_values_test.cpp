// The item loop of property text, with recorders in place of the cell store, the engine and the variables.
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
    b.env().rownum = 3;
    b.get()->last_row = 7;
    EXPECT_EQ(put(b, "A1=10 B1 = abc  C2=\"x \"\"y\"\" z\""), 0);
    EXPECT_EQ(put(b, ""), 0);
    EXPECT_EQ(put(b, "A($ROWNUM+1)=total B(+1)=next A($ROWNUM+1).FILL.COLOR=red"), 0);
    EXPECT_EQ(rec.log(), "c -1 0 0 0=10 | c -1 0 1 0=abc | c -1 1 2 0=\"x \"y\" z\" | "
                               "c -1 3 0 0=total | c -1 8 1 0=next | p 341 -1 3 0 0=red");
}

TEST(PutValues, MissingOrMalformedParts) {
    TestBook b;
    Recorder rec;
    EXPECT_EQ(put(b, "A1=1 B1="), -3);
    EXPECT_EQ(b.error(), "VXLS-02300 セル指定値が不正です(\"B1\")。");
    EXPECT_EQ(rec.items.size(), 1u); // no rollback of the first item
    EXPECT_EQ(put(b, "A1"), -3);
    EXPECT_EQ(b.error(), "VXLS-02300 セル指定値が不正です(\"A1\")。");
    EXPECT_EQ(put(b, "A1 10"), -3);
    // A value longer than 65536 bytes shows as a missing value.
    EXPECT_EQ(put(b, "A1=" + std::string(65537, 'v')), -3);
    EXPECT_EQ(b.error().rfind("VXLS-02300 ", 0), 0u);
    // A key longer than 4000 bytes ends the call as the end of the text would.
    rec.items.clear();
    EXPECT_EQ(put(b, "A1=1 " + std::string(4001, 'k') + "=2 B1=3"), 0);
    EXPECT_EQ(rec.items.size(), 1u);
}

TEST(PutValues, KeywordItemsAndTheirErrors) {
    TestBook b;
    Recorder rec;
    EXPECT_EQ(put(b, "A1:B2=5"), -3);
    EXPECT_EQ(b.error(), "VXLS-02100 セル範囲指定(RANGE)は使用できません(\"A1:B2\")。");
    EXPECT_EQ(put(b, "MY$VAR=1"), -3);
    EXPECT_EQ(b.error(), "VXLS-02200 サポート外のキーワードです(\"MY$VAR\")。");
    // The parser's refusals end the call with their message (their texts are the parser tests').
    EXPECT_EQ(put(b, "FONT.WIDTH=1"), -3);
    EXPECT_EQ(b.error().rfind("VXLS-02403 ", 0), 0u);
    EXPECT_TRUE(rec.items.empty());

    // Results of the engine: -9 becomes -909, others pass unchanged.
    for (const char *item : {"A1.塗りつぶし.色=red", "A1=1"}) {
        rec.next_rc = -9;
        EXPECT_EQ(put(b, item), VXLS_ERR_OVERFLOW) << item;
        rec.next_rc = -1;
        EXPECT_EQ(put(b, item), -1) << item;
    }
}

TEST(PutValues, VariablesAreDefinedInUtf8) {
    TestBook b(VXLS_CHARSET_SJIS);
    Recorder rec;
    EXPECT_EQ(put(b, "MYVAR=hello 変数=\"値 です\""), 0);
    EXPECT_EQ(rec.log(), "v MYVAR=hello | v 変数=\"値 です\"");
    rec.next_rc = -9;
    EXPECT_EQ(put(b, "X1Y=1"), -3);
}

TEST(PutValues, SheetPrefixes) {
    TestBook b(VXLS_CHARSET_UTF8, {"Sheet2", "集計"});
    Recorder rec;
    b.get()->current_sheet = 0;
    // A prefixed sheet is current for the item's duration; a property key addresses it by its target only.
    EXPECT_EQ(put(b, "Sheet2!B3=7 集計!A1=8 C1=9 Sheet2!A1.幅=3"), 0);
    EXPECT_EQ(rec.log(), "c 1 2 1 1=7 | c 2 0 0 2=8 | c -1 0 2 0=9 | p 223 1 0 0 0=3");
    EXPECT_EQ(b.get()->current_sheet, 0);
    // The current sheet comes back after a failing item too.
    EXPECT_EQ(put(b, "Sheet2!A1="), -3);
    EXPECT_EQ(b.get()->current_sheet, 0);
    // An unknown sheet leaves the key as it is: not a cell, not a property.
    EXPECT_EQ(put(b, "Sheet9!A1=1"), -3);
    EXPECT_EQ(b.error(), "VXLS-02200 サポート外のキーワードです(\"Sheet9!A1\")。");
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
    EXPECT_EQ(rec.log(), "c -1 0 0 1=1");
}

TEST(PutValues, TemplateModeAdmitsOnlyItsKinds) {
    TestBook b;
    Recorder rec;
    b.get()->new_book = false;
    EXPECT_EQ(put(b, "SHEET=S 3.高さ=20 SHEET.SCROLL_ROW=5 BOOK=x CSV=a.csv A1=1 MYVAR=1"), 0);
    EXPECT_EQ(rec.items.size(), 7u);
    EXPECT_EQ(put(b, "A1.幅=3"), -3);
    EXPECT_EQ(b.error(), "VXLS-02209 テンプレートモードではサポート外のキーワードです(\"A1.幅\")。");
    EXPECT_EQ(rec.items.size(), 7u);
}

} // namespace
