// Corpus workbooks through the reading calls, against their expected files.
#include "corpus_check.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "book_access.h"
#include "json_lite.h"
#include "test_support.h"
#include "velmora.h"

namespace vtest {

namespace {

std::string format(const char *fmt, int a, int b = 0, int c = 0, int d = 0, int e = 0) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b, c, d, e);
    return buf;
}

// The calendar value of a serial; the 1900 system counts the fictitious 1900-02-29 as day 60.
struct Calendar {
    int year, month, day, hour, minute, second;
};

Calendar calendar_of(double serial, bool date1904) {
    using namespace std::chrono;
    if (date1904) serial += 1462;
    long long total = std::llround(serial * 86400.0);
    long long days = total / 86400, secs = total % 86400;
    Calendar c{1900, 2, 29, static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
               static_cast<int>(secs % 60)};
    if (days == 0) {
        c.month = 1, c.day = 0;   // serial 0 shows as 1900/1/0
    } else if (days != 60) {
        sys_days base = sys_days{year{1899} / December / 31} + std::chrono::days{days > 60 ? days - 1 : days};
        year_month_day ymd{base};
        c.year = static_cast<int>(ymd.year());
        c.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
        c.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    }
    return c;
}

// Every way the reading calls may show a date or time, one per display form.
std::vector<std::string> date_forms(const Calendar &c) {
    static const char *months[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
    const int yy = c.year >= 2000 ? c.year - 2000 : c.year - 1900;
    const int h12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
    const std::string ampm = c.hour < 12 ? "AM" : "PM";
    const std::string mon = months[c.month - 1];
    std::vector<std::string> f = {
        format("%d/%d/%d", c.year, c.month, c.day),
        format("%d/%d/%d %02d:%02d", c.year, c.month, c.day, c.hour, c.minute),
        format("%d/%d/%d %02d:%02d", c.year, c.month, c.day, h12, c.minute) + " " + ampm,
        format("%d/%d", c.year, c.month),
        format("%d/%d", c.month, c.day),
        format("%d/%d/%02d", c.month, c.day, yy),
        format("%02d/%02d/%02d", c.month, c.day, yy),
        format("%d-", c.day) + mon,
        format("%d-", c.day) + mon + format("-%02d", yy),
        format("%02d-", c.day) + mon + format("-%02d", yy),
        mon + format("-%02d", yy),
        format("%d月%d日", c.month, c.day),
        format("%d年%d月", c.year, c.month),
        format("%d年%d月%d日", c.year, c.month, c.day),
        format("%02d:%02d", c.hour, c.minute),
        format("%d時%d分", c.hour, c.minute),
        format("%02d:%02d", h12, c.minute) + " " + ampm,
        format("%d:%02d:%02d", c.hour, c.minute, c.second),
        format("%d時%02d分%02d秒", c.hour, c.minute, c.second),
        format("%d:%02d:%02d", h12, c.minute, c.second) + " " + ampm,
        format("%02d:%02d", c.minute, c.second),
    };
    // Japanese eras.
    struct Era {
        int y, m, d;
        const char *name, *letter;
        int base;
    };
    static const Era eras[] = {{2019, 5, 1, "令和", "R", 2018}, {1989, 1, 8, "平成", "H", 1988},
                               {1926, 12, 25, "昭和", "S", 1925}, {1912, 7, 30, "大正", "T", 1911},
                               {1900, 1, 1, "明治", "M", 1867}};
    for (const Era &e : eras) {
        if (std::tie(c.year, c.month, c.day) < std::tie(e.y, e.m, e.d)) continue;
        f.push_back(e.letter + format("%d.%d.%d", c.year - e.base, c.month, c.day));
        f.push_back(e.name + format("%d年%d月%d日", c.year - e.base, c.month, c.day));
        break;
    }
    return f;
}

bool number_agrees(const std::string &shown, double expected) {
    char *end = nullptr;
    double v = std::strtod(shown.c_str(), &end);
    if (shown.empty() || *end != '\0') return false;
    double tolerance = std::max(1e-9 * std::fabs(expected), 1e-12);
    return std::fabs(v - expected) <= tolerance;
}

std::string describe(const Json &value) {
    std::ostringstream o;
    o.precision(17);
    const Json &type = value.items.size() > 0 ? value.items[0] : value;
    o << type.s << " ";
    if (value.items.size() > 1) {
        const Json &v = value.items[1];
        if (v.type == Json::string) o << '"' << v.s << '"';
        else if (v.type == Json::number) o << v.n;
        else if (v.type == Json::boolean) o << (v.b ? "true" : "false");
    }
    return o.str();
}

// Long texts are expected as their length in characters, first 40 and last 20 characters.
bool abbreviation_agrees(const std::string &shown, const Json &v) {
    std::vector<size_t> starts; // byte offset of each character
    for (size_t i = 0; i < shown.size(); ++i)
        if ((static_cast<unsigned char>(shown[i]) & 0xC0) != 0x80) starts.push_back(i);
    const size_t length = static_cast<size_t>(v["length"].n);
    if (starts.size() != length || length < 60) return false;
    return shown.compare(0, starts[40], v["head"].s) == 0 && shown.substr(starts[length - 20]) == v["tail"].s;
}

std::string shortened(const std::string &text) {
    if (text.size() <= 80) return text;
    size_t cut = 60;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut) + "... (" + std::to_string(text.size()) + " bytes)";
}

