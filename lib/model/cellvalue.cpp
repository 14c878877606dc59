// Values read from workbooks: numbers held in cells, booleans, error
// values, and the classes of number formats.
#include "model/cellvalue.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "model/numfmt.h"

namespace vel {

bool cell_number(const Sheet &s, const Cell &c, double &out) {
    switch (c.kind) {
    case CELL_INTEGER:
    case CELL_DECIMAL:
    case CELL_PERCENT:
    case CELL_DATE:
    case CELL_DATE_TIME:
    case CELL_TIME_HM:
    case CELL_TIME_HMS:
        break;
    default:
        return false;
    }
    if (c.aux & (CELL_AUX_BOOL | CELL_AUX_ERROR)) return false;
    if (holds_double(c)) {
        out = cell_double(c);
        return true;
    }
    const CellText *t = texts_of(s, c);
    if (c.kind == CELL_INTEGER || c.kind == CELL_DATE || !t || t->value.empty()) {
        out = c.num;
        if ((c.kind == CELL_DATE_TIME || c.kind == CELL_TIME_HM || c.kind == CELL_TIME_HMS) && t)
            out += std::strtod(t->value.c_str(), nullptr);
        return true;
    }
    // Number cells keep their canonical text; date-times their day fraction.
    double v = std::strtod(t->value.c_str(), nullptr);
    out = c.kind == CELL_DATE_TIME || c.kind == CELL_TIME_HM || c.kind == CELL_TIME_HMS ? c.num + v : v;
    return true;
}

const char *error_name(int code) {
    switch (code) {
    case ERR_NULL: return "#NULL!";
    case ERR_DIV0: return "#DIV/0!";
    case ERR_VALUE: return "#VALUE!";
    case ERR_REF: return "#REF!";
    case ERR_NAME: return "#NAME?";
    case ERR_NUM: return "#NUM!";
    case ERR_GETTING_DATA: return "#GETTING_DATA";
    default: return "#N/A";
    }
}

int error_code(std::string_view name) {
    for (int code : {ERR_NULL, ERR_DIV0, ERR_VALUE, ERR_REF, ERR_NAME, ERR_NUM, ERR_NA, ERR_GETTING_DATA})
        if (name == error_name(code)) return code;
    return -1;
}

std::string_view builtin_format_code(int id) {
    switch (id) {
    case 0: return "General";
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 5: return "\"¥\"#,##0;\"¥\"\\-#,##0";
    case 6: return "\"¥\"#,##0;[Red]\"¥\"\\-#,##0";
    case 7: return "\"¥\"#,##0.00;\"¥\"\\-#,##0.00";
    case 8: return "\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 12: return "# ?/?";
    case 13: return "# ?" "?/?" "?";
    case 14: return "yyyy/m/d";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "yyyy/m/d h:mm";
    case 27: case 36: case 50: case 57: return "[$-411]ge.m.d";
    case 28: case 29: case 51: case 54: case 58: return "[$-411]ggge\"年\"m\"月\"d\"日\"";
    case 30: return "m/d/yy";
    case 31: return "yyyy\"年\"m\"月\"d\"日\"";
    case 32: return "h\"時\"mm\"分\"";
    case 33: return "h\"時\"mm\"分\"ss\"秒\"";
    case 34: case 52: case 55: return "yyyy\"年\"m\"月\"";
    case 35: case 53: case 56: return "m\"月\"d\"日\"";
    case 37: return "#,##0 ;(#,##0)";
    case 38: return "#,##0 ;[Red](#,##0)";
    case 39: return "#,##0.00;(#,##0.00)";
    case 40: return "#,##0.00;[Red](#,##0.00)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mm:ss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    default: return {};
    }
}

FormatClass classify_format(std::string_view code) {
    FormatClass fc;
    fc.key = static_cast<uint16_t>(format_key_of_code(code));
    // The letters of the first section outside quotes, escapes and brackets
    // (elapsed [h], [m], [s] count as time letters).
    bool year = false, month_or_minute = false, day = false, hour = false, second = false, era = false,
         percent = false;
    const size_t end = code.find(';') == std::string_view::npos ? code.size() : code.find(';');
    auto at = [&](size_t i, std::string_view word) {
        if (i + word.size() > end) return false;
        for (size_t k = 0; k < word.size(); ++k)
            if ((code[i + k] | 0x20) != word[k]) return false;
        return true;
    };
    for (size_t i = 0; i < end; ++i) {
        char ch = code[i];
        if (ch == '"') {
            size_t close = code.find('"', i + 1);
            i = close == std::string_view::npos ? end : close;
            continue;
        }
        if (ch == '\\' || ch == '_' || ch == '*') {
            ++i;
            continue;
        }
        if (ch == '[') {
            size_t close = code.find(']', i + 1);
            std::string_view inner = code.substr(i + 1, close == std::string_view::npos ? 0 : close - i - 1);
            if (inner == "h" || inner == "hh") hour = true;
            else if (inner == "m" || inner == "mm") month_or_minute = hour = true;
            else if (inner == "s" || inner == "ss") second = true;
            i = close == std::string_view::npos ? end : close;
            continue;
        }
        if (at(i, "general")) {
            i += 6;
            continue;
        }
        if (at(i, "am/pm") || at(i, "a/p")) {
            hour = true;
            i += at(i, "am/pm") ? 4 : 2;
            continue;
        }
        switch (ch | 0x20) {
        case 'y': year = true; break;
        case 'm': month_or_minute = true; break;
        case 'd': day = true; break;
        case 'h': hour = true; break;
        case 's': second = true; break;
        case 'b': year = true; break;   // Buddhist-era years
        case 'g': era = true; break;
        case 'e':
            // "E+" and "E-" are the exponent of scientific formats.
            if (i + 1 < end && (code[i + 1] == '+' || code[i + 1] == '-')) ++i;
            else era = true;
            break;
        default:
            if (ch == '%') percent = true;
            break;
        }
    }
    const bool date = year || day || era || (month_or_minute && !hour && !second);
    const bool time = hour || second;
    if (date || time) {
        fc.kind = date ? CELL_DATE : CELL_TIME_HMS;
        if (fc.key < 300 || fc.key >= 500) {
            if (date && time) fc.key = FMT_DATE_TIME;
            else if (date) fc.key = !day ? FMT_YEAR_MONTH : !year && !era ? 306 : FMT_DATE;
            else fc.key = second ? FMT_HMS : FMT_HM;
        }
    } else if (percent) {
        fc.kind = CELL_PERCENT;
    }
    return fc;
}

FormatClass style_format_class(const Model &m, int style) {
    if (style <= 0 || static_cast<size_t>(style) > m.xfs.size()) return FormatClass{};
    const Xf &xf = m.xfs[style - 1];
    if (xf.nf_mode == 1) {
        if (xf.numfmt <= 0 || static_cast<size_t>(xf.numfmt) > m.numfmts.size()) return FormatClass{};
        const NumFmt &nf = m.numfmts[xf.numfmt - 1];
        if (!nf.code.empty()) return classify_format(nf.code);
        FormatClass fc;
        fc.key = nf.key;
        fc.kind = nf.key >= 300 && nf.key < 400 ? CELL_DATE : nf.key >= 400 && nf.key < 500 ? CELL_TIME_HMS
                  : nf.key == FMT_PERCENT || nf.key == FMT_PERCENT_DECIMALS ? CELL_PERCENT : CELL_DECIMAL;
        return fc;
    }
    if (xf.nf_mode != 0) return FormatClass{};
    std::string_view code = builtin_format_code(xf.numfmt);
    return code.empty() ? FormatClass{} : classify_format(code);
}

void store_read_number(Cell &c, double v, uint8_t format_kind, uint16_t style) {
    c.style = style;
    c.aux = 0;
    c.text = 0;
    const bool whole = v == std::floor(v) && v >= -2147483648.0 && v <= 2147483647.0;
    switch (format_kind) {
    case CELL_DATE:
        if (whole && v >= 0) {
            c.kind = CELL_DATE;
            c.num = static_cast<int32_t>(v);
        } else {
            set_cell_double(c, CELL_DATE_TIME, v);
        }
        return;
    case CELL_TIME_HMS:
        set_cell_double(c, CELL_TIME_HMS, v);
        return;
    case CELL_PERCENT:
        set_cell_double(c, CELL_PERCENT, v);
        return;
    default:
        if (whole) {
            c.kind = CELL_INTEGER;
            c.num = static_cast<int32_t>(v);
        } else {
            set_cell_double(c, CELL_DECIMAL, v);
        }
        return;
    }
}

void store_read_bool(Cell &c, bool v, uint16_t style) {
    c.kind = CELL_INTEGER;
    c.aux = CELL_AUX_BOOL;
    c.num = v ? 1 : 0;
    c.text = 0;
    c.style = style;
}

void store_read_error(Cell &c, int code, uint16_t style) {
    c.kind = CELL_INTEGER;
    c.aux = CELL_AUX_ERROR;
    c.num = code;
    c.text = 0;
    c.style = style;
}

std::string double_text(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string out(buf, r.ptr);
    // The exponent as the spreadsheet writes it: "1E+20", "1.5E-7".
    if (size_t e = out.find('e'); e != std::string::npos) {
        out[e] = 'E';
        if (e + 1 < out.size() && out[e + 1] != '-' && out[e + 1] != '+') out.insert(e + 1, "+");
    }
    return out;
}

} // namespace vel
