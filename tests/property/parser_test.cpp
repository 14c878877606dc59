// Key parser: keyword paths in English and Japanese in each character set, refusals and targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "property/address.h"
#include "property/keywords.h"
#include "property/kinds.h"
#include "property/parser.h"
#include "book/values.h"
#include "property_fixture.h"

using ptest::TestBook;

namespace {

// Paths of the combination rules, with their kinds.
const struct {
    const char *path;
    int kind;
} LISTED[] = {
    {"BOOK", 101}, {"CSV", 2002}, {"SHEET.TAB.COLOR", 231}, {"SHEET.HEADER.LEFT.FONT.COLOR", 805},
    {"FILL.GRADATION.VARIATION", 354}, {"IMAGE.IMAGE.OFFSET.Y", 504}, {"AUTOSHAPE.SHADOW.ALIGN", 707},
    // Fall-through and leftmost-wins.
    {"SHEET.ZOOM", 201}, {"FILL.WIDTH", 223}, {"IMAGE.MERGE", 405}, {"FILL.PATTERN", 342},
};

// The keyword entry of an English spelling (the first, as comparison does).
int entry_of(const std::string &english) {
    for (int k = 0; k < vel::KW_COUNT; ++k)
        if (english == vel::KEYWORDS[k].english) return k;
    return -1;
}

// The path in Japanese, section `which` in spelling `alt`, others in their first; "" when there is no such one.
std::string japanese(const std::string &path, int which = -1, int alt = 0) {
    std::istringstream in(path);
    std::string part, out;
    for (int i = 0; std::getline(in, part, '.'); ++i) {
        const int k = entry_of(part);
        if (k < 0) return "";
        const char *jp = vel::KEYWORDS[k].japanese[i == which ? alt : 0];
        if (!jp && i == which) return "";
        out += (i ? "." : "") + (jp ? std::string(jp) : part); // CSV and TSV have no Japanese spelling
    }
    return out;
}

// A key (UTF-8, converted to the book's set) parsed: "kind row col sheet ranges[ / r1 c1 r2 c2 of the last
// range]"; "rc message" when refused, "kind message" when the parse left a message.
std::string where(TestBook &b, const std::string &key) {
    int kind = 0;
    vel::PropTarget t;
    b.get()->diag.begin_call();
    const int rc = vel::vlt_parse_property(b.get(), ptest::in_charset(key, b.env().charset), kind, t);
    if (rc != 0) return std::to_string(rc) + " " + b.error();
    if (!b.error().empty()) return std::to_string(kind) + " " + b.error();
    std::string s = std::to_string(kind) + " " + std::to_string(t.row) + " " + std::to_string(t.col) + " " +
                    std::to_string(t.sheet) + " " + std::to_string(t.nranges);
    if (t.nranges > 0) {
        s += " /";
        for (int n : t.ranges[t.nranges - 1]) s += " " + std::to_string(n);
    }
    return s;
}

class EachCharset : public ::testing::TestWithParam<int> {};

TEST_P(EachCharset, EveryListedPathInEnglishAndJapanese) {
    TestBook b(GetParam());
    for (const auto &p : LISTED) {
        const std::string en = p.path, want = std::to_string(p.kind) + " -1 -1 -1 0";
        std::string lower = en;
        for (auto &ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(where(b, en), want) << en;
        EXPECT_EQ(where(b, lower), want) << lower;
        // A cell target in front leaves the kind and sets the cell.
        EXPECT_EQ(where(b, "B3." + en), std::to_string(p.kind) + " 2 1 -1 0") << en;
        // Each Japanese spelling of each section.
        const int sections = static_cast<int>(std::count(en.begin(), en.end(), '.')) + 1;
        for (int i = 0; i < sections; ++i) {
            for (int alt = 0; alt < vel::MAX_JAPANESE_SPELLINGS; ++alt) {
                const std::string jp = japanese(en, i, alt);
                if (!jp.empty()) {
                    EXPECT_EQ(where(b, jp), want) << jp << " charset " << GetParam();
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Charsets, EachCharset,
                         ::testing::Values(VXLS_CHARSET_SJIS, VXLS_CHARSET_EUC, VXLS_CHARSET_UTF8));

TEST(Keywords, ComparisonRules) {
    // English without regard to case; Japanese exactly; full-width letters only as the Japanese spelling of X.
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_UTF8, "wIdTh"), vel::KW_WIDTH);
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_UTF8, "Ｘ"), vel::KW_X);
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_UTF8, "ｘ"), -1);
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_UTF8, "色１"), vel::KW_COLOR1);
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_UTF8, "WIDTHS"), -1);
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_UTF8, ""), -1);
    // Shift-JIS ズーム is 83 59 81 5B 83 80; folding its trail byte 0x59 ("Y") to 0x79 must not match.
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_SJIS, "\x83\x59\x81\x5B\x83\x80"), vel::KW_ZOOM);
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_SJIS, "\x83\x79\x81\x5B\x83\x80"), -1);
    // A keyword in another character set's bytes is no keyword.
    EXPECT_EQ(vel::find_keyword(VXLS_CHARSET_SJIS, "幅"), -1);
}

