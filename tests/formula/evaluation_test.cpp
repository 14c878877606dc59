// Formula evaluation over a book: results, what is left to the opening program, loops, long chains,
// values of every cell kind, the check at put, the reading calls and the save.
#include "formula_fixture.h"

#include "formula/functions.h"
#include "model/numfmt.h"

using namespace ftest;

namespace {

using Evaluation = FormulaBook;

TEST_F(Evaluation, SumRowSharedInputsAndStoredKinds) {
    ASSERT_EQ(VXLS_put_values(&book, "A1=1 A2=2 A3=3"), 0) << book.error_info;
    put("A4", "=SUM(A1:A3)");
    put("B5", "=ROW()");
    put("B6", "=ROW(Z9:Z20)+ROW(B6)"); // ROW reads no cells: its own cell is no loop
    // A diamond is no loop: H1 feeds F1 and G1, both feed E1.
    put("H1", "=1");
    put("F1", "=H1*2");
    put("G1", "=H1+F1");
    put("E1", "=F1+G1+SUM(F1:H1)");
    ASSERT_EQ(evaluate(), 0) << message();
    EXPECT_EQ(cell(0, 3, 0).kind, vel::CELL_FORMULA2);
    EXPECT_EQ(result(3, 0), "number 6");
    EXPECT_EQ(result(4, 1), "number 5");
    EXPECT_EQ(result(5, 1), "number 15");
    EXPECT_EQ(result(0, 4), "number 11");
    EXPECT_TRUE(b().recalc);
    EXPECT_EQ(message(), "");
}

TEST_F(Evaluation, WhatCannotBeComputedIsLeftToTheOpeningProgram) {
    const struct {
        const char *formula, *message, *logged = ""; // the message, and a note in the log
    } cases[] = {
        {"=ROUND(1)", "VXLS-03201 関数の引数が不足しています(\"ROUND\")。"},
        {"=ROW(A1,A2)", "VXLS-03202 関数の引数が多すぎます(\"ROW\")。"},
        {"=VLOOKUP(1,B1:C2,2)", "", "VXLS-02202 サポート外の関数です(\"VLOOKUP\")。"},
        {"=myname+1", ""},              // a defined name
        {"=SUM({1,2})", ""},            // an array constant
        {"=Nowhere!A1", ""},            // no such sheet
        {"=B1:B2*2", ""},               // a range where one value is wanted
        {"=SUM(1,,2)", ""},             // an empty argument
        // Where the spreadsheet programs compute differently.
        {"=SUM(\"3\",1)", ""}, {"=0^0", ""}, {"=1E+20&\"\"", ""}, {"=\"2015/01/05\"*1", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.formula);
        VXLS_free_book(&book);
        SetUp();
        put("B1", "1");
        put("A1", "=1+1");
        put("A2", c.formula);
        put("A3", "=2+2");
        EXPECT_EQ(evaluate(), vel::rc::BAD_ARGUMENT);
        EXPECT_EQ(message(), c.message);
        const vel::Diag &d = b().diag;
        if (*c.logged) {
            ASSERT_GE(d.line_count, 2);
            EXPECT_EQ(d.lines[d.line_count - 2], c.logged);
            EXPECT_EQ(d.lines[d.line_count - 1], "VXLS-04100 オープン時再計算モードで保存します。");
        }
        EXPECT_FALSE(b().recalc);
        EXPECT_EQ(result(1, 0), "unevaluated");
        EXPECT_EQ(result(2, 0), "unevaluated"); // the walk stops at the first failure
        // Once left to the opening program, nothing more is evaluated.
        EXPECT_EQ(evaluate(), 0);
        EXPECT_EQ(result(2, 0), "unevaluated");
    }
}

TEST_F(Evaluation, CircularReferencesOfAnyLength) {
    const struct {
        std::vector<std::pair<const char *, const char *>> cells;
        const char *named;
    } cases[] = {
        {{{"A1", "=A1+1"}}, "A1"},
        {{{"A1", "=SUM(A1:B3)"}}, "A1"},                              // a range that holds the cell
        {{{"A1", "=B1"}, {"B1", "=A1"}}, "A1"},
        {{{"A1", "=B1*2"}, {"B1", "=SUM(C1:C9)"}, {"C5", "=ROUND(A1,0)"}}, "A1"},
        {{{"C1", "=1"}, {"A1", "=C1+B1"}, {"B1", "=Sheet2!A1"}}, "A1"},  // through another sheet
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cells[0].second);
        VXLS_free_book(&book);
        SetUp();
        ASSERT_EQ(VXLS_open_sheet(&book, "SHEET_NAME=Sheet2"), 0);
        put("A1", "=Sheet1!A1");
        ASSERT_EQ(VXLS_open_sheet2(&book, 0), 0);
        for (const auto &[name, value] : c.cells) put(name, value);
        EXPECT_EQ(evaluate(), vel::rc::BAD_ARGUMENT);
        EXPECT_EQ(message(), std::string("VXLS-03200 セルの循環参照が設定されています(\"") + c.named + "\")。");
        EXPECT_FALSE(b().recalc);
    }
}

