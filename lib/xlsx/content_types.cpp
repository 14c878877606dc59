// [Content_Types].xml: the content type of every part of the package.
#include "io/picture.h"
#include "xlsx/package.h"

namespace vel {

namespace {

constexpr std::string_view CT_SHEET_MAIN =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr std::string_view CT_MACRO_MAIN = "application/vnd.ms-excel.sheet.macroEnabled.main+xml";

void write_default(XmlWriter &w, std::string_view ext, std::string_view type) {
    w.raw("<Default Extension=\"");
    w.raw(ext);
    w.raw("\" ContentType=\"");
    w.raw(type);
    w.raw("\"/>");
}

void write_override(XmlWriter &w, std::string_view part, std::string_view type) {
    w.raw("<Override PartName=\"");
    w.raw(part);
    w.raw("\" ContentType=\"");
    w.raw(type);
    w.raw("\"/>");
}

} // namespace

void write_content_types(const SaveContext &ctx, XmlWriter &w) {
    w.declaration();
    w.raw("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">");
    // One default per picture kind in the package (media and thumbnail).
    for (int kind : {VXLS_FILE_BMP, VXLS_FILE_JPEG, VXLS_FILE_PNG, VXLS_FILE_GIF, VXLS_FILE_TIFF, VXLS_FILE_WMF,
                     VXLS_FILE_EMF}) {
        bool used = ctx.thumbnail && ctx.thumbnail_kind == kind;
        for (const MediaPart &m : ctx.media) used = used || m.kind == kind;
        if (used) write_default(w, picture_extension(kind), picture_mime(kind));
    }
    write_override(w, "/xl/theme/theme1.xml", "application/vnd.openxmlformats-officedocument.theme+xml");
    write_override(w, "/xl/styles.xml",
                   "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");
    write_default(w, "bin", "application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings");
    write_default(w, "rels", "application/vnd.openxmlformats-package.relationships+xml");
    write_default(w, "xml", "application/xml");
    write_override(w, "/xl/workbook.xml", ctx.macro ? CT_MACRO_MAIN : CT_SHEET_MAIN);
    write_override(w, "/docProps/app.xml",
                   "application/vnd.openxmlformats-officedocument.extended-properties+xml");
    for (int i = 1; i <= ctx.comment_parts; ++i) {
        w.raw("<Override PartName=\"/xl/comments");
        w.num(i);
        w.raw(".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml\" />");
    }
    if (ctx.comment_parts > 0)
        write_default(w, "vml", "application/vnd.openxmlformats-officedocument.vmlDrawing");
    for (int i = 1; i <= ctx.tables; ++i) {
        w.raw("<Override PartName=\"/xl/tables/table");
        w.num(i);
        w.raw(".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml\" />");
    }
    if (ctx.macro) write_override(w, "/xl/vbaProject.bin", "application/vnd.ms-office.vbaProject");
    if (ctx.final_book)
        write_override(w, "/docProps/custom.xml",
                       "application/vnd.openxmlformats-officedocument.custom-properties+xml");
    for (int i = 1; i <= ctx.charts; ++i) {
        w.raw("<Override PartName=\"/xl/charts/chart");
        w.num(i);
        w.raw(".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.drawingml.chart+xml\"/>");
    }
    for (const SheetObjects &o : ctx.objects) {
        if (!o.drawing) continue;
        w.raw("<Override PartName=\"/xl/drawings/drawing");
        w.num(o.drawing);
        w.raw(".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/>");
    }
    for (size_t i = 1; i <= ctx.sheets.size(); ++i) {
        w.raw("<Override PartName=\"/xl/worksheets/sheet");
        w.num(static_cast<int64_t>(i));
        w.raw(".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
              "worksheet+xml\"/>");
    }
    write_override(w, "/xl/sharedStrings.xml",
                   "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml");
    write_override(w, "/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
    w.raw("</Types>");
}

} // namespace vel
