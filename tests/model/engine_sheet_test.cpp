// Book, sheet, page and header keywords, and the refusals of the drawing records.
#include <fstream>

#include "model_fixture.h"

using namespace vtest;

using SheetKeywords = ModelBook;

TEST_F(SheetKeywords, BookPropertiesAndSwitches) {
    ASSERT_EQ(put("BOOK.COMPANY=\"ヴェル 社\" BOOK.CREATOR=me BOOK.TITLE=t"), 0) << error();
    EXPECT_STREQ(book.company, "ヴェル 社");
    EXPECT_EQ(put("BOOK.MANAGER=" + std::string(151, 'm')), -1);
    EXPECT_EQ(error(), "VXLS-02210 キーワードが長すぎます(\"" + std::string(151, 'm') +
                           "\")。最大長は(150)バイトです。");
    EXPECT_STREQ(book.manager, "");
    // Within the caller's limit but too long for the member once in UTF-8.
    std::string kana;
    for (int i = 0; i < 100; ++i) kana += "あ";
    EXPECT_EQ(put("BOOK.TITLE=" + kana), -1);

    ASSERT_EQ(put("BOOK.RECALC=FALSE BOOK.FINAL=TRUE BOOK.BACKUP=しない"), 0) << error();
    EXPECT_EQ((std::vector<int>{book.recalc, book.final_book, book.backup}),
              (std::vector<int>{VXLS_OFF, VXLS_ON, VXLS_OFF}));
    EXPECT_EQ(put("BOOK.RECALC=maybe"), -1);

    ASSERT_EQ(put("BOOK=out"), 0) << error();
    EXPECT_STREQ(book.book_path, "out.xlsx");
    EXPECT_EQ(put("BOOK=" + std::string(260, 'p')), -1);

    EXPECT_EQ(put("TEMPLATE=/nonexistent/t"), -101);
    EXPECT_EQ(book.new_book, VXLS_ON);

    ASSERT_EQ(apply(2011, -1, -1, "42"), 0) << error();
    EXPECT_EQ(book_of(&book).rownum, 42);
    EXPECT_EQ(apply(2004, -1, -1, "DSN=x"), -1); // no database sources

    unsigned char before = book.auto_width;
    ASSERT_EQ(put("AUTO_WIDTH=FALSE"), 0);
    EXPECT_EQ(book.auto_width, before);
    ASSERT_EQ(put("列幅自動調整=TRUE"), 0);
    EXPECT_EQ(book.auto_width, VXLS_ON);
}

TEST_F(SheetKeywords, SheetSwitchesSelectionAndOrder) {
    ASSERT_EQ(put("SHEET.HIDDEN=TRUE SHEET.HIDDEN_GRID=TRUE SHEET.FROZEN_LEFT=TRUE"), 0) << error();
    EXPECT_EQ((std::vector<int>{sheet().sw_hidden, sheet().sw_hidden_grid, sheet().frozen}), (std::vector<int>{0, 0, 2}));
    ASSERT_EQ(put("SHEET.PASSWORD=secret SHEET.TAB.COLOR=#00ff00"), 0) << error();
    EXPECT_EQ(sheet().password, "secret");
    EXPECT_EQ(sheet().sw_protected, 0);
    EXPECT_EQ(sheet().tab_color, -1);
    EXPECT_EQ(put("SHEET.PASSWORD=12345678901234567"), -1);
    EXPECT_EQ(put("SHEET.TAB.COLOR=NONE"), -1);
    EXPECT_EQ(put("SHEET.ORDER=DESC"), 0);
    EXPECT_EQ(book.sheet_order_desc, VXLS_ON);

    // Sheet selection (kind 201) as the engine applies it.
    ASSERT_EQ(apply(201, -1, -1, "売上"), 0) << error();
    EXPECT_EQ(m().sheets.size(), 2u);
    EXPECT_EQ(b().current_sheet, 1);
    ASSERT_EQ(apply(201, -1, -1, "Sheet1"), 0) << error();
    EXPECT_EQ(b().current_sheet, 0);
    EXPECT_EQ(apply(201, -1, -1, std::string(94, 'n')), -1);
    EXPECT_EQ(apply(201, -1, -1, ""), -801);
    EXPECT_EQ(m().sheets.size(), 2u);
}

TEST_F(SheetKeywords, PageBreaksPaperAndHeaders) {
    ASSERT_EQ(put("5.NEWPAGE=FALSE B9.改ページ=x"), 0) << error();
    EXPECT_EQ(sheet().row_breaks, (std::vector<int32_t>{4, 8}));
    EXPECT_EQ(put("A1:B2.NEWPAGE=TRUE"), -1);
    EXPECT_EQ(error(), "VXLS-02100 セル範囲指定(RANGE)は使用できません(\"NEWPAGE\")。");

    ASSERT_EQ(put("PAPER.SIZE=b5 PAPER.ORIENTATION=横 PAPER.SCALE=80 PAPER.MARGIN.LEFT=2.5"), 0)
        << error();
    EXPECT_EQ((std::vector<double>{double(sheet().page.paper), double(sheet().page.orientation),
                                   double(sheet().page.scale), sheet().page.margin[2]}),
              (std::vector<double>{15, 1, 80, 2.5}));
    EXPECT_EQ(put("PAPER.DPI=fine"), -1);
    EXPECT_EQ(error(), "VXLS-02302 数値が不正です(\"fine\")。");

    ASSERT_EQ(apply(821, -1, -1, "ページ &P"), 0) << error();
    ASSERT_EQ(apply(822, -1, -1, "明朝"), 0) << error();
    ASSERT_EQ(apply(823, -1, -1, "9"), 0) << error();
    ASSERT_EQ(apply(855, -1, -1, "RED"), 0) << error();
    const auto &h = sheet().header[1];
    EXPECT_EQ(h.text + "|" + h.font_name + "|" + std::to_string(h.font_size), "ページ &P|ＭＳ Ｐ明朝|9");
    EXPECT_EQ(sheet().footer[1].color, 11);
    EXPECT_EQ(apply(804, -1, -1, "heavy"), -1);
    EXPECT_EQ(apply(835, -1, -1, "none"), -1);
}

