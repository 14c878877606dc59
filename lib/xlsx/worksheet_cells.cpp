// The per-cell path of the worksheet writer: <sheetData>, its rows and
// cells. Every element is printed straight into the writer's buffer with
// integer formatting on the stack; column letters come from a table built
// once; nothing is allocated per cell.
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <string>

#include "model/cellvalue.h"
#include "xlsx/package.h"

namespace vel {

namespace {

constexpr int MAX_COLUMNS = 16384;

struct ColumnNames {
    char text[MAX_COLUMNS][4];
    uint8_t len[MAX_COLUMNS];
    ColumnNames() {
        for (int c = 0; c < MAX_COLUMNS; ++c) {
            char tmp[4];
            int n = 0;
            for (int v = c + 1; v > 0; v = (v - 1) / 26) tmp[n++] = static_cast<char>('A' + (v - 1) % 26);
            for (int i = 0; i < n; ++i) text[c][i] = tmp[n - 1 - i];
            len[c] = static_cast<uint8_t>(n);
        }
    }
};

const ColumnNames &column_names() {
    static const ColumnNames names;
    return names;
}

inline char *put(char *p, std::string_view s) {
    std::memcpy(p, s.data(), s.size());
    return p + s.size();
}

inline char *put_uint(char *p, uint32_t v) { return std::to_chars(p, p + 12, v).ptr; }

// Per-row state shared by the cells of one row.
struct RowText {
    char digits[12];
    int len = 0;
};

// Merged areas crossing one row: [c1, c2] with the top-left flag.
struct Cover {
    int c1, c2;
    bool top_row;
};

bool slot_empty(const Cell &c) { return c.kind == CELL_EMPTY && c.style == 0 && c.text == 0; }

// `<c r="B7"` and the style attribute.
inline char *cell_head(char *p, const ColumnNames &names, int col, const RowText &row, uint32_t style) {
    p = put(p, "<c r=\"");
    std::memcpy(p, names.text[col], 4);
    p += names.len[col];
    std::memcpy(p, row.digits, 12);
    p += row.len;
    *p++ = '"';
    if (style >= 1) {
        p = put(p, " s=\"");
        p = put_uint(p, style);
        *p++ = '"';
    }
    return p;
}

// Default format numbers of dated and percent values without a format.
uint32_t effective_style(const Model &m, const Cell &c) {
    if (c.style != 0) return c.style;
    switch (c.kind) {
    case CELL_DATE: return static_cast<uint32_t>(m.xf_date);
    case CELL_DATE_TIME: return static_cast<uint32_t>(m.xf_datetime);
    case CELL_TIME_HM:
    case CELL_TIME_HMS: return static_cast<uint32_t>(m.xf_time);
    case CELL_PERCENT: return static_cast<uint32_t>(m.xf_percent);
    default: return 0;
    }
}

// A cell whose content comes from its texts (numbers with a value text,
// formulas, inline texts): written through the escaping writer.
// A cell whose value is its number slot: `open` ends the start tag and opens <v>.
inline void write_slot_cell(XmlWriter &w, const ColumnNames &names, int col, const RowText &row,
                            uint32_t style, std::string_view open, int32_t num) {
    char *q = cell_head(w.reserve(80), names, col, row, style);
    q = put(q, open);
    q = std::to_chars(q, q + 12, num).ptr;
    w.commit(put(q, "</v></c>"));
}

// A formula cell's result type attribute, by the kind of its result.
std::string_view result_type(const Cell &c) {
    switch (c.num) {
    case FORMULA_TEXT: return " t=\"str\"";
    case FORMULA_BOOL: return " t=\"b\"";
    case FORMULA_ERROR: return " t=\"e\"";
    default: return {};
    }
}

void write_text_cell(XmlWriter &w, const Sheet &sheet, const Cell &c, const ColumnNames &names, int col,
                     const RowText &row, uint32_t style, bool with_results) {
    static const CellText none;
    const CellText *found = texts_of(sheet, c);
    const CellText &t = found ? *found : none;
    char *p = cell_head(w.reserve(64), names, col, row, style);
    switch (c.kind) {
    case CELL_INTEGER:
    case CELL_DECIMAL:
    case CELL_PERCENT:
        p = put(p, "><v>");
        if (t.value.empty()) {
            w.commit(put(std::to_chars(p, p + 12, c.num).ptr, "</v></c>"));
            return;
        }
        w.commit(p);
        w.text(t.value);
        w.raw("</v></c>");
        return;
    case CELL_DATE_TIME:
    case CELL_TIME_HM:
    case CELL_TIME_HMS: {
        p = put(p, "><v>");
        p = std::to_chars(p, p + 12, c.num).ptr;
        w.commit(p);
        std::string_view frac = t.value;
        if (frac.size() > 1 && frac[0] == '0' && frac[1] == '.') frac.remove_prefix(1);
        if (!frac.empty() && frac[0] == '.') w.raw(frac);
        w.raw("</v></c>");
        return;
    }
    case CELL_FORMULA:
    case CELL_FORMULA2:
        w.commit(p);
        if (!t.formula.empty() && t.formula[0] == '<') {
            // A stored formula element (shared or array formula of a loaded
            // workbook), with its cached result when it has one.
            if (c.kind == CELL_FORMULA2 && with_results) w.raw(result_type(c));
            w.raw('>');
            w.raw(t.formula);
            if (c.kind == CELL_FORMULA2 && with_results) {
                w.raw("<v>");
                w.text(t.value);
                w.raw("</v></c>");
            } else {
                w.raw("<v></v></c>");
            }
            return;
        }
        // A result is written with its type when the book's results are
        // kept; a book left to recalculate on opening carries none.
        if (c.kind == CELL_FORMULA2 && with_results) {
            if (const std::string_view type = result_type(c); !type.empty()) w.raw(type);
            w.raw("><f>");
            w.text(t.formula);
            w.raw("</f><v>");
            w.text(t.value);
            w.raw("</v></c>");
            return;
        }
        w.raw("><f>");
        w.text(t.formula);
        w.raw("</f></c>");
        return;
    case CELL_TEXT_ONLY:
        if (t.value.empty()) {
            w.commit(put(p, "/>"));
            return;
        }
        // Text-only cells carry their text inline.
        w.commit(put(p, " t=\"inlineStr\"><is><t"));
        if (t.value.find(' ') != std::string::npos) w.raw(" xml:space=\"preserve\"");
        w.raw('>');
        w.text(t.value, ESCAPE_KEEP_BREAKS);
        w.raw("</t></is></c>");
        return;
    default: {
        std::string ref(names.text[col], names.len[col]);
        ref.append(row.digits, static_cast<size_t>(row.len));
        throw std::runtime_error("unknown cell kind " + std::to_string(c.kind) + " at " + ref);
    }
    }
}

// A value read from a workbook: a double, a boolean, an error value or an
// empty text.
void write_read_value(XmlWriter &w, const Cell &c, const ColumnNames &names, int col, const RowText &row,
                      uint32_t style) {
    char *p = cell_head(w.reserve(96), names, col, row, style);
    if (c.aux & CELL_AUX_EMPTY_TEXT) {
        w.commit(put(p, " t=\"inlineStr\"><is><t></t></is></c>"));
    } else if (c.aux & CELL_AUX_BOOL) {
        w.commit(put(put(p, c.num ? " t=\"b\"><v>1" : " t=\"b\"><v>0"), "</v></c>"));
    } else if (c.aux & CELL_AUX_ERROR) {
        p = put(p, " t=\"e\"><v>");
        w.commit(put(put(p, error_name(c.num)), "</v></c>"));
    } else {
        p = put(p, "><v>");
        const std::string v = double_text(cell_double(c));
        w.commit(put(put(p, v), "</v></c>"));
    }
}

void write_row(XmlWriter &w, const Model &m, const Sheet &sheet, const Row &row, int r,
               const std::vector<Cover> &covers, bool with_results) {
    const ColumnNames &names = column_names();
    RowText rt;
    rt.len = static_cast<int>(std::to_chars(rt.digits, rt.digits + 12, r + 1).ptr - rt.digits);
    const int used = row.used;
    const int slots = std::min<int>(used, static_cast<int>(row.cells.size()));

    bool all_empty = true;
    for (int c = 0; c < slots && all_empty; ++c) all_empty = slot_empty(row.cells[c]);

    // <row r="7" spans="1:160"  ht="15.750000" customHeight="1">
    char *p = w.reserve(256);
    p = put(p, "<row r=\"");
    std::memcpy(p, rt.digits, 12);
    p += rt.len;
    *p++ = '"';
    if (used > 0) {
        p = put(p, " spans=\"1:");
        p = put_uint(p, static_cast<uint32_t>(used));
        *p++ = '"';
    }
    const bool hidden = row.sw[0] == VXLS_ON;
    if (row.height != 0 && row.height != 65535) {
        p = put(p, hidden ? " hidden=\"1\" ht=\"" : "  ht=\"");
        p = std::to_chars(p, p + 40, row.height / 100.0, std::chars_format::fixed, 6).ptr;
        p = put(p, row.marks & ROW_HEIGHT_AUTO ? "\"" : "\" customHeight=\"1\"");
    } else if (hidden) {
        p = put(p, " hidden=\"1\"");
    }
    // A row format and outline read from a workbook.
    if (row.style) {
        p = put(p, " s=\"");
        p = put_uint(p, row.style);
        p = put(p, "\" customFormat=\"1\"");
    }
    if (row.outline & 7) {
        p = put(p, " outlineLevel=\"");
        *p++ = static_cast<char>('0' + (row.outline & 7));
        *p++ = '"';
    }
    if (row.outline & 8) p = put(p, " collapsed=\"1\"");
    if (row.marks & ROW_THICK_TOP) p = put(p, " thickTop=\"1\"");
    if (row.marks & ROW_THICK_BOT) p = put(p, " thickBot=\"1\"");
    if (row.marks & ROW_PHONETIC) p = put(p, " ph=\"1\"");
    if (all_empty) {
        w.commit(put(p, "/>"));
        return;
    }
    w.commit(put(p, ">"));

    for (int c = 0; c < slots; ++c) {
        const Cell &cell = row.cells[c];
        if (!covers.empty()) {
            bool covered = false;
            for (const Cover &cv : covers)
                if (c >= cv.c1 && c <= cv.c2 && !(cv.top_row && c == cv.c1)) covered = true;
            if (covered) {
                // Covered cells of a merged area keep only a format.
                char *q = cell_head(w.reserve(64), names, c, rt, cell.style < 2 ? 1 : cell.style);
                w.commit(put(q, "/>"));
                continue;
            }
        }
        if (slot_empty(cell)) continue;
        const uint32_t style = effective_style(m, cell);
        if (cell.aux) {
            write_read_value(w, cell, names, c, rt, style);
            continue;
        }
        char *q;
        switch (cell.kind) {
        case CELL_EMPTY:
            q = cell_head(w.reserve(64), names, c, rt, style);
            w.commit(put(q, "/>"));
            break;
        case CELL_SHARED_TEXT:
            write_slot_cell(w, names, c, rt, style, " t=\"s\"><v>", cell.num);
            break;
        case CELL_DATE:
            write_slot_cell(w, names, c, rt, style, "><v>", cell.num);
            break;
        case CELL_INTEGER:
            if (cell.text == 0 || sheet.texts[cell.text - 1].value.empty()) {
                write_slot_cell(w, names, c, rt, style, "><v>", cell.num);
                break;
            }
            [[fallthrough]];
        default:
            write_text_cell(w, sheet, cell, names, c, rt, style, with_results);
            break;
        }
    }
    w.raw("</row>");
}

} // namespace

int column_letters(int col, char *out) {
    const ColumnNames &names = column_names();
    if (col < 0 || col >= MAX_COLUMNS) col = MAX_COLUMNS - 1;
    std::memcpy(out, names.text[col], names.len[col]);
    return names.len[col];
}

std::string cell_ref(int row, int col) {
    char buf[24];
    int n = column_letters(col, buf);
    char *end = std::to_chars(buf + n, buf + sizeof buf, row + 1).ptr;
    return std::string(buf, end);
}

void write_sheet_data(const SaveContext &ctx, const Sheet &sheet, XmlWriter &w) {
    w.raw("<sheetData>");
    std::vector<Cover> covers;
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
        const Row &row = sheet.rows[r];
        // A sheet read from a package keeps its rows that have only a
        // height, a format, an outline level or marks.
        if (row.used <= 0 && !(ctx.update && ((row.height != 0 && row.height != 65535) || row.sw[0] == VXLS_ON ||
                                               row.style || row.outline || row.marks)))
            continue;
        const int ri = static_cast<int>(r);
        if (!sheet.merges.empty()) {
            covers.clear();
            for (const Range &m : sheet.merges)
                if (ri >= m.r1 && ri <= m.r2) covers.push_back({m.c1, m.c2, ri == m.r1});
        }
        write_row(w, *ctx.model, sheet, row, ri, covers, ctx.update || ctx.book->recalc);
    }
    w.raw("</sheetData>");
}

} // namespace vel
