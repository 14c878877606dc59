// Character-set conversion between the caller's set and UTF-8, via iconv.
// Converters are opened once per thread and direction and reused.
#include "core/charset.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace vel {

namespace {

constexpr CharLengths make_lengths(int charset) {
    CharLengths t{};
    for (int c = 0; c < 256; ++c) {
        uint8_t n = 1;
        if (charset == VXLS_CHARSET_SJIS) {
            if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) n = 2;
        } else if (charset == VXLS_CHARSET_EUC) {
            if ((c >= 0xA1 && c <= 0xFE) || c == 0x8E) n = 2;
        } else if (charset == VXLS_CHARSET_UTF8) {
            if (c >= 0xC0 && c <= 0xDF) n = 2;
            else if (c >= 0xE0 && c <= 0xEF) n = 3;
            else if (c >= 0xF0 && c <= 0xF7) n = 4;
        }
        t[c] = n;
    }
    return t;
}

constexpr CharLengths SJIS_LEN = make_lengths(VXLS_CHARSET_SJIS);
constexpr CharLengths EUC_LEN = make_lengths(VXLS_CHARSET_EUC);
constexpr CharLengths UTF8_LEN = make_lengths(VXLS_CHARSET_UTF8);
constexpr CharLengths SINGLE_LEN = make_lengths(0);

// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t utf8_sequence(const unsigned char *s, size_t n, size_t i) {
    unsigned char c = s[i];
    if (c < 0x80) return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF; // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c == 0xE0) len = 3, lo = 0xA0;
    else if (c >= 0xE1 && c <= 0xEC) len = 3;
    else if (c == 0xED) len = 3, hi = 0x9F;   // no surrogates
    else if (c >= 0xEE && c <= 0xEF) len = 3;
    else if (c == 0xF0) len = 4, lo = 0x90;
    else if (c >= 0xF1 && c <= 0xF3) len = 4;
    else if (c == 0xF4) len = 4, hi = 0x8F;   // nothing above U+10FFFF
    else return 0;
    if (n - i < len) return 0;
    if (s[i + 1] < lo || s[i + 1] > hi) return 0;
    for (size_t k = 2; k < len; ++k)
        if ((s[i + k] & 0xC0) != 0x80) return 0;
    return len;
}

const char *iconv_name(int code) {
    switch (code) {
    case VXLS_CHARSET_SJIS: return "CP932";
    // The Microsoft variant, so that the vendor rows of Shift-JIS (circled
    // digits, Roman numerals, the IBM kanji) and the wave dash map the same
    // way in EUC-JP as they do in Shift-JIS.
    case VXLS_CHARSET_EUC: return "EUC-JP-MS";
    case VXLS_CHARSET_UTF8: return "UTF-8";
    case VXLS_CHARSET_UTF16BE: return "UTF-16BE";
    default: return nullptr;
    }
}

struct Converter {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
};

iconv_t converter(int from, int to) {
    thread_local Converter table[5][5];
    Converter &c = table[from][to];
    if (c.cd == reinterpret_cast<iconv_t>(-1)) c.cd = iconv_open(iconv_name(to), iconv_name(from));
    else iconv(c.cd, nullptr, nullptr, nullptr, nullptr); // reset shift state
    return c.cd;
}

// Length of the character at `p` in the source set when its trailing bytes
// are well-formed, else 1, so that a stray byte never swallows the next one.
size_t source_char_length(int from, const char *p, size_t left) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    if (from == VXLS_CHARSET_UTF16BE) {
        bool pair = left >= 4 && u[0] >= 0xD8 && u[0] <= 0xDB && u[2] >= 0xDC && u[2] <= 0xDF;
        size_t n = pair ? 4 : 2;
        return n <= left ? n : left;
    }
    size_t n = char_bytes(from, u[0]);
    if (n > left) return 1;
    for (size_t i = 1; i < n; ++i) {
        unsigned char t = u[i];
        bool ok = from == VXLS_CHARSET_SJIS  ? (t >= 0x40 && t <= 0xFC && t != 0x7F)
                  : from == VXLS_CHARSET_EUC ? (t >= 0xA1 && t <= 0xFE)
                                             : (t >= 0x80 && t <= 0xBF);
        if (!ok) return 1;
    }
    return n;
}

} // namespace

