// Zip reading on minizip's unzip interface. minizip walks the central
// directory, checks each local header against it and hands out the stored
// bytes (raw mode); inflating is done here with zlib, so that the bounds,
// the size and the CRC are checked on the bytes that really come out
// instead of on what the headers claim.
#include "xlsx/read/zip_reader.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <minizip/unzip.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <zlib.h>

namespace vel {

namespace {

constexpr size_t IN_CHUNK = 64 * 1024;
constexpr size_t OUT_CHUNK = 256 * 1024;
constexpr uint32_t LOCAL_HEADER_SIGNATURE = 0x04034b50;
constexpr size_t LOCAL_HEADER_SIZE = 30;
// read_whole reserves at most this much up front; the rest grows with data.
constexpr uint64_t RESERVE_CAP = 16u << 20;

uint16_t le16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

std::string quoted(std::string_view name) {
    std::string out = "\"";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string lower_ascii(std::string_view s) {
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

} // namespace

// The archive's bytes: a disk file read with pread, or a caller's buffer.
// minizip sees it through the callbacks below, with one cursor.
struct ZipSource {
    const unsigned char *memory = nullptr;
    int fd = -1;
    uint64_t size = 0;
    uint64_t pos = 0;
    bool error = false;
    bool short_read = false; // minizip asked for bytes past the end

    ~ZipSource() {
        if (fd >= 0) ::close(fd);
    }

    // Up to n bytes at `offset`; fewer only at the end or on an error.
    size_t read_at(uint64_t offset, void *buffer, size_t n) {
        if (offset >= size) return 0;
        if (n > size - offset) n = static_cast<size_t>(size - offset);
        if (memory) {
            std::memcpy(buffer, memory + offset, n);
            return n;
        }
        size_t done = 0;
        while (done < n) {
            ssize_t got = ::pread(fd, static_cast<char *>(buffer) + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                error = true;
                break;
            }
            done += static_cast<size_t>(got);
        }
        return done;
    }
};

namespace {

ZipSource &src(voidpf stream) { return *static_cast<ZipSource *>(stream); }

voidpf ZCALLBACK source_open(voidpf opaque, const void *, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    src(opaque).pos = 0;
    return opaque;
}
uLong ZCALLBACK source_read(voidpf, voidpf stream, void *buf, uLong size) {
    ZipSource &s = src(stream);
    size_t n = s.read_at(s.pos, buf, size);
    if (n < size) s.short_read = true;
    s.pos += n;
    return static_cast<uLong>(n);
}
uLong ZCALLBACK source_write(voidpf, voidpf, const void *, uLong) { return 0; }
ZPOS64_T ZCALLBACK source_tell(voidpf, voidpf stream) { return src(stream).pos; }
long ZCALLBACK source_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    // minizip moves backwards with a relative offset wrapped into the
    // unsigned type (as fseeko would read it back); only SET is absolute.
    ZipSource &s = src(stream);
    if (origin == ZLIB_FILEFUNC_SEEK_SET) {
        if (offset > s.size) return -1;
        s.pos = offset;
        return 0;
    }
    int64_t base = static_cast<int64_t>(origin == ZLIB_FILEFUNC_SEEK_CUR ? s.pos : s.size);
    int64_t delta = static_cast<int64_t>(offset);
    if (delta < -base || delta > static_cast<int64_t>(s.size) - base) return -1;
    s.pos = static_cast<uint64_t>(base + delta);
    return 0;
}
int ZCALLBACK source_close(voidpf, voidpf) { return 0; }
int ZCALLBACK source_error(voidpf, voidpf stream) { return src(stream).error ? 1 : 0; }

// Closes the entry minizip has open, however its read ends.
struct CurrentEntry {
    unzFile uf;
    ~CurrentEntry() { unzCloseCurrentFile(uf); }
};

} // namespace

ZipDosTime zip_dos_time(uint32_t dos) {
    ZipDosTime t;
    uint32_t date = dos >> 16, time = dos & 0xffff;
    t.year = static_cast<int>((date >> 9) & 0x7f) + 1980;
    t.month = static_cast<int>((date >> 5) & 0x0f);
    t.day = static_cast<int>(date & 0x1f);
    t.hour = static_cast<int>((time >> 11) & 0x1f);
    t.minute = static_cast<int>((time >> 5) & 0x3f);
    t.second = static_cast<int>((time & 0x1f) * 2);
    return t;
}

bool zip_entry_name_safe(std::string_view name, uint32_t max_bytes, std::string *why) {
    auto no = [&](const char *reason) {
        if (why) *why = reason;
        return false;
    };
    if (name.empty()) return no("the name is empty");
    if (name.size() > max_bytes) return no("the name is too long");
    if (name[0] == '/') return no("the name is an absolute path");
    if (name.size() >= 2 && name[1] == ':' && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z'))
        return no("the name starts with a drive letter");
    for (unsigned char c : name) {
        if (c == '\\') return no("the name contains a backslash");
        if (c < 0x20 || c == 0x7f) return no("the name contains a control character");
    }
    // Segments between slashes; a directory entry ends in one slash.
    size_t start = 0;
    while (start < name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        std::string_view seg = name.substr(start, end - start);
        if (seg.empty()) return no("the name has an empty segment");
        if (seg == ".") return no("the name has a \".\" segment");
        if (seg == "..") return no("the name has a \"..\" segment");
        start = end + 1;
    }
    return true;
}

ZipReader::ZipReader(const ZipLimits &limits) : limits_(limits) {}

ZipReader::~ZipReader() { close(); }

void ZipReader::close() {
    if (unz_) {
        unzCloseCurrentFile(static_cast<unzFile>(unz_));
        unzClose(static_cast<unzFile>(unz_));
        unz_ = nullptr;
    }
    source_.reset();
    entries_.clear();
    directory_pos_.clear();
    directory_num_.clear();
    inflated_total_ = 0;
}

int ZipReader::fail(int status, std::string message) {
    error_ = "zip: " + std::move(message);
    return status;
}

int ZipReader::open_file(const std::string &path) {
    close();
    error_.clear();
    auto s = std::make_unique<ZipSource>();
    s->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (s->fd < 0) return fail(ZIPREAD_ERR_OPEN, "cannot open " + quoted(path) + ": " + std::strerror(errno));
    struct stat st;
    if (fstat(s->fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(ZIPREAD_ERR_OPEN, "cannot open " + quoted(path) + ": not a regular file");
    s->size = static_cast<uint64_t>(st.st_size);
    source_ = std::move(s);
    return open_source();
}

int ZipReader::open_memory(const void *data, size_t size) {
    close();
    error_.clear();
    if (!data && size) return fail(ZIPREAD_ERR_ARGUMENT, "no archive bytes");
    auto s = std::make_unique<ZipSource>();
    static const unsigned char empty = 0;
    s->memory = data ? static_cast<const unsigned char *>(data) : &empty;
    s->size = size;
    source_ = std::move(s);
    return open_source();
}

int ZipReader::open_source() {
    zlib_filefunc64_def def{};
    def.zopen64_file = source_open;
    def.zread_file = source_read;
    def.zwrite_file = source_write;
    def.ztell64_file = source_tell;
    def.zseek64_file = source_seek;
    def.zclose_file = source_close;
    def.zerror_file = source_error;
    def.opaque = source_.get();
    unz_ = unzOpen2_64("", &def);
    if (!unz_) {
        int rc = fail(ZIPREAD_ERR_CORRUPT, "not a zip archive, or truncated (no readable central directory)");
        close();
        return rc;
    }
    int rc = list();
    // minizip reads the end record field by field and goes on after a
    // short read; every read of an intact archive lies inside it.
    if (rc == ZIPREAD_OK && source_->short_read)
        rc = fail(ZIPREAD_ERR_CORRUPT, "truncated archive (its directory runs past the end)");
    if (rc != ZIPREAD_OK) {
        std::string keep = error_;
        close();
        error_ = keep;
    }
    return rc;
}

// Walks the central directory, checking every entry (see the header).
int ZipReader::list() {
    unzFile uf = static_cast<unzFile>(unz_);
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(uf, &global) != UNZ_OK) return fail(ZIPREAD_ERR_CORRUPT, "unreadable central directory");
    if (global.number_entry > limits_.max_entries)
        return fail(ZIPREAD_ERR_LIMIT, "the archive has " + std::to_string(global.number_entry) + " entries, more than " +
                                       std::to_string(limits_.max_entries));
    if (global.number_entry == 0) return ZIPREAD_OK;
    entries_.reserve(static_cast<size_t>(global.number_entry));
    std::unordered_set<std::string> seen;
    std::vector<char> name(limits_.max_name_bytes + 1);
    unsigned char local[LOCAL_HEADER_SIZE];
    std::string local_name;

    int rc = unzGoToFirstFile(uf);
    for (uint64_t i = 0; rc == UNZ_OK; ++i) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(uf, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            return fail(ZIPREAD_ERR_CORRUPT, "unreadable central directory record " + std::to_string(i + 1));
        if (info.size_filename > limits_.max_name_bytes)
            return fail(ZIPREAD_ERR_REFUSED, "entry " + std::to_string(i + 1) + " refused: its name is longer than " +
                                             std::to_string(limits_.max_name_bytes) + " bytes");
        std::string_view n(name.data(), info.size_filename);
        if (n.find('\0') != std::string_view::npos)
            return fail(ZIPREAD_ERR_REFUSED, "entry " + std::to_string(i + 1) + " refused: its name contains a zero byte");
        std::string why;
        if (!zip_entry_name_safe(n, limits_.max_name_bytes, &why))
            return fail(ZIPREAD_ERR_REFUSED, "entry " + quoted(n) + " refused: " + why);
        if (!seen.insert(lower_ascii(n)).second)
            return fail(ZIPREAD_ERR_REFUSED, "entry " + quoted(n) + " refused: the name occurs twice (ASCII case ignored)");
        if (info.flag & 1) return fail(ZIPREAD_ERR_REFUSED, "entry " + quoted(n) + " refused: it is encrypted");
        if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
            return fail(ZIPREAD_ERR_REFUSED, "entry " + quoted(n) + " refused: compression method " +
                                             std::to_string(info.compression_method) + " is not supported");

        ZipEntry e;
        e.name.assign(n);
        e.size = info.uncompressed_size;
        e.compressed_size = info.compressed_size;
        e.crc32 = static_cast<uint32_t>(info.crc);
        e.dos_datetime = static_cast<uint32_t>(info.dosDate);
        e.method = static_cast<uint16_t>(info.compression_method);
        e.flags = static_cast<uint16_t>(info.flag);
        e.directory = n.back() == '/';

        unz64_file_pos pos{};
        unzGetFilePos64(uf, &pos);

        // Opening the entry (raw) makes minizip check its local header
        // against the central record and gives the data offset.
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(uf, &method, &level, 1) != UNZ_OK)
            return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(n) + ": local header missing or inconsistent");
        e.data_offset = unzGetCurrentFileZStreamPos64(uf);
        int local_extra = unzGetLocalExtrafield(uf, nullptr, 0);
        unzCloseCurrentFile(uf);
        uint64_t header_bytes = LOCAL_HEADER_SIZE + info.size_filename + static_cast<uint64_t>(local_extra < 0 ? 0 : local_extra);
        if (local_extra < 0 || e.data_offset < header_bytes)
            return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(n) + ": local header missing or inconsistent");
        e.local_offset = e.data_offset - header_bytes;
        // The local header must carry the same name: readers that go by the
        // local headers would otherwise see another package.
        local_name.resize(info.size_filename);
        if (source_->read_at(e.local_offset, local, sizeof local) != sizeof local ||
            le32(local) != LOCAL_HEADER_SIGNATURE ||
            source_->read_at(e.local_offset + LOCAL_HEADER_SIZE, local_name.data(), local_name.size()) !=
                local_name.size() ||
            local_name != n)
            return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(n) + ": local header does not match the central directory");
        if (e.compressed_size > source_->size || e.data_offset > source_->size - e.compressed_size)
            return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(n) + ": data past the end of the archive (truncated)");

