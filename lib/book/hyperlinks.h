// Hyperlinks set by call on cells of the current sheet that are in use.
#pragma once
#include "model/book.h"

namespace vel {

// A link from a cell to a cell of a sheet of the book ("Sheet!A1").
int vlt_sheet_hyperlink(Book *book, const char *cell, const char *sheet_name, const char *target);
// A link from a cell to an outside address (a mail address gets "mailto:").
int vlt_external_hyperlink(Book *book, const char *cell, const char *address);

} // namespace vel
