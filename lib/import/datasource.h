// Loads of text files into a book: CSV and TSV data poured into cells, and
// files of property text lines.
#pragma once
#include <string_view>

#include "model/book.h"
#include "model/target.h"

namespace vel {

// Loads a delimited text file (separator ',' for CSV, '\t' for TSV) into the
// target's sheet, one line per row from the target's first row and column.
// Fields follow CSV quoting (quoted fields, doubled quotes, line breaks
// inside quotes). A line beginning with "!" is property text applied to the
// book. Rows and columns beyond the target's last row or column (when the
// target is a range) are not filled. Sets the book's rownum / clmnum to the
// rows and widest row loaded. A file already being loaded (reached again
// through property lines) is refused. 0, or a negative code with the
// message recorded (-3 path too long, -101 open failure, -1 a property line
// failed or a nested load).
int vlt_load_datasource(Book &book, const PropTarget &target, std::string_view path_utf8, char separator);

// Applies a file of property text lines (options "FILE=path" and optionally
// "CHARSET=SJIS|EUC|UTF8", in the book's character set) line by line. 0, or
// a negative code with the message recorded.
int vlt_read_property_file(Book *book, std::string_view options);

} // namespace vel
