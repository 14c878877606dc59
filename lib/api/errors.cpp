// Recording messages into error_info.
#include <cstdio>
#include <cstring>

#include "api/book.h"

namespace vel {

namespace {

int record(XLS_BOOK *book, int rc, const char *tmpl, va_list ap) {
    char utf8[XLS_ERROR_LEN];
    if (std::strchr(tmpl, '%')) std::vsnprintf(utf8, sizeof utf8, tmpl, ap);
    else std::snprintf(utf8, sizeof utf8, "%s", tmpl);
    std::string text = from_utf8(book, utf8);
    size_t n = text.size() < XLS_ERROR_LEN - 1 ? text.size() : XLS_ERROR_LEN - 1;
    std::memcpy(book->error_info, text.data(), n);
    book->error_info[n] = '\0';
    return rc;
}

} // namespace

int vlt_error(XLS_BOOK *book, int rc, const char *tmpl, ...) {
    va_list ap;
    va_start(ap, tmpl);
    record(book, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

int vlt_error_keep(XLS_BOOK *book, int rc, const char *tmpl, ...) {
    if (book->error_info[0] != '\0') return rc;
    va_list ap;
    va_start(ap, tmpl);
    record(book, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

} // namespace vel
