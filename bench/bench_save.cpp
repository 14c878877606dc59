// The frame workbook end to end: frames put through VXLS_put_values exactly
// as the frame converter sends them, then VXLS_close_book SAVE. Prints the
// wall time of both phases, the peak resident set and the file size.
//
// Usage:
//   bench_save prepare N FRAMES_FILE [noise]   sample N ffmpeg test frames
//   bench_save run FRAMES_FILE OUT.xlsx         put + save, one line of figures
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <string>
#include <vector>

#include "frames.h"
#include "velmora.h"

namespace {

std::string to_sjis(const std::string &utf8) {
    std::string out(utf8.size() * 2 + 4, '\0');
    iconv_t cd = iconv_open("CP932", "UTF-8");
    char *src = const_cast<char *>(utf8.data());
    size_t src_left = utf8.size();
    char *dst = out.data();
    size_t dst_left = out.size();
    iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    out.resize(out.size() - dst_left);
    return out;
}

int prepare(int n, const char *path, bool noise) {
    std::string cmd = "ffmpeg -v error -f lavfi -i testsrc2=size=640x480:rate=10" +
                      std::string(noise ? ",noise=alls=60:allf=t" : "") + " -frames:v " + std::to_string(n) +
                      " -pix_fmt bgr24 -f rawvideo -";
    FILE *in = popen(cmd.c_str(), "r");
    FILE *out = std::fopen(path, "wb");
    if (!in || !out) return 1;
    std::vector<unsigned char> frame(640 * 480 * 3), sampled(FRAME_BYTES);
    int frames = 0;
    while (std::fread(frame.data(), 1, frame.size(), in) == frame.size()) {
        for (int y = 0; y < FRAME_H; ++y)
            for (int x = 0; x < FRAME_W; ++x) {
                const unsigned char *p = &frame[(static_cast<size_t>(y) * 4 * 640 + x * 4) * 3];
                unsigned char *q = &sampled[(static_cast<size_t>(y) * FRAME_W + x) * 3];
                q[0] = p[2] & 0xf8; // red
                q[1] = p[1] & 0xf8;
                q[2] = p[0] & 0xf8;
            }
        std::fwrite(sampled.data(), 1, sampled.size(), out);
        ++frames;
    }
    pclose(in);
    std::fclose(out);
    return frames == n ? 0 : 1;
}

bool ok(int rc, XLS_BOOK &book, const char *what) {
    if (rc == 0) return true;
    std::fprintf(stderr, "%s: %d %s\n", what, rc, book.error_info);
    return false;
}

int run(const char *frames_path, const char *out_path) {
    FILE *in = std::fopen(frames_path, "rb");
    if (!in) return 1;
    const std::string sheet = to_sjis("シート"), zoom = to_sjis("ズーム=20"), width = to_sjis("幅"),
                      height = to_sjis("高さ"), fill = to_sjis("塗りつぶし.色");
    static XLS_BOOK book;
    std::string open = "BOOK=\"" + std::string(out_path) + "\"";
    if (!ok(VXLS_open_book(&book, open.c_str()), book, "VXLS_open_book")) return 1;

    char names[FULL_W][4];
    for (int c = 0; c < FULL_W; ++c) {
        char name[16];
        VXLS_cell_name(1, c + 1, name);
        name[std::strlen(name) - 1] = '\0'; // drop the row digit
        std::snprintf(names[c], sizeof names[c], "%s", name);
    }
    // As the frame converter sends them: the width of every pixel column of
    // the full frame, whatever the sampling ratio.
    std::string widths;
    for (int c = 0; c < FULL_W; ++c) widths += std::string(names[c]) + "1." + width + "=2 ";

    std::vector<unsigned char> frame(FRAME_BYTES);
    std::string row;
    char item[256];
    int sheets = 0;
    double t0 = bench_now();
    while (std::fread(frame.data(), 1, frame.size(), in) == frame.size()) {
        ++sheets;
        std::snprintf(item, sizeof item, "%s=%d MODE=CREATE", sheet.c_str(), sheets);
        if (!ok(VXLS_open_sheet(&book, item), book, "VXLS_open_sheet")) return 1;
        if (!ok(VXLS_put_values(&book, zoom.c_str()), book, "zoom")) return 1;
        if (!ok(VXLS_put_values(&book, widths.c_str()), book, "widths")) return 1;
        for (int y = 0; y < FRAME_H; ++y) {
            // The row text, built without a formatted print per item.
            const std::string digits = std::to_string(y + 1);
            row.clear();
            row += digits;
            row += '.';
            row += height;
            row += "=15.75 ";
            for (int x = 0; x < FRAME_W; ++x) {
                const unsigned char *p = &frame[(static_cast<size_t>(y) * FRAME_W + x) * 3];
                static const char hex[] = "0123456789abcdef";
                row += names[x];
                row += digits;
                row += '.';
                row += fill;
                row += '=';
                for (int k = 0; k < 3; ++k) {
                    row += hex[p[k] >> 4];
                    row += hex[p[k] & 15];
                }
                row += ' ';
            }
            if (!ok(VXLS_put_values(&book, row.c_str()), book, "row")) return 1;
        }
    }
    std::fclose(in);
    double t1 = bench_now();
    if (!ok(VXLS_close_book(&book, "SAVE"), book, "VXLS_close_book")) return 1;
    double t2 = bench_now();
    std::printf("velmora sheets=%d put_s=%.3f save_s=%.3f peak_kib=%ld size=%ld\n", sheets, t1 - t0, t2 - t1,
                bench_peak_kib(), bench_file_size(out_path));
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 4 && std::strcmp(argv[1], "prepare") == 0)
        return prepare(std::atoi(argv[2]), argv[3], argc > 4 && std::strcmp(argv[4], "noise") == 0);
    if (argc >= 4 && std::strcmp(argv[1], "run") == 0) return run(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_save prepare N FRAMES_FILE [noise] | run FRAMES_FILE OUT.xlsx\n");
    return 2;
}