        entries_.push_back(std::move(e));
        directory_pos_.push_back(pos.pos_in_zip_directory);
        directory_num_.push_back(pos.num_of_file);
        rc = unzGoToNextFile(uf);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) return fail(ZIPREAD_ERR_CORRUPT, "damaged central directory");

    // Entries must not share bytes: overlapping entries let a small
    // archive stand for many large ones.
    std::vector<size_t> order(entries_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return entries_[a].local_offset < entries_[b].local_offset; });
    for (size_t k = 1; k < order.size(); ++k) {
        const ZipEntry &prev = entries_[order[k - 1]];
        const ZipEntry &next = entries_[order[k]];
        if (prev.data_offset + prev.compressed_size > next.local_offset)
            return fail(ZIPREAD_ERR_REFUSED, "entries " + quoted(prev.name) + " and " + quoted(next.name) + " overlap");
    }
    return ZIPREAD_OK;
}

long ZipReader::find(std::string_view name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].name == name) return static_cast<long>(i);
    return -1;
}

int ZipReader::seek_entry(size_t index) {
    if (!unz_) return fail(ZIPREAD_ERR_ARGUMENT, "no archive open");
    if (index >= entries_.size()) return fail(ZIPREAD_ERR_ARGUMENT, "no entry " + std::to_string(index));
    unz64_file_pos pos{directory_pos_[index], directory_num_[index]};
    unzFile uf = static_cast<unzFile>(unz_);
    int method = 0, level = 0;
    if (unzGoToFilePos64(uf, &pos) != UNZ_OK || unzOpenCurrentFile2(uf, &method, &level, 1) != UNZ_OK)
        return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(entries_[index].name) + ": cannot be read");
    return ZIPREAD_OK;
}

