// Workbooks with pictures, charts, shapes, comments, tables and sparklines
// written through the C interface, and the outside checks of the drawing
// tests: schema validation, openpyxl, and LibreOffice's rendering of a page
// (PDF turned into pixels by pdftoppm).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace dtest {

// A solid picture made by ffmpeg: `ext` is png, jpeg, bmp, gif or tiff.
std::string make_picture(const std::string &dir, const std::string &name, const std::string &ext, int width,
                         int height, const std::string &color);

// An RGB image read from a binary PPM (P6).
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool empty() const { return width == 0; }
    uint32_t at(int x, int y) const;   // 0xRRGGBB, 0 outside
};
// Renders page 1 of a PDF at 96 dots per inch.
Image render_pdf(const std::string &pdf);
// Whether two colours are within `tolerance` in every channel.
bool near(uint32_t a, uint32_t b, int tolerance = 40);

// The bounding box of the pixels of one colour (the marker cell A1 of a
// rendered sheet): false when there are none.
struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};
bool find_color(const Image &img, uint32_t color, Box &box);

// Runs check_objects.py on a workbook with its expectations; "" when it passes.
inline std::string check_objects(const std::string &file, const std::string &expect_json) {
    return vtest::python_check("tests/drawing/check_objects.py", file, expect_json);
}
using vtest::validate_xlsx;
using vtest::zip_names;
using vtest::zip_part;

} // namespace dtest
