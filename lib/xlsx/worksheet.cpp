// xl/worksheets/sheet%d.xml: one worksheet, its elements in schema order.
// The cells themselves are written by worksheet_cells.cpp.
#include <cstdio>
#include <string>

#include "model/vocab.h"
#include "xlsx/package.h"
#include "xml/fragment.h"

namespace vel {

namespace {

// <sheetPr>: code name of a macro-enabled book, tab colour.
void write_sheet_pr(const SaveContext &ctx, const Sheet &s, size_t index, XmlWriter &w) {
    std::string child;
    if (s.tab_color != 0) {
        char hex[16];
        Rgb v = s.tab_color == -1 ? Rgb{s.tab_rgb[0], s.tab_rgb[1], s.tab_rgb[2]} : color_value(s.tab_color);
        std::snprintf(hex, sizeof hex, "FF%02x%02x%02x", v.r, v.g, v.b);
        child = std::string("<tabColor rgb=\"") + hex + "\"/>";
    }
    if (ctx.macro) {
        w.raw("<sheetPr codeName=\"Sheet");
        w.num(static_cast<int64_t>(index + 1));
        if (child.empty()) return w.raw("\" />");
        w.raw("\">");
    } else {
        if (child.empty()) return;
        w.raw("<sheetPr>");
    }
    w.raw(child);
    w.raw("</sheetPr>");
}

// <dimension>: the used area, from A1 to the last written row and the
// widest row.
void write_dimension(const Sheet &s, XmlWriter &w) {
    int last_row = -1, last_col = 0;
    for (size_t r = 0; r < s.rows.size(); ++r) {
        int used = s.rows[r].used;
        if (used <= 0) continue;
        last_row = static_cast<int>(r);
        if (used > last_col) last_col = used;
    }
    w.raw("<dimension ref=\"A1:");
    w.raw(last_row < 0 ? std::string("A1") : cell_ref(last_row, last_col - 1));
    w.raw("\"/>");
}

// <sheetViews>: tab selection, zoom, grid lines, frozen pane or selection.
void write_sheet_views(const Sheet &s, size_t index, XmlWriter &w) {
    int zoom = s.zoom < 10 ? 10 : s.zoom > 400 ? 400 : s.zoom;
    w.raw("<sheetViews><sheetView tabSelected=\"");
    w.num(index == 0 ? 1 : 0);
    w.raw("\" zoomScale=\"");
    w.num(zoom);
    w.raw("\" workbookViewId=\"0\" showGridLines=\"");
    w.num(s.sw_hidden_grid == VXLS_ON ? 0 : 1);
    w.raw(s.sw_hidden_header == VXLS_ON ? "\" showRowColHeaders=\"0\">" : "\">");
    if (s.frozen & 2)
        w.raw("<pane xSplit=\"1\" topLeftCell=\"B1\" activePane=\"topRight\" state=\"frozen\"/>"
              "<selection pane=\"topRight\"/>");
    else if (s.frozen & 1)
        w.raw("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
              "<selection pane=\"bottomLeft\"/>");
    else
        w.raw("<selection activeCell=\"A1\" sqref=\"A1\" />");
    w.raw("</sheetView></sheetViews>");
}

// <cols>: one <col> per column up to the last one with a width.
void write_cols(const Sheet &s, XmlWriter &w) {
    if (s.sw_widths != VXLS_ON || s.used_cols <= 0) return;
    w.raw("<cols>");
    for (int i = 1; i <= s.used_cols; ++i) {
        double width = static_cast<size_t>(i - 1) < s.widths.size() ? s.widths[i - 1] : 0.0;
        if (width == 0) width = 8.38;
        else if (width < 0) width = 0;
        w.raw("<col min=\"");
        w.num(i);
        w.raw("\" max=\"");
        w.num(i);
        w.raw("\" width=\"");
        w.fixed(width, 3);
        w.raw("\" bestFit=\"1\" customWidth=\"1\"/>");
    }
    w.raw("</cols>");
}

// <sheetProtection> with the legacy password hash.
void write_sheet_protection(const Sheet &s, XmlWriter &w) {
    w.raw("<sheetProtection sheet=\"1\" formatCells=\"0\" formatColumns=\"0\" formatRows=\"0\" "
          "insertColumns=\"0\" insertRows=\"0\" insertHyperlinks=\"0\" deleteColumns=\"0\" deleteRows=\"0\" "
          "sort=\"0\" autoFilter=\"0\" pivotTables=\"0\"");
    if (!s.password.empty()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x", legacy_password_hash(s.password));
        w.raw(" password=\"");
        w.raw(hex);
        w.raw('"');
    }
    w.raw("/>");
}

// <autoFilter ref="A1:C9" />
void write_auto_filter(const Sheet &s, XmlWriter &w) {
    w.raw("<autoFilter ref=\"");
    w.raw(cell_ref(s.filter.r1, s.filter.c1));
    w.raw(':');
    w.raw(cell_ref(s.filter.r2, s.filter.c2));
    w.raw("\" />");
}

// <mergeCells>
void write_merge_cells(const Sheet &s, XmlWriter &w) {
    w.raw("<mergeCells count=\"");
    w.num(static_cast<int64_t>(s.merges.size()));
    w.raw("\">");
    for (const Range &m : s.merges) {
        w.raw("<mergeCell ref=\"");
        w.raw(cell_ref(m.r1, m.c1));
        w.raw(':');
        w.raw(cell_ref(m.r2, m.c2));
        w.raw("\"/>");
    }
    w.raw("</mergeCells>");
}

// <hyperlinks>: internal links by location, external ones by relationship.
void write_hyperlinks(const Sheet &s, XmlWriter &w) {
    w.raw("<hyperlinks>");
    int rel = 0;
    for (const Hyperlink &l : s.links) {
        w.raw("<hyperlink ref=\"");
        w.raw(cell_ref(l.row, l.col));
        if (!l.target.empty()) {
            w.raw("\" r:id=\"rId");
            w.num(++rel);
            w.raw("\"/>");
            continue;
        }
        std::string_view loc = l.location;
        size_t bang = loc.rfind('!');
        std::string_view sheet = bang == std::string_view::npos ? std::string_view() : loc.substr(0, bang);
        std::string_view cell = bang == std::string_view::npos ? loc : loc.substr(bang + 1);
        if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'')
            sheet = sheet.substr(1, sheet.size() - 2);
        std::string location;
        if (!sheet.empty()) location = "'" + std::string(sheet) + "'!";
        location += cell;
        w.raw('"');
        w.attr("location", location);
        w.attr("display", l.display.empty() ? sheet : std::string_view(l.display));
        w.raw("/>");
    }
    w.raw("</hyperlinks>");
}

// <pageMargins>: centimetres to inches.
void write_page_margins(const Sheet &s, XmlWriter &w) {
    const double *m = s.page.margin; // top, bottom, left, right, header, footer
    static constexpr struct {
        const char *name;
        int at;
    } order[] = {{"left", 2}, {"right", 3}, {"top", 0}, {"bottom", 1}, {"header", 4}, {"footer", 5}};
    w.raw("<pageMargins");
    for (const auto &o : order) {
        w.raw(' ');
        w.raw(o.name);
        w.raw("=\"");
        w.fixed(m[o.at] * 0.3937, 6);
        w.raw('"');
    }
    w.raw(" />");
}

// <pageSetup> referring to the printer settings.
void write_page_setup(const Sheet &s, XmlWriter &w) {
    int scale = s.page.scale < 10 ? 10 : s.page.scale > 400 ? 400 : s.page.scale;
    w.raw("<pageSetup paperSize=\"");
    w.num(paper_size_attr(s.page.paper));
    w.raw("\" scale=\"");
    w.num(scale);
    w.raw(s.page.orientation == 1 ? "\" orientation=\"landscape\" verticalDpi=\""
                                  : "\" orientation=\"portrait\" verticalDpi=\"");
    w.num(s.page.dpi > 0 ? s.page.dpi : 200);
    w.raw("\" r:id=\"rId");
    w.num(external_link_count(s) + 1);
    w.raw("\"/>");
}

// One header/footer section: "&L", "&C" or "&R", the font code (underline,
// face and style, size, colour; the book's defaults where the section sets
// none) and the text.
std::string hf_section(const char *tag, const HeaderFooterPart &p) {
    static constexpr const char *names[] = {"標準", "斜体", "太字", "太字 斜体"};
    const int style = p.font_style < 0 ? 0 : p.font_style;
    std::string out = tag;
    if (style & 4) out += "&U";
    out += "&\"";
    out += p.font_name.empty() ? "ＭＳ Ｐゴシック" : p.font_name;
    out += ',';
    out += names[style & 3];
    out += "\"&";
    out += std::to_string(p.font_size > 0 ? p.font_size : 11);
    Rgb v{0, 0, 0};
    if (p.color_set) v = p.color == -1 ? Rgb{p.rgb[0], p.rgb[1], p.rgb[2]} : color_value(p.color);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x", v.r, v.g, v.b);
    out += "&K";
    out += hex;
    out += p.text;
    return out;
}

// The header or footer text; empty when no section has text.
std::string hf_text(const HeaderFooterPart (&parts)[3]) {
    if (parts[0].text.empty() && parts[1].text.empty() && parts[2].text.empty()) return {};
    return hf_section("&L", parts[0]) + hf_section("&C", parts[1]) + hf_section("&R", parts[2]);
}

// <headerFooter>
void write_header_footer(const std::string &header, const std::string &footer, XmlWriter &w) {
    w.raw("<headerFooter alignWithMargins=\"0\">");
    if (!header.empty()) w.element("oddHeader", header);
    if (!footer.empty()) w.element("oddFooter", footer);
    w.raw("</headerFooter>");
}

// <rowBreaks>
void write_row_breaks(const Sheet &s, XmlWriter &w) {
    w.raw("<rowBreaks count=\"");
    w.num(static_cast<int64_t>(s.row_breaks.size()));
    w.raw("\" manualBreakCount=\"");
    w.num(static_cast<int64_t>(s.row_breaks.size()));
    w.raw("\">");
    for (int32_t r : s.row_breaks) {
        w.raw("<brk id=\"");
        w.num(r + 1);
        w.raw("\" max=\"16383\" man=\"1\" />");
    }
    w.raw("</rowBreaks>");
}

} // namespace

