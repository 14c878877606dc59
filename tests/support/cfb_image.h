// A small compound-file generator for tests: streams (and one level of
// storages) in 512- or 4096-byte sectors, optionally with every chain's
// sectors shuffled, the directory as a balanced tree or a plain list, and
// extra FAT sectors to bring DIFAT sectors in. It records where everything
// landed so that tests can damage a file precisely.
#pragma once
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
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
    std::vector<uint32_t> fat, difat, dir, mini_fat, mini_stream;
    std::vector<std::vector<uint32_t>> streams; // per item: its regular sectors (empty for mini streams)
    std::vector<std::vector<uint32_t>> minis;   // per item: its mini sectors

    size_t sector_offset(uint32_t id) const { return (static_cast<size_t>(id) + 1) * sector_size; }
    size_t fat_entry_offset(uint32_t id) const {
        const uint32_t per = sector_size / 4;
        return sector_offset(fat[id / per]) + (id % per) * 4;
    }
    size_t entry_offset(uint32_t entry) const { // directory entry (0: root, k: the k-th item)
        const uint32_t per = sector_size / 128;
        return sector_offset(dir[entry / per]) + (entry % per) * 128;
    }
    size_t mini_fat_entry_offset(uint32_t id) const {
        const uint32_t per = sector_size / 4;
        return sector_offset(mini_fat[id / per]) + (id % per) * 4;
    }
    void put32(size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
};

namespace cfb_detail {

constexpr uint32_t END = 0xFFFFFFFE, FREE = 0xFFFFFFFF, FATSECT = 0xFFFFFFFD, DIFSECT = 0xFFFFFFFC, NONE = 0xFFFFFFFF;

inline bool name_less(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i) {
        const int x = std::toupper(static_cast<unsigned char>(a[i])), y = std::toupper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return false;
}

} // namespace cfb_detail

