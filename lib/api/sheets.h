// Sheet records of a book: creation, lookup and selection.
#pragma once
#include <string>
#include <string_view>

#include "velmora.h"

namespace vel {

// 0-based index of the sheet named exactly `name_utf8`, or -1 (an empty name
// matches nothing).
int vlt_find_sheet(XLS_BOOK *book, std::string_view name_utf8);
// Appends a sheet with that name (UTF-8) and makes it current; 0, or -2 with
// the out-of-memory message.
int vlt_add_sheet(XLS_BOOK *book, std::string_view name_utf8);

// Whether a workbook can carry the name: not empty, no character of
// : \ / ? * [ ] and no control character, no apostrophe at either end.
bool valid_sheet_name(std::string_view name_utf8);
// "Sheet%d" with the lowest number from the sheet count + 1 up that no sheet
// of the book bears.
std::string next_sheet_name(XLS_BOOK *book);
// Applies the length rules of sheet names: a name of more than 31 characters
// (at least 31 bytes) keeps its first 29, or its first 29 and a closing
// double quote when it begins with one. Returns false when the result is
// longer than XLS_SHEET_LEN bytes.
bool shorten_sheet_name(std::string &name_utf8);

} // namespace vel
