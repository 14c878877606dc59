// Cell keywords: fonts, fills, borders, alignment, merges, hyperlinks, comments, filter.
#include "model_fixture.h"

using namespace vtest;

using CellKeywords = ModelBook;

TEST_F(CellKeywords, FontKeywordsAndTheirRefusals) {
    ASSERT_EQ(put("A1.フォント.名=明朝 A1.FONT.SIZE=14.7 A1.FONT.STYLE=bold A1.FONT.COLOR=#102030"), 0)
        << error();
    EXPECT_EQ(describe(font_of(0, 0)), "20 14 2 -1 102030 ");
    // A cell without format starts from the default font.
    ASSERT_EQ(put("B1.FONT.NAME=Arial"), 0) << error();
    EXPECT_EQ(describe(font_of(0, 1)), "255 11 0 0 000000 Arial");

    uint16_t before = cell(0, 0).style;
    EXPECT_EQ(put("A1.FONT.STYLE=heavy"), -1);
    EXPECT_EQ(error(), "VXLS-02403 フォント(FONT)の指定内容が不正です(\"heavy\")。");
    EXPECT_EQ(put("A1.FONT.NAME=" + std::string(81, 'x')), -1);
    EXPECT_EQ(put("A1.FONT.COLOR=NONE"), -1);
    EXPECT_EQ(error(), "VXLS-02401 色(COLOR)の指定内容が不正です(\"NONE\")。");
    EXPECT_EQ(cell(0, 0).style, before);
}

TEST_F(CellKeywords, PatternsAndGradients) {
    ASSERT_EQ(put("A1.FILL.PATTERN=darkGrid A1.FILL.PATTERN.COLOR=BLUE"), 0) << error();
    EXPECT_EQ(describe(fill_of(0, 0)), "11 15 0 000000 / 0 0 0 000000");
    ASSERT_EQ(put("A1.FILL.PATTERN=plaid A1.FILL.PATTERN.COLOR=#123456"), 0) << error();
    EXPECT_EQ(describe(fill_of(0, 0)), "0 0 0 000000 / 0 0 0 000000");

    // Two gradients differing only in their second colour value stay apart.
    for (int row : {1, 2}) {
        ASSERT_EQ(apply(351, row, 0, "RED"), 0) << error();
        ASSERT_EQ(apply(352, row, 0, row == 1 ? "00ff00" : "0000ff"), 0) << error();
        ASSERT_EQ(apply(353, row, 0, "角から"), 0) << error();
        ASSERT_EQ(apply(354, row, 0, "2"), 0) << error();
    }
    EXPECT_EQ(describe(fill_of(1, 0)), "100 0 11 000000 / 5 2 -1 00ff00");
    EXPECT_EQ(describe(fill_of(2, 0)), "100 0 11 000000 / 5 2 -1 0000ff");

    EXPECT_EQ(apply(351, 1, 0, "NONE"), -1);
    EXPECT_EQ(error(), "VXLS-02409 グラデーション(GRADATION)の指定内容が不正です(\"NONE\")。");
    EXPECT_EQ(apply(354, 1, 0, "9"), -1);
}

TEST_F(CellKeywords, BordersOnRectanglesAndSides) {
    ASSERT_EQ(put("A1:B2.罫線=thin"), 0) << error();
    EXPECT_EQ(describe(m().borders.at(xf_of(1, 1).border - 1)), "1 1 1 1 0 0 0 000000");
    EXPECT_EQ(m().borders.size(), 1u);

    ASSERT_EQ(put("A1.BORDER.TOP=二重線 A1.BORDER.COLOR=RED A1.BORDER.DIAGONAL_UP=hair"), 0) << error();
    EXPECT_EQ(describe(m().borders.at(xf_of(0, 0).border - 1)), "1 1 6 1 2 0 11 000000");
    // BORDER.<side>.COLOR arrives with the side's kind and a colour value.
    ASSERT_EQ(apply(313, 1, 1, "#0000ff"), 0) << error();
    EXPECT_EQ(m().borders.at(xf_of(1, 1).border - 1).color, -1);

    EXPECT_EQ(put("A1.BORDER=wavy"), -1);
    EXPECT_EQ(error(), "VXLS-02408 罫線(BORDER)の指定内容が不正です(\"wavy\")。");
    EXPECT_EQ(put("A1.BORDER.COLOR=dark"), -1);
}

