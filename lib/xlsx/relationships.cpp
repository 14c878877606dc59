// The relationship parts: _rels/.rels, xl/_rels/workbook.xml.rels,
// xl/worksheets/_rels/sheet%d.xml.rels and xl/drawings/_rels/drawing%d.xml.rels.
#include "io/picture.h"
#include "xlsx/package.h"

namespace vel {

namespace {

constexpr std::string_view REL_DOC = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

void write_relationships_start(XmlWriter &w) {
    w.declaration();
    w.raw("<Relationships xmlns=\"");
    w.raw(NS_PKG_REL);
    w.raw("\">");
}

// <Relationship Id="rId%d" Type="..." Target="..."/>
void write_relationship(XmlWriter &w, int id, std::string_view type, std::string_view target,
                        bool external = false) {
    w.raw("<Relationship Id=\"rId");
    w.num(id);
    w.raw("\" Type=\"");
    w.raw(type);
    w.raw("\" Target=\"");
    w.text(target);
    w.raw(external ? "\" TargetMode=\"External\"/>" : "\"/>");
}

std::string doc_rel(std::string_view kind) { return std::string(REL_DOC) + std::string(kind); }

} // namespace

void write_package_rels(const SaveContext &ctx, XmlWriter &w) {
    write_relationships_start(w);
    if (ctx.final_book) write_relationship(w, ctx.thumbnail ? 5 : 4, doc_rel("custom-properties"), "docProps/custom.xml");
    if (ctx.thumbnail)
        write_relationship(w, 4, "http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail",
                           std::string("docProps/thumbnail.") + picture_extension(ctx.thumbnail_kind));
    write_relationship(w, 3, doc_rel("extended-properties"), "docProps/app.xml");
    write_relationship(w, 2, "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
                       "docProps/core.xml");
    write_relationship(w, 1, doc_rel("officeDocument"), "xl/workbook.xml");
    w.raw("</Relationships>");
}

void write_workbook_rels(const SaveContext &ctx, XmlWriter &w) {
    write_relationships_start(w);
    const int n = static_cast<int>(ctx.sheets.size());
    const std::string worksheet = doc_rel("worksheet");
    for (int i = n; i >= 1; --i)
        write_relationship(w, i, worksheet, "worksheets/sheet" + std::to_string(i) + ".xml");
    if (ctx.macro)
        write_relationship(w, 8000, "http://schemas.microsoft.com/office/2006/relationships/vbaProject",
                           "vbaProject.bin");
    write_relationship(w, n + 3, doc_rel("sharedStrings"), "sharedStrings.xml");
    write_relationship(w, n + 2, doc_rel("styles"), "styles.xml");
    write_relationship(w, n + 1, doc_rel("theme"), "theme/theme1.xml");
    w.raw("</Relationships>");
}

int external_link_count(const Sheet &sheet) {
    int n = 0;
    for (const Hyperlink &l : sheet.links)
        if (!l.target.empty()) ++n;
    return n;
}

void write_sheet_rels(const SaveContext &ctx, size_t index, XmlWriter &w) {
    const Sheet &sheet = *ctx.sheets[index];
    const SheetObjects o = index < ctx.objects.size() ? ctx.objects[index] : SheetObjects{};
    write_relationships_start(w);
    int id = 0;
    const std::string hyperlink = doc_rel("hyperlink");
    for (const Hyperlink &l : sheet.links)
        if (!l.target.empty()) write_relationship(w, ++id, hyperlink, l.target, true);
    write_relationship(w, ++id, doc_rel("printerSettings"),
                       "../printerSettings/printerSettings" + std::to_string(index + 1) + ".bin");
    if (o.background)
        write_relationship(w, o.rid_background, doc_rel("image"),
                           "../media/image" + std::to_string(o.background) + "." + picture_extension(sheet.background.kind));
    if (o.drawing)
        write_relationship(w, o.rid_drawing, doc_rel("drawing"), "../drawings/drawing" + std::to_string(o.drawing) + ".xml");
    if (o.comments) {
        write_relationship(w, o.rid_comments, doc_rel("comments"), "../comments" + std::to_string(o.comments) + ".xml");
        write_relationship(w, o.rid_vml, doc_rel("vmlDrawing"),
                           "../drawings/vmlDrawing" + std::to_string(o.comments) + ".vml");
    }
    for (size_t t = 0; t < sheet.tables.size(); ++t)
        write_relationship(w, o.rid_first_table + static_cast<int>(t), doc_rel("table"),
                           "../tables/table" + std::to_string(o.first_table + static_cast<int>(t)) + ".xml");
    w.raw("</Relationships>");
}

// The images of the pictures (and their links), then the charts, in the
// order the drawing refers to them.
void write_drawing_rels(const SaveContext &ctx, size_t index, XmlWriter &w) {
    const Sheet &sheet = *ctx.sheets[index];
    const SheetObjects &o = ctx.objects[index];
    write_relationships_start(w);
    int id = 0;
    for (size_t i = 0; i < sheet.pictures.size(); ++i) {
        const Picture &p = sheet.pictures[i];
        const int media = o.first_picture + static_cast<int>(i);
        write_relationship(w, ++id, doc_rel("image"),
                           "../media/image" + std::to_string(media) + "." + picture_extension(p.kind));
        if (!p.link.empty()) write_relationship(w, ++id, doc_rel("hyperlink"), p.link, true);
    }
    for (size_t i = 0; i < sheet.charts.size(); ++i)
        write_relationship(w, ++id, doc_rel("chart"),
                           "../charts/chart" + std::to_string(o.first_chart + static_cast<int>(i)) + ".xml");
    w.raw("</Relationships>");
}

} // namespace vel
