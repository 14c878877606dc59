// File-type detection from the first 16 bytes and the end of the name.
#include "io/filetype.h"

#include "core/status.h"
#include "io/aodfile.h"
#include "io/mfile.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw "magic text: not a hexadecimal digit"; // rejected at compile time
}

constexpr VelFileTypeRow make_row(int32_t code, const char *name, const char *ext, const char *magic) {
    VelFileTypeRow r{code, name, ext, magic, 0, {}};
    const char *p = magic;
    while (*p) {
        int value = 0;
        int digits = 0;
        for (; *p && *p != ' '; ++p, ++digits) value = value * 16 + hex_digit(*p);
        if (digits) r.magic[r.count++] = static_cast<uint8_t>(value); // past 16: compile error
        if (*p == ' ') ++p;
    }
    return r;
}

// Rows in matching order: the first row whose magic and extension both fit
// wins, so the extension decides among packages sharing one magic.
constexpr std::array<VelFileTypeRow, 32> kRows{{
    make_row(202, "JPEG", "jpg", "FF D8 FF"),
    make_row(202, "JPEG", "jpeg", "FF D8 FF"),
    make_row(204, "GIF", "gif", "47 49 46 38"),
    make_row(201, "BMP", "bmp", "42 4D"),
    make_row(203, "PNG", "png", "89 50 4E 47 0D 0A 1A 0A"),
    make_row(205, "TIFF", "tiff", "49 49 2A 00"),
    make_row(205, "TIFF", "tif", "49 49 2A 00"),
    make_row(301, "Zip", "zip", "50 4B 03 04"),
    make_row(11, "MS-Excel2003", "xls", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(12, "MS-Excel2007", "xlsx", "50 4B 03 04"),
    make_row(13, "MS-Excel2007-BINARY", "xlsb", "50 4B 03 04"),
    make_row(14, "MS-Excel2007-Macro", "xlsm", "50 4B 03 04"),
    make_row(19, "MS-Excel2007-Locked", "xlsx", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(21, "MS-Word2003", "doc", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(22, "MS-Word2007", "docx", "50 4B 03 04"),
    make_row(23, "MS-Word2007-Macrp", "docm", "50 4B 03 04"),
    make_row(29, "MS-Word2007-Locked", "docx", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(31, "MS-PowerPoint2003", "ppt", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(32, "MS-PowerPoint2007", "pptx", "50 4B 03 04"),
    make_row(33, "MS-PowerPoint2007-Macro", "pptm", "50 4B 03 04"),
    make_row(39, "MS-PowerPoint2007-Locked", "pptx", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(40, "MS-Project", "mpp", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(101, "MS-Visio", "vsd", "D0 CF 11 E0 A1 B1 1A E1"),
    make_row(102, "Adobe-PDF", "pdf", "25 50 44 46"),
    make_row(103, "Adobe-Photoshop", "psd", "38 42 50 53"),
    make_row(207, "Windows-MataFile", "wmf", "D7 CD C6 9A"),
    make_row(206, "Enhanced-MataFile", "emf", "01 00 00 00"),
    make_row(900, "EXE", "exe", "4D 5A"),
    make_row(0, "CSV", "csv", ""),
    make_row(401, "AVI", "avi", "52 49 46 46"),
    make_row(402, "MPG", "mpg", "00 00 01"),
    make_row(403, "WMV", "wmv", "30 26 B2 75 8E 66 CF 11"),
}};

constexpr bool counts_as_listed() {
    constexpr int expected[32] = {3, 3, 4, 2, 8, 4, 4, 4, 8, 4, 4, 4, 8, 8, 4, 4,
                                  8, 8, 4, 4, 8, 8, 8, 4, 4, 4, 4, 2, 0, 4, 3, 8};
    for (size_t i = 0; i < kRows.size(); ++i)
        if (kRows[i].count != expected[i]) return false;
    return true;
}
static_assert(counts_as_listed(), "magic byte counts differ from the table");

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool name_ends_with(const char *name, size_t name_len, const char *ext) {
    size_t n = std::strlen(ext);
    if (n > name_len) return false;
    const char *tail = name + name_len - n;
    for (size_t i = 0; i < n; ++i)
        if (ascii_lower(tail[i]) != ascii_lower(ext[i])) return false;
    return true;
}

// The open file being examined: a memory file or a platform handle.
class Source {
public:
    Source(MFILE *m, AOD_FILE *f) : mem_(m), disk_(f) {}
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;
    ~Source() {
        if (mem_) mclose(mem_);
        if (disk_) aod_fclose(disk_);
    }

    // Reads up to n bytes; fewer only at the end of the file or on failure.
    size_t read(void *p, size_t n) {
        if (mem_) return mread(p, 1, n, mem_);
        return aod_fread(p, n, disk_);
    }
    bool rewind() {
        if (mem_) return mseek(mem_, 0, 0) == 0;
        return aod_fseek(disk_, 0, AOD_SEEK_SET) == 0;
    }

private:
    MFILE *mem_ = nullptr;
    AOD_FILE *disk_ = nullptr;
};

// Hands out consecutive pieces of a source through one read buffer.
class Pieces {
public:
    explicit Pieces(Source &src) : src_(src), buf_(kBuffer) {}

    // Next n bytes (n <= the buffer), valid until the next call; null when
    // the source ends first.
    const uint8_t *take(size_t n) {
        if (len_ - pos_ < n) {
            std::memmove(buf_.data(), buf_.data() + pos_, len_ - pos_);
            len_ -= pos_;
            pos_ = 0;
            while (len_ < buf_.size() && !eof_) {
                size_t got = src_.read(buf_.data() + len_, buf_.size() - len_);
                if (got == 0) eof_ = true;
                len_ += got;
            }
            if (len_ < n) return nullptr;
        }
        const uint8_t *p = buf_.data() + pos_;
        pos_ += n;
        return p;
    }

private:
    static constexpr size_t kBuffer = 64 * 1024;
    Source &src_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0;
    size_t len_ = 0;
    bool eof_ = false;
};

uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

enum StreamKind { kWorkbook = 1, kWordDocument = 2, kPowerPoint = 3, kEncryptedPackage = 4 };

// UTF-16LE directory name and the number of its bytes that must match.
struct StreamName {
    uint8_t bytes[64];
    size_t len;
};

StreamName stream_name(StreamKind kind, bool with_terminator) {
    static const char *const names[] = {"", "Workbook", "WordDocument", "PowerPoint Document", "EncryptedPackage"};
    StreamName n{};
    const char *s = names[kind];
    size_t chars = std::strlen(s);
    for (size_t i = 0; i < chars; ++i) n.bytes[2 * i] = static_cast<uint8_t>(s[i]);
    n.len = 2 * chars + (with_terminator ? 2 : 0);
    return n;
}

struct StreamHit {
    int64_t offset; // where the stream is taken to start
    uint32_t size;
};

// Finds a directory entry by name without reading the allocation tables:
// scans the source in 512-byte blocks for the root entry, then walks the
// 128-byte entries from there, assuming 512-byte sectors and contiguous
// stream data. Reads from the current position.
bool find_stream(Source &src, StreamKind kind, StreamHit *hit) {
    const StreamName want = stream_name(kind, kind == kPowerPoint);
    static const uint8_t kRoot[20] = {'R', 0, 'o', 0, 'o', 0, 't', 0, ' ', 0,
                                      'E', 0, 'n', 0, 't', 0, 'r', 0, 'y', 0};
    constexpr size_t kBlock = 512, kEntry = 128;

    Pieces pieces(src);
    const uint8_t *block;
    do {
        block = pieces.take(kBlock);
        if (!block) return false;
    } while (std::memcmp(block, kRoot, sizeof kRoot) != 0);

    // The first four entries are in the root block itself; later ones follow.
    std::array<uint8_t, kBlock> first;
    std::memcpy(first.data(), block, kBlock);
    for (size_t i = 0;; ++i) {
        const uint8_t *entry = i < kBlock / kEntry ? first.data() + i * kEntry : pieces.take(kEntry);
        if (!entry) return false;
        if (entry[0] == 0xFF && entry[1] == 0xFF && entry[2] == 0xFF && entry[3] == 0xFF) return false;
        if (std::memcmp(entry, want.bytes, want.len) == 0) {
            uint32_t start = le32(entry + 116);
            hit->size = le32(entry + 120);
            hit->offset = kind == kWordDocument ? 2560 : (static_cast<int64_t>(start) + 1) * 512;
            return true;
        }
    }
}

} // namespace

int vel_file_type_rows(void) { return static_cast<int>(kRows.size()); }

const VelFileTypeRow *vel_file_type_row(int row) {
    if (row < 0 || row >= static_cast<int>(kRows.size())) return nullptr;
    return &kRows[static_cast<size_t>(row)];
}

namespace {
int detect(Source &src, bool header_only, uint8_t *head, const char *source, int *type);
} // namespace

int file_type(int mode, const char *source, int *type, MFileTable *memory) {
    if (!type) return vel::rc::BAD_ARGUMENT;
    *type = VEL_KIND_UNKNOWN;
    if (!source) return vel::rc::BAD_ARGUMENT;

    const bool header_only = mode == VEL_FILE_TYPE_HEADER_MODE;
    uint8_t head[VEL_FILE_TYPE_HEADER_LEN];
    MFILE *mem = nullptr;
    AOD_FILE *disk = nullptr;
    if (header_only) {
        std::memcpy(head, source, sizeof head);
    } else if (mode == 0) {
        mem = memory ? mopen(*memory, source, "rb") : nullptr;
        if (!mem) return vel::rc::OPEN_FAILED;
    } else {
        disk = aod_fopen(source, 1);
        if (!disk) return vel::rc::OPEN_FAILED;
    }
    Source src(mem, disk); // closes the file on every return
    return detect(src, header_only, head, source, type);
}

int file_type_of(MFILE *file, const char *name, int *type) {
    if (!type) return vel::rc::BAD_ARGUMENT;
    *type = VEL_KIND_UNKNOWN;
    if (!file || !name) return vel::rc::BAD_ARGUMENT;
    file->pos = 0;
    Source src(file, nullptr);
    uint8_t head[VEL_FILE_TYPE_HEADER_LEN];
    return detect(src, false, head, name, type);
}

namespace {

int detect(Source &src, bool header_only, uint8_t *head, const char *source, int *type) {
    if (!header_only && src.read(head, VEL_FILE_TYPE_HEADER_LEN) < VEL_FILE_TYPE_HEADER_LEN) return 0;

    const size_t name_len = header_only ? 0 : std::strlen(source);
    const VelFileTypeRow *match = nullptr;
    for (const VelFileTypeRow &row : kRows) {
        if (row.count > 0 && std::memcmp(head, row.magic, static_cast<size_t>(row.count)) != 0) continue;
        // A header alone has no name: rows that need one cannot match.
        if (header_only) {
            if (row.count == 0) continue;
        } else if (!name_ends_with(source, name_len, row.ext)) {
            continue;
        }
        match = &row;
        break;
    }
    if (!match) return 0;

    if (!header_only && (match->code == VEL_KIND_XLSX_LOCKED || match->code == VEL_KIND_DOCX_LOCKED ||
                         match->code == VEL_KIND_PPTX_LOCKED)) {
        // A compound file named like an Office 2007 package is a protected
        // package only when it holds the encrypted stream.
        if (!src.rewind()) return vel::rc::READ_FAILED;
        StreamHit hit{};
        if (!find_stream(src, kEncryptedPackage, &hit)) return vel::rc::GENERAL;
    }
    *type = match->code;
    return 0;
}

} // namespace