int ZipReader::check_bounds(const ZipEntry &e) {
    const std::string who = "entry " + quoted(e.name) + " refused: ";
    if (e.size > limits_.max_entry_bytes)
        return fail(ZIPREAD_ERR_LIMIT, who + "it inflates to " + std::to_string(e.size) + " bytes, more than " +
                                       std::to_string(limits_.max_entry_bytes));
    if (e.size > limits_.ratio_floor_bytes && e.size / std::max<uint64_t>(e.compressed_size, 1) > limits_.max_ratio)
        return fail(ZIPREAD_ERR_LIMIT, who + "compression ratio " + std::to_string(e.size / std::max<uint64_t>(e.compressed_size, 1)) +
                                       ":1 (" + std::to_string(e.size) + " bytes from " + std::to_string(e.compressed_size) +
                                       "), a zip bomb");
    if (e.size > limits_.max_total_bytes - std::min(inflated_total_, limits_.max_total_bytes))
        return fail(ZIPREAD_ERR_LIMIT, who + "the package inflates to more than " + std::to_string(limits_.max_total_bytes) +
                                       " bytes in all");
    return ZIPREAD_OK;
}

int ZipReader::read(size_t index, const ZipChunkSink &sink) {
    int rc = seek_entry(index);
    if (rc != ZIPREAD_OK) return rc;
    const ZipEntry &e = entries_[index];
    unzFile uf = static_cast<unzFile>(unz_);
    const CurrentEntry closer{uf};
    if ((rc = check_bounds(e)) != ZIPREAD_OK) return rc;

    in_.resize(IN_CHUNK);
    out_.resize(OUT_CHUNK);
    z_stream zs{};
    const bool deflated = e.method == Z_DEFLATED;
    if (deflated && inflateInit2(&zs, -MAX_WBITS) != Z_OK) return fail(ZIPREAD_ERR_MEMORY, "out of memory");
    struct EndInflate {
        z_stream *zs;
        bool on;
        ~EndInflate() {
            if (on) inflateEnd(zs);
        }
    } ender{&zs, deflated};

    // The declared size already passed the bounds; the bytes are held to it.
    const std::string who = "entry " + quoted(e.name);
    uint64_t produced = 0;
    uLong crc = crc32(0, nullptr, 0);
    auto emit = [&](const unsigned char *p, size_t n) -> int {
        if (n == 0) return ZIPREAD_OK;
        if (n > e.size - produced)
            return fail(ZIPREAD_ERR_CORRUPT, who + ": inflates to more than the " + std::to_string(e.size) +
                                             " bytes its header declares");
        produced += n;
        inflated_total_ += n;
        crc = crc32(crc, p, static_cast<uInt>(n));
        return sink(reinterpret_cast<const char *>(p), n);
    };

    for (;;) {
        int got = unzReadCurrentFile(uf, in_.data(), static_cast<unsigned>(in_.size()));
        if (got < 0) return fail(ZIPREAD_ERR_CORRUPT, who + ": read error (truncated archive?)");
        if (!deflated) {
            if (got == 0) break;
            if ((rc = emit(in_.data(), static_cast<size_t>(got))) != ZIPREAD_OK) return rc;
            continue;
        }
        zs.next_in = in_.data();
        zs.avail_in = static_cast<uInt>(got);
        bool stream_done = false;
        do {
            zs.next_out = out_.data();
            zs.avail_out = static_cast<uInt>(out_.size());
            int z = inflate(&zs, Z_NO_FLUSH);
            if (z == Z_STREAM_END) {
                stream_done = true;
            } else if (z != Z_OK && z != Z_BUF_ERROR) { // Z_BUF_ERROR: needs more input
                return fail(z == Z_MEM_ERROR ? ZIPREAD_ERR_MEMORY : ZIPREAD_ERR_CORRUPT,
                            who + ": bad deflate data" + (zs.msg ? std::string(" (") + zs.msg + ")" : std::string()));
            }
            if ((rc = emit(out_.data(), out_.size() - zs.avail_out)) != ZIPREAD_OK) return rc;
        } while (!stream_done && (zs.avail_in > 0 || zs.avail_out == 0));
        if (stream_done) break; // compressed bytes after the end of the deflate data are not used
        if (got == 0) return fail(ZIPREAD_ERR_CORRUPT, who + ": deflate data end early (truncated)");
    }
    if (produced != e.size)
        return fail(ZIPREAD_ERR_CORRUPT, who + ": inflates to " + std::to_string(produced) + " bytes, its header declares " +
                                         std::to_string(e.size));
    if (static_cast<uint32_t>(crc) != e.crc32) return fail(ZIPREAD_ERR_CORRUPT, who + ": CRC mismatch (damaged data)");
    return ZIPREAD_OK;
}

