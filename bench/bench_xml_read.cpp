// Reading speed of the package reader's two foundations on a big worksheet:
// inflating alone, the XML reader alone (part already in memory), and both
// streamed together, with a handler that only counts (the floor under any
// worksheet reader), and both on two threads. The XML reader runs with each
// of its parsers on the same bytes (our scanner, then expat forced), and
// bare expat shows what the reader's own layer costs. Times are processor
// time unless marked wall clock; each figure is the best of five.
//
// Usage:
//   bench_xml_read make OUT.xlsx ROWS   a 10-column workbook through the public API
//   bench_xml_read run BOOK.xlsx        sheet1 of a package
//   bench_xml_read xml PART.xml         an XML file on disk
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <expat.h>
#include <string>

#include "velmora.h"
#include "xlsx/read/zip_reader.h"
#include "xml/reader.h"

namespace {

// Processor time of this process: steadier than the wall clock on a
// machine that others share. The two-thread reading is timed by the wall
// clock, which is what it is meant to shorten.
bool wall_clock = false;
double now() {
    if (wall_clock) return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr size_t CHUNK = 256 * 1024;

struct Counter final : vel::XmlHandler {
    long elements = 0, cells = 0, texts = 0, attrs = 0;
    int start_element(const vel::XmlElement &e) override {
        ++elements;
        attrs += static_cast<long>(e.attr_count);
        if (e.ns == vel::XmlNs::MAIN && e.local.size() == 1 && e.local[0] == 'c') ++cells;
        return 0;
    }
    int text(std::string_view, int) override {
        ++texts;
        return 0;
    }
};

int make(const char *path, int rows) {
    XLS_BOOK book{};
    std::string open = std::string("CHARSET=UTF8 BOOK=\"") + path + "\"";
    if (VXLS_open_book(&book, open.c_str()) != 0 || VXLS_open_sheet(&book, "シート=1 MODE=CREATE") != 0) {
        std::fprintf(stderr, "%s\n", book.error_info);
        return 1;
    }
    static const char *pooled[] = {"東京", "大阪", "名古屋", "札幌", "福岡", "alpha", "beta", "gamma"};
    std::string text;
    char buf[512];
    for (int r = 1; r <= rows; ++r) {
        std::snprintf(buf, sizeof buf,
                      "A%d=%d B%d=%d.%03d C%d=%s D%d=2024/%d/%d E%d=%d.5%% F%d=u%dテキスト G%d=\"=A%d*2\" H%d=%d ", r, r, r,
                      r % 9973, r % 1000, r, pooled[r % 8], r, 1 + r % 12, 1 + r % 28, r, r % 100, r, r, r, r, r,
                      r * 7);
        text = buf;
        if (r % 2) {
            std::snprintf(buf, sizeof buf, "I%d=%d ", r, r % 500);
            text += buf;
        }
        std::snprintf(buf, sizeof buf, "J%d=-%d.25", r, r);
        text += buf;
        if (VXLS_put_values(&book, text.c_str()) != 0) {
            std::fprintf(stderr, "%s\n", book.error_info);
            return 1;
        }
    }
    if (VXLS_close_book(&book, "SAVE") != 0) {
        std::fprintf(stderr, "%s\n", book.error_info);
        return 1;
    }
    return 0;
}

void report(const char *what, double seconds, size_t bytes, const Counter *c) {
    std::printf("%-32s %7.3f s %8.1f MB/s", what, seconds, static_cast<double>(bytes) / seconds / 1e6);
    if (c)
        std::printf(" %6.2f M elements/s %6.2f M cells/s", static_cast<double>(c->elements) / seconds / 1e6,
                    static_cast<double>(c->cells) / seconds / 1e6);
    std::printf("\n");
}

// Bare expat, plain mode, no work in the callbacks.
long expat_elements;
void XMLCALL bare_start(void *, const XML_Char *, const XML_Char **) { ++expat_elements; }
void XMLCALL bare_end(void *, const XML_Char *) {}
void XMLCALL bare_text(void *, const XML_Char *, int) {}

double bare_expat(const std::string &xml) {
    double t = now();
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetElementHandler(p, bare_start, bare_end);
    XML_SetCharacterDataHandler(p, bare_text);
    for (size_t at = 0; at < xml.size(); at += CHUNK) {
        size_t n = std::min(CHUNK, xml.size() - at);
        if (XML_Parse(p, xml.data() + at, static_cast<int>(n), at + n == xml.size()) != XML_STATUS_OK) std::abort();
    }
    XML_ParserFree(p);
    return now() - t;
}

double parse_memory(const std::string &xml, Counter &c, vel::XmlBackend backend) {
    c = Counter{};
    double t = now();
    vel::XmlReader reader(c, {}, backend);
    for (size_t at = 0; at < xml.size(); at += CHUNK)
        if (reader.feed(xml.data() + at, std::min(CHUNK, xml.size() - at)) != 0) std::abort();
    if (reader.finish() != 0) std::abort();
    return now() - t;
}

template <class F> double best(int runs, F f) {
    double b = 1e30;
    for (int i = 0; i < runs; ++i) b = std::min(b, f());
    return b;
}

void xml_figures(const std::string &xml) {
    Counter c, x;
    double t = best(5, [&] { return parse_memory(xml, c, vel::XmlBackend::AUTO); });
    report("XML reader, scanner (in memory)", t, xml.size(), &c);
    std::printf("  %ld elements, %ld cells, %ld attributes, %ld texts\n", c.elements, c.cells, c.attrs, c.texts);
    double te = best(5, [&] { return parse_memory(xml, x, vel::XmlBackend::EXPAT); });
    report("XML reader, expat (in memory)", te, xml.size(), &x);
    if (x.elements != c.elements || x.attrs != c.attrs || x.texts != c.texts) {
        std::fprintf(stderr, "the two parsers disagree\n");
        std::abort();
    }
    expat_elements = 0;
    double e = best(5, [&] { return bare_expat(xml); });
    Counter bare;
    bare.elements = expat_elements / 5;
    report("bare expat (in memory)", e, xml.size(), &bare);
    std::printf("  scanner: %.2fx the reader on expat, %.2fx bare expat\n", te / t, e / t);
}

int run(const char *path) {
    vel::ZipLimits limits;
    limits.max_total_bytes = ~uint64_t{0};   // the part is inflated many times over
    vel::ZipReader zip(limits);
    if (zip.open_file(path) != 0) {
        std::fprintf(stderr, "%s\n", zip.error().c_str());
        return 1;
    }
    long index = zip.find("xl/worksheets/sheet1.xml");
    if (index < 0) return 1;
    const vel::ZipEntry &e = zip.entries()[static_cast<size_t>(index)];
    std::printf("sheet1.xml: %llu bytes, %llu compressed\n", static_cast<unsigned long long>(e.size),
                static_cast<unsigned long long>(e.compressed_size));
    double t = best(5, [&] {
        double s = now();
        if (zip.read(static_cast<size_t>(index), [](const char *, size_t) { return 0; }) != 0) std::abort();
        return now() - s;
    });
    report("inflate only", t, e.size, nullptr);
    std::string xml;
    zip.read_whole(static_cast<size_t>(index), xml);
    xml_figures(xml);
    const struct {
        vel::XmlBackend backend;
        const char *name;
    } parsers[] = {{vel::XmlBackend::AUTO, "scanner"}, {vel::XmlBackend::EXPAT, "expat"}};
    for (const auto &parser : parsers) {
        Counter c;
        auto stream = [&](bool threaded) {
            c = Counter{};
            double s = now();
            vel::XmlReader reader(c, {}, parser.backend);
            auto feed = [&](const char *p, size_t n) { return reader.feed(p, n); };
            const size_t i = static_cast<size_t>(index);
            if ((threaded ? zip.read_threaded(i, feed) : zip.read(i, feed)) != 0 || reader.finish() != 0) std::abort();
            return now() - s;
        };
        wall_clock = false;
        std::string what = std::string("inflate + XML reader, ") + parser.name;
        report(what.c_str(), best(5, [&] { return stream(false); }), e.size, &c);
        wall_clock = true;
        report("  the same, wall clock", best(5, [&] { return stream(false); }), e.size, &c);
        report("  on two threads, wall clock", best(5, [&] { return stream(true); }), e.size, &c);
    }
    wall_clock = false;
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 4 && std::strcmp(argv[1], "make") == 0) return make(argv[2], std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "run") == 0) return run(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "xml") == 0) {
        FILE *f = std::fopen(argv[2], "rb");
        if (!f) return 1;
        std::string xml;
        char buf[1 << 16];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) xml.append(buf, n);
        std::fclose(f);
        xml_figures(xml);
        return 0;
    }
    std::fprintf(stderr, "usage: bench_xml_read make OUT.xlsx ROWS | run BOOK.xlsx | xml PART.xml\n");
    return 2;
}
