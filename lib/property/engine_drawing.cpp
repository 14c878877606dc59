// Drawing keywords: pictures, charts, sparklines, formatted tables and
// shapes. The engine checks targets and values and fills the typed records
// of the sheet (model/drawing.h) that the package writer turns into parts.
// Option keywords apply to the object of their family made last.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/messages.h"
#include "core/status.h"
#include "io/filetype.h"
#include "io/picture.h"
#include "model/store.h"
#include "property/address.h"
#include "property/engine_impl.h"

namespace vel {

namespace {

std::string str(std::string_view v) { return std::string(v); }

int no_memory(const Item &it) { return vlt_error(it.book, -2, msg::E00002); }

// Words of a value separated by blanks or commas.
template <class Fn>
bool for_each_word(std::string_view v, Fn fn) {
    size_t i = 0;
    while (i < v.size()) {
        while (i < v.size() && (v[i] == ' ' || v[i] == ',')) ++i;
        size_t j = i;
        while (j < v.size() && v[j] != ' ' && v[j] != ',') ++j;
        if (j > i && !fn(v.substr(i, j - i))) return false;
        i = j;
    }
    return true;
}

// One word of a small English/Japanese list, or `fallback`.
struct Word {
    const char *text;
    int code;
};

template <size_t N>
int word_of(const Word (&words)[N], std::string_view text, int fallback) {
    for (const Word &w : words)
        if (same_nocase(text, w.text)) return w.code;
    return fallback;
}

// A colour that must be given: false for NONE and unreadable words.
bool read_color(std::string_view text, ColorValue &out) {
    Rgb rgb;
    int32_t code = color_of(text, rgb);
    if (code == COLOR_NONE || code == COLOR_BAD) return false;
    if (code != COLOR_RGB) rgb = color_value(code);
    out = ColorValue{true, rgb.r, rgb.g, rgb.b};
    return true;
}

// A cell name ("A1", "$B$2") without sheet prefix.
bool read_cell(const Item &it, std::string_view text, int &row, int &col) {
    return !text.empty() && read_cell_name(it.book, text, row, col) == 0;
}

CellBlock block_of(const Rect &r) { return CellBlock{r.r1, r.c1, r.r2, r.c2}; }

// ---- pictures ---------------------------------------------------------------

int image_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    if (it.range) return refuse_range(it, "イメージ(IMAGE)");
    Rect at = it.rect(0);
    if (it.kind == kind::IMAGE_PATH) {
        std::string path;
        PictureInfo info;
        int rc = load_picture_path(it, VXLS_FILE_BMP, VXLS_FILE_WMF, path, info);
        if (rc < 0) return rc;
        Picture p;
        p.at.row = at.r1;
        p.at.col = at.c1;
        p.kind = info.kind;
        p.width = info.width;
        p.height = info.height;
        p.path = std::move(path);
        try {
            sh.pictures.push_back(std::move(p));
        } catch (const std::bad_alloc &) {
            return no_memory(it);
        }
        return 0;
    }
    double v;
    if (!read_double(it.value, v) || !std::isfinite(v)) return bad_number(it);
    if (it.kind == kind::IMAGE_RATIO && (v <= 0 || v > 100)) return bad_number(it);
    if (it.kind != kind::IMAGE_RATIO && std::fabs(v) > 100000) return bad_number(it);
    // The picture at this cell, else the sheet's last picture.
    Picture *p = nullptr;
    for (auto q = sh.pictures.rbegin(); q != sh.pictures.rend() && !p; ++q)
        if (q->at.row == at.r1 && q->at.col == at.c1) p = &*q;
    if (!p && !sh.pictures.empty()) p = &sh.pictures.back();
    if (!p) return vlt_error(it.book, -1, msg::E02420);
    if (it.kind == kind::IMAGE_RATIO) p->scale = v;
    else if (it.kind == kind::IMAGE_OFFSET_X) p->at.dx = v;
    else p->at.dy = v;
    return 0;
}

// ---- charts -----------------------------------------------------------------

constexpr int CHART_MAX_SERIES = 255;
constexpr int CHART_MAX_POINTS = 32000;

const Word kLegendWords[] = {
    {"RIGHT", LEGEND_RIGHT}, {"右", LEGEND_RIGHT}, {"LEFT", LEGEND_LEFT},     {"左", LEGEND_LEFT},
    {"TOP", LEGEND_TOP},     {"上", LEGEND_TOP},   {"BOTTOM", LEGEND_BOTTOM}, {"下", LEGEND_BOTTOM},
    {"NONE", LEGEND_NONE},   {"なし", LEGEND_NONE},
};

// Lays the chart's series over its data range. Series run along the longer
// side unless switched; with at least two rows and two columns the first row
// and column hold the series names and the categories (or x values).
void layout_series(Chart &ch) {
    const CellBlock d = ch.data;
    const int rows = d.r2 - d.r1 + 1, cols = d.c2 - d.c1 + 1;
    const bool by_rows = ch.by_rows;
    const bool labels = rows >= 2 && cols >= 2;
    ch.series.clear();
    const int first = (by_rows ? d.r1 : d.c1) + (labels ? 1 : 0);
    const int last = by_rows ? d.r2 : d.c2;
    for (int k = first; k <= last; ++k) {
        ChartSeries s;
        if (by_rows) {
            s.values = CellBlock{k, d.c1 + (labels ? 1 : 0), k, d.c2};
            if (labels) s.name = CellBlock{k, d.c1, k, d.c1}, s.categories = CellBlock{d.r1, d.c1 + 1, d.r1, d.c2};
        } else {
            s.values = CellBlock{d.r1 + (labels ? 1 : 0), k, d.r2, k};
            if (labels) s.name = CellBlock{d.r1, k, d.r1, k}, s.categories = CellBlock{d.r1 + 1, d.c1, d.r2, d.c1};
        }
        ch.series.push_back(s);
    }
    // Bubbles take their series in pairs: values, then bubble sizes.
    if (ch.type / 10 == CHART_BUBBLE) {
        std::vector<ChartSeries> pairs;
        for (size_t i = 0; i < ch.series.size(); i += 2) {
            ChartSeries s = ch.series[i];
            s.sizes = i + 1 < ch.series.size() ? ch.series[i + 1].values : s.values;
            pairs.push_back(s);
        }
        ch.series = std::move(pairs);
    }
}

// The default orientation of a range: series in columns when it has at
// least as many rows as columns.
bool default_by_rows(const CellBlock &d) { return d.r2 - d.r1 < d.c2 - d.c1; }

// One NAME=value option of the chart keyword's value; false when refused.
bool chart_option(const Item &it, Chart &ch, std::string_view name, std::string_view v) {
    double x = 0;
    auto number = [&](double lo, double hi) { return read_double(v, x) && std::isfinite(x) && x >= lo && x <= hi; };
    auto whole = [&](double lo, double hi, int32_t &out) {
        if (!number(lo, hi)) return false;
        out = static_cast<int32_t>(x);
        return true;
    };
    if (same_nocase(name, "TITLE")) {
        ch.title.assign(v);
        return true;
    }
    if (same_nocase(name, "LEGEND")) return (ch.legend = word_of(kLegendWords, v, -1)) >= 0;
    if (same_nocase(name, "TYPE")) return (ch.type = chart_type_of(v)) >= 0;
    if (same_nocase(name, "STYLE")) return whole(1, 48, ch.style);
    if (same_nocase(name, "LOCATION")) return read_cell(it, v, ch.at.row, ch.at.col);
    if (same_nocase(name, "MAX") || same_nocase(name, "MIN")) {
        if (!number(-1e300, 1e300)) return false;
        const bool max = same_nocase(name, "MAX");
        (max ? ch.max : ch.min) = x;
        (max ? ch.has_max : ch.has_min) = true;
        return true;
    }
    if (same_nocase(name, "BACKCOLOR")) return read_color(v, ch.back);
    if (same_nocase(name, "GRADATIONCOLOR1")) return read_color(v, ch.gradient1);
    if (same_nocase(name, "GRADATIONCOLOR2")) return read_color(v, ch.gradient2);
    if (same_nocase(name, "3D_ROTATE_X")) return whole(-90, 90, ch.rot_x);
    if (same_nocase(name, "3D_ROTATE_Y")) return whole(0, 360, ch.rot_y);
    if (same_nocase(name, "3D_DEPTH")) return whole(20, 2000, ch.depth);
    if (same_nocase(name, "3D_PERSPECTIVE")) return whole(0, 240, ch.perspective);
    return false;
}

int count_limits(const Item &it, const Chart &ch) {
    const int rows = ch.data.r2 - ch.data.r1 + 1, cols = ch.data.c2 - ch.data.c1 + 1;
    const int points = ch.by_rows ? cols : rows;
    if (static_cast<int>(ch.series.size()) > CHART_MAX_SERIES)
        return vlt_error(it.book, -1, msg::E02431, CHART_MAX_SERIES);
    if (points > CHART_MAX_POINTS) return vlt_error(it.book, -1, msg::E02432, CHART_MAX_POINTS);
    return 0;
}

int chart_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    auto bad = [&](std::string_view what) { return vlt_error(it.book, -1, msg::E02430, str(what).c_str()); };
    if (it.kind == kind::CHART) {
        if (!it.range) return need_range(it, "グラフ(CHART)");
        Rect r = it.rect(0);
        Chart ch;
        ch.data = block_of(r);
        ch.by_rows = default_by_rows(ch.data);
        ch.at.row = r.r1;
        ch.at.col = r.c2 + 2;
        // Value: a chart type word, then NAME=value options.
        bool typed = false;
        std::string_view failed;
        bool ok = for_each_word(it.value, [&](std::string_view w) {
            if (!typed) {
                typed = true;
                ch.type = chart_type_of(w);
                return ch.type >= 0 || (failed = w, false);
            }
            size_t eq = w.find('=');
            if (eq == std::string_view::npos || !chart_option(it, ch, w.substr(0, eq), w.substr(eq + 1)))
                return failed = w, false;
            return true;
        });
        if (!ok) return bad(failed);
        if (!typed) return bad(it.value);
        try {
            layout_series(ch);
            if (int rc = count_limits(it, ch); rc < 0) return rc;
            sh.charts.push_back(std::move(ch));
        } catch (const std::bad_alloc &) {
            return no_memory(it);
        }
        return 0;
    }
    if (sh.charts.empty()) return bad(it.value);
    Chart &ch = sh.charts.back();
    long n;
    double v;
    switch (it.kind) {
    case kind::CHART_SWITCH: {
        int on = switch_of(it.value);
        if (on < 0) return bad_keyword(it);
        const bool by_rows = default_by_rows(ch.data) != (on == 1);
        Chart next = ch;
        next.by_rows = by_rows;
        try {
            layout_series(next);
        } catch (const std::bad_alloc &) {
            return no_memory(it);
        }
        if (int rc = count_limits(it, next); rc < 0) return rc;
        ch = std::move(next);
        return 0;
    }
    case kind::CHART_SERIES_LINE:
    case kind::CHART_DATA_LABEL: {
        int on = switch_of(it.value);
        if (on < 0) return bad_keyword(it);
        (it.kind == kind::CHART_SERIES_LINE ? ch.series_lines : ch.data_labels) = on == 1;
        return 0;
    }
    case kind::CHART_LEGEND_POSITION: {
        int pos = word_of(kLegendWords, it.value, -1);
        if (pos < 0) return bad(it.value);
        ch.legend = pos;
        return 0;
    }
    case kind::CHART_LEGEND_FONT_SIZE:
        if (!read_int(it.value, n) || n < 1 || n > 400) return bad_number(it);
        ch.legend_font_size = static_cast<int32_t>(n);
        return 0;
    case kind::CHART_GAP_WIDTH:
        if (!read_int(it.value, n) || n < 0 || n > 500) return bad_number(it);
        ch.gap_width = static_cast<int32_t>(n);
        return 0;
    case kind::CHART_MAJOR_UNIT:
        if (!read_double(it.value, v) || !std::isfinite(v) || v <= 0) return bad_number(it);
        ch.major_unit = v;
        return 0;
    case kind::CHART_KIND: {
        int type = chart_type_of(it.value);
        if (type < 0) return bad(it.value);
        Chart next = ch;
        next.type = type;
        try {
            layout_series(next);
        } catch (const std::bad_alloc &) {
            return no_memory(it);
        }
        ch = std::move(next);
        return 0;
    }
    case kind::CHART_STYLE:
        if (!read_int(it.value, n) || n < 1 || n > 48) return bad(it.value);
        ch.style = static_cast<int32_t>(n);
        return 0;
    case kind::CHART_TITLE: ch.title.assign(it.value); return 0;
    case kind::CHART_NAME: ch.name.assign(it.value); return 0;
    case kind::CHART_WIDTH:
    case kind::CHART_HEIGHT:
        if (!read_double(it.value, v) || !(v >= 1 && v <= 20000)) return bad_number(it);
        (it.kind == kind::CHART_WIDTH ? ch.width : ch.height) = static_cast<int32_t>(std::lround(v));
        return 0;
    case kind::CHART_OFFSET_X:
    case kind::CHART_OFFSET_Y:
        if (!read_double(it.value, v) || !(std::fabs(v) <= 100000)) return bad_number(it);
        (it.kind == kind::CHART_OFFSET_X ? ch.at.dx : ch.at.dy) = v;
        return 0;
    default: return bad(it.value);
    }
}

