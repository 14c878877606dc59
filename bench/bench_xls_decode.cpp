// The .xls decoder alone: an image held in memory decoded into a sink that
// only counts, repeatedly. Prints cells per second (best and median run)
// and the peak resident set.
//
// Usage:
//   bench_xls_decode prepare OUT.xls [ROWS]   ROWS x 10 numbers, dates and texts
//                                             (openpyxl .xlsx, converted by LibreOffice)
//   bench_xls_decode run FILE.xls [RUNS]      decode RUNS times (default 20)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xls/decoder.h"

namespace {

using namespace vel::xls;

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Peak resident set of this process in KiB (VmHWM).
long peak_kib() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct CountingSink : Sink {
    uint64_t cells = 0, strings = 0, string_bytes = 0;
    double sum = 0;
    void shared_string(std::string_view s) override {
        ++strings;
        string_bytes += s.size();
    }
    void cell(const CellEvent &c) override {
        ++cells;
        sum += c.number;
    }
};

std::string quoted(const std::string &s) { return "'" + s + "'"; }

int prepare(const std::string &out, int rows) {
    const std::string dir = out.substr(0, out.find_last_of('/') == std::string::npos ? 0 : out.find_last_of('/'));
    const std::string outdir = dir.empty() ? "." : dir;
    std::string stem = out.substr(out.find_last_of('/') + 1);
    stem = stem.substr(0, stem.rfind('.'));
    const std::string xlsx = outdir + "/" + stem + ".xlsx";
    const std::string here = std::string(VEL_BENCH_DIR);
    std::string cmd = "/usr/bin/python3 " + quoted(here + "/make_xls_input.py") + " " + quoted(xlsx) + " " + std::to_string(rows);
    if (std::system(cmd.c_str()) != 0) return 1;
    cmd = "libreoffice --headless --convert-to xls --outdir " + quoted(outdir) + " " + quoted(xlsx) + " > /dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return 1;
    std::printf("prepared %s (%d rows x 10 columns)\n", out.c_str(), rows);
    return 0;
}

int run(const std::string &path, int runs) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (image.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<double> rates;
    uint64_t cells = 0;
    for (int i = 0; i < runs; ++i) {
        CountingSink sink;
        const double t0 = now();
        const ReadStatus st = decode_xls(image.data(), image.size(), sink);
        const double t1 = now();
        if (!st.ok()) {
            std::fprintf(stderr, "decode failed: %d %s\n", st.result, st.detail.c_str());
            return 1;
        }
        cells = sink.cells;
        rates.push_back(static_cast<double>(sink.cells) / (t1 - t0));
    }
    std::sort(rates.begin(), rates.end());
    std::printf("xls decode: %llu cells, %.1f M cells/s best, %.1f M cells/s median, file %.1f MB, peak RSS %.1f MiB\n",
                static_cast<unsigned long long>(cells), rates.back() / 1e6, rates[rates.size() / 2] / 1e6,
                static_cast<double>(image.size()) / 1e6, static_cast<double>(peak_kib()) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "prepare" && argc >= 3) return prepare(argv[2], argc > 3 ? std::atoi(argv[3]) : 60000);
    if (mode == "run" && argc >= 3) return run(argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 20);
    std::fprintf(stderr, "usage: bench_xls_decode prepare OUT.xls [ROWS] | run FILE.xls [RUNS]\n");
    return 2;
}