int ZipReader::read_threaded(size_t index, const ZipChunkSink &sink) {
    // A ring of chunk buffers between the inflating thread and this one.
    constexpr size_t SLOTS = 4;
    std::vector<std::string> slot(SLOTS);
    size_t head = 0, filled = 0; // next slot to consume, slots waiting
    bool done = false, stop = false;
    int inflate_rc = ZIPREAD_OK;
    std::mutex m;
    std::condition_variable cv;

    std::thread inflater([&] {
        size_t tail = 0;
        int rc = read(index, [&](const char *p, size_t n) {
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return filled < SLOTS || stop; });
            if (stop) return static_cast<int>(ZIPREAD_ERR_ARGUMENT); // the consumer failed; its result is returned
            lock.unlock();
            slot[tail].assign(p, n); // this slot is not in the consumer's hands
            lock.lock();
            tail = (tail + 1) % SLOTS;
            ++filled;
            cv.notify_all();
            return 0;
        });
        std::lock_guard<std::mutex> lock(m);
        inflate_rc = rc;
        done = true;
        cv.notify_all();
    });

    int sink_rc = 0;
    for (;;) {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return filled > 0 || done; });
        if (filled == 0) break;
        lock.unlock();
        if (sink_rc == 0) sink_rc = sink(slot[head].data(), slot[head].size());
        lock.lock();
        head = (head + 1) % SLOTS;
        --filled;
        if (sink_rc != 0) stop = true;
        cv.notify_all();
    }
    inflater.join();
    return sink_rc != 0 ? sink_rc : inflate_rc;
}

