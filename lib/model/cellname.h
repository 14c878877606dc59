// Writing cell names ("A1", "$A$1", column letters) and the size of the
// grid they address. Rows and columns are 0-based here; names are 1-based.
#pragma once

namespace vel {

constexpr int GRID_ROWS = 1048576;
constexpr int GRID_COLS = 16384;

// Writes the name of cell (row, col), e.g. "A1"; returns its length, or -1
// (and an empty name) when outside the grid. `out` needs 16 bytes.
int cell_name(int row, int col, char *out);
// Absolute form "$A$1".
int cell_name_abs(int row, int col, char *out);
// Column letters of a 0-based column ("A", "XFD"); length, or -1.
int column_name(int col, char *out);

} // namespace vel
