// The key parser of property text and the item loop's seams.
#pragma once
#include <cstddef>
#include <string_view>

#include "model/book.h"
#include "model/target.h"

namespace vel {

constexpr int MAX_KEY_SECTIONS = 6;
constexpr size_t MAX_SECTION_LEN = 256;

// Parses a property key (caller's character set) into a kind and a target.
// 0 on success (the kind may be -1: the key names no property, or it is a
// malformed variable name with message 02305 recorded); -3 or -9 with the
// message recorded. Allocates nothing for keys whose target section is
// ASCII.
int vlt_parse_property(Book *book, std::string_view key, int &kind, PropTarget &target);


} // namespace vel
