// Option tokens for the book, sheet and close calls.
#include "api/options.h"

#include <array>

namespace vel {

int read_option_token(int charset, std::string_view text, size_t &pos, std::string &token) {
    std::array<char, TOKEN_MAX_OPTION + 1> buf;
    size_t len = 0;
    int rc = vlt_get_token(TokenMode::Option, charset, text, pos, buf.data(), len);
    token.assign(buf.data(), rc == 0 ? len : 0);
    return rc;
}

bool same_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace vel
