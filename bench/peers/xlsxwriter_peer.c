/*
 * The frame workbook written with libxlsxwriter, the yardstick of the save
 * benchmark: the same sheets as bench_save (zoom 20, columns of width 2,
 * rows of height 15.75, one solid-filled blank cell per pixel, one format
 * per distinct colour), in normal or constant-memory mode.
 *
 * Usage: xlsxwriter_peer FRAMES_FILE OUT.xlsx [constant]
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xlsxwriter.h>

#include "../frames.h"

int main(int argc, char **argv) {
    static lxw_format *formats[32 * 32 * 32];
    static unsigned char frame[FRAME_BYTES];
    lxw_workbook_options options = {0};
    lxw_workbook *wb;
    FILE *in;
    int constant, sheets = 0;
    double t0, t1, t2;

    if (argc < 3) {
        fprintf(stderr, "usage: xlsxwriter_peer FRAMES_FILE OUT.xlsx [constant]\n");
        return 2;
    }
    constant = argc > 3 && strcmp(argv[3], "constant") == 0;
    in = fopen(argv[1], "rb");
    if (!in) return 1;
    options.constant_memory = constant ? LXW_TRUE : LXW_FALSE;
    wb = workbook_new_opt(argv[2], &options);
    if (!wb) return 1;

    t0 = bench_now();
    while (fread(frame, 1, sizeof frame, in) == sizeof frame) {
        lxw_worksheet *ws = workbook_add_worksheet(wb, NULL);
        int x, y;
        ++sheets;
        worksheet_set_zoom(ws, 20);
        worksheet_set_column(ws, 0, FRAME_W - 1, 2, NULL);
        for (y = 0; y < FRAME_H; ++y) {
            worksheet_set_row(ws, (lxw_row_t)y, 15.75, NULL);
            for (x = 0; x < FRAME_W; ++x) {
                const unsigned char *p = &frame[(y * FRAME_W + x) * 3];
                int key = ((p[0] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[2] >> 3);
                if (!formats[key]) {
                    formats[key] = workbook_add_format(wb);
                    format_set_pattern(formats[key], LXW_PATTERN_SOLID);
                    format_set_bg_color(formats[key], (lxw_color_t)((p[0] << 16) | (p[1] << 8) | p[2]));
                }
                worksheet_write_blank(ws, (lxw_row_t)y, (lxw_col_t)x, formats[key]);
            }
        }
    }
    fclose(in);
    t1 = bench_now();
    if (workbook_close(wb) != LXW_NO_ERROR) return 1;
    t2 = bench_now();
    printf("xlsxwriter-%s sheets=%d put_s=%.3f save_s=%.3f peak_kib=%ld size=%ld\n", constant ? "constant" : "normal",
           sheets, t1 - t0, t2 - t1, bench_peak_kib(), bench_file_size(argv[2]));
    return 0;
}