// Opens `file` (a path) in MODE=READ and compares it with its expected file.
CorpusResult check_corpus_workbook(const std::string &file) {
    CorpusResult r;
    const Json expected = JsonParser(read_file(file + ".expected.json")).parse();
    // Strict packages the independent reader read only after mapping the namespaces: those values are expected.
    const Json *strict = expected.get("strict_translated");
    r.readable = expected["readable"].b || strict;
    XLS_BOOK book{};
    r.open_rc = VXLS_open_book(&book, ("CHARSET=UTF8 MODE=READ BOOK=\"" + file + "\"").c_str());
    r.open_message = book.error_info;
    if (r.open_rc != 0 || !r.readable) {
        VXLS_free_book(&book);
        return r;
    }
    const Json &wb = strict ? (*strict)["workbook"] : expected["workbook"];
    const bool date1904 = wb["date_system"].s == "1904";
    auto fail = [&](const std::string &where, const std::string &what) { r.disagreements.push_back(where + ": " + what); };

    std::vector<std::string> names;
    for (int i = 0, n = VXLS_sheet_num(&book); i < n; ++i) {
        char name[XLS_SHEET_NAME_LEN];
        VXLS_sheet_name(&book, i, name);
        names.push_back(name);
    }
    int last_index = -1;
    static char value[70000];
    for (const Json &sheet : wb["sheets"].items) {
        const std::string name = sheet["name"].s;
        auto found = std::find(names.begin(), names.end(), name);
        if (found == names.end()) {
            fail(name, "no such sheet");
            continue;
        }
        const int index = static_cast<int>(found - names.begin());
        if (index < last_index) fail(name, "sheet out of order");
        last_index = index;
        const vel::Sheet &model_sheet = book_of(&book).model.sheets[index];
        const std::string visibility = model_sheet.very_hidden ? "veryHidden"
                                       : model_sheet.sw_hidden == VXLS_ON ? "hidden" : "visible";
        if (sheet["visibility"].s != visibility) fail(name, "visibility " + visibility);

        std::set<std::string> merged_expected, merged_read;
        for (const Json &m : sheet["merged"].items) merged_expected.insert(m.s);
        for (const vel::Range &m : model_sheet.merges) {
            char range[40];
            VXLS_cell_range(m.r1 + 1, m.c1 + 1, m.r2 + 1, m.c2 + 1, range);
            merged_read.insert(range);
        }
        if (merged_expected != merged_read) fail(name, "merged ranges differ");

        const Json *decoded = sheet.get("ooxml_escapes_decoded");
        if (!decoded) decoded = expected.get("ooxml_escapes_decoded");
        if (VXLS_open_sheet2(&book, index) != 0) fail(name, "cannot select the sheet");
        for (const auto &[ref, cell] : sheet["cells"].fields) {
            ++r.cells;
            const std::string where = name + "!" + ref;
            int rc = VXLS_get_cell(&book, ref.c_str(), value, sizeof value, nullptr, 0);
            const std::string type = cell.items.empty() ? "" : cell.items[0].s;
            const Json none;
            const Json &v = cell.items.size() > 1 ? cell.items[1] : none;
            if (rc != 0) {
                if (type != "blank") fail(where, "rc " + std::to_string(rc) + ", expected " + describe(cell));
                continue;
            }
            const std::string shown = value;
            bool ok = true;
            if (type == "text" && v.type == Json::object) ok = abbreviation_agrees(shown, v);
            else if (type == "text") ok = shown == (decoded && decoded->get(ref) ? (*decoded)[ref].s : v.s);
            else if (type == "boolean") ok = shown == (v.b ? "TRUE" : "FALSE");
            else if (type == "error") ok = shown == v.s;
            else if (type == "blank") ok = shown.empty();
            else if (type == "number" || type == "date") {
                // Readers differ on which formats are dates: as a number or as the calendar value.
                const auto forms = v.n >= 0 ? date_forms(calendar_of(v.n, date1904)) : std::vector<std::string>();
                ok = number_agrees(shown, v.n) || std::find(forms.begin(), forms.end(), shown) != forms.end();
            }
            if (!ok) fail(where, "shown \"" + shortened(shown) + "\", expected " + shortened(describe(cell)));
        }
    }
    VXLS_free_book(&book);
    return r;
}

// The lines "FILE TEXT # reason" of the listed file ("#" lines are comments) as FILE and TEXT.
std::vector<std::pair<std::string, std::string>> listed_disagreements(const std::string &path) {
    std::vector<std::pair<std::string, std::string>> out;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const size_t blank = line.find(' ');
        if (line.empty() || line[0] == '#' || blank == std::string::npos) continue;
        const size_t reason = line.find(" #");
        const size_t length = reason == std::string::npos ? reason : reason - blank - 1;
        out.emplace_back(line.substr(0, blank), line.substr(blank + 1, length));
    }
    return out;
}

} // namespace

CorpusRun check_corpus(const std::vector<std::string> &extensions, const std::string &listed_file) {
    CorpusRun run;
    const auto known = listed_disagreements(listed_file);
    for (const std::string &file : corpus_files(extensions)) {
        CorpusResult r = check_corpus_workbook(file);
        const std::string base = file.substr(file.rfind('/') + 1);
        if (!r.readable) {
            run.refused.emplace_back(base, r);
            continue;
        }
        ++run.books;
        run.cells += r.cells;
        if (r.open_rc != 0) run.failures.push_back(base + ": open rc " + std::to_string(r.open_rc) + " " + r.open_message);
        for (const std::string &d : r.disagreements) {
            auto accepts = [&](const auto &k) { return k.first == base && d.find(k.second) != std::string::npos; };
            if (std::none_of(known.begin(), known.end(), accepts)) run.failures.push_back(base + " " + d);
        }
    }
    return run;
}

} // namespace vtest
