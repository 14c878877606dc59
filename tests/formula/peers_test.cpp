// The library's cached results (read by openpyxl) beside LibreOffice's recalculation of the same
// workbook saved without them (exported as csv, compared by compare_cached.py): every formula must agree.
#include <gtest/gtest.h>

#include "formula_fixture.h"

using namespace ftest;

namespace {

// Inputs on the sheet Data.
const std::pair<const char *, const char *> DATA[] = {
    {"A1", "1"},     {"A2", "2.5"}, {"A3", "-3"}, {"A4", "abc"}, {"A6", "2015/01/05"}, {"A7", "50%"},
    {"A8", "'7"},    {"A9", "10"},  {"B1", "4"},  {"B2", "5"},   {"B3", "6"},          {"B4", "06:00"},
};

// Formulas on the sheet F, one per row of column A, by function; not those the library leaves to the
// opening program, nor those whose results LibreOffice shows in a format taken from their inputs.
const char *const FORMULAS[] = {
    // SUM
    "SUM(Data!A1:A3)", "SUM(1,2,3)", "SUM(Data!A1:A9)", "SUM(Data!A4)", "SUM(TRUE,1)", "SUM(Data!A1:B3,Data!B4*24)",
    "SUM(1/0)", "SUM(Data!A1,Data!A8,5)", "SUM(\"abc\")",
    // AVERAGE
    "AVERAGE(Data!A1:A3)", "AVERAGE(Data!A4:A5)", "AVERAGE(Data!A1:A9)", "AVERAGE(TRUE,3)",
    // MIN, MAX
    "MIN(Data!A1:A9)", "MIN(Data!A4:A5)", "MIN(5,Data!B1:B3)", "MIN(TRUE,3)", "MAX(Data!A1:A9)", "MAX(-1,Data!A3)",
    "MAX(Data!A4)", "MAX(Data!A6:A7)*2",
    // COUNT
    "COUNT(Data!A1:A9)", "COUNT(Data!A4:A5)", "COUNT(Data!A1:B4,7)", "COUNT(1,\"x\",Data!A4)", "COUNT(1,\"2\",TRUE)",
    // ROUND, ROUNDUP, ROUNDDOWN, TRUNC
    "ROUND(2.5,0)", "ROUND(-2.5,0)", "ROUND(0.5,0)", "ROUND(-0.5,0)", "ROUND(-0.4,0)", "ROUND(2.675,2)",
    "ROUND(1.005,2)", "ROUND(1234.5678,-2)", "ROUND(-1.45,1)", "ROUND(Data!A2,0)", "ROUND(1.55,1.9)",
    "ROUND(Data!A4,1)", "ROUND(\"2.5\",0)", "ROUND(TRUE,0)", "ROUND(1E+300,-299)",
    "ROUNDUP(3.14159,3)", "ROUNDUP(-3.14159,1)", "ROUNDUP(31415.92654,-2)", "ROUNDUP(0.1+0.2,1)", "ROUNDUP(2,0)",
    "ROUNDUP(-0.01,0)", "ROUNDDOWN(3.14159,3)", "ROUNDDOWN(-3.14159,1)", "ROUNDDOWN(31415.92654,-2)",
    "ROUNDDOWN(0.3*3*10,0)", "TRUNC(8.9)", "TRUNC(-8.9)", "TRUNC(3.14159,2)", "TRUNC(Data!A6+0.75)", "TRUNC(-0.5)",
    "TRUNC(1E+20,-25)",
    // ROW
    "ROW()", "ROW(Data!C7)", "ROW(Data!A3:B9)", "ROW(A100)", "ROW()*2", "ROW(Data!A4:A5)+0",
    // Operators, precedence, conversions and error values
    "-2^2", "2^3^2", "1+2*3", "2^50%", "50%*4", "10-2-3", "(1+2)*3", "-Data!A3^2", "2*-3^2", "(-8)^3", "(-8)^-1",
    "1/3", "1/0", "\"x\"*2", "Data!A8*2", "Data!A4&Data!A1", "1+TRUE", "Data!A5+1", "0.1+0.2", "1E+300*1E+10",
    "\"a\"=\"A\"", "2<\"a\"", "Data!A5=0", "Data!A5=\"\"", "Data!A5=FALSE", "Data!A5<\"\"", "FALSE<TRUE", "1<>1",
    "\"abc\"<\"abd\"", "\"ab1\">\"AB\"", "Data!A6*1+1", "Data!B4*24", "#N/A+1", "Data!A5&\"x\"",
    "SUM(Data!A1:A3)/COUNT(Data!A1:A3)&\"!\"", "1/3&\"\"", "0.0001&\"\"", "\"3\"+\"4\"", "\" 3 \"*1",
    "\"1e3\"*1", "\"1,000\"*1", "\"-1,234.5\"*1", "\"50%\"*1", "\"\"*1", "\"abc\"*1",
};
constexpr size_t N = std::size(FORMULAS);

// Builds the workbook at `path`; "" or what failed.
std::string build(const std::string &path, bool recalc) {
    XLS_BOOK b{};
    std::string failed;
    auto check = [&](int rc, const std::string &what) {
        if (rc != 0 && failed.empty()) failed = what + ": " + b.error_info;
    };
    check(VXLS_open_book(&b, ("BOOK=" + path + " CHARSET=UTF8").c_str()), "open");
    check(VXLS_open_sheet(&b, "SHEET_NAME=F"), "sheet F");
    check(VXLS_open_sheet(&b, "SHEET_NAME=Data"), "sheet Data");
    for (const auto &[cell, value] : DATA) check(VXLS_put_cell(&b, cell, value, 0), cell);
    check(VXLS_open_sheet2(&b, 0), "sheet 0");
    for (size_t i = 0; i < N; ++i) {
        const std::string cell = "A" + std::to_string(i + 1), value = std::string("=") + FORMULAS[i];
        check(VXLS_put_cell(&b, cell.c_str(), value.c_str(), 0), FORMULAS[i]);
    }
    if (!recalc) check(VXLS_put_values(&b, "BOOK.RECALC=FALSE"), "recalc");
    check(VXLS_close_book(&b, "SAVE"), "save");
    VXLS_free_book(&b);
    return failed;
}

TEST(Peers, TenFunctionsAndOperatorsAgreeWithLibreOffice) {
    if (!vtest::have_program("soffice")) GTEST_SKIP() << "LibreOffice not installed";
    const std::string dir = vtest::make_temp_dir("formula-peers");
    const std::string ours = dir + "/ours.xlsx", lo_input = dir + "/recalc.xlsx";
    ASSERT_EQ(build(ours, true), "");
    ASSERT_EQ(build(lo_input, false), "");

    // The computed book carries typed results and does not ask to be recalculated.
    EXPECT_EQ(vtest::validate_xlsx(ours), "");
    EXPECT_EQ(zip_part(ours, "xl/workbook.xml").find("fullCalcOnLoad"), std::string::npos);
    const std::string sheet = zip_part(ours, "xl/worksheets/sheet1.xml");
    for (const char *typed : {"<c r=\"A1\" s=\"", "t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>",
                              "t=\"str\"><f>Data!A4&amp;Data!A1</f><v>abc1</v></c>",
                              "t=\"b\"><f>&quot;a&quot;=&quot;A&quot;</f><v>1</v></c>"})
        EXPECT_NE(sheet.find(typed), std::string::npos) << typed;

    ASSERT_EQ(vtest::soffice_convert({lo_input}, dir, "csv"), "");
    const std::string script = vtest::source_dir() + "/tests/formula/compare_cached.py", csv = dir + "/recalc.csv";
    std::string out;
    EXPECT_EQ(vtest::run("/usr/bin/python3 " + vtest::shell_quote(script) + " " + vtest::shell_quote(ours) + " F " +
                             vtest::shell_quote(csv) + " " + std::to_string(N),
                         &out),
              0)
        << out;
    std::printf("%s", out.c_str());
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}

} // namespace
