// Placement from the sheet's widths and heights, and the families' refusals: a message, nothing written.
#include <gtest/gtest.h>

#include <unistd.h>

#include "drawing_fixture.h"
#include "test_support.h"
#include "velmora.h"

using namespace dtest;

namespace {

struct Book {
    XLS_BOOK b{};
    std::string dir, path;
    explicit Book(const std::string &tag) {
        dir = vtest::make_temp_dir(tag);
        path = dir + "/book.xlsx";
        EXPECT_EQ(VXLS_open_book(&b, ("CHARSET=UTF8 BOOK=\"" + path + "\"").c_str()), 0) << b.error_info;
    }
    ~Book() { VXLS_free_book(&b); }
    int put(const std::string &text) { return VXLS_put_values(&b, text.c_str()); }
    std::string error() const { return b.error_info; }
    int save() { return VXLS_close_book(&b, "SAVE"); }
};

bool has(const std::string &text, const std::string &piece) { return text.find(piece) != std::string::npos; }

} // namespace

TEST(Placement, AnchorsFollowTheSheetsWidthsAndHeights) {
    Book bk("place");
    std::string png = make_picture(bk.dir, "p", "png", 40, 20, "ff0000");
    // Columns of 53 pixels and rows of 20 pixels.
    ASSERT_EQ(bk.put("SHEET=s A1:L1.WIDTH=6 A1:A30.HEIGHT=15"), 0) << bk.error();
    // An offset past its cell's width lands in the next column.
    ASSERT_EQ(bk.put("B2.IMAGE.PATH=" + png + " B2.IMAGE.OFFSET.X=100 B2.IMAGE.OFFSET.Y=25"), 0) << bk.error();
    // A chart two columns wide and two rows high ends at the corner of C3.
    ASSERT_EQ(bk.put("A1=a B1=1 A2=b B2=2 A1:B2.CHART=\"COLUMN LOCATION=A1\""), 0) << bk.error();
    ASSERT_EQ(bk.put("A1:B2.CHART.WIDTH=106 A1:B2.CHART.HEIGHT=40"), 0) << bk.error();
    ASSERT_EQ(bk.save(), 0) << bk.error();
    EXPECT_EQ(validate_xlsx(bk.path), "");
    std::string d = zip_part(bk.path, "xl/drawings/drawing1.xml");
    EXPECT_TRUE(has(d, "<xdr:from><xdr:col>2</xdr:col><xdr:colOff>447675</xdr:colOff><xdr:row>2</xdr:row>"
                       "<xdr:rowOff>47625</xdr:rowOff></xdr:from><xdr:ext cx=\"381000\" cy=\"190500\"/>"))
        << d;
    EXPECT_TRUE(has(d, "<xdr:to><xdr:col>2</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row>"
                       "<xdr:rowOff>0</xdr:rowOff></xdr:to>"))
        << d;
}

TEST(Placement, APictureGoneBeforeTheSaveFailsIt) {
    Book bk("gone");
    std::string png = make_picture(bk.dir, "p", "png", 20, 10, "00ff00");
    ASSERT_EQ(bk.put("SHEET=s A1.IMAGE.PATH=" + png), 0) << bk.error();
    ASSERT_EQ(unlink(png.c_str()), 0);
    EXPECT_EQ(bk.save(), VXLS_ERR_WRITE);
    EXPECT_TRUE(has(bk.error(), "VXLS-03102")) << bk.error();
    EXPECT_NE(access(bk.path.c_str(), F_OK), 0) << "no package is left";
}