const CharLengths &char_lengths(int charset) {
    switch (charset) {
    case VXLS_CHARSET_SJIS: return SJIS_LEN;
    case VXLS_CHARSET_EUC: return EUC_LEN;
    case VXLS_CHARSET_UTF8: return UTF8_LEN;
    default: return SINGLE_LEN;
    }
}

bool valid_utf8(std::string_view text) {
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        // ASCII runs go eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t w;
            __builtin_memcpy(&w, s + i, 8);
            if (w & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        size_t len = utf8_sequence(s, n, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string repaired_utf8(std::string_view text) {
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t len = utf8_sequence(s, text.size(), i);
        if (len == 0) {
            out.push_back('?');
            ++i;
        } else {
            out.append(text.data() + i, len);
            i += len;
        }
    }
    return out;
}

size_t utf8_count(std::string_view s) {
    size_t n = 0;
    for (unsigned char ch : s)
        if ((ch & 0xC0) != 0x80) ++n;
    return n;
}

size_t utf8_prefix(std::string_view s, size_t chars) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (n == chars) return i;
            ++n;
        }
    }
    return s.size();
}

std::string_view utf8_cut(std::string_view s, size_t max) {
    if (s.size() <= max) return s;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

int convert_charset(std::string &out, std::string_view in, int from, int to) {
    out.clear();
    if (from < 1 || from > 4 || to < 1 || to > 3) return -1;
    if (from == to) {
        if (from == VXLS_CHARSET_UTF8 && !valid_utf8(in)) {
            out = repaired_utf8(in);
            return -1;
        }
        out.assign(in);
        return 0;
    }
    iconv_t cd = converter(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    out.resize(in.size() * 3 + 16);
    char *src = const_cast<char *>(in.data());
    size_t src_left = in.size();
    size_t done = 0;
    int rc = 0;
    while (src_left > 0) {
        char *dst = out.data() + done;
        size_t dst_left = out.size() - done;
        size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
        int err = errno;
        done = out.size() - dst_left;
        if (r != static_cast<size_t>(-1)) break;
        if (err == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // A sequence that is invalid in the source set, or a character the
        // target set lacks, becomes one "?"; an incomplete sequence at the end
        // of the input ends the conversion.
        rc = -1;
        if (done + 1 > out.size()) out.resize(out.size() * 2);
        out[done++] = '?';
        if (err == EINVAL) break;
        size_t skip = source_char_length(from, src, src_left);
        src += skip;
        src_left -= skip;
    }
    out.resize(done);
    return rc;
}

} // namespace vel

namespace vel {

size_t convert_into(char *out, size_t cap, std::string_view in, int from, int to) {
    if (cap == 0) return 0;
    size_t done = 0;
    auto put_char = [&](const char *p, size_t n) {
        if (done + n > cap - 1) return false;
        std::memcpy(out + done, p, n);
        done += n;
        return true;
    };
    if (from == to || from < 1 || from > 4 || to < 1 || to > 3) {
        std::string_view whole = from == VXLS_CHARSET_UTF8 ? utf8_cut(in, cap - 1) : in.substr(0, cap - 1);
        put_char(whole.data(), whole.size());
    } else if (iconv_t cd = converter(from, to); cd != reinterpret_cast<iconv_t>(-1)) {
        char *src = const_cast<char *>(in.data());
        size_t src_left = in.size();
        while (src_left > 0) {
            char *dst = out + done;
            size_t dst_left = cap - 1 - done;
            size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
            int err = errno;
            done = cap - 1 - dst_left;
            if (r != static_cast<size_t>(-1) || err == E2BIG || err == EINVAL) break;
            if (!put_char("?", 1)) break;
            size_t skip = source_char_length(from, src, src_left);
            src += skip;
            src_left -= skip;
        }
    }
    out[done] = '\0';
    return done;
}

} // namespace vel
