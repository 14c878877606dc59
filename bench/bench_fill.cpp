// Fill-colour throughput and memory per filled cell, with exactly the texts
// the frame converter sends for 160 x 120 frames: per sheet an open-sheet
// call, a zoom text, one text of 160 column widths, then one text per pixel
// row with its height and 160 fill colours. Run once in Shift-JIS (the
// converter's character set) and once with CHARSET=UTF8, plus a run that
// calls the property engine directly to separate it from the text parser.
//
// Usage: bench_fill [SHEETS] [all|texts|engine]   (default 300 all)
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

#include "api/handle.h"
#include "model/sheets.h"
#include "property/engine.h"
#include "property/kinds.h"
#include "velmora.h"

// ---- counting allocator ------------------------------------------------------

namespace {
size_t g_live = 0;

void *counted_alloc(size_t n) {
    void *p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    g_live += malloc_usable_size(p);
    return p;
}
void counted_free(void *p) {
    if (!p) return;
    g_live -= malloc_usable_size(p);
    std::free(p);
}
} // namespace

void *operator new(size_t n) { return counted_alloc(n); }
void *operator new[](size_t n) { return counted_alloc(n); }
void operator delete(void *p) noexcept { counted_free(p); }
void operator delete[](void *p) noexcept { counted_free(p); }
void operator delete(void *p, size_t) noexcept { counted_free(p); }
void operator delete[](void *p, size_t) noexcept { counted_free(p); }

namespace {

constexpr int W = 160;
constexpr int H = 120;
constexpr int FRAMES = 4; // distinct frames, reused cyclically

// Thread CPU time: the machine is shared, so wall-clock time would count
// other processes' turns.
struct Clock {
    using time_point = double;
    static double now() {
        timespec ts;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
};
double seconds(double d) { return d; }

std::string to_cp932(const std::string &utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 8, '\0');
    char *src = const_cast<char *>(utf8.data());
    size_t src_left = utf8.size(), dst_left = out.size();
    char *dst = out.data();
    iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    out.resize(out.size() - dst_left);
    return out;
}

struct Words {
    std::string sheet, zoom, width, height, fill;
};

Words words(bool sjis) {
    Words w{"シート", "ズーム", "幅", "高さ", "塗りつぶし.色"};
    if (sjis) {
        w.sheet = to_cp932(w.sheet);
        w.zoom = to_cp932(w.zoom);
        w.width = to_cp932(w.width);
        w.height = to_cp932(w.height);
        w.fill = to_cp932(w.fill);
    }
    return w;
}

// A deterministic picture: red follows x, green follows y, blue a coarse
// diagonal; every channel a multiple of 8 (about 4,000 distinct colours).
void pixel(int frame, int x, int y, int &r, int &g, int &b) {
    r = ((x + frame * 3) % 32) * 8;
    g = ((y * 2 + frame) % 32) * 8;
    b = (((x + y) / 20 + frame) % 4) * 64;
}

struct Texts {
    std::string widths;
    std::vector<std::string> rows[FRAMES];
};

Texts build_texts(const Words &w) {
    Texts t;
    char name[16], item[128];
    for (int c = 1; c <= W; ++c) {
        VXLS_cell_name(1, c, name);
        std::snprintf(item, sizeof item, "%s.%s=2 ", name, w.width.c_str());
        t.widths += item;
    }
    for (int f = 0; f < FRAMES; ++f) {
        for (int y = 0; y < H; ++y) {
            std::snprintf(item, sizeof item, "%d.%s=15.75 ", y + 1, w.height.c_str());
            std::string row = item;
            for (int x = 0; x < W; ++x) {
                int r, g, b;
                pixel(f, x, y, r, g, b);
                VXLS_cell_name(y + 1, x + 1, name);
                std::snprintf(item, sizeof item, "%s.%s=%02x%02x%02x ", name, w.fill.c_str(), r, g, b);
                row += item;
            }
            t.rows[f].push_back(std::move(row));
        }
    }
    return t;
}

long rss_kib() {
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::atol(line + 6);
    std::fclose(f);
    return kib;
}

struct Result {
    double fill_seconds = 0;   // time inside the row texts / fill applications
    double total_seconds = 0;  // everything, sheet creation included
    long long items = 0;
    double bytes_per_cell = 0;
    long rss_delta_kib = 0;
    size_t fills = 0, xfs = 0;
};

bool check(int rc, XLS_BOOK &book, const char *what) {
    if (rc == 0) return true;
    std::fprintf(stderr, "%s failed: rc=%d %s\n", what, rc, book.error_info);
    return false;
}

// Through VXLS_put_values, as the converter does.
bool run_texts(bool sjis, int sheets, Result &res) {
    Words w = words(sjis);
    Texts t = build_texts(w);
    XLS_BOOK book{};
    if (!check(VXLS_open_book(&book, sjis ? "" : "CHARSET=UTF8"), book, "VXLS_open_book")) return false;
    size_t live0 = g_live;
    long rss0 = rss_kib();
    std::string zoom = w.zoom + "=20";
    auto t0 = Clock::now();
    double fill = 0;
    for (int s = 0; s < sheets; ++s) {
        char opt[64];
        std::snprintf(opt, sizeof opt, "%s=%d MODE=CREATE", w.sheet.c_str(), s + 1);
        if (!check(VXLS_open_sheet(&book, opt), book, "VXLS_open_sheet")) return false;
        if (!check(VXLS_put_values(&book, zoom.c_str()), book, "zoom")) return false;
        if (!check(VXLS_put_values(&book, t.widths.c_str()), book, "widths")) return false;
        const auto &rows = t.rows[s % FRAMES];
        auto f0 = Clock::now();
        for (const std::string &row : rows)
            if (!check(VXLS_put_values(&book, row.c_str()), book, "row")) return false;
        fill += seconds(Clock::now() - f0);
    }
    res.total_seconds = seconds(Clock::now() - t0);
    res.fill_seconds = fill;
    res.items = static_cast<long long>(sheets) * W * H;
    res.bytes_per_cell = static_cast<double>(g_live - live0) / static_cast<double>(res.items);
    res.rss_delta_kib = rss_kib() - rss0;
    res.fills = vel::api::live(&book)->book.model.fills.size();
    res.xfs = vel::api::live(&book)->book.model.xfs.size();
    VXLS_free_book(&book);
    return true;
}

// The engine alone: the same items as parsed kinds and targets.
bool run_engine(int sheets, Result &res) {
    vel::Book book;
    book.charset = VXLS_CHARSET_UTF8;
    if (book.reset(false) != 0) return false;
    auto t0 = Clock::now();
    double fill = 0;
    vel::PropTarget target;
    std::vector<char> values[FRAMES];
    for (int f = 0; f < FRAMES; ++f) {
        values[f].resize(static_cast<size_t>(W) * H * 7);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                int r, g, b;
                pixel(f, x, y, r, g, b);
                std::snprintf(&values[f][(static_cast<size_t>(y) * W + x) * 7], 7, "%02x%02x%02x", r, g, b);
            }
    }
    for (int s = 0; s < sheets; ++s) {
        if (vel::vlt_add_sheet(&book, vel::next_sheet_name(&book)) != 0) return false;
        target.row = 0;
        for (int x = 0; x < W; ++x) {
            target.col = x;
            if (vel::vlt_apply_property(&book, vel::kind::WIDTH, target, "2", 1) != 0) return false;
        }
        auto f0 = Clock::now();
        for (int y = 0; y < H; ++y) {
            target.row = y;
            target.col = -1;
            if (vel::vlt_apply_property(&book, vel::kind::HEIGHT, target, "15.75", 5) != 0) return false;
            for (int x = 0; x < W; ++x) {
                const char *value = &values[s % FRAMES][(static_cast<size_t>(y) * W + x) * 7];
                target.col = x;
                if (vel::vlt_apply_property(&book, vel::kind::FILL_COLOR, target, value, 6) != 0) {
                    std::fprintf(stderr, "fill: %s\n", book.diag.message.c_str());
                    return false;
                }
            }
        }
        fill += seconds(Clock::now() - f0);
    }
    res.total_seconds = seconds(Clock::now() - t0);
    res.fill_seconds = fill;
    res.items = static_cast<long long>(sheets) * W * H;
    res.fills = book.model.fills.size();
    res.xfs = book.model.xfs.size();
    return true;
}