TEST(Parser, KeysAndTheirResults) {
    TestBook b(VXLS_CHARSET_UTF8, {"Sheet2", "データ"});
    const struct {
        const char *key, *want;
    } cases[] = {
        // Stand-alone and leaf keywords: no kind until the path ends.
        {"FILL", "-1 -1 -1 -1 0"}, {"MARGIN", "-1 -1 -1 -1 0"}, {"SHADOW", "-1 -1 -1 -1 0"},
        {"COLOR", "-1 -1 -1 -1 0"}, {"回転", "-1 -1 -1 -1 0"}, {"A1.塗りつぶし", "-1 0 0 -1 0"},
        {"AUTOSHAPE.LINE", "-1 -1 -1 -1 0"}, {"色1", "-1 -1 -1 -1 0"},
        {"縦書き", "403 -1 -1 -1 0"}, {"ZOOM", "202 -1 -1 -1 0"}, {"塗りつぶし.グラデーション.色１", "351 -1 -1 -1 0"},
        // Header and footer fonts add to their position.
        {"SHEET.HEADER.CENTER.FONT.NAME", "822 -1 -1 -1 0"}, {"SHEET.FOOTER.CENTER.FONT.COLOR", "855 -1 -1 -1 0"},
        // Six sections at most; dots inside double quotes do not cut.
        {"A1.SHEET.HEADER.LEFT.FONT.SIZE", "803 0 0 -1 0"},
        {"A1.B.SHEET.HEADER.LEFT.FONT.SIZE",
         "-3 VXLS-02211 ドット(.)で区切られたキーワードが多すぎます(\"A1.B.SHEET.HEADER.LEFT.FONT.SIZE\")。"},
        {"\"a.b\"", "2001 -1 -1 -1 0"}, // a variable
        // Refusals end the parse with their message.
        {"FONT", "-3 VXLS-02403 フォント(FONT)の指定内容が不正です(\"FONT\")。"},
        {"SHEET.HEADER.LEFT.FONT", "-3 VXLS-02403 フォント(FONT)の指定内容が不正です(\"SHEET.HEADER.LEFT.FONT\")。"},
        {"FILL.GRADATION.SIZE", "-3 VXLS-02409 グラデーション(GRADATION)の指定内容が不正です(\"FILL.GRADATION.SIZE\")。"},
        {"FILL.PATTERN.SIZE", "-3 VXLS-02407 パターン(PATTERN)の指定内容が不正です。"},
        {"PAPER.MARGIN.SIZE", "-3 VXLS-02500 余白(MARGIN)の指定内容が不正です。"},
        {"SHEET.BACKGROUND.COLOR", "-3 VXLS-02510 背景(BACKGROUND)の指定内容が不正です。"},
        {"IMAGE.OFFSET.COLOR", "-3 VXLS-02402 オフセット(OFFSET)値の指定内容が不正です。"},
        {"AUTOSHAPE.SHADOW.WIDTH", "-3 VXLS-02604 オートシェイプ影(SHADOW)の指定内容が不正です。"},
        {"AUTOSHAPE.ADJUST.Z1", "-3 VXLS-02200 サポート外のキーワードです(\"Z1\")。"},
        {"FONT.WIDTH", "-3 VXLS-02403 フォント(FONT)の指定内容が不正です(\"FONT.WIDTH\")。"},
        {"NOSUCH.KEY", "-3 VXLS-02200 サポート外のキーワードです(\"KEY\")。"},
        // Targets of the first section.
        {"C7.FILL.COLOR", "341 6 2 -1 0"}, {"15.高さ", "221 14 -1 -1 0"},
        {"Sheet2!B2:D4.BORDER", "310 -1 -1 1 1 / 1 1 3 3"},
        {"A1:A2,C3:D4,XFD1:XFD1048576.MERGE", "405 -1 -1 -1 3 / 0 16383 1048575 16383"},
        {"B:D.幅", "223 -1 -1 -1 1 / 0 1 0 3"},
        // Column names that are also keywords name the column where the keyword would add nothing to the path.
        {"X.幅", "223 -1 23 -1 0"}, {"TAB.COLOR", "231 -1 -1 -1 0"},
        {"tab.FILL.COLOR", "341 -1 13547 -1 0"}, // column T A B
        // A sheet named by the first section, in UTF-8 after conversion.
        {"データ.ZOOM", "202 -1 -1 2 0"},
        // Variables; a sheet name alone is a variable that also names the sheet; a target alone has no kind.
        {"MYVAR", "2001 -1 -1 -1 0"}, {"変数", "2001 -1 -1 -1 0"}, {"Sheet2", "2001 -1 -1 1 0"},
        {"MY$VAR", "-1 VXLS-02305 変数名の形式が不正です(\"MY$VAR\")。"},
        {"A!B", "-1 VXLS-02305 変数名の形式が不正です(\"A!B\")。"},
        {"A1:B2", "-1 -1 -1 -1 1 / 0 0 1 1"}, {"A1", "-1 0 0 -1 0"},
        // A first section that is nothing known, before keywords, is refused.
        {"Nowhere.ZOOM", "-3 VXLS-02200 サポート外のキーワードです(\"Nowhere\")。"},
        {"A0.幅", "-3 VXLS-02200 サポート外のキーワードです(\"A0\")。"},
        {"XFE1.幅", "-3 VXLS-02200 サポート外のキーワードです(\"XFE1\")。"},
    };
    for (const auto &c : cases) EXPECT_EQ(where(b, c.key), c.want) << c.key;
    // The 256-byte limit of a section, which holds 42 ranges of "A1:B2".
    std::string list = "A1:B2";
    for (int i = 1; i < 42; ++i) list += ",A1:B2";
    EXPECT_EQ(where(b, list + ".BORDER"), "310 -1 -1 -1 42 / 0 0 1 1");
    EXPECT_EQ(where(b, std::string(256, 'v') + ".幅").find("VXLS-03009"), std::string::npos);
    EXPECT_EQ(where(b, std::string(257, 'v') + ".幅"),
              "-9 VXLS-03009 バッファサイズ(\"257\")オーバー(\"vlt_parse_property() section\")。");
}

