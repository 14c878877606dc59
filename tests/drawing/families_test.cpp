// One workbook per object family, and one with all of them on two sheets, written
// through the C interface. Each must pass the schema check, show its objects to
// openpyxl, and render in LibreOffice (pixels by pdftoppm) with them where anchored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <map>

#include "drawing_fixture.h"
#include "test_support.h"
#include "velmora.h"

using namespace dtest;

namespace {

// Marker colour of cell A1, and the colours of the placed objects.
constexpr uint32_t MARKER = 0x00FF00, PICTURE = 0x2060C0, CHART_BACK = 0xFFFF00, SERIES = 0x4F81BD, SHAPE = 0xFF0000;

// The grid of the pixel checks: columns of 53 pixels, rows of 20, A1 in the marker colour.
const char *GRID = "A1:L1.WIDTH=6 A1:A45.HEIGHT=15 A1.FILL.COLOR=00ff00";

// The folder of the books, the pictures they place, and each family's failure while writing.
std::string g_dir, g_png, g_jpeg;
std::map<std::string, std::string> g_errors;

std::string file(const std::string &family) { return g_dir + "/" + family + ".xlsx"; }

// Writes a book from property texts and an optional step of its own; records the first failure.
void write_book(const std::string &family, const std::vector<std::string> &texts,
                const std::function<std::string(XLS_BOOK &)> &extra = nullptr) {
    const std::string path = file(family);
    XLS_BOOK book{};
    std::string error;
    if (VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + path + "\"").c_str()) != 0) error = book.error_info;
    for (const std::string &t : texts)
        if (error.empty() && VXLS_put_values(&book, t.c_str()) != 0) error = t + ": " + book.error_info;
    if (error.empty() && extra) error = extra(book);
    if (error.empty() && VXLS_close_book(&book, "SAVE") != 0) error = std::string("save: ") + book.error_info;
    if (!error.empty()) VXLS_free_book(&book);
    g_errors[family] = error;
}

// Whether two colours are within `tolerance` in every channel.
bool near(uint32_t a, uint32_t b, int tolerance = 40) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(int(a >> shift & 0xff) - int(b >> shift & 0xff)) > tolerance) return false;
    return true;
}

// Page 1 at 96 dots per inch (a binary PPM); cells are found from the marker cell A1 (all of a size).
struct Page {
    int width = 0, height = 0, a1_x = 0, a1_y = 0, a1_w = 0, a1_h = 0;
    std::vector<uint8_t> rgb;

    explicit Page(const std::string &ppm) {
        int w = 0, h = 0, max = 0, used = 0;
        if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || max != 255 ||
            ppm.size() < static_cast<size_t>(used) + 1 + static_cast<size_t>(w) * h * 3)
            return;
        width = w, height = h;
        rgb.assign(ppm.begin() + used + 1, ppm.begin() + used + 1 + static_cast<long>(w) * h * 3);
        int x1 = -1, y1 = -1;
        a1_x = w, a1_y = h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (near(at(x, y), MARKER, 12))
                    a1_x = std::min(a1_x, x), a1_y = std::min(a1_y, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        EXPECT_GE(x1, 0) << "marker cell not rendered";
        a1_w = x1 - a1_x + 1, a1_h = y1 - a1_y + 1;
    }
    bool empty() const { return width == 0; }
    uint32_t at(int x, int y) const {   // 0xRRGGBB, 0 outside
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        const uint8_t *p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
    }
    // The top-left corner of a cell, moved by dx, dy pixels.
    int x(int col, double dx = 0) const { return a1_x + col * a1_w + static_cast<int>(dx); }
    int y(int row, double dy = 0) const { return a1_y + row * a1_h + static_cast<int>(dy); }
};

