// The caller's handle and the book behind it: the live-handle registry, the
// copies of the handle's members into the book and back around each call,
// the messages written into error_info, and the one guard every exported
// function runs its body in.
#pragma once
#include <cstdint>
#include <new>

#include "core/messages.h"
#include "core/status.h"
#include "model/book.h"
#include "velmora.h"

namespace vel::api {

// The private environment behind XLS_BOOK::env.
struct Env {
    Book book;
};

// The environment of a handle when the handle is open, else null. A handle
// that was closed, or never opened (whatever its env member holds), is not
// open: its env is looked up in the registry before it is touched.
Env *live(const XLS_BOOK *handle);
// Registers a fresh environment and sets it into the handle.
Env *attach(XLS_BOOK *handle);
// Unregisters and frees the handle's environment; the handle is closed.
void detach(XLS_BOOK *handle);

// The handle's members that a caller may change, copied into the book, and
// the book's state copied back into the handle.
void copy_in(const XLS_BOOK *handle, Book &book);
void copy_out(const Book &book, XLS_BOOK *handle);

// Writes the call's message into error_info in the book's character set.
// A call that failed without a message of its own gets one naming the
// function, so that error_info always describes the last failure.
void publish(XLS_BOOK *handle, const Book &book, int result, const char *function);

// The answer of every call that needs an open book, given a closed one:
// VXLS_ERR_ARGUMENT, with a message.
int closed_book(XLS_BOOK *handle, const char *function);

// The character set of the last book opened (VXLS_help and the messages of
// closed handles use it).
int last_charset();
void set_last_charset(int charset);
// The book the calling thread used last, when it is still open (VXLS_swap_book).
Book *thread_book();
void set_thread_book(Env *env);
// The zip target switch of vel_zip_on_memory, per calling thread.
bool thread_zip_to_memory();
void set_thread_zip_to_memory(bool on);

// Runs `body(Book &)` for an exported call on an open book: no exception
// crosses it, the handle's members are copied in and out, the result is the
// interface's number and the message is published.
template <class F>
int with_book(XLS_BOOK *handle, const char *function, F &&body) noexcept {
    if (!handle) return VXLS_ERR_ARGUMENT;
    Env *env = live(handle);
    if (!env) return closed_book(handle, function);
    Book &book = env->book;
    int result;
    try {
        copy_in(handle, book);
        book.diag.begin_call();
        set_thread_book(env);
        result = body(book);
    } catch (const std::bad_alloc &) {
        result = vlt_error(&book, rc::NO_MEMORY, msg::E00002);
    } catch (...) {
        result = vlt_error(&book, rc::GENERAL, msg::E03600, function);
    }
    result = rc::to_api(result);
    copy_out(book, handle);
    publish(handle, book, result, function);
    return result;
}

} // namespace vel::api
