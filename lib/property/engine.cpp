// The property engine: applies one parsed keyword item (kind, target,
// value) to the book. This file holds the entry point, the target and value
// preparation every keyword shares, and the four keywords the frame
// converter sends for every frame (column width, row height, zoom and cell
// fill colour), which run without any allocation per item.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/messages.h"
#include "core/status.h"
#include "property/engine_impl.h"
#include "model/store.h"
#include "model/styles.h"

namespace vel {

namespace {

// Cells one item may create at most; beyond this a target is refused rather
// than exhausting memory.
constexpr long long MAX_TARGET_CELLS = 1LL << 26;

bool is_ascii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

Rect normalised(int r1, int c1, int r2, int c2) {
    Rect r;
    r.r1 = std::min(r1, r2);
    r.r2 = std::max(r1, r2);
    r.c1 = std::min(c1, c2);
    r.c2 = std::max(c1, c2);
    return r;
}

int set_width(const Item &it) {
    double v;
    if (!read_double(it.value, v) || !(v >= 0) || v > 255) return bad_number(it);
    Sheet &sh = *it.sheet;
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        if (static_cast<int>(sh.widths.size()) <= r.c2) {
            try {
                sh.widths.resize(static_cast<size_t>(r.c2) + 1, 0.0);
            } catch (const std::bad_alloc &) {
                return vlt_error(it.book, -2, msg::E00002);
            }
        }
        for (int c = r.c1; c <= r.c2; ++c) sh.widths[c] = v + 0.625;
        if (sh.used_cols < r.c2 + 1) sh.used_cols = r.c2 + 1;
    }
    sh.sw_widths = 0;
    sh.cols_changed = true;
    return 0;
}

int set_height(const Item &it) {
    double v;
    // 65535 means "no height": heights must stay below it.
    if (!read_double(it.value, v) || !(v >= 0) || v * 100 >= 65535) return bad_number(it);
    uint16_t h = static_cast<uint16_t>(static_cast<long>(v * 100));
    Sheet &sh = *it.sheet;
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        for (int row = r.r1; row <= r.r2; ++row) {
            Row *rp = ensure_row(sh, row);
            if (!rp) return vlt_error(it.book, -2, msg::E00002);
            rp->height = h;
            rp->marks &= static_cast<uint8_t>(~ROW_HEIGHT_AUTO);
            if (rp->used == 0) rp->used = 1;
        }
    }
    return 0;
}

int fill_failure(const Item &it, int rc) { return registry_failure(it, rc, "Fill Style", MAX_XF); }

// Reserves a fresh row's cells for as many cells as the row above holds,
// when this row will reach past its first cell: rows of a picture or a table
// are filled alike, so each row is sized once instead of growing step by
// step, and no row holds more than such a row needs.
bool presize_row(Sheet &sh, int row, int last_col) {
    if (row <= 0 || row >= static_cast<int>(sh.rows.size())) return true;
    std::vector<Cell> &cells = sh.rows[row].cells;
    const int above = sh.rows[row - 1].used;
    if (cells.capacity() != 0 || above <= last_col + 1) return true;
    try {
        cells.reserve(static_cast<size_t>(above));
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

// The fill colour of one cell given as a colour value, the frame converter's
// item: no target or value preparation beyond what it needs. Returns 1 when
// the item is not of that form (the general path then applies it).
int fill_one_cell(Book *book, const PropTarget &target, std::string_view raw) {
    Rgb rgb;
    if (target.nranges != 0 || target.row < 0 || target.col < 0 || !parse_hex_color(raw, rgb)) return 1;
    Model &m = model(book);
    int si = target.sheet >= 0 ? target.sheet : book->current_sheet;
    if (si < 0 || si >= static_cast<int>(m.sheets.size()) || target.row >= book->max_rows ||
        target.col >= book->max_columns)
        return 1;
    Sheet &sh = m.sheets[si];
    if (!presize_row(sh, target.row, target.col)) return vlt_error(book, -2, msg::E00002);
    Cell *cell = ensure_cell(sh, target.row, target.col);
    if (!cell) return vlt_error(book, -2, msg::E00002);
    Fill f;
    f.pattern = 1;
    f.color = COLOR_RGB;
    f.rgb[0] = rgb.r;
    f.rgb[1] = rgb.g;
    f.rgb[2] = rgb.b;
    int rc = vlt_set_fill(book, *cell, FILL_COLOR, f);
    if (rc == rc::LIMIT) return vlt_error(book, rc::LIMIT, msg::E03008, "Fill Style", MAX_XF);
    if (rc == rc::NO_MEMORY) return vlt_error(book, rc::NO_MEMORY, msg::E00002);
    return rc;
}

int set_fill_color(const Item &it) {
    Rgb rgb;
    int32_t code;
    if (parse_hex_color(it.value, rgb)) code = COLOR_RGB;
    else code = color_of(it.value, rgb);
    if (code == COLOR_NONE || code == COLOR_BAD)
        return vlt_error(it.book, -1, msg::E02401, std::string(it.value).c_str());
    Fill f;
    f.pattern = 1;
    f.color = code;
    f.rgb[0] = rgb.r;
    f.rgb[1] = rgb.g;
    f.rgb[2] = rgb.b;
    Sheet &sh = *it.sheet;
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        for (int row = r.r1; row <= r.r2; ++row) {
            Row &rw = sh.rows[row];
            int last = std::min(r.c2, static_cast<int>(rw.cells.size()) - 1);
            for (int c = r.c1; c <= last; ++c) {
                int rc = vlt_set_fill(it.book, rw.cells[c], FILL_COLOR, f);
                if (rc < 0) return fill_failure(it, rc);
            }
            if (rw.used < r.c2 + 1) rw.used = static_cast<int16_t>(r.c2 + 1);
        }
    }
    return 0;
}

} // namespace

