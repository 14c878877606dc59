// Zip building on minizip with our own file callbacks (POSIX file or memory
// file).
#include "xlsx/zip_archive.h"

#include <cerrno>
#include <cstdio>
#include <minizip/zip.h>

#include "core/status.h"
#include "io/mfile.h"
#include "xlsx/read/zip_reader.h"

namespace vel {

namespace {

// ---- disk files: stdio with a large buffer --------------------------------

struct DiskFile {
    FILE *f = nullptr;
    bool error = false;
};

voidpf ZCALLBACK disk_open(voidpf, const void *name, int) {
    FILE *f = std::fopen(static_cast<const char *>(name), "wb");
    if (!f) return nullptr;
    std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
    return new (std::nothrow) DiskFile{f, false};
}
uLong ZCALLBACK disk_read(voidpf, voidpf, void *, uLong) { return 0; }
uLong ZCALLBACK disk_write(voidpf, voidpf stream, const void *buf, uLong size) {
    auto *d = static_cast<DiskFile *>(stream);
    size_t n = std::fwrite(buf, 1, size, d->f);
    if (n != size) d->error = true;
    return static_cast<uLong>(n);
}
ZPOS64_T ZCALLBACK disk_tell(voidpf, voidpf stream) {
    auto *d = static_cast<DiskFile *>(stream);
    return static_cast<ZPOS64_T>(ftello(d->f));
}
long ZCALLBACK disk_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto *d = static_cast<DiskFile *>(stream);
    int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR
               : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    return fseeko(d->f, static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
}
int ZCALLBACK disk_close(voidpf, voidpf stream) {
    auto *d = static_cast<DiskFile *>(stream);
    bool bad = d->error;
    if (std::fflush(d->f) != 0) bad = true;
    if (std::fclose(d->f) != 0) bad = true;
    delete d;
    return bad ? -1 : 0;
}
int ZCALLBACK disk_error(voidpf, voidpf stream) {
    auto *d = static_cast<DiskFile *>(stream);
    return d->error || std::ferror(d->f) ? 1 : 0;
}

// ---- memory files ----------------------------------------------------------

voidpf ZCALLBACK mem_open(voidpf table, const void *name, int) {
    return mopen(*static_cast<MFileTable *>(table), static_cast<const char *>(name), "wb");
}
uLong ZCALLBACK mem_read(voidpf, voidpf stream, void *buf, uLong size) {
    return static_cast<uLong>(mread(buf, 1, size, static_cast<MFILE *>(stream)));
}
uLong ZCALLBACK mem_write(voidpf, voidpf stream, const void *buf, uLong size) {
    return static_cast<uLong>(mwrite(buf, 1, size, static_cast<MFILE *>(stream)));
}
ZPOS64_T ZCALLBACK mem_tell(voidpf, voidpf stream) {
    long p = mtell(static_cast<MFILE *>(stream));
    return p < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(p);
}
long ZCALLBACK mem_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR
               : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    if (offset > 0x7fffffffu) return -1;
    return mseek(static_cast<MFILE *>(stream), static_cast<long>(offset), whence) == 0 ? 0 : -1;
}
int ZCALLBACK mem_close(voidpf, voidpf stream) {
    auto *f = static_cast<MFILE *>(stream);
    bool bad = f->state == -9;
    return (mclose(f) != 0 || bad) ? -1 : 0;
}
int ZCALLBACK mem_error(voidpf, voidpf stream) {
    return static_cast<MFILE *>(stream)->state == -9 ? 1 : 0;
}

zlib_filefunc64_def callbacks(MFileTable *memory) {
    zlib_filefunc64_def d{};
    if (memory) {
        d.opaque = memory;
        d.zopen64_file = mem_open;
        d.zread_file = mem_read;
        d.zwrite_file = mem_write;
        d.ztell64_file = mem_tell;
        d.zseek64_file = mem_seek;
        d.zclose_file = mem_close;
        d.zerror_file = mem_error;
    } else {
        d.zopen64_file = disk_open;
        d.zread_file = disk_read;
        d.zwrite_file = disk_write;
        d.ztell64_file = disk_tell;
        d.zseek64_file = disk_seek;
        d.zclose_file = disk_close;
        d.zerror_file = disk_error;
    }
    return d;
}

} // namespace

ZipArchive::~ZipArchive() { abandon(); }

int ZipArchive::open(const std::string &path, MFileTable *memory) {
    zlib_filefunc64_def def = callbacks(memory);
    zip_ = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &def);
    return zip_ ? rc::OK : rc::OPEN_FAILED;
}

