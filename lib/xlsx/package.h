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
void write_string_item(XmlWriter &w, const std::string &text);
// Sheet `index` (0-based writing position). Throws std::runtime_error for a
// cell of an unknown kind.
void write_worksheet(const SaveContext &ctx, size_t index, XmlWriter &w);
void write_sheet_rels(const SaveContext &ctx, size_t index, XmlWriter &w);
// The <sheetData> element of a sheet (the per-cell path).
void write_sheet_data(const SaveContext &ctx, const Sheet &sheet, XmlWriter &w);

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
