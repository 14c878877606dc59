// Value typing rules: numbers, dates, percents, times and texts.
#include "model/typing.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "model/model.h"
#include "model/numfmt.h"

namespace vel {

namespace {

inline bool is_digit(char ch) { return ch >= '0' && ch <= '9'; }

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char ch : s)
        if (!is_digit(ch)) return false;
    return true;
}

int32_t clamp_trunc(double v) {
    if (!(v == v)) return 0;
    double t = std::trunc(v);
    if (t >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (t <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}

// Day fraction text and whole days of a count of seconds.
void set_time_of_day(int64_t seconds, int64_t &days, std::string &text) {
    days = seconds / 86400;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lf", static_cast<double>(seconds % 86400) / 86400.0);
    text.assign(buf);
}

// Time fields "h:mm" or "h:mm:ss": 1..8 digits each, minutes and seconds <= 60.
bool parse_time(std::string_view s, int &fields, int64_t &seconds) {
    int64_t v[3] = {0, 0, 0};
    fields = 0;
    size_t start = 0;
    for (;;) {
        size_t colon = s.find(':', start);
        std::string_view f = s.substr(start, colon == std::string_view::npos ? s.size() - start : colon - start);
        if (fields == 3 || f.size() > 8 || !all_digits(f)) return false;
        int64_t n = 0;
        for (char ch : f) n = n * 10 + (ch - '0');
        v[fields++] = n;
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    if (fields < 2 || v[1] > 60 || v[2] > 60) return false;
    seconds = v[0] * 3600 + v[1] * 60 + v[2];
    return true;
}

} // namespace

bool type_number(std::string_view s, TypedValue &out) {
    if (s.empty() || s.size() >= 20) return false;
    size_t i = 0;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        i = 1;
    }
    size_t point = std::string_view::npos;
    int digits = 0;
    for (size_t k = i; k < s.size(); ++k) {
        char ch = s[k];
        if (is_digit(ch)) ++digits;
        else if (ch == '.') {
            if (point != std::string_view::npos) return false;
            point = k;
        } else if (ch != ',') return false;
    }
    if (digits == 0) return false;
    // Thousands separators: exactly three characters between a comma and the
    // next comma or the decimal point, and a digit before each comma.
    size_t limit = point == std::string_view::npos ? s.size() : point;
    if (point != std::string_view::npos && s.find(',', point) != std::string_view::npos) return false;
    size_t prev = limit;
    for (size_t k = limit; k-- > i;) {
        if (s[k] != ',') continue;
        if (prev - k - 1 != 3 || k == i || !is_digit(s[k - 1])) return false;
        prev = k;
    }
    // Canonical text: no "+", no commas, no leading zeros in the integer part.
    std::string &t = out.text;
    t.clear();
    if (negative) t.push_back('-');
    size_t int_start = t.size();
    for (size_t k = i; k < limit; ++k) {
        char ch = s[k];
        if (ch == ',') continue;
        if (ch == '0' && t.size() == int_start) continue;
        t.push_back(ch);
    }
    if (t.size() == int_start) t.push_back('0');
    size_t int_digits = t.size() - int_start;
    bool overflow = int_digits > 19 ||
                    (int_digits == 19 && std::string_view(t).substr(int_start) > "9223372036854775807");
    if (point == std::string_view::npos && !overflow) {
        if (t == "-0") t = "0";
        long long v = std::strtoll(t.c_str(), nullptr, 10);
        out.kind = CELL_INTEGER;
        out.num = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(v)));
        return true;
    }
    if (point != std::string_view::npos && point + 1 < s.size()) {
        t.push_back('.');
        t.append(s.substr(point + 1));
    }
    out.kind = CELL_DECIMAL;
    out.num = clamp_trunc(std::strtod(t.c_str(), nullptr));
    return true;
}

