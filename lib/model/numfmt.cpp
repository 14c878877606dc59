// Number formats: format words and table, the 1900 date system, Japanese
// eras, format-code classification and display texts.
#include "model/numfmt.h"

#include <charconv>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/messages.h"
#include "model/cellvalue.h"
#include "model/store.h"
#include "model/styles.h"

namespace vel {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int &y, int &m, int &d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t DAYS_1900 = days_from_civil(1900, 1, 1);

int days_in_month(int y, int m) {
    static const int len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && is_leap_year(y) ? 29 : len[m - 1];
}

// Decimal value of a digit run (shorter than 64 characters); -1 otherwise.
int64_t digit_value(std::string_view s) {
    if (s.empty() || s.size() >= 64) return -1;
    int64_t v = 0;
    for (char ch : s) {
        if (ch < '0' || ch > '9') return -1;
        if (v > 100000000) return 100000000; // far beyond any month, day or year
        v = v * 10 + (ch - '0');
    }
    return v;
}

bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

const char *const MONTHS[12] = {"January", "February", "March",     "April",   "May",      "June",
                                "July",    "August",   "September", "October", "November", "December"};

struct WordEntry {
    const char *word;
    int key;
};

const WordEntry WORDS[] = {
    {"赤マイナス", FMT_RED_MINUS}, {"日付", FMT_DATE},           {"日時", FMT_DATE_TIME},
    {"時刻", FMT_JP_HM},           {"時分秒", FMT_HMS},          {"年月日", FMT_JP_DATE},
    {"西暦", FMT_JP_DATE},         {"月日", FMT_JP_MONTH_DAY},   {"和暦", FMT_ERA_LONG},
    {"カンマ", FMT_COMMA},         {"コンマ", FMT_COMMA},        {"円", FMT_YEN},
    {"赤円", FMT_RED_YEN},         {"郵便番号", FMT_POSTAL},     {"正負記号", FMT_SIGN},
    {"漢数字", FMT_KANJI},         {"大字", FMT_KANJI_FORMAL},   {"全角", FMT_FULL_WIDTH},
    {"全角桁区切り", FMT_FULL_WIDTH_GROUPED},
};

// Count after a word: ASCII or full-width digits up to the first other character.
int read_count(std::string_view s) {
    int n = 0;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char ch = static_cast<unsigned char>(s[i]);
        int digit;
        if (ch >= '0' && ch <= '9') {
            digit = ch - '0';
            i += 1;
        } else if (ch == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBC &&
                   static_cast<unsigned char>(s[i + 2]) >= 0x90 && static_cast<unsigned char>(s[i + 2]) <= 0x99) {
            digit = static_cast<unsigned char>(s[i + 2]) - 0x90;
            i += 3;
        } else break;
        if (n < 1000) n = n * 10 + digit;
    }
    return n;
}

std::string printf_text(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string printf_text(const char *fmt, ...) {
    char buf[160];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

int two_digit_year(int y) { return y >= 2000 ? y - 2000 : y >= 1901 ? y - 1900 : y % 100; }

const char *ampm(int hour) { return hour < 12 ? "AM" : "PM"; }
int hour12(int hour) {
    int h = hour % 12;
    return h == 0 ? 12 : h;
}

Sheet *sheet_of(Book *book, int index) {
    auto &sheets = model(book).sheets;
    if (index < 0) index = book->current_sheet;
    if (index < 0 || index >= static_cast<int>(sheets.size())) return nullptr;
    return &sheets[index];
}

} // namespace

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t date_serial_day(int year, int month, int day) {
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1) return -1;
    if (year == 1900 && month == 2 && day == 29) return 60; // the fictitious 1900-02-29
    if (day > days_in_month(year, month)) return -1;
    int64_t n = days_from_civil(year, month, day) - DAYS_1900 + 1;
    if (n >= 60) ++n; // every date from 1900-03-01 on counts 1900-02-29
    return static_cast<int32_t>(n);
}

