// xl/drawings/vmlDrawing%d.vml: the legacy drawing that gives each comment
// of a sheet its note box (hidden until the cell is pointed at).
#include "xlsx/package.h"

namespace vel {

void write_vml(const SaveContext &, const Sheet &sheet, int part, XmlWriter &w) {
    w.raw("<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
          "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">\r\n");
    w.raw("<o:shapelayout v:ext=\"edit\"><o:idmap v:ext=\"edit\" data=\"");
    w.num(part);
    w.raw("\"/></o:shapelayout>\r\n");
    w.raw("<v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" o:spt=\"202\" "
          "path=\"m,l,21600r21600,l21600,xe\"><v:stroke joinstyle=\"miter\"/>"
          "<v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/></v:shapetype>\r\n");
    // Shape ids of a part lie in its own block of 1024 (the idmap number).
    int shape = part * 1024;
    for (const Comment &c : sheet.comments) {
        w.raw("<v:shape id=\"_x0000_s");
        w.num(++shape);
        w.raw("\" type=\"#_x0000_t202\" style=\"position:absolute;margin-left:0;margin-top:0;width:108pt;"
              "height:59.25pt;z-index:");
        w.num(shape - part * 1024);
        w.raw(";visibility:hidden\" fillcolor=\"#ffffe1\" o:insetmode=\"auto\"><v:fill color2=\"#ffffe1\"/>"
              "<v:shadow on=\"t\" color=\"black\" obscured=\"t\"/><v:path o:connecttype=\"none\"/>"
              "<v:textbox style=\"mso-direction-alt:auto\"><div style=\"text-align:left\"></div></v:textbox>"
              "<x:ClientData ObjectType=\"Note\"><x:MoveWithCells/><x:SizeWithCells/><x:Anchor>");
        // The note box: right of the cell, from the row above it, three
        // columns wide and four rows high.
        const int top = c.row > 0 ? c.row - 1 : 0;
        w.num(c.col + 1);
        w.raw(", 15, ");
        w.num(top);
        w.raw(", 10, ");
        w.num(c.col + 3);
        w.raw(", 15, ");
        w.num(top + 4);
        w.raw(", 4</x:Anchor><x:AutoFill>False</x:AutoFill><x:Row>");
        w.num(c.row);
        w.raw("</x:Row><x:Column>");
        w.num(c.col);
        w.raw("</x:Column></x:ClientData></v:shape>\r\n");
    }
    w.raw("</xml>");
}

} // namespace vel