// ---- sparklines -------------------------------------------------------------

const Word kPointWords[] = {{"HIGH", 0}, {"山", 0},   {"LOW", 1},      {"谷", 1}, {"START", 2},  {"始点", 2},
                            {"END", 3},  {"終点", 3}, {"NEGATIVE", 4}, {"負", 4}, {"MARKER", 5}, {"マーカー", 5}};

// The data range of a sparkline value: "A1:D1" on the sheet itself or
// "Sheet!A1:D1" (a quoted sheet name loses its quotes).
bool read_source(const Item &it, std::string_view v, std::string &sheet, CellBlock &block) {
    size_t bang = v.rfind('!');
    std::string_view range = v;
    if (bang != std::string_view::npos) {
        std::string_view name = v.substr(0, bang);
        if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') name = name.substr(1, name.size() - 2);
        if (name.empty()) return false;
        sheet.assign(name);
        range = v.substr(bang + 1);
    } else {
        sheet = it.sheet->name;
    }
    size_t colon = range.find(':');
    int r1, c1, r2, c2;
    if (colon == std::string_view::npos || !read_cell(it, range.substr(0, colon), r1, c1) ||
        !read_cell(it, range.substr(colon + 1), r2, c2))
        return false;
    block = CellBlock{std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
    return true;
}

int sparkline_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    auto bad = [&] { return vlt_error(it.book, -1, msg::E02621, str(it.value).c_str()); };
    if (it.kind == kind::SPARKLINE) {
        if (!it.range) return vlt_error(it.book, -1, msg::E02102, "スパークライン(SPARKLINE)");
        SparklineGroup g;
        if (!read_source(it, it.value, g.source_sheet, g.source))
            return vlt_error(it.book, -1, msg::E02101, str(it.value).c_str());
        g.cells = block_of(it.rect(0));
        // One sparkline per cell: the cells form one row or one column, and
        // the data has one row (or column) per cell; one cell takes it all.
        const int n_rows = g.cells.r2 - g.cells.r1 + 1, n_cols = g.cells.c2 - g.cells.c1 + 1;
        const int src_rows = g.source.r2 - g.source.r1 + 1, src_cols = g.source.c2 - g.source.c1 + 1;
        const int n = n_rows * n_cols;
        if (n_rows > 1 && n_cols > 1) return bad();
        if (n > 1 && src_rows != n && src_cols != n) return bad();
        static constexpr uint8_t kDefaults[SC_COUNT][3] = {{0x37, 0x60, 0x92}, {0xD0, 0, 0}, {0, 0, 0}, {0xD0, 0, 0},
                                                           {0xD0, 0, 0},       {0xD0, 0, 0}, {0xD0, 0, 0}, {0xD0, 0, 0}};
        for (int i = 0; i < SC_COUNT; ++i) g.colors[i] = ColorValue{false, kDefaults[i][0], kDefaults[i][1], kDefaults[i][2]};
        try {
            sh.sparklines.push_back(std::move(g));
        } catch (const std::bad_alloc &) {
            return no_memory(it);
        }
        return 0;
    }
    if (sh.sparklines.empty()) return bad();
    SparklineGroup &g = sh.sparklines.back();
    if (it.kind == kind::SPARKLINE_KIND) {
        int k = sparkline_kind_of(it.value);
        if (k < 0) return bad();
        g.kind = k;
        return 0;
    }
    if (it.kind == kind::SPARKLINE_DISPLAY) {
        bool flags[6] = {};
        bool ok = for_each_word(it.value, [&](std::string_view w) {
            int p = word_of(kPointWords, w, -1);
            if (p < 0) return false;
            flags[p] = true;
            return true;
        });
        if (!ok || it.value.empty()) return bad();
        g.high = flags[0], g.low = flags[1], g.first = flags[2], g.last = flags[3], g.negative = flags[4],
        g.markers = flags[5];
        return 0;
    }
    ColorValue c;
    if (!read_color(it.value, c)) return bad();
    static constexpr int kSlot[] = {SC_HIGH, SC_LOW, SC_FIRST, SC_LAST, SC_NEGATIVE, SC_MARKERS, SC_SERIES};
    g.colors[kSlot[it.kind - kind::SPARKLINE_HIGH_COLOR]] = c;
    return 0;
}