int ZipReader::read_whole(size_t index, std::string &out) {
    out.clear();
    if (index < entries_.size()) out.reserve(static_cast<size_t>(std::min(entries_[index].size, RESERVE_CAP)));
    int rc = read(index, [&](const char *p, size_t n) {
        out.append(p, n);
        return 0;
    });
    if (rc != ZIPREAD_OK) out.clear();
    return rc;
}

int ZipReader::read_raw(size_t index, const ZipChunkSink &sink) {
    int rc = seek_entry(index);
    if (rc != ZIPREAD_OK) return rc;
    const ZipEntry &e = entries_[index];
    unzFile uf = static_cast<unzFile>(unz_);
    const CurrentEntry closer{uf};
    in_.resize(IN_CHUNK);
    uint64_t copied = 0;
    for (;;) {
        int got = unzReadCurrentFile(uf, in_.data(), static_cast<unsigned>(in_.size()));
        if (got < 0) return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(e.name) + ": read error (truncated archive?)");
        if (got == 0) break;
        copied += static_cast<uint64_t>(got);
        if ((rc = sink(reinterpret_cast<const char *>(in_.data()), static_cast<size_t>(got))) != ZIPREAD_OK) return rc;
    }
    if (copied != e.compressed_size) return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(e.name) + ": truncated data");
    return ZIPREAD_OK;
}

