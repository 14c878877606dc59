// Style registry: starting entries, de-duplication, limits and a
// differential check of the hash finds against plain first-match searches.
#include <map>
#include <random>
#include <vector>

#include "engine_fixture.h"
#include "model/numfmt.h"

namespace vtest {
namespace {

using namespace vel;

Fill solid(uint8_t r, uint8_t g, uint8_t b) {
    Fill f;
    f.pattern = 1;
    f.color = -1;
    f.rgb[0] = r, f.rgb[1] = g, f.rgb[2] = b;
    return f;
}

using StylesTest = EngineTest;

TEST_F(StylesTest, NewBookStartsWithTheFixedEntries) {
    ASSERT_EQ(m().fonts.size(), 3u);
    EXPECT_EQ(m().fonts[1].size, 9);
    EXPECT_EQ(m().fonts[2].style, 10);
    ASSERT_EQ(m().fills.size(), 2u);
    EXPECT_EQ(m().fills[1].pattern, 5);
    ASSERT_EQ(m().numfmts.size(), 1u);
    EXPECT_EQ(m().numfmts[0].key, 302);
    ASSERT_EQ(m().xfs.size(), 7u);
    const int ids[6] = {14, 22, 20, 46, 5, 9};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m().xfs[i].numfmt, ids[i]);
        EXPECT_EQ(m().xfs[i].align, 33);
    }
    EXPECT_EQ(m().xfs[6].font, 2);
    EXPECT_EQ(m().xfs[6].cell_style, 1);
    EXPECT_EQ(m().xf_date, 1);
    EXPECT_EQ(m().xf_hyperlink, 7);

    Model xls;
    init_styles(xls, true);
    EXPECT_TRUE(xls.xfs.empty());
    EXPECT_EQ(xls.xf_hyperlink, 0);
    EXPECT_EQ(xls.fonts.size(), 3u);
}

TEST_F(StylesTest, OneColourOnManyCellsMakesOneFillAndOneFormat) {
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 100; ++c)
            ASSERT_EQ(vlt_set_fill(&book_of(&book), *ensure_cell(sheet(), r, c), FILL_COLOR, solid(255, 0, 0)), 0);
    ASSERT_EQ(m().fills.size(), 3u);
    EXPECT_EQ(m().fills[2], solid(255, 0, 0));
    ASSERT_EQ(m().xfs.size(), 8u);
    EXPECT_EQ(cell(0, 0).style, 8);
    EXPECT_EQ(cell(99, 99).style, 8);
    EXPECT_EQ(m().xfs[7].fill, 2);
    EXPECT_EQ(m().xfs[7].align, 31);
}

TEST_F(StylesTest, RecolouringKeepsOldEntriesAndWhiteIsFoundAgain) {
    Cell &a = *ensure_cell(sheet(), 0, 0);
    Cell &b = *ensure_cell(sheet(), 0, 1);
    ASSERT_EQ(vlt_set_fill(&book_of(&book), a, FILL_COLOR, solid(255, 0, 0)), 0);
    ASSERT_EQ(vlt_set_fill(&book_of(&book), a, FILL_COLOR, solid(0, 255, 0)), 0);
    EXPECT_EQ(m().fills.size(), 4u);
    EXPECT_EQ(m().xfs.size(), 9u);
    EXPECT_EQ(a.style, 9);
    EXPECT_EQ(m().xfs[7].fill, 2); // the first format is untouched

    ASSERT_EQ(vlt_set_fill(&book_of(&book), a, FILL_COLOR, solid(255, 255, 255)), 0);
    ASSERT_EQ(vlt_set_fill(&book_of(&book), b, FILL_COLOR, solid(255, 255, 255)), 0);
    EXPECT_EQ(m().fills.size(), 5u);
    EXPECT_EQ(a.style, b.style);
}

TEST_F(StylesTest, FillKeepsBoldFontAndFontColourValueReplacesCodeAndValue) {
    Cell &a = *ensure_cell(sheet(), 0, 0);
    Font bold;
    bold.style = 2;
    ASSERT_EQ(vlt_set_font(&book_of(&book), a, FONT_STYLE, bold), 0);
    ASSERT_EQ(vlt_set_fill(&book_of(&book), a, FILL_COLOR, solid(1, 2, 3)), 0);
    EXPECT_EQ(m().fonts[m().xfs[a.style - 1].font].style, 2);
    EXPECT_EQ(m().fills[m().xfs[a.style - 1].fill], solid(1, 2, 3));

    Font red;
    red.color = 11;
    ASSERT_EQ(vlt_set_font(&book_of(&book), a, FONT_COLOR, red), 0);
    Font value;
    value.color = -1;
    value.rgb[0] = 0x12, value.rgb[1] = 0x34, value.rgb[2] = 0x56;
    ASSERT_EQ(vlt_set_font(&book_of(&book), a, FONT_COLOR, value), 0);
    const Font &f = m().fonts[m().xfs[a.style - 1].font];
    EXPECT_EQ(f.color, -1);
    EXPECT_EQ(f.rgb[1], 0x34);
    EXPECT_EQ(f.style, 2);
    EXPECT_EQ(m().fills[m().xfs[a.style - 1].fill], solid(1, 2, 3));
}