class Families : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_dir = vtest::make_temp_dir("drawing");
        g_png = make_picture(g_dir, "blue", "png", 120, 80, "2060c0");
        g_jpeg = make_picture(g_dir, "orange", "jpeg", 64, 48, "ff8000");

        write_book("picture", {"SHEET=pic", GRID, "C3.IMAGE.PATH=" + g_png,
                               "H3.IMAGE.PATH=" + g_jpeg + " H3.IMAGE.RATIO=0.5 H3.IMAGE.OFFSET.X=10"},
                   [](XLS_BOOK &book) {
                       std::string bytes = vtest::read_file(make_picture(g_dir, "gray", "bmp", 40, 30, "808080"));
                       int rc = VXLS_put_image_memory(&book, "C12", VXLS_FILE_BMP, bytes.data(), static_cast<long>(bytes.size()),
                                                      0, 0, 0, 0, 200, "https://example.com/");
                       return rc == 0 ? std::string() : std::string("image memory: ") + book.error_info;
                   });
        write_book("chart", {"SHEET=chart", GRID, "A3=月 B3=売上 C3=費用 A4=1月 B4=10 C4=4 A5=2月 B5=10 C5=5 A6=3月 B6=10 C6=6",
                             "A3:B6.CHART=\"COLUMN TITLE=売上 MIN=0 MAX=10 BACKCOLOR=ffff00 LOCATION=D3\" "
                             "A3:B6.CHART.GAP_WIDTH=0",
                             "A3:C6.CHART=\"LINE LEGEND=BOTTOM LOCATION=D25\"",
                             "A3:B6.CHART=\"PIE LOCATION=M3\" A3:B6.CHART.DATA_LABEL=TRUE",
                             "B3:C6.CHART=\"SCATTER LOCATION=M25\""});
        write_book("shape", {"SHEET=shape", GRID,
                             "E12.AUTOSHAPE=RECTANGLE E12.AUTOSHAPE.WIDTH=120 E12.AUTOSHAPE.HEIGHT=80 "
                             "E12.AUTOSHAPE.FILL.COLOR=ff0000 E12.AUTOSHAPE.TEXT=四角 E12.AUTOSHAPE.LINE.COLOR=000000",
                             "B3.AUTOSHAPE=LINE B3.AUTOSHAPE.END=D8 B3.AUTOSHAPE.ARROW.END.KIND=TRIANGLE "
                             "B3.AUTOSHAPE.LINE.WIDTH=2 B3.AUTOSHAPE.LINE.STYLE=dashed",
                             "H3.AUTOSHAPE=楕円 H3.AUTOSHAPE.GRADATION.COLOR1=blue H3.AUTOSHAPE.GRADATION.COLOR2=white "
                             "H3.AUTOSHAPE.SHADOW.KIND=OUTER H3.AUTOSHAPE.ROTATION=30 H3.AUTOSHAPE.EFFECT=BEVEL",
                             "H20.AUTOSHAPE=TEXTBOX H20.AUTOSHAPE.TEXT=\"メモ 1\" H20.AUTOSHAPE.FONT.STYLE=bold "
                             "H20.AUTOSHAPE.TEXT.ALIGN=TOP_LEFT",
                             "B20.AUTOSHAPE=ROUND_RECTANGLE B20.AUTOSHAPE.ADJUST.X=30 B20.AUTOSHAPE.FILL.ACCENT=3 "
                             "B20.AUTOSHAPE.EFFECT=GLOW B20.AUTOSHAPE.BLUR=2"});
        // Comments, tables and sparklines: one sheet each in one book.
        write_book("objects", {"BOOK.CREATOR=山田 SHEET=note B2=x B2.COMMENT=確認済み D5.COMMENT=\"二つ目 の メモ\" "
                               "A1.COMMENT=<&>",
                               "SHEET=table A1=品名 B1=数 C1=単価 A2=りんご B2=3 C2=120 A3=みかん B3=5 C3=80 "
                               "A1:C3.TABLE_FORMAT=Medium9",
                               "E1:F3.TABLE_FORMAT=Light1 E1:F3.TABLE_FORMAT.COLUMN_NAME=x,y E2=1 F2=2",
                               "SHEET=spark A1=1 B1=3 C1=-2 D1=5 A2=2 B2=2 C2=4 D2=1 A3=5 B3=-1 C3=2 D3=3 "
                               "E1:E3.SPARKLINE=A1:D3 E1:E3.SPARKLINE.KIND=BAR E1:E3.SPARKLINE.DISPLAY=HIGH,LOW "
                               "E1:E3.SPARKLINE.HIGH.COLOR=red",
                               "F1:F1.SPARKLINE=spark!A1:D1 F1:F1.SPARKLINE.DISPLAY=MARKER"});
        write_book("all", {"BOOK.THUMBNAIL.PATH=" + g_jpeg, "SHEET=一", GRID, "B3.IMAGE.PATH=" + g_png,
                           "A20=月 B20=売上 C20=費用 A21=1月 B21=10 C21=4 A22=2月 B22=10 C22=5 A23=3月 B23=10 C23=6",
                           "B10.AUTOSHAPE=RECTANGLE B10.AUTOSHAPE.WIDTH=100 B10.AUTOSHAPE.HEIGHT=60 "
                           "B10.AUTOSHAPE.FILL.COLOR=ff0000",
                           "A20:B23.CHART=\"COLUMN MIN=0 MAX=10 BACKCOLOR=ffff00 LOCATION=E3\" A20:B23.CHART.GAP_WIDTH=0 "
                           "A20:B23.CHART.WIDTH=320 A20:B23.CHART.HEIGHT=200",
                           "A2.COMMENT=一枚目",
                           "SHEET=二 SHEET.BACKGROUND.PATH=" + g_png + " A1=名 B1=値 A2=x B2=1 A3=y B3=2 "
                           "A1:B3.TABLE_FORMAT=Dark2 C2:C3.SPARKLINE=A2:B3 A1:B3.CHART=\"BAR_STACKED LOCATION=E2\" "
                           "D4.COMMENT=二枚目"});
    }

    // The book was written, passes the schema check, and shows openpyxl the objects given.
    static void written(const std::string &family, const std::string &objects = "") {
        ASSERT_EQ(g_errors[family], "");
        EXPECT_EQ(validate_xlsx(file(family)), "");
        EXPECT_EQ(objects.empty() ? "" : check_objects(file(family), objects), "");
    }
    // LibreOffice's first page of the book, converted on demand (tests without pixels start no office).
    static Page rendered(const std::string &family) {
        std::string f = file(family);
        EXPECT_EQ(vtest::soffice_convert({f}, g_dir, "pdf"), "");
        std::string base = f.substr(0, f.size() - 5);
        vtest::run("pdftoppm -r 96 -f 1 -l 1 -singlefile " + vtest::shell_quote(base + ".pdf") + " " +
                   vtest::shell_quote(base));
        return Page(vtest::read_file(base + ".ppm"));
    }
};

