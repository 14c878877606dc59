/*
 * Reads every cell of a workbook through the public reading calls:
 * VXLS_open_book in MODE=READ, then VXLS_get_cells row by row on every
 * sheet. Prints the cells read, the seconds, cells per second and the peak
 * resident memory of the process.
 *   usage: bench_read FILE
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "process.h"
#include "velmora.h"

#define MAX_COLUMNS 256
#define VALUE_SIZE 32768 * 4

int main(int argc, char **argv) {
    static XLS_BOOK book;
    static char options[4200];
    char *values[MAX_COLUMNS];
    long cells = 0, chars = 0;
    int sheet, sheets;
    double t0;
    if (argc != 2) {
        fprintf(stderr, "usage: bench_read FILE\n");
        return 2;
    }
    for (int i = 0; i < MAX_COLUMNS; ++i) values[i] = malloc(VALUE_SIZE);
    snprintf(options, sizeof options, "CHARSET=UTF8 MODE=READ BOOK=\"%s\"", argv[1]);
    t0 = bench_now();
    if (VXLS_open_book(&book, options) != 0) {
        fprintf(stderr, "bench_read: %s\n", book.error_info);
        return 1;
    }
    double opened = bench_now();
    sheets = VXLS_sheet_num(&book);
    for (sheet = 0; sheet < sheets; ++sheet) {
        VXLS_open_sheet2(&book, sheet);
        int rows = VXLS_row_num(&book);
        for (int r = 0; r < rows; ++r) {
            int n = VXLS_column_num(&book, r);
            if (n > MAX_COLUMNS) n = MAX_COLUMNS;
            if (n <= 0) continue;
            VXLS_get_cells(&book, 0, sheet, r, 0, n, values);
            for (int i = 0; i < n; ++i)
                if (values[i][0]) {
                    ++cells;
                    chars += (long)strlen(values[i]);
                }
        }
    }
    double done = bench_now();
    VXLS_free_book(&book);
    printf("cells %ld  open %.3f s  read %.3f s  total %.3f s  %.2f M cells/s  peak %ld KiB  (%ld bytes of text)\n",
           cells, opened - t0, done - opened, done - t0, cells / (done - t0) / 1e6, bench_peak_kib(), chars);
    return 0;
}
