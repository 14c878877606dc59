// Exported calls that put values and check names.
#include <cstring>
#include <string_view>

#include "api/handle.h"
#include "book/values.h"
#include "import/datasource.h"
#include "model/cellname.h"
#include "property/put_values.h"

using namespace vel;
using namespace vel::api;

extern "C" {

int VXLS_put_values(XLS_BOOK *book, const char *text) {
    return with_book(book, "VXLS_put_values", [&](Book &b) {
        return text ? vlt_put_values(&b, text) : 0;
    });
}

int VXLS_put_cell(XLS_BOOK *book, const char *cell, const char *value, int) {
    return with_book(book, "VXLS_put_cell", [&](Book &b) { return vlt_put_cell_named(&b, cell, value); });
}

int VXLS_put_variable(XLS_BOOK *book, const char *name, const char *value) {
    return with_book(book, "VXLS_put_variable", [&](Book &b) { return vlt_put_variable(&b, name, value); });
}

int VXLS_is_property(XLS_BOOK *book, const char *key, int *kind) {
    if (kind) *kind = -1;
    return with_book(book, "VXLS_is_property", [&](Book &b) { return vlt_is_property(&b, key, kind); });
}

int VXLS_put_image_memory(XLS_BOOK *book, const char *cell, int image_kind, const void *image, long length,
                          int width, int height, int place1, int place2, int place3, const char *link) {
    const int place[3] = {place1, place2, place3};
    return with_book(book, "VXLS_put_image_memory", [&](Book &b) {
        return vlt_put_image_memory(&b, cell, image_kind, image, length, width, height, place, link);
    });
}

int VXLS_read_file(XLS_BOOK *book, const char *options) {
    return with_book(book, "VXLS_read_file", [&](Book &b) {
        if (!options) return vlt_error(&b, rc::BAD_ARGUMENT, msg::E03600, "VXLS_read_file() options");
        return vlt_read_property_file(&b, options);
    });
}

int VXLS_is_cell(XLS_BOOK *book, const char *text, int *row, int *column) {
    // The book is optional: without one, names read without variables.
    if (!book) {
        try {
            return rc::to_api(vlt_is_cell(nullptr, text, row, column));
        } catch (...) {
            return VXLS_ERR_MEMORY;
        }
    }
    return with_book(book, "VXLS_is_cell", [&](Book &b) { return vlt_is_cell(&b, text, row, column); });
}

int VXLS_is_range(XLS_BOOK *book, const char *text, int *row1, int *column1, int *row2, int *column2) {
    if (!book) {
        try {
            return rc::to_api(vlt_is_range(nullptr, text, row1, column1, row2, column2));
        } catch (...) {
            return VXLS_ERR_MEMORY;
        }
    }
    return with_book(book, "VXLS_is_range",
                     [&](Book &b) { return vlt_is_range(&b, text, row1, column1, row2, column2); });
}

int VXLS_cell_name(int row, int column, char *name) {
    if (!name) return VXLS_ERR_ARGUMENT;
    name[0] = '\0';
    if (row < 1 || row > GRID_ROWS || column < 1 || column > GRID_COLS) return VXLS_ERR_ARGUMENT;
    cell_name(row - 1, column - 1, name);
    return VXLS_OK;
}

int VXLS_cell_range(int row1, int column1, int row2, int column2, char *name) {
    if (!name) return VXLS_ERR_ARGUMENT;
    name[0] = '\0';
    if (row1 < 1 || row1 > GRID_ROWS || column1 < 1 || column1 > GRID_COLS || row2 < 1 || row2 > GRID_ROWS ||
        column2 < 1 || column2 > GRID_COLS)
        return VXLS_ERR_ARGUMENT;
    int n = cell_name(row1 - 1, column1 - 1, name);
    name[n++] = ':';
    cell_name(row2 - 1, column2 - 1, name + n);
    return VXLS_OK;
}

} // extern "C"
