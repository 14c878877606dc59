// Row and cell storage of a sheet: growth rules and access.
#pragma once
#include <string_view>

#include "model/book.h"
#include "model/model.h"

namespace vel {

constexpr int ROW_CAPACITY_LIMIT = 1048577;
constexpr int CELL_CAPACITY_LIMIT = 16385;

// Makes row `r` exist (rows grow 101 at first, then by doubling) and raises
// the sheet's used-row count. Returns the row, or null when out of memory.
Row *ensure_row(Sheet &sheet, int r);

// Makes cell (r, c) exist (cells of a row grow 10 at first, then by
// doubling), raising the used counts. Returns the cell, or null.
Cell *ensure_cell(Sheet &sheet, int r, int c);

// The cell at (r, c) when it exists, else null. Never grows anything.
inline Cell *find_cell(Sheet &sheet, int r, int c) {
    if (r < 0 || c < 0 || r >= static_cast<int>(sheet.rows.size())) return nullptr;
    Row &row = sheet.rows[r];
    if (c >= static_cast<int>(row.cells.size())) return nullptr;
    return &row.cells[c];
}

// The texts record of a cell, created on first use.
CellText &cell_texts(Sheet &sheet, Cell &cell);

// Appends a text to the book's shared-string table (equal texts are never
// merged) and returns its entry number, or -2 when out of memory.
int vlt_add_sst(Book *book, std::string_view text_utf8);

// Stores a value whose kind is already known (readers, emptying a cell):
// kind -1 empties the cell (its style stays), kinds 0..51 set kind, number
// slot, value text and formula text as given. -1 for another kind, -2 when
// out of memory. No typing, no default styles.
int vlt_store_value(Book *book, Sheet &sheet, Cell &cell, int kind, int32_t num,
                    std::string_view value_utf8, std::string_view formula_utf8 = {});

// Stores a value text into one cell of a sheet (sheet -1: the current
// sheet), as a cell item of property text does: the text is in the caller's
// character set, with quotes, "$" expansion and typing still to apply.
// Returns 0 or a negative code with the message recorded.
int vlt_put_cell_at(Book *book, int sheet, int row, int col, const char *value, size_t len);

// Puts an already UTF-8 value text into a cell with full typing, as a cell
// item does, but without character conversion, variable expansion or quote
// removal (data-source loads). Same results as vlt_put_cell_at.
int vlt_put_cell_utf8(Book *book, int sheet, int row, int col, std::string_view value_utf8);

// Column width v stored as v + 0.625 for columns c1..c2 (raises the used
// column count, sets the widths switch); row height in points stored as
// v * 100 truncated. 0, or -2 when out of memory.
int vlt_set_column_width(Sheet &sheet, int c1, int c2, double v);
int vlt_set_row_height(Sheet &sheet, int row, double points);

} // namespace vel