#define EXPECT_PIXEL(page, px, py, want) \
    EXPECT_TRUE(near((page).at(px, py), want)) << "at (" << (px) << "," << (py) << ") " << std::hex << (page).at(px, py)

} // namespace

TEST_F(Families, PicturesFromFilesAndMemory) {
    written("picture", R"({"pic": {"pictures": [
        {"col": 2, "row": 2, "width": 120, "height": 80},
        {"col": 7, "row": 2, "width": 32, "height": 24},
        {"col": 2, "row": 11, "width": 80, "height": 60}]}})");
    // The picture held in memory keeps its link.
    std::string rels = zip_part(file("picture"), "xl/drawings/_rels/drawing1.xml.rels");
    EXPECT_NE(rels.find("Target=\"https://example.com/\" TargetMode=\"External\""), std::string::npos) << rels;

    Page g = rendered("picture");
    ASSERT_FALSE(g.empty());
    EXPECT_PIXEL(g, g.x(2, 10), g.y(2, 10), PICTURE);
    EXPECT_PIXEL(g, g.x(2, 110), g.y(2, 70), PICTURE);
    EXPECT_FALSE(near(g.at(g.x(2, -8), g.y(2, 40)), PICTURE)) << "picture starts left of C3";
    EXPECT_FALSE(near(g.at(g.x(2, 130), g.y(2, 40)), PICTURE)) << "picture wider than 120 pixels";
    EXPECT_PIXEL(g, g.x(7, 10 + 16), g.y(2, 12), 0xFF8000);
}

TEST_F(Families, ChartsWithTheirSeries) {
    written("chart", R"({"chart": {"charts": [
        {"type": "barChart", "series": [{"val": "chart!$B$4:$B$6", "cat": "chart!$A$4:$A$6", "tx": "chart!$B$3"}]},
        {"type": "lineChart", "series": [{"val": "chart!$B$4:$B$6", "cat": "chart!$A$4:$A$6", "tx": "chart!$B$3"},
                                         {"val": "chart!$C$4:$C$6", "cat": "chart!$A$4:$A$6", "tx": "chart!$C$3"}]},
        {"type": "pieChart", "series": [{"val": "chart!$B$4:$B$6", "cat": "chart!$A$4:$A$6", "tx": "chart!$B$3"}]},
        {"type": "scatterChart", "series": [{"val": "chart!$C$4:$C$6", "cat": "chart!$B$4:$B$6", "tx": "chart!$C$3"}]}]}})");
    std::string chart = zip_part(file("chart"), "xl/charts/chart1.xml");
    EXPECT_NE(chart.find("<c:pt idx=\"1\"><c:v>2月</c:v></c:pt>"), std::string::npos) << "category cache";

    Page g = rendered("chart");
    ASSERT_FALSE(g.empty());
    // The chart area's fill inside its corner D3; the plot area, full of columns at the maximum, in the middle.
    EXPECT_PIXEL(g, g.x(3, 6), g.y(2, 6), CHART_BACK);
    EXPECT_PIXEL(g, g.x(3, 240), g.y(2, 160), SERIES);
    EXPECT_FALSE(near(g.at(g.x(3, -6), g.y(2, 100)), CHART_BACK)) << "chart starts left of D3";
}

