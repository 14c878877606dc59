/* A C99 program that uses the library through its public header only. */
#include <stdio.h>
#include <string.h>

#include "velmora.h"

static int fail(const char *what, XLS_BOOK *book) {
    fprintf(stderr, "%s: %s\n", what, book ? VXLS_error_mesg(book) : "");
    return 1;
}

int main(void) {
    XLS_BOOK book;
    char text[128];
    char options[128];
    static unsigned char package[1 << 20];
    long size = sizeof package;

    memset(&book, 0, sizeof book);
    if (VXLS_version(NULL, text) != 0 || strcmp(text, VXLS_VERSION_TEXT) != 0) return fail("version", NULL);
    if (VXLS_cell_name(1, 28, text) != 0 || strcmp(text, "AB1") != 0) return fail("cell name", NULL);

    /* The structure as C sees it must be the one the library was built with. */
    sprintf(options, "CHARSET=UTF8 VERSION=%s XLS_BOOK=%d", VXLS_VERSION_TEXT, (int)sizeof(XLS_BOOK));
    if (VXLS_open_book(&book, options) != 0) return fail("open", &book);
    if (VXLS_open_sheet(&book, "SHEET_NAME=\"first sheet\"") != 0) return fail("open sheet", &book);
    if (VXLS_open_sheet(&book, "") != 0) return fail("open sheet 2", &book);
    if (VXLS_sheet_num(&book) != 2 || book.sheet_num != 2) return fail("sheet num", &book);
    if (VXLS_sheet_name(&book, 0, text) != 0 || strcmp(text, "first sheet") != 0) return fail("sheet name", &book);
    if (VXLS_sheet_name(&book, 1, text) != 0 || strcmp(text, "Sheet2") != 0) return fail("sheet name 2", &book);
    if (VXLS_open_sheet2(&book, 5) != VXLS_ERR_NO_SHEET) return fail("open sheet2", &book);

    if (VXLS_close_memory_book(&book, NULL, package, &size) != 0) return fail("close memory book", &book);
    if (size < 4 || package[0] != 'P' || package[1] != 'K' || book.env != NULL) return fail("package", NULL);

    if (VXLS_open_book(&book, "XLS_BOOK=1") != VXLS_ERR_GENERAL) return fail("size check", &book);
    if (strncmp(VXLS_error_mesg(&book), "VXLS-00902", 10) != 0) return fail("size message", &book);
    VXLS_free_book(&book);
    return 0;
}
