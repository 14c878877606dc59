// Exact XML of the part writers' elements, for the rules a reader would
// notice first: row and cell text, numbering of styles, escaping.
#include <gtest/gtest.h>

#include "writer_fixture.h"
#include "xlsx/package.h"
#include "xlsx/shared_strings.h"

using namespace wtest;

namespace {

struct Written {
    TestBook tb;
    vel::SaveContext ctx;
    Written() {
        ctx.book = &tb.book;
        ctx.model = &tb.model();
    }
    void prepare() {
        ctx.sheets.clear();
        for (const vel::Sheet &s : tb.model().sheets) ctx.sheets.push_back(&s);
        vel::assign_numfmt_ids(tb.model(), ctx.numfmt_ids, ctx.numfmt_written);
    }
    std::string sheet(size_t i = 0) {
        prepare();
        vel::StringSink sink;
        {
            vel::XmlWriter w(sink);
            vel::write_worksheet(ctx, i, w);
            w.flush();
        }
        return sink.text;
    }
    std::string styles() {
        prepare();
        vel::StringSink sink;
        vel::XmlWriter w(sink);
        vel::write_styles(ctx, w);
        w.flush();
        return sink.text;
    }
};

bool has(const std::string &text, const std::string &piece) { return text.find(piece) != std::string::npos; }

} // namespace

TEST(WriterParts, RowsAndCellsOfASheet) {
    Written x;
    vel::Sheet &s = x.tb.add_sheet("S");
    s.zoom = 20;
    // Row 1: five slots, height 15.75, fill styles.
    for (int c = 0; c < 5; ++c) x.tb.cell(s, 0, c).style = static_cast<uint16_t>(c + 2);
    vel::ensure_row(s, 0)->height = 1575;
    // Row 2: a height but no slots. Row 3: slots that are all empty.
    vel::ensure_row(s, 1)->height = 2000;
    x.tb.cell(s, 2, 3);
    // Row 4: values, with a merged area over B4:C5.
    x.tb.value(s, 3, 0, vel::CELL_INTEGER, -17);
    x.tb.text(s, 3, 1, "top-left");
    x.tb.value(s, 3, 2, vel::CELL_INTEGER, 9, "", 7);
    x.tb.value(s, 3, 3, vel::CELL_TIME_HM, 0, "0.437500");
    s.merges.push_back({3, 1, 4, 2});
    x.tb.value(s, 4, 1, vel::CELL_INTEGER, 5);
    // The widest row is not the last one.
    x.tb.value(s, 5, 27, vel::CELL_DECIMAL, 0, "2.5");
    x.tb.value(s, 6, 0, vel::CELL_DATE, 45000);
    x.tb.model().xf_date = 3;

    std::string xml = x.sheet();
    EXPECT_TRUE(has(xml, "<dimension ref=\"A1:AB7\"/>"));
    EXPECT_TRUE(has(xml, "<sheetView tabSelected=\"1\" zoomScale=\"20\" workbookViewId=\"0\" showGridLines=\"1\">"
                         "<selection activeCell=\"A1\" sqref=\"A1\" /></sheetView>"));
    EXPECT_TRUE(has(xml, "<sheetFormatPr defaultRowHeight=\"13.5\"/><sheetData>"));
    EXPECT_TRUE(has(xml, "<row r=\"1\" spans=\"1:5\"  ht=\"15.750000\" customHeight=\"1\"><c r=\"A1\" s=\"2\"/>"
                         "<c r=\"B1\" s=\"3\"/><c r=\"C1\" s=\"4\"/><c r=\"D1\" s=\"5\"/><c r=\"E1\" s=\"6\"/></row>"));
    EXPECT_FALSE(has(xml, "<row r=\"2\""));
    EXPECT_TRUE(has(xml, "<row r=\"3\" spans=\"1:4\"/>"));
    EXPECT_TRUE(has(xml, "<row r=\"4\" spans=\"1:4\"><c r=\"A4\"><v>-17</v></c><c r=\"B4\" t=\"s\"><v>0</v></c>"
                         "<c r=\"C4\" s=\"7\"/><c r=\"D4\"><v>0.437500</v></c></row>"));
    EXPECT_TRUE(has(xml, "<row r=\"5\" spans=\"1:2\"><c r=\"B5\" s=\"1\"/></row>"));
    EXPECT_TRUE(has(xml, "<c r=\"AB6\"><v>2.5</v></c>"));
    EXPECT_TRUE(has(xml, "<c r=\"A7\" s=\"3\"><v>45000</v></c>"));
    EXPECT_TRUE(has(xml, "<mergeCells count=\"1\"><mergeCell ref=\"B4:C5\"/></mergeCells>"));
    EXPECT_TRUE(has(xml, "<pageMargins left=\"0.708660\" right=\"0.708660\" top=\"0.748030\" bottom=\"0.748030\" "
                         "header=\"0.314960\" footer=\"0.314960\" /><pageSetup paperSize=\"4401\" scale=\"100\" "
                         "orientation=\"portrait\" verticalDpi=\"200\" r:id=\"rId1\"/></worksheet>"));
}