TEST_F(Families, EveryChartTypePassesTheSchema) {
    // All chart type words of the vocabulary, each over the same data.
    static const char *const types[] = {"COLUMN", "COLUMN_STACKED", "COLUMN_PERCENT", "COLUMN_3D", "BAR", "BAR_STACKED",
                                        "BAR_PERCENT", "BAR_3D", "LINE", "LINE_STACKED", "LINE_PERCENT", "LINE_3D",
                                        "PIE", "PIE_3D", "AREA", "AREA_STACKED", "AREA_PERCENT", "AREA_3D", "SCATTER",
                                        "DOUGHNUT", "RADAR", "STOCK", "SURFACE", "BUBBLE"};
    std::vector<std::string> texts = {"SHEET=types A1=日 B1=高 C1=安 D1=終 A2=1 B2=9 C2=5 D2=7 A3=2 B3=8 C3=4 D3=6 "
                                      "A4=3 B4=10 C4=6 D4=9"};
    int n = 0;
    for (const char *t : types)
        texts.push_back(std::string("A1:D4.CHART=\"") + t + " TITLE=" + t + " LOCATION=F" + std::to_string(1 + 20 * n++) +
                        " 3D_ROTATE_X=20\" A1:D4.CHART.DATA_LABEL=TRUE A1:D4.CHART.MAJOR_UNIT=2 "
                        "A1:D4.CHART.LEGEND_FONT_SIZE=8");
    write_book("types", texts);
    written("types");
    // Each type has its own chart part.
    EXPECT_NE(zip_part(file("types"), "xl/charts/chart24.xml").find("<c:bubbleChart>"), std::string::npos);
}

TEST_F(Families, ShapesWithTheirLook) {
    written("shape");
    std::string drawing = zip_part(file("shape"), "xl/drawings/drawing1.xml");
    EXPECT_NE(drawing.find("<a:prstGeom prst=\"ellipse\">"), std::string::npos);
    EXPECT_NE(drawing.find("<a:t>メモ 1</a:t>"), std::string::npos);

    Page g = rendered("shape");
    ASSERT_FALSE(g.empty());
    // Away from the centred text.
    EXPECT_PIXEL(g, g.x(4, 15), g.y(11, 40), SHAPE);
    EXPECT_PIXEL(g, g.x(4, 105), g.y(11, 15), SHAPE);
    EXPECT_FALSE(near(g.at(g.x(4, 135), g.y(11, 40)), SHAPE)) << "shape wider than 120 pixels";
}

TEST_F(Families, CommentsTablesAndSparklines) {
    written("objects", R"({
        "note": {"comments": {"B2": {"text": "確認済み", "author": "山田"},
                              "D5": {"text": "二つ目 の メモ", "author": "山田"}, "A1": {"text": "<&>", "author": "山田"}}},
        "table": {"tables": {"テーブル1": {"ref": "A1:C3", "columns": ["品名", "数", "単価"]},
                             "テーブル2": {"ref": "E1:F3", "columns": ["x", "y"]}}},
        "spark": {"sparklines": [["spark!A1:D1", "E1"], ["spark!A2:D2", "E2"], ["spark!A3:D3", "E3"],
                                 ["spark!A1:D1", "F1"]]}})");
    EXPECT_NE(zip_part(file("objects"), "xl/worksheets/sheet3.xml").find("<x14:colorHigh rgb=\"FFFF0000\"/>"),
              std::string::npos);
}

TEST_F(Families, AllFamiliesOnTwoSheets) {
    written("all", R"({
        "一": {"pictures": [{"col": 1, "row": 2, "width": 120, "height": 80}],
               "charts": [{"type": "barChart", "series": [{"val": "一!$B$21:$B$23", "cat": "一!$A$21:$A$23", "tx": "一!$B$20"}]}],
               "comments": {"A2": {"text": "一枚目", "author": "MyName"}}},
        "二": {"tables": {"テーブル1": {"ref": "A1:B3", "columns": ["名", "値"]}},
               "sparklines": [["二!A2:B2", "C2"], ["二!A3:B3", "C3"]],
               "charts": [{"type": "barChart", "series": [{"val": "二!$B$2:$B$3", "cat": "二!$A$2:$A$3", "tx": "二!$B$1"}]}],
               "comments": {"D4": {"text": "二枚目", "author": "MyName"}},
               "background": true}})");
    EXPECT_NE(zip_names(file("all")).find("docProps/thumbnail.jpeg"), std::string::npos);

    Page g = rendered("all");
    ASSERT_FALSE(g.empty());
    EXPECT_PIXEL(g, g.x(1, 60), g.y(2, 40), PICTURE);
    EXPECT_PIXEL(g, g.x(1, 20), g.y(9, 30), SHAPE);
    EXPECT_PIXEL(g, g.x(4, 6), g.y(2, 6), CHART_BACK);
    EXPECT_PIXEL(g, g.x(4, 160), g.y(2, 110), SERIES);
}
