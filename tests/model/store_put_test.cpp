// Putting values into cells through the API and reading them back (Shift_JIS books and the search are
// the reading tests').
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "model/variables.h"
#include "model_fixture.h"

using namespace vel;

class StorePut : public vtest::ModelBook {};

TEST_F(StorePut, TypedAndExpandedValuesReadBack) {
    ASSERT_EQ(setenv("VEL_STORE_TEST_VAR", "from env", 1), 0);
    ASSERT_EQ(VXLS_put_variable(&book, "price", "  1,200  "), 0);
    b().rownum = 12;
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char today[48];
    std::snprintf(today, sizeof today, "%d/%d/%d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    const struct {
        const char *cell, *value, *shown, *kind;
    } cases[] = {
        {"A1", "123", "123", "INTEGER"},
        {"B1", "1.50", "1.5", "FLOAT"},
        {"C1", "50%", "0.5", "PERCENT"},
        {"D1", "2015/01/05 10:30", "2015/1/5 10:30", "DATE_TIME"},
        {"E1", "'123", "123", "CHARACTER"},
        {"F1", "\"a b\"", "a b", "CHARACTER"}, // outer quotes of a quoted token are removed
        {"G1", "$VEL_STORE_TEST_VAR", "from env", "CHARACTER"},
        {"H1", "\\$VEL_STORE_TEST_VAR", "$VEL_STORE_TEST_VAR", "CHARACTER"},
        {"I1", "$PRICE", "1200", "INTEGER"}, // names compare without regard to case; value trimmed then typed
        {"J1", "$SYSDATE", today, "DATE"},
        {"K1", "=SUM(B1:B$ROWNUM)", "1.5", "FORMULASUM(B1:B12)"},
    };
    for (const auto &c : cases) {
        std::string kind;
        ASSERT_EQ(put(c.cell, c.value), 0) << c.value;
        EXPECT_EQ(get(c.cell, &kind), c.shown) << c.value;
        EXPECT_EQ(kind, c.kind) << c.value;
    }
    EXPECT_EQ(value_text(0, 1), "1.50"); // stored as written
    EXPECT_EQ(value_text(0, 2), "0.500000");
    EXPECT_EQ(book.last_row, 0);
    EXPECT_EQ(book.last_column, 10);
}

TEST_F(StorePut, ReadingCallsBuffersAndBounds) {
    ASSERT_EQ(put("B2", "12.5"), 0);
    char v[8], k[16];
    EXPECT_EQ(VXLS_get_cell(&book, "B2", v, 5, k, sizeof k), 0);
    EXPECT_STREQ(v, "12.5");
    EXPECT_EQ(VXLS_get_cell(&book, "B2", v, 4, k, sizeof k), -909);
    EXPECT_EQ(error(), "VXLS-03009 バッファサイズ(\"4\")オーバー(\"CELL_STRING\")。");
    ASSERT_EQ(put("C2", "7"), 0);
    EXPECT_EQ(VXLS_get_cell(&book, "C2", v, sizeof v, k, 8), 0);
    EXPECT_STREQ(k, "");
    EXPECT_EQ(VXLS_get_cell(&book, "C2", v, sizeof v, k, 9), 0);
    EXPECT_STREQ(k, "INTEGER");
    EXPECT_EQ(VXLS_get_cell(&book, "B9", v, sizeof v, k, sizeof k), -902);
    EXPECT_EQ(VXLS_get_cell(&book, "H2", v, sizeof v, k, sizeof k), -903);
    EXPECT_EQ(VXLS_get_cell(&book, "2B", v, sizeof v, k, sizeof k), -3);
    // Reading a row stops at its end.
    ASSERT_EQ(put("A1", "x"), 0);
    ASSERT_EQ(put("B1", "y"), 0);
    char buf[5][32];
    char *values[5] = {buf[0], buf[1], buf[2], buf[3], buf[4]};
    for (auto &b : buf) std::strcpy(b, "junk");
    EXPECT_EQ(VXLS_get_cells(&book, 0, 0, 0, 1, 5, values), 0);
    EXPECT_STREQ(buf[0], "y");
    for (int i = 1; i < 5; ++i) EXPECT_STREQ(buf[i], "");
}

TEST_F(StorePut, TextsAndSharedStrings) {
    ASSERT_EQ(put("A1", "two\\nlines"), 0);
    EXPECT_EQ(cell(0, 0).kind, CELL_SHARED_TEXT);
    EXPECT_EQ(sst_text(0, 0), "two\r\nlines");
    EXPECT_EQ(xf_of(0, 0).text_ctl & 2, 2); // a line break wraps the text
    size_t before = m().sst.size();
    ASSERT_EQ(put("B1=same C1=same"), 0) << error();
    EXPECT_EQ(m().sst.size(), before + 2); // never merged
    EXPECT_NE(cell(0, 1).num, cell(0, 2).num);
    // Overwriting a cell reuses its text slot.
    size_t texts = sheet().texts.size();
    ASSERT_EQ(put("D1", "1.5"), 0);
    ASSERT_EQ(put("D1", "2.5"), 0);
    EXPECT_EQ(sheet().texts.size(), texts + 1);
}

