// Templates: a macro workbook made by the library and edited by openpyxl to hold parts and elements the
// library never writes, filled through TEMPLATE (at open and as a keyword), keeps all of it.
#include <gtest/gtest.h>

#include "test_support.h"
#include "velmora.h"
#include "writer_fixture.h"

namespace {

std::string python(const std::string &script, const std::vector<std::string> &args) {
    std::string cmd = "/usr/bin/python3 -c " + vtest::shell_quote(script);
    for (const std::string &a : args) cmd += " " + vtest::shell_quote(a);
    std::string out;
    return vtest::run(cmd, &out) == 0 ? out : "python failed: " + out;
}

// The template: formats, a merge, a formula and the VBA project from the library; conditional formatting,
// a data validation, a comment, a defined name and a second sheet from openpyxl.
std::string make_template(const std::string &dir) {
    XLS_BOOK book{};
    const std::string made = dir + "/made.xlsm";
    if (VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + made + "\"").c_str()) != 0) return book.error_info;
    if (VXLS_open_sheet(&book, "SHEET_NAME=請求書") != 0) return book.error_info;
    if (VXLS_put_values(&book, "A1=請求書 A1.FONT.STYLE=BOLD A1:C1.MERGE=TRUE B2.FILL.COLOR=FFCC00 "
                               "A3=数量 D3=\"=SUM(B3:C3)\" B.WIDTH=20") != 0)
        return book.error_info;
    book.macro_book = VXLS_ON;   // with the VBA project
    if (VXLS_close_book(&book, "SAVE") != 0) return book.error_info;
    return python(
        "import sys, openpyxl\n"
        "from openpyxl.comments import Comment\n"
        "from openpyxl.formatting.rule import CellIsRule\n"
        "from openpyxl.styles import PatternFill\n"
        "from openpyxl.worksheet.datavalidation import DataValidation\n"
        "from openpyxl.workbook.defined_name import DefinedName\n"
        "wb = openpyxl.load_workbook(sys.argv[1], keep_vba=True)\n"
        "ws = wb['請求書']\n"
        "ws.conditional_formatting.add('B3:C9', CellIsRule(operator='greaterThan', formula=['100'],"
        " fill=PatternFill('solid', fgColor='FF0000')))\n"
        "dv = DataValidation(type='whole', operator='between', formula1='0', formula2='999')\n"
        "ws.add_data_validation(dv)\n"
        "dv.add('B3:C9')\n"
        "ws['A2'].comment = Comment('記入してください', 'tester')\n"
        "wb.defined_names.append(DefinedName('合計', attr_text=\"'請求書'!$D$3\"))\n"
        "wb.create_sheet('メモ')['A1'] = 'memo'\n"
        "wb.save(sys.argv[2])\n",
        {made, dir + "/t.xlsm"});
}

} // namespace

