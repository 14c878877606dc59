// Property kinds: the integer the key parser hands to the property engine
// for a keyword path. A target section in front of a path (cell, range, row,
// column, sheet) does not change its kind. Paths are written in English;
// every Japanese spelling of a keyword gives the same kind.
#pragma once
#include <cstdint>

namespace vel::kind {

enum Kind : int32_t {
    NONE = -1,                     // the key names no property

    // Book.
    BOOK = 101,                    // BOOK (output file name; BOOK.NAME too)
    BOOK_COMPANY = 102,
    BOOK_CREATOR = 103,
    BOOK_MANAGER = 104,
    BOOK_TITLE = 105,
    BOOK_SUBJECT = 106,
    TEMPLATE = 107,
    BOOK_WRITE_PASSWORD = 108,
    BOOK_RECALC = 109,
    BOOK_BACKUP = 110,
    BOOK_THUMBNAIL_PATH = 111,     // BOOK.THUMBNAIL.PATH, THUMBNAIL.PATH
    BOOK_FINAL = 112,

    // Sheet.
    SHEET = 201,                   // SHEET, SHEET.NAME, SHEET.ZOOM
    ZOOM = 202,
    SHEET_HIDDEN = 203,
    SHEET_PASSWORD = 204,
    SHEET_PROTECT = 205,
    SHEET_ORDER = 206,
    SHEET_HIDDEN_GRID = 207,
    SHEET_HIDDEN_HEADER = 208,
    SHEET_FROZEN_TOP = 209,
    SHEET_FROZEN_LEFT = 210,
    SHEET_BACKGROUND_PATH = 211,   // SHEET.BACKGROUND.PATH, BACKGROUND.PATH
    SHEET_SCROLL_ROW = 212,
    HEIGHT = 221,
    NEWPAGE = 222,
    WIDTH = 223,
    SHEET_TAB_COLOR = 231,         // SHEET.TAB.COLOR, TAB.COLOR

    // Cells and ranges.
    BORDER = 310,
    BORDER_LEFT = 311,             // also BORDER.LEFT.COLOR
    BORDER_RIGHT = 312,
    BORDER_TOP = 313,
    BORDER_BOTTOM = 314,
    BORDER_COLOR = 315,
    BORDER_DIAGONAL_UP = 316,
    BORDER_DIAGONAL_DOWN = 317,
    FONT_NAME = 331,
    FONT_STYLE = 332,
    FONT_SIZE = 333,
    FONT_COLOR = 334,
    FILL_COLOR = 341,
    FILL_PATTERN = 342,            // FILL.PATTERN.NAME and FILL.PATTERN
    FILL_PATTERN_COLOR = 343,
    FILL_GRADATION_COLOR1 = 351,
    FILL_GRADATION_COLOR2 = 352,
    FILL_GRADATION_KIND = 353,
    FILL_GRADATION_VARIATION = 354,
    ALIGN = 401,
    WRAP = 402,
    VERTICAL_TEXT = 403,           // 縦書き only (the English ROTATION is the shape's)
    SHRINK = 404,
    MERGE = 405,
    FORMAT = 406,
    COMMENT = 407,

    // Pictures, links, filters.
    IMAGE_PATH = 501,
    IMAGE_RATIO = 502,
    IMAGE_OFFSET_X = 503,          // also IMAGE.IMAGE.OFFSET.X
    IMAGE_OFFSET_Y = 504,
    HYPERLINK = 511,
    FILTER = 512,
    HYPERLINK_TEXT = 513,          // display text of the link
    HYPERLINK_SHEET = 514,         // HYPERLINK.SHEET: a place in the book ("Sheet!A1")
    HYPERLINK_COMMENT = 515,       // screen tip

    // Sparklines.
    SPARKLINE = 521,
    SPARKLINE_KIND = 522,          // also <point>.KIND
    SPARKLINE_DISPLAY = 523,       // also <point>.DISPLAY
    SPARKLINE_HIGH_COLOR = 524,
    SPARKLINE_LOW_COLOR = 525,
    SPARKLINE_START_COLOR = 526,
    SPARKLINE_END_COLOR = 527,
    SPARKLINE_NEGATIVE_COLOR = 528,
    SPARKLINE_MARKER_COLOR = 529,
    SPARKLINE_COLOR = 530,         // series colour

    // Formatted tables.
    TABLE_FORMAT = 531,
    TABLE_FORMAT_COLUMN_NAME = 532,
    TABLE_FORMAT_NAME = 533,
    TABLE_FORMAT_FILTER = 534,

    // Charts.
    CHART = 601,
    CHART_SWITCH = 602,
    CHART_LEGEND_POSITION = 603,
    CHART_LEGEND_FONT_SIZE = 604,
    CHART_SERIES_LINE = 605,
    CHART_MAJOR_UNIT = 606,
    CHART_DATA_LABEL = 607,
    CHART_GAP_WIDTH = 608,
    CHART_TITLE = 609,
    CHART_KIND = 610,
    CHART_STYLE = 611,
    CHART_WIDTH = 612,
    CHART_HEIGHT = 613,
    CHART_OFFSET_X = 614,
    CHART_OFFSET_Y = 615,
    CHART_NAME = 616,

