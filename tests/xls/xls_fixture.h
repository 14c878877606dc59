// The .xls tests' sink that records every event, and writers of BIFF records and workbook streams.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cfb_image.h"
#include "test_support.h"
#include "xls/decoder.h"

namespace xt {

using Bytes = std::vector<uint8_t>;
using namespace vel::xls;

using CellKey = std::tuple<uint32_t, uint16_t, uint16_t>; // sheet, row, col

// Records every event in order as a line of text ("font 5 F4 240 700 1"); keeps the shared strings, and each
// cell shown as its value ('text', "sst 3" for a shared string, "blank 15" with its XF, "=" before a formula's).
struct RecordingSink : Sink {
    std::vector<std::string> lines;
    std::vector<std::string> strings;
    std::map<CellKey, std::string> cells;

    template <class... T> static std::string join(int precision, const T &...v) {
        static std::ostringstream o; // one stream for all: making one per event is slow
        o.str("");
        o.precision(precision);
        const char *blank = "";
        ((o << blank << v, blank = " "), ...);
        return o.str();
    }
    template <class... T> void log(const T &...v) { lines.push_back(join(17, v...)); }
    void workbook(const WorkbookInfo &w) override { log("book", w.biff, w.date1904, w.codepage); }
    void sheet(const SheetInfo &s) override { log("sheet", s.name, int(s.visibility), int(s.kind), s.stream_pos); }
    void number_format(uint16_t id, std::string_view code) override { log("format", id, code); }
    void font(const FontInfo &f) override { log("font", f.index, f.name, f.height, f.weight, f.italic); }
    void xf(const XfInfo &x) override {
        log("xf", x.index, x.font, x.format, x.style, x.parent, int(x.halign), int(x.valign), x.wrap);
    }
    void shared_strings_begin(uint32_t declared) override { log("strings", declared); }
    void shared_string(std::string_view s) override {
        strings.emplace_back(s);
        log("s", s);
    }
    void cell(const CellEvent &c) override {
        std::string shown = "blank " + std::to_string(c.xf);
        if (c.kind == ValueKind::number) shown = join(15, c.number);
        if (c.kind == ValueKind::text) shown = "'" + std::string(c.text) + "'";
        if (c.kind == ValueKind::shared_string) shown = "sst " + std::to_string(c.sst);
        if (c.kind == ValueKind::boolean) shown = c.code == 1 ? "TRUE" : c.code == 0 ? "FALSE" : "?";
        if (c.kind == ValueKind::error) shown = error_text(c.code);
        cells[{c.sheet, c.row, c.col}] = (c.formula ? "=" : "") + shown;
        log("cell", c.sheet, c.row, c.col, int(c.kind), c.formula, int(c.code), c.number, c.sst, c.xf, c.text);
    }
    void merge(const MergeInfo &m) override {
        log("merge", m.sheet, m.first_row, m.last_row, int(m.first_col), int(m.last_col));
    }
    void column(const ColumnInfo &c) override { log("col", c.sheet, int(c.first), int(c.last), c.width, c.hidden); }
    void row(const RowInfo &r) override { log("row", r.sheet, r.row, r.height, r.hidden, r.xf); }
    void dimensions(const DimensionInfo &d) override {
        log("dim", d.sheet, d.first_row, d.end_row, d.first_col, d.end_col);
    }
    void window(const WindowInfo &w) override { log("window", w.sheet, w.show_grid, w.frozen, w.selected, w.zoom); }

    // The lines starting with `start`.
    size_t count(const std::string &start) const {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string &l) { return l.rfind(start, 0) == 0; });
    }
    std::string dump() const {
        std::string out;
        for (const auto &l : lines) out += l + "\n";
        return out;
    }
};