TEST(WriterParts, ColumnsPanesAndOnlyTheFirstSheetSelected) {
    Written x;
    x.tb.add_sheet("one");
    vel::Sheet &s = x.tb.add_sheet("two");
    s.sw_widths = VXLS_ON;
    s.used_cols = 3;
    s.widths = {2.625, 0, -4};
    s.frozen = 3; // both bits: the left column wins
    std::string xml = x.sheet(1);
    EXPECT_TRUE(has(xml, "<cols><col min=\"1\" max=\"1\" width=\"2.625\" bestFit=\"1\" customWidth=\"1\"/>"
                         "<col min=\"2\" max=\"2\" width=\"8.380\" bestFit=\"1\" customWidth=\"1\"/>"
                         "<col min=\"3\" max=\"3\" width=\"0.000\" bestFit=\"1\" customWidth=\"1\"/></cols>"));
    EXPECT_TRUE(has(xml, "tabSelected=\"0\""));
    EXPECT_TRUE(has(xml, "<pane xSplit=\"1\" topLeftCell=\"B1\" activePane=\"topRight\" state=\"frozen\"/>"));
    EXPECT_TRUE(has(xml, "<dimension ref=\"A1:A1\"/>"));
}

TEST(WriterParts, StyleNumberingAndSections) {
    Written x;
    vel::Model &m = x.tb.model();
    EXPECT_TRUE(has(x.styles(), "<numFmts count=\"0\"></numFmts>"));
    for (int i = 0; i < 12; ++i) m.numfmts.push_back({107, 0, static_cast<uint8_t>(i % 3), {}});
    m.numfmts.push_back({100, 0, 0, {}}); // built in: no element, no id
    m.numfmts.push_back({302, 0, 0, {}});
    vel::Xf date;
    date.nf_mode = 1, date.numfmt = 14;
    x.tb.add_xf(date);
    x.tb.solid_style(0x10, 0x20, 0xf8);
    vel::Xf gray;
    gray.fill = 1;
    x.tb.add_xf(gray);
    std::string xml = x.styles();
    EXPECT_TRUE(has(xml, "<numFmts count=\"13\"><numFmt numFmtId=\"176\" formatCode=\"#,##0_ \"/>"));
    EXPECT_TRUE(has(xml, "<numFmt numFmtId=\"184\" formatCode=\"#,##0.00_ \"/><numFmt numFmtId=\"186\""));
    EXPECT_TRUE(has(xml, "<numFmt numFmtId=\"189\" formatCode=\"yyyy/m/d;@\"/></numFmts>"));
    EXPECT_FALSE(has(xml, "numFmtId=\"185\""));
    EXPECT_TRUE(has(xml, "<fills count=\"3\">"));
    EXPECT_TRUE(has(xml, "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FF1020f8\"/><bgColor indexed=\"64\"/>"
                         "</patternFill></fill></fills>"));
    EXPECT_TRUE(has(xml, "<cellXfs count=\"4\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\">"
                         "<alignment vertical=\"center\"/></xf><xf numFmtId=\"189\" fontId=\"0\" fillId=\"0\" "
                         "borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"><alignment horizontal=\"left\"/></xf>"
                         "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"2\" borderId=\"0\" xfId=\"0\" applyFill=\"1\">"
                         "<alignment horizontal=\"left\"/></xf><xf numFmtId=\"0\" fontId=\"0\" fillId=\"1\" "
                         "borderId=\"0\" xfId=\"0\"><alignment horizontal=\"left\"/></xf></cellXfs>"));
    EXPECT_TRUE(has(xml, "<font><b/><u/><sz val=\"11\"/><color theme=\"10\"/><name val=\"ＭＳ Ｐゴシック\"/>"));
}

