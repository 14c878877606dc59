// Drawing keywords: pictures, charts, sparklines, formatted tables and
// shapes. The engine checks targets and values and records each object with
// its options in Sheet::drawings; the drawing writers turn them into parts.
// Option keywords apply to the object of their family opened last.
#include <cstdio>
#include <cstring>
#include <new>

#include "core/messages.h"
#include "core/status.h"
#include "io/filetype.h"
#include "property/engine_impl.h"

namespace vel {

namespace {

std::string str(std::string_view v) { return std::string(v); }

DrawingRecord *last_of(Sheet &sh, int kind) {
    for (auto it = sh.drawings.rbegin(); it != sh.drawings.rend(); ++it)
        if (it->kind == kind) return &*it;
    return nullptr;
}

int add_option(const Item &it, DrawingRecord &d) {
    try {
        d.options.emplace_back(it.kind, str(it.value));
    } catch (const std::bad_alloc &) {
        return vlt_error(it.book, -2, msg::E00002);
    }
    return 0;
}

int add_record(const Item &it, int kind, const Rect &at, std::string main) {
    DrawingRecord d;
    d.kind = kind;
    d.at = Range{at.r1, at.c1, at.r2, at.c2};
    d.path = std::move(main);
    try {
        it.sheet->drawings.push_back(std::move(d));
    } catch (const std::bad_alloc &) {
        return vlt_error(it.book, -2, msg::E00002);
    }
    return 0;
}

// Tokens of a value separated by blanks or commas.
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

// A cell name "A1" or "$A$1": column letters then row digits, inside the grid.
bool is_cell_name(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && s[i] == '$') ++i;
    size_t letters = i;
    long col = 0;
    while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) {
        col = col * 26 + ((s[i] | 0x20) - 'a' + 1);
        if (col > 16384) return false;
        ++i;
    }
    if (i == letters) return false;
    if (i < s.size() && s[i] == '$') ++i;
    size_t digits = i;
    long row = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        row = row * 10 + (s[i] - '0');
        if (row > 1048576) return false;
        ++i;
    }
    return i == s.size() && i > digits && row >= 1 && s[digits] != '0';
}

// "A1:B9", optionally after "Sheet!" (the sheet name itself is not checked).
bool is_range_text(std::string_view v) {
    size_t bang = v.rfind('!');
    if (bang != std::string_view::npos) {
        if (bang == 0) return false;
        v.remove_prefix(bang + 1);
    }
    size_t colon = v.find(':');
    if (colon == std::string_view::npos) return false;
    return is_cell_name(v.substr(0, colon)) && is_cell_name(v.substr(colon + 1));
}

// ---- pictures ---------------------------------------------------------------

int image_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    if (it.range) return refuse_range(it, "イメージ(IMAGE)");
    Rect at = it.rect(0);
    if (it.kind == kind::IMAGE_PATH) {
        std::string path;
        int rc = check_picture_path(it, path);
        if (rc < 0) return rc;
        return add_record(it, kind::IMAGE_PATH, at, std::move(path));
    }
    double v;
    if (!read_double(it.value, v)) return bad_number(it);
    if (it.kind == kind::IMAGE_RATIO && v <= 0) return bad_number(it);
    // The picture at this cell, else the sheet's last picture.
    DrawingRecord *d = nullptr;
    for (auto p = sh.drawings.rbegin(); p != sh.drawings.rend() && !d; ++p)
        if (p->kind == kind::IMAGE_PATH && p->at.r1 == at.r1 && p->at.c1 == at.c1) d = &*p;
    if (!d) d = last_of(sh, kind::IMAGE_PATH);
    if (!d) return vlt_error(it.book, -1, msg::E02420);
    return add_option(it, *d);
}

// ---- charts -----------------------------------------------------------------

constexpr int CHART_MAX_SERIES = 255;
constexpr int CHART_MAX_POINTS = 32000;

bool chart_option_name(std::string_view name) {
    static const char *const kNames[] = {
        "TITLE", "LEGEND", "TYPE", "STYLE", "LOCATION", "MAX", "MIN", "BACKCOLOR",
        "GRADATIONCOLOR1", "GRADATIONCOLOR2", "3D_ROTATE_X", "3D_ROTATE_Y", "3D_DEPTH",
        "3D_PERSPECTIVE"};
    for (const char *n : kNames)
        if (same_nocase(name, n)) return true;
    return false;
}

