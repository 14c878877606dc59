// Cell, range, row and column names: grammar, arithmetic and sheet prefixes.
// Rows and columns are 0-based here; names are 1-based.
#pragma once
#include <string_view>

#include "velmora.h"
#include "model/engine.h"

namespace vel {

constexpr int GRID_ROWS = 1048576;
constexpr int GRID_COLS = 16384;

// Writes the name of cell (row, col), e.g. "A1"; returns its length, or -1
// when outside the grid. `out` needs 16 bytes.
int cell_name(int row, int col, char *out);
// Absolute form "$A$1".
int cell_name_abs(int row, int col, char *out);

// Reads a cell name (UTF-8, no sheet prefix): 0 with row/col set, or -1.
int read_cell_name(XLS_BOOK *book, std::string_view text, int &row, int &col);

// Reads a range (optional sheet prefix) into the target: 0, -1 or -3.
int read_range(XLS_BOOK *book, std::string_view text, PropTarget &target);

// Index of the sheet named by a "Name!" prefix of `text`, or -1; `rest`
// receives the text after the "!" when the prefix names a sheet.
int find_sheet_prefix(XLS_BOOK *book, std::string_view text, std::string_view &rest);

} // namespace vel
