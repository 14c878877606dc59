// Internals shared by the property engine's source files: keyword kinds,
// the resolved target of one item and the helpers every keyword family uses.
#pragma once
#include <algorithm>
#include <string>
#include <string_view>

#include "io/picture.h"
#include "model/book.h"
#include "property/engine.h"
#include "model/model.h"
#include "model/vocab.h"
#include "property/kinds.h"

namespace vel {

// Last kind of each family whose options the engine handles as a range of kinds.
namespace kind_last {
constexpr int CHART_OPTION = kind::CHART_NAME;
constexpr int AUTOSHAPE_OPTION = kind::AUTOSHAPE_SHADOW_ALIGN;
constexpr int HEADER_FOOTER = kind::FOOTER_CENTER + kind::HF_FONT_COLOR;
} // namespace kind_last

// A rectangle of the grid, 0-based, normalised (r1 <= r2, c1 <= c2).
struct Rect {
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    bool single() const { return r1 == r2 && c1 == c2; }
};

// One item being applied.
struct Item {
    Book *book;
    int kind;
    const PropTarget &target;
    std::string_view raw;    // value as sent (caller's set, quotes removed)
    std::string_view value;  // value in UTF-8
    int sheet_index;         // resolved sheet (may not exist)
    Sheet *sheet;            // null when the book has no such sheet
    bool range;              // the key named a rectangle
    bool has_row, has_col;   // the key named a row / a column (or a cell)
    int nrects;
    Rect rect(int i) const;  // i-th rectangle of the target
};

// Value helpers.
bool read_double(std::string_view text, double &out);    // whole text a number
bool read_int(std::string_view text, long &out);         // whole text an integer
long leading_int(std::string_view text);                 // decimal integer at the start, else 0

// Messages common to several families.
int refuse_range(const Item &it, const char *keyword);   // 02100
int need_range(const Item &it, const char *keyword);     // 02101
int bad_number(const Item &it);                          // 02302 with the value
int bad_keyword(const Item &it);                         // 02200 with the value
int no_sheet(const Item &it);
// Style registry result inside a keyword loop: -9 -> 03008 (label, limit).
int registry_failure(const Item &it, int rc, const char *label, int limit);

// Makes the rows (and, with `cells`, every cell) of the target exist.
// 0, or -2 / -1 with the message recorded.
int ensure_target(const Item &it, bool cells);

// Calls fn(row, col, cell) for every existing cell of the target, rows
// first to last, columns first to last; stops at the first negative result.
template <class Fn>
int for_each_cell(const Item &it, Fn fn) {
    Sheet &sh = *it.sheet;
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        for (int row = std::max(r.r1, 0); row <= r.r2 && row < static_cast<int>(sh.rows.size()); ++row) {
            Row &rw = sh.rows[row];
            for (int c = std::max(r.c1, 0); c <= r.c2 && c < static_cast<int>(rw.cells.size()); ++c) {
                int rc = fn(row, c, rw.cells[c]);
                if (rc < 0) return rc;
            }
        }
    }
    return 0;
}

// Families (engine_cells.cpp, engine_sheet.cpp, engine_drawing.cpp).
int apply_cell_keyword(const Item &it);
int apply_book_sheet_keyword(const Item &it);
int apply_drawing_keyword(const Item &it);

// Kind code of a file (vel_file_type), -1 when unknown, -101 unreadable.
int file_kind(const std::string &path_utf8);
// Checks a picture path for a keyword (its kind within first..last) and
// reads its size from its header: 0, or the message and its code.
int load_picture_path(const Item &it, int first_kind, int last_kind, std::string &path_out, PictureInfo &info);

} // namespace vel
