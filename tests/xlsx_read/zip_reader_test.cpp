// The package reader: hostile archives built byte by byte, and our writer's packages against python3's
// zipfile. Other writers' packages and the raw copies of entries are the corpus tests' work.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

#include "test_support.h"
#include "zip_builder.h"
#include "velmora.h"
#include "xlsx/read/zip_reader.h"

namespace {

using namespace vtest;

// The reader keeps reading the archive's memory: no temporaries.
int open(vel::ZipReader &r, const std::string &zip) { return r.open_memory(zip.data(), zip.size()); }
int open(vel::ZipReader &r, std::string &&zip) = delete;

TEST(ZipReader, UnsafeOrRepeatedNamesRefuseThePackage) {
    // One name per refusal: "..", absolute, drive letter, backslash, empty and "." segments, control, zero byte.
    for (const std::string &bad :
         std::vector<std::string>{"../evil", "/etc/passwd", "C:/x.xml", "xl\\..\\evil", "xl//a", "./a", "a\nb",
                                  std::string("a\0b", 3)}) {
        vel::ZipReader r;
        std::string zip = build_zip({{"ok.xml", "x"}, {bad, "y"}});
        EXPECT_EQ(open(r, zip), vel::ZIPREAD_ERR_REFUSED) << bad;
        EXPECT_NE(r.error().find("refused"), std::string::npos) << r.error();
        EXPECT_TRUE(r.entries().empty());
    }
    vel::ZipReader r;
    std::string twice = build_zip({{"xl/a.xml", "x"}, {"XL/A.xml", "y"}});
    EXPECT_EQ(open(r, twice), vel::ZIPREAD_ERR_REFUSED) << r.error();
    std::string fine = build_zip({{"a..b/..c", "x"}, {"xl/", ""}, {"xl/x.xml", "y"}});
    EXPECT_EQ(open(r, fine), 0) << r.error();
    EXPECT_TRUE(r.entries()[1].directory);
}

TEST(ZipReader, ZipBombStopsAtTheBound) {
    uint32_t crc = 0;
    const uint64_t gib = 1000ull * 1000 * 1000;
    Item bomb{"xl/worksheets/sheet1.xml", ""};
    bomb.packed = deflate_zeros(gib, &crc);
    bomb.crc = crc;
    ASSERT_LT(bomb.packed.size(), 2u << 20);
    uint64_t got = 0;
    auto count = [&](const char *, size_t n) {
        got += n;
        return 0;
    };
    vel::ZipReader r;
    // Honest header: the ratio refuses it before anything is inflated.
    bomb.size = static_cast<int64_t>(gib);
    std::string honest = build_zip({bomb});
    ASSERT_EQ(open(r, honest), 0) << r.error();
    EXPECT_EQ(r.read(0, count), vel::ZIPREAD_ERR_LIMIT);
    EXPECT_EQ(got, 0u);
    EXPECT_NE(r.error().find("zip bomb"), std::string::npos) << r.error();
    // A header that understates the size: inflating stops at the declared size.
    bomb.size = 50 << 20;
    std::string lying = build_zip({bomb});
    ASSERT_EQ(open(r, lying), 0);
    EXPECT_EQ(r.read(0, count), vel::ZIPREAD_ERR_CORRUPT);
    EXPECT_EQ(got, 50u << 20);
    // Absolute and total bounds.
    vel::ZipLimits small{.max_total_bytes = 1500, .max_entry_bytes = 1000};
    vel::ZipReader s(small);
    std::string three = build_zip({{"a", std::string(900, 'a')}, {"b", std::string(900, 'b')}, {"c", std::string(1001, 'c')}});
    ASSERT_EQ(open(s, three), 0);
    std::string out;
    EXPECT_EQ(s.read_whole(0, out), 0);
    EXPECT_EQ(s.read_whole(1, out), vel::ZIPREAD_ERR_LIMIT);
    EXPECT_EQ(s.read_whole(2, out), vel::ZIPREAD_ERR_LIMIT);
    EXPECT_EQ(s.inflated_total(), 900u);
    small.max_entries = 2;
    vel::ZipReader t(small);
    std::string many = build_zip({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    EXPECT_EQ(open(t, many), vel::ZIPREAD_ERR_LIMIT);
}

TEST(ZipReader, DamagedArchivesFailCleanly) {
    const std::string text(5000, 'x');
    // An entry of `text` with one fact changed by `damage`.
    auto entry = [&](auto damage) {
        Item it{"a.xml", text};
        damage(it);
        return it;
    };
    const struct {
        const char *what;
        Item item;
        int open_rc, read_rc;
    } cases[] = {
        {"wrong crc", entry([&](Item &i) { i.crc = crc32(0, reinterpret_cast<const Bytef *>(text.data()), 5000) ^ 1; }),
         0, vel::ZIPREAD_ERR_CORRUPT},
        {"size too small", entry([](Item &i) { i.size = 4999; }), 0, vel::ZIPREAD_ERR_CORRUPT},
        {"deflate data cut short", entry([&](Item &i) { i.packed_size = int64_t(deflate_raw(text).size()) - 10; }), 0,
         vel::ZIPREAD_ERR_CORRUPT},
        {"data past the end", entry([](Item &i) { i.packed_size = 1 << 20; }), vel::ZIPREAD_ERR_CORRUPT, 0},
        {"encrypted", entry([](Item &i) { i.flags = 1; }), vel::ZIPREAD_ERR_REFUSED, 0},
        {"bzip2", entry([](Item &i) { i.method = 12; }), vel::ZIPREAD_ERR_REFUSED, 0},
        {"local name differs", entry([](Item &i) { i.local_name = "b.xml"; }), vel::ZIPREAD_ERR_CORRUPT, 0},
        {"not deflate", entry([](Item &i) { i.packed = std::string(100, '\xff'); }), 0, vel::ZIPREAD_ERR_CORRUPT},
    };
    for (const auto &c : cases) {
        vel::ZipReader r;
        std::string zip = build_zip({{"first.xml", "1"}, c.item});
        ASSERT_EQ(open(r, zip), c.open_rc) << c.what << ": " << r.error();
        if (c.open_rc != 0) continue;
        std::string out;
        EXPECT_EQ(r.read_whole(1, out), c.read_rc) << c.what << ": " << r.error();
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(r.read_whole(0, out), 0) << c.what; // the reader stays usable
    }
    // b's local record lies inside a's stored data.
    Item inner{"b.xml", "hello", 0}, outer{"a.xml", build_zip({inner}).substr(0, 40), 0};
    inner.at = 35;
    vel::ZipReader r;
    std::string overlapping = build_zip({outer, inner});
    EXPECT_EQ(open(r, overlapping), vel::ZIPREAD_ERR_REFUSED) << r.error();
    EXPECT_NE(r.error().find("overlap"), std::string::npos);

    std::string zip = build_zip({{"a.xml", text}, {"b.xml", text, 0}});
    for (size_t cut = 0; cut < zip.size(); ++cut) EXPECT_EQ(r.open_memory(zip.data(), cut), vel::ZIPREAD_ERR_CORRUPT) << cut;
    for (const char *junk : {"", "PK\x05\x06", "hello, world", "\x89PNG\r\n\x1a\n"})
        EXPECT_EQ(r.open_memory(junk, std::strlen(junk)), vel::ZIPREAD_ERR_CORRUPT);
    EXPECT_EQ(r.open_file("/nonexistent/x.xlsx"), vel::ZIPREAD_ERR_OPEN);
    EXPECT_EQ(r.open_file("/tmp"), vel::ZIPREAD_ERR_OPEN);
}

TEST(ZipReader, ThreadedReadGivesTheSameBytesAndResults) {
    std::string big;
    for (int i = 0; big.size() < (3u << 20); ++i) big += "<c r=\"A" + std::to_string(i) + "\"><v>" + std::to_string(i * 7) + "</v></c>";
    Item bad{"bad.xml", big};
    bad.crc = 1;
    std::string zip = build_zip({{"big.xml", big}, bad});
    vel::ZipReader r;
    ASSERT_EQ(open(r, zip), 0) << r.error();
    std::string got;
    int chunks = 0;
    EXPECT_EQ(r.read_threaded(0, [&](const char *p, size_t n) { return got.append(p, n), ++chunks, 0; }), 0) << r.error();
    EXPECT_EQ(got, big);
    EXPECT_GT(chunks, 4);
    chunks = 0;
    EXPECT_EQ(r.read_threaded(0, [&](const char *, size_t) { return ++chunks == 3 ? -42 : 0; }), -42);
    EXPECT_EQ(chunks, 3);
    EXPECT_EQ(r.read_threaded(1, [](const char *, size_t) { return 0; }), vel::ZIPREAD_ERR_CORRUPT);
    EXPECT_NE(r.error().find("CRC"), std::string::npos) << r.error();
    EXPECT_EQ(r.read_whole(0, got), 0);
}

TEST(ZipReader, OwnPackagesReadBackEntryByEntry) {
    std::string dir = vtest::make_temp_dir("zipown");
    std::string path = dir + "/own.xlsx";
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + path + "\"").c_str()), 0) << book.error_info;
    ASSERT_EQ(VXLS_open_sheet(&book, "シート=1 MODE=CREATE"), 0) << book.error_info;
    ASSERT_EQ(VXLS_put_values(&book, "A1=hello B2=12.5 C3=\"あ&<>\" A1.塗りつぶし.色=ff0000"), 0) << book.error_info;
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;

