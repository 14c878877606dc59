// xl/charts/chart%d.xml: one chart with its series (formulas and caches of
// the sheet's values), axes, title, legend and fills, looking as a chart
// made by hand in the spreadsheet program does: theme colours for the
// series, gridlines on the value axis, the legend at the right when there
// is more than one series.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/cellvalue.h"
#include "xlsx/package.h"

namespace vel {

namespace {

constexpr const char *SERIES_COLORS[6] = {"4F81BD", "C0504D", "9BBB59", "8064A2", "4BACC6", "F79646"};
constexpr int AXIS_CAT = 500000001, AXIS_VAL = 500000002, AXIS_SER = 500000003;

struct ChartWriter {
    const SaveContext &ctx;
    const Sheet &sheet;
    const Chart &chart;
    XmlWriter &w;
    std::string sheet_ref;   // "Sheet1!" or "'My sheet'!"
    int family, variant;

    bool three_d() const { return variant == CHART_3D || family == CHART_SURFACE; }
    bool xy() const { return family == CHART_SCATTER || family == CHART_BUBBLE; }
    bool round() const { return family == CHART_PIE || family == CHART_DOUGHNUT; }
    bool horizontal() const { return family == CHART_BAR; }
    // Line charts and their kin draw series as lines, the others as areas.
    bool lines() const { return family == CHART_LINE || family == CHART_RADAR || family == CHART_STOCK || family == CHART_SCATTER; }

    void val(const char *tag, long v) {
        w.raw("<c:");
        w.raw(tag);
        w.raw(" val=\"");
        w.num(v);
        w.raw("\"/>");
    }
    void val(const char *tag, const char *v) {
        w.raw("<c:");
        w.raw(tag);
        w.raw(" val=\"");
        w.raw(v);
        w.raw("\"/>");
    }
    void color(const char *hex) {
        w.raw("<a:srgbClr val=\"");
        w.raw(hex);
        w.raw("\"/>");
    }
    void color(const ColorValue &c) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X%02X%02X", c.r, c.g, c.b);
        color(hex);
    }
    void number(double v) {
        w.raw(double_text(v));
    }

