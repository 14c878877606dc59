// Cell and range names: reading, row/column expressions and sheet prefixes.
#include "property/address.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "model/book.h"
#include "model/cellname.h"
#include "model/sheets.h"
#include "model/variables.h"

namespace vel {

namespace {

constexpr size_t NPOS = std::string_view::npos;
constexpr int64_t EXPR_LIMIT = 1000000000000LL; // values beyond this are refused
constexpr int EXPR_DEPTH = 64;

inline bool is_alpha(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
inline unsigned char upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
inline bool is_name_char(unsigned char c) { return is_alpha(c) || is_digit(c) || c == '_' || c >= 0x80; }

bool same_ascii_nocase(std::string_view a, const char *b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (upper(static_cast<unsigned char>(a[i])) != static_cast<unsigned char>(b[i])) return false;
    return true;
}

// Reads a whole text as a signed decimal integer (blanks and surrounding
// double quotes allowed around it).
bool parse_integer(std::string_view t, int64_t &out) {
    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    };
    t = trim(t);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = trim(t.substr(1, t.size() - 2));
    bool neg = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        neg = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty()) return false;
    int64_t v = 0;
    for (char ch : t) {
        if (!is_digit(static_cast<unsigned char>(ch))) return false;
        v = v * 10 + (ch - '0');
        if (v > EXPR_LIMIT) return false;
    }
    out = neg ? -v : v;
    return true;
}

// Integer expression of a cell name: + - * /, unary signs, parentheses,
// decimal numbers and $NAME references.
struct Expr {
    Book *book;
    const unsigned char *p;
    const unsigned char *end;
    int depth = 0;

    void skip() {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
    }
    static bool bounded(int64_t v) { return v >= -EXPR_LIMIT && v <= EXPR_LIMIT; }

    bool name_value(std::string_view name, int64_t &v) {
        if (!book) return false;
        if (same_ascii_nocase(name, "ROWNUM")) return v = book->rownum, true;
        if (same_ascii_nocase(name, "CLMNUM")) return v = book->clmnum, true;
        const Variable *var = vlt_find_variable(book, name);
        return var && parse_integer(var->value, v);
    }

    bool primary(int64_t &v) {
        skip();
        if (p >= end) return false;
        if (*p == '+' || *p == '-') {
            const bool neg = *p == '-';
            ++p;
            if (++depth > EXPR_DEPTH || !primary(v)) return false;
            --depth;
            if (neg) v = -v;
            return true;
        }
        if (*p == '(') {
            ++p;
            if (++depth > EXPR_DEPTH || !sum(v)) return false;
            --depth;
            skip();
            if (p >= end || *p != ')') return false;
            ++p;
            return true;
        }
        if (is_digit(*p)) {
            v = 0;
            while (p < end && is_digit(*p)) {
                v = v * 10 + (*p++ - '0');
                if (v > EXPR_LIMIT) return false;
            }
            return true;
        }
        if (*p == '$') {
            const unsigned char *s = ++p;
            while (p < end && is_name_char(*p)) ++p;
            if (p == s) return false;
            return name_value(std::string_view(reinterpret_cast<const char *>(s), p - s), v);
        }
        return false;
    }

    bool product(int64_t &v) {
        if (!primary(v)) return false;
        for (;;) {
            skip();
            if (p >= end || (*p != '*' && *p != '/')) return true;
            const unsigned char op = *p++;
            int64_t w = 0;
            if (!primary(w)) return false;
            if (op == '*') {
                if (w != 0 && (v > EXPR_LIMIT / (w < 0 ? -w : w) || v < -EXPR_LIMIT / (w < 0 ? -w : w))) return false;
                v *= w;
            } else {
                if (w == 0) return false;
                v /= w;
            }
        }
    }