TEST(Template, FilledTemplateKeepsWhatItHeld) {
    const std::string dir = vtest::make_temp_dir("template");
    ASSERT_EQ(make_template(dir), "");
    const std::string tmpl = dir + "/t.xlsm", out = dir + "/filled.xlsm";

    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("CHARSET=UTF8 TEMPLATE=\"" + tmpl + "\" BOOK=\"" + out + "\"").c_str()), 0)
        << book.error_info;
    ASSERT_EQ(VXLS_open_sheet(&book, "MODE=UPDATE SHEET_NAME=請求書"), 0) << book.error_info;
    ASSERT_EQ(VXLS_put_values(&book, "B3=5 C3=7 A4=りんご"), 0) << book.error_info;
    // A copy of the template sheet, filled on its own.
    ASSERT_EQ(VXLS_open_sheet(&book, "MODE=TEMPLATE SHEET_NAME=請求書2 TEMPLATE=請求書"), 0) << book.error_info;
    ASSERT_EQ(VXLS_put_values(&book, "B3=100 C3=1"), 0) << book.error_info;

    // Template mode refuses what it cannot keep (its keyword and new-sheet refusals are the api tests').
    EXPECT_EQ(VXLS_put_values(&book, "D3=1"), VXLS_ERR_ARGUMENT);
    EXPECT_STREQ(book.error_info, "VXLS-03203 テンプレートモードでは式の含まれたセル(\"D3\")を上書きすることはできません。");
    EXPECT_EQ(VXLS_external_hyperlink(&book, "B3", "https://example.com"), VXLS_ERR_ARGUMENT);
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;

    // openpyxl: every part and element of the template, the new values, the formulas' results, the copy.
    const std::string check = python(
        "import sys, zipfile, openpyxl\n"
        "t, f = sys.argv[1], sys.argv[2]\n"
        "zt, zf = zipfile.ZipFile(t), zipfile.ZipFile(f)\n"
        "bad = ['lost ' + n for n in zt.namelist() if n not in zf.namelist()]\n"
        "if zt.read('xl/vbaProject.bin') != zf.read('xl/vbaProject.bin'): bad.append('vba changed')\n"
        "wb = openpyxl.load_workbook(f, keep_vba=True)\n"
        "v = openpyxl.load_workbook(f, data_only=True)\n"
        "ws, cp = wb['請求書'], wb['請求書2']\n"
        "want = [(ws['A1'].value, '請求書'), (ws['B3'].value, 5), (ws['C3'].value, 7), (ws['A4'].value, 'りんご'),\n"
        "        (ws['D3'].value, '=SUM(B3:C3)'), (v['請求書']['D3'].value, 12), (cp['D3'].value, '=SUM(B3:C3)'),\n"
        "        (v['請求書2']['D3'].value, 101), (cp['A1'].value, '請求書'), (cp['A4'].value, 'りんご'),\n"
        "        (sorted(str(r) for r in ws.merged_cells.ranges), ['A1:C1']),\n"
        "        (sorted(str(r) for r in cp.merged_cells.ranges), ['A1:C1']),\n"
        "        (ws['B2'].fill.fgColor.rgb[-6:].upper(), 'FFCC00'), (ws['A1'].font.b, True),\n"
        "        (ws['A2'].comment.text if ws['A2'].comment else None, '記入してください'),\n"
        "        (len(ws.conditional_formatting), 1), (len(cp.conditional_formatting), 1),\n"
        "        (len(ws.data_validations.dataValidation), 1), (wb.defined_names.get('合計') is not None, True),\n"
        "        (wb.sheetnames, ['請求書', 'メモ', '請求書2']), (wb['メモ']['A1'].value, 'memo')]\n"
        "bad += ['check %d: %r, expected %r' % (i, got, exp) for i, (got, exp) in enumerate(want) if got != exp]\n"
        "print('\\n'.join(bad), end='')\n",
        {tmpl, out});
    EXPECT_EQ(check, "");
    EXPECT_EQ(wtest::validate(out), "");
    // The template itself is untouched.
    EXPECT_EQ(python("import sys, openpyxl\nprint(openpyxl.load_workbook(sys.argv[1])['請求書']['B3'].value, end='')",
                     {tmpl}),
              "None");
}

TEST(Template, KeywordLoadsTheTemplateIntoANewBook) {
    const std::string dir = vtest::make_temp_dir("template_kw");
    XLS_BOOK made{};
    ASSERT_EQ(VXLS_open_book(&made, ("CHARSET=UTF8 BOOK=\"" + dir + "/t.xlsx\"").c_str()), 0);
    ASSERT_EQ(VXLS_open_sheet(&made, "SHEET_NAME=表"), 0);
    ASSERT_EQ(VXLS_put_values(&made, "A1=見出し A1.FILL.COLOR=00FF00 B2=\"=A3*2\""), 0) << made.error_info;
    ASSERT_EQ(VXLS_close_book(&made, "SAVE"), 0);

    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + dir + "/out.xlsx\"").c_str()), 0);
    ASSERT_EQ(VXLS_put_values(&book, ("TEMPLATE=\"" + dir + "/missing\"").c_str()), VXLS_ERR_OPEN);
    ASSERT_EQ(VXLS_put_values(&book, ("TEMPLATE=\"" + dir + "/t\" 表!A3=21").c_str()), 0) << book.error_info;
    EXPECT_EQ(VXLS_put_values(&book, "A1.FILL.COLOR=FF0000"), VXLS_ERR_ARGUMENT);   // template mode now
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;
    EXPECT_EQ(python("import sys, openpyxl\n"
                     "s = openpyxl.load_workbook(sys.argv[1], data_only=True)['表']\n"
                     "print(s['A1'].value, s['A1'].fill.fgColor.rgb[-6:].upper(), s['A3'].value, s['B2'].value, end='')",
                     {dir + "/out.xlsx"}),
              "見出し 00FF00 21 42");
}
