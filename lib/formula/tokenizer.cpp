// Formula tokenizer: one token per call, positions in bytes of the UTF-8 text.
#include "formula/tokenizer.h"

#include <algorithm>
#include <charconv>

#include "model/cellname.h"
#include "model/cellvalue.h"

namespace vel::formula {

namespace {

constexpr size_t NPOS = std::string_view::npos;

inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
// Characters of names, function names and unquoted sheet names.
inline bool is_name_char(char c) {
    return is_letter(c) || is_digit(c) || c == '_' || c == '.' || c == '\\' || c == '?' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// One side of a reference: a cell ($A$1), a whole column ($A) or a whole row ($1).
enum class Side : uint8_t { Cell, Column, Row };
struct RefSide {
    Side kind = Side::Cell;
    int32_t row = 0, col = 0;  // 0-based
};

// Reads one side of a reference at `i`; the end position, or NPOS. A side
// directly followed by a name character, "$", "(", "!" or "[" is a name.
size_t read_side(std::string_view s, size_t i, RefSide &out) {
    const size_t n = s.size();
    size_t p = i;
    const bool col_dollar = p < n && s[p] == '$';
    if (col_dollar) ++p;
    const size_t letters_at = p;
    int32_t col = 0;
    while (p < n && is_letter(s[p]) && p - letters_at < 4) col = col * 26 + (upper(s[p++]) - 'A' + 1);
    const size_t letters = p - letters_at;
    const bool row_dollar = letters > 0 && p < n && s[p] == '$';
    if (row_dollar) ++p;
    const size_t digits_at = p;
    int32_t row = 0;
    while (p < n && is_digit(s[p]) && p - digits_at < 8) row = row * 10 + (s[p++] - '0');
    const size_t digits = p - digits_at;
    if (p < n && (is_name_char(s[p]) || s[p] == '$' || s[p] == '(' || s[p] == '!' || s[p] == '['))
        return NPOS;
    if (letters > 3 || col > GRID_COLS) return NPOS;
    if (digits > 0 && (row < 1 || row > GRID_ROWS)) return NPOS;
    if (letters > 0 && digits > 0) out = {Side::Cell, row - 1, col - 1};
    else if (letters > 0 && !row_dollar) out = {Side::Column, 0, col - 1};
    else if (letters == 0 && digits > 0) out = {Side::Row, row - 1, 0};
    else return NPOS;
    return p;
}

struct ErrorLiteral {
    std::string_view name;
    int code;
};
constexpr ErrorLiteral ERROR_LITERALS[] = {
    {"#NULL!", ERR_NULL},   {"#DIV/0!", ERR_DIV0}, {"#VALUE!", ERR_VALUE}, {"#REF!", ERR_REF},
    {"#NAME?", ERR_NAME},   {"#NUM!", ERR_NUM},    {"#N/A", ERR_NA},       {"#GETTING_DATA", ERR_GETTING_DATA},
};

bool starts_nocase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (upper(s[i]) != prefix[i]) return false;
    return true;
}

} // namespace

bool Tokenizer::reference_after(size_t from, Token &out) {
    RefSide a, b;
    size_t end = read_side(s_, from, a);
    if (end == NPOS) return false;
    Area area{a.row, a.col, a.row, a.col};
    size_t second = NPOS;
    if (end < s_.size() && s_[end] == ':') second = read_side(s_, end + 1, b);
    if (second != NPOS && b.kind == a.kind) {
        end = second;
        area = {std::min(a.row, b.row), std::min(a.col, b.col), std::max(a.row, b.row), std::max(a.col, b.col)};
        if (a.kind == Side::Column) area.r1 = 0, area.r2 = GRID_ROWS - 1;
        if (a.kind == Side::Row) area.c1 = 0, area.c2 = GRID_COLS - 1;
    } else if (a.kind != Side::Cell) {
        return false;
    }
    out.kind = Tok::Ref;
    out.area = area;
    pos_ = end;
    return true;
}

// Array constants, structured and external references: a run of name
// characters, "$", "!", "#" and balanced bracket or brace groups.
bool Tokenizer::opaque_run(size_t from, Token &out, SyntaxFault &fault) {
    const size_t n = s_.size();
    size_t p = from;
    while (p < n) {
        const char c = s_[p];
        if (c == '[' || c == '{') {
            const char open = c, close = c == '[' ? ']' : '}';
            int depth = 0;
            bool quoted = false;
            for (; p < n; ++p) {
                if (s_[p] == '"' && open == '{') quoted = !quoted;
                if (quoted) continue;
                if (s_[p] == open) ++depth;
                else if (s_[p] == close && --depth == 0) break;
            }
            if (p >= n) {
                fault = {true, std::string(s_)};
                return false;
            }
            ++p;
        } else if (is_name_char(c) || c == '$' || c == '!' || c == '#' || c == ':') {
            ++p;
        } else {
            break;
        }
    }
    if (p == from) {
        // A sheet name with nothing after its "!".
        fault = {false, std::string(s_.substr(pos_, from - pos_))};
        return false;
    }
    out.kind = Tok::Opaque;
    pos_ = p;
    return true;
}

bool Tokenizer::word(Token &out, SyntaxFault &fault) {
    const size_t start = pos_;
    if (reference_after(start, out)) return true;
    size_t e = start;
    while (e < s_.size() && is_name_char(s_[e])) ++e;
    if (e == start) {
        fault = {false, std::string(1, s_[start])};
        return false;
    }
    const std::string_view name = s_.substr(start, e - start);
    if (e < s_.size() && s_[e] == '!') {
        if (reference_after(e + 1, out)) {
            out.value.assign(name);
            return true;
        }
        return opaque_run(e + 1, out, fault);
    }
    if (e < s_.size() && s_[e] == '[') return opaque_run(start, out, fault);
    if (e < s_.size() && s_[e] == '(') {
        out.kind = Tok::Function;
        pos_ = e + 1;
        return true;
    }
    pos_ = e;
    const bool t = name.size() == 4 && starts_nocase(name, "TRUE");
    const bool f = name.size() == 5 && starts_nocase(name, "FALSE");
    out.kind = t || f ? Tok::Bool : Tok::Name;
    out.number = t ? 1 : 0;
    return true;
}

bool Tokenizer::next(Token &out, SyntaxFault &fault) {
    const size_t n = s_.size();
    while (pos_ < n && is_blank(s_[pos_])) ++pos_;
    out.kind = Tok::End;
    out.number = 0;
    out.value.clear();
    out.area = {};
    const size_t start = pos_;
    if (pos_ >= n) {
        out.text = {};
        return true;
    }
    bool ok = true;
    const char c = s_[pos_];
    switch (c) {
    case '"': {
        out.kind = Tok::String;
        size_t p = pos_ + 1;
        for (;; ++p) {
            if (p >= n) {
                fault = {true, std::string(s_)};
                return false;
            }
            if (s_[p] != '"') {
                out.value.push_back(s_[p]);
                continue;
            }
            if (p + 1 < n && s_[p + 1] == '"') {
                out.value.push_back('"');
                ++p;
                continue;
            }
            break;
        }
        pos_ = p + 1;
        break;
    }
    case '\'': {
        // A quoted sheet name; it must be followed by "!" and a reference.
        std::string sheet;
        size_t p = pos_ + 1;
        for (;; ++p) {
            if (p >= n) {
                fault = {true, std::string(s_)};
                return false;
            }
            if (s_[p] != '\'') {
                sheet.push_back(s_[p]);
                continue;
            }
            if (p + 1 < n && s_[p + 1] == '\'') {
                sheet.push_back('\'');
                ++p;
                continue;
            }
            break;
        }
        if (p + 1 >= n || s_[p + 1] != '!') {
            fault = {false, std::string(s_.substr(pos_, p + 1 - pos_))};
            return false;
        }
        // A range of sheets ('A:B'!A1) is kept, not evaluated.
        if (sheet.find(':') == std::string::npos && reference_after(p + 2, out)) out.value = std::move(sheet);
        else ok = opaque_run(p + 2, out, fault);
        break;
    }
    case '#': {
        for (const ErrorLiteral &e : ERROR_LITERALS) {
            if (starts_nocase(s_.substr(pos_), e.name)) {
                out.kind = Tok::Error;
                out.number = e.code;
                pos_ += e.name.size();
                break;
            }
        }
        if (out.kind != Tok::Error) {
            size_t p = pos_ + 1;
            while (p < n && (is_name_char(s_[p]) || s_[p] == '/' || s_[p] == '!')) ++p;
            fault = {false, std::string(s_.substr(pos_, p - pos_))};
            return false;
        }
        break;
    }
    case '{':
    case '[': ok = opaque_run(pos_, out, fault); break;
    case '}':
    case ']': fault = {true, std::string(s_)}; return false;
    case '(': out.kind = Tok::LParen, ++pos_; break;
    case ')': out.kind = Tok::RParen, ++pos_; break;
    case ',': out.kind = Tok::Comma, ++pos_; break;
    case '+': case '-': case '*': case '/': case '^': case '&': case '%': case '=': case ':':
        out.kind = Tok::Operator;
        ++pos_;
        break;
    case '<':
    case '>':
        out.kind = Tok::Operator;
        ++pos_;
        if (pos_ < n && (s_[pos_] == '=' || (c == '<' && s_[pos_] == '>'))) ++pos_;
        break;
    default:
        if (is_digit(c) || (c == '.' && pos_ + 1 < n && is_digit(s_[pos_ + 1]))) {
            if (reference_after(pos_, out)) break; // a range of rows, 1:3
            size_t p = pos_;
            while (p < n && is_digit(s_[p])) ++p;
            if (p < n && s_[p] == '.') {
                ++p;
                while (p < n && is_digit(s_[p])) ++p;
            }
            if (p < n && (s_[p] == 'E' || s_[p] == 'e')) {
                size_t q = p + 1;
                if (q < n && (s_[q] == '+' || s_[q] == '-')) ++q;
                if (q < n && is_digit(s_[q])) {
                    while (q < n && is_digit(s_[q])) ++q;
                    p = q;
                }
            }
            if (p < n && (is_name_char(s_[p]) || s_[p] == '$')) {
                size_t q = p;
                while (q < n && (is_name_char(s_[q]) || s_[q] == '$')) ++q;
                fault = {false, std::string(s_.substr(pos_, q - pos_))};
                return false;
            }
            std::string_view digits = s_.substr(pos_, p - pos_);
            // from_chars reads no leading "."; the value is the same with a "0" in front.
            std::string buf;
            if (digits[0] == '.') {
                buf = "0";
                buf.append(digits);
                digits = buf;
            }
            double v = 0;
            if (std::from_chars(digits.data(), digits.data() + digits.size(), v).ec != std::errc()) {
                // Out of range: too small a number reads as 0; too large a one
                // is no number a spreadsheet holds.
                const size_t e = digits.find_first_of("Ee");
                const std::string_view whole = digits.substr(0, std::min(e, digits.find('.')));
                if (e != NPOS ? digits[e + 1] != '-' : whole.find_first_not_of('0') != NPOS) {
                    fault = {false, std::string(s_.substr(pos_, p - pos_))};
                    return false;
                }
                v = 0.0;
            }
            out.kind = Tok::Number;
            out.number = v;
            pos_ = p;
            break;
        }
        if (is_letter(c) || c == '$' || c == '_' || c == '\\' || static_cast<unsigned char>(c) >= 0x80) {
            ok = word(out, fault);
            break;
        }
        {
            // Any other character (a whole UTF-8 character is never this).
            fault = {false, std::string(1, c)};
            return false;
        }
    }
    if (!ok) return false;
    out.text = s_.substr(start, pos_ - start);
    return true;
}

} // namespace vel::formula
