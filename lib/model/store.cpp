// The cell store: putting value texts into cells (address, growth, template
// protection, variable expansion, conversion, typing, default styles,
// automatic width), the shared-string table and typed stores for readers.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "model/book.h"
#include "model/cellname.h"
#include "model/cellvalue.h"
#include "model/numfmt.h"
#include "model/sheets.h"
#include "model/store.h"
#include "model/styles.h"
#include "model/typing.h"
#include "model/variables.h"

namespace vel {

namespace {

constexpr size_t CELL_CHAR_LIMIT = 32767;

// Local time as "yyyy/mm/dd hh:mm:ss".
std::string system_datetime() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Dollar-sign expansion of a whole value text. Returns true when `v` was
// replaced by `out`.
bool expand_dollar(Book *book, std::string_view v, size_t caller_len, std::string &out) {
    if (v.size() < 2 || v[0] != '$') return false;
    if (v == "$SYSDATETIME") {
        out = system_datetime();
        return true;
    }
    if (v == "$SYSDATE") {
        out = system_datetime().substr(0, 10);
        return true;
    }
    std::string name(v.substr(1));
    if (caller_len < 82) {
        if (const char *e = std::getenv(name.c_str())) {
            out = e;
            return true;
        }
    }
    if (const Variable *var = vlt_find_variable(book, name)) {
        out.assign(trim(var->value));
        return true;
    }
    return false;
}

// A text-only cell keeps every value as text.
bool text_only(Book *book, const Sheet &sheet, const Cell &cell, int col) {
    if (cell.kind == CELL_TEXT_ONLY) return true;
    int32_t colfmt = col < static_cast<int>(sheet.col_formats.size()) ? sheet.col_formats[col] : 0;
    if (colfmt < 0) return true;
    if (template_mode(book)) {
        const Model &m = model(book);
        int32_t style = cell.style ? cell.style : colfmt;
        if (style > 0 && static_cast<size_t>(style) <= m.xfs.size()) {
            const Xf &xf = m.xfs[style - 1];
            if (xf.nf_mode == 0 && xf.numfmt == BUILTIN_TEXT) return true;
        }
    }
    return false;
}

bool has_formula(const Sheet &sheet, const Cell &cell) {
    if (cell.kind == CELL_FORMULA) return true;
    const CellText *t = texts_of(sheet, cell);
    return t && !t->formula.empty();
}

std::string cell_label(int row, int col) {
    char name[40];
    if (cell_name(row, col, name) < 0) std::snprintf(name, sizeof name, "R%dC%d", row + 1, col + 1);
    return name;
}

void replace_all(std::string &s, std::string_view what, std::string_view with) {
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + with.size()))
        s.replace(p, what.size(), with);
}

// Automatic column width from the shown text.
void auto_width(Sheet &sheet, int col, std::string_view shown) {
    int w = static_cast<int>(display_width(shown));
    if (static_cast<int>(sheet.widths.size()) <= col) sheet.widths.resize(static_cast<size_t>(col) + 1, 0.0);
    if (sheet.widths[col] < w) sheet.widths[col] = (w * 8 + 5) / 8.0;
    if (sheet.used_cols < col + 1) sheet.used_cols = col + 1;
    sheet.sw_widths = 0;
}

enum class Source { caller, utf8 };