int ZipReader::raw_facts(size_t index, ZipRawFacts &out) {
    out = ZipRawFacts{};
    if (!unz_) return fail(ZIPREAD_ERR_ARGUMENT, "no archive open");
    if (index >= entries_.size()) return fail(ZIPREAD_ERR_ARGUMENT, "no entry " + std::to_string(index));
    const ZipEntry &e = entries_[index];
    unzFile uf = static_cast<unzFile>(unz_);
    unz64_file_pos pos{directory_pos_[index], directory_num_[index]};
    unz_file_info64 info{};
    if (unzGoToFilePos64(uf, &pos) != UNZ_OK || unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(e.name) + ": cannot be read");
    out.central_extra.resize(info.size_file_extra);
    out.comment.resize(info.size_file_comment);
    if (unzGetCurrentFileInfo64(uf, &info, nullptr, 0, out.central_extra.data(), static_cast<uLong>(out.central_extra.size()),
                                out.comment.data(), static_cast<uLong>(out.comment.size())) != UNZ_OK)
        return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(e.name) + ": cannot be read");
    out.version_made_by = static_cast<uint16_t>(info.version);
    out.internal_attributes = static_cast<uint16_t>(info.internal_fa);
    out.external_attributes = static_cast<uint32_t>(info.external_fa);

    unsigned char h[LOCAL_HEADER_SIZE];
    if (source_->read_at(e.local_offset, h, sizeof h) != sizeof h || le32(h) != LOCAL_HEADER_SIGNATURE)
        return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(e.name) + ": local header missing");
    out.version_needed = le16(h + 4);
    out.flags = le16(h + 6);
    out.method = le16(h + 8);
    out.dos_time = le16(h + 10);
    out.dos_date = le16(h + 12);
    out.crc32 = le32(h + 14);
    out.compressed_size = le32(h + 18);
    out.size = le32(h + 22);
    uint16_t name_len = le16(h + 26), extra_len = le16(h + 28);
    out.local_extra.resize(extra_len);
    if (source_->read_at(e.local_offset + LOCAL_HEADER_SIZE + name_len, out.local_extra.data(), extra_len) != extra_len)
        return fail(ZIPREAD_ERR_CORRUPT, "entry " + quoted(e.name) + ": local header truncated");
    return ZIPREAD_OK;
}

} // namespace vel
