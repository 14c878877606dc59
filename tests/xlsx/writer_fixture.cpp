// Helpers of the package writer's tests.
#include "writer_fixture.h"

#include <map>

namespace wtest {

void fill_frame_sheet(TestBook &tb, vel::Sheet &s, int width, int height, int zoom, unsigned seed) {
    auto &palette = tb.palette;
    s.zoom = zoom;
    s.sw_widths = VXLS_ON;
    s.used_cols = width;
    s.widths.assign(static_cast<size_t>(width), 2.625);
    uint32_t state = seed * 2654435761u + 1;
    for (int r = 0; r < height; ++r) {
        vel::ensure_row(s, r)->height = 1575;
        for (int c = 0; c < width; ++c) {
            state = state * 1103515245u + 12345u;
            uint8_t red = static_cast<uint8_t>(((r * 2 + c) & 0xff) & ~7);
            uint8_t green = static_cast<uint8_t>(((state >> 16) & 0x3f) << 2 & ~7);
            uint8_t blue = static_cast<uint8_t>((c * 3) & 0xf8);
            uint32_t key = (red << 16) | (green << 8) | blue;
            auto it = palette.find(key);
            uint16_t style = it != palette.end() ? it->second : (palette[key] = tb.solid_style(red, green, blue));
            vel::Cell &cell = tb.cell(s, r, c);
            cell.style = style;
        }
    }
}

std::string validate(const std::string &file) {
    std::string out;
    int rc = vtest::run(vtest::shell_quote(vtest::source_dir() + "/tests/tools/validate-xlsx") + " --quiet " +
                            vtest::shell_quote(file),
                        &out);
    return rc == 0 ? std::string() : out.empty() ? "validate-xlsx failed" : out;
}

std::string check_with_openpyxl(const std::string &file, const std::string &expect_json) {
    std::string json_path = file + ".expect.json";
    FILE *f = std::fopen(json_path.c_str(), "wb");
    if (!f) return "cannot write " + json_path;
    std::fwrite(expect_json.data(), 1, expect_json.size(), f);
    std::fclose(f);
    std::string out;
    int rc = vtest::run("/usr/bin/python3 " + vtest::shell_quote(vtest::source_dir() + "/tests/xlsx/check_xlsx.py") +
                            " " + vtest::shell_quote(file) + " " + vtest::shell_quote(json_path),
                        &out);
    return rc == 0 ? std::string() : out.empty() ? "check_xlsx.py failed" : out;
}

std::string soffice_to_csv(const std::vector<std::string> &files, const std::string &outdir) {
    std::string cmd = "cd " + vtest::shell_quote(outdir) +
                      " && timeout 170 soffice -env:UserInstallation=file://" + outdir +
                      "/lo-profile --headless --norestore --convert-to csv --outdir " + vtest::shell_quote(outdir);
    for (const std::string &f : files) cmd += " " + vtest::shell_quote(f);
    std::string out;
    int rc = vtest::run(cmd, &out);
    return rc == 0 ? std::string() : "soffice failed: " + out;
}

} // namespace wtest
