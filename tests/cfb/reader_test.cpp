// Compound-file reader: streams read back through every layout (shuffled
// sectors, 4096-byte sectors, DIFAT sectors, list-shaped directories, mini
// stream), and damaged files (loops, sectors past the end, cycles, absurd
// sizes, truncation) refused with a clean error. Random damage is the fuzz
// target's work.
#include "cfb/reader.h"

#include <gtest/gtest.h>

#include <random>

#include "cfb_image.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vel::cfb::Reader;
using vel::cfb::Status;

Bytes pattern(size_t n, uint32_t seed) {
    Bytes b(n);
    std::mt19937 rng(seed);
    for (auto &x : b) x = static_cast<uint8_t>(rng());
    return b;
}

// Streams on both sides of the mini-stream cutoff and of sector boundaries.
std::vector<vtest::CfbItem> sample_items() {
    std::vector<vtest::CfbItem> items;
    const size_t sizes[] = {0, 1, 63, 64, 100, 4095, 4096, 5000, 70000};
    for (size_t i = 0; i < std::size(sizes); ++i)
        items.push_back({"Stream" + std::to_string(i), pattern(sizes[i], static_cast<uint32_t>(i + 1))});
    items.push_back({"Sub", {}, true});
    items.push_back({"Inner", pattern(3000, 99), false, static_cast<int>(items.size())});
    return items;
}

void expect_streams(const vtest::CfbImage &img, const std::vector<vtest::CfbItem> &items) {
    Reader r;
    const Status st = r.open(img.bytes.data(), img.bytes.size());
    ASSERT_TRUE(st.ok()) << st.detail;
    EXPECT_EQ(r.sector_size(), img.sector_size);
    EXPECT_EQ(r.entries().size(), items.size() + 1);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].storage) continue;
        int e;
        if (items[i].parent == 0) {
            e = r.find(items[i].name);
        } else { // inside a storage: find the storage's entry index first
            e = -1;
            for (size_t k = 0; k < r.entries().size(); ++k)
                if (r.entries()[k].name == items[items[i].parent - 1].name) e = r.find(items[i].name, static_cast<int>(k));
        }
        ASSERT_GE(e, 0) << items[i].name;
        Bytes got;
        const Status rs = r.read(e, got);
        ASSERT_TRUE(rs.ok()) << items[i].name << ": " << rs.detail;
        EXPECT_EQ(got, items[i].data) << items[i].name;
    }
}

TEST(CfbReader, StreamsReadBackInEveryLayout) {
    const auto items = sample_items();
    struct Layout {
        const char *what;
        vtest::CfbOptions opt;
    };
    const Layout layouts[] = {
        {"contiguous", {}},
        // (Shuffled sectors, 4096-byte sectors and list-shaped directories
        // are also the corpus's, re-chained in XlsFragmented.)
        {"shuffled", {9, 7, false, 0}},
        {"4096-byte sectors, shuffled", {12, 3, false, 0}},
        {"directory as a list", {9, 5, true, 0}},
        {"FAT listed through DIFAT sectors", {9, 11, false, 240}},
        {"4096-byte sectors with DIFAT", {12, 13, false, 1030}},
    };
    for (const auto &l : layouts) {
        SCOPED_TRACE(l.what);
        expect_streams(vtest::make_cfb(items, l.opt), items);
    }
}

TEST(CfbReader, FindsNamesWithoutRegardToCaseAndOnlyAmongTheStoragesChildren) {
    const auto img = vtest::make_cfb({{"WORKBOOK", pattern(5000, 1)}, {"Sub", {}, true}, {"Book", pattern(10, 2), false, 2}});
    Reader r;
    ASSERT_TRUE(r.open(img.bytes.data(), img.bytes.size()).ok());
    EXPECT_GT(r.find("Workbook"), 0);
    EXPECT_GT(r.find("workbook"), 0);
    EXPECT_EQ(r.find("Book"), -1); // it lives in "Sub", not in the root
    EXPECT_EQ(r.find("Sub"), -1);  // a storage, not a stream
}

