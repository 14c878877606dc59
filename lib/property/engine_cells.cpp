// Cell keywords: fonts, fills, patterns, gradients, borders, alignment, text
// control, number formats, merges, hyperlinks, comments and the filter.
// Each cell of the target is changed through the style registry; the first
// failure stops the walk, cells already changed stay changed.
#include <new>

#include "core/messages.h"
#include "property/engine_impl.h"
#include "model/numfmt.h"
#include "model/styles.h"

namespace vel {

namespace {

std::string str(std::string_view v) { return std::string(v); }

int bad_color(const Item &it) { return vlt_error(it.book, -1, msg::E02401, str(it.value).c_str()); }
int bad_font(const Item &it) { return vlt_error(it.book, -1, msg::E02403, str(it.value).c_str()); }
int bad_gradient(const Item &it) {
    return vlt_error(it.book, -1, msg::E02409, str(it.value).c_str());
}
int bad_border(const Item &it) { return vlt_error(it.book, -1, msg::E02408, str(it.value).c_str()); }

// A colour a keyword can use: a palette code or a value; NONE is refused.
bool usable_color(std::string_view v, int32_t &code, Rgb &rgb) {
    code = color_of(v, rgb);
    return code != COLOR_NONE && code != COLOR_BAD;
}

int font_keyword(const Item &it) {
    Font f;          // the book's default font: code 10, 11 pt, regular, colour 0
    int mask = 0;
    switch (it.kind) {
    case kind::FONT_NAME: {
        if (it.value.empty()) return bad_font(it);
        int code = face_code_of(it.value);
        if (code == FACE_OWN) {
            if (it.value.size() > 80) return bad_font(it);
            f.face.assign(it.value);
        }
        f.code = static_cast<uint8_t>(code);
        mask = FONT_FACE;
        break;
    }
    case kind::FONT_STYLE: {
        int style = font_style_of(it.value);
        if (style < 0) return bad_font(it);
        f.style = static_cast<uint8_t>(style);
        mask = FONT_STYLE;
        break;
    }
    case kind::FONT_SIZE: {
        double size;
        if (!read_double(it.value, size) || size < 1 || size >= 410) return bad_font(it);
        f.size = static_cast<uint16_t>(size);
        mask = FONT_SIZE;
        break;
    }
    default: { // FONT_COLOR
        int32_t code;
        Rgb rgb;
        if (!usable_color(it.value, code, rgb)) return bad_color(it);
        f.color = code;
        f.rgb[0] = rgb.r;
        f.rgb[1] = rgb.g;
        f.rgb[2] = rgb.b;
        mask = FONT_COLOR;
        break;
    }
    }
    int rc = for_each_cell(it, [&](int, int, Cell &cell) { return vlt_set_font(it.book, cell, mask, f); });
    return rc < 0 ? registry_failure(it, rc, "Font Style", MAX_FONT) : 0;
}

int fill_keyword(const Item &it) {
    Fill f;
    f.pattern = 1;
    int mask = 0;
    int32_t code;
    Rgb rgb;
    switch (it.kind) {
    case kind::FILL_PATTERN:
        f.pattern = pattern_of(it.value);
        mask = FILL_PATTERN;
        break;
    case kind::FILL_PATTERN_COLOR:
        // Only palette colours: values, NONE and unreadable words count as 0.
        code = color_of(it.value, rgb);
        f.pattern_color = code >= 0 ? code : 0;
        mask = FILL_PATTERN_COLOR;
        break;
    case kind::FILL_GRADATION_COLOR1:
    case kind::FILL_GRADATION_COLOR2:
        if (!usable_color(it.value, code, rgb)) return bad_gradient(it);
        f.pattern = PATTERN_GRADIENT;
        if (it.kind == kind::FILL_GRADATION_COLOR1) {
            f.color = code;
            f.rgb[0] = rgb.r, f.rgb[1] = rgb.g, f.rgb[2] = rgb.b;
            mask = FILL_GRAD_COLOR1;
        } else {
            f.color2 = code;
            f.rgb2[0] = rgb.r, f.rgb2[1] = rgb.g, f.rgb2[2] = rgb.b;
            mask = FILL_GRAD_COLOR2;
        }
        break;
    case kind::FILL_GRADATION_KIND: {
        int dir = gradient_dir_of(it.value);
        if (dir < 0) return bad_gradient(it);
        f.pattern = PATTERN_GRADIENT;
        f.grad_dir = static_cast<uint8_t>(dir);
        mask = FILL_GRAD_DIR;
        break;
    }
    default: { // GRAD_VARIATION: the variant number 1..4 of a direction
        long v;
        if (!read_int(it.value, v) || v < 1 || v > 4) return bad_gradient(it);
        f.pattern = PATTERN_GRADIENT;
        f.grad_var = static_cast<uint8_t>(v);
        mask = FILL_GRAD_VARIANT;
        break;
    }
    }
    int rc = for_each_cell(it, [&](int, int, Cell &cell) { return vlt_set_fill(it.book, cell, mask, f); });
    return rc < 0 ? registry_failure(it, rc, "Fill Style", MAX_XF) : 0;
}

int border_keyword(const Item &it) {
    Border b;
    int mask = 0;
    int side_mask = 0;
    switch (it.kind) {
    case kind::BORDER: side_mask = BORDER_LEFT | BORDER_RIGHT | BORDER_TOP | BORDER_BOTTOM; break;
    case kind::BORDER_LEFT: side_mask = BORDER_LEFT; break;
    case kind::BORDER_RIGHT: side_mask = BORDER_RIGHT; break;
    case kind::BORDER_TOP: side_mask = BORDER_TOP; break;
    case kind::BORDER_BOTTOM: side_mask = BORDER_BOTTOM; break;
    case kind::BORDER_DIAGONAL_UP: side_mask = BORDER_DIAG_UP; break;
    case kind::BORDER_DIAGONAL_DOWN: side_mask = BORDER_DIAG_DOWN; break;
    default: break; // BORDER_COLOR
    }
    int32_t code = 0;
    Rgb rgb;
    if (it.kind == kind::BORDER_COLOR) {
        if (!usable_color(it.value, code, rgb)) return bad_color(it);
        mask = BORDER_COLOR;
    } else {
        int style = line_style_of(it.value);
        if (style >= 0) {
            static const int sides[6] = {BORDER_LEFT, BORDER_RIGHT, BORDER_TOP,
                                         BORDER_BOTTOM, BORDER_DIAG_UP, BORDER_DIAG_DOWN};
            for (int s = 0; s < 6; ++s)
                if (side_mask & sides[s]) b.line[s] = static_cast<uint8_t>(style);
            mask = side_mask;
        } else if (it.kind != kind::BORDER && usable_color(it.value, code, rgb)) {
            // BORDER.<side>.COLOR arrives with the kind of BORDER.<side>.
            mask = BORDER_COLOR;
        } else {
            return bad_border(it);
        }
    }
    if (mask & BORDER_COLOR) {
        b.color = code;
        b.rgb[0] = rgb.r, b.rgb[1] = rgb.g, b.rgb[2] = rgb.b;
    }
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        int rc = vlt_set_border(it.book, *it.sheet, r.r1, r.c1, r.r2, r.c2, mask, b);
        if (rc < 0) return registry_failure(it, rc, "Border Style", MAX_XF);
    }
    return 0;
}

int align_keyword(const Item &it) {
    int code = align_of(it.value);
    if (code < 0) return vlt_error(it.book, -1, msg::E02405, str(it.value).c_str());
    int rc = for_each_cell(it, [&](int, int, Cell &cell) { return vlt_set_align(it.book, cell, code); });
    return rc < 0 ? registry_failure(it, rc, "Align Style", MAX_XF) : 0;
}

int text_control_keyword(const Item &it) {
    int on = switch_of(it.value);
    if (on < 0) return bad_keyword(it);
    if (on == 0) return 0;
    int bits = it.kind == kind::WRAP ? 2 : it.kind == kind::SHRINK ? 4 : 1;
    int rc = for_each_cell(it, [&](int, int, Cell &cell) {
        return vlt_set_text_control(it.book, cell, bits);
    });
    return rc < 0 ? registry_failure(it, rc, "Align Style", MAX_XF) : 0;
}

bool overlaps(const Range &a, const Rect &b) {
    return a.r1 <= b.r2 && b.r1 <= a.r2 && a.c1 <= b.c2 && b.c1 <= a.c2;
}

int merge_keyword(const Item &it) {
    bool area = false;
    for (int i = 0; i < it.nrects; ++i) area = area || !it.rect(i).single();
    if (!it.range || !area) return need_range(it, "MERGE");
    int on = switch_of(it.value);
    if (on < 0) return bad_keyword(it);
    if (on == 0) return 0;
    Sheet &sh = *it.sheet;
    // Check every rectangle before recording any, so a refused item adds nothing.
    for (int i = 0; i < it.nrects; ++i) {
        Rect r = it.rect(i);
        for (const Range &m : sh.merges)
            if (overlaps(m, r)) return vlt_error(it.book, -1, msg::E02410);
        for (int j = 0; j < i; ++j) {
            Rect q = it.rect(j);
            if (overlaps(Range{q.r1, q.c1, q.r2, q.c2}, r)) return vlt_error(it.book, -1, msg::E02410);
        }
    }
    try {
        for (int i = 0; i < it.nrects; ++i) {
            Rect r = it.rect(i);
            sh.merges.push_back(Range{r.r1, r.c1, r.r2, r.c2});
        }
    } catch (const std::bad_alloc &) {
        return vlt_error(it.book, -2, msg::E00002);
    }
    return 0;
}

bool starts_nocase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && same_nocase(s.substr(0, prefix.size()), prefix);
}

