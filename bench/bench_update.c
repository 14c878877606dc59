/*
 * Opens a workbook in update mode, changes one cell and saves it, through
 * the public calls. The workbook is copied first to OUT, which is updated in
 * place. Prints the seconds of the open and of the save and the peak
 * resident memory of the process.
 *   usage: bench_update FILE OUT
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "process.h"
#include "velmora.h"

static int copy_file(const char *from, const char *to) {
    FILE *in = fopen(from, "rb"), *out = in ? fopen(to, "wb") : NULL;
    char buf[1 << 16];
    size_t n;
    int ok = in && out;
    while (ok && (n = fread(buf, 1, sizeof buf, in)) > 0) ok = fwrite(buf, 1, n, out) == n;
    if (in) fclose(in);
    if (out && fclose(out) != 0) ok = 0;
    return ok ? 0 : -1;
}

int main(int argc, char **argv) {
    static XLS_BOOK book;
    static char options[4200];
    if (argc != 3) {
        fprintf(stderr, "usage: bench_update FILE OUT\n");
        return 2;
    }
    if (copy_file(argv[1], argv[2]) != 0) {
        fprintf(stderr, "bench_update: cannot copy %s to %s\n", argv[1], argv[2]);
        return 1;
    }
    snprintf(options, sizeof options, "CHARSET=UTF8 MODE=UPDATE BOOK=\"%s\"", argv[2]);
    double t0 = bench_now();
    if (VXLS_open_book(&book, options) != 0 || VXLS_open_sheet2(&book, 0) != 0 ||
        VXLS_put_values(&book, "B2=12345") != 0) {
        fprintf(stderr, "bench_update: %s\n", book.error_info);
        return 1;
    }
    double opened = bench_now();
    if (VXLS_close_book(&book, "SAVE") != 0) {
        fprintf(stderr, "bench_update: %s\n", book.error_info);
        return 1;
    }
    double saved = bench_now();
    printf("open %.3f s, save %.3f s, peak %.1f MiB\n", opened - t0, saved - opened, bench_peak_kib() / 1024.0);
    return 0;
}