int chart_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    auto bad = [&](std::string_view what) {
        return vlt_error(it.book, -1, msg::E02430, str(what).c_str());
    };
    if (it.kind == kind::CHART) {
        if (!it.range) return need_range(it, "グラフ(CHART)");
        Rect r = it.rect(0);
        // Series run along the longer side; the first row and column are labels.
        int rows = r.r2 - r.r1, cols = r.c2 - r.c1;
        int series = rows < cols ? rows : cols, points = rows < cols ? cols : rows;
        if (series > CHART_MAX_SERIES) return vlt_error(it.book, -1, msg::E02431, CHART_MAX_SERIES);
        if (points > CHART_MAX_POINTS) return vlt_error(it.book, -1, msg::E02432, CHART_MAX_POINTS);
        // Value: a chart type word, then NAME=value options.
        std::string type;
        std::vector<std::pair<int32_t, std::string>> options;
        std::string_view failed;
        bool ok = for_each_word(it.value, [&](std::string_view w) {
            if (type.empty()) {
                if (chart_type_of(w) < 0) return failed = w, false;
                type.assign(w);
                return true;
            }
            size_t eq = w.find('=');
            if (eq == std::string_view::npos || !chart_option_name(w.substr(0, eq)))
                return failed = w, false;
            options.emplace_back(kind::CHART, str(w));
            return true;
        });
        if (!ok) return bad(failed);
        if (type.empty()) return bad(it.value);
        int rc = add_record(it, kind::CHART, r, std::move(type));
        if (rc == 0) sh.drawings.back().options = std::move(options);
        return rc;
    }
    DrawingRecord *d = last_of(sh, kind::CHART);
    if (!d) return bad(it.value);
    long n;
    switch (it.kind) {
    case kind::CHART_SWITCH:
    case kind::CHART_SERIES_LINE:
    case kind::CHART_DATA_LABEL:
        if (switch_of(it.value) < 0) return bad_keyword(it);
        break;
    case kind::CHART_LEGEND_FONT_SIZE:
    case kind::CHART_GAP_WIDTH:
        if (!read_int(it.value, n) || n < 0 || n > 500) return bad_number(it);
        break;
    case kind::CHART_MAJOR_UNIT: {
        double v;
        if (!read_double(it.value, v) || v <= 0) return bad_number(it);
        break;
    }
    case kind::CHART_KIND:
        if (chart_type_of(it.value) < 0) return bad(it.value);
        break;
    case kind::CHART_STYLE:
        if (!read_int(it.value, n) || n < 1 || n > 48) return bad(it.value);
        break;
    case kind::CHART_WIDTH:
    case kind::CHART_HEIGHT:
    case kind::CHART_OFFSET_X:
    case kind::CHART_OFFSET_Y: {
        double v;
        if (!read_double(it.value, v)) return bad_number(it);
        break;
    }
    default: break; // legend position: kept as given
    }
    return add_option(it, *d);
}

// ---- sparklines -------------------------------------------------------------

bool sparkline_point(std::string_view w) {
    static const char *const kWords[] = {"HIGH", "山", "LOW", "谷", "START", "始点",
                                         "END", "終点", "NEGATIVE", "負", "MARKER", "マーカー"};
    for (const char *k : kWords)
        if (same_nocase(w, k)) return true;
    return false;
}

int sparkline_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    auto bad = [&] { return vlt_error(it.book, -1, msg::E02621, str(it.value).c_str()); };
    if (it.kind == kind::SPARKLINE) {
        if (!it.range) return vlt_error(it.book, -1, msg::E02102, "スパークライン(SPARKLINE)");
        if (!is_range_text(it.value)) return vlt_error(it.book, -1, msg::E02101, str(it.value).c_str());
        return add_record(it, kind::SPARKLINE, it.rect(0), str(it.value));
    }
    DrawingRecord *d = last_of(sh, kind::SPARKLINE);
    if (!d) return bad();
    if (it.kind == kind::SPARKLINE_KIND) {
        if (sparkline_kind_of(it.value) < 0) return bad();
    } else if (it.kind == kind::SPARKLINE_DISPLAY) {
        if (!for_each_word(it.value, sparkline_point) || it.value.empty()) return bad();
    } else {
        Rgb rgb;
        int32_t code = color_of(it.value, rgb);
        if (code == COLOR_NONE || code == COLOR_BAD) return bad();
    }
    return add_option(it, *d);
}

