// The style registry: cell formats, fonts, fills, borders and number formats
// of a book, with hash indexes so that every find is O(1) on average while
// returning the same entry a first-match linear search would.
#pragma once
#include "model/book.h"
#include "model/model.h"

namespace vel {

// Fills a fresh model with the entries every new book starts with
// (xls_kind: the fixed cell formats are not created).
void init_styles(Model &m, bool xls_kind);

// Style-changing operations on one cell. Each derives the cell's new cell
// format from its current one (or the book default) and finds or adds it.
// Results: 0, -2 out of memory, -9 a table limit (message recorded).
int vlt_set_align(Book *book, Cell &cell, int code);
int vlt_set_text_control(Book *book, Cell &cell, int bits);
int vlt_set_num_format(Book *book, Cell &cell, int index);      // 1-based table index
int vlt_set_font(Book *book, Cell &cell, int mask, const Font &font);
int vlt_set_fill(Book *book, Cell &cell, int mask, const Fill &fill);
int vlt_set_border(Book *book, Sheet &sheet, int r1, int c1, int r2, int c2, int mask,
                   const Border &border);

// Masks of vlt_set_font.
enum : int { FONT_FACE = 1, FONT_SIZE = 2, FONT_STYLE = 4, FONT_COLOR = 8 };
// Masks of vlt_set_fill.
enum : int {
    FILL_PATTERN = 2, FILL_COLOR = 4, FILL_PATTERN_COLOR = 8, FILL_GRAD_COLOR1 = 16,
    FILL_GRAD_COLOR2 = 32, FILL_GRAD_DIR = 64, FILL_GRAD_VARIANT = 128
};
// Masks of vlt_set_border.
enum : int {
    BORDER_LEFT = 1, BORDER_RIGHT = 2, BORDER_TOP = 4, BORDER_BOTTOM = 8, BORDER_COLOR = 16,
    BORDER_DIAG_UP = 32, BORDER_DIAG_DOWN = 64
};

// Registry primitives. Finds return the first equal entry (0-based; borders
// 1-based) or -1; adds append and return the new position, -2 out of memory,
// -9 at the table's limit (message recorded).
int vlt_find_xf(Book *book, const Xf &xf);
int vlt_add_xf(Book *book, const Xf &xf);
int vlt_find_font(Book *book, const Font &font);
int vlt_add_font(Book *book, const Font &font);
// Candidate of the colour index: the fill most recently added with that
// colour value, when it equals `fill`; else -1.
int vlt_find_fill_by_color(Book *book, const Fill &fill);
int vlt_find_fill(Book *book, const Fill &fill);
int vlt_add_fill(Book *book, const Fill &fill);
int vlt_find_border(Book *book, const Border &border);
int vlt_add_border(Book *book, const Border &border);   // 1-based result

// The fill a colour keyword resolves to: found through the colour index
// (colour value given) or the fill table (palette code), else added.
int vlt_fill_index(Book *book, const Fill &fill);

// Sets a cell's format to an existing 1-based cell-format index (the
// built-in hyperlink format, for instance).
inline void vlt_set_style(Cell &cell, int style) { cell.style = static_cast<uint16_t>(style); }

} // namespace vel
