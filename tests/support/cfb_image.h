// A compound-file generator for tests, recording where everything landed so that tests can damage a file precisely.
#pragma once
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace vtest {

struct CfbItem {
    std::string name;           // ASCII
    std::vector<uint8_t> data;  // stream content
    bool storage = false;
    int parent = 0;             // 0: the root; k: the k-th item (1-based) when it is a storage
};

struct CfbOptions {
    uint32_t sector_shift = 9;
    uint32_t seed = 0;            // 0: each chain in order; else every sector placed at random
    bool list_directory = false;  // siblings as a right-leaning list instead of a balanced tree
    uint32_t min_fat_sectors = 0; // more than 109 brings DIFAT sectors
};

struct CfbImage {
    std::vector<uint8_t> bytes;
    uint32_t sector_size = 512;
    std::vector<uint32_t> fat, difat, dir, mini_fat;
    std::vector<std::vector<uint32_t>> streams; // per item: its regular sectors (empty for mini streams)
    std::vector<std::vector<uint32_t>> minis;   // per item: its mini sectors

    size_t sector_offset(uint32_t id) const { return (static_cast<size_t>(id) + 1) * sector_size; }
    // Where byte `at` of the stream in sectors `chain` lies in the file.
    size_t in(const std::vector<uint32_t> &chain, size_t at) const {
        return sector_offset(chain[at / sector_size]) + at % sector_size;
    }
    size_t fat_entry_offset(uint32_t id) const { return in(fat, id * 4); }
    size_t entry_offset(uint32_t entry) const { return in(dir, entry * 128); } // 0: root, k: the k-th item
    size_t mini_fat_entry_offset(uint32_t id) const { return in(mini_fat, id * 4); }
    void put32(size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
};

inline CfbImage make_cfb(const std::vector<CfbItem> &items, const CfbOptions &opt = {}) {
    constexpr uint32_t END = 0xFFFFFFFE, FREE = 0xFFFFFFFF;
    CfbImage img;
    const uint32_t ss = img.sector_size = 1u << opt.sector_shift, per = ss / 4;
    std::mt19937 rng(opt.seed);
    auto pool = [&](size_t n) { // ids 0..n-1, shuffled when there is a seed
        std::vector<uint32_t> v(n);
        std::iota(v.begin(), v.end(), 0u);
        if (opt.seed) std::shuffle(v.begin(), v.end(), rng);
        return v;
    };
    // The next n ids of `from`, linked as a chain in `table`.
    auto take = [](std::vector<uint32_t> &table, const std::vector<uint32_t> &from, size_t &next, size_t n) {
        std::vector<uint32_t> c(from.begin() + next, from.begin() + next + n);
        for (size_t k = 0; k < n; ++k) table[c[k]] = k + 1 < n ? c[k + 1] : END;
        next += n;
        return c;
    };
    auto count = [](size_t bytes, size_t unit) { return (bytes + unit - 1) / unit; };
    auto is_mini = [](const CfbItem &it) { return !it.storage && it.data.size() < 4096; };

    // Streams below 4096 bytes go to the mini stream, in 64-byte mini sectors.
    size_t n_mini = 0;
    for (const auto &it : items) n_mini += is_mini(it) ? count(it.data.size(), 64) : 0;
    const auto mini_ids = pool(n_mini);
    std::vector<uint32_t> mini_fat(count(n_mini, per) * per, FREE);
    std::vector<uint8_t> mini(n_mini * 64);
    // Copies `src` into the `unit`-byte slots `at` of `dst`, slot k at (at[k] + skip) * unit.
    auto scatter = [](uint8_t *dst, size_t unit, size_t skip, const std::vector<uint32_t> &at, const auto &src) {
        const size_t size = src.size() * sizeof src[0];
        for (size_t k = 0; k < at.size(); ++k)
            std::memcpy(dst + (at[k] + skip) * unit, reinterpret_cast<const uint8_t *>(src.data()) + k * unit,
                        std::min(unit, size - k * unit));
    };
    img.minis.assign(items.size(), {});
    size_t next = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!is_mini(items[i])) continue;
        img.minis[i] = take(mini_fat, mini_ids, next, count(items[i].data.size(), 64));
        scatter(mini.data(), 64, 0, img.minis[i], items[i].data);
    }

    // Sectors of the directory, the mini FAT, the mini stream and each item; FAT and DIFAT sectors for them all.
    std::vector<size_t> sizes = {count((items.size() + 1) * 128, ss), mini_fat.size() / per, count(mini.size(), ss)};
    for (const auto &it : items) sizes.push_back(it.data.size() < 4096 ? 0 : count(it.data.size(), ss));
    const size_t content = std::accumulate(sizes.begin(), sizes.end(), size_t(0));
    uint32_t n_fat = std::max<uint32_t>(opt.min_fat_sectors, 1), n_difat = 0;
    for (;; ++n_fat) {
        n_difat = n_fat > 109 ? (n_fat - 109 + per - 2) / (per - 1) : 0;
        if (static_cast<size_t>(n_fat) * per >= content + n_fat + n_difat) break;
    }
    const auto place = pool(content + n_fat + n_difat);
    std::vector<uint32_t> fat(static_cast<size_t>(n_fat) * per, FREE);
    img.fat.assign(place.begin(), place.begin() + n_fat);
    img.difat.assign(place.begin() + n_fat, place.begin() + n_fat + n_difat);
    for (uint32_t id : img.fat) fat[id] = 0xFFFFFFFD;
    for (uint32_t id : img.difat) fat[id] = 0xFFFFFFFC;
    next = n_fat + n_difat;
    std::vector<std::vector<uint32_t>> chains;
    for (size_t n : sizes) chains.push_back(take(fat, place, next, n));
    img.dir = chains[0];
    img.mini_fat = chains[1];
    img.streams.assign(chains.begin() + 3, chains.end());
    img.bytes.assign((place.size() + 1) * ss, 0);
    scatter(img.bytes.data(), ss, 1, img.fat, fat);
    scatter(img.bytes.data(), ss, 1, img.mini_fat, mini_fat);
    scatter(img.bytes.data(), ss, 1, chains[2], mini);
    for (size_t i = 0; i < items.size(); ++i) scatter(img.bytes.data(), ss, 1, img.streams[i], items[i].data);

    // Directory: siblings by length, then upper-cased name; each range's middle (a list: its first) is the root.
    std::vector<std::array<uint32_t, 3>> links(items.size() + 1, {FREE, FREE, FREE}); // left, right, child
    std::function<uint32_t(const std::vector<uint32_t> &, size_t, size_t)> tree = [&](const auto &kids, size_t lo,
                                                                                      size_t hi) -> uint32_t {
        if (lo >= hi) return FREE;
        const size_t mid = opt.list_directory ? lo : (lo + hi) / 2;
        links[kids[mid]][0] = tree(kids, lo, mid);
        links[kids[mid]][1] = tree(kids, mid + 1, hi);
        return kids[mid];
    };
    auto key = [&](uint32_t e) {
        std::string s = items[e - 1].name;
        for (char &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return std::make_pair(s.size(), s);
    };
    for (size_t parent = 0; parent <= items.size(); ++parent) {
        std::vector<uint32_t> kids;
        for (size_t i = 0; i < items.size(); ++i)
            if (static_cast<size_t>(items[i].parent) == parent) kids.push_back(static_cast<uint32_t>(i + 1));
        std::sort(kids.begin(), kids.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
        links[parent][2] = tree(kids, 0, kids.size());
    }
    auto entry = [&](size_t e, const std::string &name, uint32_t type, uint32_t start, uint64_t size) {
        const size_t at = img.entry_offset(static_cast<uint32_t>(e));
        for (size_t i = 0; i < name.size() && i < 31; ++i) img.bytes[at + 2 * i] = static_cast<uint8_t>(name[i]);
        // The name's length in bytes, the type, black.
        img.put32(at + 64, static_cast<uint32_t>(std::min<size_t>(name.size(), 31) + 1) * 2 | type << 16 | 1u << 24);
        for (int k = 0; k < 3; ++k) img.put32(at + 68 + 4 * k, links[e][k]);
        img.put32(at + 116, start);
        std::memcpy(&img.bytes[at + 120], &size, 8);
    };
    entry(0, "Root Entry", 5, chains[2].empty() ? END : chains[2][0], mini.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const auto &c = img.minis[i].empty() ? img.streams[i] : img.minis[i];
        entry(i + 1, items[i].name, items[i].storage ? 1 : 2, items[i].storage ? 0 : c.empty() ? END : c[0],
              items[i].data.size());
    }

    // Header; the FAT sectors are listed 109 in the header, the rest in DIFAT sectors chained by their last entry.
    const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(img.bytes.data(), sig, 8);
    const bool v4 = opt.sector_shift == 12;
    img.put32(24, 0x3E | (v4 ? 4u : 3u) << 16);    // minor and major version
    img.put32(28, 0xFFFE | opt.sector_shift << 16); // byte order, sector shift
    img.put32(32, 6);                               // mini sector shift
    img.put32(40, v4 ? static_cast<uint32_t>(img.dir.size()) : 0);
    img.put32(44, n_fat);
    img.put32(48, img.dir[0]);
    img.put32(56, 4096);
    img.put32(60, img.mini_fat.empty() ? END : img.mini_fat[0]);
    img.put32(64, static_cast<uint32_t>(img.mini_fat.size()));
    img.put32(68, img.difat.empty() ? END : img.difat[0]);
    img.put32(72, n_difat);
    for (uint32_t i = 0; i < 109 + n_difat * (per - 1); ++i) {
        const size_t at = i < 109 ? 76 + 4 * i
                                  : img.sector_offset(img.difat[(i - 109) / (per - 1)]) + 4 * ((i - 109) % (per - 1));
        img.put32(at, i < n_fat ? img.fat[i] : FREE);
    }
    for (uint32_t d = 0; d < n_difat; ++d)
        img.put32(img.sector_offset(img.difat[d]) + ss - 4, d + 1 < n_difat ? img.difat[d + 1] : END);
    return img;
}

} // namespace vtest
