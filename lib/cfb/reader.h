// A reader of compound files held in memory: header checks, the allocation
// table through the DIFAT, the directory walked from the root, the mini
// stream, and streams followed along their chains. Every chain, table and
// size is bounded by the image, so damaged files fail cleanly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel::cfb {

// Diagnostic code of a damaged or unsupported compound file.
constexpr int CODE_DAMAGED = 4000;

// Outcome of a reader operation: result 0, or -4 for a damaged or
// unsupported file with the diagnostic code CODE_DAMAGED and a detail text
// ("Invalid Byte Order", "Invalid Sector Size", "Invalid Sector Chain", ...).
struct Status {
    int result = 0;
    int code = 0;
    std::string detail;
    bool ok() const { return result == 0; }
};

// A run of stream bytes that lies contiguously in the image.
struct Extent {
    const uint8_t *data = nullptr;
    size_t size = 0;
};

enum class EntryType : uint8_t { storage = 1, stream = 2, root = 5 };

// A directory entry reachable from the root.
struct Entry {
    std::string name;   // UTF-8
    EntryType type = EntryType::stream;
    uint32_t start = 0; // first sector; first mini sector for a stream below the cutoff
    uint64_t size = 0;
    int parent = -1;    // index in entries() of the storage holding it; -1 for the root
};

class Reader {
public:
    // Reads the header, the allocation table and the directory of `data`,
    // which must stay valid and unchanged while the reader is used.
    Status open(const uint8_t *data, size_t size);

    int major_version() const { return sector_shift_ == 12 ? 4 : 3; }
    uint32_t sector_size() const { return sector_size_; }

    // The root first, then every entry below it, each storage before its children.
    const std::vector<Entry> &entries() const { return entries_; }

    // The stream named `name` directly inside `storage` (an index of
    // entries(), 0 for the root), compared without regard to ASCII case; -1 if none.
    int find(std::string_view name, int storage = 0) const;

    // The bytes of a stream in order as runs of the image (adjacent sectors
    // merged): a contiguous stream gives one extent and nothing is copied.
    Status extents(int entry, std::vector<Extent> &out) const;

    // The bytes of a stream copied into one buffer.
    Status read(int entry, std::vector<uint8_t> &out) const;

private:
    struct RawEntry;

    const uint8_t *sector(uint32_t id) const;
    Status follow(uint32_t start, uint64_t count, std::vector<uint32_t> &out) const;
    Status load_fat();
    Status load_directory();
    bool raw_entry(uint32_t id, RawEntry &out) const;
    Status walk_directory();
    Status regular_extents(uint32_t start, uint64_t size, std::vector<Extent> &out) const;
    Status mini_extents(uint32_t start, uint64_t size, std::vector<Extent> &out) const;

    const uint8_t *data_ = nullptr;
    size_t size_ = 0;
    uint32_t sector_shift_ = 9;
    uint32_t sector_size_ = 512;
    uint32_t sectors_ = 0;             // sectors that start inside the image
    uint32_t mini_cutoff_ = 4096;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> dir_sectors_;
    std::vector<Entry> entries_;
};

} // namespace vel::cfb