int ZipArchive::add(const char *name, const CompressedPart &part, const ZipTime &t) {
    if (!zip_) return rc::WRITE_FAILED;
    zip_fileinfo info{};
    info.tmz_date.tm_sec = static_cast<uInt>(t.second);
    info.tmz_date.tm_min = static_cast<uInt>(t.minute);
    info.tmz_date.tm_hour = static_cast<uInt>(t.hour);
    info.tmz_date.tm_mday = static_cast<uInt>(t.day);
    info.tmz_date.tm_mon = static_cast<uInt>(t.month - 1);
    info.tmz_date.tm_year = static_cast<uInt>(t.year);
    int zip64 = (part.size >= 0xffffffffu || part.data.size() >= 0xffffffffu) ? 1 : 0;
    if (zipOpenNewFileInZip2_64(zip_, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_BEST_SPEED, 1, zip64) != ZIP_OK) {
        return rc::WRITE_FAILED;
    }
    const uint8_t *p = part.data.data();
    size_t left = part.data.size();
    while (left > 0) {
        unsigned step = left > (1u << 30) ? (1u << 30) : static_cast<unsigned>(left);
        if (zipWriteInFileInZip(zip_, p, step) != ZIP_OK) return rc::WRITE_FAILED;
        p += step;
        left -= step;
    }
    if (zipCloseFileInZipRaw64(zip_, part.size, part.crc) != ZIP_OK) return rc::WRITE_FAILED;
    return rc::OK;
}

namespace {

// Extra fields without the zip64 record, which the writer makes itself
// when the entry needs it.
std::string without_zip64(const std::string &extra) {
    std::string out;
    for (size_t at = 0; at + 4 <= extra.size();) {
        const size_t id = static_cast<uint8_t>(extra[at]) | static_cast<uint8_t>(extra[at + 1]) << 8;
        const size_t len = static_cast<uint8_t>(extra[at + 2]) | static_cast<uint8_t>(extra[at + 3]) << 8;
        if (at + 4 + len > extra.size()) break;
        if (id != 0x0001) out.append(extra, at, 4 + len);
        at += 4 + len;
    }
    return out;
}

} // namespace

int ZipArchive::copy_from(ZipReader &source, size_t index) {
    if (!zip_ || index >= source.entries().size()) return rc::WRITE_FAILED;
    const ZipEntry &e = source.entries()[index];
    ZipRawFacts facts;
    if (int got = source.raw_facts(index, facts); got != 0) return got;
    zip_fileinfo info{};
    info.dosDate = e.dos_datetime;
    info.internal_fa = facts.internal_attributes;
    info.external_fa = facts.external_attributes;
    const std::string local = without_zip64(facts.local_extra), global = without_zip64(facts.central_extra);
    const int zip64 = (e.size >= 0xffffffffu || e.compressed_size >= 0xffffffffu) ? 1 : 0;
    // Bit 3 (sizes after the data) is not needed: the sizes are known.
    const uLong flags = e.flags & ~0x0008u & ~0x0001u;
    if (zipOpenNewFileInZip4_64(zip_, e.name.c_str(), &info, local.data(), static_cast<uInt>(local.size()),
                                global.data(), static_cast<uInt>(global.size()),
                                facts.comment.empty() ? nullptr : facts.comment.c_str(), e.method, 0, 1,
                                -MAX_WBITS, 8, 0, nullptr, 0, facts.version_made_by, flags, zip64) != ZIP_OK)
        return rc::WRITE_FAILED;
    bool write_failed = false;
    int got = source.read_raw(index, [&](const char *p, size_t n) {
        if (zipWriteInFileInZip(zip_, p, static_cast<unsigned>(n)) != ZIP_OK) {
            write_failed = true;
            return -1;
        }
        return 0;
    });
    if (write_failed) return rc::WRITE_FAILED;
    if (got != 0) return got;
    if (zipCloseFileInZipRaw64(zip_, e.size, e.crc32) != ZIP_OK) return rc::WRITE_FAILED;
    return rc::OK;
}

int ZipArchive::close() {
    if (!zip_) return rc::ZIP_FAILED;
    int result = zipClose(zip_, nullptr);
    zip_ = nullptr;
    if (result == ZIP_ERRNO) return rc::WRITE_FAILED;
    return result == ZIP_OK ? rc::OK : rc::ZIP_FAILED;
}

void ZipArchive::abandon() {
    if (zip_) {
        zipClose(zip_, nullptr);
        zip_ = nullptr;
    }
}

} // namespace vel