int paper_size_attr(int paper_code) {
    switch (paper_code) {
    case 0: return 4401;
    case 1: return 4403;
    case 2: return 66;
    case 3: return 8;
    case 5: return 11;
    case 11: return 4410;
    case 12: return 4412;
    case 13: return 4414;
    case 14: return 12;
    case 15: return 13;
    default: return 9;
    }
}

namespace {

// Elements a worksheet may hold after <mergeCells>, in schema order.
bool after_merge_cells(std::string_view local) {
    static constexpr std::string_view later[] = {
        "phoneticPr", "conditionalFormatting", "dataValidations", "hyperlinks", "printOptions", "pageMargins",
        "pageSetup", "headerFooter", "rowBreaks", "colBreaks", "customProperties", "cellWatches", "ignoredErrors",
        "smartTags", "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture", "oleObjects",
        "controls", "webPublishItems", "tableParts", "extLst"};
    for (std::string_view l : later)
        if (local == l) return true;
    return false;
}

// Elements of a kept tail that refer to the sheet's own relationships: a
// copy of the sheet has none, so they are left out of it.
bool refers_to_relationships(std::string_view local) {
    static constexpr std::string_view named[] = {"hyperlinks", "drawing", "legacyDrawing", "legacyDrawingHF",
                                                 "drawingHF", "picture", "oleObjects", "controls", "tableParts"};
    for (std::string_view n : named)
        if (local == n) return true;
    return false;
}

// The kept tail with the sheet's merged ranges written anew (in place of
// the kept ones, or where they belong); for a copied sheet without the
// elements that need relationships.
void write_kept_tail(const Sheet &s, bool copy, XmlWriter &w) {
    const std::string &tail = s.kept->tail;
    const std::vector<FragmentElement> parts = fragment_elements(tail);
    bool merged = s.merges.empty();
    size_t at = 0;
    for (const FragmentElement &e : parts) {
        const bool old_merges = e.local == "mergeCells";
        if (!merged && (old_merges || after_merge_cells(e.local))) {
            w.raw(std::string_view(tail).substr(at, e.begin - at));
            write_merge_cells(s, w);
            merged = true;
            at = e.begin;
        }
        if (old_merges || (copy && refers_to_relationships(e.local))) {
            w.raw(std::string_view(tail).substr(at, e.begin - at));
            at = e.end;
            continue;
        }
        if (copy && e.local == "pageSetup") {
            // Its printer settings stay with the original sheet.
            std::string tag(tail, e.begin, e.end - e.begin);
            size_t vb, ve;
            for (const char *id : {"r:id", "relationships:id"})
                if (tag_attribute(tag, id, vb, ve)) {
                    size_t from = tag.rfind(' ', vb);
                    tag.erase(from, ve + 1 - from);
                }
            w.raw(std::string_view(tail).substr(at, e.begin - at));
            w.raw(tag);
            at = e.end;
        }
    }
    w.raw(std::string_view(tail).substr(at));
    if (!merged) write_merge_cells(s, w);
}

// A sheet read from a package: its kept start tag, properties, views,
// format and column texts and its kept tail around cells written anew.
void write_kept_worksheet(const SaveContext &ctx, const Sheet &s, XmlWriter &w) {
    const KeptSheet &k = *s.kept;
    const bool copy = s.copied_from >= 0;
    w.declaration();
    std::string_view root = "worksheet";
    if (k.start_tag.empty()) {
        w.raw("<worksheet xmlns=\"");
        w.raw(NS_MAIN);
        w.raw("\" xmlns:r=\"");
        w.raw(NS_REL);
        w.raw("\">");
    } else {
        std::string start = k.start_tag;
        size_t vb, ve;
        // Cells are written without a prefix: the main namespace must be
        // the default one.
        if (!tag_attribute(start, "xmlns", vb, ve)) set_tag_attribute(start, 0, "xmlns", NS_MAIN);
        w.raw(start);
        size_t n = 1;
        while (n < k.start_tag.size() && k.start_tag[n] != ' ' && k.start_tag[n] != '>' && k.start_tag[n] != '/' &&
               k.start_tag[n] != '\r' && k.start_tag[n] != '\n' && k.start_tag[n] != '\t')
            ++n;
        root = std::string_view(k.start_tag).substr(1, n - 1);
    }
    w.raw(k.sheet_pr);
    write_dimension(s, w);
    if (k.views.empty()) {
        write_sheet_views(s, copy ? 1 : 0, w);
    } else if (copy) {
        // A copy is not selected beside its original.
        std::string views = k.views;
        for (size_t at; (at = views.find("tabSelected=\"1\"")) != std::string::npos;) views.replace(at, 15, "tabSelected=\"0\"");
        w.raw(views);
    } else {
        w.raw(k.views);
    }
    if (k.format_pr.empty()) w.raw("<sheetFormatPr defaultRowHeight=\"13.5\"/>");
    else w.raw(k.format_pr);
    if (s.cols_changed || k.cols.empty()) write_cols(s, w);
    else w.raw(k.cols);
    write_sheet_data(ctx, s, w);
    write_kept_tail(s, copy, w);
    w.raw("</");
    w.raw(root);
    w.raw(">");
}

} // namespace

