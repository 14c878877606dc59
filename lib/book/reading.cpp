// Reading calls: one cell, a run of cells, and the search by shown text.
#include "book/reading.h"

#include <algorithm>
#include <cstring>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "formula/evaluator.h"
#include "model/cellvalue.h"
#include "model/numfmt.h"
#include "model/sheets.h"
#include "model/store.h"
#include "property/address.h"

namespace vel {

namespace {

const char *kind_name(const Cell &c) {
    // Values read from workbooks beyond the kinds of property text.
    if (c.aux & CELL_AUX_BOOL) return "BOOLEAN";
    if (c.aux & CELL_AUX_ERROR) return "ERROR";
    switch (c.kind) {
    case CELL_TEXT_ONLY:
    case CELL_SHARED_TEXT: return "CHARACTER";
    case CELL_INTEGER: return "INTEGER";
    case CELL_DECIMAL: return "FLOAT";
    case CELL_PERCENT: return "PERCENT";
    case CELL_DATE: return "DATE";
    case CELL_DATE_TIME: return "DATE_TIME";
    case CELL_TIME_HM:
    case CELL_TIME_HMS: return "TIME";
    case CELL_FORMULA:
    case CELL_FORMULA2: return "FORMULA";
    default: return "";
    }
}

bool is_date_kind(uint8_t kind) {
    return kind == CELL_DATE || kind == CELL_DATE_TIME || kind == CELL_TIME_HM || kind == CELL_TIME_HMS;
}

// A cell shows at most this many characters through VXLS_get_cells: the
// caller's buffers are sized for it. A workbook read from a file may hold a
// longer text; only its first characters fit.
constexpr size_t SHOWN_CHAR_LIMIT = 32767;

// A book read from a workbook shows the results it was saved with until
// something is written to it.
bool stored_results_current(const Book *book) {
    if (!book->model.source) return false;
    for (const Sheet &s : book->model.sheets)
        if (s.changed || s.copied_from >= 0) return false;
    return true;
}

// The shown text of a cell (UTF-8). A formula is computed now, through the
// call's evaluator; one that cannot be computed shows the result stored by
// the last save, if any.
void shown_utf8(Book *book, formula::Evaluator &ev, int sheet_index, const Sheet &sheet, int row, int col,
                const Cell &cell, std::string &out) {
    if ((cell.kind == CELL_FORMULA || (cell.kind == CELL_FORMULA2 && !stored_results_current(book))) &&
        formula::formula_display(ev, sheet_index, row, col, out))
        return;
    cell_display_into(book, sheet, cell, out);
}

// The shown text of a cell in the caller's character set into a buffer of
// unknown size (the caller promises room for any cell text). Reuses the
// thread's scratch texts, so that reading a sheet allocates nothing per cell.
void shown_into(Book *book, formula::Evaluator &ev, int sheet_index, Sheet &sheet, int row, int col, char *out) {
    if (!out) return;
    const Cell *cell = find_cell(sheet, row, col);
    if (!cell || cell->kind == CELL_EMPTY) {
        out[0] = '\0';
        return;
    }
    thread_local std::string utf8, converted;
    shown_utf8(book, ev, sheet_index, sheet, row, col, *cell, utf8);
    if (utf8.size() > SHOWN_CHAR_LIMIT && utf8_count(utf8) > SHOWN_CHAR_LIMIT)
        utf8.resize(utf8_prefix(utf8, SHOWN_CHAR_LIMIT));
    const std::string *text = &utf8;
    if (book->charset != VXLS_CHARSET_UTF8) {
        convert_charset(converted, utf8, VXLS_CHARSET_UTF8, book->charset);
        text = &converted;
    }
    std::memcpy(out, text->data(), text->size());
    out[text->size()] = '\0';
}

bool equal_text(const std::string &a, const std::string &b, bool ignore_case) {
    return ignore_case ? same_nocase(a, b) : a == b;
}

} // namespace

int vlt_get_cell(Book *book, const char *cell, char *value, int value_size, char *kind, int kind_size) {
        if (value && value_size > 0) value[0] = '\0';
        if (kind && kind_size >= 1) kind[0] = '\0';
        std::string name = cell ? to_utf8(book, cell) : std::string();
        Sheet *sheet = sheet_at(book, -1);
        if (!sheet) return vlt_error(book, rc::NO_CELL_SHEET, msg::E02300, name.c_str());
        int row = 0, col = 0;
        if (!cell || read_cell_name(book, name, row, col) != 0) return vlt_error(book, -3, msg::E02300, name.c_str());
        if (row >= sheet->used_rows || row >= static_cast<int>(sheet->rows.size()))
            return vlt_error(book, rc::NO_CELL_ROW, msg::E02300, name.c_str());
        const Row &r = sheet->rows[row];
        if (col >= r.used || col >= static_cast<int>(r.cells.size()))
            return vlt_error(book, rc::NO_CELL, msg::E02300, name.c_str());
        const Cell &c = r.cells[col];
        book->last_row = row;
        book->last_column = col;
        formula::Evaluator ev(*book, false);
        std::string shown;
        shown_utf8(book, ev, book->current_sheet, *sheet, row, col, c, shown);
        std::string text = from_utf8(book, shown);
        if (!value || value_size < 1 || text.size() + 1 > static_cast<size_t>(value_size)) {
            const char *what = c.kind == CELL_FORMULA || c.kind == CELL_FORMULA2 ? "CELL_FORMULA"
                               : is_date_kind(c.kind)                           ? "CELL_DATE/CELL_DATE_TIME"
                                                                                : "CELL_STRING";
            return vlt_error(book, rc::OVERFLOW, msg::E03009, value_size, what);
        }
        std::memcpy(value, text.data(), text.size());
        value[text.size()] = '\0';
        if (kind && kind_size >= 1) {
            std::string k = kind_name(c);
            if (c.kind == CELL_FORMULA || c.kind == CELL_FORMULA2) {
                if (const CellText *t = texts_of(*sheet, c)) k += from_utf8(book, t->formula);
            }
            if (k.size() < static_cast<size_t>(kind_size) - 1) {
                std::memcpy(kind, k.data(), k.size());
                kind[k.size()] = '\0';
            }
        }
        return 0;
}

int vlt_get_cells(Book *book, int direction, int sheet_index, int row, int column, int count, char **values) {
    if (count < 1 || !values) return 0;
    {
        Sheet *sheet = sheet_index >= 0 ? sheet_at(book, sheet_index) : nullptr;
        bool ended = !sheet || row < 0 || column < 0;
        formula::Evaluator ev(*book, false);
        for (int i = 0; i < count; ++i) {
            if (!ended) {
                if (row >= sheet->used_rows || row >= static_cast<int>(sheet->rows.size()) ||
                    column >= sheet->rows[row].used)
                    ended = true;
            }
            if (ended) {
                if (values[i]) values[i][0] = '\0';
            } else {
                shown_into(book, ev, sheet_index, *sheet, row, column, values[i]);
            }
            if (direction == 0) ++column;
            else ++row;
        }
        return 0;
    }
}

int vlt_search(Book *book, SearchState *search, const char *text, char **values) {
        if (search->remaining != 0) {
            if (search->direction == 0) ++search->found_row;
            else ++search->found_column;
            --search->remaining;
            return vlt_get_cells(book, search->direction, search->found_sheet, search->found_row,
                                 search->found_column, search->count, values);
        }
        if (!text) return vlt_error(book, rc::BAD_ARGUMENT, msg::E03600, "VXLS_search() text");
        auto &sheets = model(book).sheets;
        int first = 0, last = static_cast<int>(sheets.size()) - 1;
        if (!search->sheet_name.empty()) {
            std::string want = to_utf8(book, search->sheet_name);
            first = -1;
            for (size_t i = 0; i < sheets.size(); ++i)
                if (sheets[i].name == want) {
                    first = last = static_cast<int>(i);
                    break;
                }
            if (first < 0) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02320, want.c_str());
        }
        int r1 = 0, c1 = 0, r2 = GRID_ROWS - 1, c2 = GRID_COLS - 1;
        if (!search->range.empty()) {
            PropTarget t;
            std::string range = to_utf8(book, search->range);
            if (read_range(book, range, t) != 0 || t.nranges < 1)
                return vlt_error(book, rc::BAD_ARGUMENT, msg::E02301, range.c_str());
            r1 = std::min(t.ranges[0][0], t.ranges[0][2]);
            r2 = std::max(t.ranges[0][0], t.ranges[0][2]);
            c1 = std::min(t.ranges[0][1], t.ranges[0][3]);
            c2 = std::max(t.ranges[0][1], t.ranges[0][3]);
        }
        std::string want = to_utf8(book, text);
        bool ignore_case = search->match == 1;
        formula::Evaluator ev(*book, false);
        std::string shown;
        for (int s = first; s <= last; ++s) {
            Sheet &sheet = sheets[s];
            int rows = std::min<int>(sheet.used_rows, static_cast<int>(sheet.rows.size()));
            for (int r = r1; r <= r2 && r < rows; ++r) {
                const Row &row = sheet.rows[r];
                int cols = std::min<int>(row.used, static_cast<int>(row.cells.size()));
                for (int c = c1; c <= c2 && c < cols; ++c) {
                    const Cell &cell = row.cells[c];
                    if (cell.kind == CELL_EMPTY) continue;
                    shown_utf8(book, ev, s, sheet, r, c, cell, shown);
                    if (!equal_text(shown, want, ignore_case)) continue;
                    search->found_sheet = s;
                    search->found_row = r;
                    search->found_column = c;
                    search->remaining = 0;
                    for (const Range &mg : sheet.merges) {
                        if (mg.r1 == r && mg.c1 == c) {
                            search->remaining = search->direction != 0 ? mg.c2 - mg.c1 : mg.r2 - mg.r1;
                            break;
                        }
                    }
                    return vlt_get_cells(book, search->direction, s, r, c, search->count, values);
                }
            }
        }
        return vlt_error(book, rc::NO_SHEET, msg::E02300, want.c_str());
}

} // namespace vel