    bool sum(int64_t &v) {
        if (!product(v)) return false;
        for (;;) {
            skip();
            if (p >= end || (*p != '+' && *p != '-')) return true;
            const unsigned char op = *p++;
            int64_t w = 0;
            if (!product(w)) return false;
            v = op == '+' ? v + w : v - w;
            if (!bounded(v)) return false;
        }
    }
};

// Evaluates the text inside a pair of parentheses (or a bare $NAME) into a
// 0-based index: the value is 1-based, or with a leading sign an offset
// from `last` (0-based).
bool eval_index(Book *book, std::string_view text, int last, int64_t &index) {
    Expr e{book, reinterpret_cast<const unsigned char *>(text.data()),
           reinterpret_cast<const unsigned char *>(text.data()) + text.size()};
    e.skip();
    const bool relative = e.p < e.end && (*e.p == '+' || *e.p == '-');
    int64_t v = 0;
    if (!e.sum(v)) return false;
    e.skip();
    if (e.p != e.end) return false;
    index = relative ? static_cast<int64_t>(last) + v : v - 1;
    return true;
}

// Position of the ")" that closes the "(" at `open`, or NPOS.
size_t closing_paren(std::string_view t, size_t open) {
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
        if (t[i] == '(') ++depth;
        else if (t[i] == ')' && --depth == 0) return i;
    }
    return NPOS;
}

int last_row_of(Book *book) { return book ? book->last_row : 0; }
int last_col_of(Book *book) { return book ? book->last_column : 0; }

// Reads 1 to 3 letters as a 0-based column; -1 when the text is not that.
int letters_to_column(std::string_view t) {
    if (t.empty() || t.size() > 3) return -1;
    int v = 0;
    for (char ch : t) {
        if (!is_alpha(static_cast<unsigned char>(ch))) return -1;
        v = v * 26 + (upper(static_cast<unsigned char>(ch)) - 'A' + 1);
    }
    return v - 1 < GRID_COLS ? v - 1 : -1;
}

// Reads a whole text of digits as a 0-based row; -1 otherwise.
int digits_to_row(std::string_view t) {
    if (t.empty()) return -1;
    int64_t v = 0;
    for (char ch : t) {
        if (!is_digit(static_cast<unsigned char>(ch))) return -1;
        v = v * 10 + (ch - '0');
        if (v > GRID_ROWS) return -1;
    }
    return v >= 1 ? static_cast<int>(v - 1) : -1;
}

// One "cell:cell" range with an optional sheet prefix. `sheet` receives the
// prefix's sheet index or -1.
int read_cell_range(Book *book, std::string_view text, int32_t (&r)[4], int &sheet) {
    if (text.size() > static_cast<size_t>(MAX_RANGE_TEXT)) return -1;
    std::string_view rest = text;
    sheet = text.find('!') != NPOS ? find_sheet_prefix(book, text, rest) : -1;
    size_t colon = rest.find(':');
    if (colon == NPOS) return -1;
    int r1, c1, r2, c2;
    if (read_cell_name(book, rest.substr(0, colon), r1, c1) != 0) return -1;
    if (read_cell_name(book, rest.substr(colon + 1), r2, c2) != 0) return -1;
    r[0] = r1;
    r[1] = c1;
    r[2] = r2;
    r[3] = c2;
    return 0;
}

} // namespace


int read_cell_name(Book *book, std::string_view t, int &row, int &col) {
    const size_t n = t.size();
    if (n == 0) return -1;
    if (n == 2 && t[0] == '*' && t[1] == '*') {
        row = GRID_ROWS - 1;
        col = GRID_COLS - 1;
        return 0;
    }
    size_t i = 0;
    int64_t c = -1;
    if (t[0] == '(') {
        size_t close = closing_paren(t, 0);
        if (close == NPOS || !eval_index(book, t.substr(1, close - 1), last_col_of(book), c)) return -1;
        i = close + 1;
    } else {
        if (t[0] == '$') ++i;
        const size_t s = i;
        while (i < n && is_alpha(static_cast<unsigned char>(t[i]))) ++i;
        c = letters_to_column(t.substr(s, i - s));
        if (c < 0) return -1;
    }
    if (i >= n) return -1;

    int64_t r = -1;
    if (t[i] == '*') {
        if (i + 1 != n) return -1;
        r = GRID_ROWS - 1;
    } else if (t[i] == '(') {
        if (closing_paren(t, i) != n - 1 || !eval_index(book, t.substr(i + 1, n - i - 2), last_row_of(book), r))
            return -1;
    } else {
        if (t[i] == '$') {
            ++i;
            // "$NAME" in place of the digits: a variable reference.
            if (i < n && !is_digit(static_cast<unsigned char>(t[i]))) {
                if (!eval_index(book, t.substr(i - 1), last_row_of(book), r)) return -1;
                i = n;
            }
        }
        if (i < n) {
            int d = digits_to_row(t.substr(i));
            if (d < 0) return -1;
            r = d;
        }
    }
    if (r < 0 || r >= GRID_ROWS || c < 0 || c >= GRID_COLS) return -1;
    row = static_cast<int>(r);
    col = static_cast<int>(c);
    return 0;
}

