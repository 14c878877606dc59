// The package writer: turns the book model into an .xlsx/.xlsm package.
#pragma once
#include "velmora.h"

namespace vel {

// Writes the book as a package to `path` (a real file, or a memory file when
// the zip target is memory). Returns 0, or -2, -4, -9, -101, -103, -105.
int vlt_create_excel2007(XLS_BOOK *book, const char *path);

} // namespace vel
