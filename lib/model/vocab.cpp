// Value vocabularies of the property keywords.
#include "model/vocab.h"

#include "core/charset.h"

#include <cstdlib>
#include <initializer_list>

namespace vel {

namespace {

struct Word {
    const char *text;
    int code;
};

// First entry whose word equals `text`, or `fallback`.
template <size_t N>
int lookup(const Word (&table)[N], std::string_view text, int fallback) {
    for (const Word &w : table)
        if (same_nocase(text, w.text)) return w.code;
    return fallback;
}

struct PaletteColor {
    int code;
    const char *english;
    const char *japanese;
    const char *japanese_iro;
    uint8_t r, g, b;
};

const PaletteColor kPalette[] = {
    {0, "BLACK", "黒", "黒色", 0x00, 0x00, 0x00},
    {1, "GRAY", "灰", "灰色", 0x80, 0x80, 0x80},
    {2, "SILVER", "銀", "銀色", 0xC0, 0xC0, 0xC0},
    {3, "WHITE", "白", "白色", 0xFF, 0xFF, 0xFF},
    {11, "RED", "赤", "赤色", 0xFF, 0x00, 0x00},
    {12, "YELLOW", "黄", "黄色", 0xFF, 0xFF, 0x00},
    {13, "LIME", "黄緑", "黄緑色", 0x00, 0xFF, 0x00},
    {14, "AQUA", "水", "水色", 0x00, 0xFF, 0xFF},
    {15, "BLUE", "青", "青色", 0x00, 0x00, 0xFF},
    {16, "FUCHSIA", "赤紫", "赤紫色", 0xFF, 0x00, 0xFF},
    {21, "MAROON", "赤茶", "赤茶色", 0x80, 0x00, 0x00},
    {22, "OLIVE", "オリーブ", "オリーブ色", 0x80, 0x80, 0x00},
    {23, "GREEN", "緑", "緑色", 0x00, 0x80, 0x00},
    {24, "TEAL", "青緑", "青緑色", 0x00, 0x80, 0x80},
    {25, "NAVY", "紺", "紺色", 0x00, 0x00, 0x80},
    {26, "PURPLE", "紫", "紫色", 0x80, 0x00, 0x80},
    {31, "LIGHT_RED", "薄紅", "薄紅色", 0xFF, 0xCC, 0xCC},
    {32, "LIGHT_YELLOW", "肌", "肌色", 0xFF, 0xFF, 0xCC},
    {33, "LIGHT_GREEN", "若葉", "若葉色", 0xCC, 0xFF, 0xCC},
    {34, "LIGHT_CYAN", "淡水", "淡水色", 0xCC, 0xFF, 0xFF},
    {35, "LIGHT_BLUE", "藤", "藤色", 0xCC, 0xCC, 0xFF},
    {36, "LIGHT_MAGENTA", "桜", "桜色", 0xFF, 0xCC, 0xFF},
};

const Word kPatterns[] = {
    {"none", 0},           {"なし", 0},
    {"solid", 1},          {"塗りつぶし", 1},
    {"darkGray", 2},       {"75%灰色", 2},
    {"mediumGray", 3},     {"50%灰色", 3},
    {"lightGray", 4},      {"25%灰色", 4},
    {"gray125", 5},        {"12.5%灰色", 5},
    {"gray0625", 6},       {"6.25%灰色", 6},
    {"darkHorizontal", 7}, {"横縞", 7},
    {"darkVertical", 8},   {"縦縞", 8},
    {"darkDown", 9},       {"右下がり斜線縞", 9},
    {"darkUp", 10},        {"左下がり斜線縞", 10},
    {"darkGrid", 11},      {"左下がり斜線格子", 11},
    {"darkTrellis", 12},   {"極太線左下がり斜線格子", 12},
    {"lightHorizontal", 13}, {"実線横縞", 13},
    {"lightVertical", 14}, {"実線縦縞", 14},
    {"lightDown", 15},     {"実線右下がり斜線縞", 15},
    {"lightUp", 16},       {"実線左下がり斜線縞", 16},
    {"lightGrid", 17},     {"実線横格子", 17},
    {"lightTrellis", 18},  {"実線左下がり斜線格子", 18},
};

const Word kLineStyles[] = {
    {"thin", 1},          {"実線", 1},
    {"hair", 2},          {"細線", 2},
    {"thick", 3},         {"太線", 3},
    {"dotted", 4},        {"点線", 4},
    {"medium", 5},        {"中太線", 5},
    {"double", 6},        {"２重線", 6}, {"二重線", 6},
    {"dashed", 11},       {"破線", 11},
    {"dashDot", 12},      {"一点鎖線", 12},
    {"dashDotDot", 13},   {"二点鎖線", 13},
    {"mediumDashed", 21}, {"中破線", 21},
    {"mediumDashDot", 22}, {"中鎖線", 22},
    {"mediumDashDotDot", 23}, {"中二点鎖線", 23},
    {"slantDashDot", 31}, {"斜二点鎖線", 31},
};

const Word kFontStyles[] = {
    {"regular", 0},          {"標準", 0},
    {"underline", 4},        {"regular_underline", 4}, {"下線", 4}, {"標準下線", 4},
    {"italic", 1},           {"斜体", 1},
    {"italic_underline", 5}, {"斜体下線", 5},
    {"bold", 2},             {"強調", 2},
    {"bold_underline", 6},   {"強調下線", 6},
    {"bold_italic", 3},      {"強調斜体", 3},
    {"bold_italic_underline", 7}, {"強調斜体下線", 7},
};

struct Face {
    int code;
    const char *word; // nullptr: no word selects it
    const char *name;
};

const Face kFaces[] = {
    {10, "ゴシック", "ＭＳ Ｐゴシック"},
    {11, nullptr, "ＭＳゴシック"},
    {20, "明朝", "ＭＳ Ｐ明朝"},
    {21, nullptr, "ＭＳ明朝"},
    {31, "ポップ", "HGP創英角ﾎﾟｯﾌﾟ体"},
    {32, "教科書", "HGP教科書体"},
    {33, "行書", "HGP行書体"},
    {100, "大阪市明朝", "大阪市明朝"},
    {101, "大阪市明朝２", "大阪市明朝２"},
    {102, "拡張大阪市明朝", "拡張大阪市明朝"},
};

const Word kAligns[] = {
    {"TOP_LEFT", 11},      {"左上", 11},
    {"TOP_CENTER", 12},    {"中上", 12},
    {"TOP_RIGHT", 13},     {"右上", 13},
    {"CENTER_LEFT", 21},   {"左中", 21}, {"左", 21},
    {"CENTER_CENTER", 22}, {"中中", 22}, {"中", 22},
    {"CENTER_RIGHT", 23},  {"右中", 23}, {"右", 23},
    {"BOTTOM_LEFT", 31},   {"左下", 31},
    {"BOTTOM_CENTER", 32}, {"中下", 32},
    {"BOTTOM_RIGHT", 33},  {"右下", 33},
};

const Word kGradientDirs[] = {
    {"HORIZONTAL", 1},
    {"VERTICAL", 2},
    {"DIAG_R_TOP", 3},    {"右上対角線", 3},
    {"DIAG_R_BOTTOM", 4}, {"右下対角線", 4},
    {"CORNER", 5},        {"角から", 5},
    {"CENTER", 6},        {"中央から", 6},
};

const Word kArrowHeads[] = {
    {"ARROW", 1}, {"矢印", 1}, {"TRIANGLE", 2}, {"三角", 2},
    {"DIAMOND", 3}, {"四角", 3}, {"OVAL", 4}, {"丸", 4},
};

const Word kArrowSizes[] = {
    {"SMALL", 1}, {"小", 1}, {"MEDIUM", 2}, {"中", 2}, {"LARGE", 3}, {"大", 3},
};

const Word kSwitches[] = {
    {"TRUE", 1}, {"する", 1}, {"FALSE", 0}, {"しない", 0},
};

const Word kPapers[] = {
    {"A0", 0}, {"A1", 1}, {"A2", 2}, {"A3", 3}, {"A4", 4}, {"A5", 5},
    {"B1", 11}, {"B2", 12}, {"B3", 13}, {"B4", 14}, {"B5", 15},
};

const Word kSparklineKinds[] = {
    {"LINE", 1}, {"折れ線", 1}, {"BAR", 2}, {"縦棒", 2}, {"STACK", 3}, {"勝敗", 3},
};

// Chart types: tens give the family (1 column, 2 bar, 3 line, 4 pie,
// 5 area, 6 scatter, 7 doughnut, 8 radar, 9 stock, 10 surface, 11 bubble),
// units the variant (0 clustered, 1 stacked, 2 percent stacked, 5 3-D).
const Word kChartTypes[] = {
    {"COLUMN", 10},        {"縦棒", 10},
    {"COLUMN_STACKED", 11}, {"積み上げ縦棒", 11},
    {"COLUMN_PERCENT", 12}, {"100%積み上げ縦棒", 12},
    {"COLUMN_3D", 15},     {"3-D縦棒", 15},
    {"BAR", 20},           {"横棒", 20},
    {"BAR_STACKED", 21},   {"積み上げ横棒", 21},
    {"BAR_PERCENT", 22},   {"100%積み上げ横棒", 22},
    {"BAR_3D", 25},        {"3-D横棒", 25},
    {"LINE", 30},          {"折れ線", 30},
    {"LINE_STACKED", 31},  {"積み上げ折れ線", 31},
    {"LINE_PERCENT", 32},  {"100%積み上げ折れ線", 32},
    {"LINE_3D", 35},       {"3-D折れ線", 35},
    {"PIE", 40},           {"円", 40},
    {"PIE_3D", 45},        {"3-D円", 45},
    {"AREA", 50},          {"面", 50},
    {"AREA_STACKED", 51},  {"積み上げ面", 51},
    {"AREA_PERCENT", 52},  {"100%積み上げ面", 52},
    {"AREA_3D", 55},       {"3-D面", 55},
    {"SCATTER", 60},       {"散布図", 60},
    {"DOUGHNUT", 70},      {"ドーナツ", 70},
    {"RADAR", 80},         {"レーダー", 80},
    {"STOCK", 90},         {"株価", 90},
    {"SURFACE", 100},      {"等高線", 100},
    {"BUBBLE", 110},       {"バブル", 110},
};

struct Shape {
    const char *english;
    const char *japanese;
    const char *preset;
};

const Shape kShapes[] = {
    {"RECTANGLE", "正方形/長方形", "rect"},
    {"ROUND_RECTANGLE", "角丸四角形", "roundRect"},
    {"OVAL", "楕円", "ellipse"},
    {"TRIANGLE", "二等辺三角形", "triangle"},
    {"RIGHT_TRIANGLE", "直角三角形", "rtTriangle"},
    {"DIAMOND", "ひし形", "diamond"},
    {"PENTAGON", "五角形", "pentagon"},
    {"HEXAGON", "六角形", "hexagon"},
    {"PARALLELOGRAM", "平行四辺形", "parallelogram"},
    {"TRAPEZOID", "台形", "trapezoid"},
    {"LINE", "直線", "line"},
    {"RIGHT_ARROW", "右矢印", "rightArrow"},
    {"LEFT_ARROW", "左矢印", "leftArrow"},
    {"UP_ARROW", "上矢印", "upArrow"},
    {"DOWN_ARROW", "下矢印", "downArrow"},
    {"STAR5", "星5", "star5"},
    {"HEART", "ハート", "heart"},
    {"SMILEY", "スマイル", "smileyFace"},
    {"CLOUD", "雲", "cloud"},
    {"WEDGE_RECT_CALLOUT", "四角形吹き出し", "wedgeRectCallout"},
    {"WEDGE_ROUND_RECT_CALLOUT", "角丸四角形吹き出し", "wedgeRoundRectCallout"},
    {"WEDGE_ELLIPSE_CALLOUT", "円形吹き出し", "wedgeEllipseCallout"},
    {"CLOUD_CALLOUT", "雲形吹き出し", "cloudCallout"},
    {"TEXTBOX", "テキストボックス", "rect"},
};

// Parses "<prefix><number>" with number in 1..max.
bool prefixed_number(std::string_view text, std::string_view prefix, int max, int &number) {
    if (text.size() <= prefix.size() || text.size() > prefix.size() + 2) return false;
    if (!same_nocase(text.substr(0, prefix.size()), prefix)) return false;
    int n = 0;
    for (char c : text.substr(prefix.size())) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > max) return false;
    number = n;
    return true;
}

} // namespace