// ---- formatted tables --------------------------------------------------------

int table_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    if (it.kind != kind::TABLE_FORMAT) {
        DrawingRecord *d = last_of(sh, kind::TABLE_FORMAT);
        if (!d) {
            const char *what = it.kind == kind::TABLE_FORMAT_COLUMN_NAME ? "列名(COLUMN_NAME)"
                               : it.kind == kind::TABLE_FORMAT_FILTER ? "フィルター(FILTER)"
                                                                    : "名(NAME)";
            return vlt_error(it.book, -1, msg::E02631, what);
        }
        if (it.kind == kind::TABLE_FORMAT_FILTER && switch_of(it.value) < 0) return bad_keyword(it);
        return add_option(it, *d);
    }
    if (!it.range) return need_range(it, "表書式(TABLE_FORMAT)");
    int family, number;
    if (!table_style_of(it.value, family, number)) return bad_keyword(it);
    Rect r = it.rect(0);
    for (const DrawingRecord &d : sh.drawings)
        if (d.kind == kind::TABLE_FORMAT && d.at.r1 <= r.r2 && r.r1 <= d.at.r2 && d.at.c1 <= r.c2 &&
            r.c1 <= d.at.c2)
            return vlt_error(it.book, -1, msg::E02632);
    return add_record(it, kind::TABLE_FORMAT, r, str(it.value));
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
        if (kind >= kind::AUTOSHAPE_LINE_STYLE && kind <= kind::AUTOSHAPE_LINE_WIDTH) return "枠線(LINE)";
        if (kind >= kind::AUTOSHAPE_FILL_KIND && kind <= kind::AUTOSHAPE_FILL_ACCENT) return "塗りつぶし(FILL)";
        if (kind >= kind::AUTOSHAPE_SHADOW_KIND) return "影(SHADOW)";
        return "オートシェイプ(AUTOSHAPE)";
    }
}

bool numeric_shape_option(int kind) {
    switch (kind) {
    case kind::AUTOSHAPE_WIDTH: case kind::AUTOSHAPE_HEIGHT: case kind::AUTOSHAPE_OFFSET_X:
    case kind::AUTOSHAPE_OFFSET_Y: case kind::AUTOSHAPE_END_OFFSET_X: case kind::AUTOSHAPE_END_OFFSET_Y:
    case kind::AUTOSHAPE_ADJUST_X: case kind::AUTOSHAPE_ADJUST_Y: case kind::AUTOSHAPE_ROTATION:
    case kind::AUTOSHAPE_LINE_WIDTH: case kind::AUTOSHAPE_LINE_TRANSPARENT:
    case kind::AUTOSHAPE_FILL_TRANSPARENT: case kind::AUTOSHAPE_BLUR:
        return true;
    default: return false;
    }
}

