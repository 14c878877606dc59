// The private environment behind XLS_BOOK::env and the helpers every layer
// uses to reach it, to record messages and to convert character sets.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

#include "velmora.h"
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
};

inline Env *env(XLS_BOOK *book) { return static_cast<Env *>(book->env); }
inline Model &model(XLS_BOOK *book) { return static_cast<Env *>(book->env)->model; }
inline bool template_mode(const XLS_BOOK *book) { return book->new_book != VXLS_ON; }

// Records a message in error_info and returns rc. The template and every %s
// argument are UTF-8; the formatted message is converted to the caller's
// character set. A template with no arguments is copied unformatted.
int vlt_error(XLS_BOOK *book, int rc, const char *tmpl, ...);
// As vlt_error, but only when error_info is still empty (save paths).
int vlt_error_keep(XLS_BOOK *book, int rc, const char *tmpl, ...);

// Appends a diagnostic line (Part of the readers' failure reporting).
void vlt_diag(XLS_BOOK *book, int code, const char *text);

// Character-set conversion through iconv. Codes: 1 Shift-JIS (CP932),
// 2 EUC-JP, 3 UTF-8, 4 UTF-16BE (source only). Returns 0, or -1 when the
// input holds a sequence invalid in the source set (out gets what converted).
int convert_charset(std::string &out, std::string_view in, int from, int to);
// Caller's text to UTF-8 and back, for a book (same code: copied as is).
std::string to_utf8(XLS_BOOK *book, std::string_view in);
std::string from_utf8(XLS_BOOK *book, std::string_view in);

} // namespace vel
