// A writer of compound files (version 3, 512-byte sectors): storages and
// streams in one file, small streams packed into the mini stream.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

// One storage or stream below the root.
struct CfbNode {
    std::string name;              // UTF-8, 1..31 UTF-16 units, none of / \ : !
    bool storage = false;
    std::vector<uint8_t> data;     // stream content
    std::vector<CfbNode> children; // storage content
};

// Writes a compound file whose root storage holds `top`. The output depends
// only on the input. Returns false with a message in *error for an invalid
// or duplicate name or an oversized stream; `out` is then left empty.
bool cfb_write(const std::vector<CfbNode> &top, std::vector<uint8_t> &out, std::string *error);

} // namespace vel