namespace {

// Hex digit values by byte, 255 for other bytes.
struct HexTable {
    uint8_t v[256];
    constexpr HexTable() : v() {
        for (int i = 0; i < 256; ++i) v[i] = 255;
        for (int i = 0; i < 10; ++i) v['0' + i] = static_cast<uint8_t>(i);
        for (int i = 0; i < 6; ++i) {
            v['a' + i] = static_cast<uint8_t>(10 + i);
            v['A' + i] = static_cast<uint8_t>(10 + i);
        }
    }
};
constexpr HexTable kHex;

} // namespace

bool parse_hex_color(std::string_view text, Rgb &rgb) {
    if (!text.empty() && text[0] == '#') text.remove_prefix(1);
    if (text.size() != 6) return false;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
    uint8_t d[6];
    uint8_t bad = 0;
    for (int i = 0; i < 6; ++i) bad |= (d[i] = kHex.v[p[i]]);
    if (bad & 0xF0) return false;
    rgb.r = static_cast<uint8_t>(d[0] << 4 | d[1]);
    rgb.g = static_cast<uint8_t>(d[2] << 4 | d[3]);
    rgb.b = static_cast<uint8_t>(d[4] << 4 | d[5]);
    return true;
}

int32_t color_of(std::string_view text, Rgb &rgb) {
    rgb = Rgb{};
    for (const PaletteColor &p : kPalette)
        if (same_nocase(text, p.english) || text == p.japanese || text == p.japanese_iro)
            return p.code;
    if (same_nocase(text, "NONE") || text == "なし") return COLOR_NONE;
    if (parse_hex_color(text, rgb)) return COLOR_RGB;
    rgb = Rgb{};
    return COLOR_BAD;
}

