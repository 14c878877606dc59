// Values of formula evaluation and the conversions between them, as the
// spreadsheet programs make them: text that reads as a number counts as
// that number, booleans count as 1 and 0, numbers join text as their
// general display. Where the programs disagree, the conversion says so.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "formula/tokenizer.h"

namespace vel::formula {

struct Value {
    enum Kind : uint8_t { EMPTY, NUMBER, TEXT, BOOL, ERROR, REF };
    Kind kind = EMPTY;
    double num = 0;      // NUMBER; BOOL: 0 or 1; ERROR: the error code (model/cellvalue.h)
    std::string text;    // TEXT
    int32_t sheet = 0;   // REF: 0-based sheet
    Area area;           // REF

    static Value number(double v);   // a number that is not finite is #NUM!
    static Value error(int code);
    static Value boolean(bool v);
    static Value string(std::string_view s);
};

// Texts longer than this many characters are #VALUE!, as in the spreadsheet programs.
constexpr size_t MAX_TEXT_CHARS = 32767;

// The outcome of reading a value as another kind: read, an error value
// instead (the result of the operation), or unclear: the spreadsheet
// programs read it differently, so the formula is left to the one that
// opens the workbook.
enum class Read : uint8_t { Ok, Error, Unclear };

// A text as a number: a plain number (blanks around it, a sign, digits with
// one point, an exponent), optionally with thousands separators and a
// percent sign, is Ok; a text without digits is Error (#VALUE!); any other
// text with digits (dates, times, fractions, currencies) is Unclear.
Read text_number(std::string_view s, double &out);

// A scalar as a number: empty 0, booleans 1 or 0, texts as text_number
// reads them. On Error, `err` holds the error value (#VALUE!, or the
// scalar's own error).
Read number_of(const Value &v, double &num, Value &err);

// A scalar as text: numbers from 1E-4 up to 1E+15 in their general display
// ("0.333333333333333"); empty the empty text. Numbers that need an
// exponent and booleans are Unclear (the programs write them differently).
Read text_of(const Value &v, std::string &text, Value &err);

// The general display of a number: at most 15 significant digits.
std::string number_text(double v);

} // namespace vel::formula
