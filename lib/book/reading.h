// Reading an open book: one cell, a run of cells, and the search by shown
// text. Texts come back in the book's character set, formatted for display.
#pragma once
#include <cstdint>
#include <string>

#include "model/book.h"

namespace vel {

// One search in progress: what the caller's search record holds (texts in
// the caller's character set).
struct SearchState {
    int32_t match = 0;         // 1: ignore case; other: exact bytes
    int32_t remaining = 0;     // 0 on the first call
    std::string sheet_name;    // empty: every sheet
    std::string range;         // empty: whole grid
    int32_t direction = 0;     // 0: read right; non-zero: read down
    int32_t count = 0;         // values to read
    int32_t found_sheet = 0;   // outputs, 0-based
    int32_t found_row = 0;
    int32_t found_column = 0;
};

// The shown text of a cell of the current sheet into `value` (value_size
// bytes) and its kind name into `kind`. rc::NO_CELL_SHEET, NO_CELL_ROW or
// NO_CELL when the sheet, row or cell does not exist; rc::OVERFLOW when the
// text does not fit.
int vlt_get_cell(Book *book, const char *cell, char *value, int value_size, char *kind, int kind_size);
// `count` shown texts from (row, column) of a sheet, reading right
// (direction 0) or down, into the caller's buffers; past the used area the
// texts are empty.
int vlt_get_cells(Book *book, int direction, int sheet, int row, int column, int count, char **values);
// Finds the first cell whose shown text equals `text` and reads the cells
// from it on; a merged cell found continues over its span on later calls.
// rc::NO_SHEET when nothing matches.
int vlt_search(Book *book, SearchState *search, const char *text, char **values);

} // namespace vel
