// The reference card: every property key in English and in Japanese with
// the values it takes, grouped by subject.
#pragma once
#include <string>

namespace vel {

// The card in a character set (1 Shift-JIS, 2 EUC-JP, 3 UTF-8).
std::string vlt_help_text(int charset);

} // namespace vel
