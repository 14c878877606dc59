// The styles part into the registry: number formats, fonts, fills, borders
// and cell formats in file order, so that a cell's `s` keeps its meaning.
// What the registry does not model (cell styles, differential formats, table
// styles, extensions) stays in the part, which a save keeps.
#include <unordered_map>

#include "core/status.h"
#include "model/numfmt.h"
#include "model/vocab.h"
#include "xlsx/read/parts.h"

namespace vel::xlsxread {

namespace {

enum Section { NONE, NUMFMTS, FONTS, FILLS, BORDERS, CELL_XFS, OTHER };

// "FFRRGGBB" or "RRGGBB" into a colour value.
bool argb(std::string_view text, uint8_t rgb[3]) {
    if (text.size() == 8) text.remove_prefix(2);
    Rgb v;
    if (!parse_hex_color(text, v)) return false;
    rgb[0] = v.r, rgb[1] = v.g, rgb[2] = v.b;
    return true;
}

int pattern_code(std::string_view name) {
    for (int code = 0; code <= 18; ++code)
        if (name == pattern_name(code)) return code;
    return 0;
}

int line_code(std::string_view name) {
    for (int code = 0; code < 32; ++code)
        if (const char *n = line_style_name(code); n && name == n) return code;
    return 0;
}

class StylesHandler : public XmlHandler {
public:
    explicit StylesHandler(Model &m) : m_(m) {}

    int start_element(const XmlElement &e) override {
        if (e.ns != XmlNs::MAIN) return 0;
        if (e.depth == 2) {
            section_ = e.local == "numFmts" ? NUMFMTS : e.local == "fonts" ? FONTS : e.local == "fills" ? FILLS
                       : e.local == "borders" ? BORDERS : e.local == "cellXfs" ? CELL_XFS : OTHER;
            return 0;
        }
        switch (section_) {
        case NUMFMTS:
            if (e.local == "numFmt") number_format(e);
            break;
        case FONTS:
            font(e);
            break;
        case FILLS:
            fill(e);
            break;
        case BORDERS:
            border(e);
            break;
        case CELL_XFS:
            // The file's first cell format is the book's default (style 0);
            // the registry holds the ones after it, so that s="N" is style N.
            if (e.depth == 3 && e.local == "xf") {
                if (xf_seen_++ > 0) xf(e);
            } else if (e.local == "alignment" && xf_seen_ > 1) {
                alignment(e, m_.xfs.back());
            }
            break;
        default:
            break;
        }
        return 0;
    }

    int end_element(const XmlElement &e) override {
        if (e.depth == 2) section_ = NONE;
        return 0;
    }

private:
    void number_format(const XmlElement &e) {
        NumFmt nf;
        nf.code = e.attr("formatCode");
        nf.key = static_cast<uint16_t>(format_key_of_code(nf.code));
        long long id = to_int(e.attr("numFmtId"), -1);
        if (id < 0 || id > 65535) return;
        nf.id = static_cast<uint16_t>(id);
        m_.numfmts.push_back(std::move(nf));
        format_index_[nf.id] = static_cast<int32_t>(m_.numfmts.size());
    }

    void font(const XmlElement &e) {
        if (e.depth == 3 && e.local == "font") {
            m_.fonts.emplace_back();
            Font &f = m_.fonts.back();
            f.code = FACE_OWN;
            f.color = 0;
            return;
        }
        if (m_.fonts.empty()) return;
        Font &f = m_.fonts.back();
        if (e.local == "b") f.style |= to_bool(e.attr("val", "1")) ? 2 : 0;
        else if (e.local == "i") f.style |= to_bool(e.attr("val", "1")) ? 1 : 0;
        else if (e.local == "u") f.style |= e.attr("val", "single") != "none" ? 4 : 0;
        else if (e.local == "sz") f.size = static_cast<uint16_t>(to_double(e.attr("val"), 11) + 0.5);
        else if (e.local == "name") f.face = e.attr("val");
        else if (e.local == "color" && argb(e.attr("rgb"), f.rgb)) f.color = COLOR_RGB;
    }

