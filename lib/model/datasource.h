// Data-source loads: CSV and TSV files poured into the cells of a sheet.
#pragma once
#include <string_view>

#include "api/book.h"
#include "model/engine.h"

namespace vel {

// Loads a delimited text file (separator ',' for CSV, '\t' for TSV) into the
// target's sheet, one line per row from the target's first row and column.
// Fields follow CSV quoting (quoted fields, doubled quotes, line breaks
// inside quotes). A line beginning with "!" is property text handed to
// VXLS_put_values. Rows and columns beyond the target's last row or column
// (when the target is a range) are not filled. Sets Env::rownum / clmnum to
// the rows and widest row loaded. 0, or a negative status with the message
// recorded (-3 path too long, -101 open failure, -1 a property line failed).
int vlt_load_datasource(XLS_BOOK *book, const PropTarget &target, std::string_view path_utf8,
                        char separator);

} // namespace vel
