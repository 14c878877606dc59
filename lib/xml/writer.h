// The one small XML writer of the package writers: a buffered byte stream
// over a sink (a part compressor, or a string in tests), with the text
// escaping that every part uses. Part writers pass raw text; escaping happens
// here only.
#pragma once
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace vel {

// Destination of a part's bytes.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const char *data, size_t size) = 0;
};

// A sink that keeps everything (small parts in tests).
class StringSink final : public ByteSink {
public:
    void write(const char *data, size_t size) override { text.append(data, size); }
    std::string text;
};

// Escaping modes of free text: 1 escapes every markup and control byte,
// 2 keeps carriage return and line feed as they are.
enum EscapeMode : int { ESCAPE_ALL = 1, ESCAPE_KEEP_BREAKS = 2 };

// Appends `text` escaped in `mode` to `out`.
void append_escaped(std::string &out, std::string_view text, int mode);

class XmlWriter {
public:
    static constexpr size_t BUFFER_SIZE = 64 * 1024;

    explicit XmlWriter(ByteSink &sink);
    ~XmlWriter();
    XmlWriter(const XmlWriter &) = delete;
    XmlWriter &operator=(const XmlWriter &) = delete;

    // Raw markup, written as is.
    void raw(std::string_view s) {
        if (s.size() > static_cast<size_t>(end_ - pos_)) return raw_slow(s);
        if (s.empty()) return;  // an empty view may carry a null pointer
        std::memcpy(pos_, s.data(), s.size());
        pos_ += s.size();
    }
    void raw(char c) {
        if (pos_ == end_) flush();
        *pos_++ = c;
    }
    // Integers in decimal.
    void num(int64_t v) {
        char *p = reserve(24);
        pos_ = std::to_chars(p, p + 24, v).ptr;
    }
    // Fixed-point decimal with `decimals` digits ("%.Nf").
    void fixed(double v, int decimals);
    // Free text escaped in `mode`.
    void text(std::string_view s, int mode = ESCAPE_ALL);

    // XML declaration and CR LF that open every part.
    void declaration() { raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"); }
    // <name attr="value" ...> helpers for the few generic elements.
    void attr(std::string_view name, std::string_view value) {
        raw(' ');
        raw(name);
        raw("=\"");
        text(value);
        raw('"');
    }
    void attr(std::string_view name, int64_t value) {
        raw(' ');
        raw(name);
        raw("=\"");
        num(value);
        raw('"');
    }
    // <name>text</name>
    void element(std::string_view name, std::string_view value) {
        raw('<');
        raw(name);
        raw('>');
        text(value);
        raw("</");
        raw(name);
        raw('>');
    }

    // Direct access for the hot cell path: a pointer with at least n free
    // bytes; the caller advances it and hands it back with commit().
    char *reserve(size_t n) {
        if (static_cast<size_t>(end_ - pos_) < n) flush();
        return pos_;
    }
    void commit(char *p) { pos_ = p; }

    // Hands the buffered bytes to the sink.
    void flush();

private:
    void raw_slow(std::string_view s);

    ByteSink &sink_;
    std::unique_ptr<char[]> buf_;
    char *pos_;
    char *end_;
};

} // namespace vel
