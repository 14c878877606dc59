// Reading the option texts of the book, sheet and close calls with the
// property tokeniser in option mode, and the comparisons the option tables
// need.
#pragma once
#include <string>
#include <string_view>

#include "core/charset.h"
#include "property/tokenizer.h"

namespace vel {

constexpr int OPTION_TOKEN_MAX = static_cast<int>(TOKEN_MAX_OPTION);
constexpr int TOKEN_END = TOKEN_NONE;    // only blanks remain
constexpr int TOKEN_TOO_LONG = -9;

// Reads the next option token of `text` from `pos` into `token` and moves
// `pos` past it. Returns 0, TOKEN_END, or TOKEN_TOO_LONG when the token
// exceeds OPTION_TOKEN_MAX bytes (`pos` is then past the token all the same).
int read_option_token(int charset, std::string_view text, size_t &pos, std::string &token);


} // namespace vel
