// The in-memory workbook: sheets, rows, cells, the style tables and the
// book's settings. A Book (model/book.h) holds one.
//
// Records are plain structs. Hot records (Cell, Row) are kept small: a cell
// is 12 bytes and carries no pointers; its texts live in the sheet's text
// table, found through Cell::text.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/drawing.h"

namespace vel {

// Cell kinds.
enum : uint8_t {
    CELL_TEXT_ONLY = 0,   // text-only cell or inline text
    CELL_INTEGER = 11,
    CELL_DECIMAL = 12,
    CELL_PERCENT = 13,
    CELL_DATE = 20,
    CELL_DATE_TIME = 21,
    CELL_TIME_HM = 23,
    CELL_TIME_HMS = 24,
    CELL_SHARED_TEXT = 41,
    CELL_FORMULA = 50,
    CELL_FORMULA2 = 51,
    CELL_EMPTY = 255,
};

// Limits.
constexpr int MAX_XF = 64000;
constexpr int MAX_FONT = 512;
constexpr int VLT_MAX_NUMFORMAT = 500;
constexpr int XLS_CELL_LEN = 65534;
constexpr int XLS_SHEET_LEN = 93;      // longest sheet name in bytes
constexpr int XLS_KEY_LEN = 80;
constexpr int XLS_KEY_VALUE_LEN = 6000;

// The texts of one cell: its value text and its formula text.
struct CellText {
    std::string value;
    std::string formula;
};

// Marks of Cell::aux for values read from workbooks.
enum : uint8_t {
    CELL_AUX_DOUBLE = 1,      // num and text together hold an IEEE double (no texts)
    CELL_AUX_BOOL = 2,        // a boolean: num is 0 or 1 (kind CELL_INTEGER)
    CELL_AUX_ERROR = 4,       // an error value: num is its code (kind CELL_INTEGER)
    CELL_AUX_EMPTY_TEXT = 8,  // a text cell whose text is empty (kind CELL_TEXT_ONLY)
};
// A formula cell with a result (CELL_FORMULA2) keeps the result's type in
// `num` (FORMULA_NUMBER and the others of cellvalue.h) and its text in
// CellText::value. A formula element read with attributes (shared and
// array formulas) is kept whole, as written, in CellText::formula ("<f ...").

// One cell: 12 bytes. `style` is the 1-based cell-format index (0: none);
// `num` is the integer / truncated number / date serial / shared-string index;
// `text` is the 1-based index into Sheet::texts (0: no texts). A number read
// from a workbook that is no 32-bit integer is held in num and text together
// (CELL_AUX_DOUBLE), so that reading a big sheet costs 12 bytes a cell.
struct Cell {
    uint8_t kind = CELL_EMPTY;
    uint8_t aux = 0;          // CELL_AUX_ marks
    uint16_t style = 0;
    int32_t num = 0;
    uint32_t text = 0;
};
static_assert(sizeof(Cell) == 12, "Cell must stay 12 bytes");

struct Row {
    std::vector<Cell> cells;  // capacity grows 10, then doubling
    int16_t used = 0;         // highest column touched + 1
    uint16_t height = 65535;  // points * 100, 65535: default
    uint8_t sw[3] = {255, 255, 255}; // row switches (sw[0]: hidden)
    int32_t word = 0;
    uint16_t style = 0;       // the row's own cell format (1-based, 0: none), read from a workbook
    uint8_t outline = 0;      // outline level (bits 0-2) and collapsed (bit 3), read from a workbook
    uint8_t marks = 0;        // ROW_ marks read from a workbook
};

// Row marks kept from a workbook so that an update writes them back.
enum : uint8_t {
    ROW_HEIGHT_AUTO = 1,      // the height is the one last shown, not set by hand (no customHeight)
    ROW_THICK_TOP = 2,
    ROW_THICK_BOT = 4,
    ROW_PHONETIC = 8,
};

struct Range {
    int32_t r1 = -1, c1 = -1, r2 = -1, c2 = -1;
};

struct Hyperlink {
    int32_t row = 0, col = 0;
    std::string target;       // external address (UTF-8), empty for an internal link
    std::string location;     // "Sheet!A1" for a link into the book
    std::string display;
    std::string tooltip;      // screen tip (UTF-8)
};

// Header/footer section: text and font settings.
struct HeaderFooterPart {
    std::string text;
    std::string font_name;
    int32_t font_size = 0;    // 0: not set
    int32_t font_style = -1;  // -1: not set
    int32_t color = 0;        // colour code; -1: rgb holds the value
    uint8_t rgb[3] = {0, 0, 0};
    bool color_set = false;
};

struct PageSetup {
    int32_t paper = 0;
    int32_t orientation = 0;  // 0 portrait, 1 landscape
    int32_t dpi = 200;
    int32_t scale = 100;
    double margin[6] = {1.9, 1.9, 1.8, 1.8, 0.8, 0.8}; // top, bottom, left, right, header, footer (cm)
};

// Kinds of sheets of a workbook read from a file.
enum : uint8_t { SHEET_WORKSHEET = 0, SHEET_MACRO = 1, SHEET_CHART = 2, SHEET_DIALOG = 3, SHEET_VBA_MODULE = 6 };

// What a sheet read from a package keeps for writing it back: its part
// name, and the texts of its part that the model does not hold, as they
// were written.
struct KeptSheet {
    std::string part;         // zip entry name of the worksheet part
    std::string rel_id;       // its relationship id in the workbook
    std::string sheet_id;     // sheetId of the workbook's sheet element
    std::string start_tag;    // the worksheet start tag
    std::string sheet_pr;     // the sheetPr element
    std::string views;        // the sheetViews element
    std::string format_pr;    // the sheetFormatPr element
    std::string cols;         // the cols element
    std::string tail;         // everything after </sheetData>
};

struct Sheet {
    std::string name;         // UTF-8, at most 93 bytes
    std::string name2;
    uint8_t sheet_kind = SHEET_WORKSHEET;
    bool very_hidden = false; // hidden and not shown in the list of hidden sheets
    std::string code_name;    // code name read from a workbook (empty: "Sheet%d")
    std::shared_ptr<KeptSheet> kept; // texts of a sheet read from a package (shared by its copies)
    bool changed = false;     // written to since it was read (a save regenerates it)
    bool cols_changed = false; // column widths set since it was read (the kept cols no longer hold)
    int32_t number = 0;
    int32_t copied_from = -1; // index of the sheet this one copies (template sheets), -1: none
    std::vector<Row> rows;
    int32_t used_rows = 0;    // highest row touched + 1
    int32_t used_cols = 0;    // highest column whose width was set + 1
    std::vector<double> widths;       // by column, stored width (value + 0.625); 0: not set
    std::vector<int32_t> col_formats; // column formats (see the cell store)
    int32_t zoom = 100;
    // switches, 255 off / 0 on: widths stored, hidden, hidden grid, hidden headers, protected, sixth
    uint8_t sw_widths = 255, sw_hidden = 255, sw_hidden_grid = 255, sw_hidden_header = 255,
            sw_protected = 255, sw_sixth = 255;
    int32_t frozen = 0;       // 0 none, 1 top row, 2 left column
    int32_t tab_color = 0;    // colour code; -1: tab_rgb holds the value
    uint8_t tab_rgb[3] = {0, 0, 0};
    Range filter;
    std::string password;
    Background background;
    int32_t scroll_row = 0;
    PageSetup page;
    HeaderFooterPart header[3], footer[3]; // left, center, right
    std::vector<Range> merges;
    std::vector<Hyperlink> links;
    std::vector<int32_t> row_breaks;       // 0-based rows after which a page break is set
    // Objects beside the cells (model/drawing.h), in the order they were made.
    std::vector<Picture> pictures;
    std::vector<Chart> charts;
    std::vector<Shape> shapes;
    std::vector<Comment> comments;
    std::vector<Table> tables;
    std::vector<SparklineGroup> sparklines;
    std::deque<CellText> texts;            // Cell::text - 1 indexes this (a deque: no copies as it grows)
};

// Style tables.
struct Xf {
    int32_t numfmt = 0;       // built-in id, or 1-based number-format index when nf_mode is 1
    int32_t font = 0;         // 0-based
    int32_t fill = 0;         // 0-based
    int32_t border = 0;       // 1-based, 0: none
    int32_t cell_style = 0;   // 0 normal, 1 hyperlink
    uint8_t align = 31;       // tens vertical (1 top 2 center 3 bottom), units horizontal (1 left 2 center 3 right)
    uint8_t reserved = 0;
    uint8_t nf_mode = 0;      // 0 built-in, 1 table index, 2 quote-prefixed text
    uint8_t text_ctl = 0;     // 1 vertical, 2 wrap, 4 shrink
    bool operator==(const Xf &) const = default;
};

struct Font {
    uint8_t code = 10;        // face code; 10 the default face
    uint16_t size = 11;
    uint8_t style = 0;        // bit0 italic, bit1 bold, bit2 underline; 10 hyperlink
    int32_t color = 0;        // palette code, -1: rgb holds the colour
    uint8_t rgb[3] = {0, 0, 0};
    std::string face;         // face name when not a coded face
    bool operator==(const Font &) const = default;
};

struct Fill {
    int32_t pattern = 0;      // 0 none, 1 solid, 2..18 hatches, 100 gradient
    int32_t pattern_color = 0;
    int32_t color = 0;        // -1: rgb holds the colour
    uint8_t rgb[3] = {0, 0, 0};
    uint8_t grad_dir = 0;
    uint8_t grad_var = 0;
    int32_t color2 = 0;
    uint8_t rgb2[3] = {0, 0, 0};
    bool operator==(const Fill &) const = default;
};

struct Border {
    uint8_t line[6] = {0, 0, 0, 0, 0, 0}; // left, right, top, bottom, diagonal up, diagonal down
    int32_t color = 0;
    uint8_t rgb[3] = {0, 0, 0};
    bool operator==(const Border &) const = default;
};

struct NumFmt {
    uint16_t key = 0;
    uint16_t id = 0;
    uint8_t decimals = 0;
    std::string code;         // format code of a format read from a workbook
};

// The shared-string table: UTF-8 texts stored end to end in large blocks
// with 12 bytes of index each, so that a table of many short texts costs
// little more than its characters. Texts are only ever appended.
class StringTable {
public:
    size_t size() const { return refs_.size(); }
    bool empty() const { return refs_.empty(); }
    std::string_view operator[](size_t i) const {
        const Ref &r = refs_[i];
        return std::string_view(blocks_[r.block].data() + r.offset, r.length);
    }
    std::string_view at(size_t i) const {
        if (i >= refs_.size()) throw std::out_of_range("StringTable::at");
        return (*this)[i];
    }
    std::string_view back() const { return (*this)[refs_.size() - 1]; }
    // Appends a text (std::bad_alloc or std::length_error when it cannot).
    void push_back(std::string_view text);
    void pop_back() { refs_.pop_back(); }   // its characters stay in their block
    void clear() {
        refs_.clear();
        blocks_.clear();
    }

private:
    struct Ref {
        uint32_t block, offset, length;
    };
    std::deque<Ref> refs_;
    std::vector<std::string> blocks_;   // each filled only within its reserved room: texts never move
};

struct Variable {
    std::string key;
    std::string value;
};

// What a book read from a package keeps for writing it back.
struct SourcePackage {
    std::string path;         // the package read (a disk file, or a memory file of the book)
    bool memory = false;      // `path` names a memory file
    uint64_t file_size = 0;   // size and modification time of a disk file when it was read
    int64_t file_mtime = 0;
    std::string workbook_part;        // e.g. "xl/workbook.xml"
    std::string styles_part;          // "" when the package has none
    std::string shared_strings_part;  // "" when the package has none
    std::string calc_id;              // calcId of calcPr as written
    // Sizes of the style tables as read: entries past them were added since.
    int32_t fonts = 0, fills = 0, borders = 0, xfs = 0, numfmts = 0;
    int32_t strings = 0;              // shared strings as read
    bool shared_formulas = false;     // the package holds shared formulas
    bool strict = false;              // Strict Open XML: read, but not written back
};

// Book-wide document settings beyond those a caller sees in its handle.
struct BookSettings {
    Thumbnail thumbnail;
    std::string version;      // application version text of the app part
    bool date1904 = false;    // serials count from 1904-01-01 (a workbook read from a file)
    std::vector<std::pair<std::string, std::string>> custom_properties; // name, text (read from a package)
};

struct StyleTables;           // hash indexes, defined by the style registry

struct Model {
    std::vector<Sheet> sheets;        // sheets in use (size) with reserved capacity
    int32_t sheet_capacity = 10;
    StringTable sst;
    std::vector<Xf> xfs;              // 1-based from cells: xfs[style - 1]
    std::vector<Font> fonts;
    std::vector<Fill> fills;
    std::vector<Border> borders;      // 1-based from Xf::border
    std::vector<NumFmt> numfmts;      // 1-based from Xf::numfmt with nf_mode 1
    // positions (1-based cell-format indexes) of the fixed entries of a new book
    int32_t xf_date = 0, xf_datetime = 0, xf_time = 0, xf_elapsed = 0, xf_currency = 0,
            xf_percent = 0, xf_hyperlink = 0;
    std::vector<Variable> variables;
    BookSettings settings;
    std::shared_ptr<SourcePackage> source; // set for a book read from a package
    std::shared_ptr<StyleTables> index; // owned by the style registry
};

} // namespace vel
