// Style registry: the font limit, entries appended by readers, and random changes checked cell by cell.
#include <random>
#include <vector>

#include "model_fixture.h"

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

using StylesTest = ModelBook;

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

TEST_F(StylesTest, EntriesAppendedByOtherCodeAreFoundFirst) {
    // A reader appends directly; the indexes catch up and keep the first match.
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

// Each change shows in its cell and keeps the cell's other attributes; equal entries are never stored twice.
TEST_F(StylesTest, RandomChangesKeepAttributesAndShareEntries) {
    constexpr int kCells = 24;
    struct Want {
        uint32_t rgb = 0;
        int size = 11, align = 0;
    } want[kCells];
    for (int c = 0; c < kCells; ++c) ensure_cell(sheet(), 0, c);
    std::mt19937 rng(12345);
    const uint8_t shades[] = {0, 8, 248};
    for (int step = 0; step < 6000; ++step) {
        const int c = static_cast<int>(rng() % kCells);
        Cell &cl = cell(0, c);
        switch (rng() % 3) {
        case 0: {
            const uint8_t r = shades[rng() % 3], g = shades[rng() % 3];
            ASSERT_EQ(vlt_set_fill(&book_of(&book), cl, FILL_COLOR, solid(r, g, 1)), 0);
            want[c].rgb = r << 16 | g << 8 | 1;
            break;
        }
        case 1: {
            Font f;
            f.size = static_cast<uint16_t>(10 + rng() % 3);
            ASSERT_EQ(vlt_set_font(&book_of(&book), cl, FONT_SIZE, f), 0);
            want[c].size = f.size;
            break;
        }
        default:
            want[c].align = rng() % 2 ? 11 : 33;
            ASSERT_EQ(vlt_set_align(&book_of(&book), cl, want[c].align), 0);
        }
        const Xf &x = m().xfs.at(cl.style - 1);
        const Fill &f = m().fills.at(x.fill);
        ASSERT_EQ(want[c].rgb ? f.rgb[0] << 16 | f.rgb[1] << 8 | f.rgb[2] : 0u, want[c].rgb) << "step " << step;
        ASSERT_EQ(m().fonts.at(x.font).size, want[c].size) << "step " << step;
        if (want[c].align) {
            ASSERT_EQ(x.align, want[c].align) << "step " << step;
        }
    }
    auto distinct = [](const auto &v) {
        for (size_t i = 0; i < v.size(); ++i)
            for (size_t k = i + 1; k < v.size(); ++k)
                if (v[i] == v[k]) return false;
        return true;
    };
    EXPECT_TRUE(distinct(m().xfs));
    EXPECT_TRUE(distinct(m().fills));
    EXPECT_TRUE(distinct(m().fonts));
}

} // namespace
} // namespace vtest