inline CfbImage make_cfb(const std::vector<CfbItem> &items, const CfbOptions &opt = {}) {
    using namespace cfb_detail;
    CfbImage img;
    const uint32_t ss = 1u << opt.sector_shift;
    img.sector_size = ss;
    const uint32_t per = ss / 4;
    const size_t n_items = items.size();

    // Mini stream: streams below 4096 bytes, in 64-byte mini sectors.
    std::vector<uint8_t> mini;
    img.minis.assign(n_items, {});
    std::vector<uint32_t> mini_order; // mini sector ids in allocation order, shuffled below
    size_t mini_count = 0;
    for (size_t i = 0; i < n_items; ++i)
        if (!items[i].storage && !items[i].data.empty() && items[i].data.size() < 4096)
            mini_count += (items[i].data.size() + 63) / 64;
    std::vector<uint32_t> mini_ids(mini_count);
    std::iota(mini_ids.begin(), mini_ids.end(), 0u);
    std::mt19937 rng(opt.seed);
    if (opt.seed) std::shuffle(mini_ids.begin(), mini_ids.end(), rng);
    mini.assign(mini_count * 64, 0);
    std::vector<uint32_t> mini_fat(mini_count, FREE);
    size_t next_mini = 0;
    for (size_t i = 0; i < n_items; ++i) {
        const auto &d = items[i].data;
        if (items[i].storage || d.empty() || d.size() >= 4096) continue;
        for (size_t k = 0; k * 64 < d.size(); ++k) {
            const uint32_t id = mini_ids[next_mini++];
            img.minis[i].push_back(id);
            std::memcpy(mini.data() + id * 64, d.data() + k * 64, std::min<size_t>(64, d.size() - k * 64));
        }
        for (size_t k = 0; k < img.minis[i].size(); ++k)
            mini_fat[img.minis[i][k]] = k + 1 < img.minis[i].size() ? img.minis[i][k + 1] : END;
    }

    // Chains of content, each a byte blob cut into sectors.
    mini_fat.resize(((mini_fat.size() + per - 1) / per) * per, FREE);
    std::vector<uint8_t> mini_fat_bytes(mini_fat.size() * 4);
    if (!mini_fat.empty()) std::memcpy(mini_fat_bytes.data(), mini_fat.data(), mini_fat_bytes.size());
    const size_t n_entries = n_items + 1;
    std::vector<uint8_t> dir_bytes(((n_entries * 128 + ss - 1) / ss) * ss, 0);
    std::vector<const std::vector<uint8_t> *> blobs = {&dir_bytes, &mini_fat_bytes, &mini};
    for (const auto &it : items) blobs.push_back(&it.data);
    auto sectors_of = [&](size_t blob) -> size_t {
        const auto &b = *blobs[blob];
        if (blob >= 3 && (b.size() < 4096)) return 0; // in the mini stream
        return (b.size() + ss - 1) / ss;
    };
    size_t content = 0;
    for (size_t b = 0; b < blobs.size(); ++b) content += sectors_of(b);
    uint32_t n_fat = std::max<uint32_t>(opt.min_fat_sectors, 1), n_difat = 0;
    while (true) {
        n_difat = n_fat > 109 ? (n_fat - 109 + per - 2) / (per - 1) : 0;
        if (static_cast<size_t>(n_fat) * per >= content + n_fat + n_difat) break;
        ++n_fat;
    }
    const size_t total = content + n_fat + n_difat;
    std::vector<uint32_t> place(total);
    std::iota(place.begin(), place.end(), 0u);
    if (opt.seed) std::shuffle(place.begin(), place.end(), rng);
    size_t next = 0;
    std::vector<uint32_t> fat(static_cast<size_t>(n_fat) * per, FREE);
    img.fat.assign(place.begin(), place.begin() + n_fat);
    next += n_fat;
    img.difat.assign(place.begin() + next, place.begin() + next + n_difat);
    next += n_difat;
    for (uint32_t id : img.fat) fat[id] = FATSECT;
    for (uint32_t id : img.difat) fat[id] = DIFSECT;
    std::vector<std::vector<uint32_t>> chains(blobs.size());
    for (size_t b = 0; b < blobs.size(); ++b) {
        for (size_t k = 0; k < sectors_of(b); ++k) chains[b].push_back(place[next++]);
        for (size_t k = 0; k < chains[b].size(); ++k) fat[chains[b][k]] = k + 1 < chains[b].size() ? chains[b][k + 1] : END;
    }
    img.dir = chains[0];
    img.mini_fat = chains[1];
    img.mini_stream = chains[2];
    img.streams.assign(chains.begin() + 3, chains.end());

    // Directory entries.
    struct Node {
        uint32_t left = NONE, right = NONE, child = NONE;
    };
    std::vector<Node> nodes(n_entries);
    for (size_t parent = 0; parent < n_entries; ++parent) {
        if (parent > 0 && !items[parent - 1].storage) continue;
        std::vector<uint32_t> kids;
        for (size_t i = 0; i < n_items; ++i)
            if (static_cast<size_t>(items[i].parent) == parent) kids.push_back(static_cast<uint32_t>(i + 1));
        std::sort(kids.begin(), kids.end(),
                  [&](uint32_t a, uint32_t b) { return name_less(items[a - 1].name, items[b - 1].name); });
        if (kids.empty()) continue;
        if (opt.list_directory) {
            nodes[parent].child = kids[0];
            for (size_t k = 0; k + 1 < kids.size(); ++k) nodes[kids[k]].right = kids[k + 1];
        } else {
            // Balanced: the middle of each range is the subtree's root.
            struct Range {
                size_t lo, hi;
                uint32_t *slot;
            };
            std::vector<Range> todo = {{0, kids.size(), &nodes[parent].child}};
            while (!todo.empty()) {
                Range r = todo.back();
                todo.pop_back();
                if (r.lo >= r.hi) continue;
                const size_t mid = (r.lo + r.hi) / 2;
                *r.slot = kids[mid];
                todo.push_back({r.lo, mid, &nodes[kids[mid]].left});
                todo.push_back({mid + 1, r.hi, &nodes[kids[mid]].right});
            }
        }
    }
    auto put_entry = [&](size_t e, const std::string &name, uint8_t type, uint32_t start, uint64_t size) {
        uint8_t *p = dir_bytes.data() + e * 128;
        for (size_t i = 0; i < name.size() && i < 31; ++i) p[2 * i] = static_cast<uint8_t>(name[i]);
        const uint16_t len = static_cast<uint16_t>((std::min<size_t>(name.size(), 31) + 1) * 2);
        std::memcpy(p + 64, &len, 2);
        p[66] = type;
        p[67] = 1; // black
        std::memcpy(p + 68, &nodes[e].left, 4);
        std::memcpy(p + 72, &nodes[e].right, 4);
        std::memcpy(p + 76, &nodes[e].child, 4);
        std::memcpy(p + 116, &start, 4);
        std::memcpy(p + 120, &size, 8);
    };
    put_entry(0, "Root Entry", 5, img.mini_stream.empty() ? END : img.mini_stream[0], mini.size());
    for (size_t i = 0; i < n_items; ++i) {
        const auto &it = items[i];
        if (it.storage) {
            put_entry(i + 1, it.name, 1, 0, 0);
            continue;
        }
        uint32_t start = END;
        if (!img.minis[i].empty()) start = img.minis[i][0];
        else if (!img.streams[i].empty()) start = img.streams[i][0];
        put_entry(i + 1, it.name, 2, start, it.data.size());
    }

    // Header and sectors.
    img.bytes.assign((total + 1) * ss, 0);
    uint8_t *h = img.bytes.data();
    const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(h, sig, 8);
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(h + at, &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(h + at, &v, 4); };
    put16(24, 0x003E);
    put16(26, opt.sector_shift == 12 ? 4 : 3);
    put16(28, 0xFFFE);
    put16(30, static_cast<uint16_t>(opt.sector_shift));
    put16(32, 6);
    put32(40, opt.sector_shift == 12 ? static_cast<uint32_t>(img.dir.size()) : 0);
    put32(44, n_fat);
    put32(48, img.dir[0]);
    put32(56, 4096);
    put32(60, img.mini_fat.empty() ? END : img.mini_fat[0]);
    put32(64, static_cast<uint32_t>(img.mini_fat.size()));
    put32(68, img.difat.empty() ? END : img.difat[0]);
    put32(72, n_difat);
    for (uint32_t i = 0; i < 109; ++i) put32(76 + 4 * i, i < n_fat ? img.fat[i] : FREE);
    for (uint32_t d = 0; d < n_difat; ++d) {
        uint8_t *p = img.bytes.data() + img.sector_offset(img.difat[d]);
        for (uint32_t k = 0; k + 1 < per; ++k) {
            const uint32_t i = 109 + d * (per - 1) + k;
            const uint32_t v = i < n_fat ? img.fat[i] : FREE;
            std::memcpy(p + 4 * k, &v, 4);
        }
        const uint32_t link = d + 1 < n_difat ? img.difat[d + 1] : END;
        std::memcpy(p + 4 * (per - 1), &link, 4);
    }
    for (uint32_t k = 0; k < n_fat; ++k)
        std::memcpy(img.bytes.data() + img.sector_offset(img.fat[k]), fat.data() + static_cast<size_t>(k) * per, ss);
    for (size_t b = 0; b < blobs.size(); ++b)
        for (size_t k = 0; k < chains[b].size(); ++k) {
            const auto &src = *blobs[b];
            const size_t n = std::min<size_t>(ss, src.size() - k * ss);
            std::memcpy(img.bytes.data() + img.sector_offset(chains[b][k]), src.data() + k * ss, n);
        }
    return img;
}

} // namespace vtest