Rect Item::rect(int i) const {
    if (target.nranges > 0) {
        const int32_t *q = target.ranges[i];
        return normalised(q[0], q[1], q[2], q[3]);
    }
    int r = target.row >= 0 ? target.row : 0;
    int c = target.col >= 0 ? target.col : 0;
    return normalised(r, c, r, c);
}

bool read_double(std::string_view text, double &out) {
    if (text.empty() || text.size() > 64) return false;
    char buf[72];
    std::memcpy(buf, text.data(), text.size());
    buf[text.size()] = '\0';
    char *end = nullptr;
    errno = 0;
    double v = std::strtod(buf, &end);
    if (end == buf || errno == ERANGE || !std::isfinite(v)) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return false;
    out = v;
    return true;
}

bool read_int(std::string_view text, long &out) {
    if (text.empty() || text.size() > 20) return false;
    char buf[24];
    std::memcpy(buf, text.data(), text.size());
    buf[text.size()] = '\0';
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(buf, &end, 10);
    if (end == buf || *end != '\0' || errno == ERANGE) return false;
    out = v;
    return true;
}

long leading_int(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 1000000000L) break; // far beyond any meaningful value
    }
    return neg ? -v : v;
}

int refuse_range(const Item &it, const char *keyword) {
    return vlt_error(it.book, -1, msg::E02100, keyword);
}

int need_range(const Item &it, const char *keyword) {
    return vlt_error(it.book, -1, msg::E02101, keyword);
}

int bad_number(const Item &it) {
    return vlt_error(it.book, -1, msg::E02302, std::string(it.value).c_str());
}

int bad_keyword(const Item &it) {
    return vlt_error(it.book, -1, msg::E02200, std::string(it.value).c_str());
}

int no_sheet(const Item &it) {
    char num[16];
    std::snprintf(num, sizeof num, "%d", it.sheet_index + 1);
    return vlt_error(it.book, -801, msg::E02320, num);
}

int registry_failure(const Item &it, int rc, const char *label, int limit) {
    if (rc == rc::LIMIT) {
        // Report the table that is full: a font keyword can meet the
        // cell-format limit before the font limit.
        const Model &m = it.book->model;
        if (m.xfs.size() >= static_cast<size_t>(MAX_XF)) limit = MAX_XF;
        else if (m.fonts.size() >= static_cast<size_t>(MAX_FONT)) limit = MAX_FONT;
        return vlt_error(it.book, rc::LIMIT, msg::E03008, label, limit);
    }
    if (rc == rc::NO_MEMORY) return vlt_error(it.book, rc::NO_MEMORY, msg::E00002);
    return rc;
}

