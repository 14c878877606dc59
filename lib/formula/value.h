// Values of formula evaluation and the conversions between them, as the
// spreadsheet programs make them: text that reads as a number counts as
// that number, booleans count as 1 and 0, numbers join text as their
// general display.
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

// A text that reads as a number (blanks around it, a sign, digits with one
// point, an exponent); false for any other text, the empty one included.
bool text_number(std::string_view s, double &out);

// A scalar as a number: empty 0, booleans 1 or 0, numeric texts their
// number. False with `out` holding the error value otherwise (#VALUE! for
// other texts, the error itself for an error).
bool number_of(const Value &v, Value &out, double &num);

// A scalar as text: numbers in their general display ("0.333333333333333",
// "1E+20"), booleans TRUE and FALSE. False with `out` holding the error for an error.
bool text_of(const Value &v, Value &out, std::string &text);

// The general display of a number: at most 15 significant digits.
std::string number_text(double v);

} // namespace vel::formula
