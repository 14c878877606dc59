/*
 * fill_template.c - fills a copy of a template workbook and saves it under
 * a new name; the template itself is left as it is.
 *
 *   cc fill_template.c $(pkg-config --cflags --libs velmora) -o fill_template
 *   ./fill_template TEMPLATE.xlsx OUT.xlsx [CELL=VALUE ...]
 *
 * The template's sheets, styles and formulas are kept. Each CELL=VALUE
 * (for instance B3="Example Trading Co.") is stored into the first sheet;
 * without any, B2 gets today's date. Cells holding a formula in the
 * template cannot be overwritten.
 */
#include <stdio.h>
#include <string.h>

#include <velmora.h>

int main(int argc, char **argv)
{
    char options[1100];
    XLS_BOOK book;
    int i;

    if (argc < 3) {
        fprintf(stderr, "usage: fill_template TEMPLATE OUT [CELL=VALUE ...]\n");
        return 2;
    }
    if (strlen(argv[1]) > 500 || strlen(argv[2]) > 500 || strchr(argv[1], '"') || strchr(argv[2], '"')) {
        fprintf(stderr, "fill_template: unusable file name\n");
        return 2;
    }
    memset(&book, 0, sizeof book);
    snprintf(options, sizeof options, "CHARSET=UTF8 TEMPLATE=\"%s\" BOOK=\"%s\"", argv[1], argv[2]);
    if (VXLS_open_book(&book, options) != VXLS_OK) {
        fprintf(stderr, "fill_template: %s\n", VXLS_error_mesg(&book));
        return 1;
    }
    if (VXLS_open_sheet2(&book, 0) != VXLS_OK) {
        fprintf(stderr, "fill_template: %s\n", VXLS_error_mesg(&book));
        VXLS_free_book(&book);
        return 1;
    }
    for (i = argc > 3 ? 3 : 2; i < argc; ++i) {
        const char *item = i > 2 ? argv[i] : "B2=$SYSDATE";
        if (VXLS_put_values(&book, item) != VXLS_OK) {
            fprintf(stderr, "fill_template: %s: %s\n", item, VXLS_error_mesg(&book));
            VXLS_free_book(&book);
            return 1;
        }
    }
    if (VXLS_close_book(&book, "SAVE") != VXLS_OK) {
        fprintf(stderr, "fill_template: cannot save %s: %s\n", argv[2], VXLS_error_mesg(&book));
        VXLS_free_book(&book);
        return 1;
    }
    printf("fill_template: wrote %s\n", argv[2]);
    return 0;
}