int ensure_target(const Item &it, bool cells) {
    Sheet &sh = *it.sheet;
    long long total = 0;
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        if (r.r1 < 0 || r.c1 < 0 || r.r2 >= it.book->max_rows || r.c2 >= it.book->max_columns)
            return vlt_error(it.book, -1, msg::E02301, "");
        if (cells) total += static_cast<long long>(r.r2 - r.r1 + 1) * (r.c2 - r.c1 + 1);
    }
    // A target this large is refused as a limit, before any memory is touched.
    if (total > MAX_TARGET_CELLS)
        return vlt_error(it.book, rc::LIMIT, msg::E03008, "CELL", static_cast<int>(MAX_TARGET_CELLS));
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        for (int row = r.r1; row <= r.r2; ++row) {
            if (cells) {
                // the last cell makes the row and every cell before it exist
                if (!ensure_cell(sh, row, r.c2)) return vlt_error(it.book, -2, msg::E00002);
            } else if (it.has_row && row < it.book->max_rows) {
                if (!ensure_row(sh, row)) return vlt_error(it.book, -2, msg::E00002);
            }
        }
    }
    return 0;
}

int vlt_apply_property(Book *book, int kind, const PropTarget &target, const char *value,
                       size_t len) {
    if (!book) return -1;
    if (!value) len = 0;
    std::string_view raw(value ? value : "", len);
    // A value enclosed in double quotes loses them.
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') raw = raw.substr(1, raw.size() - 2);
    if (kind == kind::FILL_COLOR) {
        int rc = fill_one_cell(book, target, raw);
        if (rc != 1) return rc;
    }

    // Values in the caller's character set: ASCII needs no conversion.
    thread_local std::string converted;
    std::string_view text = raw;
    if (!is_ascii(raw) && book->charset != VXLS_CHARSET_UTF8) {
        convert_charset(converted, raw, book->charset, VXLS_CHARSET_UTF8);
        text = converted;
    }

    Model &m = model(book);
    int sheet_index = target.sheet >= 0 ? target.sheet : book->current_sheet;
    Sheet *sheet = sheet_index >= 0 && sheet_index < static_cast<int>(m.sheets.size())
                       ? &m.sheets[sheet_index]
                       : nullptr;
    int nranges = std::clamp(target.nranges, 0, MAX_TARGET_RANGES);
    Item it{book,
            kind,
            target,
            raw,
            text,
            sheet_index,
            sheet,
            nranges > 0,
            nranges > 0 || target.row >= 0,
            nranges > 0 || target.col >= 0,
            nranges > 0 ? nranges : 1};

    bool data_source = kind >= kind::VARIABLE && kind < 3000;
    if ((it.has_row || it.has_col) && !data_source) {
        if (!sheet) return no_sheet(it);
        // Width, height and page breaks address whole columns or rows; every
        // other keyword acts on cells (a row or column key means its first cell).
        bool cells = (it.has_row && it.has_col) ||
                     (kind != kind::WIDTH && kind != kind::HEIGHT && kind != kind::NEWPAGE);
        int rc = ensure_target(it, cells);
        if (rc < 0) return rc;
    }

    // Keywords that act on cells need a cell or a range in front of them.
    const bool on_cells = kind == kind::FILL_COLOR || (kind >= 300 && kind < 500) || kind == kind::FILTER ||
                          (kind >= kind::HYPERLINK && kind <= kind::HYPERLINK_COMMENT);
    if (on_cells && !it.has_row && !it.has_col) return vlt_error(book, -1, msg::E02101, "CELL");

    switch (kind) {
    case kind::FILL_COLOR:
        if (!sheet) return no_sheet(it);
        return set_fill_color(it);
    case kind::WIDTH:
        if (!sheet) return no_sheet(it);
        return set_width(it);
    case kind::HEIGHT:
        if (!sheet) return no_sheet(it);
        return set_height(it);
    case kind::ZOOM:
        if (!sheet) return no_sheet(it);
        sheet->zoom = static_cast<int32_t>(leading_int(text));
        return 0;
    default:
        break;
    }
    if (kind >= 300 && kind < 500) return apply_cell_keyword(it);
    if (kind == kind::FILTER || (kind >= kind::HYPERLINK && kind <= kind::HYPERLINK_COMMENT))
        return apply_cell_keyword(it);
    if (kind >= kind::IMAGE_PATH && kind <= kind_last::AUTOSHAPE_OPTION) return apply_drawing_keyword(it);
    return apply_book_sheet_keyword(it);
}

} // namespace vel