// ---- formatted tables --------------------------------------------------------

// A header cell gets a text: the given column name, or "列%d" for an empty
// header, so that every column has the name its header cell shows.
int set_header_text(const Item &it, Sheet &sh, int row, int col, std::string_view text, bool only_empty) {
    Cell *cell = ensure_cell(sh, row, col);
    if (!cell) return no_memory(it);
    if (only_empty && cell->kind != CELL_EMPTY) return 0;
    int index = vlt_add_sst(it.book, text);
    if (index < 0) return no_memory(it);
    cell = find_cell(sh, row, col);
    return vlt_store_value(it.book, sh, *cell, CELL_SHARED_TEXT, index, {}) < 0 ? no_memory(it) : 0;
}

// Table names: a letter, "_" or "\" first, then letters, digits, "_" and
// "."; non-ASCII bytes count as letters.
bool table_name_ok(std::string_view v) {
    if (v.empty() || v.size() > 255) return false;
    for (size_t i = 0; i < v.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(v[i]);
        bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
        if (letter || c >= 0x80 || c == '_' || (i == 0 && c == '\\')) continue;
        if (i > 0 && ((c >= '0' && c <= '9') || c == '.')) continue;
        return false;
    }
    return true;
}

int table_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    if (it.kind != kind::TABLE_FORMAT) {
        if (sh.tables.empty()) {
            const char *what = it.kind == kind::TABLE_FORMAT_COLUMN_NAME ? "列名(COLUMN_NAME)"
                               : it.kind == kind::TABLE_FORMAT_FILTER ? "フィルター(FILTER)"
                                                                    : "名(NAME)";
            return vlt_error(it.book, -1, msg::E02631, what);
        }
        Table &t = sh.tables.back();
        if (it.kind == kind::TABLE_FORMAT_FILTER) {
            int on = switch_of(it.value);
            if (on < 0) return bad_keyword(it);
            t.filter = on == 1;
            return 0;
        }
        if (it.kind == kind::TABLE_FORMAT_NAME) {
            if (!table_name_ok(it.value)) return bad_keyword(it);
            for (const Sheet &s : model(it.book).sheets)
                for (const Table &o : s.tables)
                    if (&o != &t && same_nocase(o.name, it.value)) return bad_keyword(it);
            t.name.assign(it.value);
            return 0;
        }
        // Column names, separated by commas, written into the header cells.
        std::vector<std::string> names;
        std::string_view v = it.value;
        try {
            for (size_t i = 0;;) {
                size_t j = v.find(',', i);
                names.emplace_back(v.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i));
                if (j == std::string_view::npos) break;
                i = j + 1;
            }
        } catch (const std::bad_alloc &) {
            return no_memory(it);
        }
        const int width = t.ref.c2 - t.ref.c1 + 1;
        if (static_cast<int>(names.size()) > width) return bad_keyword(it);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i].empty()) return bad_keyword(it);
        for (size_t i = 0; i < names.size(); ++i)
            if (int rc = set_header_text(it, sh, t.ref.r1, t.ref.c1 + static_cast<int>(i), names[i], false); rc < 0)
                return rc;
        t.columns = std::move(names);
        return 0;
    }
    if (!it.range) return need_range(it, "表書式(TABLE_FORMAT)");
    int family, number;
    if (!table_style_of(it.value, family, number)) return bad_keyword(it);
    Rect r = it.rect(0);
    for (const Table &t : sh.tables)
        if (t.ref.r1 <= r.r2 && r.r1 <= t.ref.r2 && t.ref.c1 <= r.c2 && r.c1 <= t.ref.c2)
            return vlt_error(it.book, -1, msg::E02632);
    Table t;
    t.ref = block_of(r);
    t.family = family;
    t.number = number;
    // A formula in the header row cannot name a column.
    for (int c = r.c1; c <= r.c2; ++c) {
        Cell *cell = find_cell(sh, r.r1, c);
        if (cell && (cell->kind == CELL_FORMULA || cell->kind == CELL_FORMULA2))
            return vlt_error(it.book, -1, msg::E02633);
    }
    for (int c = r.c1; c <= r.c2; ++c) {
        std::string name = "列" + std::to_string(c - r.c1 + 1);
        if (int rc = set_header_text(it, sh, r.r1, c, name, true); rc < 0) return rc;
    }
    try {
        sh.tables.push_back(std::move(t));
    } catch (const std::bad_alloc &) {
        return no_memory(it);
    }
    return 0;
}

