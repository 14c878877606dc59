// The run-length compression of VBA project streams: a signature byte, then
// one chunk per 4096 bytes of input, each chunk a sequence of literal bytes
// and copy tokens whose offset/length split depends on the chunk position.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vel {

// Compresses `data` into a container. Full 4096-byte slices that do not
// shrink are stored raw; a shorter final slice that does not fit a
// compressed chunk cannot be represented, and gives nullopt.
std::optional<std::vector<uint8_t>> ovba_compress(std::span<const uint8_t> data);

// Decompresses a container. Malformed input gives nullopt and, when `error`
// is given, a description of the first fault.
std::optional<std::vector<uint8_t>> ovba_decompress(std::span<const uint8_t> container,
                                                    std::string *error = nullptr);

} // namespace vel
