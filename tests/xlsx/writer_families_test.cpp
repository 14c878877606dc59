// A workbook that uses every family the writer knows (values, fonts, fills, borders, alignments, number
// formats, merges, links, page setup, header/footer, protection, panes, hidden rows and sheets, properties,
// final and backup flags), read back by openpyxl and LibreOffice.
#include <gtest/gtest.h>

#include "writer_fixture.h"

using namespace wtest;

namespace {

using vtest::zip_part;

void build_families(TestBook &tb) {
    vel::Model &m = tb.model();
    tb.book.title = "Quarterly <report>";
    tb.book.subject = "Sales & costs";
    tb.book.manager = "Boss";
    tb.book.write_password = "secret";
    tb.book.final_book = true;
    tb.book.backup = true;

    // Number formats: date, date-time, a grouped number with two decimals.
    m.numfmts.push_back({302, 0, 0, {}});
    m.numfmts.push_back({303, 0, 0, {}});
    m.numfmts.push_back({107, 0, 2, {}});
    m.xf_date = tb.add_xf({.numfmt = 1, .nf_mode = 1});
    m.xf_datetime = tb.add_xf({.numfmt = 2, .nf_mode = 1});
    m.xf_percent = tb.add_xf({.numfmt = 9});
    const uint16_t s_grouped = tb.add_xf({.numfmt = 3, .nf_mode = 1});

    // A bold red font; gradient, hatched pattern, borders, alignment.
    m.fonts.push_back({.size = 14, .style = 2, .color = -1, .rgb = {0xc0, 0, 0}, .face = {}});
    const uint16_t s_bold = tb.add_xf({.font = static_cast<int32_t>(m.fonts.size() - 1)});
    m.fills.push_back({.pattern = 100, .color = 15, .grad_dir = 2, .color2 = 3});
    const uint16_t s_grad = tb.add_xf({.fill = static_cast<int32_t>(m.fills.size() - 1)});
    m.fills.push_back({.pattern = 2, .pattern_color = 11, .color = 12});
    const uint16_t s_hatch = tb.add_xf({.fill = static_cast<int32_t>(m.fills.size() - 1)});
    m.borders.push_back({.line = {1, 0, 0, 6, 2, 0}, .color = -1, .rgb = {0, 0, 0xff}});
    const uint16_t s_border = tb.add_xf({.border = static_cast<int32_t>(m.borders.size())});
    const uint16_t s_align = tb.add_xf({.align = 22, .text_ctl = 2});

    vel::Sheet &s = tb.add_sheet("Data");
    tb.text(s, 0, 0, "Hello world", s_bold);
    tb.value(s, 0, 1, vel::CELL_INTEGER, 42, "42");
    tb.value(s, 0, 2, vel::CELL_DECIMAL, 3, "3.25");
    tb.value(s, 0, 3, vel::CELL_PERCENT, 0, "0.25");
    tb.value(s, 0, 4, vel::CELL_DATE, 45000);
    tb.value(s, 0, 5, vel::CELL_DATE_TIME, 45000, "0.500000");
    vel::Cell &f = tb.cell(s, 0, 6);
    f.kind = vel::CELL_FORMULA;
    vel::cell_texts(s, f).formula = "SUM(B1:C1)";
    tb.text(s, 0, 7, "<a & b> \"q\" _x0041_");
    tb.value(s, 1, 0, vel::CELL_EMPTY, 0, "", s_grad);
    tb.value(s, 1, 1, vel::CELL_EMPTY, 0, "", s_hatch);
    tb.value(s, 1, 2, vel::CELL_EMPTY, 0, "", s_border);
    tb.text(s, 1, 3, "centred\nwrapped", s_align);
    tb.value(s, 1, 4, vel::CELL_DECIMAL, 1234, "1234.5", s_grouped);
    tb.value(s, 1, 5, vel::CELL_TEXT_ONLY, 0, "inline text");
    tb.text(s, 3, 0, "merged");
    tb.text(s, 3, 1, "covered");
    tb.value(s, 4, 2, vel::CELL_EMPTY, 0);
    s.merges.push_back({3, 0, 4, 2});
    tb.text(s, 6, 0, "external");
    tb.text(s, 7, 0, "internal");
    s.links.push_back({6, 0, "https://example.com/x?a=1&b=2", "", "", ""});
    s.links.push_back({7, 0, "", "Other!B2", "", ""});
    vel::ensure_row(s, 9)->height = 2000;
    vel::ensure_row(s, 9)->sw[0] = VXLS_ON;
    tb.value(s, 9, 0, vel::CELL_INTEGER, 10);
    vel::ensure_row(s, 10)->sw[0] = VXLS_ON;
    tb.value(s, 10, 0, vel::CELL_INTEGER, 11);
    vel::ensure_row(s, 12)->height = 3000; // a height without cells: not written
    s.frozen = 1;
    s.sw_hidden_grid = VXLS_ON;
    s.zoom = 85;
    s.tab_color = 11;
    s.sw_widths = VXLS_ON;
    s.used_cols = 3;
    s.widths = {10.625, 0, -1};
    s.page.orientation = 1;
    s.page.paper = 4;
    s.page.margin[2] = 2.54;
    s.header[1].text = "Page &P";
    s.header[1].font_style = 2;
    s.header[1].font_size = 12;
    s.footer[2].text = "Footer <x>";
    s.sw_protected = VXLS_ON;
    s.password = "password";
    s.filter = {0, 0, 0, 7};
    s.row_breaks.push_back(4);

    vel::Sheet &o = tb.add_sheet("Other");
    o.sw_hidden = VXLS_ON;
    tb.text(o, 1, 1, "target");
}

} // namespace