void write_worksheet(const SaveContext &ctx, size_t index, XmlWriter &w) {
    const Sheet &s = *ctx.sheets[index];
    if (ctx.update && s.kept) return write_kept_worksheet(ctx, s, w);
    w.declaration();
    w.raw("<worksheet xmlns=\"");
    w.raw(NS_MAIN);
    w.raw("\" xmlns:r=\"");
    w.raw(NS_REL);
    w.raw("\">");
    write_sheet_pr(ctx, s, index, w);
    write_dimension(s, w);
    write_sheet_views(s, index, w);
    w.raw("<sheetFormatPr defaultRowHeight=\"13.5\"/>");
    write_cols(s, w);
    write_sheet_data(ctx, s, w);
    if (s.sw_protected == VXLS_ON) write_sheet_protection(s, w);
    if (s.filter.r1 >= 0 && s.filter.c1 >= 0 && s.filter.r2 >= 0 && s.filter.c2 >= 0) write_auto_filter(s, w);
    if (!s.merges.empty()) write_merge_cells(s, w);
    if (!s.links.empty()) write_hyperlinks(s, w);
    write_page_margins(s, w);
    write_page_setup(s, w);
    const std::string header = hf_text(s.header), footer = hf_text(s.footer);
    if (!header.empty() || !footer.empty()) write_header_footer(header, footer, w);
    if (!s.row_breaks.empty()) write_row_breaks(s, w);
    const SheetObjects o = index < ctx.objects.size() ? ctx.objects[index] : SheetObjects{};
    if (o.drawing) {
        w.raw("<drawing r:id=\"rId");
        w.num(o.rid_drawing);
        w.raw("\"/>");
    }
    if (o.comments) {
        w.raw("<legacyDrawing r:id=\"rId");
        w.num(o.rid_vml);
        w.raw("\"/>");
    }
    if (o.background) {
        w.raw("<picture r:id=\"rId");
        w.num(o.rid_background);
        w.raw("\" />");
    }
    if (!s.tables.empty()) {
        w.raw("<tableParts count=\"");
        w.num(static_cast<int64_t>(s.tables.size()));
        w.raw("\">");
        for (size_t t = 0; t < s.tables.size(); ++t) {
            w.raw("<tablePart r:id=\"rId");
            w.num(o.rid_first_table + static_cast<int>(t));
            w.raw("\" />");
        }
        w.raw("</tableParts>");
    }
    if (!s.sparklines.empty()) write_sparklines(s, w);
    w.raw("</worksheet>");
}

} // namespace vel