bool date_serial(int year, int month, int day, int hour, int minute, int second, double &serial) {
    if (hour < 0 || hour > 24) hour = 0;
    if (minute < 0 || minute > 60) minute = 0;
    if (second < 0 || second > 60) second = 0;
    double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    if (year == 0 && month == 0 && day == 0) {
        serial = fraction;
        return true;
    }
    if (year == 0) year = 1900;
    if (month == 0) month = 1;
    if (day == 0) day = 1;
    int32_t d = date_serial_day(year, month, day);
    if (d < 0) return false;
    serial = d + fraction;
    return true;
}

DateParts serial_parts(double serial) {
    DateParts p;
    if (!(serial >= 0)) serial = 0;
    if (serial > 2958465.99999) serial = 2958465.99999; // 9999-12-31
    int64_t total = static_cast<int64_t>(std::llround(serial * 86400.0));
    int64_t day = total / 86400;
    int64_t secs = total % 86400;
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    if (day == 0) {
        p.year = 1900, p.month = 1, p.day = 0;
    } else if (day == 60) {
        p.year = 1900, p.month = 2, p.day = 29;
    } else {
        civil_from_days(DAYS_1900 + day - (day > 60 ? 2 : 1), p.year, p.month, p.day);
    }
    return p;
}

bool calendar_valid(std::string_view year, std::string_view month, std::string_view day) {
    int64_t y = digit_value(year), m = digit_value(month), d = digit_value(day);
    if (y < 0 || m < 1 || m > 12 || d < 1) return false;
    int len = m == 2 ? ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0 ? 29 : 28) : days_in_month(2001, static_cast<int>(m));
    return d <= len;
}

bool japanese_era(int year, int month, int day, Era &out) {
    struct EraRow {
        int from;
        const char *name;
        const char *letter;
        int offset;
    };
    static const EraRow eras[] = {
        {20190501, "令和", "R", 2018},
        {19890108, "平成", "H", 1988},
        {19261225, "昭和", "S", 1925},
        {19120730, "大正", "T", 1911},
        {19000101, "明治", "M", 1867},
    };
    int key = year * 10000 + month * 100 + day;
    for (const EraRow &e : eras) {
        if (key >= e.from) {
            out.name = e.name;
            out.letter = e.letter;
            out.year = year - e.offset;
            return true;
        }
    }
    return false;
}

int vlt_format_word(Book *book, std::string_view w, FormatWord &out) {
    out = FormatWord{};
    static constexpr std::string_view decimals = "小数点以下";
    static constexpr std::string_view pct_decimals = "パーセント小数点以下";
    if (w.substr(0, pct_decimals.size()) == pct_decimals) {
        out.key = FMT_PERCENT_DECIMALS;
        out.decimals = read_count(w.substr(pct_decimals.size()));
    } else if (w.substr(0, decimals.size()) == decimals) {
        out.key = FMT_DECIMALS;
        out.decimals = read_count(w.substr(decimals.size()));
    } else if (w == "パーセント") {
        out.key = FMT_PERCENT_DECIMALS;
    } else if (w == "文字列") {
        out.text = true;
    } else {
        for (const WordEntry &e : WORDS) {
            if (w == e.word) {
                out.key = e.key;
                return 0;
            }
        }
        return vlt_error(book, -3, msg::E02311, std::string(w).c_str());
    }
    if (out.decimals > 30) out.decimals = 30; // the widest fraction a format code can show
    return 0;
}

int vlt_register_format(Book *book, int key, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 255) decimals = 255;
    auto &table = model(book).numfmts;
    bool with_decimals = format_has_decimals(key);
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].key == key && (!with_decimals || table[i].decimals == decimals))
            return static_cast<int>(i) + 1;
    }
    if (table.size() >= static_cast<size_t>(VLT_MAX_NUMFORMAT))
        return vlt_error(book, -9, msg::E02319, VLT_MAX_NUMFORMAT);
    NumFmt f;
    f.key = static_cast<uint16_t>(key);
    f.decimals = static_cast<uint8_t>(with_decimals ? decimals : 0);
    table.push_back(std::move(f));
    return static_cast<int>(table.size());
}

