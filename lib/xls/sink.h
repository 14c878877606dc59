// What the .xls decoder reports: the outcome record and the events of a
// workbook, delivered to a Sink. Every text is UTF-8; a string_view is valid
// only during the call that carries it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vel::xls {

// Outcome of a decode.
//   result  0; -1 general failure (not a workbook stream, damaged records,
//           BIFF before version 5); -2 memory; -4 damaged or unsupported
//           compound file, or an encrypted workbook; -9 a limit overflowed.
//   code    diagnostic code: 0 (the detail alone), 2 memory, 901 password
//           protected, 4000 damaged compound file.
//   detail  the diagnostic's text ("Invalid Sector Size", ...).
//   message the user message (error_info text) where the failure has one, else empty.
struct ReadStatus {
    int result = 0;
    int code = 0;
    std::string detail;
    std::string message;
    bool ok() const { return result == 0; }
};

enum class SheetKind : uint8_t { worksheet = 0, macro = 1, chart = 2, vba_module = 6 };
enum class Visibility : uint8_t { visible = 0, hidden = 1, very_hidden = 2 };

struct WorkbookInfo {
    int biff = 8;             // 8: Excel 97 and later; 5: Excel 5.0/95
    bool date1904 = false;    // date serials count from 1904-01-01
    uint16_t codepage = 1200; // code page of 8-bit texts (1200: UTF-16)
};

// One BOUNDSHEET record: every sheet of the book in tab order, charts included.
struct SheetInfo {
    uint32_t index = 0;       // position in tab order, from 0; cells name it
    std::string_view name;
    Visibility visibility = Visibility::visible;
    SheetKind kind = SheetKind::worksheet;
    uint32_t stream_pos = 0;  // offset of the sheet's BOF record in the workbook stream
};

struct FontInfo {
    uint16_t index = 0;       // the number XF records use (index 4 is never assigned)
    uint16_t height = 0;      // twips
    uint16_t weight = 400;    // 400 normal, 700 bold
    bool italic = false;
    bool strike = false;
    uint8_t underline = 0;    // 0 none, 1 single, 2 double, 0x21/0x22 accounting
    uint16_t escapement = 0;  // 0 none, 1 superscript, 2 subscript
    uint16_t color = 0;       // palette index
    uint8_t family = 0;
    uint8_t charset = 0;
    std::string_view name;
};

struct XfInfo {
    uint32_t index = 0;       // order of the XF records, from 0; cells name it
    uint16_t font = 0;        // FontInfo::index
    uint16_t format = 0;      // number-format id: built-in below 164, else a FORMAT record's
    bool style = false;       // a style XF (cells use cell XFs)
    uint16_t parent = 0;      // the style XF a cell XF derives from
    uint8_t halign = 0;       // 0 general, 1 left, 2 centre, 3 right, 4 fill, 5 justify, 6 centre across, 7 distributed
    uint8_t valign = 2;       // 0 top, 1 centre, 2 bottom, 3 justify, 4 distributed
    bool wrap = false;
    bool locked = true;
    bool hidden = false;
};

enum class ValueKind : uint8_t { blank, number, text, shared_string, boolean, error };

// One cell. A formula's cached result has `formula` set; an empty-string
// result is a text with an empty `text`.
struct CellEvent {
    uint32_t sheet = 0;       // SheetInfo::index
    uint16_t row = 0;         // from 0 (below 65,536)
    uint16_t col = 0;         // from 0 (below 256)
    uint16_t xf = 0;          // XfInfo::index; 0 when the record's index has no XF
    ValueKind kind = ValueKind::blank;
    bool formula = false;
    uint8_t code = 0;         // boolean: 0 or 1; error: the error code (see error_text)
    uint32_t sst = 0;         // shared_string: index among the shared strings, in order
    double number = 0;        // number: the value (dates as serials of the book's date system)
    std::string_view text;    // text
};

struct MergeInfo {
    uint32_t sheet = 0;
    uint16_t first_row = 0, last_row = 0; // inclusive
    uint8_t first_col = 0, last_col = 0;  // inclusive
};

struct ColumnInfo {
    uint32_t sheet = 0;
    uint8_t first = 0, last = 0; // inclusive
    uint16_t width = 0;          // 1/256 of the width of a zero
    uint16_t xf = 0;
    bool hidden = false;
    uint8_t outline = 0;
};

struct RowInfo {
    uint32_t sheet = 0;
    uint16_t row = 0;
    uint16_t height = 255;       // twips
    bool custom_height = false;
    bool hidden = false;
    int32_t xf = -1;             // the row's format, -1 for none
    uint8_t outline = 0;
};

// The used area as the file states it (end exclusive).
struct DimensionInfo {
    uint32_t sheet = 0;
    uint32_t first_row = 0, end_row = 0;
    uint16_t first_col = 0, end_col = 0;
};

// The sheet's window settings, reported when the sheet ends.
struct WindowInfo {
    uint32_t sheet = 0;
    bool show_formulas = false;
    bool show_grid = true;
    bool show_headers = true;
    bool frozen = false;
    bool show_zeros = true;
    bool right_to_left = false;
    bool selected = false;
    bool active = false;
    uint16_t top_row = 0, left_col = 0;
    uint16_t zoom = 100;         // percent
};

// Receives the events of a decode in stream order: the globals (sheets,
// formats, fonts, XFs, shared strings), then workbook() once the globals end,
// then each sheet's cells, merges, columns, rows, dimensions and window.
// A sink that cannot go on calls fail(); the decoder then stops after the
// current record and returns that status.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void workbook(const WorkbookInfo &) {}
    virtual void sheet(const SheetInfo &) {}
    virtual void number_format(uint16_t /*id*/, std::string_view /*code*/) {}
    virtual void font(const FontInfo &) {}
    virtual void xf(const XfInfo &) {}
    // Called before the shared strings with the count the table declares (it may be wrong).
    virtual void shared_strings_begin(uint32_t /*declared*/) {}
    virtual void shared_string(std::string_view /*text*/) {}
    virtual void cell(const CellEvent &) = 0;
    virtual void merge(const MergeInfo &) {}
    virtual void column(const ColumnInfo &) {}
    virtual void row(const RowInfo &) {}
    virtual void dimensions(const DimensionInfo &) {}
    virtual void window(const WindowInfo &) {}
    // The decoder will not read the stream's bytes before `offset` again
    // (called as it moves from one run of the stream to the next), so a
    // caller that hands over a mapped file in runs may release them.
    virtual void stream_consumed(uint64_t /*offset*/) {}

    void fail(ReadStatus status) {
        failure_ = std::move(status);
        if (failure_.result == 0) failure_.result = -1;
        failed_ = true;
    }
    bool failed() const { return failed_; }
    const ReadStatus &failure() const { return failure_; }

private:
    ReadStatus failure_;
    bool failed_ = false;
};

// The text Excel shows for an error code ("#DIV/0!"); "#N/A" for unknown codes.
inline const char *error_text(uint8_t code) {
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    case 0x2B: return "#GETTING_DATA";
    default: return "#N/A";
    }
}

} // namespace vel::xls
