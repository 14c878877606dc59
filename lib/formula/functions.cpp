// The function table and the functions.
//
// How arguments are read follows the spreadsheet programs: a reference
// (a cell or a range) gives the numbers of its cells and passes over texts,
// booleans and empty cells; a value written into the call counts as a
// number when it is one (TRUE is 1) and a text is #VALUE!, except a text
// that reads as a number, which the programs treat differently. An error
// value met on the way is the result.
#include "formula/functions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/charset.h"
#include "model/cellvalue.h"

namespace vel::formula {

namespace {

// Calls `each` with every number the arguments give. On Error `err` holds
// the error value met.
template <class F>
Read each_number(const CallArgs &a, Value &err, F each) {
    for (const Value &v : a.values) {
        if (v.kind == Value::REF) {
            bool ok = true;
            a.cells.visit(v, [&](const Value &c) {
                if (c.kind == Value::NUMBER) each(c.num);
                else if (c.kind == Value::ERROR) {
                    err = c;
                    ok = false;
                }
                return ok;
            });
            if (!ok) return Read::Error;
            continue;
        }
        double d;
        if (v.kind == Value::TEXT) {
            // A text that reads as a number is taken by some programs and
            // refused by others; one that is no number is #VALUE! for all.
            const Read r = text_number(v.text, d);
            if (r == Read::Error) err = Value::error(ERR_VALUE);
            return r == Read::Ok ? Read::Unclear : r;
        }
        if (const Read r = number_of(v, d, err); r != Read::Ok) return r;
        each(d);
    }
    return Read::Ok;
}

// The outcome of a function whose numbers were read with `r`: `out` is
// already the error value on Error.
Outcome finish(Read r, Value &out, const Value &result) {
    if (r == Read::Unclear) return Outcome::Unsupported;
    if (r == Read::Ok) out = result;
    return Outcome::Done;
}

// Argument `i` as one value: a one-cell reference gives its cell's value; a
// range in its place would need the implicit intersection of the spreadsheet
// programs and is left to them.
Outcome scalar(const CallArgs &a, size_t i, Value &out) {
    const Value &v = a.values[i];
    if (v.kind != Value::REF) {
        out = v;
        return Outcome::Done;
    }
    if (!v.area.single()) return Outcome::Unsupported;
    out = a.cells.single(v);
    return Outcome::Done;
}

Outcome fn_sum(const CallArgs &a, Value &out) {
    double sum = 0;
    const Read r = each_number(a, out, [&](double d) { sum += d; });
    return finish(r, out, Value::number(sum));
}

Outcome fn_average(const CallArgs &a, Value &out) {
    double sum = 0;
    size_t n = 0;
    const Read r = each_number(a, out, [&](double d) { sum += d, ++n; });
    return finish(r, out, n == 0 ? Value::error(ERR_DIV0) : Value::number(sum / static_cast<double>(n)));
}

Outcome fn_min(const CallArgs &a, Value &out) {
    double m = HUGE_VAL;
    const Read r = each_number(a, out, [&](double d) { m = std::min(m, d); });
    return finish(r, out, Value::number(m == HUGE_VAL ? 0 : m));
}

Outcome fn_max(const CallArgs &a, Value &out) {
    double m = -HUGE_VAL;
    const Read r = each_number(a, out, [&](double d) { m = std::max(m, d); });
    return finish(r, out, Value::number(m == -HUGE_VAL ? 0 : m));
}

// Numbers in the referenced cells; values written into the call count when
// they are numbers, booleans or texts that read as numbers. Errors are not counted.
Outcome fn_count(const CallArgs &a, Value &out) {
    double n = 0;
    for (const Value &v : a.values) {
        if (v.kind == Value::REF) {
            a.cells.visit(v, [&](const Value &c) {
                if (c.kind == Value::NUMBER) ++n;
                return true;
            });
            continue;
        }
        double d;
        const Read r = v.kind == Value::TEXT ? text_number(v.text, d) : Read::Error;
        if (r == Read::Unclear) return Outcome::Unsupported;
        if (v.kind == Value::NUMBER || v.kind == Value::BOOL || r == Read::Ok) ++n;
    }
    out = Value::number(n);
    return Outcome::Done;
}

// ROW(): the formula's own row; ROW(reference): the first row of the reference.
Outcome fn_row(const CallArgs &a, Value &out) {
    if (a.values.empty()) out = Value::number(a.row + 1.0);
    else if (a.values[0].kind == Value::REF) out = Value::number(a.values[0].area.r1 + 1.0);
    else if (a.values[0].kind == Value::ERROR) out = a.values[0];
    else out = Value::error(ERR_VALUE);
    return Outcome::Done;
}

// ROUND, ROUNDUP, ROUNDDOWN (two arguments) and TRUNC (digits optional, 0).
Outcome rounding(const CallArgs &a, Value &out, Rounding mode) {
    Value x, digits;
    if (scalar(a, 0, x) == Outcome::Unsupported) return Outcome::Unsupported;
    if (a.values.size() > 1 && scalar(a, 1, digits) == Outcome::Unsupported) return Outcome::Unsupported;
    double xv = 0, dv = 0;
    Read r = number_of(x, xv, out);
    if (r == Read::Ok && a.values.size() > 1) r = number_of(digits, dv, out);
    return finish(r, out, Value::number(round_digits(xv, dv, mode)));
}

Outcome fn_round(const CallArgs &a, Value &out) { return rounding(a, out, Rounding::HalfAway); }
Outcome fn_roundup(const CallArgs &a, Value &out) { return rounding(a, out, Rounding::Away); }
Outcome fn_rounddown(const CallArgs &a, Value &out) { return rounding(a, out, Rounding::Toward); }

constexpr uint8_t MANY = 255;

constexpr FunctionInfo FUNCTIONS[] = {
    {"ROW", 0, 1, false, fn_row},
    {"SUM", 1, MANY, true, fn_sum},
    {"AVERAGE", 1, MANY, true, fn_average},
    {"ROUND", 2, 2, true, fn_round},
    {"ROUNDUP", 2, 2, true, fn_roundup},
    {"ROUNDDOWN", 2, 2, true, fn_rounddown},
    {"TRUNC", 1, 2, true, fn_rounddown},
    {"MIN", 1, MANY, true, fn_min},
    {"MAX", 1, MANY, true, fn_max},
    {"COUNT", 1, MANY, true, fn_count},
};

} // namespace

int find_function(std::string_view name) {
    for (size_t i = 0; i < std::size(FUNCTIONS); ++i)
        if (same_nocase(name, FUNCTIONS[i].name)) return static_cast<int>(i);
    return -1;
}

const FunctionInfo &function_at(int index) { return FUNCTIONS[index]; }

double round_digits(double x, double digits, Rounding mode) {
    if (!std::isfinite(x) || x == 0 || std::isnan(digits)) return x;
    const int n = static_cast<int>(std::clamp(std::trunc(digits), -400.0, 400.0));
    // The value's first 15 significant digits, d.dddddddddddddd, and its exponent.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    char m[15];
    m[0] = buf[0];
    std::copy(buf + 2, buf + 16, m + 1);
    const int e = std::atoi(buf + 17);
    // Digit i stands for 10^(e - i); the digits down to 10^-n are kept.
    const int keep = e + n + 1;
    if (keep >= 15) return x;
    long long kept = 0;
    bool half = false, dropped = false;
    if (keep >= 0) {
        for (int i = 0; i < keep; ++i) kept = kept * 10 + (m[i] - '0');
        half = m[keep] >= '5';
        for (int i = keep; i < 15; ++i) dropped = dropped || m[i] != '0';
    } else {
        dropped = true;
    }
    if ((mode == Rounding::HalfAway && half) || (mode == Rounding::Away && dropped)) ++kept;
    // kept * 10^-n, read back from its decimal text: the nearest double.
    std::snprintf(buf, sizeof buf, "%llde%d", kept, -n);
    double v = 0;
    if (std::from_chars(buf, buf + std::char_traits<char>::length(buf), v).ec != std::errc())
        v = -n > 0 ? HUGE_VAL : 0.0;
    return x < 0 ? -v : v;
}

} // namespace vel::formula
