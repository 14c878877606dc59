// The keyword vocabulary of property keys and the rules that combine a
// dotted key, right to left, into a property kind.
#pragma once
#include <cstdint>
#include <string_view>

namespace vel {

// Keywords in comparison order: the first entry that matches a section wins.
enum Keyword : uint8_t {
    KW_BOOK, KW_TEMPLATE, KW_SHEET, KW_ZOOM, KW_WIDTH, KW_HEIGHT, KW_LENGTH, KW_START, KW_END,
    KW_HIGH, KW_LOW, KW_NEGATIVE, KW_MARKER, KW_ROTATION, KW_DEGREE, KW_TRANSPARENT, KW_BLUR,
    KW_DIST, KW_EFFECT, KW_NEWPAGE, KW_COMMENT, KW_AUTO_WIDTH, KW_RECALC, KW_BACKUP, KW_COLOR,
    KW_SIZE, KW_STYLE, KW_ACCENT, KW_RESET, KW_NAME, KW_PATH, KW_RATIO, KW_COLOR1, KW_COLOR2,
    KW_KIND, KW_VARIATION, KW_HIDDEN, KW_DISPLAY, KW_PASSWORD, KW_FINAL, KW_VERSION,
    KW_WRITE_PASSWORD, KW_PROTECT, KW_ORDER, KW_HIDDEN_GRID, KW_HIDDEN_HEADER, KW_FROZEN_TOP,
    KW_FROZEN_LEFT, KW_THUMBNAIL, KW_BACKGROUND, KW_OFFSET, KW_ADJUST, KW_LEFT, KW_RIGHT, KW_TOP,
    KW_BOTTOM, KW_DIAGONAL_UP, KW_DIAGONAL_DOWN, KW_CENTER, KW_X, KW_Y, KW_HEADER, KW_FOOTER,
    KW_PATTERN, KW_GRADATION, KW_ORIENTATION, KW_SCALE, KW_DPI, KW_DATASOURCE, KW_ROWNUM,
    KW_SWITCH, KW_DATE, KW_HOSTNAME, KW_COMPANY, KW_CREATOR, KW_MANAGER, KW_TITLE, KW_SUBJECT,
    KW_SCROLL_ROW, KW_LEGEND_POSITION, KW_LEGEND_FONT_SIZE, KW_SERIES_LINE, KW_MAJOR_UNIT,
    KW_DATA_LABEL, KW_TEXT, KW_GAP_WIDTH, KW_COLUMN_NAME, KW_ALIGN, KW_FONT, KW_FILL, KW_BORDER,
    KW_TAB, KW_PAPER, KW_MARGIN, KW_MERGE, KW_WRAP, KW_SHRINK, KW_VERTICAL, KW_FORMAT,
    KW_FILTER, KW_TABLE_FORMAT, KW_IMAGE, KW_CHART, KW_CSV, KW_TSV, KW_LINE, KW_ARROW,
    KW_SHADOW, KW_AUTOSHAPE, KW_SPARKLINE, KW_HYPERLINK,
    KW_COUNT
};

constexpr int MAX_JAPANESE_SPELLINGS = 3;

// One keyword: its English spelling (compared without regard to case) and
// up to three Japanese spellings (UTF-8 here, compared exactly).
struct KeywordEntry {
    const char *english;
    const char *japanese[MAX_JAPANESE_SPELLINGS];
};

extern const KeywordEntry KEYWORDS[KW_COUNT];

// The keyword that a key section (in the given character set: 1 Shift-JIS,
// 2 EUC-JP, 3 UTF-8) spells, or -1. Allocates nothing.
int find_keyword(int charset, std::string_view section);

// Errors raised while combining; each names the message of its keyword.
enum CombineError : uint8_t {
    CE_NONE, CE_FONT, CE_GRADATION, CE_OFFSET, CE_FILL, CE_PATTERN, CE_IMAGE, CE_MARGIN,
    CE_PAPER, CE_BACKGROUND, CE_THUMBNAIL, CE_TAB, CE_LINE, CE_ARROW, CE_SHADOW, CE_ADJUST
};

// Combines a keyword with the running code coming from its right (0 when
// it is the last section). Updates `kind` (the kind of the key so far) and
// `code` (passed on to the left). Returns CE_NONE or the refusal.
CombineError combine_keyword(int keyword, int &kind, int &code);

} // namespace vel
