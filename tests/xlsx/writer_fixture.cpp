// Helpers of the package writer's tests.
#include "writer_fixture.h"

#include <algorithm>
#include <map>

#include "book_access.h"
#include "model/cellvalue.h"
#include "model/numfmt.h"
#include "model/vocab.h"
#include "velmora.h"

namespace wtest {

void fill_frame_sheet(TestBook &tb, vel::Sheet &s, int width, int height, int zoom, unsigned seed) {
    auto &palette = tb.palette;
    s.zoom = zoom;
    s.sw_widths = VXLS_ON;
    s.used_cols = width;
    s.widths.assign(static_cast<size_t>(width), 2.625);
    uint32_t state = seed * 2654435761u + 1;
    for (int r = 0; r < height; ++r) {
        vel::ensure_row(s, r)->height = 1575;
        for (int c = 0; c < width; ++c) {
            state = state * 1103515245u + 12345u;
            uint8_t red = static_cast<uint8_t>(((r * 2 + c) & 0xff) & ~7);
            uint8_t green = static_cast<uint8_t>(((state >> 16) & 0x3f) << 2 & ~7);
            uint8_t blue = static_cast<uint8_t>((c * 3) & 0xf8);
            auto [it, added] = palette.try_emplace((red << 16) | (green << 8) | blue, 0);
            if (added) it->second = tb.solid_style(red, green, blue);
            tb.cell(s, r, c).style = it->second;
        }
    }
}

namespace {

// What a cell format looks like: format class, font, fill, borders, placement.
std::string format_signature(const vel::Model &m, int style) {
    if (style <= 0 || static_cast<size_t>(style) > m.xfs.size()) return "default";
    const vel::Xf &x = m.xfs[static_cast<size_t>(style) - 1];
    char out[200];
    const vel::Font f = x.font >= 0 && static_cast<size_t>(x.font) < m.fonts.size() ? m.fonts[x.font] : vel::Font{};
    const vel::Fill fill = x.fill >= 0 && static_cast<size_t>(x.fill) < m.fills.size() ? m.fills[x.fill] : vel::Fill{};
    const vel::Border b = x.border > 0 && static_cast<size_t>(x.border) <= m.borders.size() ? m.borders[x.border - 1]
                                                                                            : vel::Border{};
    const int h = x.align % 10, valid = x.align >= 11 && x.align <= 33 && h >= 1 && h <= 3;
    std::snprintf(out, sizeof out, "fmt %d font %s %d %d %06x fill %d %06x border %d%d%d%d align %d wrap %d",
                  vel::style_format_class(m, style).key, f.face.empty() ? vel::face_name(f.code) : f.face.c_str(),
                  f.size, f.style & 7, f.color ? f.rgb[0] << 16 | f.rgb[1] << 8 | f.rgb[2] : 0,
                  fill.pattern == 1 ? 1 : fill.pattern, fill.pattern == 1 ? fill.rgb[0] << 16 | fill.rgb[1] << 8 | fill.rgb[2] : 0,
                  b.line[0], b.line[1], b.line[2], b.line[3], valid ? x.align : 10, x.text_ctl & 6);
    return out;
}

std::string compare_read_book(TestBook &tb, XLS_BOOK &read, const std::string &how) {
    std::string diff;
    auto note = [&](const std::string &what) {
        if (std::count(diff.begin(), diff.end(), '\n') < 10) diff += how + ": " + what + "\n";
    };
    vel::Book &back = book_of(&read);
    const auto &sheets = tb.model().sheets;
    if (back.model.sheets.size() != sheets.size()) note("sheet count " + std::to_string(back.model.sheets.size()));
    static char value[70000];
    for (size_t i = 0; i < sheets.size() && i < back.model.sheets.size(); ++i) {
        const vel::Sheet &s = sheets[i];
        if (back.model.sheets[i].name != s.name) note("sheet name " + back.model.sheets[i].name);
        if (VXLS_open_sheet2(&read, static_cast<int>(i)) != 0) note("cannot select " + s.name);
        for (int r = 0; r < static_cast<int>(s.rows.size()); ++r) {
            const vel::Row &row = s.rows[static_cast<size_t>(r)];
            for (int c = 0; c < row.used && c < static_cast<int>(row.cells.size()); ++c) {
                const vel::Cell &cell = row.cells[static_cast<size_t>(c)];
                char ref[16];
                VXLS_cell_name(r + 1, c + 1, ref);
                const std::string where = s.name + "!" + ref;
                // Covered cells of a merge lose their content (and keep at most
                // a format); dated and percent values without one get the book's.
                bool covered = false;
                for (const vel::Range &m : s.merges)
                    covered |= r >= m.r1 && r <= m.r2 && c >= m.c1 && c <= m.c2 && !(r == m.r1 && c == m.c1);
                const vel::Model &wm = tb.model();
                int style = cell.style;
                if (style == 0 && (cell.kind == vel::CELL_DATE || cell.kind == vel::CELL_DATE_TIME))
                    style = cell.kind == vel::CELL_DATE ? wm.xf_date : wm.xf_datetime;
                else if (style == 0 && cell.kind == vel::CELL_PERCENT) style = wm.xf_percent;
                const std::string want = covered ? "" : vel::cell_display_text(&tb.book, s, cell);
                value[0] = '\0';
                VXLS_get_cell(&read, ref, value, sizeof value, nullptr, 0);
                if (want != value) note(where + " shows \"" + value + "\", written \"" + want + "\"");
                const vel::Cell *got = vel::find_cell(back.model.sheets[i], r, c);
                const std::string want_format = format_signature(wm, style);
                const std::string got_format = format_signature(back.model, got ? got->style : 0);
                if (!covered && want_format != got_format) note(where + " format " + got_format + ", written " + want_format);
            }
        }
    }
    return diff;
}

} // namespace

std::string read_back_differences(TestBook &tb, const std::string &path) {
    XLS_BOOK book{};
    int rc = VXLS_open_book(&book, ("CHARSET=UTF8 MODE=READ BOOK=\"" + path + "\"").c_str());
    if (rc != 0) return "open rc " + std::to_string(rc) + ": " + book.error_info;
    std::string diff = compare_read_book(tb, book, "file");
    VXLS_free_book(&book);

    const std::string image = vtest::read_file(path);
    XLS_BOOK memory{};
    rc = VXLS_open_memory_book(&memory, nullptr, image.data(), static_cast<long>(image.size()));
    if (rc != 0) return diff + "memory open rc " + std::to_string(rc) + ": " + memory.error_info;
    diff += compare_read_book(tb, memory, "memory");
    VXLS_free_book(&memory);
    return diff;
}

} // namespace wtest
