// Reading an .xls workbook into a book: the compound file and BIFF decoder
// feed the cell store and the style registry.
#pragma once
#include <string>

#include "model/book.h"

namespace vel {

// Reads the .xls workbook at `path` (or the memory file of that name among
// the book's memory files when `memory` is set, or the book's temporary
// workbook path when it has one) into the book, which must have been reset
// for the .xls kind. 0; rc::NO_MEMORY; rc::UNSUPPORTED for a damaged
// compound file or an encrypted workbook (diagnostic 4000 or 901 logged);
// rc::LIMIT after an overflow (message recorded); rc::OPEN_FAILED when the
// file cannot be opened (diagnostic 3000); rc::GENERAL when it is no
// workbook the reader knows (message recorded).
int vlt_read_excel2003(Book &book, const std::string &path, bool memory);

} // namespace vel
