// Compound-file reader: streams read back through every layout, and each kind of damage refused with a clean
// error. Random damage is the fuzz target's work.
#include "cfb/reader.h"

#include <gtest/gtest.h>

#include <cctype>
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

TEST(CfbReader, StreamsReadBackInEveryLayout) {
    // Streams on both sides of the mini-stream cutoff and of sector boundaries, and one in a storage.
    std::vector<vtest::CfbItem> items;
    const size_t sizes[] = {0, 1, 63, 64, 100, 4095, 4096, 5000, 70000};
    for (size_t i = 0; i < std::size(sizes); ++i)
        items.push_back({"Stream" + std::to_string(i), pattern(sizes[i], static_cast<uint32_t>(i + 1))});
    items.push_back({"Sub", {}, true});
    items.push_back({"Inner", pattern(3000, 99), false, static_cast<int>(items.size())});
    const struct {
        const char *what;
        vtest::CfbOptions opt;
    } layouts[] = {
        {"contiguous", {}},
        // (The corpus is re-chained into these layouts too, in XlsFragmented.)
        {"shuffled", {9, 7, false, 0}},
        {"4096-byte sectors, shuffled", {12, 3, false, 0}},
        {"directory as a list", {9, 5, true, 0}},
        {"FAT listed through DIFAT sectors", {9, 11, false, 240}},
        {"4096-byte sectors with DIFAT", {12, 13, false, 1030}},
    };
    for (const auto &l : layouts) {
        SCOPED_TRACE(l.what);
        const auto img = vtest::make_cfb(items, l.opt);
        Reader r;
        const Status st = r.open(img.bytes.data(), img.bytes.size());
        ASSERT_TRUE(st.ok()) << st.detail;
        EXPECT_EQ(r.sector_size(), img.sector_size);
        EXPECT_EQ(r.entries().size(), items.size() + 1);
        EXPECT_EQ(r.find("Inner"), -1); // it lives in "Sub", not in the root
        EXPECT_EQ(r.find("Sub"), -1);   // a storage, not a stream
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].storage) continue;
            int storage = 0; // the entry of the item's storage
            for (size_t k = 0; items[i].parent && k < r.entries().size(); ++k)
                if (r.entries()[k].name == items[items[i].parent - 1].name) storage = static_cast<int>(k);
            std::string upper = items[i].name; // names are found without regard to case
            for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const int e = r.find(upper, storage);
            ASSERT_GE(e, 0) << items[i].name;
            Bytes got;
            const Status rs = r.read(e, got);
            ASSERT_TRUE(rs.ok()) << items[i].name << ": " << rs.detail;
            EXPECT_EQ(got, items[i].data) << items[i].name;
        }
        // The big stream is exposed in place: in one run when its sectors are contiguous.
        std::vector<vel::cfb::Extent> runs;
        ASSERT_TRUE(r.extents(r.find("Stream8"), runs).ok());
        Bytes joined;
        for (const auto &x : runs) joined.insert(joined.end(), x.data, x.data + x.size);
        EXPECT_EQ(joined, items[8].data);
        EXPECT_EQ(runs.size() == 1, l.opt.seed == 0);
        EXPECT_EQ(runs[0].data, img.bytes.data() + img.sector_offset(img.streams[8][0]));
    }
}

// Opens an image and reads every stream; the status of whichever fails first.
Status open_and_read(const Bytes &image, std::vector<Bytes> *read = nullptr) {
    Reader r;
    Status st = r.open(image.data(), image.size());
    for (size_t i = 1; st.ok() && i < r.entries().size(); ++i) {
        if (r.entries()[i].type != vel::cfb::EntryType::stream) continue;
        Bytes got;
        st = r.read(static_cast<int>(i), got);
        if (read && st.ok()) read->push_back(got);
    }
    return st;
}

void expect_refused(const Bytes &image, const std::string &detail) {
    const Status st = open_and_read(image);
    EXPECT_EQ(st.result, -4);
    EXPECT_EQ(st.code, vel::cfb::CODE_DAMAGED);
    EXPECT_EQ(st.detail, detail);
}

