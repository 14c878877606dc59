// The frame converter's keywords: column width, row height, zoom and fill
// colour, through VXLS_put_values as the application sends them.
#include <string>

#include "engine_fixture.h"

namespace vtest {
namespace {

using FrameKeywords = EngineTest;

TEST_F(FrameKeywords, WidthHeightAndZoom) {
    ASSERT_EQ(put("B1.幅=2 "), 0) << error();
    ASSERT_GE(sheet().widths.size(), 2u);
    EXPECT_DOUBLE_EQ(sheet().widths[1], 2.625);
    EXPECT_EQ(sheet().used_cols, 2);
    EXPECT_EQ(sheet().sw_widths, 0);

    ASSERT_EQ(put("5.高さ=15.75 "), 0) << error();
    EXPECT_EQ(sheet().rows.at(4).height, 1575);
    EXPECT_GE(sheet().rows[4].used, 1);
    EXPECT_EQ(sheet().used_rows, 5);

    ASSERT_EQ(put("ズーム=150"), 0) << error();
    EXPECT_EQ(sheet().zoom, 150);

    // A rectangle sets every column / row in it.
    ASSERT_EQ(put("C1:E2.WIDTH=3"), 0) << error();
    EXPECT_DOUBLE_EQ(sheet().widths[4], 3.625);
    EXPECT_EQ(sheet().used_cols, 5);
    ASSERT_EQ(put("A7:A9.HEIGHT=20"), 0) << error();
    EXPECT_EQ(sheet().rows[8].height, 2000);

    // Unreadable or out-of-range numbers are refused; nothing changes.
    EXPECT_EQ(put("A1.WIDTH=wide"), -1);
    EXPECT_EQ(put("5.HEIGHT=-1"), -1);
    EXPECT_EQ(put("5.HEIGHT=700"), -1);
    EXPECT_EQ(sheet().rows[4].height, 1575);
}

TEST_F(FrameKeywords, FillColourRowLikeTheConverter) {
    std::string row = "1.高さ=15.75 ";
    for (int c = 0; c < 160; ++c) {
        char name[16], item[64];
        VXLS_cell_name(1, c + 1, name);
        std::snprintf(item, sizeof item, "%s.塗りつぶし.色=%02x%02x%02x ", name, (c % 4) * 8, 0, 248);
        row += item;
    }
    ASSERT_EQ(put(row), 0) << error();
    EXPECT_EQ(sheet().rows.at(0).used, 160);
    EXPECT_EQ(m().fills.size(), 2u + 4u);
    EXPECT_EQ(m().xfs.size(), 7u + 4u);
    EXPECT_EQ(describe(fill_of(0, 5)), "1 0 -1 0800f8 / 0 0 0 000000"); // column 6: (5 % 4) * 8 = 8
    EXPECT_EQ(cell(0, 1).style, cell(0, 5).style);
}

TEST_F(FrameKeywords, FillColourWordsRectanglesAndRefusals) {
    ASSERT_EQ(put("A1.FILL.COLOR=ff8800 B1.FILL.COLOR=#FF8800"), 0) << error();
    EXPECT_EQ(cell(0, 0).style, cell(0, 1).style);
    ASSERT_EQ(put("A2:C3.塗りつぶし.色=赤"), 0) << error();
    EXPECT_EQ(fill_of(2, 2).color, 11);
    EXPECT_EQ(sheet().rows[2].used, 3);

    size_t fills = m().fills.size(), xfs = m().xfs.size();
    EXPECT_EQ(put("A1:C3.FILL.COLOR=NONE"), -1);
    EXPECT_EQ(put("A1.FILL.COLOR=ff880"), -1);
    EXPECT_EQ(put("A1.FILL.COLOR=\"\""), -1);
    EXPECT_EQ(m().fills.size(), fills);
    EXPECT_EQ(m().xfs.size(), xfs);
    EXPECT_EQ(fill_of(2, 2).color, 11);
}

TEST(FrameKeywordsSjis, ShiftJisKeysAndQuotedValues) {
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ""), 0) << book.error_info;
    ASSERT_EQ(VXLS_open_sheet(&book, ""), 0) << book.error_info;
    // "A1.塗りつぶし.色="赤"" in CP932.
    std::string text = "A1.\x93\x68\x82\xe8\x82\xc2\x82\xd4\x82\xb5.\x90\x46=\"\x90\xd4\"";
    EXPECT_EQ(VXLS_put_values(&book, text.c_str()), 0) << book.error_info;
    vel::Model &m = book_of(&book).model;
    const vel::Cell &c = m.sheets[0].rows.at(0).cells.at(0);
    ASSERT_GT(c.style, 0);
    EXPECT_EQ(m.fills[m.xfs[c.style - 1].fill].color, 11);
    VXLS_free_book(&book);
}

} // namespace
} // namespace vtest
