// Number formats: the format keys, the FORMAT keyword's words, the book's
// number-format table, the 1900 date system, Japanese eras, classification
// of loaded format codes and the display texts of the reading interface.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "model/book.h"
#include "model/target.h"
#include "model/model.h"

namespace vel {

// Format keys (families by hundreds: numbers, currency, dates, times, percent/special).
enum : uint16_t {
    FMT_GENERAL = 100,
    FMT_RED_MINUS = 104,
    FMT_COMMA = 107,
    FMT_DECIMALS = 109,
    FMT_YEN = 201,
    FMT_RED_YEN = 202,
    FMT_YEAR_MONTH = 301,
    FMT_DATE = 302,
    FMT_DATE_TIME = 303,
    FMT_DATE_TIME_AMPM = 304,
    FMT_JP_MONTH_DAY = 330,
    FMT_JP_YEAR_MONTH = 331,
    FMT_JP_DATE = 332,
    FMT_ERA_SHORT = 333,
    FMT_ERA_LONG = 334,
    FMT_HM = 401,
    FMT_JP_HM = 402,
    FMT_HM_AMPM = 403,
    FMT_HMS = 404,
    FMT_JP_HMS = 405,
    FMT_HMS_AMPM = 406,
    FMT_MS = 407,
    FMT_PERCENT = 500,
    FMT_PERCENT_DECIMALS = 501,
    FMT_POSTAL = 510,
    FMT_SIGN = 511,
    FMT_KANJI = 512,
    FMT_KANJI_FORMAL = 513,
    FMT_FULL_WIDTH = 514,
    FMT_FULL_WIDTH_GROUPED = 515,
};

// Built-in format ids of the written styles part.
constexpr int BUILTIN_GENERAL = 0;
constexpr int BUILTIN_TEXT = 49;

// True for the keys whose table entries differ by their decimals count.
inline bool format_has_decimals(int key) {
    return key == FMT_DECIMALS || key == FMT_PERCENT || key == FMT_PERCENT_DECIMALS;
}

// A FORMAT word resolved: key and decimals, or the text format.
struct FormatWord {
    int key = 0;
    int decimals = 0;
    bool text = false;
};

// Resolves a FORMAT word (UTF-8, quotes removed). 0, or -3 with
// "VXLS-02311 ..." recorded.
int vlt_format_word(Book *book, std::string_view word_utf8, FormatWord &out);

// Finds or appends the number-format table entry (key, decimals); returns
// its 1-based index, or -9 with "VXLS-02319 ..." when 500 entries are used.
int vlt_register_format(Book *book, int key, int decimals);

// Applies a FORMAT word to one cell: registers the format and sets it on the
// cell (number-format mode 1), or for the text word makes the cell text-only
// (its current value kept as its text). 0; -3 bad word (02311); -9 table full
// (02319) or cell formats exhausted (03008 "STYLE").
int vlt_apply_format(Book *book, Sheet &sheet, Cell &cell, std::string_view word_utf8);

// Applies a FORMAT word to every existing cell of a target (sheet -1: the
// current sheet). A column-only target (row -1, col set, no ranges) also sets
// that column's entry in the sheet's column formats (the table index, or -1
// for the text word), so that values stored later take the format.
int vlt_apply_format_target(Book *book, const PropTarget &target, std::string_view word_utf8);

// 1900 date system. Serial day number of a date with a time fraction; false
// for an invalid date (year < 1900, month or day out of range). Year, month
// and day all 0 give the time fraction alone.
bool date_serial(int year, int month, int day, int hour, int minute, int second, double &serial);
// Serial day of a valid calendar date (no time), or -1.
int32_t date_serial_day(int year, int month, int day);
// Splits a serial back into the calendar date and time (1900-02-29 included).
struct DateParts {
    int year = 1900, month = 1, day = 0, hour = 0, minute = 0, second = 0;
};
DateParts serial_parts(double serial);
// Calendar check of decimal digit texts: year >= 0, month 1..12, day within the month.
bool calendar_valid(std::string_view year, std::string_view month, std::string_view day);
bool is_leap_year(int year);

// Japanese era of a calendar date: name ("令和"), letter ("R") and era year;
// false before 1900-01-01.
struct Era {
    const char *name = "";
    const char *letter = "";
    int year = 0;
};
bool japanese_era(int year, int month, int day, Era &out);

// Key of a format code read from a workbook.
int format_key_of_code(std::string_view code);

// Display text of a date/time cell: kind chooses the key when key is 0.
std::string date_display_text(int kind, int32_t day, std::string_view fraction_text, int key);
std::string date_display_serial(int kind, double serial, int key);

// Number text of the reading interface: canonical display of a numeric value
// text, "##ERROR##" when the text is not a plain number.
std::string number_display_text(std::string_view value);
// The same for a number held as a double (its shortest decimal digits).
std::string number_display_double(double v);

// The formatted value of any cell (UTF-8) as the reading calls return it;
// the second form reuses the room of `out`.
std::string cell_display_text(Book *book, const Sheet &sheet, const Cell &cell);
void cell_display_into(Book *book, const Sheet &sheet, const Cell &cell, std::string &out);

} // namespace vel
