// Numbering of the object parts of a book, and the geometry that places
// objects on a sheet: column widths and row heights in pixels, anchors in
// EMUs.
#include <algorithm>
#include <cmath>

#include "model/cellvalue.h"
#include "xlsx/package.h"

namespace vel {

namespace {

// Widest digit of the default font (11-point ＭＳ Ｐゴシック) in pixels; the
// spreadsheet program turns a stored column width into pixels with it.
constexpr int MAX_DIGIT_WIDTH = 8;
constexpr double DEFAULT_WIDTH = 8.38;       // what the sheet writes for a column without a width
constexpr int UNLISTED_COLUMN_PIXELS = 8 * MAX_DIGIT_WIDTH + 5; // columns past <cols>
constexpr int DEFAULT_ROW_PIXELS = 18;       // 13.5 points

int width_to_pixels(double w) {
    if (w <= 0) return 0;
    return static_cast<int>(((256.0 * w + static_cast<int>(128 / MAX_DIGIT_WIDTH)) / 256.0) * MAX_DIGIT_WIDTH);
}

bool is_cell_like(std::string_view n) {
    size_t i = 0;
    while (i < n.size() && ((n[i] | 0x20) >= 'a' && (n[i] | 0x20) <= 'z')) ++i;
    if (i == 0 || i > 3) return false;
    size_t d = i;
    while (i < n.size() && n[i] >= '0' && n[i] <= '9') ++i;
    return i == n.size() && i > d;
}

} // namespace

int column_pixels(const Sheet &sheet, int col) {
    if (sheet.sw_widths != VXLS_ON || col >= sheet.used_cols || col < 0) return UNLISTED_COLUMN_PIXELS;
    double w = static_cast<size_t>(col) < sheet.widths.size() ? sheet.widths[col] : 0.0;
    if (w == 0) w = DEFAULT_WIDTH;
    return width_to_pixels(w);
}

int row_pixels(const Sheet &sheet, int row) {
    if (row < 0 || row >= static_cast<int>(sheet.rows.size())) return DEFAULT_ROW_PIXELS;
    const Row &r = sheet.rows[row];
    if (r.sw[0] == VXLS_ON) return 0; // hidden
    if (r.height == 65535 || r.height == 0) return DEFAULT_ROW_PIXELS;
    return static_cast<int>(std::lround(r.height / 100.0 * 96.0 / 72.0));
}

namespace {

// Moves (index, offset in pixels) forward or back until the offset lies
// inside its column or row.
template <class Size>
void settle(int &index, double &offset, int last, Size size) {
    while (offset < 0 && index > 0) offset += size(--index);
    if (offset < 0) offset = 0;
    for (int guard = 0; guard < 2000000 && index < last; ++guard) {
        int s = size(index);
        if (offset < s) break;
        offset -= s;
        ++index;
    }
}

} // namespace

AnchorPoint anchor_at(const Sheet &sheet, const CellAnchor &at) {
    AnchorPoint p;
    p.col = at.col;
    p.row = at.row;
    return anchor_after(sheet, p, at.dx, at.dy);
}

AnchorPoint anchor_after(const Sheet &sheet, const AnchorPoint &from, double dx, double dy) {
    int col = from.col, row = from.row;
    double x = static_cast<double>(from.col_off) / EMU_PER_PIXEL + dx;
    double y = static_cast<double>(from.row_off) / EMU_PER_PIXEL + dy;
    settle(col, x, 16383, [&](int c) { return column_pixels(sheet, c); });
    settle(row, y, 1048575, [&](int r) { return row_pixels(sheet, r); });
    AnchorPoint p;
    p.col = col;
    p.row = row;
    p.col_off = std::llround(x * EMU_PER_PIXEL);
    p.row_off = std::llround(y * EMU_PER_PIXEL);
    return p;
}

void anchor_position(const Sheet &sheet, const AnchorPoint &p, int64_t &x, int64_t &y) {
    int64_t px = 0, py = 0;
    for (int c = 0; c < p.col; ++c) px += column_pixels(sheet, c);
    // Rows below the last stored one all have the default height.
    const int stored = std::min(p.row, static_cast<int>(sheet.rows.size()));
    for (int r = 0; r < stored; ++r) py += row_pixels(sheet, r);
    py += static_cast<int64_t>(p.row - stored) * DEFAULT_ROW_PIXELS;
    x = px * EMU_PER_PIXEL + p.col_off;
    y = py * EMU_PER_PIXEL + p.row_off;
}

std::string formula_sheet_name(std::string_view name) {
    bool quote = name.empty() || (name[0] >= '0' && name[0] <= '9') || is_cell_like(name);
    for (char ch : name) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80 && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && !(c >= '0' && c <= '9') && c != '_' && c != '.')
            quote = true;
    }
    if (!quote) return std::string(name);
    std::string out = "'";
    for (char c : name) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::string absolute_ref(const CellBlock &b) {
    auto one = [](int row, int col) {
        char letters[8];
        int n = column_letters(col, letters);
        return "$" + std::string(letters, static_cast<size_t>(n)) + "$" + std::to_string(row + 1);
    };
    if (b.r1 == b.r2 && b.c1 == b.c2) return one(b.r1, b.c1);
    return one(b.r1, b.c1) + ":" + one(b.r2, b.c2);
}