// ---- shapes -------------------------------------------------------------------

const char *shape_option_name(int kind) {
    switch (kind) {
    case kind::AUTOSHAPE_TEXT: return "文字列(TEXT)";
    case kind::AUTOSHAPE_END: return "終点(END)";
    case kind::AUTOSHAPE_WIDTH: return "幅(WIDTH)";
    case kind::AUTOSHAPE_HEIGHT: return "高さ(HEIGHT)";
    case kind::AUTOSHAPE_OFFSET_X:
    case kind::AUTOSHAPE_OFFSET_Y: return "オフセット(OFFSET)";
    case kind::AUTOSHAPE_ADJUST_X:
    case kind::AUTOSHAPE_ADJUST_Y: return "アジャスト(ADJUST)";
    case kind::AUTOSHAPE_ROTATION: return "回転(ROTATION)";
    default:
        if (kind >= kind::AUTOSHAPE_LINE_STYLE && kind <= kind::AUTOSHAPE_LINE_TRANSPARENT) return "枠線(LINE)";
        if (kind >= kind::AUTOSHAPE_FILL_KIND && kind <= kind::AUTOSHAPE_FILL_ACCENT) return "塗りつぶし(FILL)";
        if (kind >= kind::AUTOSHAPE_SHADOW_KIND) return "影(SHADOW)";
        return "オートシェイプ(AUTOSHAPE)";
    }
}