TEST_F(SheetKeywords, PicturesAreCheckedAndRecorded) {
    std::string dir = make_temp_dir("engine_pictures");
    std::string png = dir + "/p.png", txt = dir + "/p.txt", fake = dir + "/fake.png";
    run("ffmpeg -v error -f lavfi -i color=c=red:s=24x16 -frames:v 1 -y " + shell_quote(png));
    std::ofstream(fake, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8) << std::string(16, '\0');
    std::ofstream(txt) << "not a picture at all";
    // Placed pictures are the drawing families' (openpyxl, LibreOffice); here what is refused.
    ASSERT_EQ(apply(501, 2, 1, png), 0) << error();
    EXPECT_EQ(apply(501, 0, 0, txt), -1);
    // A PNG signature over a broken header is refused by the probe.
    EXPECT_EQ(apply(501, 0, 0, fake), -1);
    EXPECT_EQ(error(), "VXLS-03190 イメージファイルがサポート外のファイル形式です(\"" + fake + "\")。");
    EXPECT_EQ(apply(501, 0, 0, dir + "/missing.png"), -101);
    EXPECT_EQ(apply(503, 0, 0, "left"), -1);
    EXPECT_EQ(sheet().pictures.size(), 1u);
}

TEST_F(SheetKeywords, ChartsSparklinesTablesAndShapes) {
    EXPECT_EQ(apply(602, 0, 0, "TRUE"), -1); // option before any chart
    // Written objects are the drawing families' (openpyxl, LibreOffice); here the series split and refusals.
    // Six rows by four columns: names in the first row, categories in the first column, three series.
    ASSERT_EQ(apply(601, 0, 0, "LINE TITLE=売上 3D_DEPTH=100", 5, 3), 0) << error();
    ASSERT_EQ(sheet().charts[0].series.size(), 3u);
    EXPECT_EQ(sheet().charts[0].series[1].values.c1, 2);
    ASSERT_EQ(apply(602, 0, 0, "TRUE"), 0) << error();
    EXPECT_EQ(sheet().charts[0].series.size(), 5u);
    EXPECT_EQ(apply(601, 0, 0, "PIECHART", 5, 3), -1);
    EXPECT_EQ(error(), "VXLS-02430 グラフ(GRAPH)の指定内容が不正です(\"PIECHART\")。");
    EXPECT_EQ(apply(601, 0, 0, "LINE", 300, 300), -1);
    EXPECT_EQ(error(), "VXLS-02431 グラフ(GRAPH)の最大系統数を超えました(255)。");

    EXPECT_EQ(apply(521, 0, 5, "A1:D1"), -1);
    EXPECT_EQ(error(), "VXLS-02102 セル指定は使用できません(\"スパークライン(SPARKLINE)\")。");
    ASSERT_EQ(apply(521, 0, 5, "Sheet1!A1:D1", 0, 5), 0) << error();
    ASSERT_EQ(apply(522, 0, 5, "勝敗"), 0) << error();
    EXPECT_EQ(apply(524, 0, 5, "purple-ish"), -1);

    EXPECT_EQ(apply(532, 0, 0, "a,b"), -1);
    EXPECT_EQ(error(), "VXLS-02631 (\"列名(COLUMN_NAME)\")の前に表書式(TABLE_FORMAT)が指定されていません。");
    ASSERT_EQ(apply(531, 10, 0, "Medium9", 14, 3), 0) << error();
    EXPECT_EQ(apply(531, 12, 2, "Light1", 20, 5), -1);
    EXPECT_EQ(error(), "VXLS-02632 表書式(TABLE_FORMAT)は既に定義したセル範囲に対して定義できません。");

    EXPECT_EQ(apply(625, 0, 0, "100"), -1);
    EXPECT_NE(error().find("VXLS-02601"), std::string::npos) << error();
    ASSERT_EQ(apply(621, 3, 3, "楕円"), 0) << error();
    EXPECT_EQ(apply(626, 3, 3, "tall"), -1);
    EXPECT_EQ(apply(702, 3, 3, "fog"), -1);
    EXPECT_EQ(error(), "VXLS-02604 オートシェイプ影(SHADOW)の指定内容が不正です。");
    EXPECT_EQ(apply(621, 3, 3, "blob"), -1);
    EXPECT_EQ(error(), "VXLS-02600 オートシェイプ(AUTOSHAPE)の指定内容が不正です(\"blob\")。");
}
