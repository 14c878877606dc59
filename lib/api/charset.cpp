// Character-set conversion between the caller's set and UTF-8, via iconv.
// Converters are opened once per thread and direction and reused.
#include <cerrno>
#include <iconv.h>

#include "api/book.h"
#include "api/options.h"

namespace vel {

namespace {

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

int convert_charset(std::string &out, std::string_view in, int from, int to) {
    out.clear();
    if (from < 1 || from > 4 || to < 1 || to > 3) return -1;
    if (from == to) {
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

std::string to_utf8(XLS_BOOK *book, std::string_view in) {
    int cs = book && book->env ? env(book)->charset : VXLS_CHARSET_SJIS;
    std::string out;
    convert_charset(out, in, cs, VXLS_CHARSET_UTF8);
    return out;
}

std::string from_utf8(XLS_BOOK *book, std::string_view in) {
    int cs = book && book->env ? env(book)->charset : VXLS_CHARSET_SJIS;
    std::string out;
    convert_charset(out, in, VXLS_CHARSET_UTF8, cs);
    return out;
}

} // namespace vel
