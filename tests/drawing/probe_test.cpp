// Picture size probes: real pictures, and headers cut short or lying, refused without reading past them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drawing_fixture.h"
#include "io/picture.h"
#include "test_support.h"

using vel::PictureInfo;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(const std::string &s) { return Bytes(s.begin(), s.end()); }

void put16(Bytes &b, size_t at, uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes &b, size_t at, uint32_t v) {
    put16(b, at, v & 0xffff);
    put16(b, at + 2, v >> 16);
}
// A copy of the bytes with a value of `width` bytes written over them.
Bytes patched(Bytes b, size_t at, uint32_t v, int width = 4) {
    width == 2 ? put16(b, at, v) : put32(b, at, v);
    return b;
}
Bytes first(const Bytes &b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); }

// Probes a heap copy of exactly these bytes, so that AddressSanitizer sees any read past them.
int probe(int kind, const Bytes &b, PictureInfo &info) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[b.size() ? b.size() : 1]);
    if (!b.empty()) std::memcpy(copy.get(), b.data(), b.size());
    return vel::probe_picture(kind, copy.get(), b.size(), info);
}

Bytes bmp(int32_t w, int32_t h, int bits, uint32_t colors_used = 0, size_t palette_bytes = 1024) {
    Bytes b(54 + palette_bytes, 0);
    b[0] = 'B', b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(w));
    put32(b, 22, static_cast<uint32_t>(h));
    put16(b, 28, static_cast<uint32_t>(bits));
    put32(b, 46, colors_used);
    return b;
}

// A little-endian TIFF whose first directory holds the given entries.
Bytes tiff(std::vector<std::array<uint32_t, 4>> entries, uint32_t dir = 8) {
    Bytes b(dir, 0);
    b[0] = 'I', b[1] = 'I', b[2] = 42;
    put32(b, 4, dir);
    put16(b, dir, static_cast<uint32_t>(entries.size()));
    size_t at = dir + 2;
    for (const auto &e : entries) { // tag, type, count, value
        put16(b, at, e[0]);
        put16(b, at + 2, e[1]);
        put32(b, at + 4, e[2]);
        put32(b, at + 8, e[3]);
        at += 12;
    }
    put32(b, at, 0);
    return b;
}

Bytes emf(int32_t fl, int32_t ft, int32_t fr, int32_t fb) {
    Bytes b(108, 0);
    put32(b, 0, 1);
    put32(b, 4, 108);
    const int32_t frame[] = {fl, ft, fr, fb};
    for (int i = 0; i < 4; ++i) put32(b, 24 + 4 * i, static_cast<uint32_t>(frame[i]));
    put32(b, 40, 0x464D4520);
    return b;
}

Bytes wmf(int16_t right, int16_t bottom, uint16_t inch, size_t size = 120) {
    Bytes b(size, 0);
    put32(b, 0, 0x9AC6CDD7);
    put16(b, 10, static_cast<uint16_t>(right));
    put16(b, 12, static_cast<uint16_t>(bottom));
    put16(b, 14, inch);
    return b;
}

} // namespace

TEST(PictureProbes, RealPicturesOfEveryRasterKind) {
    std::string dir = vtest::make_temp_dir("probes");
    for (int kind : {VXLS_FILE_PNG, VXLS_FILE_JPEG, VXLS_FILE_BMP, VXLS_FILE_GIF, VXLS_FILE_TIFF}) {
        const std::string ext = vel::picture_extension(kind);
        std::string path = dtest::make_picture(dir, "p", ext, 38, 22, "336699");
        PictureInfo info;
        ASSERT_EQ(vel::probe_picture_file(kind, path, info), 0) << ext;
        EXPECT_EQ(info.width, 38) << ext;
        EXPECT_EQ(info.height, 22) << ext;
        EXPECT_EQ(info.kind, kind);
        // The same bytes from memory give the same size.
        PictureInfo mem;
        EXPECT_EQ(probe(kind, bytes_of(vtest::read_file(path)), mem), 0) << ext;
        EXPECT_EQ(mem.width, 38);
    }
    PictureInfo info;
    EXPECT_EQ(vel::probe_picture_file(VXLS_FILE_PNG, dir + "/none.png", info), VXLS_ERR_OPEN);
}