int shape_option(const Item &it) {
    auto bad = [&] { return vlt_error(it.book, -1, msg::E02600, str(it.value).c_str()); };
    double v;
    Rgb rgb;
    int32_t code;
    switch (it.kind) {
    case kind::AUTOSHAPE_SHADOW_COLOR:
        code = color_of(it.value, rgb);
        if (code == COLOR_BAD || code == COLOR_NONE) return vlt_error(it.book, -1, msg::E02604);
        return 0;
    case kind::AUTOSHAPE_SHADOW_KIND:
    case kind::AUTOSHAPE_SHADOW_ALIGN:
        return it.value.empty() ? vlt_error(it.book, -1, msg::E02604) : 0;
    case kind::AUTOSHAPE_SHADOW_TRANSPARENT:
    case kind::AUTOSHAPE_SHADOW_BLUR:
    case kind::AUTOSHAPE_SHADOW_DEGREE:
    case kind::AUTOSHAPE_SHADOW_DIST:
        return read_double(it.value, v) && v >= 0 ? 0 : vlt_error(it.book, -1, msg::E02604);
    case kind::AUTOSHAPE_LINE_COLOR:
    case kind::AUTOSHAPE_FILL_COLOR:
    case kind::AUTOSHAPE_FONT_COLOR:
        code = color_of(it.value, rgb);
        return code == COLOR_BAD ? vlt_error(it.book, -1, msg::E02401, str(it.value).c_str()) : 0;
    case kind::AUTOSHAPE_LINE_STYLE: return line_style_of(it.value) < 0 ? bad() : 0;
    case kind::AUTOSHAPE_START:
    case kind::AUTOSHAPE_END: return is_cell_name(it.value) ? 0 : bad();
    case kind::AUTOSHAPE_ARROW_START_KIND:
    case kind::AUTOSHAPE_ARROW_END_KIND:
        return arrow_head_of(it.value) < 0 ? vlt_error(it.book, -1, msg::E02603) : 0;
    case kind::AUTOSHAPE_ARROW_START_WIDTH:
    case kind::AUTOSHAPE_ARROW_START_LENGTH:
    case kind::AUTOSHAPE_ARROW_END_WIDTH:
    case kind::AUTOSHAPE_ARROW_END_LENGTH:
        return 0; // an unknown size word means medium
    case kind::AUTOSHAPE_FONT_NAME:
        return it.value.empty() || it.value.size() > 80
                   ? vlt_error(it.book, -1, msg::E02403, str(it.value).c_str())
                   : 0;
    case kind::AUTOSHAPE_FONT_SIZE:
        return read_double(it.value, v) && v >= 1 && v < 410
                   ? 0
                   : vlt_error(it.book, -1, msg::E02403, str(it.value).c_str());
    case kind::AUTOSHAPE_FONT_STYLE:
        return font_style_of(it.value) < 0
                   ? vlt_error(it.book, -1, msg::E02403, str(it.value).c_str())
                   : 0;
    case kind::AUTOSHAPE_GRADATION_COLOR1:
    case kind::AUTOSHAPE_GRADATION_COLOR2:
        code = color_of(it.value, rgb);
        return code == COLOR_BAD || code == COLOR_NONE
                   ? vlt_error(it.book, -1, msg::E02409, str(it.value).c_str())
                   : 0;
    case kind::AUTOSHAPE_GRADATION_KIND:
        return gradient_dir_of(it.value) < 0
                   ? vlt_error(it.book, -1, msg::E02409, str(it.value).c_str())
                   : 0;
    default:
        if (numeric_shape_option(it.kind)) return read_double(it.value, v) ? 0 : bad_number(it);
        return 0; // texts and words kept as given
    }
}

int shape_keyword(const Item &it) {
    Sheet &sh = *it.sheet;
    if (it.kind == kind::AUTOSHAPE) {
        if (it.range) return refuse_range(it, "オートシェイプ(AUTOSHAPE)");
        const char *preset = shape_preset_of(it.value);
        if (!preset) return vlt_error(it.book, -1, msg::E02600, str(it.value).c_str());
        int rc = add_record(it, kind::AUTOSHAPE, it.rect(0), preset);
        if (rc == 0) sh.drawings.back().options.emplace_back(kind::AUTOSHAPE, str(it.value));
        return rc;
    }
    DrawingRecord *d = last_of(sh, kind::AUTOSHAPE);
    if (!d) return vlt_error(it.book, -1, msg::E02601, shape_option_name(it.kind));
    int rc = shape_option(it);
    if (rc < 0) return rc;
    return add_option(it, *d);
}

} // namespace

int file_kind(const std::string &path) {
    int type = -1;
    int rc = file_type(1, path.c_str(), &type, nullptr);
    if (rc == rc::OPEN_FAILED) return rc::OPEN_FAILED;
    return rc == 0 ? type : -1;
}

int check_picture_path(const Item &it, std::string &path_out) {
    if (it.value.size() > 256) return vlt_error(it.book, -1, msg::E00005);
    std::string path = str(it.value);
    int kind = file_kind(path);
    if (kind == -101) return vlt_error(it.book, -101, msg::E03102, path.c_str());
    if (kind < 201 || kind > 207) return vlt_error(it.book, -1, msg::E03190, path.c_str());
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
