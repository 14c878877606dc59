// Value vocabularies: colours, patterns, line styles, font words, alignments.
#include <gtest/gtest.h>

#include "model/vocab.h"

namespace {

using namespace vel;

int32_t color(const char *text, Rgb *out = nullptr) {
    Rgb rgb;
    int32_t code = color_of(text, rgb);
    if (out) *out = rgb;
    return code;
}

TEST(VocabColors, NamesInBothLanguages) {
    EXPECT_EQ(color("red"), 11);
    EXPECT_EQ(color("Red"), 11);
    EXPECT_EQ(color("RED"), 11);
    EXPECT_EQ(color("赤"), 11);
    EXPECT_EQ(color("赤色"), 11);
    EXPECT_EQ(color("ＲＥＤ"), COLOR_BAD); // full-width letters are no colour
    EXPECT_EQ(color("light_magenta"), 36);
    EXPECT_EQ(color("オリーブ色"), 22);
    EXPECT_EQ(color("黒"), 0);
    EXPECT_EQ(color("none"), COLOR_NONE);
    EXPECT_EQ(color("なし"), COLOR_NONE);
    EXPECT_EQ(color(""), COLOR_BAD);
    Rgb v = color_value(31);
    EXPECT_EQ(v.r, 0xFF);
    EXPECT_EQ(v.g, 0xCC);
    v = color_value(99);
    EXPECT_EQ(v.r + v.g + v.b, 0);
}

TEST(VocabColors, HexValuesNeedExactlySixDigits) {
    Rgb rgb;
    EXPECT_EQ(color("ff8800", &rgb), COLOR_RGB);
    EXPECT_EQ(rgb.r, 0xFF);
    EXPECT_EQ(rgb.g, 0x88);
    EXPECT_EQ(rgb.b, 0x00);
    EXPECT_EQ(color("#FF8800", &rgb), COLOR_RGB);
    EXPECT_EQ(rgb.g, 0x88);
    EXPECT_EQ(color("ff880"), COLOR_BAD);
    EXPECT_EQ(color("ff88000"), COLOR_BAD);
    EXPECT_EQ(color("#ff88000"), COLOR_BAD);
    EXPECT_EQ(color("#ff880g"), COLOR_BAD);
    EXPECT_EQ(color("##ff8800"), COLOR_BAD);
}

TEST(VocabWords, PatternsAndLineStyles) {
    EXPECT_EQ(pattern_of("solid"), 1);
    EXPECT_EQ(pattern_of("GRAY125"), 5);
    EXPECT_EQ(pattern_of("12.5%灰色"), 5);
    EXPECT_EQ(pattern_of("実線左下がり斜線格子"), 18);
    EXPECT_EQ(pattern_of("plaid"), 0);
    EXPECT_STREQ(pattern_name(9), "darkDown");
    EXPECT_STREQ(pattern_name(77), "none");

    EXPECT_EQ(line_style_of("二重線"), 6);
    EXPECT_EQ(line_style_of("２重線"), 6);
    EXPECT_EQ(line_style_of("HAIR"), 2);
    EXPECT_EQ(line_style_of("slantdashdot"), 31);
    EXPECT_EQ(line_style_of("wavy"), -1);
    EXPECT_STREQ(line_style_name(23), "mediumDashDotDot");
    EXPECT_EQ(line_style_name(7), nullptr);
}

TEST(VocabWords, FontsAlignmentsArrowsSwitches) {
    EXPECT_EQ(font_style_of("BOLD_ITALIC_UNDERLINE"), 7);
    EXPECT_EQ(font_style_of("regular_underline"), 4);
    EXPECT_EQ(font_style_of("強調"), 2);
    EXPECT_EQ(font_style_of("heavy"), -1);
    EXPECT_EQ(face_code_of("明朝"), 20);
    EXPECT_EQ(face_code_of("Arial"), FACE_OWN);
    EXPECT_STREQ(face_name(21), "ＭＳ明朝");
    EXPECT_STREQ(face_name(55), "ＭＳ Ｐゴシック");

    EXPECT_EQ(align_of("左"), 21);
    EXPECT_EQ(align_of("左上"), 11);
    EXPECT_EQ(align_of("bottom_right"), 33);
    EXPECT_EQ(align_of("middle"), -1);
    EXPECT_EQ(gradient_dir_of("中央から"), 6);
    EXPECT_EQ(gradient_dir_of("diag_r_top"), 3);
    EXPECT_EQ(arrow_head_of("丸"), 4);
    EXPECT_EQ(arrow_head_of("star"), -1);
    EXPECT_EQ(arrow_size_of("huge"), 2);
    EXPECT_EQ(arrow_size_of("large"), 3);

    EXPECT_EQ(switch_of("true"), 1);
    EXPECT_EQ(switch_of("しない"), 0);
    EXPECT_EQ(switch_of("yes"), -1);
    EXPECT_EQ(paper_size_of("b4"), 14);
    EXPECT_EQ(paper_size_of("Letter"), 4);
    EXPECT_EQ(paper_orientation_of("横"), 1);
    EXPECT_EQ(paper_orientation_of("sideways"), 0);
    EXPECT_EQ(sheet_order_of("逆"), 1);
    EXPECT_EQ(sheet_order_of("up"), -1);

    int family = 0, number = 0;
    EXPECT_TRUE(table_style_of("Medium28", family, number));
    EXPECT_EQ(family, 2);
    EXPECT_EQ(number, 28);
    EXPECT_FALSE(table_style_of("Medium29", family, number));
    EXPECT_FALSE(table_style_of("Dark0", family, number));
}

} // namespace