TEST_F(StylesTest, CellFormatLimitRefusesAndLeavesTheCellAlone) {
    // 7 fixed formats + 63,993 colours fill the table to 64,000.
    Cell &a = *ensure_cell(sheet(), 0, 0);
    for (int i = 0; i < MAX_XF - 7; ++i) {
        Cell tmp;
        ASSERT_EQ(vlt_set_fill(&book_of(&book), tmp, FILL_COLOR, solid(i >> 16, (i >> 8) & 255, i & 255)), 0);
    }
    ASSERT_EQ(m().xfs.size(), static_cast<size_t>(MAX_XF));
    ASSERT_EQ(vlt_set_fill(&book_of(&book), a, FILL_COLOR, solid(0, 0, 1)), 0); // existing combination
    uint16_t before = a.style;
    EXPECT_EQ(vlt_set_fill(&book_of(&book), a, FILL_COLOR, solid(200, 200, 200)), -9);
    EXPECT_EQ(a.style, before);
    EXPECT_NE(error().find("vlt_set_xf() MAX_XF"), std::string::npos) << error();
    EXPECT_EQ(m().xfs.size(), static_cast<size_t>(MAX_XF));

    // Through the engine the message names the fill limit.
    EXPECT_EQ(apply(341, 0, 0, "c8c8c8"), -9);
    EXPECT_EQ(error(), "VXLS-03008 (\"Fill Style\")の数が制限(\"64000\")を超えました。");
    EXPECT_EQ(a.style, before);
    EXPECT_EQ(put("A1.FILL.COLOR=c8c8c9"), -909);
}

TEST_F(StylesTest, FontLimitRefusesThe513thFont) {
    Cell &a = *ensure_cell(sheet(), 0, 0);
    Font f;
    for (int size = 100; m().fonts.size() < static_cast<size_t>(MAX_FONT); ++size) {
        f.size = static_cast<uint16_t>(size);
        ASSERT_EQ(vlt_set_font(&book_of(&book), a, FONT_SIZE, f), 0);
    }
    uint16_t before = a.style;
    f.size = 2000;
    EXPECT_EQ(vlt_set_font(&book_of(&book), a, FONT_SIZE, f), -9);
    EXPECT_NE(error().find("vlt_set_font() MAX_FONT"), std::string::npos) << error();
    EXPECT_EQ(a.style, before);
    EXPECT_EQ(apply(332, 0, 0, "ITALIC"), -9);
    EXPECT_EQ(error(), "VXLS-03008 (\"Font Style\")の数が制限(\"512\")を超えました。");
}

TEST_F(StylesTest, NumberFormatRegistrationFindsByKeyAndStopsAt500) {
    EXPECT_EQ(vlt_register_format(&book_of(&book), 302, 0), 1);
    EXPECT_EQ(vlt_register_format(&book_of(&book), 401, 0), 2);
    EXPECT_EQ(vlt_register_format(&book_of(&book), 401, 0), 2);
    for (int k = 1000; m().numfmts.size() < 500; ++k) ASSERT_GT(vlt_register_format(&book_of(&book), k, 0), 0);
    EXPECT_EQ(vlt_register_format(&book_of(&book), 9999, 0), -9);
    EXPECT_EQ(vlt_register_format(&book_of(&book), 401, 0), 2);
}

TEST_F(StylesTest, EntriesAppendedByOtherCodeAreFoundFirst) {
    // A reader appends directly; the indexes catch up and keep first matches.
    Fill f = solid(9, 9, 9);
    f.pattern = 3;
    m().fills.push_back(f);
    m().fills.push_back(f);
    EXPECT_EQ(vlt_find_fill(&book_of(&book), f), 2);
    Xf x;
    x.align = 22;
    m().xfs.push_back(x);
    m().xfs.push_back(x);
    EXPECT_EQ(vlt_find_xf(&book_of(&book), x), 7);
}

// ---- differential check against plain linear searches ----------------------

struct Reference {
    std::vector<Xf> xfs;
    std::vector<Font> fonts;
    std::vector<Fill> fills;
    std::vector<Border> borders;
    std::map<uint32_t, int> recent; // colour value -> last fill added with it

