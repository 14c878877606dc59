// The tokenizer of formula texts (UTF-8, without the leading "="): numbers,
// quoted texts, booleans, error literals, cell references and ranges (with
// an optional sheet name in front), function names, other names, operators,
// parentheses and argument commas. Blanks separate tokens and are dropped.
// Multi-byte characters are copied whole and never taken for operators.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vel::formula {

// A rectangle of cells, 0-based and inclusive (r1 <= r2, c1 <= c2).
struct Area {
    int32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    bool single() const { return r1 == r2 && c1 == c2; }
    bool contains(int32_t r, int32_t c) const { return r >= r1 && r <= r2 && c >= c1 && c <= c2; }
};

enum class Tok : uint8_t {
    Number,     // number: 12, 1.5, .5, 1E-3
    String,     // "text" (value: the text, doubled quotes made single)
    Bool,       // TRUE or FALSE (number: 1 or 0)
    Error,      // #DIV/0! and the other error literals (number: the code)
    Ref,        // A1, $A$1, A1:B2, A:C, 1:3, Sheet1!A1, 'My sheet'!A1:B2 (value: sheet name)
    Name,       // a name that is no reference: defined names, unknown words
    Opaque,     // array constants, structured and external references: kept, not evaluated
    Function,   // a name directly followed by "(" (text: the name; the "(" is consumed)
    Operator,   // + - * / ^ & % = <> < > <= >= and ":" between references
    LParen,
    RParen,
    Comma,
    End,
};

struct Token {
    Tok kind = Tok::End;
    std::string_view text;   // the token as written
    double number = 0;
    std::string value;       // String: its text; Ref: its sheet name (empty: the formula's sheet)
    Area area;               // Ref
};

// Fault found while reading a formula: a bracket fault (unpaired
// parentheses, brackets or quotes) or another syntax fault, with the text
// that shows it.
struct SyntaxFault {
    bool bracket = false;
    std::string what;
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : s_(text) {}
    // Reads the next token; false with `fault` set for text that is no token.
    bool next(Token &out, SyntaxFault &fault);
    size_t position() const { return pos_; }

private:
    bool word(Token &out, SyntaxFault &fault);
    bool reference_after(size_t from, Token &out);
    bool opaque_run(size_t from, Token &out, SyntaxFault &fault);

    std::string_view s_;
    size_t pos_ = 0;
};

} // namespace vel::formula
