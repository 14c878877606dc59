// The messages a book records: the message of the current call (UTF-8,
// handed to the caller in its own character set by the interface) and the
// readers' diagnostic log.
#pragma once
#include <cstdarg>
#include <string>
#include <string_view>

namespace vel {

constexpr int DIAG_LINES = 32;
constexpr int DIAG_LINE_LEN = 200;
constexpr size_t MESSAGE_MAX = 4095;

struct Diag {
    Diag() { message.reserve(MESSAGE_MAX + 1); }   // recording never allocates

    std::string message;              // message of the current call, UTF-8
    bool recorded = false;            // a message was recorded during the call
    std::string lines[DIAG_LINES];    // diagnostic log, oldest first
    int line_count = 0;
    int pending = 0;                  // code prefixed to the next diagnostic line

    // Starts a call: no message recorded yet.
    void begin_call() {
        recorded = false;
        message.clear();
    }
};

// Records a message and returns rc. The template and every %s argument are
// UTF-8; a template without "%" is copied unformatted. A later message of
// the same call replaces an earlier one.
int vlt_error(Diag &d, int rc, const char *tmpl, ...);
int vlt_verror(Diag &d, int rc, const char *tmpl, va_list ap);
// As vlt_error, but only when the call has recorded no message yet, so that
// the first, more precise message of a failing save survives.
int vlt_error_keep(Diag &d, int rc, const char *tmpl, ...);
int vlt_verror_keep(Diag &d, int rc, const char *tmpl, va_list ap);

// Diagnostic log of the readers. vlt_diag_code sets the code that prefixes
// the next line; vlt_diag appends one line built from that code (or from
// `code` when it is not 0) and `text`, then clears the pending code. The log
// keeps the DIAG_LINES most recent lines.
void vlt_diag_code(Diag &d, int code);
void vlt_diag(Diag &d, int code, std::string_view text);
// The line vlt_diag would append for a code and a text (UTF-8).
std::string vlt_diag_line(int code, std::string_view text);

} // namespace vel
