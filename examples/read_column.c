/*
 * read_column.c - prints one column of a workbook's first sheet, one
 * shown value a line.
 *
 *   cc read_column.c $(pkg-config --cflags --libs velmora) -o read_column
 *   ./read_column BOOK.xlsx [COLUMN]        (COLUMN: a letter, A by default)
 *
 * Works on .xlsx, .xlsm and .xls. Values are shown as the library formats
 * them (numbers and dates with their formats); an empty cell prints an
 * empty line.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <velmora.h>

int main(int argc, char **argv)
{
    const char *column = argc > 2 ? argv[2] : "A";
    char options[600], cell[32], kind[64];
    static char value[131072];   /* room for the longest cell text */
    XLS_BOOK book;
    int rows, row, rc;

    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: read_column BOOK [COLUMN]\n");
        return 2;
    }
    if (strlen(argv[1]) > 500 || strchr(argv[1], '"') || strlen(column) > 3) {
        fprintf(stderr, "read_column: unusable book name or column\n");
        return 2;
    }
    memset(&book, 0, sizeof book);
    snprintf(options, sizeof options, "MODE=READ CHARSET=UTF8 BOOK=\"%s\"", argv[1]);
    if (VXLS_open_book(&book, options) != VXLS_OK) {
        fprintf(stderr, "read_column: %s\n", VXLS_error_mesg(&book));
        return 1;
    }
    VXLS_open_sheet2(&book, 0);
    rows = VXLS_row_num(&book);
    for (row = 1; row <= rows; ++row) {
        snprintf(cell, sizeof cell, "%s%d", column, row);
        rc = VXLS_get_cell(&book, cell, value, sizeof value, kind, sizeof kind);
        if (rc == VXLS_ERR_NO_CELL || rc == VXLS_ERR_NO_CELL_ROW) {
            value[0] = '\0';   /* nothing stored there */
        } else if (rc != VXLS_OK) {
            fprintf(stderr, "read_column: %s: %s\n", cell, VXLS_error_mesg(&book));
            VXLS_free_book(&book);
            return 1;
        }
        printf("%s\n", value);
    }
    VXLS_free_book(&book);
    return 0;
}