int find_sheet_prefix(Book *book, std::string_view text, std::string_view &rest) {
    if (!book) return -1;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '.' || ch == ':') return -1;
        if (ch == '!') {
            if (i == 0 || i > static_cast<size_t>(MAX_PREFIX_LEN)) return -1;
            int idx = vlt_find_sheet(book, text.substr(0, i));
            if (idx >= 0) rest = text.substr(i + 1);
            return idx;
        }
    }
    return -1;
}

int read_range(Book *book, std::string_view text, PropTarget &t) {
    if (text.empty()) return -1;
    if (text.find(',') != NPOS) {
        int count = 0;
        int list_sheet = -2;
        size_t start = 0;
        for (;;) {
            size_t comma = text.find(',', start);
            std::string_view part = text.substr(start, comma == NPOS ? NPOS : comma - start);
            if (count == MAX_TARGET_RANGES) return -3;
            int sheet = -1;
            if (read_cell_range(book, part, t.ranges[count], sheet) != 0) return -1;
            if (list_sheet != -2 && sheet != list_sheet) return -1;
            list_sheet = sheet;
            ++count;
            if (comma == NPOS) break;
            start = comma + 1;
        }
        t.nranges = count;
        if (list_sheet >= 0) t.sheet = list_sheet;
        return 0;
    }
    int sheet = -1;
    if (read_cell_range(book, text, t.ranges[0], sheet) == 0) {
        t.nranges = 1;
        if (sheet >= 0) t.sheet = sheet;
        return 0;
    }
    std::string_view rest = text;
    if (text.find('!') != NPOS) sheet = find_sheet_prefix(book, text, rest);
    size_t colon = rest.find(':');
    if (colon == NPOS) return -1;
    std::string_view a = rest.substr(0, colon), b = rest.substr(colon + 1);
    int c1 = letters_to_column(a), c2 = letters_to_column(b);
    if (c1 >= 0 && c2 >= 0) {
        t.ranges[0][0] = 0;
        t.ranges[0][1] = c1;
        t.ranges[0][2] = 0;
        t.ranges[0][3] = c2;
    } else {
        int r1 = digits_to_row(a), r2 = digits_to_row(b);
        if (r1 < 0 || r2 < 0) return -1;
        t.ranges[0][0] = r1;
        t.ranges[0][1] = 0;
        t.ranges[0][2] = r2;
        t.ranges[0][3] = 0;
    }
    t.nranges = 1;
    if (sheet >= 0) t.sheet = sheet;
    return 0;
}

int read_target(Book *book, std::string_view text, PropTarget &t) {
    if (text.empty()) return -1;
    bool bang = false;
    for (char ch : text) {
        if (ch == ',' || ch == ':') return read_range(book, text, t);
        bang |= ch == '!';
    }
    std::string_view rest = text;
    int sheet = bang ? find_sheet_prefix(book, text, rest) : -1;
    int row = -1, col = -1;
    if (read_cell_name(book, rest, row, col) == 0) {
        t.row = row;
        t.col = col;
    } else if ((row = digits_to_row(rest)) >= 0) {
        t.row = row;
    } else if ((col = letters_to_column(rest)) >= 0) {
        t.col = col;
    } else {
        return -1;
    }
    if (sheet >= 0) t.sheet = sheet;
    return 0;
}

} // namespace vel
