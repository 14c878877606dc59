// xl/drawings/drawing%d.xml and its relationships: the anchors of a sheet's
// pictures, charts and shapes.
#include <cmath>
#include <cstdio>

#include "model/vocab.h"
#include "xlsx/package.h"

namespace vel {

namespace {

constexpr std::string_view NS_XDR = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing";
constexpr std::string_view NS_A = "http://schemas.openxmlformats.org/drawingml/2006/main";

void write_point(XmlWriter &w, const char *tag, const AnchorPoint &p) {
    w.raw("<xdr:");
    w.raw(tag);
    w.raw("><xdr:col>");
    w.num(p.col);
    w.raw("</xdr:col><xdr:colOff>");
    w.num(p.col_off);
    w.raw("</xdr:colOff><xdr:row>");
    w.num(p.row);
    w.raw("</xdr:row><xdr:rowOff>");
    w.num(p.row_off);
    w.raw("</xdr:rowOff></xdr:");
    w.raw(tag);
    w.raw('>');
}

void write_xfrm(XmlWriter &w, const char *ns, int64_t x, int64_t y, int64_t cx, int64_t cy) {
    w.raw('<');
    w.raw(ns);
    w.raw(":xfrm><a:off x=\"");
    w.num(x);
    w.raw("\" y=\"");
    w.num(y);
    w.raw("\"/><a:ext cx=\"");
    w.num(cx);
    w.raw("\" cy=\"");
    w.num(cy);
    w.raw("\"/></");
    w.raw(ns);
    w.raw(":xfrm>");
}

int64_t emu(double pixels) { return std::llround(pixels * EMU_PER_PIXEL); }

void srgb(XmlWriter &w, const ColorValue &c, double transparency = 0) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", c.r, c.g, c.b);
    w.raw("<a:srgbClr val=\"");
    w.raw(hex);
    if (transparency > 0) {
        w.raw("\"><a:alpha val=\"");
        w.num(std::lround((100 - transparency) * 1000));
        w.raw("\"/></a:srgbClr>");
    } else {
        w.raw("\"/>");
    }
}

constexpr ColorValue ACCENTS[6] = {{true, 0x4F, 0x81, 0xBD}, {true, 0xC0, 0x50, 0x4D}, {true, 0x9B, 0xBB, 0x59},
                                   {true, 0x80, 0x64, 0xA2}, {true, 0x4B, 0xAC, 0xC6}, {true, 0xF7, 0x96, 0x46}};
constexpr ColorValue SHAPE_LINE{true, 0x38, 0x5D, 0x8A};
constexpr ColorValue WHITE{true, 0xFF, 0xFF, 0xFF};
constexpr ColorValue BLACK{true, 0, 0, 0};

// ---- pictures -----------------------------------------------------------------

void write_picture(const Sheet &s, const Picture &p, int id, int number, int rid, int link_rid, XmlWriter &w) {
    const AnchorPoint from = anchor_at(s, p.at);
    const int64_t cx = emu(p.width * p.scale), cy = emu(p.height * p.scale);
    int64_t x, y;
    anchor_position(s, from, x, y);
    w.raw("<xdr:oneCellAnchor>");
    write_point(w, "from", from);
    w.raw("<xdr:ext cx=\"");
    w.num(cx);
    w.raw("\" cy=\"");
    w.num(cy);
    w.raw("\"/><xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"");
    w.num(id);
    w.raw("\" name=\"Picture ");
    w.num(number);
    if (link_rid) {
        w.raw("\"><a:hlinkClick xmlns:r=\"");
        w.raw(NS_REL);
        w.raw("\" r:id=\"rId");
        w.num(link_rid);
        w.raw("\"/></xdr:cNvPr>");
    } else {
        w.raw("\"/>");
    }
    w.raw("<xdr:cNvPicPr preferRelativeResize=\"0\"><a:picLocks/></xdr:cNvPicPr></xdr:nvPicPr><xdr:blipFill>"
          "<a:blip xmlns:r=\"");
    w.raw(NS_REL);
    w.raw("\" r:embed=\"rId");
    w.num(rid);
    w.raw("\" cstate=\"print\"/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill><xdr:spPr>");
    write_xfrm(w, "a", x, y, cx, cy);
    w.raw("<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:pic><xdr:clientData/></xdr:oneCellAnchor>");
}

// ---- charts -------------------------------------------------------------------

void write_chart_frame(const Sheet &s, const Chart &c, int id, int number, int rid, XmlWriter &w) {
    const AnchorPoint from = anchor_at(s, c.at);
    const AnchorPoint to = anchor_after(s, from, c.width, c.height);
    w.raw("<xdr:twoCellAnchor>");
    write_point(w, "from", from);
    write_point(w, "to", to);
    w.raw("<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"");
    w.num(id);
    w.raw('"');
    if (c.name.empty()) {
        w.raw(" name=\"Chart ");
        w.num(number);
        w.raw('"');
    } else {
        w.attr("name", c.name);
    }
    w.raw("/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr>");
    write_xfrm(w, "xdr", 0, 0, 0, 0);
    w.raw("<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
          "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:r=\"");
    w.raw(NS_REL);
    w.raw("\" r:id=\"rId");
    w.num(rid);
    w.raw("\"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor>");
}

// ---- shapes -------------------------------------------------------------------

const char *dash_of(int line_style) {
    switch (line_style) {
    case 4: return "sysDot";     // dotted
    case 11: case 21: return "dash";
    case 12: case 22: case 31: return "dashDot";
    case 13: case 23: return "lgDashDotDot";
    default: return "solid";
    }
}

double default_line_points(int line_style) {
    switch (line_style) {
    case 2: return 0.25;          // hair
    case 3: return 3;             // thick
    case 5: case 21: case 22: case 23: return 1.5; // medium
    case 6: return 3;             // double
    default: return 0.75;
    }
}

void write_arrow(XmlWriter &w, const char *tag, const ShapeArrow &a) {
    static const char *const heads[] = {"none", "arrow", "triangle", "diamond", "oval"};
    static const char *const sizes[] = {"sm", "sm", "med", "lg"};
    w.raw("<a:");
    w.raw(tag);
    w.raw(" type=\"");
    w.raw(heads[a.head >= 0 && a.head <= 4 ? a.head : 0]);
    w.raw("\" w=\"");
    w.raw(sizes[a.width >= 1 && a.width <= 3 ? a.width : 2]);
    w.raw("\" len=\"");
    w.raw(sizes[a.length >= 1 && a.length <= 3 ? a.length : 2]);
    w.raw("\"/>");
}

// Gradient direction codes to a linear angle or a path gradient.
void write_gradient(XmlWriter &w, const Shape &sp) {
    const ColorValue c1 = sp.gradient1.set ? sp.gradient1 : ACCENTS[0];
    const ColorValue c2 = sp.gradient2.set ? sp.gradient2 : WHITE;
    w.raw("<a:gradFill rotWithShape=\"1\"><a:gsLst><a:gs pos=\"0\">");
    srgb(w, c1, sp.fill_transparency);
    w.raw("</a:gs><a:gs pos=\"100000\">");
    srgb(w, c2, sp.fill_transparency);
    w.raw("</a:gs></a:gsLst>");
    switch (sp.gradient_dir) {
    case 5: w.raw("<a:path path=\"rect\"><a:fillToRect/></a:path>"); break;
    case 6: w.raw("<a:path path=\"circle\"><a:fillToRect l=\"50000\" t=\"50000\" r=\"50000\" b=\"50000\"/></a:path>"); break;
    default: {
        static const int angles[] = {5400000, 5400000, 0, 18900000, 2700000};
        const int d = sp.gradient_dir >= 1 && sp.gradient_dir <= 4 ? sp.gradient_dir : 1;
        w.raw("<a:lin ang=\"");
        w.num(angles[d]);
        w.raw("\" scaled=\"0\"/>");
    }
    }
    w.raw("</a:gradFill>");
}

const char *shadow_align(int code) {
    switch (code) {
    case 11: return "tl";
    case 12: return "t";
    case 13: return "tr";
    case 21: return "l";
    case 22: return "ctr";
    case 23: return "r";
    case 31: return "bl";
    case 32: return "b";
    case 33: return "br";
    default: return "tl";
    }
}

// The solid fill of a shape: its colour, its theme accent, else the first
// accent (a text box: white).
ColorValue fill_color_of(const Shape &sp) {
    return sp.fill_color.set ? sp.fill_color
           : sp.fill_accent  ? ACCENTS[sp.fill_accent - 1]
           : sp.text_box     ? WHITE
                             : ACCENTS[0];
}

void write_effects(XmlWriter &w, const Shape &sp) {
    const bool any = sp.effect == 1 || sp.shadow != 0 || sp.soft_edge > 0;
    if (!any) return;
    w.raw("<a:effectLst>");
    if (sp.effect == 1) {
        w.raw("<a:glow rad=\"101600\">");
        srgb(w, fill_color_of(sp), 60);
        w.raw("</a:glow>");
    }
    if (sp.shadow) {
        const ColorValue c = sp.shadow_color.set ? sp.shadow_color : BLACK;
        w.raw(sp.shadow == 2 ? "<a:innerShdw blurRad=\"" : "<a:outerShdw blurRad=\"");
        w.num(std::llround(sp.shadow_blur * 12700));
        w.raw("\" dist=\"");
        w.num(std::llround(sp.shadow_dist * 12700));
        w.raw("\" dir=\"");
        w.num(std::llround(sp.shadow_degree * 60000));
        if (sp.shadow == 2) {
            w.raw("\">");
        } else {
            w.raw("\" algn=\"");
            w.raw(shadow_align(sp.shadow_align));
            w.raw("\" rotWithShape=\"0\">");
        }
        srgb(w, c, sp.shadow_transparency);
        w.raw(sp.shadow == 2 ? "</a:innerShdw>" : "</a:outerShdw>");
    }
    if (sp.soft_edge > 0) {
        w.raw("<a:softEdge rad=\"");
        w.num(std::llround(sp.soft_edge * 12700));
        w.raw("\"/>");
    }
    w.raw("</a:effectLst>");
}

void write_text_body(XmlWriter &w, const Shape &sp) {
    static const char *const vertical[] = {"t", "t", "ctr", "b"};
    static const char *const horizontal[] = {"l", "l", "ctr", "r"};
    const int v = sp.text_align / 10, h = sp.text_align % 10;
    w.raw("<xdr:txBody><a:bodyPr vertOverflow=\"clip\" rtlCol=\"0\" anchor=\"");
    w.raw(vertical[v >= 1 && v <= 3 ? v : 2]);
    w.raw("\"/><a:lstStyle/>");
    const char *algn = horizontal[h >= 1 && h <= 3 ? h : 2];
    std::string_view text = sp.text;
    const ColorValue color = sp.font_color.set ? sp.font_color : (sp.text_box ? BLACK : WHITE);
    // One paragraph per line of the text.
    size_t start = 0;
    do {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        w.raw("<a:p><a:pPr algn=\"");
        w.raw(algn);
        w.raw("\"/>");
        auto run_props = [&](const char *tag) {
            w.raw("<a:");
            w.raw(tag);
            w.raw(" lang=\"ja-JP\" altLang=\"en-US\" sz=\"");
            w.num(std::lround((sp.font_size > 0 ? sp.font_size : 11) * 100));
            w.raw('"');
            if (sp.font_style & 2) w.raw(" b=\"1\"");
            if (sp.font_style & 1) w.raw(" i=\"1\"");
            if (sp.font_style & 4) w.raw(" u=\"sng\"");
            w.raw("><a:solidFill>");
            srgb(w, color);
            w.raw("</a:solidFill>");
            if (!sp.font_name.empty()) {
                w.raw("<a:latin");
                w.attr("typeface", sp.font_name);
                w.raw("/><a:ea");
                w.attr("typeface", sp.font_name);
                w.raw("/>");
            }
            w.raw("</a:");
            w.raw(tag);
            w.raw('>');
        };
        if (!line.empty()) {
            w.raw("<a:r>");
            run_props("rPr");
            w.raw("<a:t>");
            w.text(line);
            w.raw("</a:t></a:r>");
        }
        run_props("endParaRPr");
        w.raw("</a:p>");
        start = end == std::string_view::npos ? std::string_view::npos : end + 1;
    } while (start != std::string_view::npos);
    w.raw("</xdr:txBody>");
}

void write_shape(const Sheet &s, const Shape &sp, int id, int number, XmlWriter &w) {
    const AnchorPoint from = anchor_at(s, sp.at);
    const double width = sp.width > 0 ? sp.width : (sp.preset == "line" ? 150 : 144);
    const double height = sp.height > 0 ? sp.height : (sp.preset == "line" ? 0 : 96);
    AnchorPoint a = from, b = from;
    bool flip_h = false, flip_v = false;
    int64_t x0, y0, x1, y1;
    if (sp.has_end) {
        b = anchor_at(s, sp.end);
        anchor_position(s, a, x0, y0);
        anchor_position(s, b, x1, y1);
        // The frame runs from the smaller to the larger corner; a line drawn
        // up or to the left is flipped.
        if (x1 < x0) {
            flip_h = true;
            std::swap(x0, x1);
            std::swap(a.col, b.col);
            std::swap(a.col_off, b.col_off);
        }
        if (y1 < y0) {
            flip_v = true;
            std::swap(y0, y1);
            std::swap(a.row, b.row);
            std::swap(a.row_off, b.row_off);
        }
        w.raw("<xdr:twoCellAnchor>");
        write_point(w, "from", a);
        write_point(w, "to", b);
    } else {
        anchor_position(s, a, x0, y0);
        x1 = x0 + emu(width);
        y1 = y0 + emu(height);
        w.raw("<xdr:oneCellAnchor>");
        write_point(w, "from", a);
        w.raw("<xdr:ext cx=\"");
        w.num(x1 - x0);
        w.raw("\" cy=\"");
        w.num(y1 - y0);
        w.raw("\"/>");
    }
    w.raw("<xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr><xdr:cNvPr id=\"");
    w.num(id);
    w.raw(sp.text_box ? "\" name=\"TextBox " : "\" name=\"AutoShape ");
    w.num(number);
    w.raw(sp.text_box ? "\"/><xdr:cNvSpPr txBox=\"1\"/></xdr:nvSpPr><xdr:spPr><a:xfrm" : "\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr><a:xfrm");
    if (sp.rotation != 0) {
        long rot = std::lround(std::fmod(std::fmod(sp.rotation, 360.0) + 360.0, 360.0) * 60000);
        w.raw(" rot=\"");
        w.num(rot % 21600000);
        w.raw('"');
    }
    if (flip_h) w.raw(" flipH=\"1\"");
    if (flip_v) w.raw(" flipV=\"1\"");
    w.raw("><a:off x=\"");
    w.num(x0);
    w.raw("\" y=\"");
    w.num(y0);
    w.raw("\"/><a:ext cx=\"");
    w.num(x1 - x0);
    w.raw("\" cy=\"");
    w.num(y1 - y0);
    w.raw("\"/></a:xfrm><a:prstGeom prst=\"");
    w.raw(sp.preset);
    w.raw("\"><a:avLst>");
    for (int i = 0; i < 2; ++i) {
        if (!sp.adjust_set[i]) continue;
        w.raw(i == 0 ? "<a:gd name=\"adj1\" fmla=\"val " : "<a:gd name=\"adj2\" fmla=\"val ");
        w.num(std::lround(sp.adjust[i] * 1000));
        w.raw("\" />");
    }
    w.raw("</a:avLst></a:prstGeom>");
    // Fill: none for lines; otherwise the chosen fill, else the theme's
    // first accent (a text box: white).
    const bool line_shape = sp.preset == "line";
    if (line_shape || sp.fill == SHAPE_FILL_NONE) {
        w.raw("<a:noFill/>");
    } else if (sp.fill == SHAPE_FILL_GRADIENT) {
        write_gradient(w, sp);
    } else {
        w.raw("<a:solidFill>");
        srgb(w, fill_color_of(sp), sp.fill_transparency);
        w.raw("</a:solidFill>");
    }
    // Line.
    const double points = sp.line_width >= 0 ? sp.line_width : (sp.text_box ? 0.75 : line_shape ? 1.5 : default_line_points(sp.line_style));
    w.raw("<a:ln w=\"");
    w.num(std::llround(points * 12700));
    w.raw(sp.line_style == 6 ? "\" cmpd=\"dbl\">" : "\">");
    if (sp.no_line) {
        w.raw("<a:noFill/>");
    } else {
        w.raw("<a:solidFill>");
        const ColorValue c = sp.line_color.set ? sp.line_color : sp.text_box ? ColorValue{true, 0xBF, 0xBF, 0xBF}
                                                                             : SHAPE_LINE;
        srgb(w, c, sp.line_transparency);
        w.raw("</a:solidFill><a:prstDash val=\"");
        w.raw(dash_of(sp.line_style));
        w.raw("\"/>");
    }
    if (sp.head.head) write_arrow(w, "headEnd", sp.head);
    if (sp.tail.head) write_arrow(w, "tailEnd", sp.tail);
    w.raw("</a:ln>");
    write_effects(w, sp);
    if (sp.effect == 2)
        w.raw("<a:scene3d><a:camera prst=\"orthographicFront\"/><a:lightRig rig=\"threePt\" dir=\"t\"/></a:scene3d>"
              "<a:sp3d><a:bevelT w=\"63500\" h=\"25400\"/></a:sp3d>");
    w.raw("</xdr:spPr>");
    if (!sp.text_box)
        w.raw("<xdr:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\"><a:shade val=\"50000\"/></a:schemeClr>"
              "</a:lnRef><a:fillRef idx=\"1\"><a:schemeClr val=\"accent1\"/></a:fillRef><a:effectRef idx=\"0\">"
              "<a:schemeClr val=\"accent1\"/></a:effectRef><a:fontRef idx=\"minor\"><a:schemeClr val=\"lt1\"/>"
              "</a:fontRef></xdr:style>");
    if (!line_shape) write_text_body(w, sp);
    w.raw(sp.has_end ? "</xdr:sp><xdr:clientData/></xdr:twoCellAnchor>" : "</xdr:sp><xdr:clientData/></xdr:oneCellAnchor>");
}

} // namespace

// Relationship ids of a drawing: the pictures' images first, then their
// links, then the charts, in anchor order.
void write_drawing(const SaveContext &ctx, size_t index, XmlWriter &w) {
    const Sheet &s = *ctx.sheets[index];
    w.declaration();
    w.raw("<xdr:wsDr xmlns:xdr=\"");
    w.raw(NS_XDR);
    w.raw("\" xmlns:a=\"");
    w.raw(NS_A);
    w.raw("\">");
    int id = 1, rid = 0;
    for (size_t i = 0; i < s.pictures.size(); ++i) {
        const Picture &p = s.pictures[i];
        const int image_rid = ++rid;
        const int link_rid = p.link.empty() ? 0 : ++rid;
        write_picture(s, p, ++id, static_cast<int>(i + 1), image_rid, link_rid, w);
    }
    for (size_t i = 0; i < s.charts.size(); ++i)
        write_chart_frame(s, s.charts[i], ++id, static_cast<int>(i + 1), ++rid, w);
    for (size_t i = 0; i < s.shapes.size(); ++i) write_shape(s, s.shapes[i], ++id, static_cast<int>(i + 1), w);
    w.raw("</xdr:wsDr>");
}

} // namespace vel
