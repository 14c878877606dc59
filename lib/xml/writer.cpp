// The buffered XML writer and the escaping of free text.
#include "xml/writer.h"

#include <cstdio>

namespace vel {

namespace {

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// True when text[i] is the underscore of an OOXML escape "_xHHHH_", which a
// reader would decode; such an underscore is protected with "_x005F".
bool starts_ooxml_escape(std::string_view t, size_t i) {
    return i + 6 < t.size() && t[i + 1] == 'x' && is_hex(t[i + 2]) && is_hex(t[i + 3]) &&
           is_hex(t[i + 4]) && is_hex(t[i + 5]) && t[i + 6] == '_';
}

} // namespace

void append_escaped(std::string &out, std::string_view t, int mode) {
    size_t run = 0; // start of the pending unescaped run
    auto put = [&](size_t i, const char *rep) {
        out.append(t.data() + run, i - run);
        out.append(rep);
        run = i + 1;
    };
    for (size_t i = 0; i < t.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if (c > 95) continue;
        switch (c) {
        case '\t': put(i, "&#x9;"); break;
        case '\n': if (mode != ESCAPE_KEEP_BREAKS) put(i, "&#xA;"); break;
        case '\r': if (mode != ESCAPE_KEEP_BREAKS) put(i, "&#xD;"); break;
        case '"': put(i, "&quot;"); break;
        case '&': put(i, "&amp;"); break;
        case '\'': put(i, "&apos;"); break;
        case '<': put(i, "&lt;"); break;
        case '>': put(i, "&gt;"); break;
        case '_':
            if (starts_ooxml_escape(t, i)) {
                out.append(t.data() + run, i - run);
                out.append("_x005F");
                run = i; // the underscore itself follows
            }
            break;
        default:
            if (c < 0x20) {
                // Control characters are not allowed in XML: carry them in
                // the OOXML form that spreadsheet readers decode.
                char rep[8];
                std::snprintf(rep, sizeof rep, "_x%04X_", c);
                put(i, rep);
            }
            break;
        }
    }
    out.append(t.data() + run, t.size() - run);
}

XmlWriter::XmlWriter(ByteSink &sink)
    : sink_(sink), buf_(std::make_unique<char[]>(BUFFER_SIZE)), pos_(buf_.get()),
      end_(buf_.get() + BUFFER_SIZE) {}

XmlWriter::~XmlWriter() = default;

void XmlWriter::flush() {
    if (pos_ != buf_.get()) sink_.write(buf_.get(), static_cast<size_t>(pos_ - buf_.get()));
    pos_ = buf_.get();
}

void XmlWriter::raw_slow(std::string_view s) {
    while (!s.empty()) {
        if (pos_ == end_) flush();
        size_t n = std::min(s.size(), static_cast<size_t>(end_ - pos_));
        std::memcpy(pos_, s.data(), n);
        pos_ += n;
        s.remove_prefix(n);
    }
}

void XmlWriter::fixed(double v, int decimals) {
    char *p = reserve(64);
    auto r = std::to_chars(p, p + 64, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        // Out of the fixed range (not reachable for sheet measures): plain form.
        r = std::to_chars(p, p + 64, v);
    }
    pos_ = r.ptr;
}

void XmlWriter::text(std::string_view s, int mode) {
    bool plain = true;
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == '"' || c == '&' || c == '\'' || c == '<' || c == '>' || c == '_') {
            plain = false;
            break;
        }
    }
    if (plain) return raw(s);
    std::string escaped;
    escaped.reserve(s.size() + 16);
    append_escaped(escaped, s, mode);
    raw(escaped);
}

} // namespace vel