bool type_date(std::string_view s, TypedValue &out) {
    if (s.size() < 8) return false;
    for (int k = 0; k < 4; ++k)
        if (!is_digit(s[k])) return false;
    if (s[4] != '/' && s[4] != '-') return false;
    size_t p = 5;
    auto field = [&](char first_max, std::string_view &f) {
        size_t b = p;
        if (p >= s.size() || !is_digit(s[p])) return false;
        ++p;
        if (p < s.size() && is_digit(s[p])) {
            if (s[b] > first_max) return false;
            ++p;
        }
        f = s.substr(b, p - b);
        return true;
    };
    std::string_view month, day;
    if (!field('1', month)) return false;
    if (p >= s.size() || (s[p] != '/' && s[p] != '-')) return false;
    ++p;
    if (!field('3', day)) return false;
    std::string_view year = s.substr(0, 4);
    int64_t seconds = 0;
    bool with_time = false;
    if (p < s.size()) {
        if (s[p] != ' ') return false;
        int fields = 0;
        if (!parse_time(s.substr(p + 1), fields, seconds)) return false;
        with_time = true;
    }
    if (!calendar_valid(year, month, day)) return false;
    int y = (year[0] - '0') * 1000 + (year[1] - '0') * 100 + (year[2] - '0') * 10 + (year[3] - '0');
    int m = std::atoi(std::string(month).c_str());
    int d = std::atoi(std::string(day).c_str());
    int32_t serial = y >= 1900 ? date_serial_day(y, m, d) : -1;
    if (serial < 0) return false; // years before 1900 have no serial: the text stays text
    if (!with_time) {
        out.kind = CELL_DATE;
        out.num = serial;
        out.text.clear();
        return true;
    }
    int64_t days = 0;
    set_time_of_day(seconds, days, out.text);
    out.kind = CELL_DATE_TIME;
    out.num = static_cast<int32_t>(std::min<int64_t>(serial + days, std::numeric_limits<int32_t>::max()));
    return true;
}

bool type_percent(std::string_view s, TypedValue &out) {
    if (s.size() < 2 || s.size() >= 4000 || s.back() != '%') return false;
    if (!type_number(s.substr(0, s.size() - 1), out)) return false;
    double v = std::strtod(out.text.c_str(), nullptr) / 100.0;
    char buf[400];
    std::snprintf(buf, sizeof buf, "%f", v);
    out.kind = CELL_PERCENT;
    out.num = clamp_trunc(v);
    out.text.assign(buf);
    return true;
}

bool type_time(std::string_view s, TypedValue &out) {
    int fields = 0;
    int64_t seconds = 0;
    if (!parse_time(s, fields, seconds)) return false;
    int64_t days = 0;
    set_time_of_day(seconds, days, out.text);
    out.kind = fields == 2 ? CELL_TIME_HM : CELL_TIME_HMS;
    out.num = static_cast<int32_t>(days);
    return true;
}

void text_escapes(std::string_view s, std::string &out) {
    out.clear();
    out.reserve(s.size() + 8);
    for (size_t i = 0; i < s.size(); ++i) {
        char ch = s[i];
        if (ch == '\\' && i + 1 < s.size()) {
            if (s[i + 1] == 'n') {
                out.append("\r\n");
                ++i;
                continue;
            }
            if (s[i + 1] == '\\') {
                out.push_back('\\');
                ++i;
                continue;
            }
        }
        out.push_back(ch);
    }
}

void type_value(std::string_view s, TypedValue &out) {
    if (type_number(s, out) || type_date(s, out) || type_percent(s, out) || type_time(s, out)) return;
    out.kind = CELL_SHARED_TEXT;
    out.num = 0;
    text_escapes(s, out.text);
}

int check_formula(std::string_view f, std::string &bad, bool &parens) {
    parens = false;
    bad.clear();
    if (f.empty()) {
        bad = "=";
        return -1;
    }
    int depth = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(f[i]);
        if (ch == '"' || ch == '\'') {
            // Quoted to the next lone quote of the same kind ("" and '' stand for one).
            size_t j = i + 1;
            while (j < f.size() && !(f[j] == f[i] && (j + 1 >= f.size() || f[j + 1] != f[i]))) j += f[j] == f[i] ? 2 : 1;
            if (j >= f.size()) {
                parens = true;
                bad.assign(f);
                return -1;
            }
            i = j;
        } else if (ch == '(') {
            ++depth;
        } else if (ch == ')') {
            if (--depth < 0) break;
        } else if ((ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n') || ch == 0x7F) {
            bad.assign(1, static_cast<char>(ch));
            return -1;
        }
    }
    if (depth != 0) {
        parens = true;
        bad.assign(f);
        return -1;
    }
    return 0;
}

double display_width(std::string_view s) {
    double w = 0;
    for (unsigned char ch : s) {
        if (ch < 0x80) w += 1.25;
        else if (ch >= 0xC0) w += 2.5;
    }
    return w;
}

} // namespace vel