// Types `v` (UTF-8, expanded, cut) and stores it into the cell.
int type_and_store(Book *book, Sheet &sheet, Cell &cell, int col, std::string_view v) {
    const bool create = !template_mode(book);
    const bool had_style = cell.style != 0;
    thread_local TypedValue tv;

    // A cell made text-only by the text format keeps that mark: its values are
    // held inline, so that a later number-like value stays text too.
    if (cell.kind == CELL_TEXT_ONLY) {
        text_escapes(v, tv.text);
        int rc = vlt_store_value(book, sheet, cell, CELL_TEXT_ONLY, 0, tv.text);
        if (rc != 0) return rc == -2 ? vlt_error(book, -2, msg::E00002) : rc;
        if (create && !had_style && tv.text.find('\n') != std::string::npos &&
            vlt_set_text_control(book, cell, 2) == -2)
            return vlt_error(book, -2, msg::E00002);
        if (book->auto_width && !tv.text.empty()) auto_width(sheet, col, tv.text);
        return 0;
    }
    if (v.empty()) return vlt_store_value(book, sheet, cell, -1, 0, {});

    bool as_text = text_only(book, sheet, cell, col);
    if (!as_text && v[0] == '\'') {
        v.remove_prefix(1);
        as_text = true;
    }
    if (!as_text && v[0] == '=') {
        std::string f(v.substr(1));
        if (f.find('$') != std::string::npos) {
            replace_all(f, "$ROWNUM", std::to_string(book->rownum));
            replace_all(f, "$CLMNUM", std::to_string(book->clmnum));
        }
        if (book->loaders.formula_check) {
            if (int rc = book->loaders.formula_check(*book, f); rc != 0) return rc;
        } else {
            std::string bad;
            bool parens = false;
            if (check_formula(f, bad, parens) != 0)
                return vlt_error(book, -3, parens ? msg::E02304 : msg::E02201, parens ? f.c_str() : bad.c_str());
        }
        int rc = vlt_store_value(book, sheet, cell, CELL_FORMULA, 0, {}, f);
        if (rc != 0) return rc;
        if (create && !had_style && vlt_set_align(book, cell, 33) == -2) return vlt_error(book, -2, msg::E00002);
        return 0;
    }

    if (as_text) {
        tv.kind = CELL_SHARED_TEXT;
        text_escapes(v, tv.text);
    } else {
        type_value(v, tv);
    }

    int rc;
    if (tv.kind == CELL_SHARED_TEXT) {
        int entry = vlt_add_sst(book, tv.text);
        if (entry < 0) return vlt_error(book, -2, msg::E00002);
        rc = vlt_store_value(book, sheet, cell, CELL_SHARED_TEXT, entry, {});
    } else {
        rc = vlt_store_value(book, sheet, cell, tv.kind, tv.num, tv.text);
    }
    if (rc != 0) return rc == -2 ? vlt_error(book, -2, msg::E00002) : rc;

    Model &m = model(book);
    int32_t colfmt = col < static_cast<int>(sheet.col_formats.size()) ? sheet.col_formats[col] : 0;
    if (create && !had_style) {
        int src = 0;
        switch (tv.kind) {
        case CELL_INTEGER:
        case CELL_DECIMAL: src = vlt_set_align(book, cell, 33); break;
        case CELL_PERCENT: cell.style = static_cast<uint16_t>(m.xf_percent); break;
        case CELL_DATE: cell.style = static_cast<uint16_t>(m.xf_date); break;
        case CELL_DATE_TIME: cell.style = static_cast<uint16_t>(m.xf_datetime); break;
        case CELL_TIME_HM: cell.style = static_cast<uint16_t>(m.xf_time); break;
        case CELL_TIME_HMS: cell.style = static_cast<uint16_t>(m.xf_elapsed); break;
        case CELL_SHARED_TEXT:
            if (tv.text.find('\n') != std::string::npos) src = vlt_set_text_control(book, cell, 2);
            break;
        default: break;
        }
        if (src == 0 && colfmt > 0) src = vlt_set_num_format(book, cell, colfmt);
        if (src == -2) return vlt_error(book, -2, msg::E00002);
        if (src < 0) return src; // table limit, message recorded
    } else if (!create && !had_style && colfmt > 0 && static_cast<size_t>(colfmt) <= m.xfs.size()) {
        cell.style = static_cast<uint16_t>(colfmt);
    }

    if (book->auto_width) {
        switch (tv.kind) {
        case CELL_INTEGER:
        case CELL_DECIMAL:
        case CELL_SHARED_TEXT: auto_width(sheet, col, tv.text); break;
        case CELL_DATE:
        case CELL_DATE_TIME: auto_width(sheet, col, v); break;
        default: break;
        }
    }
    return 0;
}

