// Keyword table, its per-character-set lookup index and the combination
// rules of keyword paths.
#include "property/keywords.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/charset.h"
#include "property/kinds.h"

namespace vel {

const KeywordEntry KEYWORDS[KW_COUNT] = {
    {"BOOK", {"ブック"}},
    {"TEMPLATE", {"テンプレート"}},
    {"SHEET", {"シート"}},
    {"ZOOM", {"ズーム"}},
    {"WIDTH", {"幅"}},
    {"HEIGHT", {"高さ"}},
    {"LENGTH", {"長さ"}},
    {"START", {"始点"}},
    {"END", {"終点"}},
    {"HIGH", {"山"}},
    {"LOW", {"谷"}},
    {"NEGATIVE", {"負"}},
    {"MARKER", {"マーカー"}},
    {"ROTATION", {"回転"}},
    {"DEGREE", {"角度"}},
    {"TRANSPARENT", {"透過性", "透過率"}},
    {"BLUR", {"ぼかし"}},
    {"DIST", {"距離"}},
    {"EFFECT", {"効果"}},
    {"NEWPAGE", {"改ページ"}},
    {"COMMENT", {"コメント"}},
    {"AUTO_WIDTH", {"列幅自動調整"}},
    {"RECALC", {"再計算"}},
    {"BACKUP", {"バックアップ"}},
    {"COLOR", {"色"}},
    {"SIZE", {"サイズ"}},
    {"STYLE", {"スタイル"}},
    {"ACCENT", {"アクセント"}},
    {"RESET", {"リセット"}},
    {"NAME", {"名"}},
    {"PATH", {"ファイル名"}},
    {"RATIO", {"倍率"}},
    {"COLOR1", {"色1", "色１"}},
    {"COLOR2", {"色2", "色２"}},
    {"KIND", {"種類"}},
    {"VARIATION", {"バリエーション"}},
    {"HIDDEN", {"非表示"}},
    {"DISPLAY", {"表示"}},
    {"PASSWORD", {"パスワード"}},
    {"FINAL", {"最終版"}},
    {"VERSION", {"バージョン"}},
    {"WRITE_PASSWORD", {"書込パスワード", "書込みパスワード", "書き込みパスワード"}},
    {"PROTECT", {"保護"}},
    {"ORDER", {"順"}},
    {"HIDDEN_GRID", {"枠線非表示"}},
    {"HIDDEN_HEADER", {"ヘッダー非表示"}},
    {"FROZEN_TOP", {"先頭行固定"}},
    {"FROZEN_LEFT", {"先頭列固定"}},
    {"THUMBNAIL", {"サムネイル"}},
    {"BACKGROUND", {"背景"}},
    {"OFFSET", {"オフセット"}},
    {"ADJUST", {"アジャスト"}},
    {"LEFT", {"左"}},
    {"RIGHT", {"右", "右側"}},
    {"TOP", {"上"}},
    {"BOTTOM", {"下"}},
    {"DIAGONAL_UP", {"斜上"}},
    {"DIAGONAL_DOWN", {"斜下"}},
    {"CENTER", {"中央部"}},
    {"X", {"Ｘ"}},
    {"Y", {"Ｙ"}},
    {"HEADER", {"ヘッダー"}},
    {"FOOTER", {"フッター"}},
    {"PATTERN", {"パターン"}},
    {"GRADATION", {"グラデーション"}},
    {"ORIENTATION", {"方向"}},
    {"SCALE", {"拡大／縮小"}},
    {"DPI", {"印刷品質"}},
    {"DATASOURCE", {"データソース"}},
    {"ROWNUM", {"行数"}},
    {"SWITCH", {"行列切替", "行/列の切り替え"}},
    {"DATE", {"日付"}},
    {"HOSTNAME", {"ホスト名"}},
    {"COMPANY", {"会社名"}},
    {"CREATOR", {"作成者"}},
    {"MANAGER", {"管理者"}},
    {"TITLE", {"タイトル"}},
    {"SUBJECT", {"サブタイトル"}},
    {"SCROLL_ROW", {"スクロール開始行"}},
    {"LEGEND_POSITION", {"凡例表示位置"}},
    {"LEGEND_FONT_SIZE", {"凡例フォントサイズ"}},
    {"SERIES_LINE", {"区分線表示"}},
    {"MAJOR_UNIT", {"目盛間隔"}},
    {"DATA_LABEL", {"データラベル"}},
    {"TEXT", {"文字列"}},
    {"GAP_WIDTH", {"棒の間隔"}},
    {"COLUMN_NAME", {"列名", "カラム名"}},
    {"ALIGN", {"配置"}},
    {"FONT", {"フォント"}},
    {"FILL", {"塗りつぶし"}},
    {"BORDER", {"罫線"}},
    {"TAB", {"タブ"}},
    {"PAPER", {"用紙"}},
    {"MARGIN", {"余白"}},
    {"MERGE", {"結合"}},
    {"WRAP", {"折り返し"}},
    {"SHRINK", {"縮小"}},
    {"ROTATION", {"縦書き"}},
    {"FORMAT", {"書式"}},
    {"FILTER", {"フィルター"}},
    {"TABLE_FORMAT", {"表書式"}},
    {"IMAGE", {"イメージ"}},
    {"CHART", {"グラフ"}},
    {"CSV", {}},
    {"TSV", {}},
    {"LINE", {"枠線"}},
    {"ARROW", {"矢印"}},
    {"SHADOW", {"影"}},
    {"AUTOSHAPE", {"オートシェイプ"}},
    {"SPARKLINE", {"スパークライン"}},
    {"HYPERLINK", {"ハイパーリンク"}},
};

namespace {

// ---- lookup index ------------------------------------------------------------
//
// Every spelling, converted once into each character set, is chained into
// one of 256 buckets chosen by its length and its first and last bytes (ASCII
// letters folded to upper case). A chain keeps table order, so the first
// spelling that matches is the one the table order selects.

constexpr int SPELLING_MAX = 32;
constexpr uint16_t NO_SPELLING = 0xFFFF;

struct Spelling {
    char text[SPELLING_MAX];
    uint8_t len;
    uint8_t keyword;
    bool english;
    uint16_t next;
};

inline unsigned char fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

inline unsigned bucket_of(const char *p, size_t n) {
    return (static_cast<unsigned>(n) * 37u + fold(static_cast<unsigned char>(p[0])) * 11u +
            fold(static_cast<unsigned char>(p[n - 1]))) & 255u;
}

struct CharsetIndex {
    std::vector<Spelling> spellings;
    std::array<uint16_t, 256> head{};
    std::array<uint16_t, 256> tail{};
    // Bit n of lengths[b]: some spelling of n bytes begins with byte b
    // (folded); most non-keywords (cell names) are rejected by it at once.
    std::array<uint32_t, 256> lengths{};