TEST(WriterFamilies, EveryFamilyReadsBack) {
    std::string dir = vtest::make_temp_dir("families");
    std::string path = dir + "/families.xlsx";
    TestBook tb;
    build_families(tb);
    ASSERT_EQ(tb.save(path), 0) << tb.error();
    EXPECT_EQ(validate(path), "");
    EXPECT_EQ(read_back_differences(tb, path), "");

    const std::string expect = R"json({
 "sheet_names": ["Data", "Other"],
 "props": {"title": "Quarterly <report>", "subject": "Sales & costs", "creator": "MyName"},
 "sheets": {
  "Data": {
   "zoom": 85, "show_grid": false, "freeze": "A2", "orientation": "landscape", "paper_size": 9,
   "protected": true, "password": "83AF", "autofilter": "A1:H1", "row_breaks": [5],
   "header_center": "Page &P", "footer_right": "Footer <x>", "widths": {"A": 10.625, "B": 8.38, "C": 0.0},
   "heights": {"10": 20.0}, "hidden_rows": [10, 11], "merged": ["A4:C5"], "max": [11, 8],
   "cells": {
    "A1": {"value": "Hello world", "bold": true, "font_color": "FFc00000", "font_size": 14, "font_name": "ＭＳ Ｐゴシック"},
    "B1": {"value": 42}, "C1": {"value": 3.25}, "D1": {"value": 0.25, "number_format": "0%"},
    "E1": {"value": "2023-03-15T00:00:00", "number_format": "yyyy/m/d;@"},
    "F1": {"value": "2023-03-15T12:00:00", "number_format": "yyyy/m/d\\ h:mm;@"},
    "G1": {"value": "=SUM(B1:C1)"}, "H1": {"value": "<a & b> \"q\" _x0041_"},
    "A2": {"gradient": true}, "B2": {"pattern": "darkGray", "fill": "FFff0000"},
    "C2": {"border_left": "thin", "border_bottom": "double"},
    "D2": {"value": "centred\nwrapped", "horizontal": "center", "vertical": "center", "wrap": true},
    "E2": {"value": 1234.5, "number_format": "#,##0.00_ "}, "F2": {"value": "inline text"}, "A4": {"value": "merged"},
    "A7": {"hyperlink": "https://example.com/x?a=1&b=2"}, "A8": {"location": "'Other'!B2"}
   }
  },
  "Other": {"state": "hidden", "cells": {"B2": {"value": "target"}}}
 }
})json";
    EXPECT_EQ(check_with_openpyxl(path, expect), "");

    // Book flags openpyxl does not report, and a covered cell's content dropped.
    EXPECT_NE(zip_part(path, "xl/workbook.xml").find("backupFile=\"1\""), std::string::npos);
    EXPECT_NE(zip_part(path, "docProps/custom.xml").find("name=\"_MarkAsFinal\""), std::string::npos);
    EXPECT_EQ(zip_part(path, "xl/worksheets/sheet1.xml").find("covered"), std::string::npos);

    // LibreOffice opens it and sees the same values; a frame workbook goes through the same conversion.
    TestBook frame;
    fill_frame_sheet(frame, frame.add_sheet("frame"), 160, 120, 20, 7);
    frame.text(frame.model().sheets[0], 119, 159, "last");
    std::string frame_path = dir + "/frame.xlsx";
    ASSERT_EQ(frame.save(frame_path), 0) << frame.error();
    std::string err = soffice_to_csv({path, frame_path}, dir);
    ASSERT_EQ(err, "");
    std::string frame_csv = vtest::read_file(dir + "/frame.csv");
    EXPECT_NE(frame_csv.find("last"), std::string::npos);
    std::string csv = vtest::read_file(dir + "/families.csv");
    for (const char *v : {"Hello world", "42", "3.25", "inline text", "merged", "\"<a & b> \"\"q\"\" _x0041_\""})
        EXPECT_NE(csv.find(v), std::string::npos) << v << " in\n" << csv;
}