// Record body builder: Body().b16(1).b32(2).f64(1.5).sstr("x") ...; numbers in the host's (little-endian) order.
struct Body {
    Bytes b;
    template <class T> Body &put(T v) {
        const auto *p = reinterpret_cast<const uint8_t *>(&v);
        b.insert(b.end(), p, p + sizeof v);
        return *this;
    }
    Body &u8(uint8_t v) { return put(v); }
    Body &b16(uint16_t v) { return put(v); }
    Body &b32(uint32_t v) { return put(v); }
    Body &f64(double v) { return put(v); }
    Body &raw(const Bytes &x) {
        b.insert(b.end(), x.begin(), x.end());
        return *this;
    }
    Body &ascii(const std::string &s) { return raw(Bytes(s.begin(), s.end())); }
    Body &utf16(const std::u16string &s) {
        for (char16_t c : s) b16(static_cast<uint16_t>(c));
        return *this;
    }
    // XLUnicodeString with a 16-bit count, 8-bit characters.
    Body &xstr(const std::string &s) { return b16(static_cast<uint16_t>(s.size())).u8(0).ascii(s); }
    // ShortXLUnicodeString (8-bit count), 8-bit characters.
    Body &sstr(const std::string &s) { return u8(static_cast<uint8_t>(s.size())).u8(0).ascii(s); }
    operator const Bytes &() const { return b; }
};

// BIFF record writer.
struct Biff {
    Bytes out;
    size_t pos() const { return out.size(); }
    Biff &rec(uint16_t type, const Bytes &body) {
        out = std::move(Body{std::move(out)}.b16(type).b16(static_cast<uint16_t>(body.size())).raw(body).b);
        return *this;
    }
};

enum : uint16_t {
    T_FORMULA = 0x0006, T_EOF = 0x000A, T_DATEMODE = 0x0022, T_FILEPASS = 0x002F, T_FONT = 0x0031,
    T_CONTINUE = 0x003C, T_CODEPAGE = 0x0042, T_COLINFO = 0x007D, T_BOUNDSHEET = 0x0085, T_MULRK = 0x00BD,
    T_MULBLANK = 0x00BE, T_XF = 0x00E0, T_MERGEDCELLS = 0x00E5, T_SST = 0x00FC, T_LABELSST = 0x00FD,
    T_DIMENSIONS = 0x0200, T_BLANK = 0x0201, T_NUMBER = 0x0203, T_LABEL = 0x0204, T_BOOLERR = 0x0205,
    T_STRING = 0x0207, T_ROW = 0x0208, T_WINDOW2 = 0x023E, T_RK = 0x027E, T_SHRFMLA = 0x04BC, T_FORMAT = 0x041E,
    T_BOF = 0x0809,
};

inline Bytes bof(uint16_t type) { return Body().b16(0x0600).b16(type).b16(0x0DBB).b16(0x07CC).b32(0).b32(0x06); }

// A sheet of a test workbook: its BOUNDSHEET and the records between its BOF and EOF.
struct TestSheet {
    std::string name;
    uint8_t type = 0;        // BOUNDSHEET sheet type: 0 worksheet, 2 chart
    uint8_t visibility = 0;
    Bytes records;           // written between BOF and EOF
};

// A BIFF8 workbook stream: a code page, the date mode, one font, `xfs` XFs and `globals`, then the sheets in
// `order` (by default their tab order), each BOUNDSHEET pointing at its BOF.
Bytes workbook_stream(const std::vector<TestSheet> &sheets, const Bytes &globals = {}, int xfs = 16,
                      std::vector<size_t> order = {}, bool date1904 = false);

// Records of a sheet body, concatenated.
inline Bytes records(std::initializer_list<std::pair<uint16_t, Bytes>> list) {
    Biff b;
    for (const auto &[type, body] : list) b.rec(type, body);
    return b.out;
}

inline ReadStatus decode_bytes(const Bytes &image, RecordingSink &sink) {
    return decode_xls(image.data(), image.size(), sink);
}
inline ReadStatus decode_stream(const Bytes &stream, RecordingSink &sink) {
    const vel::cfb::Extent run{stream.data(), stream.size()};
    return decode_workbook_stream(std::span<const vel::cfb::Extent>(&run, 1), sink);
}
// A workbook stream in a compound file of 512-byte sectors.
inline Bytes in_cfb(const Bytes &stream, const vtest::CfbOptions &opt = {}, const char *name = "Workbook") {
    return vtest::make_cfb({{name, stream}}, opt).bytes;
}

} // namespace xt
