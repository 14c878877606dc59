// Live handles, the copies between a handle and its book, and messages.
#include "api/handle.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_set>

#include "core/charset.h"

namespace vel::api {

namespace {

// Every environment the library has handed out and not yet freed. A handle
// is trusted only when its env member is one of them.
struct Registry {
    std::shared_mutex lock;
    std::unordered_set<const Env *> envs;
};

Registry &registry() {
    static Registry r;
    return r;
}

std::atomic<int> g_last_charset{VXLS_CHARSET_SJIS};
thread_local Env *t_book = nullptr;
thread_local bool t_zip_to_memory = false;

// A text member of the handle into the book's string, when it changed.
template <size_t N>
void text_in(const char (&field)[N], std::string &s) {
    size_t n = strnlen(field, N);
    if (s.size() != n || std::memcmp(s.data(), field, n) != 0) s.assign(field, n);
}

// The book's string into a text member, cut at a whole UTF-8 character.
template <size_t N>
void text_out(const std::string &s, char (&field)[N]) {
    std::string_view v = utf8_cut(s, N - 1);
    std::memcpy(field, v.data(), v.size());
    field[v.size()] = '\0';
}

inline bool flag_in(unsigned char f) { return f == VXLS_ON; }
inline unsigned char flag_out(bool on) { return on ? VXLS_ON : VXLS_OFF; }

// The message in the caller's character set, cut at a whole character;
// allocates nothing, so that it gets through when memory is exhausted.
void write_error_info(XLS_BOOK *handle, std::string_view utf8, int charset) {
    convert_into(handle->error_info, sizeof handle->error_info, utf8, VXLS_CHARSET_UTF8, charset);
}

} // namespace

Env *live(const XLS_BOOK *handle) {
    if (!handle || !handle->env) return nullptr;
    const Env *env = static_cast<const Env *>(handle->env);
    Registry &r = registry();
    std::shared_lock<std::shared_mutex> guard(r.lock);
    return r.envs.count(env) ? const_cast<Env *>(env) : nullptr;
}

Env *attach(XLS_BOOK *handle) {
    auto env = std::make_unique<Env>();
    Registry &r = registry();
    {
        std::unique_lock<std::shared_mutex> guard(r.lock);
        r.envs.insert(env.get());
    }
    handle->reserved = nullptr;
    handle->env = env.get();
    return env.release();
}

void detach(XLS_BOOK *handle) {
    Env *env = live(handle);
    if (!env) return;
    {
        Registry &r = registry();
        std::unique_lock<std::shared_mutex> guard(r.lock);
        r.envs.erase(env);
    }
    if (t_book == env) t_book = nullptr;
    std::unique_ptr<Env> owner(env);
    handle->env = nullptr;
    handle->model = nullptr;
    handle->sheets = nullptr;
    handle->sheet_num = 0;
    handle->sheet_max = 0;
}

void copy_in(const XLS_BOOK *h, Book &b) {
    text_in(h->book_path, b.book_path);
    b.new_book = flag_in(h->new_book);
    b.read_memory = flag_in(h->read_memory);
    b.write_memory = flag_in(h->write_memory);
    b.macro_book = flag_in(h->macro_book);
    b.load_mode = flag_in(h->load_mode);
    b.unload_mode = flag_in(h->unload_mode);
    b.auto_width = flag_in(h->auto_width);
    b.recalc = flag_in(h->recalc);
    b.backup = flag_in(h->backup);
    b.final_book = flag_in(h->final_book);
    b.sheet_order_desc = flag_in(h->sheet_order_desc);
    b.max_rows = h->max_rows;
    b.max_columns = h->max_columns;
    b.store_limit1 = h->store_limit1;
    b.store_limit2 = h->store_limit2;
    b.book_kind = h->book_kind;
    b.book_kind2 = h->book_kind2;
    text_in(h->company, b.company);
    text_in(h->creator, b.creator);
    text_in(h->manager, b.manager);
    text_in(h->title, b.title);
    text_in(h->subject, b.subject);
    text_in(h->write_password, b.write_password);
    text_in(h->template_path, b.template_path);
    text_in(h->temp_workbook_path, b.temp_workbook_path);
    b.current_sheet = h->current_sheet;
    b.last_row = h->last_row;
    b.last_column = h->last_column;
}

void copy_out(const Book &b, XLS_BOOK *h) {
    text_out(b.book_path, h->book_path);
    h->new_book = flag_out(b.new_book);
    h->read_memory = flag_out(b.read_memory);
    h->write_memory = flag_out(b.write_memory);
    h->macro_book = flag_out(b.macro_book);
    h->load_mode = flag_out(b.load_mode);
    h->unload_mode = flag_out(b.unload_mode);
    h->auto_width = flag_out(b.auto_width);
    h->recalc = flag_out(b.recalc);
    h->backup = flag_out(b.backup);
    h->final_book = flag_out(b.final_book);
    h->sheet_order_desc = flag_out(b.sheet_order_desc);
    std::memset(h->flag_reserved, VXLS_OFF, sizeof h->flag_reserved);
    h->max_rows = b.max_rows;
    h->max_columns = b.max_columns;
    h->store_limit1 = b.store_limit1;
    h->store_limit2 = b.store_limit2;
    h->book_kind = b.book_kind;
    h->book_kind2 = b.book_kind2;
    text_out(b.company, h->company);
    text_out(b.creator, h->creator);
    text_out(b.manager, h->manager);
    text_out(b.title, h->title);
    text_out(b.subject, h->subject);
    text_out(b.write_password, h->write_password);
    text_out(b.template_path, h->template_path);
    text_out(b.temp_workbook_path, h->temp_workbook_path);
    h->current_sheet = b.current_sheet;
    h->last_row = b.last_row;
    h->last_column = b.last_column;
    h->sheets = const_cast<Sheet *>(b.model.sheets.data());
    h->sheet_num = static_cast<int32_t>(b.model.sheets.size());
    h->sheet_max = static_cast<int32_t>(b.model.sheets.capacity());
    h->model = const_cast<Model *>(&b.model);
}

void publish(XLS_BOOK *handle, const Book &book, int result, const char *function) {
    if (book.diag.recorded) {
        write_error_info(handle, book.diag.message, book.charset);
    } else if (result < 0) {
        char detail[96], text[192];
        std::snprintf(detail, sizeof detail, "%s() rc=%d", function, result);
        std::snprintf(text, sizeof text, msg::E03600, detail);
        write_error_info(handle, text, book.charset);
    }
}

int closed_book(XLS_BOOK *handle, const char *function) {
    char detail[96], text[192];
    std::snprintf(detail, sizeof detail, "%s() book not open", function);
    std::snprintf(text, sizeof text, msg::E03600, detail);
    write_error_info(handle, text, last_charset());
    return VXLS_ERR_ARGUMENT;
}

int last_charset() { return g_last_charset.load(); }
void set_last_charset(int charset) { g_last_charset.store(charset); }

Book *thread_book() {
    if (!t_book) return nullptr;
    Registry &r = registry();
    std::shared_lock<std::shared_mutex> guard(r.lock);
    return r.envs.count(t_book) ? &t_book->book : nullptr;
}
void set_thread_book(Env *env) { t_book = env; }

bool thread_zip_to_memory() { return t_zip_to_memory; }
void set_thread_zip_to_memory(bool on) { t_zip_to_memory = on; }

} // namespace vel::api