TEST(Placement, BadValuesOfTheFamiliesAreRefused) {
    Book bk("refuse");
    std::string bmp = make_picture(bk.dir, "b", "bmp", 8, 8, "000000");
    ASSERT_EQ(bk.put("SHEET=s A1=1 B1=2 C1=3 A2=4 B2=5 C2=6"), 0);
    struct Case {
        std::string text, message;
    } cases[] = {
        {"A1:C2.CHART.TITLE=x", "VXLS-02430"},                    // an option before any chart
        {"A1:C2.CHART=\"COLUMN MAX=high\"", "VXLS-02430"},
        {"A1:C2.CHART=\"COLUMN 3D_ROTATE_X=200\"", "VXLS-02430"},
        {"E1:E3.SPARKLINE=A1:D2", "VXLS-02621"},                  // three cells, data of two rows and four columns
        {"E1:F2.SPARKLINE=A1:C2", "VXLS-02621"},                  // not one row or column
        {"A1:C2.TABLE_FORMAT=Medium9 A1:C2.TABLE_FORMAT.COLUMN_NAME=a,b,c,d", "VXLS-02200"},
        {"SHEET.BACKGROUND.PATH=" + bmp, "VXLS-03190"},           // a background is JPEG, PNG, GIF or TIFF
        {"A1.AUTOSHAPE=RECTANGLE A1.AUTOSHAPE.FILL.TRANSPARENT=150", "VXLS-02302"},
        {"A1.AUTOSHAPE.ARROW.END.KIND=spiral", "VXLS-02603"},
        {"A1.AUTOSHAPE.EFFECT=sparkle", "VXLS-02600"},
    };
    for (const Case &c : cases) {
        EXPECT_NE(bk.put(c.text), 0) << c.text;
        EXPECT_TRUE(has(bk.error(), c.message)) << c.text << ": " << bk.error();
    }
    // A formula in a table's header row cannot name a column.
    ASSERT_EQ(VXLS_put_cell(&bk.b, "A5", "=SUM(A1:A2)", 0), 0) << bk.error();
    EXPECT_NE(bk.put("A5:B6.TABLE_FORMAT=Light1"), 0);
    EXPECT_TRUE(has(bk.error(), "VXLS-02633")) << bk.error();
    // Pictures held in memory: a header that lies, a kind that is no picture, bad placement values.
    const char lie[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\x80\0\0\0\0\0\0\x01\x08\x02\0\0\0";
    EXPECT_EQ(VXLS_put_image_memory(&bk.b, "A1", VXLS_FILE_PNG, lie, sizeof lie, 0, 0, 0, 0, 0, ""), VXLS_ERR_GENERAL);
    EXPECT_TRUE(has(bk.error(), "VXLS-03190")) << bk.error();
    EXPECT_EQ(VXLS_put_image_memory(&bk.b, "A1", 150, lie, sizeof lie, 0, 0, 0, 0, 0, ""), VXLS_ERR_GENERAL);
    std::string png = vtest::read_file(make_picture(bk.dir, "p", "png", 20, 10, "00ff00"));
    EXPECT_EQ(VXLS_put_image_memory(&bk.b, "A1", VXLS_FILE_PNG, png.data(), static_cast<long>(png.size()), 0, 0, 0, 0, -5, ""),
              VXLS_ERR_ARGUMENT);
    EXPECT_EQ(VXLS_put_image_memory(&bk.b, "A0", VXLS_FILE_PNG, png.data(), static_cast<long>(png.size()), 0, 0, 0, 0, 0, ""),
              VXLS_ERR_ARGUMENT);
    // What was refused is not written (no chart, no picture); the table accepted above is.
    ASSERT_EQ(bk.save(), 0) << bk.error();
    EXPECT_EQ(validate_xlsx(bk.path), "");
    std::string names = zip_names(bk.path);
    EXPECT_FALSE(has(names, "chart"));
    EXPECT_FALSE(has(names, "media"));
    EXPECT_FALSE(has(zip_part(bk.path, "xl/drawings/drawing1.xml"), "<xdr:pic>"));   // the shape accepted is there
    EXPECT_TRUE(has(names, "xl/tables/table1.xml"));
    EXPECT_FALSE(has(names, "xl/tables/table2.xml"));
}
