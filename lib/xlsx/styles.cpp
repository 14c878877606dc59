// xl/styles.xml: number formats, fonts, fills, borders and cell formats of
// the style registry, numbered as the cells use them.
#include <cstdio>
#include <string>

#include "model/vocab.h"
#include "xlsx/package.h"

namespace vel {

namespace {

// Registry number-format kinds that are built in: no element, no id.
int builtin_format_id(int key) {
    switch (key) {
    case 100: case 200: case 300: return 0;
    case 404: return 46;
    default: return -1;
    }
}

void hex6(char *out, uint8_t r, uint8_t g, uint8_t b) { std::snprintf(out, 7, "%02x%02x%02x", r, g, b); }

// RGB of a colour code: -1 takes the stored triple, anything else the palette.
void color_hex(char *out, int32_t code, const uint8_t rgb[3]) {
    if (code == -1) return hex6(out, rgb[0], rgb[1], rgb[2]);
    Rgb v = color_value(code);
    hex6(out, v.r, v.g, v.b);
}

std::string decimals_text(int decimals) {
    std::string s = "0";
    if (decimals > 0) s += '.' + std::string(static_cast<size_t>(decimals), '0');
    return s;
}

// The format code of a registry entry (escaped as an attribute value).
std::string format_code(const NumFmt &f) {
    if (!f.code.empty()) return f.code; // a format read from a workbook stays as it was
    const std::string d = decimals_text(f.decimals);
    const std::string yen = "\"\\\"";
    switch (f.key) {
    case 101: return d + "_);\\(" + d + "\\)";
    case 102: return d + "_);[Red]\\(" + d + "\\)";
    case 103: return d + ";[Red]" + d;
    case 104: return d + "_ ;[Red]\\-" + d + "\\ ";
    case 105: return d + ";\"△ \"" + d;
    case 106: return d + ";\"▲ \"" + d;
    case 107: return "#,##" + d + "_ ";
    case 108: return "#,##" + d + "_);[Red]\\(#,##" + d + "\\)";
    case 201: return yen + "#,##" + d + ";" + yen + "\\-#,##" + d;
    case 202: return yen + "#,##" + d + ";[Red]" + yen + "\\-#,##" + d;
    case 203: return yen + "#,##" + d + ";[Red]" + yen + "#,##" + d;
    case 204: return yen + "#,##" + d + "_);\\(" + yen + "#,##" + d + "\\)";
    case 205: return yen + "#,##" + d + ";[Red]" + yen + ";#,##" + d;
    case 301: return "yyyy/m;@";
    case 302: return "yyyy/m/d;@";
    case 303: return "yyyy/m/d\\ h:mm;@";
    case 304: return "yyyy/m/d\\ h:mm\\ AM/PM;@";
    case 330: return "m\"月\"d\"日\";@";
    case 331: return "yyyy\"年\"m\"月\";@";
    case 332: return "yyyy\"年\"m\"月\"d\"日\";@";
    case 333: return "[$-411]ge\\.m\\.d;@";
    case 334: return "[$-411]ggge\"年\"m\"月\"d\"日\";@";
    case 400: case 402: return "h\"時\"mm\"分\";@";
    case 401: return "h:mm;@";
    case 403: return "h:mm\\ AM/PM;@";
    case 405: return "h\"時\"mm\"分\"ss\"秒\";@";
    case 406: return "h:mm:ss\\ AM/PM;@";
    case 407: return "mm:ss;@";
    case 500: case 501: return d + "%";
    case 510: return "[<=999]000;[<=9999]000\\-00;000\\-0000";
    case 511: return "\"△\"\\ #,##0;\"▲\"\\ #,##0";
    case 512: return "[DBNum1][$-411]General";
    case 513: return "[DBNum2][$-411]General";
    case 514: return "[DBNum3][$-411]0";
    case 515: return "[DBNum3][$-411]#,##0";
    default: return d;
    }
}

// <numFmts> with one <numFmt> per entry that is not built in.
void write_num_fmts(const SaveContext &ctx, XmlWriter &w) {
    const auto &fmts = ctx.model->numfmts;
    int count = 0;
    for (uint8_t k : ctx.numfmt_written) count += k;
    w.raw("<numFmts count=\"");
    w.num(count);
    w.raw("\">");
    for (size_t i = 0; i < fmts.size(); ++i) {
        if (!ctx.numfmt_written[i]) continue;
        w.raw("<numFmt numFmtId=\"");
        w.num(ctx.numfmt_ids[i]);
        w.raw("\" formatCode=\"");
        w.text(format_code(fmts[i]));
        w.raw("\"/>");
    }
    w.raw("</numFmts>");
}

// <font>
void write_font(XmlWriter &w, const Font &f) {
    w.raw("<font>");
    const bool link = (f.style & 8) != 0;
    if (f.style & 2) w.raw("<b/>");
    if (f.style & 1) w.raw("<i/>");
    if ((f.style & 4) || link) w.raw("<u/>");
    w.raw("<sz val=\"");
    w.num(f.size);
    w.raw("\"/>");
    if (f.color != 0) {
        char hex[8];
        color_hex(hex, f.color, f.rgb);
        w.raw("<color rgb=\"FF");
        w.raw(hex);
        w.raw("\"/>");
    } else if (link) {
        w.raw("<color theme=\"10\"/>");
    }
    w.raw("<name val=\"");
    w.text(!f.face.empty() ? std::string_view(f.face) : std::string_view(face_name(f.code)));
    w.raw("\"/><family val=\"3\"/><charset val=\"128\"/></font>");
}

// <fonts>; the fixed cell styles refer to font 2, so a registry with fewer
// than three fonts is completed with the default font.
void write_fonts(const SaveContext &ctx, XmlWriter &w) {
    const auto &fonts = ctx.model->fonts;
    size_t n = fonts.size() < 3 ? 3 : fonts.size();
    w.raw("<fonts count=\"");
    w.num(static_cast<int64_t>(n));
    w.raw("\">");
    for (size_t i = 0; i < n; ++i) write_font(w, i < fonts.size() ? fonts[i] : Font{});
    w.raw("</fonts>");
}

// Attribute text of a gradient by style and variant.
const char *gradient_attrs(int style, int variant) {
    switch (style) {
    case 1: return variant == 2 ? " degree=\"180\"" : "";
    case 2: return variant == 2 ? " degree=\"225\"" : " degree=\"45\"";
    case 3: return variant == 2 ? " degree=\"315\"" : " degree=\"135\"";
    case 4:
        switch (variant) {
        case 0: case 1: return " type=\"path\"";
        case 2: return " type=\"path\" left=\"1\" right=\"1\"";
        case 3: return " type=\"path\" top=\"1\" bottom=\"1\"";
        case 4: return " type=\"path\" left=\"1\" right=\"1\" top=\"1\" bottom=\"1\"";
        default: return " type=\"path\"";
        }
    case 5: return " type=\"path\" left=\"0.5\" right=\"0.5\" top=\"0.5\" bottom=\"0.5\"";
    default: return variant == 2 ? " degree=\"270\"" : " degree=\"90\"";
    }
}

// <fill>
void write_fill(XmlWriter &w, const Fill &f) {
    char a[8], b[8];
    if (f.pattern == PATTERN_GRADIENT) {
        color_hex(a, f.color, f.rgb);
        color_hex(b, f.color2, f.rgb2);
        auto stop = [&](const char *pos, const char *hex) {
            w.raw("<stop position=\"");
            w.raw(pos);
            w.raw("\"><color rgb=\"FF");
            w.raw(hex);
            w.raw("\" /></stop>");
        };
        w.raw("<fill><gradientFill");
        w.raw(gradient_attrs(f.grad_dir, f.grad_var));
        w.raw(">");
        stop("0", a);
        if (f.grad_var == 3) {
            stop("0.5", b);
            stop("1", a);
        } else {
            stop("1", b);
        }
        w.raw("</gradientFill></fill>");
        return;
    }
    w.raw("<fill><patternFill patternType=\"");
    w.raw(pattern_name(f.pattern));
    const bool fg = f.pattern_color != 0;
    const bool bg = f.color != 0;
    if (!fg && !bg) return w.raw("\"/></fill>");
    w.raw("\">");
    if (fg) {
        color_hex(a, f.pattern_color, f.rgb);
        w.raw("<fgColor rgb=\"FF");
        w.raw(a);
        w.raw("\" />");
    }
    if (bg) {
        color_hex(b, f.color, f.rgb);
        w.raw(fg ? "<bgColor rgb=\"FF" : "<fgColor rgb=\"FF");
        w.raw(b);
        w.raw(fg ? "\"/>" : "\"/><bgColor indexed=\"64\"/>");
    }
    w.raw("</patternFill></fill>");
}

void write_fills(const SaveContext &ctx, XmlWriter &w) {
    const auto &fills = ctx.model->fills;
    w.raw("<fills count=\"");
    w.num(static_cast<int64_t>(fills.size() < 2 ? 2 : fills.size()));
    w.raw("\">");
    // Every package carries the two fills cells without a fill use.
    if (fills.size() < 2) {
        w.raw("<fill><patternFill patternType=\"none\"/></fill>");
        w.raw("<fill><patternFill patternType=\"gray125\"/></fill>");
    } else {
        for (const Fill &f : fills) write_fill(w, f);
    }
    w.raw("</fills>");
}

// <border>
void write_border(XmlWriter &w, const Border &b) {
    const bool up = b.line[4] != 0, down = b.line[5] != 0;
    w.raw(up && down ? "<border diagonalUp=\"1\" diagonalDown=\"1\">"
          : up       ? "<border diagonalUp=\"1\">"
          : down     ? "<border diagonalDown=\"1\">"
                     : "<border>");
    std::string color;
    if (b.color == 0) {
        color = "<color auto=\"1\"/>";
    } else {
        char hex[8];
        color_hex(hex, b.color, b.rgb);
        color = std::string("<color rgb=\"FF") + hex + "\"/>";
    }
    static constexpr const char *sides[] = {"left", "right", "top", "bottom"};
    auto side = [&](const char *name, int code) {
        const char *style = line_style_name(code);
        if (!style) return;
        w.raw('<');
        w.raw(name);
        w.raw(" style=\"");
        w.raw(style);
        w.raw("\">");
        w.raw(color);
        w.raw("</");
        w.raw(name);
        w.raw('>');
    };
    for (int i = 0; i < 4; ++i)
        if (b.line[i]) side(sides[i], b.line[i]);
    int diag = up ? b.line[4] : b.line[5];
    if (diag && line_style_name(diag)) side("diagonal", diag);
    else w.raw("<diagonal/>");
    w.raw("</border>");
}

void write_borders(const SaveContext &ctx, XmlWriter &w) {
    const auto &borders = ctx.model->borders;
    w.raw("<borders count=\"");
    w.num(static_cast<int64_t>(borders.size() + 1));
    w.raw("\"><border><left/><right/><top/><bottom/><diagonal/></border>");
    for (const Border &b : borders) write_border(w, b);
    w.raw("</borders>");
}

// <alignment> of a position code and text-control bits.
void write_alignment(XmlWriter &w, int code, int ctl) {
    w.raw("<alignment");
    int v = code / 10, h = code % 10;
    if (code < 11 || code > 33 || h < 1 || h > 3) {
        w.raw(" vertical=\"top\"");
    } else {
        if (v == 1) w.raw(" vertical=\"top\"");
        else if (v == 2) w.raw(" vertical=\"center\"");
        w.raw(h == 1 ? " horizontal=\"left\"" : h == 2 ? " horizontal=\"center\"" : " horizontal=\"right\"");
    }
    if (ctl & 1) w.raw(" textRotation=\"255\"");
    if (ctl & 2) w.raw(" wrapText=\"1\"");
    if (ctl & 4) w.raw(" shrinkToFit=\"1\"");
    w.raw("/>");
}

// <xf> of a registry cell format.
void write_xf(const SaveContext &ctx, XmlWriter &w, const Xf &x) {
    int numfmt = x.numfmt;
    const char *numfmt_extra = "";
    if (x.nf_mode == 1 && x.numfmt > 0) {
        size_t i = static_cast<size_t>(x.numfmt - 1);
        numfmt = i < ctx.numfmt_ids.size() ? ctx.numfmt_ids[i] : 0;
        numfmt_extra = " applyNumberFormat=\"1\"";
    } else if (x.nf_mode == 2) {
        numfmt = 0;
        numfmt_extra = " quotePrefix=\"1\" applyAlignment=\"1\"";
    }
    w.raw("<xf numFmtId=\"");
    w.num(numfmt);
    w.raw("\" fontId=\"");
    w.num(x.font);
    w.raw("\" fillId=\"");
    w.num(x.fill);
    w.raw("\" borderId=\"");
    w.num(x.border);
    w.raw(x.border >= 1 ? "\" applyBorder=\"1\" xfId=\"" : "\" xfId=\"");
    w.num(x.cell_style);
    w.raw('"');
    if (x.fill >= 2) w.raw(" applyFill=\"1\"");
    w.raw(numfmt_extra);
    w.raw('>');
    write_alignment(w, x.align, x.text_ctl);
    w.raw("</xf>");
}

void write_cell_xfs(const SaveContext &ctx, XmlWriter &w) {
    const auto &xfs = ctx.model->xfs;
    w.raw("<cellXfs count=\"");
    w.num(static_cast<int64_t>(xfs.size() + 1));
    w.raw("\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"><alignment "
          "vertical=\"center\"/></xf>");
    for (const Xf &x : xfs) write_xf(ctx, w, x);
    w.raw("</cellXfs>");
}

} // namespace

void write_style_entry(XmlWriter &w, const Font &f) { write_font(w, f); }
void write_style_entry(XmlWriter &w, const Fill &f) { write_fill(w, f); }
void write_style_entry(XmlWriter &w, const Border &b) { write_border(w, b); }
void write_style_entry(const SaveContext &ctx, XmlWriter &w, const Xf &x) { write_xf(ctx, w, x); }
std::string number_format_code(const NumFmt &f) { return format_code(f); }
int builtin_number_format_id(int key) { return builtin_format_id(key); }

void assign_numfmt_ids(const Model &m, std::vector<int> &ids, std::vector<uint8_t> &written) {
    ids.assign(m.numfmts.size(), 0);
    written.assign(m.numfmts.size(), 0);
    int next = 176;
    for (size_t i = 0; i < m.numfmts.size(); ++i) {
        int builtin = builtin_format_id(m.numfmts[i].key);
        if (builtin >= 0) {
            ids[i] = builtin;
            continue;
        }
        while (next == 185 || next == 195 || next == 205) ++next;
        ids[i] = next++;
        written[i] = 1;
    }
}

void write_styles(const SaveContext &ctx, XmlWriter &w) {
    w.declaration();
    w.raw("<styleSheet xmlns=\"");
    w.raw(NS_MAIN);
    w.raw("\">");
    write_num_fmts(ctx, w);
    write_fonts(ctx, w);
    write_fills(ctx, w);
    write_borders(ctx, w);
    w.raw("<cellStyleXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"><alignment "
          "vertical=\"center\"/></xf><xf numFmtId=\"0\" fontId=\"2\" fillId=\"0\" borderId=\"0\"><alignment "
          "vertical=\"center\"/></xf></cellStyleXfs>");
    write_cell_xfs(ctx, w);
    w.raw("<cellStyles count=\"2\"><cellStyle name=\"ハイパーリンク\" xfId=\"1\" builtinId=\"8\"/>"
          "<cellStyle name=\"標準\" xfId=\"0\" builtinId=\"0\"/></cellStyles><dxfs count=\"0\"/>"
          "<tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium9\" "
          "defaultPivotStyle=\"PivotStyleLight16\"/></styleSheet>");
}

} // namespace vel