TEST_F(Evaluation, LongChainsAndLongLoopsUseNoDeepRecursion) {
    const int n = 100000;
    vel::Sheet &s = b().model.sheets[0];
    // A(i) = A(i+1)+1, the last one 1, built in the store directly.
    for (int r = 0; r < n; ++r) {
        vel::Cell &x = *vel::ensure_cell(s, r, 0);
        std::string f = r + 1 < n ? "A" + std::to_string(r + 2) + "+1" : "1";
        ASSERT_EQ(vel::vlt_store_value(&b(), s, x, vel::CELL_FORMULA, 0, {}, f), 0);
    }
    ASSERT_EQ(evaluate(), 0) << message();
    EXPECT_EQ(result(0, 0), "number 100000");
    EXPECT_EQ(result(n - 1, 0), "number 1");

    // The last one now refers back to the first: a loop of 100,000 cells.
    vel::cell_texts(s, *vel::find_cell(s, n - 1, 0)).formula = "A1";
    b().recalc = true;
    EXPECT_EQ(evaluate(), vel::rc::BAD_ARGUMENT);
    EXPECT_EQ(message(), "VXLS-03200 セルの循環参照が設定されています(\"A1\")。");
}

TEST_F(Evaluation, EveryCellKindHasItsValue) {
    ASSERT_EQ(VXLS_put_values(&book, "A1=5 A2=1.5 A3=50% A4=2015/01/05 A5=\"2015/01/05 12:00\" A6=06:00 A7=text"), 0)
        << book.error_info;
    put("A8", "=A1*2");
    // Values read from workbooks: a double, a boolean and an error value.
    vel::Sheet &s = b().model.sheets[0];
    vel::store_read_number(*vel::ensure_cell(s, 8, 0), 0.125, vel::CELL_DECIMAL, 0);
    vel::store_read_bool(*vel::ensure_cell(s, 9, 0), true, 0);
    vel::store_read_error(*vel::ensure_cell(s, 10, 0), vel::ERR_NA, 0);
    ASSERT_EQ(VXLS_put_values(&book, "C1.FORMAT=文字列"), 0) << book.error_info;
    put("C1", "7");        // a text-only cell: the text "7"
    put("B1", "=A1+A2+A3+A4+A5+A6+A8+A9");
    put("B2", "=COUNT(A1:A11)");
    put("B3", "=A7&C1&A1");
    put("B4", "=A11");
    put("B5", "=SUM(A9:A10,C1)+C1");
    put("B6", "=A10*3");
    ASSERT_EQ(evaluate(), 0) << message();
    EXPECT_EQ(result(0, 1), "number 84035.875"); // 5+1.5+0.5+42009+42009.5+0.25+10+0.125
    EXPECT_EQ(result(1, 1), "number 8");
    EXPECT_EQ(result(2, 1), "text text75");
    EXPECT_EQ(result(3, 1), "error #N/A");
    EXPECT_EQ(result(4, 1), "number 7.125");     // texts and booleans in ranges are passed over
    EXPECT_EQ(result(5, 1), "number 3");
}

