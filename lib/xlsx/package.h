// What the part writers share during one save: the book, the sheets in the
// order they are written, and the values fixed once per save. The part
// writers only read it, so parts can be produced on several threads.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/book.h"
#include "model/model.h"
#include "xml/writer.h"

namespace vel {

// The parts a sheet's objects get, with their numbers and the ids of their
// relationships in the sheet's relationships part (0: none).
struct SheetObjects {
    int drawing = 0;           // xl/drawings/drawing%d.xml (the sheet's position)
    int comments = 0;          // xl/comments%d.xml and vmlDrawing%d.vml
    int first_table = 0;       // xl/tables/table%d.xml of the sheet's first table
    int first_chart = 0;       // xl/charts/chart%d.xml of the sheet's first chart
    int first_picture = 0;     // media number of the sheet's first picture
    int background = 0;        // media number of the background picture
    int rid_background = 0, rid_drawing = 0, rid_comments = 0, rid_vml = 0, rid_first_table = 0;
    bool any_drawing() const { return drawing != 0; }
};

// One picture file of the package, xl/media/image%d.<ext> by its number.
struct MediaPart {
    int kind = 0;
    const std::vector<uint8_t> *bytes = nullptr;
};

struct SaveContext {
    const Book *book = nullptr;
    const Model *model = nullptr;
    std::vector<const Sheet *> sheets;   // writing order (descending order applied)
    bool macro = false;                  // .xlsm: VBA project and code names
    bool final_book = false;             // docProps/custom.xml marks it final
    bool backup = false;
    bool thumbnail = false;              // docProps/thumbnail.jpeg present
    std::string timestamp;               // W3CDTF, UTC, "...Z"
    std::vector<int> numfmt_ids;         // per number-format entry: its numFmtId
    std::vector<uint8_t> numfmt_written; // per entry: 1 when it gets a numFmt element
    bool update = false;                 // a book read from a package: sheets keep their texts
    int thumbnail_kind = 0;              // picture kind of the thumbnail
    std::vector<SheetObjects> objects;   // per written sheet
    std::vector<MediaPart> media;        // media number n is media[n - 1]
    int charts = 0, tables = 0, comment_parts = 0; // part counts of the book
};

// Relationship and content-type namespaces.
inline constexpr std::string_view NS_MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr std::string_view NS_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr std::string_view NS_PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships";

// ---- part writers (one file each) ------------------------------------------

void write_content_types(const SaveContext &ctx, XmlWriter &w);
void write_package_rels(const SaveContext &ctx, XmlWriter &w);
void write_app_props(const SaveContext &ctx, XmlWriter &w);
void write_core_props(const SaveContext &ctx, XmlWriter &w);
void write_custom_props(const SaveContext &ctx, XmlWriter &w);
void write_workbook_rels(const SaveContext &ctx, XmlWriter &w);
void write_theme(XmlWriter &w);
void write_styles(const SaveContext &ctx, XmlWriter &w);
void write_workbook(const SaveContext &ctx, XmlWriter &w);
void write_shared_strings(const SaveContext &ctx, XmlWriter &w);
// One <si> of the shared-strings part.
void write_string_item(XmlWriter &w, std::string_view text);
// Sheet `index` (0-based writing position). Throws std::runtime_error for a
// cell of an unknown kind.
void write_worksheet(const SaveContext &ctx, size_t index, XmlWriter &w);
void write_sheet_rels(const SaveContext &ctx, size_t index, XmlWriter &w);
// The <sheetData> element of a sheet (the per-cell path).
void write_sheet_data(const SaveContext &ctx, const Sheet &sheet, XmlWriter &w);

// Numbers every object part of the book and the relationship ids of every
// sheet; `file_bytes` supplies the bytes of pictures read from files, one
// entry per picture with a path, in sheet and picture order.
void plan_objects(SaveContext &ctx, const std::vector<std::vector<uint8_t>> &file_bytes);

// Object parts (drawing.cpp, chart.cpp, vml.cpp, comments.cpp, table.cpp,
// relationships.cpp).
void write_drawing(const SaveContext &ctx, size_t index, XmlWriter &w);
void write_drawing_rels(const SaveContext &ctx, size_t index, XmlWriter &w);
void write_chart(const SaveContext &ctx, const Sheet &sheet, const Chart &chart, XmlWriter &w);
void write_comments(const SaveContext &ctx, const Sheet &sheet, XmlWriter &w);
void write_vml(const SaveContext &ctx, const Sheet &sheet, int part, XmlWriter &w);
void write_table(const SaveContext &ctx, const Sheet &sheet, const Table &table, int number, XmlWriter &w);
// The worksheet's extension list with its sparkline groups.
void write_sparklines(const Sheet &sheet, XmlWriter &w);

// Placement on a sheet: column widths and row heights in pixels as the
// spreadsheet program shows them, and anchors in EMUs.
constexpr int64_t EMU_PER_PIXEL = 9525;
int column_pixels(const Sheet &sheet, int col);
int row_pixels(const Sheet &sheet, int row);
struct AnchorPoint {
    int col = 0, row = 0;
    int64_t col_off = 0, row_off = 0; // EMUs
};
// A cell plus pixel offsets, moved to the cell the offsets land in.
AnchorPoint anchor_at(const Sheet &sheet, const CellAnchor &at);
// The point `dx`, `dy` pixels right of and below `from`.
AnchorPoint anchor_after(const Sheet &sheet, const AnchorPoint &from, double dx, double dy);
// The distance of an anchor point from the sheet's top-left corner, in EMUs.
void anchor_position(const Sheet &sheet, const AnchorPoint &p, int64_t &x, int64_t &y);
// A sheet name as formulas write it: quoted when it must be.
std::string formula_sheet_name(std::string_view name);
// "$A$1" form of a cell and of a block ("$A$1:$B$4", or one cell).
std::string absolute_ref(const CellBlock &b);
// The shown text and the number of a cell (false when it holds no number).
std::string cell_display_text(const Model &m, const Sheet &s, int row, int col);
bool cell_numeric_value(const Sheet &s, int row, int col, double &out);

// Printer settings of a sheet: a DEVMODE record with its orientation and
// paper size.
std::vector<uint8_t> printer_settings(const Sheet &sheet);

// Single entries of the styles part, for a kept styles part that the save
// extends with the entries the registry gained.
void write_style_entry(XmlWriter &w, const Font &f);
void write_style_entry(XmlWriter &w, const Fill &f);
void write_style_entry(XmlWriter &w, const Border &b);
void write_style_entry(const SaveContext &ctx, XmlWriter &w, const Xf &x);
std::string number_format_code(const NumFmt &f);
// numFmtId of a built-in format key, or -1.
int builtin_number_format_id(int key);

// numFmtId of every number-format entry, and whether it gets an element.
void assign_numfmt_ids(const Model &m, std::vector<int> &ids, std::vector<uint8_t> &written);

// ---- helpers -----------------------------------------------------------------

// The 16-bit legacy password hash of spreadsheet protection.
uint16_t legacy_password_hash(std::string_view password);
// Writes "A1"-style column letters of a 0-based column; returns the length.
int column_letters(int col, char *out);
// Appends the "A1" reference of a 0-based cell.
std::string cell_ref(int row, int col);
// Number of relationships of a sheet's external hyperlinks.
int external_link_count(const Sheet &sheet);
// paperSize attribute and DEVMODE paper size of a sheet's paper code.
int paper_size_attr(int paper_code);
int devmode_paper_size(int paper_code);

} // namespace vel
