// Sheet records of a book: lookup, creation and the rules for names.
#pragma once
#include <string>
#include <string_view>

#include "model/book.h"

namespace vel {

// 0-based index of the sheet named exactly `name_utf8`, or -1 (an empty name
// matches nothing).
int vlt_find_sheet(const Book *book, std::string_view name_utf8);
// Appends a sheet with that name (UTF-8) and makes it current; 0, or
// rc::NO_MEMORY with the out-of-memory message.
int vlt_add_sheet(Book *book, std::string_view name_utf8);
// Adds a copy of sheet `source` (a template sheet) named `name` at the end;
// it becomes the current sheet. 0, rc::NO_SHEET, or rc::NO_MEMORY (message).
int vlt_copy_sheet(Book *book, int source, std::string_view name);

// Whether a workbook can carry the name: valid UTF-8, not empty, no
// character of : \ / ? * [ ] and no control character, no apostrophe at
// either end.
bool valid_sheet_name(std::string_view name_utf8);
// "Sheet%d" with the lowest number from the sheet count + 1 up that no sheet
// of the book bears.
std::string next_sheet_name(const Book *book);
// Applies the length rules of sheet names: a name of more than 31 characters
// (at least 31 bytes) keeps its first 29, or its first 29 and a closing
// double quote when it begins with one. Returns false when the result is
// longer than XLS_SHEET_LEN bytes.
bool shorten_sheet_name(std::string &name_utf8);
// The checks every call that names a sheet applies to a new name: length
// rules, then validity and uniqueness (`except`: the index of a sheet being
// renamed, -1 for a new sheet). 0, or the code with its message recorded
// (rc::OVERFLOW for a name too long, rc::BAD_ARGUMENT for an invalid or
// duplicate name).
int check_new_sheet_name(Book *book, std::string &name_utf8, int except = -1);

// The sheet at a 0-based index (-1: the current sheet), or null.
Sheet *sheet_at(Book *book, int index);

} // namespace vel