int put_value(Book *book, int sheet_index, int row, int col, std::string_view raw, Source source) {
    if (!book) return rc::BAD_ARGUMENT;
    Sheet *sheet = sheet_at(book, sheet_index);
    if (!sheet) return vlt_error(book, -1, msg::E03600, "vlt_put_cell() sheet");
    int max_rows = book->max_rows > 0 ? book->max_rows : GRID_ROWS;
    int max_cols = book->max_columns > 0 ? book->max_columns : GRID_COLS;
    if (row < 0 || col < 0 || row >= max_rows || col >= max_cols) {
        std::string label = cell_label(row, col);
        return vlt_error(book, -3, msg::E02300, label.c_str());
    }
    Cell *cell = ensure_cell(*sheet, row, col);
    if (!cell) return vlt_error(book, -2, msg::E00002);
    if (template_mode(book) && has_formula(*sheet, *cell)) {
        std::string label = cell_label(row, col);
        return vlt_error(book, -3, msg::E03203, label.c_str());
    }
    if (raw.size() > static_cast<size_t>(XLS_CELL_LEN))
        return vlt_error(book, -909, msg::E03009, XLS_CELL_LEN, "XLS_CELL_LEN");

    // Expansion works on the caller's whole text; the result is UTF-8.
    // Scratch buffers keep their capacity between puts: no allocation per value.
    thread_local std::string v;
    if (convert_charset(v, raw, source == Source::caller ? book->charset : VXLS_CHARSET_UTF8,
                        VXLS_CHARSET_UTF8) != 0) {
        // Text that is not valid in its character set would make the package unreadable.
        std::string label = cell_label(row, col);
        return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, label.c_str());
    }
    if (source == Source::utf8) {
        // Loaded data is typed as it stands: no variable expansion.
    } else if (v.size() >= 2 && v[0] == '\\' && v[1] == '$') {
        v.erase(0, 1);
    } else if (!v.empty() && v[0] == '$') {
        std::string expanded;
        if (expand_dollar(book, v, raw.size(), expanded)) v.swap(expanded);
    }
    if (v.size() >= CELL_CHAR_LIMIT && utf8_count(v) > CELL_CHAR_LIMIT) {
        bool quoted = v[0] == '"';
        v.resize(utf8_prefix(v, CELL_CHAR_LIMIT - 1));
        if (quoted) v.push_back('"');
    }
    std::string_view value(v);
    if (source == Source::caller && value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    int rc = type_and_store(book, *sheet, *cell, col, value);
    if (rc != 0) return rc;
    book->last_row = row;
    book->last_column = col;
    return 0;
}

} // namespace

int vlt_add_sst(Book *book, std::string_view text) {
    auto &sst = model(book).sst;
    try {
        sst.push_back(text);
    } catch (const std::exception &) {
        return -2;
    }
    return static_cast<int>(sst.size()) - 1;
}

int vlt_store_value(Book *book, Sheet &sheet, Cell &cell, int kind, int32_t num, std::string_view value,
                    std::string_view formula) {
    (void)book;
    if (kind < -1 || kind > 51) return -1;
    // A value read from a workbook (a double, a boolean, an error) is replaced whole.
    if (cell.aux & CELL_AUX_DOUBLE) cell.text = 0;
    cell.aux = 0;
    try {
        if (kind == -1) {
            cell.kind = CELL_EMPTY;
            cell.num = 0;
            if (cell.text) {
                CellText &t = sheet.texts[cell.text - 1];
                t.value.clear();
                t.formula.clear();
            }
            return 0;
        }
        cell.kind = static_cast<uint8_t>(kind);
        cell.num = num;
        if (cell.text || !value.empty() || !formula.empty()) {
            CellText &t = cell_texts(sheet, cell);
            t.value.assign(value);
            t.formula.assign(formula);
        }
    } catch (const std::bad_alloc &) {
        return -2;
    }
    return 0;
}

int vlt_put_cell_at(Book *book, int sheet, int row, int col, const char *value, size_t len) {
    touch_sheet(book, sheet);
    return put_value(book, sheet, row, col, std::string_view(value ? value : "", value ? len : 0), Source::caller);
}

int vlt_put_cell_utf8(Book *book, int sheet, int row, int col, std::string_view value_utf8) {
    touch_sheet(book, sheet);
    return put_value(book, sheet, row, col, value_utf8, Source::utf8);
}

int vlt_set_column_width(Sheet &sheet, int c1, int c2, double v) {
    if (c1 > c2) std::swap(c1, c2);
    if (c1 < 0 || c2 >= GRID_COLS) return -3;
    try {
        if (static_cast<int>(sheet.widths.size()) <= c2) sheet.widths.resize(static_cast<size_t>(c2) + 1, 0.0);
    } catch (const std::bad_alloc &) {
        return -2;
    }
    for (int c = c1; c <= c2; ++c) sheet.widths[c] = v + 0.625;
    if (sheet.used_cols < c2 + 1) sheet.used_cols = c2 + 1;
    sheet.sw_widths = 0;
    sheet.cols_changed = true;
    return 0;
}

int vlt_set_row_height(Sheet &sheet, int row, double points) {
    Row *r = ensure_row(sheet, row);
    if (!r) return -2;
    double h = points * 100.0;
    if (!(h >= 0)) h = 0;
    if (h > 65534) h = 65534;
    r->height = static_cast<uint16_t>(h);
    r->marks &= static_cast<uint8_t>(~ROW_HEIGHT_AUTO);
    if (r->used == 0) r->used = 1;
    return 0;
}

} // namespace vel
