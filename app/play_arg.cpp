// PLAY_ARG helpers and the UTF-16/UTF-8 conversions the record needs.
#include "play_arg.h"

#include <algorithm>

namespace gc {

std::atomic<int32_t> play_state{STATE_IDLE};

bool set_play_path(PLAY_ARG &arg, std::u16string_view path)
{
    arg.path[0] = 0;
    if (path.size() >= PLAY_PATH_UNITS || path.find(u'\0') != std::u16string_view::npos)
        return false;
    std::copy(path.begin(), path.end(), arg.path);
    arg.path[path.size()] = 0;
    return true;
}

std::u16string_view play_path(const PLAY_ARG &arg)
{
    return std::u16string_view(arg.path);
}

static void put_utf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string to_utf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        put_utf8(out, u);
    }
    return out;
}

std::u16string to_utf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b <= 0xF4) {
            len = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            char32_t v = b & (0x3F >> (len - 1));
            bool ok = i + len <= text.size();
            for (size_t k = 1; ok && k < len; ++k) {
                unsigned char c = static_cast<unsigned char>(text[i + k]);
                ok = (c & 0xC0) == 0x80;
                v = (v << 6) | (c & 0x3F);
            }
            const char32_t min[] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && v >= min[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
                cp = v;
            else
                len = 1;
        }
        if (cp >= 0x10000) {
            out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += len;
    }
    return out;
}

} // namespace gc