namespace {

// Text-only: the cell keeps what it shows as its inline text.
void make_text_only(Book *book, Sheet &sheet, Cell &cell) {
    if (cell.kind == CELL_FORMULA || cell.kind == CELL_FORMULA2 || cell.kind == CELL_TEXT_ONLY) return;
    if (cell.kind != CELL_EMPTY) {
        std::string shown = cell_display_text(book, sheet, cell);
        cell_texts(sheet, cell).value = std::move(shown);
    } else if (CellText *t = texts_of(sheet, cell)) {
        t->value.clear();
    }
    cell.kind = CELL_TEXT_ONLY;
    cell.aux = 0;
    cell.num = 0;
}

int set_format(Book *book, Sheet &sheet, Cell &cell, const FormatWord &fw, int index) {
    if (fw.text) {
        make_text_only(book, sheet, cell);
        return 0;
    }
    int rc = vlt_set_num_format(book, cell, index);
    if (rc == -9) return vlt_error(book, -9, msg::E03008, "STYLE", MAX_XF);
    return rc;
}

} // namespace

int vlt_apply_format(Book *book, Sheet &sheet, Cell &cell, std::string_view word_utf8) {
    FormatWord fw;
    int rc = vlt_format_word(book, word_utf8, fw);
    if (rc != 0) return rc;
    int index = 0;
    if (!fw.text) {
        index = vlt_register_format(book, fw.key, fw.decimals);
        if (index < 0) return index;
    }
    return set_format(book, sheet, cell, fw, index);
}

int vlt_apply_format_target(Book *book, const PropTarget &t, std::string_view word_utf8) {
    Sheet *sheet = sheet_of(book, t.sheet);
    if (!sheet) return vlt_error(book, -1, msg::E03600, "vlt_apply_format() sheet");
    FormatWord fw;
    int rc = vlt_format_word(book, word_utf8, fw);
    if (rc != 0) return rc;
    int index = 0;
    if (!fw.text) {
        index = vlt_register_format(book, fw.key, fw.decimals);
        if (index < 0) return index;
    }
    auto apply = [&](Cell *cell) { return cell ? set_format(book, *sheet, *cell, fw, index) : 0; };
    if (t.nranges > 0) {
        for (int k = 0; k < t.nranges; ++k) {
            int r1 = t.ranges[k][0], c1 = t.ranges[k][1], r2 = t.ranges[k][2], c2 = t.ranges[k][3];
            if (r1 > r2) std::swap(r1, r2);
            if (c1 > c2) std::swap(c1, c2);
            if (r1 < 0 || c1 < 0) continue;
            // A huge rectangle formats the cells that exist; a normal one creates them.
            bool create = static_cast<int64_t>(r2 - r1 + 1) * (c2 - c1 + 1) <= 1000000;
            for (int r = r1; r <= r2; ++r) {
                if (!create && r >= static_cast<int>(sheet->rows.size())) break;
                for (int c = c1; c <= c2; ++c) {
                    Cell *cell = create ? ensure_cell(*sheet, r, c) : find_cell(*sheet, r, c);
                    if (create && !cell) return vlt_error(book, -2, msg::E00002);
                    if ((rc = apply(cell)) != 0) return rc;
                }
            }
        }
        return 0;
    }
    if (t.row >= 0 && t.col >= 0) {
        Cell *cell = ensure_cell(*sheet, t.row, t.col);
        if (!cell) return vlt_error(book, -2, msg::E00002);
        return apply(cell);
    }
    if (t.row >= 0) {
        if (t.row >= static_cast<int>(sheet->rows.size())) return 0;
        Row &row = sheet->rows[t.row];
        for (int c = 0; c < row.used && c < static_cast<int>(row.cells.size()); ++c)
            if ((rc = apply(&row.cells[c])) != 0) return rc;
        return 0;
    }
    if (t.col >= 0) {
        auto &formats = sheet->col_formats;
        if (static_cast<int>(formats.size()) <= t.col) formats.resize(static_cast<size_t>(t.col) + 10, 0);
        formats[t.col] = fw.text ? -1 : index;
        for (int r = 0; r < sheet->used_rows && r < static_cast<int>(sheet->rows.size()); ++r)
            if ((rc = apply(find_cell(*sheet, r, t.col))) != 0) return rc;
    }
    return 0;
}

