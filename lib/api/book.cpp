// Exported book lifecycle: open, close, free, memory books, swap, version.
#include <cstring>
#include <new>

#include "api/handle.h"
#include "book/lifecycle.h"
#include "io/mfile.h"

using namespace vel;
using namespace vel::api;

namespace {

// Opens a fresh book behind the handle with `body`; a failed open leaves the
// handle closed with the message in error_info. A handle that is open is
// refused and left as it is.
template <class F>
int open_with(XLS_BOOK *handle, const char *function, F &&body) noexcept {
    if (!handle) return VXLS_ERR_ARGUMENT;
    if (Env *open = live(handle)) {
        open->book.diag.begin_call();
        char detail[96];
        std::snprintf(detail, sizeof detail, "%s() book already open", function);
        vlt_error(&open->book, rc::BAD_ARGUMENT, msg::E03600, detail);
        publish(handle, open->book, VXLS_ERR_ARGUMENT, function);
        return VXLS_ERR_ARGUMENT;
    }
    handle->error_info[0] = '\0';
    Env *env = nullptr;
    try {
        env = attach(handle);
    } catch (const std::bad_alloc &) {
        handle->env = nullptr;
        std::snprintf(handle->error_info, sizeof handle->error_info, "%s", msg::E00002);
        return VXLS_ERR_MEMORY;
    }
    Book &book = env->book;
    int result;
    try {
        result = body(book);
    } catch (const std::bad_alloc &) {
        result = vlt_error(&book, rc::NO_MEMORY, msg::E00002);
    } catch (...) {
        result = vlt_error(&book, rc::GENERAL, msg::E03600, function);
    }
    result = rc::to_api(result);
    if (result == 0) {
        copy_out(book, handle);
        set_last_charset(book.charset);
        set_thread_book(env);
    }
    publish(handle, book, result, function);
    if (result != 0) detach(handle);
    return result;
}

// Runs a closing body on an open book; when it succeeds the book is freed,
// when it fails the book stays open for a retry.
template <class F>
int close_with(XLS_BOOK *handle, const char *function, F &&body) noexcept {
    if (!handle) return VXLS_ERR_ARGUMENT;
    if (!live(handle)) return closed_book(handle, function);
    int result = with_book(handle, function, body);
    if (result == 0) detach(handle);
    return result;
}

} // namespace

extern "C" {

int VXLS_open_book(XLS_BOOK *book, const char *options) {
    return open_with(book, "VXLS_open_book",
                     [&](Book &b) { return vlt_open_book(b, options ? options : "", sizeof(XLS_BOOK)); });
}

int VXLS_open_memory_book(XLS_BOOK *book, const char *, const void *image, long length) {
    return open_with(book, "VXLS_open_memory_book",
                     [&](Book &b) { return vlt_open_memory_book(b, image, length, sizeof(XLS_BOOK)); });
}

int VXLS_close_book(XLS_BOOK *book, const char *options) {
    return close_with(book, "VXLS_close_book", [&](Book &b) {
        if (options && close_asks_save(b, options)) return vlt_save_book(b, thread_zip_to_memory());
        return 0;
    });
}

int VXLS_close_memory_book(XLS_BOOK *book, const char *, void *buffer, long *size) {
    return close_with(book, "VXLS_close_memory_book", [&](Book &b) { return vlt_save_to_buffer(b, buffer, size); });
}

int VXLS_free_book(XLS_BOOK *book) {
    detach(book);
    return VXLS_OK;
}

int VXLS_swap_book(int direction) {
    if (Book *book = thread_book()) mcopy(book->files, direction == 0 ? 0 : 1);
    return VXLS_OK;
}

int VXLS_version(XLS_BOOK *, char *text) {
    if (text) std::memcpy(text, VXLS_VERSION_TEXT, sizeof VXLS_VERSION_TEXT);
    return VXLS_OK;
}

} // extern "C"
