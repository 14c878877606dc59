// The frame converter's keywords through VXLS_put_values: rectangles, colour words, refusals, Shift_JIS keys.
#include <string>

#include "model_fixture.h"

using namespace vtest;

using FrameKeywords = ModelBook;

TEST_F(FrameKeywords, WidthsAndHeightsOfRectanglesAndTheirRefusals) {
    // The converter's texts are the writer's and end-to-end tests'; here the rectangles and refusals.
    ASSERT_EQ(put("C1:E2.WIDTH=3 A7:A9.HEIGHT=20 5.高さ=15.75"), 0) << error();
    EXPECT_DOUBLE_EQ(sheet().widths[4], 3.625);
    EXPECT_EQ(sheet().used_cols, 5);
    EXPECT_EQ(sheet().rows[8].height, 2000);
    EXPECT_EQ(put("A1.WIDTH=wide"), -1);
    EXPECT_EQ(put("5.HEIGHT=-1"), -1);
    EXPECT_EQ(put("5.HEIGHT=700"), -1);
    EXPECT_EQ(sheet().rows[4].height, 1575);
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

TEST_F(FrameKeywords, ShiftJisKeysAndQuotedValues) {
    VXLS_free_book(&book);
    ASSERT_EQ(VXLS_open_book(&book, ""), 0) << book.error_info;
    ASSERT_EQ(VXLS_open_sheet(&book, ""), 0) << book.error_info;
    // "A1.塗りつぶし.色="赤"" in CP932.
    ASSERT_EQ(put("A1.\x93\x68\x82\xe8\x82\xc2\x82\xd4\x82\xb5.\x90\x46=\"\x90\xd4\""), 0) << book.error_info;
    EXPECT_EQ(fill_of(0, 0).color, 11);
}
