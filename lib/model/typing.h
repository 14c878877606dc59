// Value typing: how a value text becomes an integer, decimal, percent, date,
// date-time, time or text. Pure functions on UTF-8 texts; the cell store
// applies the results to cells.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/charset.h"

namespace vel {

// A typed value: cell kind, number slot and the value text (canonical number
// text, day fraction, or the processed text of a text cell).
struct TypedValue {
    uint8_t kind = 0;
    int32_t num = 0;
    std::string text;
};

// Plain number: digits with an optional leading sign, at most one ".",
// thousands separators every three digits, shorter than 20 bytes. Fills
// CELL_INTEGER or CELL_DECIMAL with the canonical text; false otherwise.
bool type_number(std::string_view s, TypedValue &out);

// Date "yyyy/m/d" (separators "/" or "-"), optionally followed by a blank and
// a time, passing the calendar check: CELL_DATE or CELL_DATE_TIME.
bool type_date(std::string_view s, TypedValue &out);

// "n%" with a plain number before the sign: CELL_PERCENT, text = value/100 "%f".
bool type_percent(std::string_view s, TypedValue &out);

// "h:mm" or "h:mm:ss" (fields of 1..8 digits, minutes and seconds <= 60):
// CELL_TIME_HM / CELL_TIME_HMS; whole days go to the number slot.
bool type_time(std::string_view s, TypedValue &out);

// Numbers, dates, percents and times in rule order; anything else becomes
// CELL_SHARED_TEXT with text_escapes applied to `text`.
void type_value(std::string_view s, TypedValue &out);

// Text escapes of a text value: "\n" becomes CR LF, "\\" one backslash.
void text_escapes(std::string_view s, std::string &out);

// The store's own formula check, for books without the formula parser's
// check (Book::loaders): a text, parentheses and quotes that pair, no
// control characters. 0 when accepted; otherwise -1 with `bad` set to the
// offending part and `parens` true for a bracket fault.
int check_formula(std::string_view f, std::string &bad, bool &parens);

// Display width of a text for automatic column width: 2.5 per multi-byte
// UTF-8 character, 1.25 per single byte.
double display_width(std::string_view s);

} // namespace vel
