// Helpers of the drawing tests: pictures made by ffmpeg, the outside checks of written books.
#pragma once
#include <string>

#include "test_support.h"

namespace dtest {

// A solid picture made by ffmpeg: `ext` is png, jpeg, bmp, gif or tiff.
inline std::string make_picture(const std::string &dir, const std::string &name, const std::string &ext, int width,
                                int height, const std::string &color) {
    std::string path = dir + "/" + name + "." + ext;
    const char *format = ext == "png" ? "-c:v png" : ext == "jpeg" ? "-c:v mjpeg -q:v 2" : ext == "bmp" ? "-c:v bmp"
                         : ext == "gif" ? "-c:v gif" : "-c:v tiff";
    const char *pixels = ext == "gif" ? "pal8" : ext == "jpeg" ? "yuvj444p" : "rgb24";
    vtest::run("ffmpeg -v error -f lavfi -i color=c=0x" + color + ":s=" + std::to_string(width) + "x" +
               std::to_string(height) + " -frames:v 1 -pix_fmt " + pixels + " " + format + " -f image2 -y " +
               vtest::shell_quote(path));
    return path;
}

// Runs check_objects.py on a workbook with its expectations; "" when it passes.
inline std::string check_objects(const std::string &file, const std::string &expect_json) {
    return vtest::python_check("tests/drawing/check_objects.py", file, expect_json);
}
using vtest::validate_xlsx;
using vtest::zip_names;
using vtest::zip_part;

} // namespace dtest
