// Sheet calls of an open book: creating, selecting and copying sheets from
// an option text, and the names and sizes the caller reads back.
#pragma once
#include <string>
#include <string_view>

#include "model/book.h"

namespace vel {

// Creates, selects or copies a sheet from its option text (SHEET_NAME,
// MODE=CREATE|READ|UPDATE|TEMPLATE, TEMPLATE). 0, or a negative code with
// the message recorded.
int vlt_open_sheet(Book &book, std::string_view options);
// Makes the sheet at a 0-based index current; rc::NO_SHEET outside.
int vlt_select_sheet(Book &book, int index);
// The name of the sheet at a 0-based index in the caller's character set,
// cut at whole characters to XLS_SHEET_LEN bytes; rc::NO_SHEET outside.
int vlt_sheet_name(Book &book, int index, std::string &name);
// Rows of the current sheet, and cells of one of its rows (0 outside).
int vlt_row_count(const Book &book);
int vlt_column_count(const Book &book, int row);

} // namespace vel
