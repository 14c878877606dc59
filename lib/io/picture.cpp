// Picture size probes (see picture.h). All numbers in the headers are
// little-endian; JPEG and PNG headers are read by their libraries.
#include "io/picture.h"

#include <climits>
#include <cstring>
#include <new>
#include <sys/stat.h>

#include "core/status.h"
#include "io/aodfile.h"
#include "io/picture_codecs.h"

namespace vel {

PictureSource::PictureSource(AOD_FILE *file) : file_(file) {
    struct stat st;
    if (file_ && ::fstat(file_->fd, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
}

size_t PictureSource::read_at(uint64_t offset, void *buf, size_t n) {
    if (offset >= size_) return 0;
    if (n > size_ - offset) n = static_cast<size_t>(size_ - offset);
    if (data_) {
        std::memcpy(buf, data_ + offset, n);
        return n;
    }
    if (!file_ || offset > static_cast<uint64_t>(LONG_MAX)) return 0;
    if (aod_fseek(file_, static_cast<long>(offset), AOD_SEEK_SET) != 0) return 0;
    size_t got = 0;
    while (got < n) {
        size_t step = aod_fread(static_cast<uint8_t *>(buf) + got, n - got, file_);
        if (step == 0) break;
        got += step;
    }
    return got;
}

namespace {

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
int32_t sle32(const uint8_t *p) { return static_cast<int32_t>(le32(p)); }
int16_t sle16(const uint8_t *p) { return static_cast<int16_t>(le16(p)); }

bool believable(int64_t w, int64_t h) { return w >= 1 && h >= 1 && w <= MAX_PICTURE_SIDE && h <= MAX_PICTURE_SIDE; }

int sized(PictureInfo &out, int kind, int64_t w, int64_t h) {
    if (!believable(w, h)) return -1;
    out.kind = kind;
    out.width = static_cast<int32_t>(w);
    out.height = static_cast<int32_t>(h);
    return 0;
}

// The read callback of the codec libraries: never throws.
extern "C" size_t read_source(void *source, unsigned char *buf, size_t n) {
    return static_cast<PictureSource *>(source)->read_next(buf, n);
}

} // namespace

int vlt_bmp_info(PictureSource &src, PictureInfo &out) {
    uint8_t file_header[14];
    if (src.read_at(0, file_header, sizeof file_header) < sizeof file_header) return -102;
    if (le16(file_header) != 0x4D42) return -1;
    uint8_t info[40];
    // The info header: 12 bytes in the old core form, 40 or more otherwise.
    if (src.read_at(14, info, 4) < 4) return -102;
    const uint32_t info_size = le32(info);
    int64_t w, h;
    int bits;
    uint32_t colors_used = 0;
    if (info_size == 12) {
        if (src.read_at(14, info, 12) < 12) return -102;
        w = le16(info + 4);
        h = le16(info + 6);
        bits = le16(info + 10);
    } else if (info_size >= 40 && info_size <= 1024) {
        if (src.read_at(14, info, 40) < 40) return -102;
        w = sle32(info + 4);
        h = sle32(info + 8); // negative for a top-down picture
        bits = le16(info + 14);
        colors_used = le32(info + 32);
    } else {
        return -1;
    }
    out.file_size = sle32(file_header + 2);
    out.bit_count = bits;
    out.palette_code = bits == 1 ? 0 : bits == 4 ? 1 : bits == 8 ? 2 : bits == 24 ? 3 : -1;
    int rc = sized(out, VXLS_FILE_BMP, w, h < 0 ? -h : h);
    if (rc) return rc;
    if (bits == 1 || bits == 4 || bits == 8) {
        const uint32_t full = 1u << bits;
        const uint32_t entries = colors_used > 0 && colors_used < full ? colors_used : full;
        const size_t entry_size = info_size == 12 ? 3 : 4;
        const uint64_t at = 14 + static_cast<uint64_t>(info_size);
        // A palette that would run past the end of the file is a lie.
        if (at + entries * entry_size > src.size()) return -102;
        uint8_t raw[256 * 4];
        if (src.read_at(at, raw, entries * entry_size) < entries * entry_size) return -102;
        try {
            out.palette.assign(entries * 4, 0);
        } catch (const std::bad_alloc &) {
            return -2;
        }
        for (uint32_t i = 0; i < entries; ++i) std::memcpy(&out.palette[i * 4], raw + i * entry_size, 3);
    }
    return 0;
}

int vlt_jpeg_size(PictureSource &src, PictureInfo &out) {
    uint32_t w = 0, h = 0;
    src.seek(0);
    int rc = vel_jpeg_header_size(read_source, &src, &w, &h);
    if (rc) return rc;
    return sized(out, VXLS_FILE_JPEG, w, h);
}

int vlt_png_size(PictureSource &src, PictureInfo &out) {
    uint32_t w = 0, h = 0;
    src.seek(0);
    int rc = vel_png_header_size(read_source, &src, &w, &h);
    if (rc) return rc;
    return sized(out, VXLS_FILE_PNG, w, h);
}

int vlt_gif_size(PictureSource &src, PictureInfo &out) {
    uint8_t head[10];
    size_t got = src.read_at(0, head, sizeof head);
    if (got == 0) return -1;
    if (got < sizeof head) return -102;
    if (std::memcmp(head, "GIF87a", 6) != 0 && std::memcmp(head, "GIF89a", 6) != 0) return -1;
    return sized(out, VXLS_FILE_GIF, le16(head + 6), le16(head + 8));
}

int vlt_tiff_size(PictureSource &src, PictureInfo &out) {
    uint8_t head[8];
    size_t got = src.read_at(0, head, sizeof head);
    if (got == 0) return -102;
    if (got < sizeof head) return -102;
    // Little-endian files only; "MM" (big-endian) is refused.
    if (std::memcmp(head, "II*\0", 4) != 0) return -1;
    const uint64_t dir = le32(head + 4);
    if (dir < 8 || dir + 2 > src.size()) return -104;
    uint8_t count_bytes[2];
    if (src.read_at(dir, count_bytes, 2) < 2) return -102;
    const int count = le16(count_bytes);
    if (count < 1) return -1;
    int64_t w = -1, h = -1;
    for (int i = 0; i < count && (w < 0 || h < 0); ++i) {
        uint8_t e[12];
        if (src.read_at(dir + 2 + 12u * static_cast<uint64_t>(i), e, sizeof e) < sizeof e) return -102;
        const uint16_t tag = le16(e), type = le16(e + 2);
        if ((type != 3 && type != 4) || le32(e + 4) != 1) continue;
        // A SHORT value lies in the first two bytes of the value field, a LONG in all four.
        const int64_t v = type == 3 ? le16(e + 8) : le32(e + 8);
        if (tag == 256) w = v;
        else if (tag == 257) h = v;
    }
    if (w < 0 || h < 0) return -1;
    return sized(out, VXLS_FILE_TIFF, w, h);
}

int vlt_emf_size(PictureSource &src, PictureInfo &out) {
    // The header record: type 1, its size, the bounds in device units and
    // the frame in hundredths of a millimetre, then the " EMF" signature.
    uint8_t h[88];
    if (src.read_at(0, h, sizeof h) < sizeof h) return -102;
    if (le32(h) != 1 || le32(h + 40) != 0x464D4520) return -1;
    const int64_t fw = static_cast<int64_t>(sle32(h + 32)) - sle32(h + 24);
    const int64_t fh = static_cast<int64_t>(sle32(h + 36)) - sle32(h + 28);
    if (fw > 0 && fh > 0) return sized(out, VXLS_FILE_EMF, (fw * 96 + 1270) / 2540, (fh * 96 + 1270) / 2540);
    const int64_t bw = static_cast<int64_t>(sle32(h + 16)) - sle32(h + 8) + 1;
    const int64_t bh = static_cast<int64_t>(sle32(h + 20)) - sle32(h + 12) + 1;
    return sized(out, VXLS_FILE_EMF, bw, bh);
}

int vlt_wmf_size(PictureSource &src, PictureInfo &out) {
    // The placeable header: key, handle, bounding box (left, top, right,
    // bottom) in logical units, and the units per inch.
    uint8_t h[108];
    if (src.read_at(0, h, sizeof h) < sizeof h) return -102;
    if (le32(h) != 0x9AC6CDD7u) return -1;
    const int64_t w = static_cast<int64_t>(sle16(h + 10)) - sle16(h + 6);
    const int64_t ht = static_cast<int64_t>(sle16(h + 12)) - sle16(h + 8);
    const int64_t inch = le16(h + 14);
    if (inch == 0) return -1;
    return sized(out, VXLS_FILE_WMF, (w * 96 + inch / 2) / inch, (ht * 96 + inch / 2) / inch);
}

int probe_picture(int kind, PictureSource &src, PictureInfo &out) {
    out = PictureInfo{};
    switch (kind) {
    case VXLS_FILE_BMP: return vlt_bmp_info(src, out);
    case VXLS_FILE_JPEG: return vlt_jpeg_size(src, out);
    case VXLS_FILE_PNG: return vlt_png_size(src, out);
    case VXLS_FILE_GIF: return vlt_gif_size(src, out);
    case VXLS_FILE_TIFF: return vlt_tiff_size(src, out);
    case VXLS_FILE_EMF: return vlt_emf_size(src, out);
    case VXLS_FILE_WMF: return vlt_wmf_size(src, out);
    default: return -1;
    }
}

int probe_picture(int kind, const uint8_t *data, size_t size, PictureInfo &out) {
    PictureSource src(data, data ? size : 0);
    return probe_picture(kind, src, out);
}

int probe_picture_file(int kind, const std::string &path, PictureInfo &out) {
    AOD_FILE *f = aod_fopen(path.c_str(), 1);
    if (!f) return rc::OPEN_FAILED;
    PictureSource src(f);
    int rc = probe_picture(kind, src, out);
    aod_fclose(f);
    return rc;
}

const char *picture_extension(int kind) {
    static const char *const ext[] = {"bmp", "jpeg", "png", "gif", "tiff", "emf", "wmf"};
    return kind >= VXLS_FILE_BMP && kind <= VXLS_FILE_WMF ? ext[kind - VXLS_FILE_BMP] : nullptr;
}

const char *picture_mime(int kind) {
    static const char *const mime[] = {"image/bmp", "image/jpeg", "image/png", "image/gif",
                                       "image/tiff", "image/x-emf", "image/x-wmf"};
    return kind >= VXLS_FILE_BMP && kind <= VXLS_FILE_WMF ? mime[kind - VXLS_FILE_BMP] : nullptr;
}

} // namespace vel