TEST(Parser, RepeatedPathsKeepTheirOwnResult) {
    // Repeated paths are combined once; each key's bytes, character set and errors still decide.
    TestBook utf8(VXLS_CHARSET_UTF8), sjis(VXLS_CHARSET_SJIS);
    const std::string raw_utf8_width = "A1.幅";
    int kind = 0;
    vel::PropTarget t;
    EXPECT_EQ(vel::vlt_parse_property(utf8.get(), raw_utf8_width, kind, t), 0);
    EXPECT_EQ(kind, 223);
    EXPECT_EQ(vel::vlt_parse_property(sjis.get(), raw_utf8_width, kind, t), -3);
    EXPECT_EQ(kind, -1);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(where(utf8, "A1.FONT.WIDTH"), "-3 VXLS-02403 フォント(FONT)の指定内容が不正です(\"A1.FONT.WIDTH\")。");
        EXPECT_EQ(where(utf8, "B2.FONT.SIZE"), "333 1 1 -1 0");
        EXPECT_EQ(where(utf8, "C3.FONT.SIZE"), "333 2 2 -1 0");
        EXPECT_EQ(where(utf8, "FONT.SIZE"), "333 -1 -1 -1 0");
        EXPECT_EQ(where(utf8, "Nowhere.FONT.SIZE"), "-3 VXLS-02200 サポート外のキーワードです(\"Nowhere\")。");
    }
}

TEST(Parser, IsProperty) {
    TestBook b(VXLS_CHARSET_SJIS);
    int kind = 0;
    EXPECT_EQ(vel::vlt_is_property(b.get(), ptest::in_charset("A1.塗りつぶし.色", VXLS_CHARSET_SJIS).c_str(), &kind), 0);
    EXPECT_EQ(kind, 341);
    EXPECT_EQ(vel::vlt_is_property(b.get(), "FILL", &kind), 0);
    EXPECT_EQ(kind, -1);
    EXPECT_EQ(vel::vlt_is_property(b.get(), "FONT", &kind), -3);
    EXPECT_EQ(kind, -1);
    EXPECT_EQ(vel::vlt_is_property(b.get(), nullptr, &kind), -3);
    EXPECT_EQ(vel::vlt_is_property(b.get(), "WIDTH", nullptr), -3);
}

} // namespace