TEST(CfbReader, DamagedFilesAreRefused) {
    // Shuffled, the directory as a list: root -> A -> B -> C -> S; S -> D. B is in 16 mini sectors.
    const auto img = vtest::make_cfb({{"A", pattern(5000, 1)}, {"B", pattern(1000, 8)}, {"C", pattern(10, 3)},
                                      {"S", {}, true}, {"D", pattern(10, 4), false, 4}},
                                     {9, 17, true, 0});
    const auto &chain = img.streams[0];
    const auto &minis = img.minis[1];
    ASSERT_GE(chain.size(), 3u);
    ASSERT_GE(minis.size(), 3u);
    const char *chain_bad = "Invalid Sector Chain", *dir_bad = "Invalid Directory";
    struct Case {
        const char *what;
        size_t at;
        uint32_t value; // written little-endian in `width` bytes
        const char *detail;
        size_t width = 4;
    };
    const Case cases[] = {
        // The header's checks, in their order: big-endian is reported before a bad sector size.
        {"not a compound file", 0, 0x4B50, "Invalid Signature", 2},
        {"big-endian byte order", 28, 0x000AFEFF, "Invalid Byte Order"},
        {"sector size", 30, 10, "Invalid Sector Size", 2},
        {"mini sector size", 32, 7, "Invalid Short-sector Size", 2},
        {"mini cutoff other than 4096", 56, 512, "Invalid Header"},
        {"chain loops back", img.fat_entry_offset(chain[1]), chain[0], chain_bad},
        {"chain loops on itself", img.fat_entry_offset(chain[2]), chain[2], chain_bad},
        {"sector past the end", img.fat_entry_offset(chain[1]), 0x00FFFFFF, chain_bad},
        {"chain ends early", img.fat_entry_offset(chain[1]), 0xFFFFFFFE, chain_bad},
        {"free sector in a chain", img.fat_entry_offset(chain[0]), 0xFFFFFFFF, chain_bad},
        {"stream size beyond the file", img.entry_offset(1) + 120, 0x7FFFFFF0, "Invalid Stream Size"},
        {"start sector past the end", img.entry_offset(1) + 116, 0x12345678, chain_bad},
        {"absurd FAT count", 44, 0xFFFFFFFF, "Invalid FAT"},
        {"no FAT", 44, 0, "Invalid FAT"},
        {"FAT sector past the end", 76, 0x7FFFFFFF, "Invalid FAT"},
        {"directory chain loops", img.fat_entry_offset(img.dir[0]), img.dir[0], dir_bad},
        {"directory start past the end", 48, 0x00ABCDEF, dir_bad},
        {"sibling points at itself", img.entry_offset(1) + 72, 1, dir_bad},
        {"sibling points back", img.entry_offset(3) + 72, 1, dir_bad},
        {"storage child points at an ancestor", img.entry_offset(4) + 76, 4, dir_bad},
        {"child points at the root", img.entry_offset(4) + 76, 0, dir_bad},
        {"index past the directory", img.entry_offset(2) + 68, 1000, dir_bad},
        {"the root is not a root entry", img.entry_offset(0) + 66, 1, dir_bad, 1},
        {"an unused entry inside the tree", img.entry_offset(2) + 66, 0, dir_bad, 1},
        {"mini chain loops back", img.mini_fat_entry_offset(minis[2]), minis[0], chain_bad},
        {"mini sector past the end", img.mini_fat_entry_offset(minis[1]), 0x0FFFFFFF, chain_bad},
        {"mini stream size beyond the file", img.entry_offset(0) + 120, 0x7FFFFFF0, "Invalid Stream Size"},
        {"no mini FAT", 64, 0, "Invalid Stream Size"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = img.bytes;
        std::memcpy(b.data() + c.at, &c.value, c.width);
        expect_refused(b, c.detail);
    }
    expect_refused(Bytes(img.bytes.begin(), img.bytes.begin() + 300), "Invalid Header");
    auto looped = vtest::make_cfb({{"Workbook", pattern(5000, 1)}}, {9, 5, false, 300}); // two DIFAT sectors
    looped.put32(looped.sector_offset(looped.difat[0]) + 508, looped.difat[0]);
    expect_refused(looped.bytes, "Invalid FAT");
}

TEST(CfbReader, TruncatedFilesFailCleanlyOrReadTrueBytes) {
    const Bytes data = pattern(9000, 6);
    const Bytes small = pattern(700, 7);
    const auto img = vtest::make_cfb({{"Workbook", data}, {"Other", small}}, {9, 9, false, 0});
    for (size_t n = 0; n < img.bytes.size(); n += 37) {
        Bytes cut(img.bytes.begin(), img.bytes.begin() + static_cast<long>(n));
        std::vector<Bytes> got;
        const Status st = open_and_read(cut, &got);
        EXPECT_TRUE(st.ok() || st.result == -4) << n << ": " << st.result;
        for (const Bytes &g : got) EXPECT_TRUE(g == data || g == small) << n; // what was read is true
    }
}

} // namespace
