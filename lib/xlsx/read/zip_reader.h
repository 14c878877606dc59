// The package reader: a zip archive read through minizip's unzip interface,
// driven by our own file-callback table so that the archive is a disk file
// or a buffer in memory. Entries are listed in zip order; an entry is
// streamed to a consumer in inflated chunks, read whole, or handed out raw
// (still compressed) with its header facts for a byte-for-byte re-zip.
//
// Untrusted archives are read with bounds everywhere:
// - every entry name is checked when the archive is opened: a name that is
//   absolute, has a drive letter, a backslash, an empty, "." or ".."
//   segment, a control character, or that repeats another name (also when
//   they differ only in ASCII case) refuses the whole archive;
// - entries whose data overlap, lie past the end of the archive, are
//   encrypted or use a method other than stored or deflate refuse it too;
// - inflating is bounded per entry (ZipLimits) and never trusts the
//   declared size: an entry that inflates to more bytes than its header
//   says stops there; fewer bytes, a wrong CRC or broken deflate data fail
//   the read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// Results; a consumer's own negative result is passed through unchanged.
enum ZipStatus : int {
    ZIPREAD_OK = 0,
    ZIPREAD_ERR_CORRUPT = -1,  // not a zip, truncated, wrong CRC, sizes disagree, bad deflate data
    ZIPREAD_ERR_MEMORY = -2,
    ZIPREAD_ERR_ARGUMENT = -3, // no archive open, no such entry
    ZIPREAD_ERR_REFUSED = -4,  // unsafe or repeated name, overlapping data, encryption, method
    ZIPREAD_ERR_LIMIT = -9,    // entry count, entry size, ratio or total bound
    ZIPREAD_ERR_OPEN = -101,   // the file cannot be opened
};

// Bounds of one reader. An entry is read only when its declared size and
// the bytes it actually inflates to stay within max_entry_bytes, within
// max_ratio times its compressed size once past ratio_floor_bytes, and
// within what is left of max_total_bytes (all inflating reads of the reader
// together). Deflate cannot pass about 1032:1; real package parts stay
// below 100:1 once they are large, so a larger ratio past 64 MiB marks a
// bomb.
struct ZipLimits {
    uint64_t max_total_bytes = 2ull << 30;   // 2 GiB
    uint64_t max_entry_bytes = 1ull << 30;   // 1 GiB
    uint64_t ratio_floor_bytes = 64ull << 20; // 64 MiB
    uint32_t max_ratio = 100;
    uint32_t max_entries = 65536;
    uint32_t max_name_bytes = 1024;
};

// One entry as the central directory describes it.
struct ZipEntry {
    std::string name;             // as stored (UTF-8 when flag bit 11 is set)
    uint64_t size = 0;            // inflated size, as declared
    uint64_t compressed_size = 0;
    uint64_t local_offset = 0;    // local header
    uint64_t data_offset = 0;     // first byte of the (compressed) data
    uint32_t crc32 = 0;
    uint32_t dos_datetime = 0;    // DOS date in the high 16 bits, time in the low 16
    uint16_t method = 0;          // 0 stored, 8 deflate
    uint16_t flags = 0;           // general-purpose bit flags
    bool directory = false;       // name ends in '/'
};

// Everything a zip writer needs to copy an entry unchanged.
struct ZipRawFacts {
    // The local header in front of the data.
    uint16_t version_needed = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    uint32_t crc32 = 0;           // the 32-bit fields as stored: 0 when a data
    uint32_t compressed_size = 0; // descriptor follows the data, 0xffffffff
    uint32_t size = 0;            // when the zip64 extra field holds them
    std::string local_extra;
    // The central directory record.
    uint16_t version_made_by = 0;
    uint16_t internal_attributes = 0;
    uint32_t external_attributes = 0;
    std::string central_extra;
    std::string comment;
};

struct ZipDosTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
ZipDosTime zip_dos_time(uint32_t dos_datetime);

// Whether an entry name stays below the folder it is unpacked into; *why
// (when given) says what is wrong with it.
bool zip_entry_name_safe(std::string_view name, uint32_t max_bytes, std::string *why);

// Receives the bytes of an entry in order; 0 to go on, negative to stop.
using ZipChunkSink = std::function<int(const char *data, size_t size)>;

struct ZipSource;

class ZipReader {
public:
    explicit ZipReader(const ZipLimits &limits = {});
    ~ZipReader();
    ZipReader(const ZipReader &) = delete;
    ZipReader &operator=(const ZipReader &) = delete;

    // Opens and checks the archive (see above). The memory given to
    // open_memory must stay unchanged until close(). 0 or a negative status.
    int open_file(const std::string &path);
    int open_memory(const void *data, size_t size);
    void close();

    const std::vector<ZipEntry> &entries() const { return entries_; }
    // Index of the entry of exactly that name, or -1.
    long find(std::string_view name) const;

    // Streams the inflated bytes to `sink` in chunks of up to 256 KiB. The
    // checks that need the whole entry (size, CRC) come after the last
    // chunk: on any failure the caller discards what it consumed.
    int read(size_t index, const ZipChunkSink &sink);
    // As read(), with the inflating done on a second thread while `sink`
    // runs on this one, so that a big part is inflated and parsed at once.
    // The reader must not be used by anyone else until it returns.
    int read_threaded(size_t index, const ZipChunkSink &sink);
    // The inflated entry in `out` (replaced); memory grows with the bytes
    // that actually arrive, not with the declared size.
    int read_whole(size_t index, std::string &out);
    // The compressed bytes exactly as stored (compressed_size of them).
    int read_raw(size_t index, const ZipChunkSink &sink);
    int raw_facts(size_t index, ZipRawFacts &out);

    // Inflated bytes handed out so far (counted against max_total_bytes).
    uint64_t inflated_total() const { return inflated_total_; }
    // The message of the last failure (English, UTF-8), naming the entry.
    const std::string &error() const { return error_; }

private:
    int open_source();
    int list();
    int fail(int status, std::string message);
    int seek_entry(size_t index);
    int check_bounds(const ZipEntry &e);

    ZipLimits limits_;
    std::unique_ptr<ZipSource> source_;
    void *unz_ = nullptr; // unzFile
    std::vector<ZipEntry> entries_;
    std::vector<uint64_t> directory_pos_; // minizip's position of each central record
    std::vector<uint64_t> directory_num_;
    uint64_t inflated_total_ = 0;
    std::string error_;
    std::vector<unsigned char> in_, out_; // read and inflate buffers
};

} // namespace vel