int format_key_of_code(std::string_view code) {
    bool am = contains(code, "AM/PM");
    bool has_year = contains(code, "年"), has_month = contains(code, "月"), has_day = contains(code, "日");
    bool has_hour = contains(code, "時"), has_min = contains(code, "分"), has_sec = contains(code, "秒");
    if (contains(code, "yyyy/m/d\\ h:mm")) return am ? FMT_DATE_TIME_AMPM : FMT_DATE_TIME;
    if (contains(code, "yyyy/m/d;")) return FMT_DATE;
    if (contains(code, "ggge")) return FMT_ERA_LONG;
    if (contains(code, "ge")) return FMT_ERA_SHORT;
    if ((has_year && has_month && has_day) || contains(code, "dddd\\,\\ mmmm\\ dd\\,\\ yyyy")) return FMT_JP_DATE;
    if (has_month && has_day) return FMT_JP_MONTH_DAY;
    if (has_year && has_month) return FMT_JP_YEAR_MONTH;
    if (has_hour && has_min && !has_sec) return FMT_JP_HM;
    if (has_hour && has_min && has_sec) return FMT_JP_HMS;
    if (contains(code, "h:mm:ss")) return am ? FMT_HMS_AMPM : FMT_HMS;
    if (contains(code, "h:mm")) return am ? FMT_HM_AMPM : FMT_HM;
    if (contains(code, "mm:ss")) return FMT_MS;
    if (contains(code, "m/d/yy")) return 307;
    if (contains(code, "mm/dd/yy")) return 308;
    // The longer forms first: each shorter form is part of a longer one.
    if (contains(code, "dd\\-mmm\\-yy")) return 311;
    if (contains(code, "d\\-mmm\\-yy")) return 310;
    if (contains(code, "d\\-mmm")) return 309;
    if (contains(code, "mmmmm\\-yy")) return 315;
    if (contains(code, "mmmm\\-yy")) return 313;
    if (contains(code, "mmm\\-yy")) return 312;
    if (contains(code, "mmmmm")) return 314;
    if (contains(code, "m/d")) return 306;
    if (contains(code, "#,##0\\") || contains(code, "\\#") || contains(code, "¥") || contains(code, "￥") ||
        contains(code, "$") || contains(code, "€") || contains(code, "[$"))
        return FMT_YEN;
    if (contains(code, "#,##0")) return FMT_COMMA;
    return FMT_GENERAL;
}

std::string date_display_text(int kind, int32_t day, std::string_view fraction_text, int key) {
    double fraction = 0;
    if (kind != CELL_DATE && !fraction_text.empty()) fraction = std::strtod(std::string(fraction_text).c_str(), nullptr);
    if (!(fraction >= 0 && fraction < 1e7)) fraction = 0;
    return date_display_serial(kind, static_cast<double>(day) + fraction, key);
}