const Word kFillKinds[] = {{"SOLID", SHAPE_FILL_SOLID}, {"単色", SHAPE_FILL_SOLID},
                           {"GRADATION", SHAPE_FILL_GRADIENT}, {"グラデーション", SHAPE_FILL_GRADIENT},
                           {"NONE", SHAPE_FILL_NONE}, {"なし", SHAPE_FILL_NONE}};
const Word kShadowKinds[] = {{"OUTER", 1}, {"外側", 1}, {"INNER", 2}, {"内側", 2}, {"NONE", 0}, {"なし", 0}};
const Word kEffects[] = {{"GLOW", 1}, {"光彩", 1}, {"BEVEL", 2}, {"面取り", 2}, {"NONE", 0}, {"なし", 0}};

// A colour that may also be NONE (`none` set then).
bool read_color_or_none(std::string_view text, ColorValue &out, bool &none) {
    Rgb rgb;
    int32_t code = color_of(text, rgb);
    if (code == COLOR_BAD) return false;
    none = code == COLOR_NONE;
    if (none) return true;
    if (code != COLOR_RGB) rgb = color_value(code);
    out = ColorValue{true, rgb.r, rgb.g, rgb.b};
    return true;
}

void reset_look(Shape &s) {
    Shape fresh;
    fresh.preset = s.preset;
    fresh.text_box = s.text_box;
    fresh.at = s.at;
    fresh.has_end = s.has_end;
    fresh.end = s.end;
    fresh.width = s.width;
    fresh.height = s.height;
    fresh.adjust_set[0] = s.adjust_set[0], fresh.adjust_set[1] = s.adjust_set[1];
    fresh.adjust[0] = s.adjust[0], fresh.adjust[1] = s.adjust[1];
    fresh.rotation = s.rotation;
    fresh.text = s.text;
    s = std::move(fresh);
}