TEST(CfbReader, ContiguousStreamsAreExposedWithoutCopying) {
    const Bytes data = pattern(100000, 4);
    const auto img = vtest::make_cfb({{"Workbook", data}});
    Reader r;
    ASSERT_TRUE(r.open(img.bytes.data(), img.bytes.size()).ok());
    std::vector<vel::cfb::Extent> runs;
    ASSERT_TRUE(r.extents(r.find("Workbook"), runs).ok());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].data, img.bytes.data() + img.sector_offset(img.streams[0][0]));
    EXPECT_EQ(runs[0].size, data.size());

    const auto shuffled = vtest::make_cfb({{"Workbook", data}}, {9, 21, false, 0});
    ASSERT_TRUE(r.open(shuffled.bytes.data(), shuffled.bytes.size()).ok());
    ASSERT_TRUE(r.extents(r.find("Workbook"), runs).ok());
    EXPECT_GT(runs.size(), 1u);
    Bytes joined;
    for (const auto &x : runs) joined.insert(joined.end(), x.data, x.data + x.size);
    EXPECT_EQ(joined, data);
}

// Opens an image and reads its first stream; the status of whichever fails first.
Status open_and_read(const Bytes &image, Bytes *out = nullptr) {
    Reader r;
    Status st = r.open(image.data(), image.size());
    if (!st.ok()) return st;
    Bytes got;
    for (size_t i = 1; i < r.entries().size(); ++i) {
        if (r.entries()[i].type != vel::cfb::EntryType::stream) continue;
        st = r.read(static_cast<int>(i), got);
        if (!st.ok()) return st;
        if (out) *out = got;
        break;
    }
    return st;
}

void expect_refused(const Bytes &image, const std::string &detail) {
    const Status st = open_and_read(image);
    EXPECT_EQ(st.result, -4);
    EXPECT_EQ(st.code, vel::cfb::CODE_DAMAGED);
    EXPECT_EQ(st.detail, detail);
}

TEST(CfbReader, HeaderChecksInOrder) {
    const auto img = vtest::make_cfb({{"Workbook", pattern(5000, 1)}});
    auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes b = img.bytes;
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    expect_refused(Bytes(img.bytes.begin(), img.bytes.begin() + 300), "Invalid Header");
    expect_refused(patched(0, {0x50, 0x4B}), "Invalid Signature");
    // Big-endian byte order is reported before a bad sector size.
    Bytes be = patched(28, {0xFF, 0xFE});
    be[30] = 10;
    expect_refused(be, "Invalid Byte Order");
    expect_refused(patched(30, {10, 0}), "Invalid Sector Size");
    expect_refused(patched(32, {7, 0}), "Invalid Short-sector Size");
}

