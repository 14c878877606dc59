// Compound-file reader. Sector n lies at byte (n + 1) x sector size; the
// allocation table (FAT) chains the sectors of every stream, the DIFAT lists
// the FAT's own sectors, and streams below the cutoff live in 64-byte mini
// sectors inside the root entry's stream, chained by the mini FAT.
#include "cfb/reader.h"

#include <algorithm>

namespace vel::cfb {

namespace {

constexpr uint32_t MAXREGSECT = 0xFFFFFFFA;
constexpr uint32_t ENDOFCHAIN = 0xFFFFFFFE;
constexpr uint32_t NOSTREAM = 0xFFFFFFFF;
constexpr uint32_t ENTRY_SIZE = 128;
constexpr uint32_t MINI_SHIFT = 6;
constexpr uint32_t MINI_SIZE = 1u << MINI_SHIFT;
constexpr uint32_t HEADER_DIFAT = 109;
constexpr uint64_t UNTIL_END = ~uint64_t{0};

constexpr uint8_t SIGNATURE[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint64_t le64(const uint8_t *p) { return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32; }

Status damaged(const char *detail) { return Status{-4, CODE_DAMAGED, detail}; }

// Appends a run to `out`, joining it to the previous run when they touch.
void add_extent(std::vector<Extent> &out, const uint8_t *p, size_t n) {
    if (!out.empty() && out.back().data + out.back().size == p) out.back().size += n;
    else out.push_back({p, n});
}

// UTF-16LE directory name (without its terminator) to UTF-8; unpaired
// surrogates become U+FFFD.
std::string name_utf8(const uint8_t *p, size_t units) {
    std::string out;
    for (size_t i = 0; i < units; ++i) {
        uint32_t c = le16(p + 2 * i);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
            uint32_t d = le16(p + 2 * i + 2);
            if (d >= 0xDC00 && d < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool same_ascii_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace

struct Reader::RawEntry {
    const uint8_t *p = nullptr;
    uint8_t type() const { return p[66]; }
    uint32_t left() const { return le32(p + 68); }
    uint32_t right() const { return le32(p + 72); }
    uint32_t child() const { return le32(p + 76); }
    uint32_t start() const { return le32(p + 116); }
};

const uint8_t *Reader::sector(uint32_t id) const {
    if (id >= sectors_) return nullptr;
    const uint64_t at = (static_cast<uint64_t>(id) + 1) << sector_shift_;
    if (at + sector_size_ > size_) return nullptr;
    return data_ + at;
}

Status Reader::open(const uint8_t *data, size_t size) {
    *this = Reader();
    data_ = data;
    size_ = size;
    if (!data || size < 512) return damaged("Invalid Header");
    for (int i = 0; i < 8; ++i)
        if (data[i] != SIGNATURE[i]) return damaged("Invalid Signature");
    if (le16(data + 28) != 0xFFFE) return damaged("Invalid Byte Order");
    const uint16_t shift = le16(data + 30);
    if (shift != 9 && shift != 12) return damaged("Invalid Sector Size");
    if (le16(data + 32) != MINI_SHIFT) return damaged("Invalid Short-sector Size");
    sector_shift_ = shift;
    sector_size_ = 1u << shift;
    mini_cutoff_ = le32(data + 56);
    if (mini_cutoff_ != 4096) return damaged("Invalid Header");
    if (size <= sector_size_) return damaged("Invalid Header");
    const uint64_t count = (size - sector_size_ + sector_size_ - 1) >> sector_shift_;
    sectors_ = static_cast<uint32_t>(std::min<uint64_t>(count, uint64_t{MAXREGSECT} + 1));

    Status st = load_fat();
    if (st.ok()) st = load_directory();
    if (st.ok()) st = walk_directory();
    if (!st.ok()) {
        fat_.clear();
        dir_sectors_.clear();
        entries_.clear();
    }
    return st;
}

Status Reader::load_fat() {
    const uint32_t count = le32(data_ + 44);
    if (count == 0 || count > sectors_) return damaged("Invalid FAT");
    std::vector<uint32_t> ids;
    ids.reserve(count);
    for (uint32_t i = 0; i < HEADER_DIFAT && ids.size() < count; ++i) ids.push_back(le32(data_ + 76 + 4 * i));

    // The DIFAT chain: each sector lists FAT sectors and ends with the next DIFAT sector.
    std::vector<bool> seen(sectors_);
    const uint32_t per = sector_size_ / 4 - 1;
    uint32_t next = le32(data_ + 68);
    while (ids.size() < count) {
        const uint8_t *p = sector(next);
        if (!p || seen[next]) return damaged("Invalid FAT");
        seen[next] = true;
        for (uint32_t i = 0; i < per && ids.size() < count; ++i) ids.push_back(le32(p + 4 * i));
        next = le32(p + 4 * per);
    }

    const uint32_t per_sector = sector_size_ / 4;
    fat_.resize(static_cast<size_t>(count) * per_sector);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t *p = sector(ids[i]);
        if (!p) return damaged("Invalid FAT");
        for (uint32_t k = 0; k < per_sector; ++k) fat_[static_cast<size_t>(i) * per_sector + k] = le32(p + 4 * k);
    }
    return {};
}

// Collects `count` sectors of the chain from `start` (UNTIL_END: up to the
// end-of-chain mark). Sectors outside the image, a chain that revisits a
// sector, leaves the table or ends early are damage.
Status Reader::follow(uint32_t start, uint64_t count, std::vector<uint32_t> &out) const {
    out.clear();
    if (count == 0) return {};
    if (count != UNTIL_END && count > sectors_) return damaged("Invalid Stream Size");
    std::vector<bool> seen(sectors_);
    uint32_t id = start;
    while (true) {
        if (id == ENDOFCHAIN && count == UNTIL_END && !out.empty()) return {};
        if (id >= sectors_ || seen[id]) return damaged("Invalid Sector Chain");
        seen[id] = true;
        out.push_back(id);
        if (out.size() == count) return {};
        if (id >= fat_.size()) return damaged("Invalid Sector Chain");
        id = fat_[id];
    }
}

Status Reader::load_directory() {
    Status st = follow(le32(data_ + 48), UNTIL_END, dir_sectors_);
    if (!st.ok()) return damaged("Invalid Directory");
    for (uint32_t id : dir_sectors_)
        if (!sector(id)) return damaged("Invalid Directory");
    return {};
}

bool Reader::raw_entry(uint32_t id, RawEntry &out) const {
    const uint32_t per = sector_size_ / ENTRY_SIZE;
    if (id / per >= dir_sectors_.size()) return false;
    out.p = sector(dir_sectors_[id / per]) + (id % per) * ENTRY_SIZE;
    return true;
}

// Walks the directory from the root through every sibling tree (any shape:
// a red-black tree or a plain list), refusing cycles and unused entries.
Status Reader::walk_directory() {
    const uint64_t total = static_cast<uint64_t>(dir_sectors_.size()) * (sector_size_ / ENTRY_SIZE);
    RawEntry raw;
    if (!raw_entry(0, raw) || raw.type() != static_cast<uint8_t>(EntryType::root)) return damaged("Invalid Directory");
    std::vector<bool> seen(total);
    seen[0] = true;

    auto make = [&](const RawEntry &r, int parent) {
        Entry e;
        const size_t bytes = std::min<size_t>(le16(r.p + 64), 64);
        size_t units = bytes / 2;
        if (units > 0 && le16(r.p + 2 * (units - 1)) == 0) --units;
        e.name = name_utf8(r.p, units);
        e.type = static_cast<EntryType>(r.type());
        e.start = r.start();
        e.size = sector_shift_ == 9 ? le32(r.p + 120) : le64(r.p + 120);
        e.parent = parent;
        return e;
    };
    entries_.push_back(make(raw, -1));

    struct Pending {
        uint32_t id;
        int parent;
    };
    std::vector<Pending> stack{{raw.child(), 0}};
    while (!stack.empty()) {
        const Pending at = stack.back();
        stack.pop_back();
        if (at.id == NOSTREAM) continue;
        if (at.id >= total || seen[at.id] || !raw_entry(at.id, raw)) return damaged("Invalid Directory");
        seen[at.id] = true;
        const uint8_t type = raw.type();
        if (type != static_cast<uint8_t>(EntryType::storage) && type != static_cast<uint8_t>(EntryType::stream))
            return damaged("Invalid Directory");
        const int index = static_cast<int>(entries_.size());
        entries_.push_back(make(raw, at.parent));
        stack.push_back({raw.right(), at.parent});
        stack.push_back({raw.left(), at.parent});
        if (type == static_cast<uint8_t>(EntryType::storage)) stack.push_back({raw.child(), index});
    }
    return {};
}

int Reader::find(std::string_view name, int storage) const {
    for (size_t i = 1; i < entries_.size(); ++i) {
        const Entry &e = entries_[i];
        if (e.parent == storage && e.type == EntryType::stream && same_ascii_nocase(e.name, name))
            return static_cast<int>(i);
    }
    return -1;
}

Status Reader::regular_extents(uint32_t start, uint64_t size, std::vector<Extent> &out) const {
    if (size > static_cast<uint64_t>(sectors_) << sector_shift_) return damaged("Invalid Stream Size");
    std::vector<uint32_t> chain;
    Status st = follow(start, (size + sector_size_ - 1) >> sector_shift_, chain);
    if (!st.ok()) return st;
    uint64_t left = size;
    for (uint32_t id : chain) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, sector_size_));
        const uint64_t at = (static_cast<uint64_t>(id) + 1) << sector_shift_;
        if (at + n > size_) return damaged("Invalid Sector Chain");
        add_extent(out, data_ + at, n);
        left -= n;
    }
    return {};
}

Status Reader::mini_extents(uint32_t start, uint64_t size, std::vector<Extent> &out) const {
    // The mini stream: the root entry's stream, in regular sectors.
    const Entry &root = entries_[0];
    if (root.size > static_cast<uint64_t>(sectors_) << sector_shift_) return damaged("Invalid Stream Size");
    std::vector<uint32_t> container;
    Status st = follow(root.start, (root.size + sector_size_ - 1) >> sector_shift_, container);
    if (!st.ok()) return st;

    // The mini FAT, in regular sectors.
    const uint32_t mini_fat_sectors = le32(data_ + 64);
    std::vector<uint32_t> mini_fat_chain;
    st = follow(le32(data_ + 60), mini_fat_sectors, mini_fat_chain);
    if (!st.ok()) return st;
    std::vector<uint32_t> mini_fat;
    mini_fat.reserve(static_cast<size_t>(mini_fat_chain.size()) * (sector_size_ / 4));
    for (uint32_t id : mini_fat_chain) {
        const uint8_t *p = sector(id);
        if (!p) return damaged("Invalid Sector Chain");
        for (uint32_t k = 0; k < sector_size_ / 4; ++k) mini_fat.push_back(le32(p + 4 * k));
    }

    const uint64_t count = (size + MINI_SIZE - 1) >> MINI_SHIFT;
    if (count > mini_fat.size()) return damaged("Invalid Stream Size");
    std::vector<bool> seen(mini_fat.size());
    uint32_t id = start;
    uint64_t left = size;
    for (uint64_t i = 0; i < count; ++i) {
        if (id >= mini_fat.size() || seen[id]) return damaged("Invalid Sector Chain");
        seen[id] = true;
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, MINI_SIZE));
        const uint64_t offset = static_cast<uint64_t>(id) << MINI_SHIFT; // inside the mini stream
        if (offset + n > root.size) return damaged("Invalid Sector Chain");
        const uint64_t host = offset >> sector_shift_;
        const uint64_t at = ((static_cast<uint64_t>(container[host]) + 1) << sector_shift_) + (offset & (sector_size_ - 1));
        if (at + n > size_) return damaged("Invalid Sector Chain");
        add_extent(out, data_ + at, n);
        left -= n;
        id = mini_fat[id];
    }
    return {};
}

Status Reader::extents(int entry, std::vector<Extent> &out) const {
    out.clear();
    if (entry <= 0 || static_cast<size_t>(entry) >= entries_.size() || entries_[entry].type != EntryType::stream)
        return damaged("Invalid Directory");
    const Entry &e = entries_[entry];
    if (e.size == 0) return {};
    Status st = e.size < mini_cutoff_ ? mini_extents(e.start, e.size, out) : regular_extents(e.start, e.size, out);
    if (!st.ok()) out.clear();
    return st;
}

Status Reader::read(int entry, std::vector<uint8_t> &out) const {
    out.clear();
    std::vector<Extent> runs;
    Status st = extents(entry, runs);
    if (!st.ok()) return st;
    out.reserve(static_cast<size_t>(entries_[entry].size));
    for (const Extent &x : runs) out.insert(out.end(), x.data, x.data + x.size);
    return {};
}

} // namespace vel::cfb