TEST_F(StorePut, EmptyValuesAndTheStoreForReaders) {
    ASSERT_EQ(put("A1", "5"), 0);
    cell(0, 0).style = 3;
    ASSERT_EQ(put("A1", ""), 0);
    EXPECT_EQ(cell(0, 0).kind, CELL_EMPTY);
    EXPECT_EQ(cell(0, 0).style, 3);
    EXPECT_EQ(value_text(0, 0), "");
    // The store for readers takes the known kinds, -1 empties.
    Cell &c = *ensure_cell(sheet(), 0, 0);
    EXPECT_EQ(vlt_store_value(&b(), sheet(), c, 52, 0, {}), -1);
    EXPECT_EQ(vlt_store_value(&b(), sheet(), c, -2, 0, {}), -1);
    ASSERT_EQ(vlt_store_value(&b(), sheet(), c, CELL_TEXT_ONLY, 0, "inline"), 0);
    EXPECT_EQ(get("A1"), "inline");
    ASSERT_EQ(vlt_store_value(&b(), sheet(), c, -1, 0, {}), 0);
    EXPECT_EQ(c.kind, CELL_EMPTY);
}

TEST_F(StorePut, TemplateModeProtectsFormulas) {
    ASSERT_EQ(put("B2", "=1+2"), 0);
    book.new_book = VXLS_OFF;
    EXPECT_EQ(put("B2", "5"), -3);
    EXPECT_EQ(error(), "VXLS-03203 テンプレートモードでは式の含まれたセル(\"B2\")を上書きすることはできません。");
    EXPECT_EQ(cell(1, 1).kind, CELL_FORMULA);
    EXPECT_EQ(put("C2", "5"), 0);
}

TEST_F(StorePut, LengthLimitsAndCut) {
    EXPECT_EQ(put("A1", std::string(65535, 'a')), -909);
    EXPECT_EQ(error(), "VXLS-03009 バッファサイズ(\"65534\")オーバー(\"XLS_CELL_LEN\")。");
    ASSERT_EQ(put("A1", std::string(40000, 'a')), 0);
    EXPECT_EQ(sst_text(0, 0).size(), 32766u);
    ASSERT_EQ(put("A2", std::string(32767, 'b')), 0); // exactly 32,767 characters: kept whole
    EXPECT_EQ(sst_text(1, 0).size(), 32767u);
    std::string wide;
    for (int i = 0; i < 20000; ++i) wide += "あ"; // 60,000 bytes, 20,000 characters: not cut
    ASSERT_EQ(put("A3", wide), 0);
    EXPECT_EQ(sst_text(2, 0).size(), 60000u);
    ASSERT_EQ(put("A4", "\"" + std::string(40000, 'c') + "\""), 0);
    EXPECT_EQ(sst_text(3, 0), std::string(32765, 'c'));
}

TEST_F(StorePut, AutomaticColumnWidth) {
    ASSERT_EQ(put("B1", "abcd"), 0);
    EXPECT_TRUE(sheet().widths.size() < 2 || sheet().widths[1] == 0); // off in a new book
    book.auto_width = VXLS_ON;
    ASSERT_EQ(put("B1", "abcd"), 0);
    ASSERT_GE(sheet().widths.size(), 2u);
    EXPECT_DOUBLE_EQ(sheet().widths[1], 5.625);
    EXPECT_EQ(sheet().sw_widths, 0);
    ASSERT_EQ(put("B3", "日本語"), 0); // 7.5 -> 7
    EXPECT_DOUBLE_EQ(sheet().widths[1], 7.625);
}

TEST_F(StorePut, Variables) {
    EXPECT_EQ(VXLS_put_variable(&book, "X", "\"first\""), 0);
    EXPECT_EQ(vlt_find_variable(&b(), "x")->value, "first");
    EXPECT_EQ(VXLS_put_variable(&book, "x", "\"second\""), 0);
    EXPECT_EQ(b().model.variables.size(), 1u);
    EXPECT_EQ(vlt_find_variable(&b(), "X")->value, "\"second\""); // a redefinition keeps its quotes
    EXPECT_EQ(VXLS_put_variable(&book, std::string(81, 'n').c_str(), "v"), -1);
    EXPECT_EQ(error(), "VXLS-03009 バッファサイズ(\"81\")オーバー(\"vlt_put_resource() XLS_KEY_LEN\")。");
    EXPECT_EQ(VXLS_put_variable(&book, std::string(80, 'n').c_str(), "v"), 0);
    EXPECT_EQ(vlt_define_variable(&b(), "big", std::string(6001, 'v')), -9);
    EXPECT_EQ(vlt_define_variable(&b(), "big", std::string(6000, 'v')), 0);
}

TEST_F(StorePut, Hyperlinks) {
    ASSERT_EQ(put("A1", "link"), 0);
    EXPECT_EQ(VXLS_external_hyperlink(&book, "A1", "someone@example.com"), 0);
    EXPECT_EQ(VXLS_sheet_hyperlink(&book, "A1", "Sheet1", "C3"), 0);
    ASSERT_EQ(sheet().links.size(), 2u);
    EXPECT_EQ(sheet().links[0].target, "mailto:someone@example.com");
    EXPECT_EQ(sheet().links[1].location, "Sheet1!C3");
    EXPECT_EQ(VXLS_external_hyperlink(&book, "B1", "http://x"), -3);  // cell not in use
    EXPECT_EQ(VXLS_sheet_hyperlink(&book, "A1", "Sheet1", "1A"), -3); // bad target
    EXPECT_EQ(VXLS_external_hyperlink(&book, "A1", "https://example.com/a@b.c"), 0);
    EXPECT_EQ(sheet().links[2].target, "https://example.com/a@b.c");
}
