// The terminal's character set from the locale, conversion through iconv.
#include "terminal.h"

#include <iconv.h>
#include <langinfo.h>
#include <clocale>
#include <cerrno>
#include <cstring>
#include <strings.h>

namespace velcmd {

const char *terminal_charset()
{
    static const char *name = [] {
        std::setlocale(LC_CTYPE, "");
        const char *set = nl_langinfo(CODESET);
        if (!set)
            return "UTF8";
        for (const char *sjis : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS_KANJI"})
            if (strcasecmp(set, sjis) == 0)
                return "SJIS";
        if (strcasecmp(set, "EUC-JP") == 0 || strcasecmp(set, "EUCJP") == 0)
            return "EUC";
        return "UTF8";
    }();
    return name;
}

std::string to_terminal(const std::string &utf8)
{
    const char *set = terminal_charset();
    if (std::strcmp(set, "UTF8") == 0)
        return utf8;
    iconv_t cd = iconv_open(std::strcmp(set, "SJIS") == 0 ? "CP932" : "EUC-JP", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return utf8;
    std::string out;
    char buf[256];
    char *in = const_cast<char *>(utf8.data());
    size_t left = utf8.size();
    while (left > 0) {
        char *o = buf;
        size_t room = sizeof buf;
        size_t rc = iconv(cd, &in, &left, &o, &room);
        out.append(buf, size_t(o - buf));
        if (rc == size_t(-1) && errno != E2BIG) {
            // A character the set lacks (or a broken sequence): one '?' for
            // the whole UTF-8 character.
            out += '?';
            do {
                ++in;
                --left;
            } while (left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace velcmd