int shape_option(const Item &it, Shape &s) {
    auto bad = [&] { return vlt_error(it.book, -1, msg::E02600, str(it.value).c_str()); };
    auto shadow_bad = [&] { return vlt_error(it.book, -1, msg::E02604); };
    double v = 0;
    auto number = [&](double lo, double hi) { return read_double(it.value, v) && std::isfinite(v) && v >= lo && v <= hi; };
    bool none = false;
    int code;
    switch (it.kind) {
    case kind::AUTOSHAPE_TEXT: s.text.assign(it.value); return 0;
    case kind::AUTOSHAPE_START:
    case kind::AUTOSHAPE_END: {
        int row, col;
        if (!read_cell(it, it.value, row, col)) return bad();
        CellAnchor &a = it.kind == kind::AUTOSHAPE_START ? s.at : s.end;
        a.row = row, a.col = col;
        if (it.kind == kind::AUTOSHAPE_END) s.has_end = true;
        return 0;
    }
    case kind::AUTOSHAPE_WIDTH:
    case kind::AUTOSHAPE_HEIGHT:
        if (!number(1, 20000)) return bad_number(it);
        (it.kind == kind::AUTOSHAPE_WIDTH ? s.width : s.height) = v;
        return 0;
    case kind::AUTOSHAPE_OFFSET_X: if (!number(-100000, 100000)) return bad_number(it); s.at.dx = v; return 0;
    case kind::AUTOSHAPE_OFFSET_Y: if (!number(-100000, 100000)) return bad_number(it); s.at.dy = v; return 0;
    case kind::AUTOSHAPE_END_OFFSET_X: if (!number(-100000, 100000)) return bad_number(it); s.end.dx = v; return 0;
    case kind::AUTOSHAPE_END_OFFSET_Y: if (!number(-100000, 100000)) return bad_number(it); s.end.dy = v; return 0;
    case kind::AUTOSHAPE_ADJUST_X:
    case kind::AUTOSHAPE_ADJUST_Y: {
        if (!number(-1000, 1000)) return vlt_error(it.book, -1, msg::E02605);
        int i = it.kind == kind::AUTOSHAPE_ADJUST_X ? 0 : 1;
        s.adjust[i] = v;
        s.adjust_set[i] = true;
        return 0;
    }
    case kind::AUTOSHAPE_ROTATION: if (!number(-3600, 3600)) return bad_number(it); s.rotation = v; return 0;
    case kind::AUTOSHAPE_VERSION: return 0; // accepted for compatibility; one look is written
    case kind::AUTOSHAPE_ARROW_START_KIND:
    case kind::AUTOSHAPE_ARROW_END_KIND: {
        code = same_nocase(it.value, "NONE") || it.value == "なし" ? 0 : arrow_head_of(it.value);
        if (code < 0) return vlt_error(it.book, -1, msg::E02603);
        (it.kind == kind::AUTOSHAPE_ARROW_START_KIND ? s.head : s.tail).head = code;
        return 0;
    }
    case kind::AUTOSHAPE_ARROW_START_WIDTH: s.head.width = arrow_size_of(it.value); return 0;
    case kind::AUTOSHAPE_ARROW_START_LENGTH: s.head.length = arrow_size_of(it.value); return 0;
    case kind::AUTOSHAPE_ARROW_END_WIDTH: s.tail.width = arrow_size_of(it.value); return 0;
    case kind::AUTOSHAPE_ARROW_END_LENGTH: s.tail.length = arrow_size_of(it.value); return 0;
    case kind::AUTOSHAPE_LINE_STYLE:
        code = line_style_of(it.value);
        if (code < 0) return vlt_error(it.book, -1, msg::E02602);
        s.line_style = code;
        return 0;
    case kind::AUTOSHAPE_LINE_COLOR:
        if (!read_color_or_none(it.value, s.line_color, none)) return vlt_error(it.book, -1, msg::E02401, str(it.value).c_str());
        s.no_line = none;
        return 0;
    case kind::AUTOSHAPE_LINE_WIDTH: if (!number(0, 1584)) return bad_number(it); s.line_width = v; return 0;
    case kind::AUTOSHAPE_LINE_TRANSPARENT: if (!number(0, 100)) return bad_number(it); s.line_transparency = v; return 0;
    case kind::AUTOSHAPE_TEXT_ALIGN:
        code = align_of(it.value);
        if (code < 0) return vlt_error(it.book, -1, msg::E02405, str(it.value).c_str());
        s.text_align = code;
        return 0;
    case kind::AUTOSHAPE_FONT_NAME:
        if (it.value.empty() || it.value.size() > 80) return vlt_error(it.book, -1, msg::E02403, str(it.value).c_str());
        s.font_name.assign(it.value);
        return 0;
    case kind::AUTOSHAPE_FONT_SIZE:
        if (!number(1, 409)) return vlt_error(it.book, -1, msg::E02403, str(it.value).c_str());
        s.font_size = v;
        return 0;
    case kind::AUTOSHAPE_FONT_STYLE:
        code = font_style_of(it.value);
        if (code < 0) return vlt_error(it.book, -1, msg::E02403, str(it.value).c_str());
        s.font_style = code;
        return 0;
    case kind::AUTOSHAPE_FONT_COLOR:
        if (!read_color(it.value, s.font_color)) return vlt_error(it.book, -1, msg::E02401, str(it.value).c_str());
        return 0;
    case kind::AUTOSHAPE_FILL_KIND:
        code = word_of(kFillKinds, it.value, -1);
        if (code < 0) return vlt_error(it.book, -1, msg::E02406);
        s.fill = code;
        return 0;
    case kind::AUTOSHAPE_FILL_COLOR:
        if (!read_color_or_none(it.value, s.fill_color, none)) return vlt_error(it.book, -1, msg::E02401, str(it.value).c_str());
        s.fill = none ? SHAPE_FILL_NONE : SHAPE_FILL_SOLID;
        return 0;
    case kind::AUTOSHAPE_FILL_STYLE:
    case kind::AUTOSHAPE_GRADATION_KIND:
        code = gradient_dir_of(it.value);
        if (code < 0) return vlt_error(it.book, -1, msg::E02409, str(it.value).c_str());
        s.gradient_dir = code;
        return 0;
    case kind::AUTOSHAPE_FILL_TRANSPARENT: if (!number(0, 100)) return bad_number(it); s.fill_transparency = v; return 0;
    case kind::AUTOSHAPE_FILL_ACCENT:
        if (!number(1, 6)) return bad_number(it);
        s.fill_accent = static_cast<int32_t>(v);
        if (s.fill == SHAPE_FILL_DEFAULT || s.fill == SHAPE_FILL_NONE) s.fill = SHAPE_FILL_SOLID;
        s.fill_color.set = false;
        return 0;
    case kind::AUTOSHAPE_GRADATION_COLOR1:
    case kind::AUTOSHAPE_GRADATION_COLOR2:
        if (!read_color(it.value, it.kind == kind::AUTOSHAPE_GRADATION_COLOR1 ? s.gradient1 : s.gradient2))
            return vlt_error(it.book, -1, msg::E02409, str(it.value).c_str());
        s.fill = SHAPE_FILL_GRADIENT;
        return 0;
    case kind::AUTOSHAPE_GRADATION_VARIATION: return number(1, 4) ? 0 : vlt_error(it.book, -1, msg::E02409, str(it.value).c_str());
    case kind::AUTOSHAPE_BLUR: if (!number(0, 100)) return bad_number(it); s.soft_edge = v; return 0;
    case kind::AUTOSHAPE_RESET: {
        int on = switch_of(it.value);
        if (on < 0) return bad_keyword(it);
        if (on) reset_look(s);
        return 0;
    }
    case kind::AUTOSHAPE_EFFECT:
        code = word_of(kEffects, it.value, -1);
        if (code < 0) return bad();
        s.effect = code;
        return 0;
    case kind::AUTOSHAPE_SHADOW_KIND:
        code = word_of(kShadowKinds, it.value, -1);
        if (code < 0) return shadow_bad();
        s.shadow = code;
        return 0;
    case kind::AUTOSHAPE_SHADOW_COLOR:
        if (!read_color(it.value, s.shadow_color)) return shadow_bad();
        if (!s.shadow) s.shadow = 1;
        return 0;
    case kind::AUTOSHAPE_SHADOW_ALIGN:
        code = align_of(it.value);
        if (code < 0) return shadow_bad();
        s.shadow_align = code;
        return 0;
    case kind::AUTOSHAPE_SHADOW_TRANSPARENT: if (!number(0, 100)) return shadow_bad(); s.shadow_transparency = v; return 0;
    case kind::AUTOSHAPE_SHADOW_BLUR: if (!number(0, 100)) return shadow_bad(); s.shadow_blur = v; return 0;
    case kind::AUTOSHAPE_SHADOW_DEGREE: if (!number(0, 360)) return shadow_bad(); s.shadow_degree = v; return 0;
    case kind::AUTOSHAPE_SHADOW_DIST: if (!number(0, 200)) return shadow_bad(); s.shadow_dist = v; return 0;
    default: return bad();
    }
}