TEST_F(Evaluation, FormulasAreCheckedWhenPut) {
    put("A1", "7");
    const struct {
        const char *value, *message;
    } refused[] = {
        {"=SUM(A1", "VXLS-02304 式の括弧の対応が不正です(\"SUM(A1\")。"},
        {"=1**2", "VXLS-02201 サポート外の演算子です(\"*\")。"},
        {"=", "VXLS-02201 サポート外の演算子です(\"=\")。"},
    };
    for (const auto &c : refused) {
        EXPECT_EQ(VXLS_put_cell(&book, "A1", c.value, 0), VXLS_ERR_ARGUMENT) << c.value;
        EXPECT_EQ(std::string(book.error_info), c.message);
    }
    EXPECT_EQ(get("A1"), "7"); // a refused formula leaves the cell as it was
    // Formulas the library cannot compute are still formulas.
    for (const char *ok : {"=VLOOKUP(A1,B1:C3,2,FALSE)", "=Table1[Col]", "='Other sheet'!A1", "=SUM(1,,2)"})
        EXPECT_EQ(VXLS_put_cell(&book, "B1", ok, 0), 0) << ok << " " << book.error_info;
}

TEST_F(Evaluation, ReadingCallsComputeFormulas) {
    put("A1", "2");
    put("A2", "=A1*3");
    put("A3", "=A2&\"x\"");
    put("A4", "=VLOOKUP(1,B1:C2,2)");
    std::string kind;
    EXPECT_EQ(get("A2", &kind), "6");
    EXPECT_EQ(kind, "FORMULAA1*3");
    EXPECT_EQ(get("A3"), "6x");
    EXPECT_EQ(get("A4"), "");
    EXPECT_TRUE(b().recalc); // reading changes nothing
    EXPECT_EQ(cell(0, 1, 0).kind, vel::CELL_FORMULA);
    // After an evaluation, a changed input shows at once.
    ASSERT_NE(evaluate(), 0);
    put("A1", "5");
    EXPECT_EQ(get("A2"), "15");
    char v0[8] = "", v1[8] = "", v2[8] = "";
    char *values[] = {v0, v1, v2};
    ASSERT_EQ(VXLS_get_cells(&book, 1, 0, 0, 0, 3, values), 0);
    EXPECT_EQ(std::string(v1) + "|" + v2, "15|15x");
    XLS_SEARCH search{};
    search.count = 1;
    ASSERT_EQ(VXLS_search(&book, &search, "15x", values), 0) << book.error_info;
    EXPECT_EQ(search.found_row, 2);
}

// A save left to recalculation succeeds with the formula's message as its notice; a failing one reports its own.
TEST(EvaluationSave, NoticeAndRecalculationOnOpening) {
    const std::string dir = vtest::make_temp_dir("formula-save");
    const struct {
        std::string path;
        int rc;
        const char *message;
    } cases[] = {
        {dir + "/loop.xlsx", 0, "VXLS-03200 セルの循環参照が設定されています(\"A1\")。"},
        {dir + "/no/such/dir/loop.xlsx", VXLS_ERR_WRITE, "VXLS-03121 Excelファイル書込みエラー("},
    };
    for (const auto &c : cases) {
        XLS_BOOK b{};
        ASSERT_EQ(VXLS_open_book(&b, ("BOOK=" + c.path + " CHARSET=UTF8").c_str()), 0) << b.error_info;
        ASSERT_EQ(VXLS_open_sheet(&b, ""), 0);
        for (const auto &[cell, value] : {std::pair{"A1", "=B1"}, {"B1", "=A1+1"}, {"C1", "=2*3"}})
            ASSERT_EQ(VXLS_put_cell(&b, cell, value, 0), 0) << b.error_info;
        EXPECT_EQ(VXLS_close_book(&b, "SAVE"), c.rc);
        EXPECT_EQ(std::string(b.error_info).rfind(c.message, 0), 0u) << b.error_info;
        VXLS_free_book(&b);
    }
    EXPECT_NE(zip_part(cases[0].path, "xl/workbook.xml").find("fullCalcOnLoad=\"1\""), std::string::npos);
    const std::string sheet = zip_part(cases[0].path, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<f>2*3</f></c>"), std::string::npos) << sheet;
    EXPECT_EQ(sheet.find("<v>"), std::string::npos);
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}

} // namespace
