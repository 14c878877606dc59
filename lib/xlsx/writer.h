// The package writer: turns the book model into an .xlsx/.xlsm package.
#pragma once
#include "velmora.h"

namespace vel {

// Writes the book as a package to `path`: a real file (written under a
// temporary name beside it and renamed when complete), or the memory file of
// that name when the zip target is memory (vel_zip_on_memory(0) or the
// book's write-to-memory flag). Returns 0, or -1 (message recorded), -2,
// -9, -101, -103, -5. On failure nothing is left at `path` and the book is
// unchanged.
int vlt_create_excel2007(XLS_BOOK *book, const char *path);

} // namespace vel