    template <class T>
    static int first(const std::vector<T> &v, const T &e) {
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] == e) return static_cast<int>(i);
        return -1;
    }
    static uint32_t key(const uint8_t *rgb) { return rgb[0] << 16 | rgb[1] << 8 | rgb[2]; }

    int derive(uint16_t &style, Xf x) {
        int i = first(xfs, x);
        if (i < 0) {
            xfs.push_back(x);
            i = static_cast<int>(xfs.size()) - 1;
        }
        style = static_cast<uint16_t>(i + 1);
        return 0;
    }
    Xf current(uint16_t style) const { return style ? xfs[style - 1] : Xf{}; }

    void set_fill(uint16_t &style, int mask, const Fill &given) {
        Fill f = given;
        if (style) {
            f = fills[current(style).fill];
            if (mask & FILL_PATTERN) f.pattern = given.pattern;
            if (mask & FILL_COLOR) {
                f.color = given.color;
                std::memcpy(f.rgb, given.rgb, 3);
                if (f.pattern == 0) f.pattern = 1;
            }
            if (mask & FILL_PATTERN_COLOR) f.pattern_color = given.pattern_color;
        }
        int idx = -1;
        if (f.color == -1) {
            auto it = recent.find(key(f.rgb));
            if (it != recent.end() && fills[it->second] == f) idx = it->second;
        } else {
            idx = first(fills, f);
        }
        if (idx < 0) {
            fills.push_back(f);
            idx = static_cast<int>(fills.size()) - 1;
            recent[key(f.rgb)] = idx;
        }
        Xf x = current(style);
        x.fill = idx;
        derive(style, x);
    }
    void set_font(uint16_t &style, int mask, const Font &given) {
        Font f = given;
        if (style) {
            f = fonts[current(style).font];
            if (mask & FONT_SIZE) f.size = given.size;
            if (mask & FONT_STYLE) f.style = given.style;
        }
        int idx = first(fonts, f);
        if (idx < 0) {
            fonts.push_back(f);
            idx = static_cast<int>(fonts.size()) - 1;
        }
        Xf x = current(style);
        x.font = idx;
        derive(style, x);
    }
    void set_border(uint16_t &style, int mask, const Border &given) {
        Xf x = current(style);
        Border b = given;
        if (x.border) {
            b = borders[x.border - 1];
            for (int s = 0; s < 4; ++s)
                if (mask & (1 << s)) b.line[s] = given.line[s];
        }
        int idx = first(borders, b);
        if (idx < 0) {
            borders.push_back(b);
            idx = static_cast<int>(borders.size()) - 1;
        }
        x.border = idx + 1;
        derive(style, x);
    }
};

TEST_F(StylesTest, HashFindsMatchLinearFirstMatchOnRandomOperations) {
    Reference ref{m().xfs, m().fonts, m().fills, m().borders, {}};
    constexpr int kCells = 24;
    std::vector<uint16_t> ref_style(kCells, 0);
    for (int c = 0; c < kCells; ++c) ensure_cell(sheet(), 0, c);
    std::mt19937 rng(12345);
    const uint8_t shades[] = {0, 8, 248};
    for (int step = 0; step < 6000; ++step) {
        int c = static_cast<int>(rng() % kCells);
        Cell &cl = cell(0, c);
        switch (rng() % 4) {
        case 0: { // fill colour: a value (few distinct) or a palette code
            Fill f;
            f.pattern = 1;
            if (rng() % 4) {
                f = solid(shades[rng() % 3], shades[rng() % 3], 0);
            } else {
                f.color = static_cast<int32_t>(rng() % 3);
            }
            int mask = rng() % 5 == 0 ? FILL_PATTERN : FILL_COLOR;
            if (mask == FILL_PATTERN) f.pattern = static_cast<int32_t>(rng() % 3);
            ASSERT_EQ(vlt_set_fill(&book_of(&book), cl, mask, f), 0);
            ref.set_fill(ref_style[c], mask, f);
            break;
        }
        case 1: {
            Font f;
            int mask = rng() % 2 ? FONT_SIZE : FONT_STYLE;
            f.size = static_cast<uint16_t>(10 + rng() % 3);
            f.style = static_cast<uint8_t>(rng() % 3);
            ASSERT_EQ(vlt_set_font(&book_of(&book), cl, mask, f), 0);
            ref.set_font(ref_style[c], mask, f);
            break;
        }
        case 2: {
            Border b;
            int mask = 1 << (rng() % 4);
            for (auto &l : b.line) l = 0;
            b.line[rng() % 4] = static_cast<uint8_t>(1 + rng() % 2);
            ASSERT_EQ(vlt_set_border(&book_of(&book), sheet(), 0, c, 0, c, mask, b), 0);
            ref.set_border(ref_style[c], mask, b);
            break;
        }
        default: {
            int code = (rng() % 2 ? 11 : 33);
            ASSERT_EQ(vlt_set_align(&book_of(&book), cl, code), 0);
            Xf x = ref.current(ref_style[c]);
            x.align = static_cast<uint8_t>(code);
            ref.derive(ref_style[c], x);
            break;
        }
        }
        ASSERT_EQ(cl.style, ref_style[c]) << "step " << step;
    }
    EXPECT_EQ(m().xfs, ref.xfs);
    EXPECT_EQ(m().fills, ref.fills);
    EXPECT_EQ(m().fonts, ref.fonts);
    EXPECT_EQ(m().borders, ref.borders);
}

} // namespace
} // namespace vtest