bool cell_numeric_value(const Sheet &s, int row, int col, double &out) {
    if (row < 0 || col < 0 || row >= static_cast<int>(s.rows.size())) return false;
    const Row &r = s.rows[row];
    if (col >= static_cast<int>(r.cells.size())) return false;
    return cell_number(s, r.cells[col], out);
}

std::string cell_display_text(const Model &m, const Sheet &s, int row, int col) {
    if (row < 0 || col < 0 || row >= static_cast<int>(s.rows.size())) return {};
    const Row &r = s.rows[row];
    if (col >= static_cast<int>(r.cells.size())) return {};
    const Cell &c = r.cells[col];
    if (c.kind == CELL_SHARED_TEXT)
        return c.num >= 0 && static_cast<size_t>(c.num) < m.sst.size() ? std::string(m.sst[c.num]) : std::string();
    double v;
    if (cell_number(s, c, v)) return double_text(v);
    if (const CellText *t = texts_of(s, c)) return t->value;
    return {};
}

void plan_objects(SaveContext &ctx, const std::vector<std::vector<uint8_t>> &file_bytes) {
    ctx.objects.assign(ctx.sheets.size(), SheetObjects{});
    ctx.media.clear();
    size_t next_file = 0;
    auto add_media = [&](int kind, const std::vector<uint8_t> *bytes) {
        ctx.media.push_back(MediaPart{kind, bytes});
        return static_cast<int>(ctx.media.size());
    };
    int charts = 0, tables = 0, comments = 0;
    for (size_t i = 0; i < ctx.sheets.size(); ++i) {
        const Sheet &s = *ctx.sheets[i];
        SheetObjects &o = ctx.objects[i];
        if (s.background.kind) o.background = add_media(s.background.kind, &file_bytes[next_file++]);
        for (size_t k = 0; k < s.pictures.size(); ++k) {
            const Picture &p = s.pictures[k];
            int n = add_media(p.kind, p.path.empty() ? &p.bytes : &file_bytes[next_file++]);
            if (k == 0) o.first_picture = n;
        }
        if (!s.charts.empty()) {
            o.first_chart = charts + 1;
            charts += static_cast<int>(s.charts.size());
        }
        if (!s.pictures.empty() || !s.charts.empty() || !s.shapes.empty()) o.drawing = static_cast<int>(i + 1);
        if (!s.comments.empty()) o.comments = ++comments;
        if (!s.tables.empty()) {
            o.first_table = tables + 1;
            tables += static_cast<int>(s.tables.size());
        }
        // Relationship ids: external links, printer settings, background,
        // drawing, comments and VML, tables.
        int id = external_link_count(s) + 1;
        if (o.background) o.rid_background = ++id;
        if (o.drawing) o.rid_drawing = ++id;
        if (o.comments) {
            o.rid_comments = ++id;
            o.rid_vml = ++id;
        }
        if (!s.tables.empty()) o.rid_first_table = id + 1;
    }
    ctx.charts = charts;
    ctx.tables = tables;
    ctx.comment_parts = comments;
}

} // namespace vel
