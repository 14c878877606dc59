// Character conversions of the .xls decoder.
#include "xls/text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iconv.h>

namespace vel::xls {

namespace {

void put_utf8(std::string &out, uint32_t c) {
    if (c < 0x80) out += static_cast<char>(c);
    else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr uint32_t REPLACEMENT = 0xFFFD;

// iconv name of a Windows code page number; null for UTF-16 (1200), whose
// 8-bit texts are Latin-1.
const char *iconv_name(uint16_t cp, char (&buf)[16]) {
    switch (cp) {
    case 367: return "ASCII";
    case 1200: return nullptr;
    case 1361: return "JOHAB";
    case 10000:
    case 32768: return "MACINTOSH";
    case 10001: return "SHIFT_JIS";
    case 10006: return "MACGREEK";
    case 10007: return "MACCYRILLIC";
    case 10029: return "MACCENTRALEUROPE";
    case 10079: return "MACICELAND";
    case 10081: return "MACTURKISH";
    case 32769: return "CP1252";
    case 65001: return "UTF-8";
    default: break;
    }
    if ((cp >= 437 && cp <= 950) || (cp >= 1250 && cp <= 1258)) {
        std::snprintf(buf, sizeof buf, "CP%u", static_cast<unsigned>(cp));
        return buf;
    }
    return "CP1252";
}

} // namespace

void append_utf16(std::string &out, const uint8_t *p, size_t units, uint16_t &pending) {
    for (size_t i = 0; i < units; ++i) {
        const uint16_t u = static_cast<uint16_t>(p[2 * i] | p[2 * i + 1] << 8);
        if (u < 0x80 && pending == 0) {
            out += static_cast<char>(u);
            continue;
        }
        if (pending) {
            if (u >= 0xDC00 && u < 0xE000) {
                put_utf8(out, 0x10000 + ((static_cast<uint32_t>(pending) - 0xD800) << 10) + (u - 0xDC00));
                pending = 0;
                continue;
            }
            put_utf8(out, REPLACEMENT);
            pending = 0;
        }
        if (u >= 0xD800 && u < 0xDC00) pending = u;
        else if (u >= 0xDC00 && u < 0xE000) put_utf8(out, REPLACEMENT);
        else put_utf8(out, u);
    }
}

void end_utf16(std::string &out, uint16_t &pending) {
    if (pending) put_utf8(out, REPLACEMENT);
    pending = 0;
}

void append_latin1(std::string &out, const uint8_t *p, size_t n) {
    size_t i = 0;
    while (i < n) {
        size_t ascii = i;
        while (ascii < n && p[ascii] < 0x80) ++ascii;
        out.append(reinterpret_cast<const char *>(p + i), ascii - i);
        i = ascii;
        if (i < n) put_utf8(out, p[i++]);
    }
}

CodePage::~CodePage() { close(); }

void CodePage::close() {
    if (cd_) iconv_close(static_cast<iconv_t>(cd_));
    cd_ = nullptr;
    tried_ = false;
}

void CodePage::set(uint16_t codepage) {
    if (codepage == codepage_) return;
    close();
    codepage_ = codepage;
}

void CodePage::append(std::string &out, const uint8_t *p, size_t n) {
    size_t ascii = 0;
    while (ascii < n && p[ascii] < 0x80) ++ascii;
    out.append(reinterpret_cast<const char *>(p), ascii);
    if (ascii == n) return;
    p += ascii;
    n -= ascii;

    if (!tried_) {
        tried_ = true;
        char buf[16];
        if (const char *name = iconv_name(codepage_, buf)) {
            iconv_t cd = iconv_open("UTF-8", name);
            if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "CP1252");
            if (cd != reinterpret_cast<iconv_t>(-1)) cd_ = cd;
        }
    }
    if (!cd_) {
        append_latin1(out, p, n);
        return;
    }
    iconv_t cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *src = reinterpret_cast<char *>(const_cast<uint8_t *>(p));
    size_t src_left = n;
    while (src_left > 0) {
        const size_t base = out.size();
        out.resize(base + src_left * 4 + 8);
        char *dst = out.data() + base;
        size_t dst_left = src_left * 4 + 8;
        const size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
        out.resize(out.size() - dst_left);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // An unmapped or incomplete byte: replace it and go on after it.
        put_utf8(out, REPLACEMENT);
        ++src;
        --src_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

StringPieces::Result StringPieces::header_bytes(const uint8_t *p, size_t n, size_t &used) {
    used = std::min<size_t>(n, head_need_ - head_len_);
    std::memcpy(head_ + head_len_, p, used);
    head_len_ = static_cast<uint8_t>(head_len_ + used);
    if (head_len_ == 3 && rich_) {
        const uint8_t flags = head_[2];
        head_need_ = static_cast<uint8_t>(3 + (flags & 0x08 ? 2 : 0) + (flags & 0x04 ? 4 : 0));
        if (head_need_ > 3) {
            const size_t more = std::min<size_t>(n - used, head_need_ - head_len_);
            std::memcpy(head_ + head_len_, p + used, more);
            head_len_ = static_cast<uint8_t>(head_len_ + more);
            used += more;
        }
    }
    if (head_len_ < head_need_) return Result::ok;
    const uint32_t count = static_cast<uint32_t>(head_[0] | head_[1] << 8);
    const uint8_t flags = head_[2];
    if (rich_ && count > MAX_CHARS) return Result::too_long;
    wide_ = flags & 0x01;
    chars_left_ = count;
    skip_left_ = 0;
    if (rich_) {
        size_t at = 3;
        if (flags & 0x08) {
            skip_left_ += 4u * static_cast<uint64_t>(head_[at] | head_[at + 1] << 8);
            at += 2;
        }
        if (flags & 0x04)
            skip_left_ += static_cast<uint64_t>(head_[at]) | static_cast<uint64_t>(head_[at + 1]) << 8 |
                          static_cast<uint64_t>(head_[at + 2]) << 16 | static_cast<uint64_t>(head_[at + 3]) << 24;
    }
    text_.clear();
    pending_ = 0;
    phase_ = Phase::chars;
    return Result::ok;
}

void StringPieces::begin(bool rich, bool single) {
    rich_ = rich;
    single_ = single;
    phase_ = Phase::header;
    head_len_ = 0;
    head_need_ = 3;
    chars_left_ = skip_left_ = 0;
    pending_ = 0;
    text_.clear();
}

} // namespace vel::xls
