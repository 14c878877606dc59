/* A C99 program that uses the library through its public header only. */
#include <stdio.h>
#include <string.h>

#include "velmora.h"

int main(void) {
    XLS_BOOK book;
    char text[64];
    memset(&book, 0, sizeof book);
    if (VXLS_version(&book, text) != 0 || strcmp(text, VXLS_VERSION_TEXT) != 0) {
        fprintf(stderr, "version: %s\n", text);
        return 1;
    }
    if (VXLS_cell_name(1, 28, text) != 0 || strcmp(text, "AB1") != 0) {
        fprintf(stderr, "cell name: %s\n", text);
        return 1;
    }
    if (VXLS_open_book(&book, "CHARSET=UTF8") != 0) {
        fprintf(stderr, "open: %s\n", VXLS_error_mesg(&book));
        return 1;
    }
    VXLS_free_book(&book);
    return 0;
}