    void add(std::string_view text, int keyword, bool english) {
        if (text.empty() || text.size() >= SPELLING_MAX) return;
        Spelling s{};
        std::memcpy(s.text, text.data(), text.size());
        s.len = static_cast<uint8_t>(text.size());
        s.keyword = static_cast<uint8_t>(keyword);
        s.english = english;
        s.next = NO_SPELLING;
        uint16_t id = static_cast<uint16_t>(spellings.size());
        lengths[fold(static_cast<unsigned char>(s.text[0]))] |= 1u << s.len;
        unsigned b = bucket_of(s.text, s.len);
        if (head[b] == NO_SPELLING) head[b] = id;
        else spellings[tail[b]].next = id;
        tail[b] = id;
        spellings.push_back(s);
    }

    explicit CharsetIndex(int charset) {
        head.fill(NO_SPELLING);
        tail.fill(NO_SPELLING);
        std::string converted;
        for (int k = 0; k < KW_COUNT; ++k) {
            add(KEYWORDS[k].english, k, true);
            for (const char *jp : KEYWORDS[k].japanese) {
                if (!jp) break;
                if (convert_charset(converted, jp, VXLS_CHARSET_UTF8, charset) == 0) add(converted, k, false);
            }
        }
    }

    int find(std::string_view s) const {
        if (s.empty() || s.size() >= SPELLING_MAX) return -1;
        const size_t n = s.size();
        if (!(lengths[fold(static_cast<unsigned char>(s[0]))] & (1u << n))) return -1;
        for (uint16_t i = head[bucket_of(s.data(), n)]; i != NO_SPELLING; i = spellings[i].next) {
            const Spelling &sp = spellings[i];
            if (sp.len != n) continue;
            if (sp.english) {
                size_t j = 0;
                while (j < n && fold(static_cast<unsigned char>(s[j])) == static_cast<unsigned char>(sp.text[j])) ++j;
                if (j == n) return sp.keyword;
            } else if (std::memcmp(sp.text, s.data(), n) == 0) {
                return sp.keyword;
            }
        }
        return -1;
    }
};

struct Indexes {
    CharsetIndex sjis{VXLS_CHARSET_SJIS};
    CharsetIndex euc{VXLS_CHARSET_EUC};
    CharsetIndex utf8{VXLS_CHARSET_UTF8};
};

const Indexes &indexes() {
    static const Indexes built;
    return built;
}

} // namespace

int find_keyword(int charset, std::string_view section) {
    const Indexes &ix = indexes();
    switch (charset) {
    case VXLS_CHARSET_EUC: return ix.euc.find(section);
    case VXLS_CHARSET_UTF8: return ix.utf8.find(section);
    default: return ix.sjis.find(section);
    }
}

// ---- combination rules ---------------------------------------------------------
//
// The running code passed to the left is 0 at the right end, the keyword's
// own code (1 + its number) by default, or one of the compound codes below
// for sub-paths that a keyword further left resolves.
//
// Keywords fall in three groups:
// - plain keywords: an entry for a code sets the kind and the code passed
//   on; without an entry they keep both (fall-through);
// - containers (FILL, PATTERN, IMAGE, MARGIN, PAPER, BACKGROUND, THUMBNAIL,
//   TAB): alone they give no kind; a code they do not know keeps its kind
//   when a property was already selected on their right (FILL.WIDTH is
//   WIDTH), and is refused with the container's message when nothing was
//   (FILL.SIZE, PAPER.COLOR);
// - the shape parts OFFSET, LINE, ARROW, SHADOW and ADJUST, and FONT and
//   GRADATION: every code that is not one of their sub-keys is refused
//   (FONT and GRADATION even at the end of a key; the others then give no
//   kind, like the containers).
// Header and footer positions, margins, the tab colour, the background and
// thumbnail paths set their kind where they are resolved, so the same path
// works with or without SHEET, PAPER or BOOK in front.

namespace {

constexpr int own(int kw) { return kw + 1; }

enum Code : int {
    C_FONT = 200,            // + font part (1 name, 2 size, 3 style, 4 color)
    C_SIDE_FONT = 210,       // + side (0 left, 1 right, 2 center) * 10 + font part
    C_BORDER_SIDE_COLOR = 250, // + border side (0..5)
    C_TAB_COLOR = 260,
    C_BACKGROUND_PATH,
    C_THUMBNAIL_PATH,
    C_MARGIN,
    C_HEADER_FOOTER,
    C_PATTERN_NAME = 270,
    C_PATTERN_COLOR,
    C_GRADATION = 272,       // + 0 color1, 1 color2, 2 kind, 3 variation
    C_FILL_COLOR = 280,
    C_FILL_PATTERN,
    C_FILL_KIND,
    C_FILL_STYLE,
    C_FILL_TRANSPARENT,
    C_FILL_ACCENT,
    C_OFFSET_X = 290,
    C_OFFSET_Y,
    C_ADJUST_X,
    C_ADJUST_Y,
    C_END_OFFSET_X,
    C_END_OFFSET_Y,
    C_LINE = 300,            // + 0 style, 1 color, 2 width, 3 transparent
    C_TEXT_ALIGN = 310,
    C_TEXT_FONT = 310,       // + font part (1..4)
    C_SHADOW = 320,          // + 0 kind, 1 color, 2 transparent, 3 blur, 4 degree, 5 dist, 6 align
    C_POINT_COLOR = 330,     // + point (0 high, 1 low, 2 start, 3 end, 4 negative, 5 marker)
    C_START_END = 340,       // + (0 start, 1 end) * 3 + (0 kind, 1 width, 2 length)
    C_ARROW = 350,           // + same index as C_START_END
};

int point_index(int kw) {
    switch (kw) {
    case KW_HIGH: return 0;
    case KW_LOW: return 1;
    case KW_START: return 2;
    case KW_END: return 3;
    case KW_NEGATIVE: return 4;
    case KW_MARKER: return 5;
    default: return -1;
    }
}

int border_side(int kw) {
    switch (kw) {
    case KW_LEFT: return 0;
    case KW_RIGHT: return 1;
    case KW_TOP: return 2;
    case KW_BOTTOM: return 3;
    case KW_DIAGONAL_UP: return 4;
    case KW_DIAGONAL_DOWN: return 5;
    default: return -1;
    }
}

constexpr int BORDER_SIDE_KINDS[6] = {kind::BORDER_LEFT, kind::BORDER_RIGHT, kind::BORDER_TOP,
                                      kind::BORDER_BOTTOM, kind::BORDER_DIAGONAL_UP,
                                      kind::BORDER_DIAGONAL_DOWN};

int header_side(int kw) {
    switch (kw) {
    case KW_LEFT: return 0;
    case KW_RIGHT: return 1;
    case KW_CENTER: return 2;
    default: return -1;
    }
}

// Result of one rule application.
struct Rule {
    bool hit = false;
    int kind = kind::NONE;
    int code = 0;
};

inline Rule set(int k, int c) { return Rule{true, k, c}; }

// Plain keywords and the sub-keys of containers: the entry for `code`, or
// no hit.
Rule plain_rule(int kw, int code) {
    using namespace kind;
    switch (kw) {
    case KW_BOOK:
        switch (code) {
        case 0: case own(KW_NAME): return set(BOOK, own(kw));
        case own(KW_COMPANY): return set(BOOK_COMPANY, own(kw));
        case own(KW_CREATOR): return set(BOOK_CREATOR, own(kw));
        case own(KW_MANAGER): return set(BOOK_MANAGER, own(kw));
        case own(KW_TITLE): return set(BOOK_TITLE, own(kw));
        case own(KW_SUBJECT): return set(BOOK_SUBJECT, own(kw));
        case own(KW_WRITE_PASSWORD): return set(BOOK_WRITE_PASSWORD, own(kw));
        case own(KW_RECALC): return set(BOOK_RECALC, own(kw));
        case own(KW_BACKUP): return set(BOOK_BACKUP, own(kw));
        case own(KW_FINAL): return set(BOOK_FINAL, own(kw));
        }
        break;
    case KW_SHEET:
        switch (code) {
        case 0: case own(KW_NAME): return set(SHEET, own(kw));
        case own(KW_HIDDEN): return set(SHEET_HIDDEN, own(kw));
        case own(KW_PASSWORD): return set(SHEET_PASSWORD, own(kw));
        case own(KW_PROTECT): return set(SHEET_PROTECT, own(kw));
        case own(KW_ORDER): return set(SHEET_ORDER, own(kw));
        case own(KW_HIDDEN_GRID): return set(SHEET_HIDDEN_GRID, own(kw));
        case own(KW_HIDDEN_HEADER): return set(SHEET_HIDDEN_HEADER, own(kw));
        case own(KW_FROZEN_TOP): return set(SHEET_FROZEN_TOP, own(kw));
        case own(KW_FROZEN_LEFT): return set(SHEET_FROZEN_LEFT, own(kw));
        case own(KW_SCROLL_ROW): return set(SHEET_SCROLL_ROW, own(kw));
        }
        break;
    case KW_ZOOM:
        // ZOOM passes no code of its own: SHEET.ZOOM is SHEET.
        if (code == 0) return set(ZOOM, 0);
        break;
    case KW_TEMPLATE: if (code == 0) return set(TEMPLATE, own(kw)); break;
    case KW_WIDTH: if (code == 0) return set(WIDTH, own(kw)); break;
    case KW_HEIGHT: if (code == 0) return set(HEIGHT, own(kw)); break;
    case KW_NEWPAGE: if (code == 0) return set(NEWPAGE, own(kw)); break;
    case KW_AUTO_WIDTH: if (code == 0) return set(AUTO_WIDTH, own(kw)); break;
    case KW_CSV: if (code == 0) return set(CSV, own(kw)); break;
    case KW_TSV: if (code == 0) return set(TSV, own(kw)); break;
    case KW_ALIGN: if (code == 0) return set(ALIGN, own(kw)); break;
    case KW_WRAP: if (code == 0) return set(WRAP, own(kw)); break;
    case KW_VERTICAL: if (code == 0) return set(VERTICAL_TEXT, own(kw)); break;
    case KW_SHRINK: if (code == 0) return set(SHRINK, own(kw)); break;
    case KW_MERGE: if (code == 0) return set(MERGE, own(kw)); break;
    case KW_FORMAT: if (code == 0) return set(FORMAT, own(kw)); break;
    case KW_COMMENT: if (code == 0) return set(COMMENT, own(kw)); break;
    case KW_FILTER: if (code == 0) return set(FILTER, own(kw)); break;
    case KW_ROWNUM: if (code == 0) return set(ROWNUM, own(kw)); break;
    case KW_DATASOURCE:
        if (code == 0) return set(DATASOURCE, own(kw));
        if (code == own(KW_HOSTNAME)) return set(DATASOURCE_HOSTNAME, own(kw));
        break;
    case KW_BORDER:
        switch (code) {
        case 0: return set(BORDER, own(kw));
        case own(KW_COLOR): return set(BORDER_COLOR, own(kw));
        }
        for (int kw2 : {KW_LEFT, KW_RIGHT, KW_TOP, KW_BOTTOM, KW_DIAGONAL_UP, KW_DIAGONAL_DOWN}) {
            int side = border_side(kw2);
            if (code == own(kw2) || code == C_BORDER_SIDE_COLOR + side)
                return set(BORDER_SIDE_KINDS[side], own(kw));
        }
        break;
    case KW_LEFT: case KW_RIGHT: case KW_TOP: case KW_BOTTOM: case KW_DIAGONAL_UP:
    case KW_DIAGONAL_DOWN: case KW_CENTER: {
        if (code == 0) return set(NONE, own(kw));
        int side = border_side(kw);
        if (code == own(KW_COLOR) && side >= 0) return set(NONE, C_BORDER_SIDE_COLOR + side);
        int hs = header_side(kw);
        if (hs >= 0 && code > C_FONT && code <= C_FONT + 4) return set(NONE, C_SIDE_FONT + hs * 10 + (code - C_FONT));
        break;
    }
    case KW_HEADER: case KW_FOOTER: {
        const int base = kw == KW_HEADER ? HEADER_LEFT : FOOTER_LEFT;
        if (code == 0) return set(NONE, own(kw));
        for (int kw2 : {KW_LEFT, KW_RIGHT, KW_CENTER}) {
            int hs = header_side(kw2);
            if (code == own(kw2)) return set(base + hs * 10, C_HEADER_FOOTER);
            if (code > C_SIDE_FONT + hs * 10 && code <= C_SIDE_FONT + hs * 10 + 4)
                return set(base + (code - C_SIDE_FONT), C_HEADER_FOOTER);
        }
        break;
    }
    case KW_TEXT:
        if (code == 0) return set(NONE, own(kw));
        if (code == own(KW_ALIGN)) return set(NONE, C_TEXT_ALIGN);
        if (code > C_FONT && code <= C_FONT + 4) return set(NONE, C_TEXT_FONT + (code - C_FONT));
        break;
    case KW_START: case KW_END: {
        if (code == 0) return set(NONE, own(kw));
        const int end = kw == KW_END ? 1 : 0;
        if (code == own(KW_KIND)) return set(NONE, C_START_END + end * 3 + 0);
        if (code == own(KW_WIDTH)) return set(NONE, C_START_END + end * 3 + 1);
        if (code == own(KW_LENGTH)) return set(NONE, C_START_END + end * 3 + 2);
        if (code == own(KW_COLOR)) return set(NONE, C_POINT_COLOR + point_index(kw));
        if (end && code == C_OFFSET_X) return set(NONE, C_END_OFFSET_X);
        if (end && code == C_OFFSET_Y) return set(NONE, C_END_OFFSET_Y);
        break;
    }
    case KW_HIGH: case KW_LOW: case KW_NEGATIVE: case KW_MARKER:
        // Before KIND or DISPLAY a point falls through (SPARKLINE.HIGH.KIND is
        // SPARKLINE.KIND).
        if (code == 0) return set(NONE, own(kw));
        if (code == own(KW_COLOR)) return set(NONE, C_POINT_COLOR + point_index(kw));
        break;
    case KW_CHART:
        switch (code) {
        case 0: return set(CHART, own(kw));
        case own(KW_SWITCH): return set(CHART_SWITCH, own(kw));
        case own(KW_LEGEND_POSITION): return set(CHART_LEGEND_POSITION, own(kw));
        case own(KW_LEGEND_FONT_SIZE): return set(CHART_LEGEND_FONT_SIZE, own(kw));
        case own(KW_SERIES_LINE): return set(CHART_SERIES_LINE, own(kw));
        case own(KW_MAJOR_UNIT): return set(CHART_MAJOR_UNIT, own(kw));
        case own(KW_DATA_LABEL): return set(CHART_DATA_LABEL, own(kw));
        case own(KW_GAP_WIDTH): return set(CHART_GAP_WIDTH, own(kw));
        case own(KW_TITLE): return set(CHART_TITLE, own(kw));
        case own(KW_KIND): return set(CHART_KIND, own(kw));
        case own(KW_STYLE): return set(CHART_STYLE, own(kw));
        case own(KW_WIDTH): return set(CHART_WIDTH, own(kw));
        case own(KW_HEIGHT): return set(CHART_HEIGHT, own(kw));
        case C_OFFSET_X: return set(CHART_OFFSET_X, own(kw));
        case C_OFFSET_Y: return set(CHART_OFFSET_Y, own(kw));
        case own(KW_NAME): return set(CHART_NAME, own(kw));
        }
        break;
    case KW_SPARKLINE:
        switch (code) {
        case 0: return set(SPARKLINE, own(kw));
        case own(KW_KIND): case C_START_END + 0: case C_START_END + 3: return set(SPARKLINE_KIND, own(kw));
        case own(KW_DISPLAY): return set(SPARKLINE_DISPLAY, own(kw));
        case own(KW_COLOR): return set(SPARKLINE_COLOR, own(kw));
        }
        if (code >= C_POINT_COLOR && code < C_POINT_COLOR + 6)
            return set(SPARKLINE_HIGH_COLOR + (code - C_POINT_COLOR), own(kw));
        break;
    case KW_TABLE_FORMAT:
        switch (code) {
        case 0: return set(TABLE_FORMAT, own(kw));
        case own(KW_COLUMN_NAME): return set(TABLE_FORMAT_COLUMN_NAME, own(kw));
        case own(KW_NAME): return set(TABLE_FORMAT_NAME, own(kw));
        case own(KW_FILTER): return set(TABLE_FORMAT_FILTER, own(kw));
        }
        break;
    case KW_HYPERLINK:
        switch (code) {
        case 0: return set(HYPERLINK, own(kw));
        case own(KW_TEXT): return set(HYPERLINK_TEXT, own(kw));
        case own(KW_SHEET): return set(HYPERLINK_SHEET, own(kw));
        case own(KW_COMMENT): return set(HYPERLINK_COMMENT, own(kw));
        }
        break;
    case KW_AUTOSHAPE:
        switch (code) {
        case 0: return set(AUTOSHAPE, own(kw));
        case own(KW_TEXT): return set(AUTOSHAPE_TEXT, own(kw));
        case own(KW_START): return set(AUTOSHAPE_START, own(kw));
        case own(KW_END): return set(AUTOSHAPE_END, own(kw));
        case own(KW_WIDTH): return set(AUTOSHAPE_WIDTH, own(kw));
        case own(KW_HEIGHT): return set(AUTOSHAPE_HEIGHT, own(kw));
        case C_OFFSET_X: return set(AUTOSHAPE_OFFSET_X, own(kw));
        case C_OFFSET_Y: return set(AUTOSHAPE_OFFSET_Y, own(kw));
        case C_END_OFFSET_X: return set(AUTOSHAPE_END_OFFSET_X, own(kw));
        case C_END_OFFSET_Y: return set(AUTOSHAPE_END_OFFSET_Y, own(kw));
        case C_ADJUST_X: return set(AUTOSHAPE_ADJUST_X, own(kw));
        case C_ADJUST_Y: return set(AUTOSHAPE_ADJUST_Y, own(kw));
        case own(KW_ROTATION): return set(AUTOSHAPE_ROTATION, own(kw));
        case own(KW_VERSION): return set(AUTOSHAPE_VERSION, own(kw));
        case C_TEXT_ALIGN: return set(AUTOSHAPE_TEXT_ALIGN, own(kw));
        case C_FILL_KIND: return set(AUTOSHAPE_FILL_KIND, own(kw));
        case C_FILL_COLOR: return set(AUTOSHAPE_FILL_COLOR, own(kw));
        case C_FILL_STYLE: return set(AUTOSHAPE_FILL_STYLE, own(kw));
        case C_FILL_TRANSPARENT: return set(AUTOSHAPE_FILL_TRANSPARENT, own(kw));
        case C_FILL_ACCENT: return set(AUTOSHAPE_FILL_ACCENT, own(kw));
        case own(KW_BLUR): return set(AUTOSHAPE_BLUR, own(kw));
        case own(KW_RESET): return set(AUTOSHAPE_RESET, own(kw));
        case own(KW_EFFECT): return set(AUTOSHAPE_EFFECT, own(kw));
        }
        if (code >= C_ARROW && code < C_ARROW + 6) return set(AUTOSHAPE_ARROW_START_KIND + (code - C_ARROW), own(kw));
        if (code >= C_LINE && code < C_LINE + 4) return set(AUTOSHAPE_LINE_STYLE + (code - C_LINE), own(kw));
        if (code > C_TEXT_FONT && code <= C_TEXT_FONT + 4) return set(AUTOSHAPE_TEXT_ALIGN + (code - C_TEXT_FONT), own(kw));
        if (code > C_FONT && code <= C_FONT + 4) return set(AUTOSHAPE_TEXT_ALIGN + (code - C_FONT), own(kw));
        if (code >= C_GRADATION && code < C_GRADATION + 4)
            return set(AUTOSHAPE_GRADATION_COLOR1 + (code - C_GRADATION), own(kw));
        if (code >= C_SHADOW && code < C_SHADOW + 7) return set(AUTOSHAPE_SHADOW_KIND + (code - C_SHADOW), own(kw));
        break;
    }
    return Rule{};
}

// Sub-keys of the containers and of the refusing keywords.
Rule container_rule(int kw, int code) {
    using namespace kind;
    switch (kw) {
    case KW_FONT:
        switch (code) {
        case own(KW_NAME): return set(FONT_NAME, C_FONT + 1);
        case own(KW_SIZE): return set(FONT_SIZE, C_FONT + 2);
        case own(KW_STYLE): return set(FONT_STYLE, C_FONT + 3);
        case own(KW_COLOR): return set(FONT_COLOR, C_FONT + 4);
        }
        break;
    case KW_GRADATION:
        switch (code) {
        case own(KW_COLOR1): return set(NONE, C_GRADATION + 0);
        case own(KW_COLOR2): return set(NONE, C_GRADATION + 1);
        case own(KW_KIND): return set(NONE, C_GRADATION + 2);
        case own(KW_VARIATION): return set(NONE, C_GRADATION + 3);
        }
        break;
    case KW_FILL:
        switch (code) {
        case own(KW_COLOR): return set(FILL_COLOR, C_FILL_COLOR);
        case own(KW_PATTERN): case C_PATTERN_NAME: return set(FILL_PATTERN, C_FILL_PATTERN);
        case C_PATTERN_COLOR: return set(FILL_PATTERN_COLOR, C_FILL_PATTERN);
        case own(KW_KIND): return set(NONE, C_FILL_KIND);
        case own(KW_STYLE): return set(NONE, C_FILL_STYLE);
        case own(KW_TRANSPARENT): return set(NONE, C_FILL_TRANSPARENT);
        case own(KW_ACCENT): return set(NONE, C_FILL_ACCENT);
        }
        if (code >= C_GRADATION && code < C_GRADATION + 4)
            return set(FILL_GRADATION_COLOR1 + (code - C_GRADATION), code);
        break;
    case KW_PATTERN:
        if (code == own(KW_NAME)) return set(NONE, C_PATTERN_NAME);
        if (code == own(KW_COLOR)) return set(NONE, C_PATTERN_COLOR);
        break;
    case KW_IMAGE:
        // The code goes on unchanged, so that IMAGE.IMAGE.OFFSET.X is IMAGE.OFFSET.X.
        if (code == own(KW_PATH)) return set(IMAGE_PATH, code);
        if (code == own(KW_RATIO)) return set(IMAGE_RATIO, code);
        if (code == C_OFFSET_X) return set(IMAGE_OFFSET_X, code);
        if (code == C_OFFSET_Y) return set(IMAGE_OFFSET_Y, code);
        break;
    case KW_MARGIN:
        switch (code) {
        case own(KW_TOP): return set(PAPER_MARGIN_TOP, C_MARGIN);
        case own(KW_BOTTOM): return set(PAPER_MARGIN_BOTTOM, C_MARGIN);
        case own(KW_LEFT): return set(PAPER_MARGIN_LEFT, C_MARGIN);
        case own(KW_RIGHT): return set(PAPER_MARGIN_RIGHT, C_MARGIN);
        case own(KW_HEADER): return set(PAPER_MARGIN_HEADER, C_MARGIN);
        case own(KW_FOOTER): return set(PAPER_MARGIN_FOOTER, C_MARGIN);
        }
        break;
    case KW_PAPER:
        switch (code) {
        case own(KW_SIZE): return set(PAPER_SIZE, own(kw));
        case own(KW_ORIENTATION): return set(PAPER_ORIENTATION, own(kw));
        case own(KW_SCALE): return set(PAPER_SCALE, own(kw));
        case own(KW_DPI): return set(PAPER_DPI, own(kw));
        }
        break;
    case KW_BACKGROUND:
        if (code == own(KW_PATH)) return set(SHEET_BACKGROUND_PATH, C_BACKGROUND_PATH);
        break;
    case KW_THUMBNAIL:
        if (code == own(KW_PATH)) return set(BOOK_THUMBNAIL_PATH, C_THUMBNAIL_PATH);
        break;
    case KW_TAB:
        if (code == own(KW_COLOR)) return set(SHEET_TAB_COLOR, C_TAB_COLOR);
        break;
    case KW_OFFSET:
        if (code == own(KW_X)) return set(NONE, C_OFFSET_X);
        if (code == own(KW_Y)) return set(NONE, C_OFFSET_Y);
        break;
    case KW_ADJUST:
        if (code == own(KW_X)) return set(NONE, C_ADJUST_X);
        if (code == own(KW_Y)) return set(NONE, C_ADJUST_Y);
        break;
    case KW_LINE:
        switch (code) {
        case own(KW_STYLE): return set(NONE, C_LINE + 0);
        case own(KW_COLOR): return set(NONE, C_LINE + 1);
        case own(KW_WIDTH): return set(NONE, C_LINE + 2);
        case own(KW_TRANSPARENT): return set(NONE, C_LINE + 3);
        }
        break;
    case KW_ARROW:
        if (code >= C_START_END && code < C_START_END + 6) return set(NONE, C_ARROW + (code - C_START_END));
        break;
    case KW_SHADOW:
        switch (code) {
        case own(KW_KIND): return set(NONE, C_SHADOW + 0);
        case own(KW_COLOR): return set(NONE, C_SHADOW + 1);
        case own(KW_TRANSPARENT): return set(NONE, C_SHADOW + 2);
        case own(KW_BLUR): return set(NONE, C_SHADOW + 3);
        case own(KW_DEGREE): return set(NONE, C_SHADOW + 4);
        case own(KW_DIST): return set(NONE, C_SHADOW + 5);
        case own(KW_ALIGN): return set(NONE, C_SHADOW + 6);
        }
        break;
    }
    return Rule{};
}

// The refusal of a container, and whether it refuses codes that already
// carry a property (strict) or only those that do not.
struct ContainerInfo {
    CombineError error;
    bool strict;
};

bool container_info(int kw, ContainerInfo &info) {
    switch (kw) {
    case KW_FONT: info = {CE_FONT, true}; return true;
    case KW_GRADATION: info = {CE_GRADATION, true}; return true;
    case KW_OFFSET: info = {CE_OFFSET, true}; return true;
    case KW_ADJUST: info = {CE_ADJUST, true}; return true;
    case KW_LINE: info = {CE_LINE, true}; return true;
    case KW_ARROW: info = {CE_ARROW, true}; return true;
    case KW_SHADOW: info = {CE_SHADOW, true}; return true;
    case KW_FILL: info = {CE_FILL, false}; return true;
    case KW_PATTERN: info = {CE_PATTERN, false}; return true;
    case KW_IMAGE: info = {CE_IMAGE, false}; return true;
    case KW_MARGIN: info = {CE_MARGIN, false}; return true;
    case KW_PAPER: info = {CE_PAPER, false}; return true;
    case KW_BACKGROUND: info = {CE_BACKGROUND, false}; return true;
    case KW_THUMBNAIL: info = {CE_THUMBNAIL, false}; return true;
    case KW_TAB: info = {CE_TAB, false}; return true;
    default: return false;
    }
}

} // namespace

CombineError combine_keyword(int kw, int &kind_io, int &code) {
    if (kw < 0 || kw >= KW_COUNT) return CE_NONE;
    ContainerInfo info{};
    if (container_info(kw, info)) {
        Rule r = container_rule(kw, code);
        if (r.hit) {
            kind_io = r.kind;
            code = r.code;
            return CE_NONE;
        }
        // FONT and GRADATION refuse even when nothing follows them.
        if (code == 0 && kw != KW_FONT && kw != KW_GRADATION) {
            kind_io = kind::NONE;
            code = own(kw);
            return CE_NONE;
        }
        if (info.strict || kind_io == kind::NONE) return info.error;
        return CE_NONE; // fall-through: a property of another family is kept
    }
    Rule r = plain_rule(kw, code);
    if (r.hit) {
        kind_io = r.kind;
        code = r.code;
    } else if (code == 0) {
        // A keyword with no meaning of its own at the end of a key.
        kind_io = kind::NONE;
        code = own(kw);
    }
    return CE_NONE;
}

} // namespace vel