    // Shapes.
    AUTOSHAPE = 621,
    AUTOSHAPE_TEXT = 622,
    AUTOSHAPE_START = 623,
    AUTOSHAPE_END = 624,
    AUTOSHAPE_WIDTH = 625,
    AUTOSHAPE_HEIGHT = 626,
    AUTOSHAPE_OFFSET_X = 627,
    AUTOSHAPE_OFFSET_Y = 628,
    AUTOSHAPE_END_OFFSET_X = 629,
    AUTOSHAPE_END_OFFSET_Y = 630,
    AUTOSHAPE_ADJUST_X = 633,
    AUTOSHAPE_ADJUST_Y = 634,
    AUTOSHAPE_ROTATION = 635,
    AUTOSHAPE_VERSION = 636,
    AUTOSHAPE_ARROW_START_KIND = 641,
    AUTOSHAPE_ARROW_START_WIDTH = 642,
    AUTOSHAPE_ARROW_START_LENGTH = 643,
    AUTOSHAPE_ARROW_END_KIND = 644,
    AUTOSHAPE_ARROW_END_WIDTH = 645,
    AUTOSHAPE_ARROW_END_LENGTH = 646,
    AUTOSHAPE_LINE_STYLE = 665,
    AUTOSHAPE_LINE_COLOR = 666,
    AUTOSHAPE_LINE_WIDTH = 667,
    AUTOSHAPE_LINE_TRANSPARENT = 668,
    AUTOSHAPE_TEXT_ALIGN = 671,
    AUTOSHAPE_FONT_NAME = 672,     // AUTOSHAPE.TEXT.FONT.NAME or AUTOSHAPE.FONT.NAME
    AUTOSHAPE_FONT_SIZE = 673,
    AUTOSHAPE_FONT_STYLE = 674,
    AUTOSHAPE_FONT_COLOR = 675,
    AUTOSHAPE_FILL_KIND = 681,
    AUTOSHAPE_FILL_COLOR = 682,
    AUTOSHAPE_FILL_STYLE = 683,
    AUTOSHAPE_FILL_TRANSPARENT = 684,
    AUTOSHAPE_GRADATION_COLOR1 = 685, // AUTOSHAPE.FILL.GRADATION.COLOR1
    AUTOSHAPE_GRADATION_COLOR2 = 686,
    AUTOSHAPE_GRADATION_KIND = 687,
    AUTOSHAPE_GRADATION_VARIATION = 688,
    AUTOSHAPE_BLUR = 689,
    AUTOSHAPE_FILL_ACCENT = 698,
    AUTOSHAPE_RESET = 699,
    AUTOSHAPE_EFFECT = 700,
    AUTOSHAPE_SHADOW_KIND = 701,
    AUTOSHAPE_SHADOW_COLOR = 702,
    AUTOSHAPE_SHADOW_TRANSPARENT = 703,
    AUTOSHAPE_SHADOW_BLUR = 704,
    AUTOSHAPE_SHADOW_DEGREE = 705,
    AUTOSHAPE_SHADOW_DIST = 706,
    AUTOSHAPE_SHADOW_ALIGN = 707,

    // Printing.
    PAPER_SIZE = 711,
    PAPER_ORIENTATION = 712,
    PAPER_SCALE = 713,
    PAPER_DPI = 714,
    PAPER_MARGIN_TOP = 715,        // PAPER.MARGIN.<side>, MARGIN.<side>
    PAPER_MARGIN_BOTTOM = 716,
    PAPER_MARGIN_LEFT = 717,
    PAPER_MARGIN_RIGHT = 718,
    PAPER_MARGIN_HEADER = 719,
    PAPER_MARGIN_FOOTER = 720,

    // Page header and footer: SHEET.HEADER.<position> (or HEADER.<position>);
    // <position>.FONT.NAME adds 1, .SIZE 2, .STYLE 3, .COLOR 4.
    HEADER_LEFT = 801,
    HEADER_RIGHT = 811,
    HEADER_CENTER = 821,
    FOOTER_LEFT = 831,
    FOOTER_RIGHT = 841,
    FOOTER_CENTER = 851,
    HF_FONT_NAME = 1,              // offsets from a position kind
    HF_FONT_SIZE = 2,
    HF_FONT_STYLE = 3,
    HF_FONT_COLOR = 4,

    AUTO_WIDTH = 1001,

    // Variables and data sources.
    VARIABLE = 2001,               // a variable name alone
    CSV = 2002,
    TSV = 2003,
    DATASOURCE = 2004,
    ROWNUM = 2011,                 // ROWNUM, DATASOURCE.ROWNUM
    DATASOURCE_HOSTNAME = 2013,
};

// Whether a book in template mode accepts the kind.
constexpr bool template_allowed(int k) {
    switch (k) {
    case BOOK: case TEMPLATE: case SHEET: case SHEET_SCROLL_ROW: case HEIGHT:
    case CSV: case TSV: case DATASOURCE: case ROWNUM: case DATASOURCE_HOSTNAME:
        return true;
    default:
        return false;
    }
}

} // namespace vel::kind
