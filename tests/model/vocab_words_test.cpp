// Value vocabularies: how words compare, and the words that are refused.
#include <gtest/gtest.h>

#include "model/vocab.h"

namespace {

using namespace vel;

TEST(VocabColors, NamesAndHexValues) {
    Rgb rgb;
    EXPECT_EQ(color_of("rED", rgb), 11);             // English without regard to case
    EXPECT_EQ(color_of("赤色", rgb), 11);
    EXPECT_EQ(color_of("ＲＥＤ", rgb), COLOR_BAD);   // full-width letters are no colour
    EXPECT_EQ(color_of("なし", rgb), COLOR_NONE);
    EXPECT_EQ(color_of("", rgb), COLOR_BAD);
    EXPECT_EQ(color_of("#FF8800", rgb), COLOR_RGB);
    EXPECT_EQ(rgb.r + rgb.g + rgb.b, 0xFF + 0x88);
    for (const char *bad : {"ff880", "ff88000", "#ff880g", "##ff8800"}) EXPECT_EQ(color_of(bad, rgb), COLOR_BAD) << bad;
    const Rgb outside = color_value(99);             // outside the palette: black
    EXPECT_EQ(outside.r + outside.g + outside.b, 0);
}

TEST(VocabWords, UnknownWordsAreRefused) {
    // The vocabularies' own edges (the engine tests refuse words through their keywords).
    EXPECT_EQ(pattern_of("12.5%灰色"), 5);
    EXPECT_EQ(pattern_of("plaid"), 0);
    EXPECT_STREQ(pattern_name(77), "none");
    EXPECT_EQ(line_style_of("２重線"), 6);           // full-width digits in Japanese words
    EXPECT_EQ(line_style_name(7), nullptr);
    EXPECT_EQ(face_code_of("Arial"), FACE_OWN);
    int family = 0, number = 0;
    EXPECT_TRUE(table_style_of("Medium28", family, number));
    EXPECT_FALSE(table_style_of("Medium29", family, number));
    EXPECT_FALSE(table_style_of("Dark0", family, number));
}

} // namespace
