// Sheet records of a book: creation, lookup and selection.
#pragma once
#include <string_view>

#include "velmora.h"

namespace vel {

// 0-based index of the sheet named exactly `name_utf8`, or -1.
int vlt_find_sheet(XLS_BOOK *book, std::string_view name_utf8);
// Appends a sheet with that name (UTF-8) and makes it current; 0 or -2.
int vlt_add_sheet(XLS_BOOK *book, std::string_view name_utf8);

} // namespace vel
