// xl/comments%d.xml: the comments of one sheet, each with the book's creator
// as its author in a bold first run and the text in a second run.
#include "xlsx/package.h"

namespace vel {

namespace {

void run_font(XmlWriter &w, int size, bool bold) {
    w.raw(bold ? "<rPr><b/><sz val=\"" : "<rPr><sz val=\"");
    w.num(size);
    w.raw("\"/><color indexed=\"81\"/><rFont val=\"ＭＳ Ｐゴシック\"/><family val=\"3\"/><charset val=\"128\"/></rPr>");
}

} // namespace

void write_comments(const SaveContext &ctx, const Sheet &sheet, XmlWriter &w) {
    const std::string &author = ctx.book->creator;
    w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>");
    w.raw("<comments xmlns=\"");
    w.raw(NS_MAIN);
    w.raw("\"><authors><author>");
    w.text(author);
    w.raw("</author></authors><commentList>");
    for (const Comment &c : sheet.comments) {
        w.raw("<comment ref=\"");
        w.raw(cell_ref(c.row, c.col));
        w.raw("\" authorId=\"0\"><text><r>");
        run_font(w, 14, true);
        w.raw("<t>");
        w.text(author);
        w.raw(":</t></r><r>");
        run_font(w, c.font_size > 0 ? c.font_size : 11, false);
        w.raw("<t xml:space=\"preserve\">\r\n");
        w.text(c.text, ESCAPE_KEEP_BREAKS);
        w.raw("</t></r></text></comment>");
    }
    w.raw("</commentList></comments>");
}

} // namespace vel
