// The terminal's character set, and texts converted into it.
#pragma once
#include <string>

namespace velcmd {

// The character set of the terminal (LC_CTYPE) as a library CHARSET name:
// "SJIS", "EUC" or "UTF8" (any other set, the C locale included, is taken
// as UTF-8).
const char *terminal_charset();

// A UTF-8 text in the terminal's character set; characters that the set
// lacks become '?'.
std::string to_terminal(const std::string &utf8);

} // namespace velcmd
