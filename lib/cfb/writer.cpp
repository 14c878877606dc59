// Compound-file writer. Layout, in sector order: FAT, DIFAT (only past 109
// FAT sectors), directory, mini FAT, mini stream, then each large stream;
// every region is one contiguous chain.
#include "cfb/writer.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace vel {

namespace {

constexpr uint32_t SECTOR = 512;
constexpr uint32_t MINI_SECTOR = 64;
constexpr uint32_t CUTOFF = 4096;           // smaller streams go to the mini stream
constexpr uint32_t IDS_PER_SECTOR = SECTOR / 4;
constexpr uint32_t HEADER_DIFAT = 109;      // FAT sector numbers held by the header
constexpr uint32_t DIFSECT = 0xFFFFFFFC;
constexpr uint32_t FATSECT = 0xFFFFFFFD;
constexpr uint32_t ENDOFCHAIN = 0xFFFFFFFE;
constexpr uint32_t FREESECT = 0xFFFFFFFF;
constexpr uint32_t NOSTREAM = 0xFFFFFFFF;
constexpr uint64_t MAX_STREAM = 0x7FFFFFFF;
constexpr size_t MAX_NAME = 31;

enum : uint8_t { TYPE_STORAGE = 1, TYPE_STREAM = 2, TYPE_ROOT = 5 };
enum : uint8_t { RED = 0, BLACK = 1 };

struct Entry {
    std::u16string name;
    uint8_t type = TYPE_STREAM;
    uint8_t color = BLACK;
    uint32_t left = NOSTREAM, right = NOSTREAM, child = NOSTREAM;
    uint32_t start = 0;
    uint32_t size = 0;
    const CfbNode *node = nullptr;
    int depth = 0; // depth in its sibling tree
};

uint32_t div_up(uint64_t a, uint64_t b) { return static_cast<uint32_t>((a + b - 1) / b); }

// UTF-8 to UTF-16; false for malformed input.
bool to_utf16(const std::string &in, std::u16string &out) {
    out.clear();
    for (size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        uint32_t cp;
        size_t extra;
        if (b < 0x80) { cp = b; extra = 0; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
        else return false;
        if (i + extra >= in.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(in[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        i += extra + 1;
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return true;
}

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// Sibling order: shorter names first, then code units compared upper-cased.
int compare_names(const std::u16string &a, const std::u16string &b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t x = upper(a[i]), y = upper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

// Balanced search tree over the sorted ids [lo, hi): the middle one is the
// root. Returns the root id and records each node's depth.
uint32_t build_tree(std::vector<Entry> &e, const std::vector<uint32_t> &ids, size_t lo, size_t hi, int depth,
                    int &max_depth) {
    if (lo >= hi) return NOSTREAM;
    const size_t mid = lo + (hi - lo) / 2;
    Entry &node = e[ids[mid]];
    node.depth = depth;
    max_depth = std::max(max_depth, depth);
    const uint32_t left = build_tree(e, ids, lo, mid, depth + 1, max_depth);
    const uint32_t right = build_tree(e, ids, mid + 1, hi, depth + 1, max_depth);
    e[ids[mid]].left = left;
    e[ids[mid]].right = right;
    return ids[mid];
}

bool fail(std::string *error, std::vector<uint8_t> &out, std::string text) {
    out.clear();
    if (error) *error = std::move(text);
    return false;
}

void put16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Chains `count` consecutive entries from `start` in a FAT or mini FAT.
void chain(std::vector<uint32_t> &table, uint32_t start, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) table[start + i] = i + 1 < count ? start + i + 1 : ENDOFCHAIN;
}

} // namespace

bool cfb_write(const std::vector<CfbNode> &top, std::vector<uint8_t> &out, std::string *error) {
    out.clear();

    // Directory: the root, then each storage's children in sibling order,
    // storages expanded breadth first.
    std::vector<Entry> e(1);
    e[0].name = u"Root Entry";
    e[0].type = TYPE_ROOT;
    std::vector<std::pair<uint32_t, const std::vector<CfbNode> *>> pending{{0, &top}};
    for (size_t k = 0; k < pending.size(); ++k) {
        const auto [parent, children] = pending[k];
        const size_t n = children->size();
        if (n == 0) continue;
        std::vector<std::u16string> names(n);
        for (size_t i = 0; i < n; ++i) {
            const CfbNode &c = (*children)[i];
            if (!to_utf16(c.name, names[i]))
                return fail(error, out, "compound file: name is not valid UTF-8: " + c.name);
            if (names[i].empty() || names[i].size() > MAX_NAME)
                return fail(error, out, "compound file: name must have 1 to 31 characters: " + c.name);
            for (char16_t ch : names[i])
                if (ch == u'/' || ch == u'\\' || ch == u':' || ch == u'!' || ch == 0)
                    return fail(error, out, "compound file: illegal character in name: " + c.name);
            if (!c.storage && c.data.size() > MAX_STREAM)
                return fail(error, out, "compound file: stream too large: " + c.name);
        }
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), size_t{0});
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return compare_names(names[a], names[b]) < 0; });
        for (size_t i = 1; i < n; ++i)
            if (compare_names(names[order[i - 1]], names[order[i]]) == 0)
                return fail(error, out, "compound file: duplicate name: " + (*children)[order[i]].name);
        std::vector<uint32_t> ids(n);
        for (size_t i = 0; i < n; ++i) {
            const CfbNode &c = (*children)[order[i]];
            Entry entry;
            entry.name = std::move(names[order[i]]);
            entry.type = c.storage ? TYPE_STORAGE : TYPE_STREAM;
            entry.node = &c;
            ids[i] = static_cast<uint32_t>(e.size());
            e.push_back(std::move(entry));
        }
        int max_depth = 0;
        e[parent].child = build_tree(e, ids, 0, n, 0, max_depth);
        // The middle-split tree has all its empty links on the last two
        // levels, so colouring the deepest level red (below a black root)
        // gives every path the same number of black nodes.
        if (max_depth > 0)
            for (uint32_t id : ids)
                if (e[id].depth == max_depth) e[id].color = RED;
        for (uint32_t id : ids)
            if (e[id].type == TYPE_STORAGE) pending.emplace_back(id, &e[id].node->children);
    }

    // Stream placement: mini sectors first, large streams get sectors below.
    uint32_t mini_count = 0;
    uint64_t large_sectors = 0;
    for (Entry &x : e) {
        if (x.type != TYPE_STREAM) continue;
        x.size = static_cast<uint32_t>(x.node->data.size());
        if (x.size == 0) {
            x.start = ENDOFCHAIN;
        } else if (x.size < CUTOFF) {
            x.start = mini_count;
            mini_count += div_up(x.size, MINI_SECTOR);
        } else {
            large_sectors += div_up(x.size, SECTOR);
        }
    }
    const uint32_t dir_sectors = div_up(e.size(), SECTOR / 128);
    const uint32_t minifat_sectors = div_up(mini_count, IDS_PER_SECTOR);
    const uint32_t ministream_sectors = div_up(uint64_t{mini_count} * MINI_SECTOR, SECTOR);
    const uint64_t data_sectors = uint64_t{dir_sectors} + minifat_sectors + ministream_sectors + large_sectors;
    if (data_sectors > 0xF0000000u) return fail(error, out, "compound file: content too large");

    // Smallest FAT that maps every sector including its own and the DIFAT's.
    uint32_t fat_sectors = 1, difat_sectors = 0;
    for (;; ++fat_sectors) {
        difat_sectors = fat_sectors > HEADER_DIFAT ? div_up(fat_sectors - HEADER_DIFAT, IDS_PER_SECTOR - 1) : 0;
        if (uint64_t{IDS_PER_SECTOR} * fat_sectors >= data_sectors + fat_sectors + difat_sectors) break;
    }
    const uint32_t total = static_cast<uint32_t>(fat_sectors + difat_sectors + data_sectors);
    const uint32_t difat_first = fat_sectors;
    const uint32_t dir_first = difat_first + difat_sectors;
    const uint32_t minifat_first = dir_first + dir_sectors;
    const uint32_t ministream_first = minifat_first + minifat_sectors;
    uint32_t next = ministream_first + ministream_sectors;

    std::vector<uint32_t> fat(size_t{IDS_PER_SECTOR} * fat_sectors, FREESECT);
    std::vector<uint32_t> minifat(size_t{IDS_PER_SECTOR} * minifat_sectors, FREESECT);
    for (uint32_t i = 0; i < fat_sectors; ++i) fat[i] = FATSECT;
    for (uint32_t i = 0; i < difat_sectors; ++i) fat[difat_first + i] = DIFSECT;
    chain(fat, dir_first, dir_sectors);
    chain(fat, minifat_first, minifat_sectors);
    chain(fat, ministream_first, ministream_sectors);
    for (Entry &x : e) {
        if (x.type != TYPE_STREAM || x.size == 0) continue;
        if (x.size < CUTOFF) {
            chain(minifat, x.start, div_up(x.size, MINI_SECTOR));
        } else {
            x.start = next;
            chain(fat, next, div_up(x.size, SECTOR));
            next += div_up(x.size, SECTOR);
        }
    }
    e[0].start = ministream_sectors ? ministream_first : ENDOFCHAIN;
    e[0].size = mini_count * MINI_SECTOR;

    out.assign(size_t{SECTOR} * (1 + size_t{total}), 0);
    auto sector = [&](uint32_t n) { return out.data() + size_t{SECTOR} * (n + 1); };

    // Header.
    uint8_t *h = out.data();
    static const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(h, signature, 8);
    put16(h + 0x18, 0x003E);
    put16(h + 0x1A, 0x0003);
    put16(h + 0x1C, 0xFFFE);
    put16(h + 0x1E, 9);
    put16(h + 0x20, 6);
    put32(h + 0x2C, fat_sectors);
    put32(h + 0x30, dir_first);
    put32(h + 0x38, CUTOFF);
    put32(h + 0x3C, minifat_sectors ? minifat_first : ENDOFCHAIN);
    put32(h + 0x40, minifat_sectors);
    put32(h + 0x44, difat_sectors ? difat_first : ENDOFCHAIN);
    put32(h + 0x48, difat_sectors);
    for (uint32_t i = 0; i < HEADER_DIFAT; ++i) put32(h + 0x4C + 4 * i, i < fat_sectors ? i : FREESECT);

    // DIFAT sectors: 127 FAT sector numbers each, then the next DIFAT sector.
    for (uint32_t d = 0; d < difat_sectors; ++d) {
        uint8_t *s = sector(difat_first + d);
        for (uint32_t i = 0; i < IDS_PER_SECTOR - 1; ++i) {
            const uint32_t fat_index = HEADER_DIFAT + d * (IDS_PER_SECTOR - 1) + i;
            put32(s + 4 * i, fat_index < fat_sectors ? fat_index : FREESECT);
        }
        put32(s + 4 * (IDS_PER_SECTOR - 1), d + 1 < difat_sectors ? difat_first + d + 1 : ENDOFCHAIN);
    }
    auto put_table = [&](const std::vector<uint32_t> &table, uint32_t first) {
        for (size_t i = 0; i < table.size(); ++i)
            put32(sector(first + static_cast<uint32_t>(i / IDS_PER_SECTOR)) + 4 * (i % IDS_PER_SECTOR), table[i]);
    };
    put_table(fat, 0);
    put_table(minifat, minifat_first);

    // Directory entries; unused slots of the last sector only carry NOSTREAM links.
    for (size_t i = 0; i < size_t{dir_sectors} * 4; ++i) {
        uint8_t *d = sector(dir_first + static_cast<uint32_t>(i / 4)) + 128 * (i % 4);
        if (i >= e.size()) {
            put32(d + 0x44, NOSTREAM);
            put32(d + 0x48, NOSTREAM);
            put32(d + 0x4C, NOSTREAM);
            continue;
        }
        const Entry &x = e[i];
        for (size_t k = 0; k < x.name.size(); ++k) put16(d + 2 * k, x.name[k]);
        put16(d + 0x40, static_cast<uint32_t>(2 * (x.name.size() + 1)));
        d[0x42] = x.type;
        d[0x43] = x.color;
        put32(d + 0x44, x.left);
        put32(d + 0x48, x.right);
        put32(d + 0x4C, x.child);
        put32(d + 0x74, x.type == TYPE_STORAGE ? 0 : x.start);
        put32(d + 0x78, x.type == TYPE_STORAGE ? 0 : x.size);
    }

    // Stream contents.
    for (const Entry &x : e) {
        if (x.type != TYPE_STREAM || x.size == 0) continue;
        uint8_t *dst = x.size < CUTOFF ? sector(ministream_first) + size_t{x.start} * MINI_SECTOR : sector(x.start);
        std::memcpy(dst, x.node->data.data(), x.size);
    }
    return true;
}

} // namespace vel
