// The objects that hang off a sheet besides its cells: pictures, charts,
// shapes, comments, formatted tables, sparkline groups and the background
// picture, and the book's thumbnail. The property engine fills them; the
// package writer turns them into drawing, chart, comment, table and media
// parts. Sizes and offsets are in screen pixels (96 per inch).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

// A colour given in property text: set or not, and its value.
struct ColorValue {
    bool set = false;
    uint8_t r = 0, g = 0, b = 0;
};

// A cell and an offset into it.
struct CellAnchor {
    int32_t row = 0, col = 0;
    double dx = 0, dy = 0;    // pixels right and down from the cell's corner
};

// A picture from a file (`path`) or held in memory (`bytes`).
struct Picture {
    CellAnchor at;
    int32_t kind = 0;         // file kind 201..207
    int32_t width = 0;        // pixels at scale 1
    int32_t height = 0;
    double scale = 1.0;
    std::string path;         // UTF-8; empty for a picture held in memory
    std::vector<uint8_t> bytes;
    std::string link;         // hyperlink of the picture (UTF-8), empty: none
};

// The sheet background picture (JPEG, PNG, GIF or TIFF).
struct Background {
    int32_t kind = 0;         // 0: none
    std::string path;
};

// Chart type codes: tens the family, units the variant.
enum ChartFamily : int32_t {
    CHART_COLUMN = 1, CHART_BAR = 2, CHART_LINE = 3, CHART_PIE = 4, CHART_AREA = 5, CHART_SCATTER = 6,
    CHART_DOUGHNUT = 7, CHART_RADAR = 8, CHART_STOCK = 9, CHART_SURFACE = 10, CHART_BUBBLE = 11,
};
enum ChartVariant : int32_t { CHART_CLUSTERED = 0, CHART_STACKED = 1, CHART_PERCENT = 2, CHART_3D = 5 };

// A rectangle of cells on a named sheet (0-based, r1 <= r2, c1 <= c2).
struct CellBlock {
    int32_t r1 = -1, c1 = -1, r2 = -1, c2 = -1;
    bool empty() const { return r1 < 0; }
};

// One series: its name cell, its categories (or x values) and its values
// (and, for bubbles, the bubble sizes). Empty blocks are absent.
struct ChartSeries {
    CellBlock name;
    CellBlock categories;
    CellBlock values;
    CellBlock sizes;
};

constexpr int32_t CHART_VIEW_DEFAULT = -1000; // the chart type's own angle

enum LegendPosition : int32_t { LEGEND_AUTO = 0, LEGEND_NONE, LEGEND_RIGHT, LEGEND_LEFT, LEGEND_TOP, LEGEND_BOTTOM };

struct Chart {
    CellBlock data;           // the source range on the chart's sheet
    int32_t type = 10;        // family * 10 + variant
    bool by_rows = false;     // series are rows (CHART.SWITCH flips the default)
    std::vector<ChartSeries> series;
    std::string title;        // UTF-8, empty: none
    std::string name;         // object name, empty: "Chart %d"
    int32_t legend = LEGEND_AUTO;
    int32_t legend_font_size = 0; // points, 0: default
    bool series_lines = false;
    bool data_labels = false;
    int32_t gap_width = -1;   // percent, -1: default
    int32_t style = 0;        // 1..48, 0: default
    double major_unit = 0;    // 0: automatic
    bool has_max = false, has_min = false;
    double max = 0, min = 0;
    ColorValue back;          // chart area fill
    ColorValue gradient1, gradient2; // chart area gradient (both set: gradient)
    int32_t rot_x = CHART_VIEW_DEFAULT, rot_y = CHART_VIEW_DEFAULT; // 3-D view, degrees
    int32_t depth = 100, perspective = 30;
    CellAnchor at;            // top-left corner
    int32_t width = 480, height = 288; // pixels
};

// Fill kinds of a shape.
enum ShapeFill : int32_t { SHAPE_FILL_DEFAULT = 0, SHAPE_FILL_SOLID, SHAPE_FILL_GRADIENT, SHAPE_FILL_NONE };

struct ShapeArrow {
    int32_t head = 0;         // 0 none, 1 arrow, 2 triangle, 3 diamond, 4 oval
    int32_t width = 2, length = 2; // 1 small, 2 medium, 3 large
};

struct Shape {
    std::string preset;       // DrawingML preset geometry
    bool text_box = false;    // a text box: no fill colour of the theme, black text
    CellAnchor at;
    bool has_end = false;     // two-cell shape from `at` to `end`
    CellAnchor end;
    double width = 0, height = 0; // pixels (0: default size)
    bool adjust_set[2] = {false, false};
    double adjust[2] = {0, 0}; // adjustment values, percent of the shape's size
    double rotation = 0;      // degrees clockwise
    std::string text;         // UTF-8
    int32_t text_align = 22;  // alignment code (tens vertical, units horizontal)
    std::string font_name;
    double font_size = 0;     // points, 0: default
    int32_t font_style = 0;   // bit 0 italic, bit 1 bold, bit 2 underline
    ColorValue font_color;
    int32_t fill = SHAPE_FILL_DEFAULT;
    ColorValue fill_color;
    int32_t fill_accent = 0;  // 1..6: a theme accent colour, 0: none
    double fill_transparency = 0; // percent
    ColorValue gradient1, gradient2;
    int32_t gradient_dir = 1; // gradient direction code
    int32_t line_style = 0;   // border line style code (0: solid)
    ColorValue line_color;
    double line_width = -1;   // points, -1: default
    double line_transparency = 0;
    bool no_line = false;
    ShapeArrow head, tail;    // line ends at the start and at the end
    int32_t shadow = 0;       // 0 none, 1 outer, 2 inner
    ColorValue shadow_color;
    double shadow_transparency = 60, shadow_blur = 4, shadow_degree = 45, shadow_dist = 3; // percent, points, degrees, points
    int32_t shadow_align = 11; // alignment code of the shadow's anchor
    double soft_edge = 0;     // points
    int32_t effect = 0;       // 0 none, 1 glow, 2 bevel
};

struct Comment {
    int32_t row = 0, col = 0;
    std::string text;         // UTF-8
    int32_t font_size = 11;
    int32_t color = 0;        // palette code of the text
};

struct Table {
    CellBlock ref;
    int32_t family = 2;       // 1 light, 2 medium, 3 dark
    int32_t number = 9;
    std::string name;         // UTF-8, empty: "テーブル%d"
    std::vector<std::string> columns; // names given with COLUMN_NAME
    bool filter = true;
    bool first_column = false, last_column = false, row_stripes = true, column_stripes = false;
};

enum SparklineKind : int32_t { SPARK_LINE = 1, SPARK_COLUMN = 2, SPARK_WIN_LOSS = 3 };

// Colours of a sparkline group in order: series, negative, axis, markers,
// first, last, high, low.
enum SparkColor : int { SC_SERIES, SC_NEGATIVE, SC_AXIS, SC_MARKERS, SC_FIRST, SC_LAST, SC_HIGH, SC_LOW, SC_COUNT };

struct SparklineGroup {
    CellBlock cells;          // where the sparklines are drawn
    std::string source_sheet; // sheet of the data (UTF-8)
    CellBlock source;         // the data
    int32_t kind = SPARK_LINE;
    bool markers = false, high = false, low = false, first = false, last = false, negative = false;
    ColorValue colors[SC_COUNT];
};

// The book's thumbnail picture.
struct Thumbnail {
    int32_t kind = 0;         // 0: none
    std::string path;
};

} // namespace vel
