// Compression of VBA project streams (the "dir" stream and module sources).
#include "xlsx/vba/ovba_compress.h"

#include <algorithm>
#include <array>

namespace vel {

namespace {

constexpr size_t CHUNK = 4096;          // decompressed bytes per chunk
constexpr size_t HASH_SIZE = 4096;      // 12-bit hash of the next three bytes
constexpr int MAX_CHAIN = 256;          // candidates tried per position
constexpr uint16_t RAW_HEADER = 0x3FFF; // size 4098, signature 3, flag 0
constexpr uint16_t COMPRESSED_FLAG = 0x8000;
constexpr uint16_t CHUNK_SIGNATURE = 0x3000;

// Bits of a copy token given to the offset, for a token that starts `p`
// bytes into its chunk: the smallest count >= 4 whose range covers p.
int offset_bits(size_t p) {
    int bits = 4;
    while ((size_t{1} << bits) < p) ++bits;
    return bits;
}

unsigned hash3(const uint8_t *s) {
    return ((unsigned{s[0]} << 8) ^ (unsigned{s[1]} << 4) ^ s[2]) & (HASH_SIZE - 1);
}

// Greedy longest-match encoding of one slice (at most CHUNK bytes) into
// flag bytes, literals and copy tokens. Matches never reach before the slice.
void compress_chunk(std::span<const uint8_t> s, std::vector<uint8_t> &body) {
    std::array<int16_t, HASH_SIZE> head;
    std::array<int16_t, CHUNK> prev;
    head.fill(-1);
    const size_t n = s.size();
    auto insert = [&](size_t i) {
        if (i + 3 > n) return;
        unsigned h = hash3(&s[i]);
        prev[i] = head[h];
        head[h] = static_cast<int16_t>(i);
    };

    body.clear();
    size_t p = 0;
    while (p < n) {
        const size_t flag_at = body.size();
        body.push_back(0);
        for (int bit = 0; bit < 8 && p < n; ++bit) {
            size_t best_len = 0;
            size_t best_off = 0;
            const int bits = offset_bits(p);
            if (p > 0 && p + 3 <= n) {
                const size_t max_len = std::min<size_t>((0xFFFFu >> bits) + 3, n - p);
                int steps = MAX_CHAIN;
                for (int q = head[hash3(&s[p])]; q >= 0 && steps-- > 0; q = prev[q]) {
                    size_t len = 0;
                    while (len < max_len && s[q + len] == s[p + len]) ++len;
                    if (len > best_len) {
                        best_len = len;
                        best_off = p - q;
                        if (len == max_len) break;
                    }
                }
            }
            if (best_len >= 3) {
                const unsigned token = ((best_off - 1) << (16 - bits)) | (best_len - 3);
                body.push_back(static_cast<uint8_t>(token));
                body.push_back(static_cast<uint8_t>(token >> 8));
                body[flag_at] |= static_cast<uint8_t>(1u << bit);
                for (size_t i = 0; i < best_len; ++i) insert(p + i);
                p += best_len;
            } else {
                body.push_back(s[p]);
                insert(p);
                ++p;
            }
        }
    }
}

void put16(std::vector<uint8_t> &out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

std::nullopt_t fail(std::string *error, std::string text) {
    if (error) *error = std::move(text);
    return std::nullopt;
}

} // namespace

std::optional<std::vector<uint8_t>> ovba_compress(std::span<const uint8_t> data) {
    std::vector<uint8_t> out;
    out.reserve(1 + data.size() / 2 + 64);
    out.push_back(0x01);
    std::vector<uint8_t> body;
    body.reserve(CHUNK + CHUNK / 8 + 16);
    for (size_t base = 0; base < data.size(); base += CHUNK) {
        auto slice = data.subspan(base, std::min(CHUNK, data.size() - base));
        compress_chunk(slice, body);
        if (body.size() <= CHUNK) {
            put16(out, COMPRESSED_FLAG | CHUNK_SIGNATURE | static_cast<unsigned>(body.size() - 1));
            out.insert(out.end(), body.begin(), body.end());
        } else if (slice.size() == CHUNK) {
            put16(out, RAW_HEADER);
            out.insert(out.end(), slice.begin(), slice.end());
        } else {
            return std::nullopt; // a raw chunk would pad the data
        }
    }
    return out;
}

std::optional<std::vector<uint8_t>> ovba_decompress(std::span<const uint8_t> c, std::string *error) {
    if (c.empty()) return fail(error, "empty container");
    if (c[0] != 0x01) return fail(error, "container signature is not 0x01");
    std::vector<uint8_t> out;
    out.reserve(c.size() * 3);
    size_t pos = 1;
    while (pos < c.size()) {
        const size_t at = pos;
        if (c.size() - pos < 2) return fail(error, "truncated chunk header at " + std::to_string(at));
        const unsigned header = c[pos] | (unsigned{c[pos + 1]} << 8);
        if ((header & 0x7000) != CHUNK_SIGNATURE)
            return fail(error, "bad chunk signature at " + std::to_string(at));
        const size_t size = (header & 0x0FFF) + 3;
        if (c.size() - pos < size) return fail(error, "truncated chunk at " + std::to_string(at));
        const size_t end = pos + size;
        pos += 2;
        if (!(header & COMPRESSED_FLAG)) {
            if (size != CHUNK + 2) return fail(error, "raw chunk of wrong size at " + std::to_string(at));
            out.insert(out.end(), c.begin() + pos, c.begin() + end);
            pos = end;
            continue;
        }
        const size_t start = out.size();
        while (pos < end) {
            const uint8_t flags = c[pos++];
            for (int bit = 0; bit < 8 && pos < end; ++bit) {
                if (!(flags & (1u << bit))) {
                    if (out.size() - start >= CHUNK)
                        return fail(error, "chunk longer than 4096 bytes at " + std::to_string(at));
                    out.push_back(c[pos++]);
                    continue;
                }
                if (end - pos < 2) return fail(error, "truncated copy token at " + std::to_string(pos));
                const unsigned token = c[pos] | (unsigned{c[pos + 1]} << 8);
                pos += 2;
                const size_t p = out.size() - start;
                const int bits = offset_bits(p);
                const size_t length = (token & (0xFFFFu >> bits)) + 3;
                const size_t offset = (token >> (16 - bits)) + 1;
                if (offset > p)
                    return fail(error, "copy token reaches before its chunk at " + std::to_string(pos - 2));
                if (p + length > CHUNK)
                    return fail(error, "chunk longer than 4096 bytes at " + std::to_string(at));
                for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
            }
        }
    }
    return out;
}

} // namespace vel