    void fill(const XmlElement &e) {
        if (e.depth == 3 && e.local == "fill") {
            m_.fills.emplace_back();
            return;
        }
        if (m_.fills.empty()) return;
        Fill &f = m_.fills.back();
        if (e.local == "patternFill") {
            f.pattern = pattern_code(e.attr("patternType", "none"));
        } else if (e.local == "gradientFill") {
            f.pattern = PATTERN_GRADIENT;
        } else if (e.local == "fgColor" && argb(e.attr("rgb"), f.rgb)) {
            f.color = COLOR_RGB;
        } else if (e.local == "bgColor" && argb(e.attr("rgb"), f.rgb2)) {
            f.color2 = COLOR_RGB;
        }
    }

    void border(const XmlElement &e) {
        if (e.depth == 3 && e.local == "border") {
            m_.borders.emplace_back();
            diag_up_ = to_bool(e.attr("diagonalUp"));
            diag_down_ = to_bool(e.attr("diagonalDown"));
            return;
        }
        if (m_.borders.empty() || e.depth != 4) return;
        Border &b = m_.borders.back();
        static constexpr std::string_view sides[] = {"left", "right", "top", "bottom"};
        for (int s = 0; s < 4; ++s)
            if (e.local == sides[s] || (s == 0 && e.local == "start") || (s == 1 && e.local == "end"))
                b.line[s] = static_cast<uint8_t>(line_code(e.attr("style")));
        if (e.local == "diagonal") {
            const uint8_t line = static_cast<uint8_t>(line_code(e.attr("style")));
            if (diag_up_) b.line[4] = line;
            if (diag_down_) b.line[5] = line;
        }
    }

    void xf(const XmlElement &e) {
        Xf x;
        const long long id = to_int(e.attr("numFmtId"), 0);
        if (auto it = format_index_.find(static_cast<uint16_t>(id)); it != format_index_.end()) {
            x.nf_mode = 1;
            x.numfmt = it->second;
        } else {
            x.numfmt = static_cast<int32_t>(id);
        }
        x.font = static_cast<int32_t>(to_int(e.attr("fontId"), 0));
        x.fill = static_cast<int32_t>(to_int(e.attr("fillId"), 0));
        const long long border = to_int(e.attr("borderId"), 0);
        x.border = border > 0 ? static_cast<int32_t>(border) : 0;   // 1-based past the first, empty border
        m_.xfs.push_back(x);
    }

    static void alignment(const XmlElement &e, Xf &x) {
        std::string_view h = e.attr("horizontal"), v = e.attr("vertical");
        // The registry knows left, centre and right, top, centre and bottom;
        // the general and other placements come nearest as left and bottom.
        int hc = h == "center" || h == "centerContinuous" ? 2 : h == "right" ? 3 : 1;
        int vc = v == "top" ? 1 : v == "center" ? 2 : 3;
        x.align = static_cast<uint8_t>(vc * 10 + hc);
        if (to_bool(e.attr("wrapText"))) x.text_ctl |= 2;
        if (to_bool(e.attr("shrinkToFit"))) x.text_ctl |= 4;
    }

    Model &m_;
    Section section_ = NONE;
    std::unordered_map<uint16_t, int32_t> format_index_;
    bool diag_up_ = false, diag_down_ = false;
    size_t xf_seen_ = 0;
};

} // namespace

int read_styles(Package &pkg, const std::string &part) {
    Model &m = pkg.book.model;
    // The tables of the file replace the ones a new book starts with.
    m.xfs.clear();
    m.fonts.clear();
    m.fills.clear();
    m.borders.clear();
    m.numfmts.clear();
    m.index.reset();
    m.xf_date = m.xf_datetime = m.xf_time = m.xf_elapsed = m.xf_currency = m.xf_percent = m.xf_hyperlink = 0;
    StylesHandler handler(m);
    if (int rc = read_xml_part(pkg, part, handler); rc != 0) return rc;
    // The registry's borders are 1-based with 0 meaning none: the file's
    // first border (the empty one) is not an entry of its own.
    if (!m.borders.empty()) m.borders.erase(m.borders.begin());
    SourcePackage &src = *m.source;
    src.fonts = static_cast<int32_t>(m.fonts.size());
    src.fills = static_cast<int32_t>(m.fills.size());
    src.borders = static_cast<int32_t>(m.borders.size());
    src.xfs = static_cast<int32_t>(m.xfs.size());
    src.numfmts = static_cast<int32_t>(m.numfmts.size());
    return rc::OK;
}

} // namespace vel::xlsxread
