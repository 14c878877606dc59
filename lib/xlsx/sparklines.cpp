// The worksheet's extension list holding its sparkline groups: one
// sparkline per cell of a group, each over its row (or column) of the data.
#include <cstdio>

#include "xlsx/package.h"

namespace vel {

namespace {

void color(XmlWriter &w, const char *tag, const ColorValue &c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", c.r, c.g, c.b);
    w.raw("<x14:");
    w.raw(tag);
    w.raw(" rgb=\"FF");
    w.raw(hex);
    w.raw("\"/>");
}

void sparkline(XmlWriter &w, const std::string &sheet, const CellBlock &data, int row, int col) {
    w.raw("<x14:sparkline><xm:f>");
    w.text(sheet + "!" + cell_ref(data.r1, data.c1) + ":" + cell_ref(data.r2, data.c2));
    w.raw("</xm:f><xm:sqref>");
    w.raw(cell_ref(row, col));
    w.raw("</xm:sqref></x14:sparkline>");
}

} // namespace

void write_sparklines(const Sheet &s, XmlWriter &w) {
    w.raw("<extLst><ext uri=\"{05C60535-1F16-4fd2-B633-F4F36F0B64E0}\" "
          "xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\">"
          "<x14:sparklineGroups xmlns:xm=\"http://schemas.microsoft.com/office/excel/2006/main\">");
    static const char *const tags[SC_COUNT] = {"colorSeries", "colorNegative", "colorAxis", "colorMarkers",
                                               "colorFirst",  "colorLast",     "colorHigh", "colorLow"};
    for (const SparklineGroup &g : s.sparklines) {
        w.raw("<x14:sparklineGroup ");
        if (g.kind == SPARK_COLUMN) w.raw("type=\"column\" ");
        else if (g.kind == SPARK_WIN_LOSS) w.raw("type=\"stacked\" ");
        w.raw("displayEmptyCellsAs=\"gap\"");
        if (g.markers) w.raw(" markers=\"1\"");
        if (g.high) w.raw(" high=\"1\"");
        if (g.low) w.raw(" low=\"1\"");
        if (g.first) w.raw(" first=\"1\"");
        if (g.last) w.raw(" last=\"1\"");
        if (g.negative) w.raw(" negative=\"1\"");
        w.raw('>');
        for (int i = 0; i < SC_COUNT; ++i) color(w, tags[i], g.colors[i]);
        w.raw("<x14:sparklines>");
        const std::string sheet = formula_sheet_name(g.source_sheet);
        const CellBlock &c = g.cells, &d = g.source;
        const int n = (c.r2 - c.r1 + 1) * (c.c2 - c.c1 + 1);
        if (n == 1) {
            sparkline(w, sheet, d, c.r1, c.c1);
        } else {
            // Cell k takes row k of the data when the data has a row per
            // cell, else column k.
            const bool by_row = d.r2 - d.r1 + 1 == n;
            for (int k = 0; k < n; ++k) {
                const int row = c.r1 == c.r2 ? c.r1 : c.r1 + k, col = c.r1 == c.r2 ? c.c1 + k : c.c1;
                CellBlock part = by_row ? CellBlock{d.r1 + k, d.c1, d.r1 + k, d.c2} : CellBlock{d.r1, d.c1 + k, d.r2, d.c1 + k};
                sparkline(w, sheet, part, row, col);
            }
        }
        w.raw("</x14:sparklines></x14:sparklineGroup>");
    }
    w.raw("</x14:sparklineGroups></ext></extLst>");
}

} // namespace vel
