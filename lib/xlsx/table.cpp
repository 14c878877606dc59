// xl/tables/table%d.xml: a formatted table over a range, its columns named
// by the header cells.
#include "xlsx/package.h"

namespace vel {

void write_table(const SaveContext &ctx, const Sheet &sheet, const Table &t, int number, XmlWriter &w) {
    static const char *const families[] = {"TableStyleLight", "TableStyleLight", "TableStyleMedium", "TableStyleDark"};
    const std::string ref = cell_ref(t.ref.r1, t.ref.c1) + ":" + cell_ref(t.ref.r2, t.ref.c2);
    const std::string name = t.name.empty() ? "テーブル" + std::to_string(number) : t.name;
    w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>");
    w.raw("<table xmlns=\"");
    w.raw(NS_MAIN);
    w.raw("\" id=\"");
    w.num(number);
    w.raw('"');
    w.attr("name", name);
    w.attr("displayName", name);
    w.raw(" ref=\"");
    w.raw(ref);
    w.raw("\" totalsRowShown=\"0\">");
    if (t.filter) {
        w.raw("<autoFilter ref=\"");
        w.raw(ref);
        w.raw("\" />");
    }
    const int n = t.ref.c2 - t.ref.c1 + 1;
    w.raw("<tableColumns count=\"");
    w.num(n);
    w.raw("\">");
    for (int i = 0; i < n; ++i) {
        // The header cell's text names the column; a column without one
        // takes its given name, else "列%d".
        std::string col = cell_display_text(*ctx.model, sheet, t.ref.r1, t.ref.c1 + i);
        if (col.empty()) col = static_cast<size_t>(i) < t.columns.size() ? t.columns[i] : "列" + std::to_string(i + 1);
        w.raw("<tableColumn id=\"");
        w.num(i + 1);
        w.raw('"');
        w.attr("name", col);
        w.raw(" />");
    }
    w.raw("</tableColumns><tableStyleInfo name=\"");
    w.raw(families[t.family >= 1 && t.family <= 3 ? t.family : 2]);
    w.num(t.number);
    w.raw("\" showFirstColumn=\"");
    w.num(t.first_column ? 1 : 0);
    w.raw("\" showLastColumn=\"");
    w.num(t.last_column ? 1 : 0);
    w.raw("\" showRowStripes=\"");
    w.num(t.row_stripes ? 1 : 0);
    w.raw("\" showColumnStripes=\"");
    w.num(t.column_stripes ? 1 : 0);
    w.raw("\" /></table>");
}

} // namespace vel
