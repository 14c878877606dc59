// Tokeniser: token boundaries, quoting in each mode, multi-byte characters, length limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "property/tokenizer.h"
#include "property_fixture.h"

using vel::TokenMode;

namespace {

// All tokens of a text, a failing read as "#<rc>" (the list ends where the position stops moving).
std::vector<std::string> tokens(std::string_view text, TokenMode mode = TokenMode::Option,
                                int charset = VXLS_CHARSET_UTF8) {
    std::vector<std::string> out;
    std::string buf(vel::token_max(mode) + 1, '\0');
    size_t pos = 0, len = 0;
    for (size_t before = pos;; before = pos) {
        int rc = vel::vlt_get_token(mode, charset, text, pos, buf.data(), len);
        if (rc == vel::TOKEN_NONE) break;
        if (rc != 0) {
            out.push_back("#" + std::to_string(rc));
            if (pos == before) break;
            continue;
        }
        EXPECT_EQ(len, std::string(buf.c_str()).size()) << "token is NUL-terminated at len";
        out.emplace_back(buf.data(), len);
    }
    return out;
}

using V = std::vector<std::string>;

TEST(Tokenizer, BoundariesQuotesAndMultiByteCharacters) {
    constexpr auto option = TokenMode::Option, value = TokenMode::Value, formula = TokenMode::Formula;
    const std::string euc = ptest::in_charset("塗りつぶし", VXLS_CHARSET_EUC);
    const struct {
        std::string text;
        V want;
        TokenMode mode = option;
        int charset = VXLS_CHARSET_UTF8;
    } cases[] = {
        // Blanks and "=" separate tokens; a final ";" is dropped only at the end (a lone one is no token).
        {"A1=10 B1=abc", {"A1", "=", "10", "B1", "=", "abc"}},
        {" \t\r\nA1 \t=\n 10\r\n", {"A1", "=", "10"}},
        {"a==b", {"a", "=", "=", "b"}}, {"   \t ", {}}, {"A1=5;", {"A1", "=", "5"}},
        {"A1=5; B1=6", {"A1", "=", "5;", "B1", "=", "6"}}, {"A1=\"x\";", {"A1", "=", "\"x\""}},
        // Option mode: a quote runs to the next quote, and a quote inside an unquoted token ends it.
        {"BOOK=\"a b=c\" X", {"BOOK", "=", "\"a b=c\"", "X"}},
        {"K=\"a\"\"b\"", {"K", "=", "\"a\"", "\"b\""}},
        {"K=\"open", {"K", "=", "\"open"}}, {"ab\"cd\"", {"ab", "\"cd\""}},
        {"'a b' c", {"'a b'", "c"}}, {"it's", {"it", "'s"}},
        // Value mode: doubled quotes become one, outer quotes are kept, blanks do not end it; it ends
        // only at a quote followed by a blank, a line break or the end; blanks before that quote are dropped.
        {"\"say \"\"hi\"\" now\" next", {"\"say \"hi\" now\"", "next"}, value},
        {"\"a\"b\" c", {"\"a\"b\"", "c"}, value}, {"\"abc \t\" x", {"\"abc\"", "x"}, value},
        {"\"\"\"\"", {"\"\"\""}, value}, {"\"v\"\nB1", {"\"v\"", "B1"}, value},
        // Formula mode splits operators, which are ordinary characters in the other modes.
        {"SUM(A1:B2)*2^3-1", {"SUM", "(", "A1:B2", ")", "*", "2", "^", "3", "-", "1"}, formula},
        {"\"a\"\"b\"c", {"\"a\"b\"", "c"}, formula}, {"a+b(c)", {"a+b(c)"}},
        // Shift-JIS 表 (95 5C) and タ (83 5E) carry "\" and "^" as their second bytes and are never split;
        // a lead byte at the very end is clipped, never read past.
        {"\x95\x5C\x83\x5E^1", {"\x95\x5C\x83\x5E", "^", "1"}, formula, VXLS_CHARSET_SJIS},
        {"ab\x95", {"ab\x95"}, option, VXLS_CHARSET_SJIS},
        {"\x83\x5C=\x95\x5C", {"\x83\x5C", "=", "\x95\x5C"}, option, VXLS_CHARSET_SJIS},
        {"\"\x95\x5C\" z", {"\"\x95\x5C\"", "z"}, value, VXLS_CHARSET_SJIS},
        // The same bytes in EUC-JP are single bytes; there 0x8E introduces a two-byte half-width katakana.
        {"\x83\x5E^", {"\x83", "^", "^"}, formula, VXLS_CHARSET_EUC},
        {"\x8E\x5E^", {"\x8E\x5E", "^"}, formula, VXLS_CHARSET_EUC},
        {"A1." + euc + "=1", {"A1." + euc, "=", "1"}, option, VXLS_CHARSET_EUC},
        // UTF-8: sequences of 2, 3 and 4 bytes stay whole; a truncated one is clipped.
        {"é色😀=x", {"é色😀", "=", "x"}},
        {"a\xE8\x89", {"a\xE8\x89"}},
    };
    for (const auto &c : cases) EXPECT_EQ(tokens(c.text, c.mode, c.charset), c.want) << c.text;
}

TEST(Tokenizer, LengthLimitsPerMode) {
    for (auto mode : {TokenMode::Option, TokenMode::Value, TokenMode::Formula}) {
        const size_t max = vel::token_max(mode);
        const std::string ok(max, 'x');
        EXPECT_EQ(tokens(ok + " y", mode), (V{ok, "y"}));
        // One byte more fails with -9, and the position moves past it.
        EXPECT_EQ(tokens(ok + "x y", mode), (V{"#-9", "y"}));
    }
    // A quoted token counts its quotes.
    std::string quoted = "\"" + std::string(vel::TOKEN_MAX_OPTION - 1, 'q') + "\"";
    EXPECT_EQ(tokens(quoted), (V{"#-9"}));
}

TEST(Tokenizer, QuoteRemoval) {
    EXPECT_EQ(vel::strip_double_quotes("\"abc\""), "abc");
    EXPECT_EQ(vel::strip_double_quotes("\""), "\"");
    EXPECT_EQ(vel::strip_double_quotes("\"abc"), "\"abc");
    EXPECT_EQ(vel::strip_single_quotes("\"a\""), "\"a\"");
    char a[] = "\"x y\"";
    EXPECT_EQ(vel::vlt_remove_dquote(a), 3u);
    EXPECT_STREQ(a, "x y");
    char c[] = "'a";
    EXPECT_EQ(vel::vlt_remove_squote(c), 2u);
    EXPECT_STREQ(c, "'a");
}

} // namespace
