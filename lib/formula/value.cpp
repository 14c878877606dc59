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

Read text_number(std::string_view s, double &out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    const bool has_digit = s.find_first_of("0123456789") != std::string_view::npos;
    const Read other = has_digit ? Read::Unclear : Read::Error;
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    const bool percent = !s.empty() && s.back() == '%';
    if (percent) s.remove_suffix(1);
    // Digits, thousands separators every three digits before the point, at
    // most one point, an optional exponent: nothing else.
    std::string buf;
    size_t i = 0, digits = 0, group = 0;
    bool commas = false;
    for (; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9') {
            buf.push_back(s[i]);
            ++digits, ++group;
        } else if (s[i] == ',' && digits > 0 && (commas ? group == 3 : group <= 3)) {
            commas = true;
            group = 0;
        } else {
            break;
        }
    }
    if (commas && group != 3) return other;
    if (i < s.size() && s[i] == '.') {
        buf.push_back('.');
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) buf.push_back(s[i]), ++digits;
    }
    if (digits == 0) return other;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j >= s.size() || s[j] < '0' || s[j] > '9') return other;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
        buf.append(s.substr(i, j - i));
        i = j;
    }
    if (i != s.size()) return other;
    if (buf.front() == '.') buf.insert(buf.begin(), '0');
    double v = 0;
    if (std::from_chars(buf.data(), buf.data() + buf.size(), v).ec != std::errc())
        v = buf.find("e-") != std::string::npos || buf.find("E-") != std::string::npos ? 0.0 : HUGE_VAL;
    if (percent) v /= 100;
    out = negative ? -v : v;
    return Read::Ok;
}

Read number_of(const Value &v, double &num, Value &err) {
    switch (v.kind) {
    case Value::NUMBER:
    case Value::BOOL: num = v.num; return Read::Ok;
    case Value::EMPTY: num = 0; return Read::Ok;
    case Value::TEXT: {
        const Read r = text_number(v.text, num);
        if (r == Read::Error) err = Value::error(ERR_VALUE);
        return r;
    }
    case Value::ERROR: err = v; return Read::Error;
    default: err = Value::error(ERR_VALUE); return Read::Error;
    }
}

std::string number_text(double v) {
    if (v == 0) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", v); // "0.333333333333333", "1E+20"
    return buf;
}

Read text_of(const Value &v, std::string &text, Value &err) {
    switch (v.kind) {
    case Value::TEXT: text = v.text; return Read::Ok;
    case Value::NUMBER: {
        const double a = std::fabs(v.num);
        if (a != 0 && (a < 1e-4 || a >= 1e15)) return Read::Unclear;
        text = number_text(v.num);
        return Read::Ok;
    }
    case Value::EMPTY: text.clear(); return Read::Ok;
    case Value::ERROR: err = v; return Read::Error;
    case Value::BOOL: return Read::Unclear;
    default: err = Value::error(ERR_VALUE); return Read::Error;
    }
}

} // namespace vel::formula