TEST(CfbReader, DamagedAllocationTablesAreRefused) {
    const Bytes data = pattern(5000, 1);
    const auto img = vtest::make_cfb({{"Workbook", data}}, {9, 17, false, 0});
    const auto &chain = img.streams[0];
    ASSERT_GE(chain.size(), 3u);
    struct Case {
        const char *what;
        size_t at;
        uint32_t value;
        const char *detail;
    };
    const Case cases[] = {
        {"chain loops back", img.fat_entry_offset(chain[1]), chain[0], "Invalid Sector Chain"},
        {"chain loops on itself", img.fat_entry_offset(chain[2]), chain[2], "Invalid Sector Chain"},
        {"sector past the end", img.fat_entry_offset(chain[1]), 0x00FFFFFF, "Invalid Sector Chain"},
        {"chain ends early", img.fat_entry_offset(chain[1]), 0xFFFFFFFE, "Invalid Sector Chain"},
        {"free sector in a chain", img.fat_entry_offset(chain[0]), 0xFFFFFFFF, "Invalid Sector Chain"},
        {"stream size beyond the file", img.entry_offset(1) + 120, 0x7FFFFFF0, "Invalid Stream Size"},
        {"start sector past the end", img.entry_offset(1) + 116, 0x12345678, "Invalid Sector Chain"},
        {"absurd FAT count", 44, 0xFFFFFFFF, "Invalid FAT"},
        {"no FAT", 44, 0, "Invalid FAT"},
        {"FAT sector past the end", 76, 0x7FFFFFFF, "Invalid FAT"},
        {"directory chain loops", img.fat_entry_offset(img.dir[0]), img.dir[0], "Invalid Directory"},
        {"directory start past the end", 48, 0x00ABCDEF, "Invalid Directory"},
        {"mini cutoff other than 4096", 56, 512, "Invalid Header"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = img.bytes;
        std::memcpy(b.data() + c.at, &c.value, 4);
        expect_refused(b, c.detail);
    }
}

TEST(CfbReader, DifatChainLoopIsRefused) {
    auto img = vtest::make_cfb({{"Workbook", pattern(5000, 1)}}, {9, 5, false, 300});
    ASSERT_GE(img.difat.size(), 2u);
    expect_streams(img, {{"Workbook", pattern(5000, 1)}});
    img.put32(img.sector_offset(img.difat[0]) + 508, img.difat[0]);
    expect_refused(img.bytes, "Invalid FAT");
}

TEST(CfbReader, DirectoryCyclesAndBadEntriesAreRefused) {
    const std::vector<vtest::CfbItem> items = {{"A", pattern(10, 1)}, {"B", pattern(10, 2)}, {"C", pattern(10, 3)},
                                               {"S", {}, true},         {"D", pattern(10, 4), false, 4}};
    const auto img = vtest::make_cfb(items, {9, 0, true, 0}); // list: root -> A -> B -> C -> S; S -> D
    struct Case {
        const char *what;
        size_t at;
        uint32_t value;
    };
    const Case cases[] = {
        {"sibling points at itself", img.entry_offset(1) + 72, 1},
        {"sibling points back", img.entry_offset(3) + 72, 1},
        {"storage child points at an ancestor", img.entry_offset(4) + 76, 4},
        {"child points at the root", img.entry_offset(4) + 76, 0},
        {"index past the directory", img.entry_offset(2) + 68, 1000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = img.bytes;
        std::memcpy(b.data() + c.at, &c.value, 4);
        expect_refused(b, "Invalid Directory");
    }
    Bytes b = img.bytes;
    b[img.entry_offset(0) + 66] = 1; // the root is not a root entry
    expect_refused(b, "Invalid Directory");
    b = img.bytes;
    b[img.entry_offset(2) + 66] = 0; // an unused entry inside the tree
    expect_refused(b, "Invalid Directory");
}

TEST(CfbReader, DamagedMiniStreamIsRefused) {
    const Bytes data = pattern(1000, 8); // 16 mini sectors
    auto img = vtest::make_cfb({{"Workbook", data}}, {9, 3, false, 0});
    const auto &minis = img.minis[0];
    ASSERT_GE(minis.size(), 3u);
    Bytes b = img.bytes;
    std::memcpy(b.data() + img.mini_fat_entry_offset(minis[2]), &minis[0], 4);
    expect_refused(b, "Invalid Sector Chain");
    b = img.bytes;
    const uint32_t far = 0x0FFFFFFF;
    std::memcpy(b.data() + img.mini_fat_entry_offset(minis[1]), &far, 4);
    expect_refused(b, "Invalid Sector Chain");
    b = img.bytes;
    const uint32_t huge = 0x7FFFFFF0;
    std::memcpy(b.data() + img.entry_offset(0) + 120, &huge, 4); // the mini stream's size
    expect_refused(b, "Invalid Stream Size");
    b = img.bytes;
    const uint32_t none = 0;
    std::memcpy(b.data() + 64, &none, 4); // no mini FAT
    expect_refused(b, "Invalid Stream Size");
}

TEST(CfbReader, TruncatedFilesFailCleanlyOrReadTrueBytes) {
    const Bytes data = pattern(9000, 6);
    const Bytes small = pattern(700, 7);
    const auto img = vtest::make_cfb({{"Workbook", data}, {"Other", small}}, {9, 9, false, 0});
    for (size_t n = 0; n < img.bytes.size(); n += 37) {
        Bytes cut(img.bytes.begin(), img.bytes.begin() + static_cast<long>(n));
        Bytes got;
        const Status st = open_and_read(cut, &got);
        if (st.ok()) {
            EXPECT_TRUE(got == data || got == small) << n;
        } else {
            EXPECT_EQ(st.result, -4) << n;
        }
    }
}

} // namespace