std::string date_display_serial(int kind, double serial, int key) {
    if (key == 0 || key < 300 || key >= 500) {
        switch (kind) {
        case CELL_DATE_TIME: key = FMT_DATE_TIME; break;
        case CELL_TIME_HM: key = FMT_JP_HM; break;
        case CELL_TIME_HMS: key = FMT_HMS; break;
        default: key = FMT_DATE; break;
        }
    }
    DateParts p = serial_parts(serial);
    Era era;
    switch (key) {
    case 301: return printf_text("%d/%d", p.year, p.month);
    case 303: return printf_text("%d/%d/%d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    case 304:
        return printf_text("%d/%d/%d %02d:%02d %s", p.year, p.month, p.day, hour12(p.hour), p.minute, ampm(p.hour));
    case 306: return printf_text("%d/%d", p.month, p.day);
    case 307: return printf_text("%d/%d/%02d", p.month, p.day, two_digit_year(p.year));
    case 308: return printf_text("%02d/%02d/%02d", p.month, p.day, two_digit_year(p.year));
    case 309: return printf_text("%d-%s", p.day, MONTHS[p.month - 1]);
    case 310: return printf_text("%d-%s-%02d", p.day, MONTHS[p.month - 1], two_digit_year(p.year));
    case 311: return printf_text("%02d-%s-%02d", p.day, MONTHS[p.month - 1], two_digit_year(p.year));
    case 312:
    case 313: return printf_text("%s-%02d", MONTHS[p.month - 1], two_digit_year(p.year));
    case 330: return printf_text("%d月%d日", p.month, p.day);
    case 331: return printf_text("%d年%d月", p.year, p.month);
    case 332: return printf_text("%d年%d月%d日", p.year, p.month, p.day);
    case 333:
        if (japanese_era(p.year, p.month, p.day, era))
            return printf_text("%s%d.%d.%d", era.letter, era.year, p.month, p.day);
        break;
    case 334:
        if (japanese_era(p.year, p.month, p.day, era))
            return printf_text("%s%d年%d月%d日", era.name, era.year, p.month, p.day);
        break;
    case 401: return printf_text("%02d:%02d", p.hour, p.minute);
    case 402: return printf_text("%d時%d分", p.hour, p.minute);
    case 403: return printf_text("%02d:%02d %s", hour12(p.hour), p.minute, ampm(p.hour));
    case 404: return printf_text("%d:%02d:%02d", p.hour, p.minute, p.second);
    case 405: return printf_text("%d時%02d分%02d秒", p.hour, p.minute, p.second);
    case 406: return printf_text("%d:%02d:%02d %s", hour12(p.hour), p.minute, p.second, ampm(p.hour));
    case 407: return printf_text("%02d:%02d", p.minute, p.second);
    default: break;
    }
    return printf_text("%d/%d/%d", p.year, p.month, p.day);
}

std::string number_display_double(double v) {
    if (!std::isfinite(v)) return "##ERROR##";
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc()) return "##ERROR##";
    std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
    // The shortest digits that read back as the value are the value text;
    // as long as its fraction is no longer than the display keeps (15
    // digits, 6 for a negative number), the display is those digits.
    const size_t point = text.find('.');
    const size_t frac = point == std::string_view::npos ? 0 : text.size() - point - 1;
    if (text.size() < 40 && frac <= (v < 0 ? 6u : 15u)) return std::string(text == "-0" ? "0" : text);
    return number_display_text(text);
}

std::string number_display_text(std::string_view v) {
    static const std::string error = "##ERROR##";
    if (v.size() >= 40) return error;
    size_t i = 0;
    bool negative = false;
    if (!v.empty() && (v[0] == '+' || v[0] == '-')) {
        negative = v[0] == '-';
        i = 1;
    }
    std::string_view int_part, frac_part;
    size_t point = std::string_view::npos;
    for (size_t k = i; k < v.size(); ++k) {
        char ch = v[k];
        if (ch == '.') {
            if (point != std::string_view::npos) return error;
            point = k;
        } else if (ch < '0' || ch > '9') return error;
    }
    if (point == std::string_view::npos) int_part = v.substr(i);
    else {
        int_part = v.substr(i, point - i);
        frac_part = v.substr(point + 1);
    }
    // Integer digits without leading zeros (as %lld prints them, any length).
    size_t lead = 0;
    while (lead + 1 < int_part.size() && int_part[lead] == '0') ++lead;
    std::string digits(int_part.substr(lead));
    if (digits.empty()) digits = "0";
    std::string frac;
    if (!frac_part.empty()) {
        std::string f = "0.";
        f.append(frac_part.substr(0, 16)); // "0." and the digits: at most 18 characters
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15lf", std::strtod(f.c_str(), nullptr));
        if (buf[0] == '1') { // the fraction rounded up to a whole unit
            for (size_t k = digits.size(); k-- > 0;) {
                if (digits[k] == '9') digits[k] = '0';
                else {
                    ++digits[k];
                    break;
                }
                if (k == 0) digits.insert(digits.begin(), '1');
            }
        }
        frac = buf + 2;
        while (!frac.empty() && frac.back() == '0') frac.pop_back();
    }
    std::string out;
    if (negative && (digits != "0" || !frac.empty())) out.push_back('-');
    out += digits;
    if (!frac.empty()) {
        out.push_back('.');
        out += frac;
    }
    return out;
}

namespace {
std::string display_text(Book *book, const Sheet &sheet, const Cell &cell);
} // namespace

