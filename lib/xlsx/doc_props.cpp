// Document properties: docProps/app.xml, docProps/core.xml and, for a book
// marked final, docProps/custom.xml.
#include "xlsx/package.h"

#include <cstring>

namespace vel {

namespace {

std::string_view doc_text(const std::string &field) { return field; }

} // namespace

void write_app_props(const SaveContext &ctx, XmlWriter &w) {
    const int n = static_cast<int>(ctx.sheets.size());
    w.declaration();
    w.raw("<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
          "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
          "<Application>Microsoft Excel</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>"
          "<HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant><vt:lpstr>ワークシート</vt:lpstr>"
          "</vt:variant><vt:variant><vt:i4>");
    w.num(n);
    w.raw("</vt:i4></vt:variant></vt:vector></HeadingPairs><TitlesOfParts><vt:vector size=\"");
    w.num(n);
    w.raw("\" baseType=\"lpstr\">");
    for (int i = 1; i <= n; ++i) {
        w.raw("<vt:lpstr>Sheet");
        w.num(i);
        w.raw("</vt:lpstr>");
    }
    w.raw("</vt:vector></TitlesOfParts>");
    if (!doc_text(ctx.book->manager).empty()) w.element("Manager", doc_text(ctx.book->manager));
    w.element("Company", doc_text(ctx.book->company));
    w.raw("<LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc>"
          "<HyperlinksChanged>false</HyperlinksChanged><AppVersion>");
    w.raw(ctx.book->book_kind == 20 ? "14.0000" : "12.0000");
    w.raw("</AppVersion></Properties>");
}

void write_core_props(const SaveContext &ctx, XmlWriter &w) {
    w.declaration();
    w.raw("<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
          "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
          "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">");
    if (!doc_text(ctx.book->title).empty()) w.element("dc:title", doc_text(ctx.book->title));
    if (!doc_text(ctx.book->subject).empty()) w.element("dc:subject", doc_text(ctx.book->subject));
    w.element("dc:creator", doc_text(ctx.book->creator));
    w.element("cp:lastModifiedBy", doc_text(ctx.book->creator));
    w.raw("<dcterms:created xsi:type=\"dcterms:W3CDTF\">");
    w.raw(ctx.timestamp);
    w.raw("</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">");
    w.raw(ctx.timestamp);
    w.raw("</dcterms:modified></cp:coreProperties>");
}

void write_custom_props(const SaveContext &, XmlWriter &w) {
    w.declaration();
    w.raw("<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/custom-properties\" "
          "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
          "<property fmtid=\"{D5CDD505-2E9C-101B-9397-08002B2CF9AE}\" pid=\"2\" name=\"_MarkAsFinal\">"
          "<vt:bool>true</vt:bool></property></Properties>");
}

} // namespace vel
