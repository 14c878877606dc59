// Compression of one package part into the raw deflate data of its zip
// entry. A part is streamed in: small parts (every part up to the window
// size, which covers a frame worksheet) are compressed in one pass with the
// fast one-shot compressor; a larger part switches to streaming deflate, so
// no part is ever held whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "xml/writer.h"

namespace vel {

// The finished zip entry data of a part.
struct CompressedPart {
    std::vector<uint8_t> data;  // raw deflate stream
    uint32_t crc = 0;           // CRC-32 of the uncompressed bytes
    uint64_t size = 0;          // uncompressed size
};

class PartDeflater final : public ByteSink {
public:
    static constexpr size_t WINDOW = 1 << 20;

    PartDeflater();
    ~PartDeflater() override;
    PartDeflater(const PartDeflater &) = delete;
    PartDeflater &operator=(const PartDeflater &) = delete;

    // Starts a new part (the deflater is reused part after part).
    void begin();
    void write(const char *data, size_t size) override;
    // Ends the part and moves its entry data out. Throws std::bad_alloc or
    // std::runtime_error when compression fails.
    CompressedPart finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Compresses a whole binary part (printer settings, pictures, VBA project).
CompressedPart compress_bytes(PartDeflater &deflater, const uint8_t *data, size_t size);

} // namespace vel
