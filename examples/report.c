/*
 * report.c - writes a small styled sales report.
 *
 *   cc report.c $(pkg-config --cflags --libs velmora) -o report
 *   ./report [OUT.xlsx]
 *
 * One book, one sheet, values and styles given as property text: a bold
 * white title on a dark fill, a header row with a border, numbers with a
 * thousands separator, formulas (a value beginning with "=", quoted), a
 * total and column widths.
 */
#include <stdio.h>
#include <string.h>

#include <velmora.h>

static int put(XLS_BOOK *book, const char *text)
{
    int rc = VXLS_put_values(book, text);
    if (rc != VXLS_OK)
        fprintf(stderr, "report: %s: %s\n", text, VXLS_error_mesg(book));
    return rc;
}

int main(int argc, char **argv)
{
    const char *out = argc > 1 ? argv[1] : "report.xlsx";
    static const char *const lines[] = {
        "A1=\"Quarterly sales\" A1.FONT.STYLE=BOLD A1.FONT.SIZE=14 A1.FONT.COLOR=WHITE A1.FILL.COLOR=1f4e79",
        "A1:D1.MERGE=TRUE",
        "A3=Region B3=Q1 C3=Q2 D3=Total",
        "A3:D3.FONT.STYLE=BOLD A3:D3.BORDER.BOTTOM=THIN A3:D3.FILL.COLOR=ddebf7",
        "A4=North B4=1200 C4=1350 D4=\"=B4+C4\"",
        "A5=South B5=980 C5=1105 D5=\"=B5+C5\"",
        "A6=East B6=1530 C6=1490 D6=\"=B6+C6\"",
        "A7=Total B7=\"=SUM(B4:B6)\" C7=\"=SUM(C4:C6)\" D7=\"=SUM(D4:D6)\" A7:D7.FONT.STYLE=BOLD",
        "B4:D7.FORMAT=カンマ",   /* thousands separator */
        "A.WIDTH=14 B.WIDTH=10 C.WIDTH=10 D.WIDTH=12",
    };
    char options[600];
    XLS_BOOK book;
    size_t i;

    if (strlen(out) > 500 || strchr(out, '"')) {
        fprintf(stderr, "report: unusable output name\n");
        return 2;
    }
    memset(&book, 0, sizeof book);
    snprintf(options, sizeof options, "CHARSET=UTF8 BOOK=\"%s\"", out);
    if (VXLS_open_book(&book, options) != VXLS_OK) {
        fprintf(stderr, "report: %s\n", VXLS_error_mesg(&book));
        return 1;
    }
    if (VXLS_open_sheet(&book, "SHEET_NAME=Sales") != VXLS_OK) {
        fprintf(stderr, "report: %s\n", VXLS_error_mesg(&book));
        VXLS_free_book(&book);
        return 1;
    }
    for (i = 0; i < sizeof lines / sizeof lines[0]; ++i) {
        if (put(&book, lines[i]) != VXLS_OK) {
            VXLS_free_book(&book);
            return 1;
        }
    }
    if (VXLS_close_book(&book, "SAVE") != VXLS_OK) {
        fprintf(stderr, "report: cannot save %s: %s\n", out, VXLS_error_mesg(&book));
        VXLS_free_book(&book);
        return 1;
    }
    printf("report: wrote %s\n", out);
    return 0;
}
