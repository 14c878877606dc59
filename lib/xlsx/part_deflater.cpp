// One-shot and streaming deflate of package parts.
#include "xlsx/part_deflater.h"

#include <stdexcept>
#include <zlib.h>

#ifdef VEL_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace vel {

namespace {

// Level of the one-shot compressor and of the streaming one: XML parts are
// highly repetitive, and the fastest level costs little in size.
constexpr int ONE_SHOT_LEVEL = 1;
constexpr int STREAM_LEVEL = 1;
constexpr size_t STREAM_OUT_STEP = 256 * 1024;

uint32_t crc_update(uint32_t crc, const uint8_t *p, size_t n) {
    if (n == 0) return crc;
#ifdef VEL_HAVE_LIBDEFLATE
    return libdeflate_crc32(crc, p, n);
#else
    while (n > 0) {
        uInt step = n > (1u << 30) ? (1u << 30) : static_cast<uInt>(n);
        crc = static_cast<uint32_t>(::crc32(crc, p, step));
        p += step;
        n -= step;
    }
    return crc;
#endif
}

} // namespace

struct PartDeflater::Impl {
    std::vector<uint8_t> window;   // input of the one-shot pass
    bool streaming = false;
    z_stream zs{};
    bool zs_ready = false;
    CompressedPart out;
#ifdef VEL_HAVE_LIBDEFLATE
    libdeflate_compressor *one_shot = nullptr;
#endif

    ~Impl() {
        if (zs_ready) deflateEnd(&zs);
#ifdef VEL_HAVE_LIBDEFLATE
        if (one_shot) libdeflate_free_compressor(one_shot);
#endif
    }

    void start_stream() {
        if (!zs_ready) {
            zs = z_stream{};
            if (deflateInit2(&zs, STREAM_LEVEL, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                throw std::bad_alloc();
            zs_ready = true;
        } else if (deflateReset(&zs) != Z_OK) {
            throw std::runtime_error("deflateReset");
        }
        streaming = true;
        feed(window.data(), window.size(), false);
        window.clear();
    }

    void feed(const uint8_t *p, size_t n, bool last) {
        out.crc = crc_update(out.crc, p, n);
        for (;;) {
            uInt step = n > (1u << 30) ? (1u << 30) : static_cast<uInt>(n);
            zs.next_in = const_cast<Bytef *>(p);
            zs.avail_in = step;
            p += step;
            n -= step;
            int flush = (last && n == 0) ? Z_FINISH : Z_NO_FLUSH;
            int rc;
            do {
                size_t used = out.data.size();
                out.data.resize(used + STREAM_OUT_STEP);
                zs.next_out = out.data.data() + used;
                zs.avail_out = static_cast<uInt>(STREAM_OUT_STEP);
                rc = deflate(&zs, flush);
                out.data.resize(out.data.size() - zs.avail_out);
                if (rc == Z_STREAM_ERROR) throw std::runtime_error("deflate");
            } while (zs.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
            if (n == 0) break;
        }
    }
};

PartDeflater::PartDeflater() : impl_(std::make_unique<Impl>()) {}
PartDeflater::~PartDeflater() = default;

void PartDeflater::begin() {
    impl_->window.clear();
    impl_->streaming = false;
    impl_->out = CompressedPart{};
}

void PartDeflater::write(const char *data, size_t size) {
    Impl &m = *impl_;
    const auto *p = reinterpret_cast<const uint8_t *>(data);
    m.out.size += size;
    if (m.streaming) return m.feed(p, size, false);
    if (m.window.size() + size > WINDOW) {
        m.start_stream();
        return m.feed(p, size, false);
    }
    if (m.window.capacity() < WINDOW) m.window.reserve(WINDOW);
    m.window.insert(m.window.end(), p, p + size);
}

CompressedPart PartDeflater::finish() {
    Impl &m = *impl_;
    if (m.streaming) {
        m.feed(nullptr, 0, true);
        m.streaming = false;
        return std::move(m.out);
    }
    m.out.crc = crc_update(0, m.window.data(), m.window.size());
#ifdef VEL_HAVE_LIBDEFLATE
    if (!m.one_shot) {
        m.one_shot = libdeflate_alloc_compressor(ONE_SHOT_LEVEL);
        if (!m.one_shot) throw std::bad_alloc();
    }
    size_t bound = libdeflate_deflate_compress_bound(m.one_shot, m.window.size());
    m.out.data.resize(bound);
    size_t n = libdeflate_deflate_compress(m.one_shot, m.window.data(), m.window.size(),
                                           m.out.data.data(), bound);
    if (n == 0) throw std::runtime_error("libdeflate_deflate_compress");
    m.out.data.resize(n);
    m.window.clear();
    return std::move(m.out);
#else
    std::vector<uint8_t> pending;
    pending.swap(m.window);
    uint32_t crc = m.out.crc;
    m.out.crc = 0;
    m.start_stream();
    m.feed(pending.data(), pending.size(), true);
    m.out.crc = crc;
    m.streaming = false;
    pending.clear();
    m.window.swap(pending);
    return std::move(m.out);
#endif
}

CompressedPart compress_bytes(PartDeflater &deflater, const uint8_t *data, size_t size) {
    deflater.begin();
    // Large binaries stream through in window-sized pieces.
    while (size > 0) {
        size_t n = size > PartDeflater::WINDOW ? PartDeflater::WINDOW : size;
        deflater.write(reinterpret_cast<const char *>(data), n);
        data += n;
        size -= n;
    }
    return deflater.finish();
}

} // namespace vel