TEST_F(CellKeywords, AlignmentAndTextControl) {
    ASSERT_EQ(put("A1.配置=左 A1.WRAP=TRUE A1.SHRINK=する"), 0) << error();
    EXPECT_EQ(xf_of(0, 0).align, 21);
    EXPECT_EQ(xf_of(0, 0).text_ctl, 4); // the last switch replaces the byte
    ASSERT_EQ(put("A1.WRAP=FALSE"), 0) << error();
    EXPECT_EQ(xf_of(0, 0).text_ctl, 4);
    ASSERT_EQ(put("A1.縦書き=TRUE"), 0) << error();
    EXPECT_EQ(xf_of(0, 0).text_ctl, 1);
    EXPECT_EQ(put("A1.ALIGN=MIDDLE"), -1);
    EXPECT_EQ(error(), "VXLS-02405 配置(ALIGN)の指定内容が不正です(\"MIDDLE\")。");
    EXPECT_EQ(put("A1.WRAP=yes"), -1);
}

TEST_F(CellKeywords, MergesNeedRectanglesAndMustNotOverlap) {
    EXPECT_EQ(put("A1.MERGE=TRUE"), -1);
    EXPECT_EQ(error(), "VXLS-02101 セル範囲指定(RANGE)が必要です(\"MERGE\")。");
    ASSERT_EQ(put("A1:B2.結合=する"), 0) << error();
    ASSERT_EQ(sheet().merges.size(), 1u);
    EXPECT_EQ(sheet().merges[0].r2, 1);
    EXPECT_EQ(put("A1:B2.MERGE=TRUE"), -1);
    EXPECT_EQ(error(), "VXLS-02410 結合(MERGE)は既に結合したセルに対して定義できません。");
    EXPECT_EQ(put("B2:C3.MERGE=TRUE"), -1);
    ASSERT_EQ(put("C1:D1.MERGE=TRUE C3:C4.MERGE=FALSE"), 0) << error();
    EXPECT_EQ(sheet().merges.size(), 2u);
}

TEST_F(CellKeywords, HyperlinksCommentsAndFilter) {
    ASSERT_EQ(put("B2.HYPERLINK=user@example.com C2.HYPERLINK=\"http://a@b.example/x\""), 0) << error();
    ASSERT_EQ(sheet().links.size(), 2u);
    EXPECT_EQ(sheet().links[0].target, "mailto:user@example.com");
    EXPECT_EQ(sheet().links[1].target, "http://a@b.example/x");
    EXPECT_EQ(cell(1, 1).style, m().xf_hyperlink);
    EXPECT_EQ(put("B2:C3.HYPERLINK=http://x"), -1);
    EXPECT_EQ(error(), "VXLS-02100 セル範囲指定(RANGE)は使用できません(\"ハイパーリンク(HYPERLINK)\")。");

    ASSERT_EQ(put("A1:B1.コメント=\"確認 済み\""), 0) << error();
    ASSERT_EQ(sheet().comments.size(), 2u);
    EXPECT_EQ(sheet().comments[1].col, 1);
    EXPECT_EQ(sheet().comments[1].text, "確認 済み");

    EXPECT_EQ(put("A1.FILTER=TRUE"), -1);
    ASSERT_EQ(put("A1:D9.フィルター=TRUE"), 0) << error();
    EXPECT_EQ(sheet().filter.c2, 3);
    EXPECT_EQ(sheet().filter.r2, 8);
}
