// Character-set conversions between the caller's sets and UTF-8.
#include <gtest/gtest.h>

#include <optional>

#include "model/book.h"

namespace {

constexpr int SJIS = VXLS_CHARSET_SJIS, EUC = VXLS_CHARSET_EUC, UTF8 = VXLS_CHARSET_UTF8,
              UTF16BE = VXLS_CHARSET_UTF16BE;

std::string conv(std::string_view in, int from, int to, int *rc = nullptr) {
    std::string out;
    const int r = vel::convert_charset(out, in, from, to);
    if (rc) *rc = r;
    return out;
}

} // namespace

TEST(Charset, ConversionsAndTheirMarks) {
    // ソ and 表 end in 0x5C; ① and ～ are vendor / differently mapped rows.
    const std::string sjis = "\x83\x5C\x95\x5C\x87\x40\x81\x60\\A\xB1", sjis_utf8 = "ソ表①～\\Aｱ";
    const std::string euc = "\x8E\xB1\xC6\xFC\xCB\xDC\xB8\xEC\xAD\xA1\xA1\xC1", euc_utf8 = "ｱ日本語①～";
    std::string kana;
    for (int i = 0; i < 5000; ++i) kana += "ｱ";
    struct Case {
        const char *what;
        std::string in;
        int from, to, rc;
        std::optional<std::string> out;
    };
    const Case cases[] = {
        {"Shift-JIS with vendor rows and trail backslash", sjis, SJIS, UTF8, 0, sjis_utf8},
        {"back to Shift-JIS", sjis_utf8, UTF8, SJIS, 0, sjis},
        {"EUC-JP with half-width kana and vendor rows", euc, EUC, UTF8, 0, euc_utf8},
        {"back to EUC-JP", euc_utf8, UTF8, EUC, 0, euc},
        {"UTF-16BE with a surrogate pair", std::string("\x65\xE5\x67\x2C\x00\x41\xD8\x40\xDC\x0B", 10), UTF16BE, UTF8, 0,
         "日本A\xF0\xA0\x80\x8B"},
        {"UTF-16BE is a source only", "A", UTF8, UTF16BE, -1, std::nullopt},
        {"unknown set", "A", 0, UTF8, -1, std::nullopt},
        {"lone high surrogate and odd trailing byte", std::string("\xD8\x40\x00\x41\x00", 5), UTF16BE, UTF8, -1, "?A?"},
        {"lead byte before a blank: the blank survives", "\x81 A", SJIS, UTF8, -1, "? A"},
        {"truncated character at the end", "abc\x82", SJIS, UTF8, -1, "abc?"},
        {"stray UTF-8 bytes", "a\xFF" "b\x80" "c", UTF8, SJIS, -1, "a?b?c"},
        {"a character Shift-JIS lacks is one mark", "x\xF0\x9F\x98\x80y", UTF8, SJIS, -1, "x?y"},
        {"same set copies", std::string("\xFF\x00z", 3), SJIS, SJIS, 0, std::string("\xFF\x00z", 3)},
        {"long texts grow: half-width kana, 1 byte to 3", std::string(5000, '\xB1'), SJIS, UTF8, 0, kana},
        {"and back", kana, UTF8, SJIS, 0, std::string(5000, '\xB1')},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        int rc = 1;
        const std::string out = conv(c.in, c.from, c.to, &rc);
        EXPECT_EQ(rc, c.rc);
        EXPECT_EQ(out, c.out.value_or(out));
    }
    // Shift-JIS and EUC-JP agree on the same characters.
    EXPECT_EQ(conv(conv(euc_utf8, UTF8, SJIS), SJIS, UTF8), euc_utf8);
}

TEST(Charset, BookHelpersUseTheBooksSet) {
    vel::Book book;
    EXPECT_EQ(vel::to_utf8(&book, "\x93\xFA"), "日"); // Shift-JIS by default
    book.charset = VXLS_CHARSET_EUC;
    EXPECT_EQ(vel::to_utf8(&book, "\xC6\xFC"), "日");
    EXPECT_EQ(vel::from_utf8(&book, "日"), "\xC6\xFC");
}

TEST(Charset, IllFormedUtf8IsRefused) {
    // Lone lead byte, reversed BOM bytes, overlong NUL, a surrogate, past U+10FFFF, a stray continuation.
    for (std::string bad : {"a\xc3", "\xff\xfe", "\xc0\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "x\x80y"}) {
        EXPECT_FALSE(vel::valid_utf8(bad)) << bad;
        std::string out;
        EXPECT_EQ(vel::convert_charset(out, bad, VXLS_CHARSET_UTF8, VXLS_CHARSET_UTF8), -1) << bad;
        EXPECT_TRUE(vel::valid_utf8(out)) << out;
    }
    for (std::string good : {"", "日本語", "\xf0\x9f\x98\x80", "\xef\xbf\xbf"})
        EXPECT_TRUE(vel::valid_utf8(good)) << good;
    EXPECT_EQ(vel::repaired_utf8("a\xc3z"), "a?z");
}
