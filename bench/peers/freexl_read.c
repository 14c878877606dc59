/* Peer: every value of an .xls through libfreexl (Debian's libfreexl-dev). */
#include <freexl.h>
#include <stdio.h>
#include <time.h>

int main(int argc, char **argv) {
    const void *handle;
    unsigned int sheets, rows;
    unsigned short columns;
    long cells = 0;
    struct timespec a, b;
    clock_gettime(CLOCK_MONOTONIC, &a);
    if (argc != 2 || freexl_open(argv[1], &handle) != FREEXL_OK) return 1;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
    for (unsigned short s = 0; s < sheets; ++s) {
        if (freexl_select_active_worksheet(handle, s) != FREEXL_OK) continue;
        freexl_worksheet_dimensions(handle, &rows, &columns);
        for (unsigned int r = 0; r < rows; ++r)
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) == FREEXL_OK && v.type != FREEXL_CELL_NULL) ++cells;
            }
    }
    freexl_close(handle);
    clock_gettime(CLOCK_MONOTONIC, &b);
    printf("freexl cells %ld  total %.3f s\n", cells, (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9);
    return 0;
}