TEST(WriterParts, LargeStyleSectionsAreWrittenWhole) {
    Written x;
    for (int i = 0; i < 20000; ++i)
        x.tb.solid_style(static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i >> 16));
    std::string xml = x.styles();
    EXPECT_GT(xml.size(), 2u << 20);
    EXPECT_TRUE(has(xml, "<fills count=\"20002\">"));
    EXPECT_TRUE(has(xml, "<cellXfs count=\"20001\">"));
    EXPECT_TRUE(has(xml, "fillId=\"20001\" borderId=\"0\" xfId=\"0\" applyFill=\"1\"><alignment horizontal=\"left\"/>"
                         "</xf></cellXfs>"));
}

TEST(WriterParts, EscapeModesAndPasswordHash) {
    std::string t = "a<b>&\"c\" 'd'\t\r\n_x0041_ _x12_ \x01";
    ASSERT_EQ(vel::vlt_xml_escape(1, t), 0);
    EXPECT_EQ(t, "a&lt;b&gt;&amp;&quot;c&quot; &apos;d&apos;&#x9;&#xD;&#xA;_x005F_x0041_ _x12_ _x0001_");
    std::string keep = "line1\r\nline2 _xABCD_";
    ASSERT_EQ(vel::vlt_xml_escape(2, keep), 0);
    EXPECT_EQ(keep, "line1\r\nline2 _x005F_xABCD_");
    ASSERT_EQ(vel::vlt_xml_escape(0, keep), 0);
    EXPECT_EQ(keep, "line1\r\nline2 _xABCD_");
    std::string back = "&lt;&gt;&amp;&#xD;&#xA;&#x9;&#x20;&quot;&apos;_x001A_";
    ASSERT_EQ(vel::vlt_xml_escape(0, back), 0);
    EXPECT_EQ(back, "<>&\r\n\t \"' ");
    std::string multibyte = "日本語_テキスト";
    ASSERT_EQ(vel::vlt_xml_escape(1, multibyte), 0);
    EXPECT_EQ(multibyte, "日本語_テキスト");
    EXPECT_EQ(vel::legacy_password_hash("password"), 0x83AF);
    EXPECT_EQ(vel::legacy_password_hash(""), 0xCE4B);
}

TEST(WriterParts, SharedStringsKeepEveryEntry) {
    Written x;
    for (const char *t : {"same", "same", "same", " lead", "a\r\nb"}) x.tb.model().sst.push_back(t);
    x.prepare();
    vel::StringSink sink;
    {
        vel::XmlWriter w(sink);
        vel::write_shared_strings(x.ctx, w);
        w.flush();
    }
    EXPECT_TRUE(has(sink.text, "count=\"5\" uniqueCount=\"5\"><si><t>same</t><phoneticPr fontId=\"1\"/></si>"));
    EXPECT_TRUE(has(sink.text, "<si><t xml:space=\"preserve\"> lead</t>"));
    EXPECT_TRUE(has(sink.text, "<si><t>a\r\nb</t>"));
}

TEST(WriterParts, HeaderAndFooterSectionsCarryTheirFontCodes) {
    Written x;
    vel::Sheet &s = x.tb.add_sheet("S");
    s.header[1].text = "Page &P";
    s.footer[0].text = "left";
    s.footer[0].font_name = "Arial";
    s.footer[0].font_size = 9;
    s.footer[0].font_style = 6;   // bold, underlined
    s.footer[0].color = -1;
    s.footer[0].rgb[0] = 0xff;
    s.footer[0].color_set = true;
    std::string xml = x.sheet();
    // Every section has the font code, defaults where nothing was set.
    EXPECT_TRUE(has(xml, "<oddHeader>&amp;L&amp;&quot;ＭＳ Ｐゴシック,標準&quot;&amp;11&amp;K000000"
                         "&amp;C&amp;&quot;ＭＳ Ｐゴシック,標準&quot;&amp;11&amp;K000000Page &amp;P"
                         "&amp;R&amp;&quot;ＭＳ Ｐゴシック,標準&quot;&amp;11&amp;K000000</oddHeader>"))
        << xml;
    EXPECT_TRUE(has(xml, "<oddFooter>&amp;L&amp;U&amp;&quot;Arial,太字&quot;&amp;9&amp;Kff0000left&amp;C"));
}