    // python3's zipfile lists the same entries and facts, and each entry's bytes.
    const std::string script =
        "import zipfile,sys,os\n"
        "z=zipfile.ZipFile(sys.argv[1])\n"
        "for i,e in enumerate(z.infolist()):\n"
        "  print(e.filename,e.file_size,e.compress_size,e.CRC,e.compress_type,e.header_offset,'%d-%d-%d %d:%d:%d'%e.date_time)\n"
        "  open(os.path.dirname(sys.argv[1])+'/entry%d'%i,'wb').write(z.read(e))\n";
    std::string listing;
    vtest::run("/usr/bin/python3 -c " + vtest::shell_quote(script) + " " + vtest::shell_quote(path), &listing);
    vel::ZipReader r;
    ASSERT_EQ(r.open_file(path), 0) << r.error();
    std::string mine;
    for (size_t i = 0; i < r.entries().size(); ++i) {
        const vel::ZipEntry &e = r.entries()[i];
        vel::ZipDosTime t = vel::zip_dos_time(e.dos_datetime);
        char when[64];
        std::snprintf(when, sizeof when, "%d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
        mine += e.name + " " + std::to_string(e.size) + " " + std::to_string(e.compressed_size) + " " +
                std::to_string(e.crc32) + " " + std::to_string(e.method) + " " + std::to_string(e.local_offset) + " " + when + "\n";
        std::string bytes;
        ASSERT_EQ(r.read_whole(i, bytes), 0) << r.error();
        EXPECT_EQ(bytes, vtest::read_file(dir + "/entry" + std::to_string(i))) << e.name;
    }
    EXPECT_EQ(mine, listing);
    EXPECT_GE(r.entries().size(), 9u);
}

} // namespace
