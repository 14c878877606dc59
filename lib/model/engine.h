// The seam between the property-text item loop and the book model: a parsed
// key becomes a kind and a target; cell-address items go to the cell store,
// keyword items to the property engine. Both take the value token as the
// caller sent it (caller's character set, quotes not yet removed), so the
// item loop allocates nothing per item.
#pragma once
#include <cstddef>
#include <cstdint>

#include "velmora.h"

namespace vel {

constexpr int MAX_TARGET_RANGES = 255;

// Target of a parsed property key. Rows and columns 0-based, -1 when unset.
struct PropTarget {
    int32_t sheet = -1;        // -1: the current sheet
    int32_t row = -1;
    int32_t col = -1;
    int32_t extra1 = 0;        // not set by the parser
    int32_t extra2 = 0;
    int32_t nranges = 0;       // 0: not a range
    int32_t ranges[MAX_TARGET_RANGES][4]; // r1, c1, r2, c2 (0-based)
};

// Stores a value text into one cell of a sheet (sheet -1: the current sheet).
// Returns 0 or a negative status with the message recorded.
int vlt_put_cell_at(XLS_BOOK *book, int sheet, int row, int col, const char *value, size_t len);

// Applies one property kind to a target with a value text.
int vlt_apply_property(XLS_BOOK *book, int kind, const PropTarget &target, const char *value,
                       size_t len);

} // namespace vel
