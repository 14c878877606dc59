// Character sets: the caller's set (Shift-JIS as code page 932, EUC-JP or
// UTF-8) against UTF-8 inside, through iconv; byte lengths of characters;
// UTF-8 checks.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "velmora_codes.h"

namespace vel {

// Bytes of the character that begins with each lead byte, per set (1
// Shift-JIS, 2 EUC-JP, 3 UTF-8; any other set is single-byte).
using CharLengths = std::array<uint8_t, 256>;
const CharLengths &char_lengths(int charset);
inline size_t char_bytes(int charset, unsigned char lead) { return char_lengths(charset)[lead]; }

// Converts between the codes 1 Shift-JIS (CP932), 2 EUC-JP, 3 UTF-8 and 4
// UTF-16BE (source only). Returns 0, or -1 when the input holds a sequence
// that is invalid in the source set or has no counterpart in the target set
// (each such sequence becomes "?" in `out`). UTF-8 to UTF-8 is a checked copy.
int convert_charset(std::string &out, std::string_view in, int from, int to);

// The same conversion into a fixed buffer of `cap` bytes, allocating
// nothing: the result is cut at the last whole character that fits and
// NUL-terminated. Returns its length. For texts that must get through when
// memory is exhausted (messages).
size_t convert_into(char *out, size_t cap, std::string_view in, int from, int to);

// Whether a text is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no surrogates, nothing above U+10FFFF.
bool valid_utf8(std::string_view s);
// The same text with every ill-formed sequence replaced by "?".
std::string repaired_utf8(std::string_view s);

// Number of UTF-8 characters; byte length of the first n characters.
size_t utf8_count(std::string_view s);
size_t utf8_prefix(std::string_view s, size_t chars);
// Longest prefix of at most `max` bytes that does not end inside a character.
std::string_view utf8_cut(std::string_view s, size_t max);

// Equality with ASCII letters compared without regard to case (English
// keywords and option words); other bytes compare exactly.
inline bool same_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace vel
