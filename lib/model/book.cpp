// Book state: resetting a book, recording its messages, converting texts
// between its character set and UTF-8.
#include "model/book.h"

#include <cstdarg>
#include <new>

#include "core/charset.h"
#include "core/status.h"
#include "model/styles.h"

namespace vel {

int Book::reset(bool xls_kind) {
    try {
        model = Model{};
        model.sheets.reserve(10);
        model.sheet_capacity = 10;
        init_styles(model, xls_kind);
    } catch (const std::bad_alloc &) {
        return rc::NO_MEMORY;
    }
    diag.line_count = 0;
    diag.pending = 0;
    book_path.clear();
    new_book = true;
    read_memory = write_memory = macro_book = load_mode = unload_mode = false;
    auto_width = backup = final_book = sheet_order_desc = false;
    recalc = true;
    max_rows = xls_kind ? 65536 : 1048576;
    max_columns = xls_kind ? 256 : 16384;
    store_limit1 = 32768;
    store_limit2 = 65534;
    book_kind = book_kind2 = xls_kind ? VXLS_KIND_XLS : VXLS_KIND_XLSX;
    company = "MyCompany";
    creator = "MyName";
    manager.clear();
    title.clear();
    subject.clear();
    write_password.clear();
    template_path.clear();
    temp_workbook_path.clear();
    current_sheet = last_row = last_column = 0;
    rownum = clmnum = 0;
    return rc::OK;
}

int vlt_error(Book *book, int rc, const char *tmpl, ...) {
    va_list ap;
    va_start(ap, tmpl);
    vlt_verror(book->diag, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

int vlt_error_keep(Book *book, int rc, const char *tmpl, ...) {
    va_list ap;
    va_start(ap, tmpl);
    vlt_verror_keep(book->diag, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

std::string to_utf8(const Book *book, std::string_view in) {
    std::string out;
    convert_charset(out, in, book ? book->charset : VXLS_CHARSET_SJIS, VXLS_CHARSET_UTF8);
    return out;
}

std::string from_utf8(const Book *book, std::string_view in) {
    std::string out;
    convert_charset(out, in, VXLS_CHARSET_UTF8, book ? book->charset : VXLS_CHARSET_SJIS);
    return out;
}

bool checked_utf8(const Book *book, std::string_view in, std::string &out) {
    return convert_charset(out, in, book->charset, VXLS_CHARSET_UTF8) == 0;
}

} // namespace vel