void report(const char *label, const Result &r, bool memory) {
    std::printf("%-34s %8.2f M fill items/s  (%lld items, %.3f s CPU in row texts, %.3f s total)\n", label,
                r.items / r.fill_seconds / 1e6, r.items, r.fill_seconds, r.total_seconds);
    std::printf("%-34s fills %zu, cell formats %zu\n", "", r.fills, r.xfs);
    if (memory)
        std::printf("%-34s %8.2f bytes per filled cell (live heap), RSS +%ld KiB\n", "", r.bytes_per_cell,
                    r.rss_delta_kib);
}

} // namespace

int main(int argc, char **argv) {
    int sheets = argc > 1 ? std::atoi(argv[1]) : 300;
    if (sheets < 1) sheets = 1;
    std::string mode = argc > 2 ? argv[2] : "all";
    bool texts = mode != "engine", engine = mode != "texts";
    std::printf("bench_fill: %d sheets of %d x %d cells (targets: >= 5 M items/s, <= 24 bytes/cell)\n",
                sheets, W, H);
    Result r;
    if (texts) {
        if (!run_texts(true, sheets, r)) return 1;
        report("VXLS_put_values, Shift-JIS", r, true);
        if (!run_texts(false, sheets, r)) return 1;
        report("VXLS_put_values, CHARSET=UTF8", r, true);
    }
    if (engine) {
        if (!run_engine(sheets, r)) return 1;
        report("vlt_apply_property only", r, false);
    }
    return 0;
}