int hyperlink_keyword(const Item &it) {
    if (it.range) return refuse_range(it, "ハイパーリンク(HYPERLINK)");
    if (it.value.empty()) return vlt_error(it.book, -1, msg::E03600, "vlt_set_hyperlink()");
    Hyperlink link;
    link.row = it.rect(0).r1;
    link.col = it.rect(0).c1;
    std::string_view v = it.value;
    // An e-mail address (an at sign followed later by a full stop) becomes a
    // mailto: link, unless the text already names a scheme.
    size_t at = v.find('@');
    bool mail = at != std::string_view::npos && v.find('.', at) != std::string_view::npos &&
                !starts_nocase(v, "mailto:") && v.find("://") == std::string_view::npos;
    try {
        link.target = mail ? "mailto:" + str(v) : str(v);
        it.sheet->links.push_back(std::move(link));
    } catch (const std::bad_alloc &) {
        return vlt_error(it.book, -2, msg::E00002);
    }
    const Model &m = model(it.book);
    if (m.xf_hyperlink > 0)
        for_each_cell(it, [&](int, int, Cell &cell) {
            cell.style = static_cast<uint16_t>(m.xf_hyperlink);
            return 0;
        });
    return 0;
}

// Internal link ("Sheet!A1"), display text and screen tip of a cell's link.
int hyperlink_part(const Item &it) {
    if (it.range) return refuse_range(it, "ハイパーリンク(HYPERLINK)");
    Sheet &sh = *it.sheet;
    int row = it.rect(0).r1, col = it.rect(0).c1;
    Hyperlink *link = nullptr;
    for (auto p = sh.links.rbegin(); p != sh.links.rend() && !link; ++p)
        if (p->row == row && p->col == col) link = &*p;
    try {
        if (it.kind == kind::HYPERLINK_SHEET) {
            size_t bang = it.value.rfind('!');
            std::string_view name = bang == std::string_view::npos ? it.value : it.value.substr(0, bang);
            if (name.size() > static_cast<size_t>(XLS_SHEET_LEN)) {
                vlt_error(it.book, -9, msg::E03009, XLS_SHEET_LEN, "vlt_set_hyperlink() XLS_SHEET_LEN");
                return -1;
            }
            if (name.empty()) return vlt_error(it.book, -1, msg::E03600, "vlt_set_hyperlink()");
            if (!link) {
                sh.links.emplace_back();
                link = &sh.links.back();
                link->row = row;
                link->col = col;
            }
            link->target.clear();
            link->location.assign(it.value);
            if (bang == std::string_view::npos) link->location += "!A1";
            const Model &m = model(it.book);
            if (m.xf_hyperlink > 0) sh.rows[row].cells[col].style = static_cast<uint16_t>(m.xf_hyperlink);
            return 0;
        }
        if (!link) return vlt_error(it.book, -1, msg::E03600, "vlt_set_hyperlink()");
        (it.kind == kind::HYPERLINK_TEXT ? link->display : link->tooltip).assign(it.value);
    } catch (const std::bad_alloc &) {
        return vlt_error(it.book, -2, msg::E00002);
    }
    return 0;
}

