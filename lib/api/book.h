// The private environment behind XLS_BOOK::env and the helpers every layer
// uses to reach it, to record messages and to convert character sets.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>

#include "velmora.h"
#include "api/messages.h"
#include "model/model.h"

namespace vel {

constexpr int DIAG_LINES = 32;
constexpr int DIAG_LINE_LEN = 200;

struct Env {
    int charset = VXLS_CHARSET_SJIS;  // caller's character set
    int open_mode = 1;                // READ 0, CREATE 1, UPDATE 2, LOAD 3, UNLOAD 4
    std::string diag[DIAG_LINES];     // diagnostic log, oldest first
    int diag_count = 0;
    int diag_pending = 0;             // code prefixed to the next diagnostic line
    Model model;
    int32_t rownum = 0;               // rows put by the last data-source load ($ROWNUM)
    int32_t clmnum = 0;               // widest row of the last data-source load ($CLMNUM)
    uint32_t stamp = 0;               // ENV_STAMP while the environment is alive
    FILE *out = stdout;               // output stream (reference card)
    FILE *err = stderr;               // error stream
    std::string temp_workbook;        // TEMP_WORKBOOK_PATH option, for the .xls reader
};

constexpr uint32_t ENV_STAMP = 0x564C4245; // marks a live environment

inline Env *env(XLS_BOOK *book) { return static_cast<Env *>(book->env); }
inline Model &model(XLS_BOOK *book) { return static_cast<Env *>(book->env)->model; }
inline bool template_mode(const XLS_BOOK *book) { return book->new_book != VXLS_ON; }

// Equality of two texts with ASCII letters compared without regard to case
// (English keywords and option words); other bytes compare exactly.
inline bool same_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Records a message in error_info and returns rc. The template and every %s
// argument are UTF-8; the formatted message is converted to the caller's
// character set. A template with no arguments is copied unformatted.
int vlt_error(XLS_BOOK *book, int rc, const char *tmpl, ...);
// As vlt_error, but only when error_info is still empty (save paths).
int vlt_error_keep(XLS_BOOK *book, int rc, const char *tmpl, ...);

// Runs the body of an exported call so that no exception crosses the C
// interface: exhausted memory becomes the out-of-memory message and -2, any
// other exception an internal error, -1.
template <class F>
int vlt_guard(XLS_BOOK *book, F &&body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return vlt_error(book, -2, msg::E00002);
    } catch (...) {
        return vlt_error(book, -1, msg::E03600, "exception");
    }
}

// Diagnostic log of the readers. vlt_diag_code sets the code that prefixes
// the next line; vlt_diag appends one line built from that code (or from
// `code` when it is not 0) and `text`, then clears the pending code. The log
// keeps the DIAG_LINES most recent lines.
void vlt_diag_code(XLS_BOOK *book, int code);
void vlt_diag(XLS_BOOK *book, int code, const char *text);
// The line vlt_diag would append for a code and a text (UTF-8).
std::string vlt_diag_line(int code, std::string_view text);

// True when the book has a live private environment.
bool book_is_open(const XLS_BOOK *book);
// Resets the book to the state of a freshly opened one (error_info emptied,
// no sheet in use, default document texts and grid limits of the kind).
// The environment must exist. Returns 0 or -2.
int vlt_init_book(XLS_BOOK *book, bool xls_kind);
// Copies the model's sheet list into XLS_BOOK::sheets / sheet_num / sheet_max.
void vlt_sync_sheets(XLS_BOOK *book);
// Frees the private environment and the model; the handle becomes closed.
void vlt_release_book(XLS_BOOK *book);

// The reference card in the given character set.
std::string vlt_help_text(int charset);
// Character set used by VXLS_help: the one the last opened book chose.
int help_charset();
void set_help_charset(int charset);

// Character-set conversion through iconv. Codes: 1 Shift-JIS (CP932),
// 2 EUC-JP, 3 UTF-8, 4 UTF-16BE (source only). Returns 0, or -1 when the
// input holds a sequence invalid in the source set (out gets what converted).
int convert_charset(std::string &out, std::string_view in, int from, int to);
// Caller's text to UTF-8 and back, for a book (same code: copied as is).
std::string to_utf8(XLS_BOOK *book, std::string_view in);
std::string from_utf8(XLS_BOOK *book, std::string_view in);

} // namespace vel
