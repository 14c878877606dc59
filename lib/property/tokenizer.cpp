// Property-text tokeniser. Never splits a multi-byte character: the bytes
// after a lead byte are copied with it and never read as blanks, quotes or
// operators (a Shift-JIS trail byte may equal "^" or "\").
#include "property/tokenizer.h"

#include <array>
#include <cstring>

#include "core/charset.h"

namespace vel {

namespace {

using ByteTable = std::array<uint8_t, 256>;

// Bytes that end an unquoted token: 1 in every mode, 2 in formula mode only.
constexpr ByteTable make_stops() {
    ByteTable t{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '=', '"', '\''}) t[c] = 1;
    for (unsigned char c : {'%', '(', ')', '*', '+', ',', '-', '/', '^'}) t[c] = 2;
    return t;
}
constexpr ByteTable STOPS = make_stops();

inline bool is_blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Output of one token: writes up to `max` bytes and remembers an overflow.
struct Out {
    char *buf;
    size_t max;
    size_t n = 0;
    bool over = false;

    void put(unsigned char c) {
        if (n < max) buf[n++] = static_cast<char>(c);
        else over = true;
    }
    void put(const unsigned char *p, size_t k) {
        if (k <= max - n) {
            std::memcpy(buf + n, p, k);
            n += k;
        } else {
            over = true;
        }
    }
};

} // namespace

int vlt_get_token(TokenMode mode, int charset, std::string_view text, size_t &pos, char *buf, size_t &len) {
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const size_t n = text.size();
    const CharLengths &mb = char_lengths(charset);
    const uint8_t stop_level = mode == TokenMode::Formula ? 2 : 1;
    size_t i = pos;
    while (i < n && is_blank(s[i])) ++i;
    len = 0;
    buf[0] = '\0';
    if (i >= n) {
        pos = n;
        return TOKEN_NONE;
    }

    Out out{buf, token_max(mode)};
    // Copies the character at i whole (clipped at the end of the text).
    auto copy_char = [&]() {
        size_t k = mb[s[i]];
        if (k > n - i) k = n - i;
        out.put(s + i, k);
        i += k;
    };

    const unsigned char c = s[i];
    if (c == '=' || (STOPS[c] == 2 && stop_level == 2)) {
        out.put(c);
        ++i;
    } else if (c == '"') {
        out.put(c);
        ++i;
        if (mode == TokenMode::Value) {
            // Ends at a quote followed by a blank or the end; "" is one quote;
            // blanks before the closing quote are dropped.
            while (i < n) {
                if (s[i] == '"') {
                    if (i + 1 == n || is_blank(s[i + 1])) {
                        while (out.n > 1 && (buf[out.n - 1] == ' ' || buf[out.n - 1] == '\t')) --out.n;
                        out.put('"');
                        ++i;
                        break;
                    }
                    out.put('"');
                    i += s[i + 1] == '"' ? 2 : 1;
                    continue;
                }
                copy_char();
            }
        } else {
            // Option mode: to the next quote. Formula mode: "" is one quote.
            while (i < n) {
                if (s[i] == '"') {
                    if (mode == TokenMode::Formula && i + 1 < n && s[i + 1] == '"') {
                        out.put('"');
                        i += 2;
                        continue;
                    }
                    out.put('"');
                    ++i;
                    break;
                }
                copy_char();
            }
        }
    } else if (c == '\'') {
        out.put(c);
        ++i;
        if (i + 1 < n && s[i] == '\'' && s[i + 1] == '\'') {
            out.put(s + i, 2);
            i += 2;
        }
        while (i < n) {
            if (s[i] == '\'') {
                out.put('\'');
                ++i;
                break;
            }
            copy_char();
        }
    } else {
        // ASCII bytes are tested for stops; a multi-byte character is
        // skipped whole. The token is copied once at its end.
        const size_t start = i;
        while (i < n) {
            const unsigned char b = s[i];
            if (b < 0x80) {
                const uint8_t st = STOPS[b];
                if (st != 0 && st <= stop_level) break;
                ++i;
            } else {
                const size_t k = mb[b];
                i += k < n - i ? k : n - i;
            }
        }
        out.put(s + start, i - start);
    }
    pos = i;
    if (out.over) {
        buf[0] = '\0';
        return -9;
    }
    // A token that closes the text loses a final ";".
    if (out.n > 0 && buf[out.n - 1] == ';') {
        size_t j = i;
        while (j < n && is_blank(s[j])) ++j;
        if (j == n) {
            --out.n;
            if (out.n == 0) {
                pos = n;
                return TOKEN_NONE;
            }
        }
    }
    buf[out.n] = '\0';
    len = out.n;
    return 0;
}

std::string_view strip_double_quotes(std::string_view t) {
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') return t.substr(1, t.size() - 2);
    return t;
}

std::string_view strip_single_quotes(std::string_view t) {
    if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') return t.substr(1, t.size() - 2);
    return t;
}

namespace {
size_t remove_quotes(char *text, char q) {
    if (!text) return 0;
    size_t n = std::strlen(text);
    if (n >= 2 && text[0] == q && text[n - 1] == q) {
        std::memmove(text, text + 1, n - 2);
        n -= 2;
        text[n] = '\0';
    }
    return n;
}
} // namespace

size_t vlt_remove_dquote(char *text) { return remove_quotes(text, '"'); }
size_t vlt_remove_squote(char *text) { return remove_quotes(text, '\''); }

} // namespace vel
