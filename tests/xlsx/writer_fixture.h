// A book assembled directly in the model for the package writer's tests, and
// the outside checkers' runs.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "model/book.h"
#include "model/model.h"
#include "model/store.h"
#include "xlsx/writer.h"
#include "test_support.h"

namespace wtest {

struct TestBook {
    vel::Book book;
    std::map<uint32_t, uint16_t> palette; // colour -> style of fill_frame_sheet

    TestBook() {
        book.charset = VXLS_CHARSET_UTF8;
        auto &m = model();
        m.sheets.reserve(64); // references to sheets stay valid while a test adds more
        m.fonts.resize(3);
        m.fonts[2].style = 10; // the hyperlink font
        m.fills.resize(2);
        m.fills[1].pattern = 5; // gray125
    }
    // Saves to a disk file; the book's message stays in `book.diag`.
    int save(const std::string &path) {
        book.diag.begin_call();
        return vel::vlt_create_excel2007(&book, path.c_str(), vel::SaveTarget::Disk);
    }
    std::string error() const { return book.diag.message; }

    vel::Model &model() { return book.model; }
    vel::Sheet &add_sheet(const std::string &name) {
        model().sheets.emplace_back();
        model().sheets.back().name = name;
        return model().sheets.back();
    }
    // A cell format with a solid fill of that colour; returns its style number.
    uint16_t solid_style(uint8_t r, uint8_t g, uint8_t b) {
        model().fills.push_back({.pattern = 1, .color = -1, .rgb = {r, g, b}});
        return add_xf({.fill = static_cast<int32_t>(model().fills.size() - 1)});
    }
    uint16_t add_xf(const vel::Xf &x) {
        model().xfs.push_back(x);
        return static_cast<uint16_t>(model().xfs.size());
    }
    vel::Cell &cell(vel::Sheet &s, int r, int c) { return *vel::ensure_cell(s, r, c); }
    void text(vel::Sheet &s, int r, int c, const std::string &t, uint16_t style = 0) {
        vel::Cell &x = cell(s, r, c);
        x.kind = vel::CELL_SHARED_TEXT;
        x.num = static_cast<int32_t>(model().sst.size());
        x.style = style;
        model().sst.push_back(t);
    }
    void value(vel::Sheet &s, int r, int c, uint8_t kind, int32_t num, const std::string &text = "",
               uint16_t style = 0) {
        vel::Cell &x = cell(s, r, c);
        x.kind = kind;
        x.num = num;
        x.style = style;
        if (!text.empty()) vel::cell_texts(s, x).value = text;
    }
};

// The frame converter's sheet: every column width 2, every row 15.75,
// one solid fill per distinct colour (shared through `palette`).
void fill_frame_sheet(TestBook &tb, vel::Sheet &s, int width, int height, int zoom, unsigned seed);

// Reads `path` back through the C interface, from the file and from its bytes
// in memory, and compares sheet names, every cell's shown value and format with
// the book written. Returns "" when they agree, else the first differences.
std::string read_back_differences(TestBook &tb, const std::string &path);

// Outside checkers; "" when the file passes, else their output.
inline std::string validate(const std::string &file) { return vtest::validate_xlsx(file); }
inline std::string check_with_openpyxl(const std::string &file, const std::string &expect_json) {
    return vtest::python_check("tests/xlsx/check_xlsx.py", file, expect_json);
}
// LibreOffice's CSV of each file's first sheet, into `outdir`.
inline std::string soffice_to_csv(const std::vector<std::string> &files, const std::string &outdir) {
    return vtest::soffice_convert(files, outdir, "csv:Text - txt - csv (StarCalc):44,34,76");
}

} // namespace wtest