int comment_keyword(const Item &it) {
    try {
        return for_each_cell(it, [&](int r, int c, Cell &) {
            Comment cm;
            cm.row = r;
            cm.col = c;
            cm.text.assign(it.value);
            it.sheet->comments.push_back(std::move(cm));
            return 0;
        });
    } catch (const std::bad_alloc &) {
        return vlt_error(it.book, -2, msg::E00002);
    }
}

int filter_keyword(const Item &it) {
    if (!it.range) return need_range(it, "フィルター(FILTER)");
    int on = switch_of(it.value);
    if (on < 0) return bad_keyword(it);
    if (on == 0) return 0;
    Rect r = it.rect(0);
    it.sheet->filter = Range{r.r1, r.c1, r.r2, r.c2};
    return 0;
}

int format_keyword(const Item &it) {
    int rc = vlt_apply_format_target(it.book, it.target, it.value);
    return rc == -9 ? -9 : rc;
}

} // namespace

int apply_cell_keyword(const Item &it) {
    if (!it.sheet) return no_sheet(it);
    switch (it.kind) {
    case kind::FONT_NAME:
    case kind::FONT_STYLE:
    case kind::FONT_SIZE:
    case kind::FONT_COLOR: return font_keyword(it);
    case kind::FILL_PATTERN:
    case kind::FILL_PATTERN_COLOR:
    case kind::FILL_GRADATION_COLOR1:
    case kind::FILL_GRADATION_COLOR2:
    case kind::FILL_GRADATION_KIND:
    case kind::FILL_GRADATION_VARIATION: return fill_keyword(it);
    case kind::BORDER:
    case kind::BORDER_LEFT:
    case kind::BORDER_RIGHT:
    case kind::BORDER_TOP:
    case kind::BORDER_BOTTOM:
    case kind::BORDER_COLOR:
    case kind::BORDER_DIAGONAL_UP:
    case kind::BORDER_DIAGONAL_DOWN: return border_keyword(it);
    case kind::ALIGN: return align_keyword(it);
    case kind::WRAP:
    case kind::VERTICAL_TEXT:
    case kind::SHRINK: return text_control_keyword(it);
    case kind::MERGE: return merge_keyword(it);
    case kind::FORMAT: return format_keyword(it);
    case kind::COMMENT: return comment_keyword(it);
    case kind::HYPERLINK: return hyperlink_keyword(it);
    case kind::HYPERLINK_TEXT:
    case kind::HYPERLINK_SHEET:
    case kind::HYPERLINK_COMMENT: return hyperlink_part(it);
    case kind::FILTER: return filter_keyword(it);
    default: {
        char what[48];
        std::snprintf(what, sizeof what, "vlt_apply_property() kind=%d", it.kind);
        return vlt_error(it.book, -1, msg::E03600, what);
    }
    }
}

} // namespace vel