Rgb color_value(int32_t code) {
    for (const PaletteColor &p : kPalette)
        if (p.code == code) return Rgb{p.r, p.g, p.b};
    return Rgb{};
}

int pattern_of(std::string_view text) { return lookup(kPatterns, text, 0); }

const char *pattern_name(int code) {
    for (const Word &w : kPatterns)
        if (w.code == code) return w.text; // English spelling comes first
    return "none";
}

int line_style_of(std::string_view text) { return lookup(kLineStyles, text, -1); }

const char *line_style_name(int code) {
    for (const Word &w : kLineStyles)
        if (w.code == code) return w.text;
    return nullptr;
}

int font_style_of(std::string_view text) { return lookup(kFontStyles, text, -1); }

int face_code_of(std::string_view text) {
    for (const Face &f : kFaces)
        if (f.word && text == f.word) return f.code;
    return FACE_OWN;
}

const char *face_name(int code) {
    for (const Face &f : kFaces)
        if (f.code == code) return f.name;
    return kFaces[0].name;
}

int align_of(std::string_view text) { return lookup(kAligns, text, -1); }
int gradient_dir_of(std::string_view text) { return lookup(kGradientDirs, text, -1); }
int arrow_head_of(std::string_view text) { return lookup(kArrowHeads, text, -1); }
int arrow_size_of(std::string_view text) { return lookup(kArrowSizes, text, 2); }
int switch_of(std::string_view text) { return lookup(kSwitches, text, -1); }
int paper_size_of(std::string_view text) { return lookup(kPapers, text, 4); }

