// Exported sheet calls.
#include <cstring>
#include <string>

#include "api/handle.h"
#include "book/sheets.h"

using namespace vel;
using namespace vel::api;

extern "C" {

int VXLS_open_sheet(XLS_BOOK *book, const char *options) {
    return with_book(book, "VXLS_open_sheet", [&](Book &b) {
        if (!options) return vlt_error(&b, rc::BAD_ARGUMENT, msg::E03600, "VXLS_open_sheet() options");
        return vlt_open_sheet(b, options);
    });
}

int VXLS_open_sheet2(XLS_BOOK *book, int index) {
    return with_book(book, "VXLS_open_sheet2", [&](Book &b) { return vlt_select_sheet(b, index); });
}

int VXLS_sheet_num(XLS_BOOK *book) {
    return with_book(book, "VXLS_sheet_num", [](Book &b) { return static_cast<int>(b.model.sheets.size()); });
}

int VXLS_sheet_name(XLS_BOOK *book, int index, char *name) {
    if (name) name[0] = '\0';
    return with_book(book, "VXLS_sheet_name", [&](Book &b) {
        if (!name) return vlt_error(&b, rc::BAD_ARGUMENT, msg::E03600, "VXLS_sheet_name() name");
        std::string text;
        if (int rc = vlt_sheet_name(b, index, text); rc != 0) return rc;
        std::memcpy(name, text.data(), text.size());
        name[text.size()] = '\0';
        return 0;
    });
}

int VXLS_row_num(XLS_BOOK *book) {
    return with_book(book, "VXLS_row_num", [](Book &b) { return vlt_row_count(b); });
}

int VXLS_column_num(XLS_BOOK *book, int row) {
    return with_book(book, "VXLS_column_num", [&](Book &b) { return vlt_column_count(b, row); });
}

} // extern "C"
