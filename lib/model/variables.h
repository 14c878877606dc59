// User variables of a book: defined by VXLS_put_variable and by property
// items whose key is a variable name; read by the dollar-sign expansion of
// cell values and by cell-name expressions.
#pragma once
#include <string_view>

#include "model/book.h"

namespace vel {

// Defines or replaces a variable (name and value UTF-8). A name of more than
// 80 bytes or a value of more than 6000 bytes gives -9 with the overflow
// message; -2 when out of memory. An existing variable (name compared
// without regard to case) takes the value unchanged; a new one takes it
// without its surrounding double quotes.
int vlt_define_variable(Book *book, std::string_view name_utf8, std::string_view value_utf8);

// The variable of that name (without regard to case), or null.
const Variable *vlt_find_variable(Book *book, std::string_view name_utf8);

} // namespace vel