TEST(PictureProbes, SizesAndPalettesFromTheHeaders) {
    PictureInfo info;
    ASSERT_EQ(probe(VXLS_FILE_BMP, bmp(10, -7, 24, 0, 0), info), 0);
    EXPECT_EQ(info.height, 7) << "a top-down picture is as high as a bottom-up one";
    EXPECT_EQ(info.palette_code, 3);
    EXPECT_TRUE(info.palette.empty());
    ASSERT_EQ(probe(VXLS_FILE_BMP, bmp(10, 7, 8), info), 0);
    EXPECT_EQ(info.palette_code, 2);
    EXPECT_EQ(info.palette.size(), 256u * 4);
    ASSERT_EQ(probe(VXLS_FILE_BMP, bmp(10, 7, 4, 3, 12), info), 0);
    EXPECT_EQ(info.palette.size(), 3u * 4) << "the colours the header says it uses";

    ASSERT_EQ(probe(VXLS_FILE_TIFF, tiff({{256, 3, 1, 640}, {257, 3, 1, 480}}), info), 0);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
    // A LONG width above 65,535 keeps all its bits.
    ASSERT_EQ(probe(VXLS_FILE_TIFF, tiff({{256, 4, 1, 70000}, {257, 4, 1, 3}}), info), 0);
    EXPECT_EQ(info.width, 70000);

    // Metafiles in screen pixels: a frame of 5,08 x 2,54 cm, and 2 x 1 inches
    // at 1440 units per inch, are 192 x 96 pixels at 96 dots per inch.
    ASSERT_EQ(probe(VXLS_FILE_EMF, emf(0, 0, 5080, 2540), info), 0);
    EXPECT_EQ(info.width, 192);
    EXPECT_EQ(info.height, 96);
    ASSERT_EQ(probe(VXLS_FILE_WMF, wmf(2880, 1440, 1440), info), 0);
    EXPECT_EQ(info.width, 192);
    EXPECT_EQ(info.height, 96);
}

TEST(PictureProbes, HeadersCutShortOrLyingAreRefused) {
    // A PNG header with a width of 2^31, which the codec library refuses.
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                       0x80, 0, 0, 0, 0, 0, 0, 1, 8, 2, 0, 0, 0, 0, 0, 0, 0};
    const Bytes tiff_ok = tiff({{256, 3, 1, 640}, {257, 3, 1, 480}});
    const struct {
        const char *what;
        int kind;
        Bytes bytes;
        int rc;
    } cases[] = {
        {"bmp signature", VXLS_FILE_BMP, patched(bmp(10, 7, 24, 0, 0), 0, 0, 2), -1},
        {"bmp cut in its header", VXLS_FILE_BMP, first(bmp(10, 7, 24, 0, 0), 30), -102},
        {"bmp palette past the end", VXLS_FILE_BMP, bmp(10, 7, 8, 0, 100), -102},
        {"bmp width 2^31-1", VXLS_FILE_BMP, bmp(0x7fffffff, 7, 24, 0, 0), -1},
        {"bmp height -2^31", VXLS_FILE_BMP, bmp(10, static_cast<int32_t>(0x80000000u), 24, 0, 0), -1},
        {"bmp width 0", VXLS_FILE_BMP, bmp(0, 7, 24, 0, 0), -1},
        // Entries of other types or counts do not count.
        {"tiff height of count 2", VXLS_FILE_TIFF, tiff({{256, 3, 1, 640}, {257, 3, 2, 480}}), -1},
        {"tiff without entries", VXLS_FILE_TIFF, tiff({}), -1},
        {"tiff directory past the end", VXLS_FILE_TIFF, patched(tiff_ok, 4, 0xFFFFFF00u), -104},
        {"tiff entries cut short", VXLS_FILE_TIFF, patched(tiff({{256, 3, 1, 640}}), 8, 60000, 2), -102},
        {"tiff big-endian", VXLS_FILE_TIFF, patched(tiff_ok, 0, 'M' | 'M' << 8, 2), -1},
        {"emf signature", VXLS_FILE_EMF, patched(emf(0, 0, 5080, 2540), 40, 0), -1},
        {"emf cut in its header", VXLS_FILE_EMF, first(emf(0, 0, 5080, 2540), 60), -102},
        {"wmf cut in its header", VXLS_FILE_WMF, wmf(2880, 1440, 1440, 100), -102},
        {"wmf of 0 units per inch", VXLS_FILE_WMF, wmf(2880, 1440, 0), -1},
        {"png width 2^31", VXLS_FILE_PNG, png, -1},
        {"png cut in its header", VXLS_FILE_PNG, first(png, 20), -1},
        {"jpeg segment cut short", VXLS_FILE_JPEG, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'}, -1},
        {"jpeg segment longer than the file", VXLS_FILE_JPEG, {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 0, 0}, -1},
        {"gif cut in its header", VXLS_FILE_GIF, bytes_of("GIF89a\x05"), -102},
        {"gif empty", VXLS_FILE_GIF, {}, -1},
        {"unknown kind", 150, bytes_of("anything at all"), -1},
    };
    // The codec libraries hand back a code and never leave the process.
    for (const auto &c : cases) {
        PictureInfo info;
        EXPECT_EQ(probe(c.kind, c.bytes, info), c.rc) << c.what;
    }
}
