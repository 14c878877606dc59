// Writing cell names: "A1"-style names and column letters, and the size of
// the grid they address.
#include "model/cellname.h"

namespace vel {

int column_name(int col, char *out) {
    if (col < 0 || col >= GRID_COLS) {
        out[0] = '\0';
        return -1;
    }
    char tmp[4];
    int n = 0;
    for (int v = col + 1; v > 0; v = (v - 1) / 26) tmp[n++] = static_cast<char>('A' + (v - 1) % 26);
    for (int i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
    out[n] = '\0';
    return n;
}

namespace {
int write_row(int row, char *out) {
    char tmp[12];
    int n = 0;
    for (unsigned v = static_cast<unsigned>(row) + 1; v > 0; v /= 10) tmp[n++] = static_cast<char>('0' + v % 10);
    for (int i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
    out[n] = '\0';
    return n;
}
} // namespace

int cell_name(int row, int col, char *out) {
    if (row < 0 || row >= GRID_ROWS || col < 0 || col >= GRID_COLS) {
        out[0] = '\0';
        return -1;
    }
    int n = column_name(col, out);
    return n + write_row(row, out + n);
}

int cell_name_abs(int row, int col, char *out) {
    if (row < 0 || row >= GRID_ROWS || col < 0 || col >= GRID_COLS) {
        out[0] = '\0';
        return -1;
    }
    out[0] = '$';
    int n = 1 + column_name(col, out + 1);
    out[n++] = '$';
    return n + write_row(row, out + n);
}

} // namespace vel
