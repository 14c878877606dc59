// Character-set conversions between the caller's sets and UTF-8.
#include <gtest/gtest.h>

#include "model/book.h"

namespace {

struct Result {
    int rc;
    std::string text;
};

Result conv(std::string_view in, int from, int to) {
    Result r;
    r.rc = vel::convert_charset(r.text, in, from, to);
    return r;
}

constexpr int SJIS = VXLS_CHARSET_SJIS, EUC = VXLS_CHARSET_EUC, UTF8 = VXLS_CHARSET_UTF8,
              UTF16BE = VXLS_CHARSET_UTF16BE;

} // namespace

TEST(Charset, ShiftJisBothWaysWithVendorRowsAndTrailBackslash) {
    // ソ and 表 end in 0x5C; ① and ～ are vendor / differently mapped rows.
    const std::string sjis = "\x83\x5C\x95\x5C\x87\x40\x81\x60\\A\xB1";
    const std::string utf8 = "ソ表①～\\Aｱ";
    Result to = conv(sjis, SJIS, UTF8);
    EXPECT_EQ(to.rc, 0);
    EXPECT_EQ(to.text, utf8);
    Result back = conv(utf8, UTF8, SJIS);
    EXPECT_EQ(back.rc, 0);
    EXPECT_EQ(back.text, sjis);
}

TEST(Charset, EucJpIncludingHalfWidthKanaAndVendorRows) {
    const std::string euc = "\x8E\xB1\xC6\xFC\xCB\xDC\xB8\xEC\xAD\xA1\xA1\xC1";
    const std::string utf8 = "ｱ日本語①～";
    Result to = conv(euc, EUC, UTF8);
    EXPECT_EQ(to.rc, 0);
    EXPECT_EQ(to.text, utf8);
    EXPECT_EQ(conv(utf8, UTF8, EUC).text, euc);
    // Shift-JIS and EUC-JP agree on the same characters.
    EXPECT_EQ(conv(conv(utf8, UTF8, SJIS).text, SJIS, UTF8).text, utf8);
}

TEST(Charset, Utf16BigEndianIsASourceOnly) {
    Result r = conv(std::string("\x65\xE5\x67\x2C\x00\x41\xD8\x40\xDC\x0B", 10), UTF16BE, UTF8);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.text, "日本A\xF0\xA0\x80\x8B");
    EXPECT_EQ(conv("A", UTF8, UTF16BE).rc, -1);
    EXPECT_EQ(conv("A", 0, UTF8).rc, -1);
    // A lone high surrogate and an odd trailing byte.
    Result bad = conv(std::string("\xD8\x40\x00\x41\x00", 5), UTF16BE, UTF8);
    EXPECT_EQ(bad.rc, -1);
    EXPECT_EQ(bad.text, "?A?");
}

TEST(Charset, InvalidBytesBecomeOneMarkEachAndNeverSwallowTheNext) {
    // A Shift-JIS lead byte followed by a blank: the blank survives.
    Result r = conv("\x81 A", SJIS, UTF8);
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.text, "? A");
    // A truncated character at the end.
    r = conv("abc\x82", SJIS, UTF8);
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.text, "abc?");
    // Stray UTF-8 bytes.
    r = conv("a\xFF" "b\x80" "c", UTF8, SJIS);
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.text, "a?b?c");
    // A character that Shift-JIS lacks is one mark, not one per byte.
    r = conv("x\xF0\x9F\x98\x80y", UTF8, SJIS);
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.text, "x?y");
}

TEST(Charset, SameSetCopiesAndLongTextsGrow) {
    std::string raw("\xFF\x00z", 3);
    Result same = conv(raw, SJIS, SJIS);
    EXPECT_EQ(same.rc, 0);
    EXPECT_EQ(same.text, raw);
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "\xB1";   // half-width kana: 1 byte -> 3 bytes
    Result grown = conv(many, SJIS, UTF8);
    EXPECT_EQ(grown.rc, 0);
    EXPECT_EQ(grown.text.size(), 15000u);
    EXPECT_EQ(conv(grown.text, UTF8, SJIS).text, many);
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
