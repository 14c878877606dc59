// Reading an .xlsx or .xlsm package into a book: the workbook, its styles
// into the registry in file order, the shared strings, every worksheet
// streamed straight into the cell store, and the custom properties. The book
// keeps what writing it back needs (Model::source, Sheet::kept).
#pragma once
#include <string>

#include "model/book.h"

namespace vel {

// Reads the package at `path` (or the book's memory file of that name when
// `memory` is set) into the book. 0; rc::OPEN_FAILED when it cannot be
// opened; rc::UNSUPPORTED for a package that is damaged, hostile or not a
// workbook (message recorded with the reason); rc::NO_MEMORY.
int vlt_read_excel2007(Book &book, const std::string &path, bool memory);

} // namespace vel
