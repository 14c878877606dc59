// The target of a property item: a sheet and a cell, a row, a column or a
// list of ranges. Rows and columns 0-based, -1 when unset.
#pragma once
#include <cstdint>

namespace vel {

constexpr int MAX_TARGET_RANGES = 255;

struct PropTarget {
    int32_t sheet = -1;        // -1: the current sheet
    int32_t row = -1;
    int32_t col = -1;
    int32_t extra1 = 0;        // not set by the parser
    int32_t extra2 = 0;
    int32_t nranges = 0;       // 0: not a range
    int32_t ranges[MAX_TARGET_RANGES][4]; // r1, c1, r2, c2 (0-based)
};

} // namespace vel
