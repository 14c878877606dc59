// Cell, range, row and column names: grammar, arithmetic and sheet prefixes.
// Rows and columns are 0-based here; names are 1-based.
//
// Cell names: optional "$", 1 to 3 column letters (any case), optional "$",
// then the row: decimal digits, "*" (the last row), a variable reference
// "$NAME", or an expression in parentheses; "(expr)" in place of the
// letters gives the column; "**" alone is the last cell of the grid.
// Expressions use integers, + - * /, unary signs, parentheses, "$ROWNUM" and
// "$CLMNUM" (rows and widest row of the last data-source load) and user
// variables "$NAME" holding integers. An expression gives the 1-based row or
// column itself; one that begins with "+" or "-" is an offset from the last
// cell written (A(+1) is the row below it).
#pragma once
#include <string_view>

#include "model/book.h"
#include "model/cellname.h"
#include "model/target.h"

namespace vel {

constexpr int MAX_RANGE_TEXT = 125;    // longest "Sheet!A1:B2" range
constexpr int MAX_PREFIX_LEN = 93;     // longest sheet prefix (XLS_SHEET_LEN)

// Reads a cell name (UTF-8, no sheet prefix): 0 with row/col set, or -1.
// `book` may be null (no variables, load counts or last cell then).
int read_cell_name(Book *book, std::string_view text, int &row, int &col);

// Reads a range (optional sheet prefix) into the target: a list of
// "cell:cell" ranges separated by "," (up to 255), one "cell:cell" range,
// "A:C" (the first row of those columns) or "1:3" (the first column of
// those rows). Sets the ranges, their count and, with a prefix, the sheet.
// 0; -1 when the text is no range; -3 for a list of more than 255 ranges.
int read_range(Book *book, std::string_view text, PropTarget &target);

// Index of the sheet named by a "Name!" prefix of `text` (the first "!"
// before any "." or ":"), or -1. When the prefix names a sheet, `rest`
// receives the text after the "!"; otherwise `rest` is left as it was.
int find_sheet_prefix(Book *book, std::string_view text, std::string_view &rest);

// Reads the target section of a property key (UTF-8): a range list, a
// range, a column range, a row range, a cell, a row number or a column name,
// in that order. 0 with the target set, -1 when the text is none of them,
// -3 for a list of more than 255 ranges.
int read_target(Book *book, std::string_view text, PropTarget &target);

} // namespace vel