int shape_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    if (it.kind == kind::AUTOSHAPE) {
        if (it.range) return refuse_range(it, "オートシェイプ(AUTOSHAPE)");
        const char *preset = shape_preset_of(it.value);
        if (!preset) return vlt_error(it.book, -1, msg::E02600, str(it.value).c_str());
        Shape s;
        s.preset = preset;
        s.text_box = same_nocase(it.value, "TEXTBOX") || it.value == "テキストボックス";
        Rect at = it.rect(0);
        s.at.row = at.r1;
        s.at.col = at.c1;
        try {
            sh.shapes.push_back(std::move(s));
        } catch (const std::bad_alloc &) {
            return no_memory(it);
        }
        return 0;
    }
    if (sh.shapes.empty()) return vlt_error(it.book, -1, msg::E02601, shape_option_name(it.kind));
    try {
        return shape_option(it, sh.shapes.back());
    } catch (const std::bad_alloc &) {
        return no_memory(it);
    }
}

} // namespace

int file_kind(const std::string &path) {
    int type = -1;
    int rc = file_type(1, path.c_str(), &type, nullptr);
    if (rc == rc::OPEN_FAILED) return rc::OPEN_FAILED;
    return rc == 0 ? type : -1;
}

int load_picture_path(const Item &it, int first_kind, int last_kind, std::string &path_out, PictureInfo &info) {
    if (it.value.size() > 256) return vlt_error(it.book, -1, msg::E00005);
    std::string path = str(it.value);
    int kind = file_kind(path);
    if (kind == rc::OPEN_FAILED) return vlt_error(it.book, rc::OPEN_FAILED, msg::E03102, path.c_str());
    if (kind < first_kind || kind > last_kind) return vlt_error(it.book, -1, msg::E03190, path.c_str());
    int rc = probe_picture_file(kind, path, info);
    if (rc == rc::OPEN_FAILED) return vlt_error(it.book, rc::OPEN_FAILED, msg::E03102, path.c_str());
    if (rc != 0) return vlt_error(it.book, -1, msg::E03190, path.c_str());
    path_out = std::move(path);
    return 0;
}

int apply_drawing_keyword(const Item &it) {
    if (!it.sheet) return no_sheet(it);
    int k = it.kind;
    if (k >= kind::IMAGE_PATH && k <= kind::IMAGE_OFFSET_Y) return image_keyword(it);
    if (k >= kind::SPARKLINE && k <= kind::SPARKLINE_COLOR) return sparkline_keyword(it);
    if (k >= kind::TABLE_FORMAT && k <= kind::TABLE_FORMAT_FILTER) return table_keyword(it);
    if (k >= kind::CHART && k <= kind_last::CHART_OPTION) return chart_keyword(it);
    if (k >= kind::AUTOSHAPE && k <= kind_last::AUTOSHAPE_OPTION) return shape_keyword(it);
    char what[48];
    std::snprintf(what, sizeof what, "vlt_apply_property() kind=%d", k);
    return vlt_error(it.book, -1, msg::E03600, what);
}

} // namespace vel