std::string cell_display_text(Book *book, const Sheet &sheet, const Cell &cell) {
    std::string out;
    cell_display_into(book, sheet, cell, out);
    return out;
}

void cell_display_into(Book *book, const Sheet &sheet, const Cell &cell, std::string &out) {
    // The common forms without a temporary: whole numbers and shared texts.
    if (cell.aux == 0) {
        if (cell.kind == CELL_SHARED_TEXT) {
            const auto &sst = model(book).sst;
            if (cell.num >= 0 && static_cast<size_t>(cell.num) < sst.size()) out.assign(sst[cell.num]);
            else out.clear();
            return;
        }
        if (cell.kind == CELL_INTEGER && !texts_of(sheet, cell)) {
            char buf[16];
            out.assign(buf, std::to_chars(buf, buf + sizeof buf, cell.num).ptr);
            return;
        }
    }
    out = display_text(book, sheet, cell);
}

namespace {

std::string display_text(Book *book, const Sheet &sheet, const Cell &cell) {
    const CellText *t = texts_of(sheet, cell);
    static const std::string none;
    const std::string &value = t ? t->value : none;
    if (cell.kind == CELL_FORMULA) return none;   // no result yet
    if (cell.kind == CELL_FORMULA2) {
        // The cached result: a text, a boolean, an error value or a number
        // shown through the cell's format.
        if (cell.num == FORMULA_TEXT || cell.num == FORMULA_ERROR) return value;
        if (cell.num == FORMULA_BOOL) return value == "1" || value == "TRUE" ? "TRUE" : "FALSE";
        if (value.empty()) return value;
        FormatClass fc = style_format_class(model(book), cell.style);
        double v = std::strtod(value.c_str(), nullptr);
        if (fc.kind == CELL_DATE || fc.kind == CELL_TIME_HMS) {
            double serial = v + (model(book).settings.date1904 ? 1462 : 0);
            if (!(serial >= 0 && serial < 2958466)) return "##ERROR##";
            return date_display_serial(fc.kind == CELL_DATE && serial != std::floor(serial) ? int{CELL_DATE_TIME} : int{fc.kind},
                                       serial, fc.key);
        }
        return number_display_double(v);
    }
    if (cell.aux & CELL_AUX_BOOL) return cell.num ? "TRUE" : "FALSE";
    if (cell.aux & CELL_AUX_ERROR) return error_name(cell.num);
    switch (cell.kind) {
    case CELL_TEXT_ONLY: return value;
    case CELL_SHARED_TEXT: {
        const auto &sst = model(book).sst;
        return cell.num >= 0 && static_cast<size_t>(cell.num) < sst.size() ? std::string(sst[cell.num]) : none;
    }
    case CELL_INTEGER:
    case CELL_DECIMAL:
    case CELL_PERCENT:
        if (holds_double(cell)) return number_display_double(cell_double(cell));
        if (!t) return std::to_string(cell.num);   // a whole number read from a workbook
        if (value.size() > 4000) {
            bool quoted = value.size() == 4002 && ((value.front() == '"' && value.back() == '"') ||
                                                   (value.front() == '\'' && value.back() == '\''));
            return quoted ? value : "##ERROR##";
        }
        return number_display_text(value);
    case CELL_DATE:
    case CELL_DATE_TIME:
    case CELL_TIME_HM:
    case CELL_TIME_HMS: {
        int key = 0;
        const Model &m = model(book);
        if (cell.style > 0 && cell.style <= m.xfs.size()) {
            const Xf &xf = m.xfs[cell.style - 1];
            if (xf.nf_mode == 1 && xf.numfmt > 0 && static_cast<size_t>(xf.numfmt) <= m.numfmts.size())
                key = m.numfmts[xf.numfmt - 1].key;
        }
        // A book read from a file may count its serials from 1904.
        const int32_t shift = m.settings.date1904 ? 1462 : 0;
        if (holds_double(cell)) {
            double serial = cell_double(cell) + shift;
            if (!(serial >= 0 && serial < 2958466)) return "##ERROR##";
            return date_display_serial(cell.kind, serial, key);
        }
        return date_display_text(cell.kind, cell.num + shift, value, key);
    }
    default: return none;
    }
}

} // namespace

} // namespace vel
