// The package writer: turns the book model into an .xlsx/.xlsm package.
#pragma once
#include "model/book.h"

namespace vel {

// Where a package goes.
enum class SaveTarget {
    Disk,     // a real file at the path
    Memory,   // the memory file of that name among the book's memory files
};

// Computes the book's formulas and stores their results (formula/evaluator.h),
// then writes the book as a package to `path`: a real file (written under a
// temporary name beside it and renamed when complete) or a memory file of
// the book. Returns 0, or rc::GENERAL (message recorded), rc::NO_MEMORY,
// rc::LIMIT, rc::OPEN_FAILED, rc::WRITE_FAILED, rc::ZIP_FAILED. On failure
// nothing is left at `path` and the book is unchanged but for those results.
int vlt_create_excel2007(Book *book, const char *path, SaveTarget target);

// Writes a book that was read from a package: the package's entries are
// copied unchanged except the parts the book changed (worksheets written to,
// shared strings and styles that grew, the workbook, its relationships and
// the content types for new parts and calculation settings). Results and
// guarantees as vlt_create_excel2007; rc::OPEN_FAILED when the package read
// is gone, rc::GENERAL (message recorded) when it changed on disk since.
int vlt_update_excel2007(Book *book, const char *path, SaveTarget target);

} // namespace vel
