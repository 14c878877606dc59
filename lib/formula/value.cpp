// Formula values and their conversions.
#include "formula/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/cellvalue.h"

namespace vel::formula {

Value Value::number(double v) {
    if (!std::isfinite(v)) return error(ERR_NUM);
    Value r;
    r.kind = NUMBER;
    r.num = v == 0 ? 0.0 : v; // no negative zero
    return r;
}

Value Value::error(int code) {
    Value r;
    r.kind = ERROR;
    r.num = code;
    return r;
}

Value Value::boolean(bool v) {
    Value r;
    r.kind = BOOL;
    r.num = v ? 1 : 0;
    return r;
}

Value Value::string(std::string_view s) {
    Value r;
    r.kind = TEXT;
    r.text.assign(s);
    return r;
}

bool text_number(std::string_view s, double &out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Digits with at most one point and an optional exponent: nothing else.
    size_t i = 0, digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j >= s.size() || s[j] < '0' || s[j] > '9') return false;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
        i = j;
    }
    if (i != s.size()) return false;
    std::string buf;
    if (s.front() == '.') buf = "0";
    buf.append(s);
    double v = 0;
    auto r = std::from_chars(buf.data(), buf.data() + buf.size(), v);
    if (r.ec == std::errc::result_out_of_range) v = buf.find("e-") != std::string::npos || buf.find("E-") != std::string::npos ? 0.0 : HUGE_VAL;
    out = negative ? -v : v;
    return true;
}

bool number_of(const Value &v, Value &out, double &num) {
    switch (v.kind) {
    case Value::NUMBER:
    case Value::BOOL: num = v.num; return true;
    case Value::EMPTY: num = 0; return true;
    case Value::TEXT:
        if (text_number(v.text, num)) return true;
        out = Value::error(ERR_VALUE);
        return false;
    case Value::ERROR: out = v; return false;
    default: out = Value::error(ERR_VALUE); return false;
    }
}

std::string number_text(double v) {
    if (v == 0) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", v); // "0.333333333333333", "1E+20", "1.5E-07"
    return buf;
}

bool text_of(const Value &v, Value &out, std::string &text) {
    switch (v.kind) {
    case Value::TEXT: text = v.text; return true;
    case Value::NUMBER: text = number_text(v.num); return true;
    case Value::BOOL: text = v.num != 0 ? "TRUE" : "FALSE"; return true;
    case Value::EMPTY: text.clear(); return true;
    case Value::ERROR: out = v; return false;
    default: out = Value::error(ERR_VALUE); return false;
    }
}

} // namespace vel::formula
