// Picture size probes: the width and height of a picture from its header,
// one probe per picture kind (the file kinds 201..207). Probes read only
// the header, never past the end of the bytes, and refuse headers that lie
// (a size of zero or beyond MAX_PICTURE_SIDE, a directory or palette past
// the end) instead of trusting them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "velmora_codes.h"

struct AOD_FILE;

namespace vel {

constexpr int32_t MAX_PICTURE_SIDE = 100000; // pixels

struct PictureInfo {
    int32_t kind = 0;         // file kind of the picture (201..207)
    int32_t width = 0;        // pixels (metafiles: at 96 dots per inch)
    int32_t height = 0;
    int32_t palette_code = -1; // BMP: 0 1-bit, 1 4-bit, 2 8-bit, 3 24-bit, -1 other depths
    int32_t bit_count = 0;    // BMP: bits per pixel
    int32_t file_size = 0;    // BMP: the size field of the file header
    std::vector<uint8_t> palette; // BMP with 1, 4 or 8 bits: 4 bytes per entry
};

// Where a probe reads from: bytes in memory or an open disk file. Reads are
// positioned and bounded by the size.
class PictureSource {
public:
    PictureSource(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    explicit PictureSource(AOD_FILE *file);

    uint64_t size() const { return size_; }
    // Up to n bytes from `offset`; fewer only at the end (or a read failure).
    size_t read_at(uint64_t offset, void *buf, size_t n);
    // Sequential reading from a position, for the codec libraries.
    void seek(uint64_t offset) { pos_ = offset; }
    size_t read_next(void *buf, size_t n) {
        size_t got = read_at(pos_, buf, n);
        pos_ += got;
        return got;
    }

private:
    const uint8_t *data_ = nullptr;
    AOD_FILE *file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t pos_ = 0;
};

// The probes. 0 with `out` filled; -1 a header that is not of the kind or
// not believable, -2 no memory, -102 the header is cut short, -104 a TIFF
// directory out of reach. Big-endian TIFF ("MM") is refused (-1).
int vlt_bmp_info(PictureSource &src, PictureInfo &out);
int vlt_jpeg_size(PictureSource &src, PictureInfo &out);
int vlt_png_size(PictureSource &src, PictureInfo &out);
int vlt_gif_size(PictureSource &src, PictureInfo &out);
int vlt_tiff_size(PictureSource &src, PictureInfo &out);
int vlt_emf_size(PictureSource &src, PictureInfo &out);
int vlt_wmf_size(PictureSource &src, PictureInfo &out);

// The probe of a kind (201..207); -1 for any other kind.
int probe_picture(int kind, PictureSource &src, PictureInfo &out);
int probe_picture(int kind, const uint8_t *data, size_t size, PictureInfo &out);
// Probes a disk file of a known kind; rc::OPEN_FAILED when it cannot be opened.
int probe_picture_file(int kind, const std::string &path, PictureInfo &out);

// File extension (without the dot) and MIME type of a picture kind; null
// outside 201..207.
const char *picture_extension(int kind);
const char *picture_mime(int kind);

} // namespace vel