    // <c:tx><c:rich> with one run of text at `size` hundredths of a point.
    void rich_text(std::string_view text, int size, bool bold) {
        w.raw("<c:tx><c:rich><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"");
        w.num(size);
        w.raw(bold ? "\" b=\"1\"/></a:pPr><a:r><a:rPr lang=\"ja-JP\" altLang=\"en-US\" sz=\"" : "\" b=\"0\"/></a:pPr><a:r><a:rPr lang=\"ja-JP\" altLang=\"en-US\" sz=\"");
        w.num(size);
        w.raw(bold ? "\" b=\"1\"/><a:t>" : "\" b=\"0\"/><a:t>");
        w.text(text);
        w.raw("</a:t></a:r></a:p></c:rich></c:tx>");
    }
    void text_props(int size) {
        w.raw("<c:txPr><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"");
        w.num(size);
        w.raw("\"/></a:pPr><a:endParaRPr lang=\"ja-JP\"/></a:p></c:txPr>");
    }

    // ---- series data ----

    void str_ref(const CellBlock &b) {
        w.raw("<c:strRef><c:f>");
        w.text(sheet_ref + absolute_ref(b));
        w.raw("</c:f><c:strCache>");
        const int n = (b.r2 - b.r1 + 1) * (b.c2 - b.c1 + 1);
        val("ptCount", n);
        int i = 0;
        for (int r = b.r1; r <= b.r2; ++r)
            for (int c = b.c1; c <= b.c2; ++c, ++i) {
                std::string t = cell_display_text(*ctx.model, sheet, r, c);
                if (t.empty()) continue;
                w.raw("<c:pt idx=\"");
                w.num(i);
                w.raw("\"><c:v>");
                w.text(t);
                w.raw("</c:v></c:pt>");
            }
        w.raw("</c:strCache></c:strRef>");
    }
    void num_ref(const CellBlock &b) {
        w.raw("<c:numRef><c:f>");
        w.text(sheet_ref + absolute_ref(b));
        w.raw("</c:f><c:numCache><c:formatCode>General</c:formatCode>");
        const int n = (b.r2 - b.r1 + 1) * (b.c2 - b.c1 + 1);
        val("ptCount", n);
        int i = 0;
        for (int r = b.r1; r <= b.r2; ++r)
            for (int c = b.c1; c <= b.c2; ++c, ++i) {
                double v = 0;
                cell_numeric_value(sheet, r, c, v);
                w.raw("<c:pt idx=\"");
                w.num(i);
                w.raw("\"><c:v>");
                number(v);
                w.raw("</c:v></c:pt>");
            }
        w.raw("</c:numCache></c:numRef>");
    }
    bool all_numbers(const CellBlock &b) {
        double v;
        for (int r = b.r1; r <= b.r2; ++r)
            for (int c = b.c1; c <= b.c2; ++c)
                if (!cell_numeric_value(sheet, r, c, v)) return false;
        return true;
    }
    int point_count() const {
        if (chart.series.empty()) return 0;
        const CellBlock &b = chart.series[0].values;
        return (b.r2 - b.r1 + 1) * (b.c2 - b.c1 + 1);
    }

    void series_fill(int i) {
        const char *c = SERIES_COLORS[i % 6];
        if (family == CHART_STOCK) {
            w.raw("<c:spPr><a:ln w=\"28575\"><a:noFill/></a:ln></c:spPr>");
        } else if (family == CHART_SCATTER) {
            w.raw("<c:spPr><a:ln w=\"28575\"><a:noFill/></a:ln></c:spPr>");
        } else if (lines()) {
            w.raw("<c:spPr><a:ln w=\"28575\" cap=\"rnd\"><a:solidFill>");
            color(c);
            w.raw("</a:solidFill><a:round/></a:ln></c:spPr>");
        } else if (!round()) {
            w.raw("<c:spPr><a:solidFill>");
            color(c);
            w.raw("</a:solidFill></c:spPr>");
        }
    }
    void marker(int i) {
        if (family == CHART_LINE || family == CHART_RADAR) {
            w.raw("<c:marker><c:symbol val=\"none\"/></c:marker>");
        } else if (family == CHART_SCATTER || family == CHART_STOCK) {
            const char *c = SERIES_COLORS[i % 6];
            w.raw("<c:marker><c:symbol val=\"");
            w.raw(family == CHART_STOCK ? (i == 2 ? "dot" : "none") : "circle");
            w.raw("\"/><c:size val=\"5\"/><c:spPr><a:solidFill>");
            color(family == CHART_STOCK ? "000000" : c);
            w.raw("</a:solidFill></c:spPr></c:marker>");
        }
    }
    // Slices of a pie or doughnut each take the next theme colour.
    void points(int) {
        if (!round()) return;
        const int n = point_count();
        for (int p = 0; p < n && p < 255; ++p) {
            w.raw("<c:dPt>");
            val("idx", p);
            val("bubble3D", 0L);
            w.raw("<c:spPr><a:solidFill>");
            color(SERIES_COLORS[p % 6]);
            w.raw("</a:solidFill><a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"FFFFFF\"/></a:solidFill></a:ln></c:spPr></c:dPt>");
        }
    }

    void write_series(int i, const ChartSeries &s) {
        w.raw("<c:ser>");
        val("idx", i);
        val("order", i);
        if (!s.name.empty()) {
            w.raw("<c:tx>");
            str_ref(s.name);
            w.raw("</c:tx>");
        }
        series_fill(i);
        if (family == CHART_BAR || family == CHART_COLUMN || family == CHART_BUBBLE) val("invertIfNegative", 0L);
        if (family == CHART_LINE || family == CHART_RADAR || family == CHART_SCATTER || family == CHART_STOCK) marker(i);
        points(i);
        if (xy()) {
            if (!s.categories.empty()) {
                w.raw("<c:xVal>");
                if (all_numbers(s.categories)) num_ref(s.categories);
                else str_ref(s.categories);
                w.raw("</c:xVal>");
            }
            w.raw("<c:yVal>");
            num_ref(s.values);
            w.raw("</c:yVal>");
            if (family == CHART_SCATTER) val("smooth", 0L);
            else {
                w.raw("<c:bubbleSize>");
                num_ref(s.sizes.empty() ? s.values : s.sizes);
                w.raw("</c:bubbleSize>");
                val("bubble3D", 0L);
            }
        } else {
            if (!s.categories.empty()) {
                w.raw("<c:cat>");
                str_ref(s.categories);
                w.raw("</c:cat>");
            }
            w.raw("<c:val>");
            num_ref(s.values);
            w.raw("</c:val>");
            if (family == CHART_LINE && variant != CHART_3D) val("smooth", 0L);
            if (family == CHART_STOCK) val("smooth", 0L);
        }
        w.raw("</c:ser>");
    }
    void write_all_series() {
        // A pie shows one series.
        const size_t n = family == CHART_PIE ? std::min<size_t>(1, chart.series.size()) : chart.series.size();
        for (size_t i = 0; i < n; ++i) write_series(static_cast<int>(i), chart.series[i]);
    }
    void data_labels() {
        if (!chart.data_labels) return;
        w.raw("<c:dLbls>");
        val("showLegendKey", 0L);
        val("showVal", round() ? 0L : 1L);
        val("showCatName", 0L);
        val("showSerName", 0L);
        val("showPercent", round() ? 1L : 0L);
        val("showBubbleSize", 0L);
        if (round()) val("showLeaderLines", 1L);
        w.raw("</c:dLbls>");
    }
    const char *grouping() const {
        switch (variant) {
        case CHART_STACKED: return "stacked";
        case CHART_PERCENT: return "percentStacked";
        default: return family == CHART_COLUMN || family == CHART_BAR ? "clustered" : "standard";
        }
    }
    void axis_ids(int n) {
        val("axId", AXIS_CAT);
        val("axId", AXIS_VAL);
        if (n == 3) val("axId", AXIS_SER);
    }

    // ---- the chart-type element ----

    void type_element() {
        const bool stacked = variant == CHART_STACKED || variant == CHART_PERCENT;
        switch (family) {
        case CHART_COLUMN:
        case CHART_BAR:
            if (variant == CHART_3D) {
                w.raw("<c:bar3DChart>");
                val("barDir", horizontal() ? "bar" : "col");
                val("grouping", "clustered");
                val("varyColors", 0L);
                write_all_series();
                data_labels();
                val("gapWidth", chart.gap_width >= 0 ? chart.gap_width : 150);
                val("shape", "box");
                axis_ids(2);
                w.raw("</c:bar3DChart>");
                return;
            }
            w.raw("<c:barChart>");
            val("barDir", horizontal() ? "bar" : "col");
            val("grouping", grouping());
            val("varyColors", 0L);
            write_all_series();
            data_labels();
            val("gapWidth", chart.gap_width >= 0 ? chart.gap_width : 150);
            if (stacked) val("overlap", 100L);
            if (stacked && chart.series_lines) w.raw("<c:serLines/>");
            axis_ids(2);
            w.raw("</c:barChart>");
            return;
        case CHART_LINE:
            if (variant == CHART_3D) {
                w.raw("<c:line3DChart>");
                val("grouping", "standard");
                val("varyColors", 0L);
                write_all_series();
                data_labels();
                axis_ids(3);
                w.raw("</c:line3DChart>");
                return;
            }
            w.raw("<c:lineChart>");
            val("grouping", grouping());
            val("varyColors", 0L);
            write_all_series();
            data_labels();
            val("marker", 1L);
            axis_ids(2);
            w.raw("</c:lineChart>");
            return;
        case CHART_PIE:
            w.raw(variant == CHART_3D ? "<c:pie3DChart>" : "<c:pieChart>");
            val("varyColors", 1L);
            write_all_series();
            data_labels();
            if (variant != CHART_3D) val("firstSliceAng", 0L);
            w.raw(variant == CHART_3D ? "</c:pie3DChart>" : "</c:pieChart>");
            return;
        case CHART_DOUGHNUT:
            w.raw("<c:doughnutChart>");
            val("varyColors", 1L);
            write_all_series();
            data_labels();
            val("firstSliceAng", 0L);
            val("holeSize", 50L);
            w.raw("</c:doughnutChart>");
            return;
        case CHART_AREA:
            w.raw(variant == CHART_3D ? "<c:area3DChart>" : "<c:areaChart>");
            val("grouping", grouping());
            val("varyColors", 0L);
            write_all_series();
            data_labels();
            axis_ids(variant == CHART_3D ? 3 : 2);
            w.raw(variant == CHART_3D ? "</c:area3DChart>" : "</c:areaChart>");
            return;
        case CHART_SCATTER:
            w.raw("<c:scatterChart>");
            val("scatterStyle", "lineMarker");
            val("varyColors", 0L);
            write_all_series();
            data_labels();
            axis_ids(2);
            w.raw("</c:scatterChart>");
            return;
        case CHART_RADAR:
            w.raw("<c:radarChart>");
            val("radarStyle", "marker");
            val("varyColors", 0L);
            write_all_series();
            data_labels();
            axis_ids(2);
            w.raw("</c:radarChart>");
            return;
        case CHART_STOCK:
            w.raw("<c:stockChart>");
            write_all_series();
            data_labels();
            w.raw("<c:hiLowLines><c:spPr><a:ln w=\"9525\"><a:solidFill><a:srgbClr val=\"000000\"/></a:solidFill>"
                  "</a:ln></c:spPr></c:hiLowLines>");
            axis_ids(2);
            w.raw("</c:stockChart>");
            return;
        case CHART_SURFACE:
            w.raw("<c:surface3DChart>");
            val("wireframe", 0L);
            write_all_series();
            axis_ids(3);
            w.raw("</c:surface3DChart>");
            return;
        case CHART_BUBBLE:
            w.raw("<c:bubbleChart>");
            val("varyColors", 0L);
            write_all_series();
            data_labels();
            val("bubbleScale", 100L);
            val("showNegBubbles", 0L);
            axis_ids(2);
            w.raw("</c:bubbleChart>");
            return;
        }
    }

    // ---- axes ----

    void axis_common(int id, int cross, const char *pos, bool gridlines, bool delete_axis, bool value_axis) {
        val("axId", id);
        w.raw("<c:scaling>");
        val("orientation", "minMax");
        if (value_axis && chart.has_max) {
            w.raw("<c:max val=\"");
            number(chart.max);
            w.raw("\"/>");
        }
        if (value_axis && chart.has_min) {
            w.raw("<c:min val=\"");
            number(chart.min);
            w.raw("\"/>");
        }
        w.raw("</c:scaling>");
        val("delete", delete_axis ? 1L : 0L);
        val("axPos", pos);
        if (gridlines)
            w.raw("<c:majorGridlines><c:spPr><a:ln w=\"9525\"><a:solidFill><a:srgbClr val=\"D9D9D9\"/></a:solidFill>"
                  "</a:ln></c:spPr></c:majorGridlines>");
        w.raw(value_axis && variant == CHART_PERCENT ? "<c:numFmt formatCode=\"0%\" sourceLinked=\"0\"/>"
                                                     : "<c:numFmt formatCode=\"General\" sourceLinked=\"1\"/>");
        val("majorTickMark", "out");
        val("minorTickMark", "none");
        val("tickLblPos", "nextTo");
        w.raw("<c:spPr><a:ln w=\"9525\"><a:solidFill><a:srgbClr val=\"868686\"/></a:solidFill></a:ln></c:spPr>");
        val("crossAx", cross);
        val("crosses", "autoZero");
    }
    void value_axis(int id, int cross, const char *pos, bool gridlines, const char *between) {
        w.raw("<c:valAx>");
        axis_common(id, cross, pos, gridlines, false, true);
        val("crossBetween", between);
        if (chart.major_unit > 0) {
            w.raw("<c:majorUnit val=\"");
            number(chart.major_unit);
            w.raw("\"/>");
        }
        w.raw("</c:valAx>");
    }
    void axes() {
        if (round()) return;
        if (xy()) {
            // Both axes carry values; x runs along the bottom.
            w.raw("<c:valAx>");
            axis_common(AXIS_CAT, AXIS_VAL, "b", false, false, false);
            val("crossBetween", "midCat");
            w.raw("</c:valAx>");
            value_axis(AXIS_VAL, AXIS_CAT, "l", true, "midCat");
            return;
        }
        w.raw("<c:catAx>");
        axis_common(AXIS_CAT, AXIS_VAL, horizontal() ? "l" : "b", false, false, false);
        val("auto", 1L);
        val("lblAlgn", "ctr");
        val("lblOffset", 100L);
        val("noMultiLvlLbl", 0L);
        w.raw("</c:catAx>");
        value_axis(AXIS_VAL, AXIS_CAT, horizontal() ? "b" : "l", true,
                   family == CHART_AREA || family == CHART_SURFACE ? "midCat" : "between");
        const bool series_axis = (family == CHART_LINE && variant == CHART_3D) ||
                                 (family == CHART_AREA && variant == CHART_3D) || family == CHART_SURFACE;
        if (series_axis) {
            w.raw("<c:serAx>");
            axis_common(AXIS_SER, AXIS_VAL, "b", false, family != CHART_SURFACE, false);
            w.raw("</c:serAx>");
        }
    }

    // ---- the whole part ----

    void view_3d() {
        if (!three_d()) return;
        const bool pie = family == CHART_PIE;
        w.raw("<c:view3D>");
        val("rotX", chart.rot_x != CHART_VIEW_DEFAULT ? chart.rot_x : pie ? 30 : 15);
        val("rotY", chart.rot_y != CHART_VIEW_DEFAULT ? chart.rot_y : pie ? 0 : 20);
        if (!pie) val("depthPercent", chart.depth);
        // Columns and bars keep right angles; the others show perspective.
        const bool right_angles = family == CHART_COLUMN || family == CHART_BAR;
        val("rAngAx", right_angles ? 1L : 0L);
        if (!right_angles) val("perspective", chart.perspective);
        w.raw("</c:view3D>");
        if (!pie)
            w.raw("<c:floor><c:thickness val=\"0\"/></c:floor><c:sideWall><c:thickness val=\"0\"/></c:sideWall>"
                  "<c:backWall><c:thickness val=\"0\"/></c:backWall>");
    }
    void legend() {
        int pos = chart.legend;
        if (pos == LEGEND_AUTO) pos = chart.series.size() > 1 || round() ? LEGEND_RIGHT : LEGEND_NONE;
        if (pos == LEGEND_NONE) return;
        static const char *const where[] = {"r", "r", "r", "l", "t", "b"};
        w.raw("<c:legend>");
        val("legendPos", where[pos]);
        val("overlay", 0L);
        if (chart.legend_font_size > 0) text_props(chart.legend_font_size * 100);
        w.raw("</c:legend>");
    }
    void chart_area_fill() {
        w.raw("<c:spPr>");
        if (chart.gradient1.set && chart.gradient2.set) {
            w.raw("<a:gradFill rotWithShape=\"1\"><a:gsLst><a:gs pos=\"0\">");
            color(chart.gradient1);
            w.raw("</a:gs><a:gs pos=\"100000\">");
            color(chart.gradient2);
            w.raw("</a:gs></a:gsLst><a:lin ang=\"5400000\" scaled=\"0\"/></a:gradFill>");
        } else {
            w.raw("<a:solidFill>");
            if (chart.back.set) color(chart.back);
            else color("FFFFFF");
            w.raw("</a:solidFill>");
        }
        w.raw("<a:ln w=\"9525\"><a:solidFill><a:srgbClr val=\"868686\"/></a:solidFill></a:ln></c:spPr>");
    }

    void write() {
        w.declaration();
        w.raw("<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
              "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" xmlns:r=\"");
        w.raw(NS_REL);
        w.raw("\"><c:lang val=\"ja-JP\"/><c:roundedCorners val=\"0\"/>"
              "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
              "<mc:Choice Requires=\"c14\" xmlns:c14=\"http://schemas.microsoft.com/office/drawing/2007/8/2/chart\">"
              "<c14:style val=\"");
        const int style = chart.style > 0 ? chart.style : 2;
        w.num(100 + style);
        w.raw("\"/></mc:Choice><mc:Fallback><c:style val=\"");
        w.num(style);
        w.raw("\"/></mc:Fallback></mc:AlternateContent><c:chart>");
        if (!chart.title.empty()) {
            w.raw("<c:title>");
            rich_text(chart.title, 1400, true);
            val("overlay", 0L);
            w.raw("</c:title>");
            val("autoTitleDeleted", 0L);
        } else {
            val("autoTitleDeleted", 1L);
        }
        view_3d();
        w.raw("<c:plotArea><c:layout/>");
        type_element();
        axes();
        w.raw("<c:spPr><a:noFill/><a:ln><a:noFill/></a:ln></c:spPr></c:plotArea>");
        legend();
        w.raw("<c:plotVisOnly val=\"1\"/><c:dispBlanksAs val=\"gap\"/><c:showDLblsOverMax val=\"0\"/></c:chart>");
        chart_area_fill();
        text_props(1000);
        w.raw("<c:printSettings><c:headerFooter/><c:pageMargins b=\"0.75\" l=\"0.70\" r=\"0.70\" t=\"0.75\" "
              "header=\"0.30\" footer=\"0.30\"/><c:pageSetup/></c:printSettings></c:chartSpace>");
    }
};

} // namespace

void write_chart(const SaveContext &ctx, const Sheet &sheet, const Chart &chart, XmlWriter &w) {
    ChartWriter cw{ctx, sheet, chart, w, formula_sheet_name(sheet.name) + "!", chart.type / 10, chart.type % 10};
    cw.write();
}

} // namespace vel
