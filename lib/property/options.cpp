// Option tokens for the book, sheet and close calls.
#include "property/options.h"

#include <array>

namespace vel {

int read_option_token(int charset, std::string_view text, size_t &pos, std::string &token) {
    std::array<char, TOKEN_MAX_OPTION + 1> buf;
    size_t len = 0;
    int rc = vlt_get_token(TokenMode::Option, charset, text, pos, buf.data(), len);
    token.assign(buf.data(), rc == 0 ? len : 0);
    return rc;
}

} // namespace vel
