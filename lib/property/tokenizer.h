// The tokeniser of property text and the quote-removal helpers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/charset.h"

namespace vel {

enum class TokenMode : uint8_t {
    Option,   // keys and option values
    Value,    // values of VXLS_put_values
    Formula,  // formula texts
};

constexpr size_t TOKEN_MAX_OPTION = 4000;
constexpr size_t TOKEN_MAX_VALUE = 65536;
constexpr size_t TOKEN_MAX_FORMULA = 4002;
constexpr int TOKEN_NONE = 1403;       // only blanks remain

constexpr size_t token_max(TokenMode mode) {
    return mode == TokenMode::Value ? TOKEN_MAX_VALUE
         : mode == TokenMode::Formula ? TOKEN_MAX_FORMULA : TOKEN_MAX_OPTION;
}

// Reads the next token of `text` from byte `pos`: copies it into `buf`
// (which holds token_max(mode) + 1 bytes; the token is NUL-terminated),
// sets `len` and advances `pos` past it. Returns 0, TOKEN_NONE when only
// blanks remain, or -9 when the token is longer than the mode allows (`pos`
// is then past the over-long token and `buf` is empty).
int vlt_get_token(TokenMode mode, int charset, std::string_view text, size_t &pos, char *buf,
                  size_t &len);

// The text without its surrounding double (single) quotes when it begins
// and ends with one; otherwise the text itself.
std::string_view strip_double_quotes(std::string_view text);
std::string_view strip_single_quotes(std::string_view text);

// In-place twins on a NUL-terminated buffer; return the new length.
size_t vlt_remove_dquote(char *text);
size_t vlt_remove_squote(char *text);

} // namespace vel
