// The style registry: cell formats, fonts, fills, borders and number formats
// of a book, with hash indexes so that every find is O(1) on average while
// returning the same entry a first-match linear search would.
#pragma once
#include "api/book.h"
#include "model/model.h"

namespace vel {

// Fills a fresh model with the entries every new book starts with
// (xls_kind: the fixed cell formats are not created).
void init_styles(Model &m, bool xls_kind);

// Style-changing operations on one cell. Each derives the cell's new cell
// format from its current one (or the book default) and finds or adds it.
// Results: 0, -2 out of memory, -9 a table limit (message recorded).
int vlt_set_align(XLS_BOOK *book, Cell &cell, int code);
int vlt_set_text_control(XLS_BOOK *book, Cell &cell, int bits);
int vlt_set_num_format(XLS_BOOK *book, Cell &cell, int index);      // 1-based table index
int vlt_set_font(XLS_BOOK *book, Cell &cell, int mask, const Font &font);
int vlt_set_fill(XLS_BOOK *book, Cell &cell, int mask, const Fill &fill);
int vlt_set_border(XLS_BOOK *book, Sheet &sheet, int r1, int c1, int r2, int c2, int mask,
                   const Border &border);
// Number-format table: 1-based index of the entry with that key, added when
// missing; -9 when the table is full.
int vlt_register_num_format(XLS_BOOK *book, int key);

} // namespace vel
