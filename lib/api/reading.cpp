// Exported reading calls and hyperlinks.
#include <cstring>

#include "api/handle.h"
#include "book/hyperlinks.h"
#include "book/reading.h"

using namespace vel;
using namespace vel::api;

namespace {

template <size_t N>
std::string field_text(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

} // namespace

extern "C" {

int VXLS_get_cell(XLS_BOOK *book, const char *cell, char *value, int value_size, char *kind, int kind_size) {
    return with_book(book, "VXLS_get_cell",
                     [&](Book &b) { return vlt_get_cell(&b, cell, value, value_size, kind, kind_size); });
}

int VXLS_get_cells(XLS_BOOK *book, int direction, int sheet, int row, int column, int count, char **values) {
    return with_book(book, "VXLS_get_cells",
                     [&](Book &b) { return vlt_get_cells(&b, direction, sheet, row, column, count, values); });
}

int VXLS_search(XLS_BOOK *book, XLS_SEARCH *search, const char *text, char **values) {
    return with_book(book, "VXLS_search", [&](Book &b) {
        if (!search) return vlt_error(&b, rc::BAD_ARGUMENT, msg::E03600, "VXLS_search() search");
        SearchState s;
        s.match = search->match;
        s.remaining = search->remaining;
        s.sheet_name = field_text(search->sheet_name);
        s.range = field_text(search->range);
        s.direction = search->direction;
        s.count = search->count;
        s.found_sheet = search->found_sheet;
        s.found_row = search->found_row;
        s.found_column = search->found_column;
        int result = vlt_search(&b, &s, text, values);
        search->remaining = s.remaining;
        search->found_sheet = s.found_sheet;
        search->found_row = s.found_row;
        search->found_column = s.found_column;
        return result;
    });
}

int VXLS_sheet_hyperlink(XLS_BOOK *book, const char *cell, const char *sheet, const char *target) {
    return with_book(book, "VXLS_sheet_hyperlink",
                     [&](Book &b) { return vlt_sheet_hyperlink(&b, cell, sheet, target); });
}

int VXLS_external_hyperlink(XLS_BOOK *book, const char *cell, const char *address) {
    return with_book(book, "VXLS_external_hyperlink",
                     [&](Book &b) { return vlt_external_hyperlink(&b, cell, address); });
}

} // extern "C"
