#include "drawing_fixture.h"

#include <algorithm>
#include <cstdio>

#include "test_support.h"

namespace dtest {

std::string make_picture(const std::string &dir, const std::string &name, const std::string &ext, int width,
                         int height, const std::string &color) {
    std::string path = dir + "/" + name + "." + ext;
    const char *format = ext == "png" ? "-c:v png" : ext == "jpeg" ? "-c:v mjpeg -q:v 2" : ext == "bmp" ? "-c:v bmp"
                         : ext == "gif" ? "-c:v gif" : "-c:v tiff";
    vtest::run("ffmpeg -v error -f lavfi -i color=c=0x" + color + ":s=" + std::to_string(width) + "x" +
               std::to_string(height) + " -frames:v 1 -pix_fmt " + (ext == "gif" ? "pal8" : ext == "jpeg" ? "yuvj444p" : "rgb24") +
               " " + format + " -f image2 -y " + vtest::shell_quote(path));
    return path;
}

uint32_t Image::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t *p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
}

static Image read_ppm(const std::string &path) {
    Image img;
    std::string data = vtest::read_file(path);
    int w = 0, h = 0, max = 0, used = 0;
    if (std::sscanf(data.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || max != 255) return img;
    size_t start = static_cast<size_t>(used) + 1;
    if (data.size() < start + static_cast<size_t>(w) * h * 3) return img;
    img.width = w;
    img.height = h;
    img.rgb.assign(data.begin() + static_cast<long>(start), data.begin() + static_cast<long>(start) + static_cast<long>(w) * h * 3);
    return img;
}

Image render_pdf(const std::string &pdf) {
    std::string base = pdf.substr(0, pdf.size() - 4);
    vtest::run("pdftoppm -r 96 -f 1 -l 1 -singlefile " + vtest::shell_quote(pdf) + " " + vtest::shell_quote(base));
    return read_ppm(base + ".ppm");
}

bool near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

bool find_color(const Image &img, uint32_t color, Box &box) {
    int x0 = img.width, y0 = img.height, x1 = -1, y1 = -1;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (near(img.at(x, y), color, 12)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    if (x1 < 0) return false;
    box = Box{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    return true;
}

} // namespace dtest
