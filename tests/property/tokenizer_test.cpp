// Tokeniser: token boundaries, quoting in each mode, multi-byte characters,
// length limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "property/tokenizer.h"
#include "property_fixture.h"

using vel::TokenMode;

namespace {

// All tokens of a text; a failing read ends the list with "#<rc>".
std::vector<std::string> tokens(std::string_view text, TokenMode mode = TokenMode::Option,
                                int charset = VXLS_CHARSET_UTF8) {
    std::vector<std::string> out;
    std::string buf(vel::token_max(mode) + 1, '\0');
    size_t pos = 0, len = 0;
    for (;;) {
        int rc = vel::vlt_get_token(mode, charset, text, pos, buf.data(), len);
        if (rc == vel::TOKEN_NONE) break;
        if (rc != 0) {
            out.push_back("#" + std::to_string(rc));
            break;
        }
        EXPECT_EQ(len, std::string(buf.c_str()).size()) << "token is NUL-terminated at len";
        out.emplace_back(buf.data(), len);
    }
    return out;
}

using V = std::vector<std::string>;

TEST(Tokenizer, BlanksAndEqualsSeparateTokens) {
    EXPECT_EQ(tokens("A1=10 B1=abc"), (V{"A1", "=", "10", "B1", "=", "abc"}));
    EXPECT_EQ(tokens(" \t\r\nA1 \t=\n 10\r\n"), (V{"A1", "=", "10"}));
    EXPECT_EQ(tokens("a==b"), (V{"a", "=", "=", "b"}));
    EXPECT_EQ(tokens("   \t "), V{});
}

TEST(Tokenizer, FinalSemicolonIsDroppedOnlyAtTheEnd) {
    EXPECT_EQ(tokens("A1=5;"), (V{"A1", "=", "5"}));
    EXPECT_EQ(tokens("A1=5; B1=6"), (V{"A1", "=", "5;", "B1", "=", "6"}));
    // A lone ";" at the end is no token at all.
    EXPECT_EQ(tokens("A1=\"x\";"), (V{"A1", "=", "\"x\""}));
}

TEST(Tokenizer, OptionModeQuotesRunToTheNextQuote) {
    EXPECT_EQ(tokens("BOOK=\"a b=c\" X"), (V{"BOOK", "=", "\"a b=c\"", "X"}));
    EXPECT_EQ(tokens("K=\"a\"\"b\""), (V{"K", "=", "\"a\"", "\"b\""}));
    EXPECT_EQ(tokens("K=\"open"), (V{"K", "=", "\"open"}));
    // A quote inside an unquoted token ends it.
    EXPECT_EQ(tokens("ab\"cd\""), (V{"ab", "\"cd\""}));
}

TEST(Tokenizer, ValueModeQuotes) {
    // Doubled quotes become one; outer quotes are kept; blanks do not end it.
    EXPECT_EQ(tokens("\"say \"\"hi\"\" now\" next", TokenMode::Value), (V{"\"say \"hi\" now\"", "next"}));
    // The token ends only at a quote followed by a blank or the end.
    EXPECT_EQ(tokens("\"a\"b\" c", TokenMode::Value), (V{"\"a\"b\"", "c"}));
    // Blanks before the closing quote are dropped.
    EXPECT_EQ(tokens("\"abc \t\" x", TokenMode::Value), (V{"\"abc\"", "x"}));
    EXPECT_EQ(tokens("\"\"\"\"", TokenMode::Value), (V{"\"\"\""}));
    // A line break after the closing quote closes it as a blank does.
    EXPECT_EQ(tokens("\"v\"\nB1", TokenMode::Value), (V{"\"v\"", "B1"}));
}

TEST(Tokenizer, SingleQuotes) {
    EXPECT_EQ(tokens("'a b' c"), (V{"'a b'", "c"}));
    EXPECT_EQ(tokens("it's"), (V{"it", "'s"}));
}

TEST(Tokenizer, FormulaModeOperatorsAndQuotes) {
    EXPECT_EQ(tokens("SUM(A1:B2)*2^3-1", TokenMode::Formula),
              (V{"SUM", "(", "A1:B2", ")", "*", "2", "^", "3", "-", "1"}));
    EXPECT_EQ(tokens("\"a\"\"b\"c", TokenMode::Formula), (V{"\"a\"b\"", "c"}));
    // Operators are ordinary characters in the other modes.
    EXPECT_EQ(tokens("a+b(c)"), (V{"a+b(c)"}));
}

TEST(Tokenizer, MultiByteCharactersAreNeverSplit) {
    // Shift-JIS 表 is 95 5C: its second byte is a backslash; 0x83 0x5E (タ)
    // carries "^" as its second byte, which formula mode must not split.
    const std::string sjis_hyo = "\x95\x5C";
    const std::string sjis_ta = "\x83\x5E";
    EXPECT_EQ(tokens(sjis_hyo + sjis_ta + "^1", TokenMode::Formula, VXLS_CHARSET_SJIS),
              (V{sjis_hyo + sjis_ta, "^", "1"}));
    // A Shift-JIS trail byte of 0x22 does not exist, but a lead byte at the
    // very end is clipped, never read past.
    EXPECT_EQ(tokens("ab\x95", TokenMode::Option, VXLS_CHARSET_SJIS), (V{"ab\x95"}));
    // The same bytes in EUC-JP are single bytes (0x95 is no lead there).
    EXPECT_EQ(tokens(sjis_ta + "^", TokenMode::Formula, VXLS_CHARSET_EUC), (V{"\x83", "^", "^"}));
    // EUC-JP: 0x8E introduces a two-byte half-width katakana.
    EXPECT_EQ(tokens("\x8E\x5E^", TokenMode::Formula, VXLS_CHARSET_EUC), (V{"\x8E\x5E", "^"}));
    const std::string euc = ptest::in_charset("塗りつぶし", VXLS_CHARSET_EUC);
    EXPECT_EQ(tokens("A1." + euc + "=1", TokenMode::Option, VXLS_CHARSET_EUC), (V{"A1." + euc, "=", "1"}));
    // UTF-8: sequences of 2, 3 and 4 bytes stay whole; a truncated one is clipped.
    EXPECT_EQ(tokens("é色😀=x", TokenMode::Option, VXLS_CHARSET_UTF8), (V{"é色😀", "=", "x"}));
    EXPECT_EQ(tokens("a\xE8\x89", TokenMode::Option, VXLS_CHARSET_UTF8), (V{"a\xE8\x89"}));
    // Option mode: a trail byte 0x5C never splits its character.
    EXPECT_EQ(tokens("\x83\x5C=\x95\x5C", TokenMode::Option, VXLS_CHARSET_SJIS), (V{"\x83\x5C", "=", "\x95\x5C"}));
    // A quoted value keeps Shift-JIS text with a backslash byte intact.
    EXPECT_EQ(tokens("\"" + sjis_hyo + "\" z", TokenMode::Value, VXLS_CHARSET_SJIS), (V{"\"" + sjis_hyo + "\"", "z"}));
}

TEST(Tokenizer, LengthLimitsPerMode) {
    for (auto mode : {TokenMode::Option, TokenMode::Value, TokenMode::Formula}) {
        const size_t max = vel::token_max(mode);
        std::string ok(max, 'x');
        EXPECT_EQ(tokens(ok + " y", mode), (V{ok, "y"}));
        // One byte more fails with -9, and the position moves past it.
        std::string over(max + 1, 'x');
        EXPECT_EQ(tokens(over + " y", mode), (V{"#-9"}));
        std::string buf(max + 1, '\0');
        size_t pos = 0, len = 0;
        std::string text = over + " y";
        EXPECT_EQ(vel::vlt_get_token(mode, VXLS_CHARSET_UTF8, text, pos, buf.data(), len), -9);
        EXPECT_EQ(vel::vlt_get_token(mode, VXLS_CHARSET_UTF8, text, pos, buf.data(), len), 0);
        EXPECT_EQ(std::string(buf.data(), len), "y");
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
