// Character-set conversion between the caller's set and UTF-8, via iconv.
// Converters are opened once per thread and direction and reused.
#include <cerrno>
#include <iconv.h>

#include "api/book.h"

namespace vel {

namespace {

const char *iconv_name(int code) {
    switch (code) {
    case VXLS_CHARSET_SJIS: return "CP932";
    case VXLS_CHARSET_EUC: return "EUC-JP";
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
        done = out.size() - dst_left;
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // Invalid or incomplete sequence: keep what converted, mark and skip a byte.
        rc = -1;
        if (done + 1 > out.size()) out.resize(out.size() * 2);
        out[done++] = '?';
        ++src;
        --src_left;
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