int paper_orientation_of(std::string_view text) {
    return same_nocase(text, "LANDSCAPE") || text == "横" ? 1 : 0;
}

int sheet_order_of(std::string_view text) {
    if (same_nocase(text, "ASC") || text == "正") return 0;
    if (same_nocase(text, "DESC") || text == "逆") return 1;
    return -1;
}

int sparkline_kind_of(std::string_view text) { return lookup(kSparklineKinds, text, -1); }

bool table_style_of(std::string_view text, int &family, int &number) {
    struct Family {
        const char *english;
        const char *japanese;
        int code;
        int max;
    };
    static const Family kFamilies[] = {
        {"Light", "淡色", 1, 21}, {"Medium", "中間", 2, 28}, {"Dark", "濃色", 3, 11}};
    for (const Family &f : kFamilies) {
        if (prefixed_number(text, f.english, f.max, number) ||
            prefixed_number(text, f.japanese, f.max, number)) {
            family = f.code;
            return true;
        }
    }
    return false;
}

int chart_type_of(std::string_view text) { return lookup(kChartTypes, text, -1); }

const char *shape_preset_of(std::string_view text) {
    for (const Shape &s : kShapes)
        if (same_nocase(text, s.english) || text == s.japanese) return s.preset;
    return nullptr;
}

} // namespace vel
