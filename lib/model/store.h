// Row and cell storage of a sheet: growth rules and access.
#pragma once
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

} // namespace vel
