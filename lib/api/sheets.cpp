// Sheets of a book: creating, selecting and copying them from the option
// text of VXLS_open_sheet, and the calls that report sheet names and sizes.
#include "api/sheets.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "api/book.h"
#include "api/options.h"
#include "model/model.h"

namespace vel {

namespace {

constexpr size_t SHEET_NAME_CHARS = 31;   // longest name kept whole, in characters
constexpr size_t SHEET_NAME_KEEP = 29;    // characters a longer name keeps

enum SheetMode { SHEET_CREATE, SHEET_READ, SHEET_UPDATE, SHEET_TEMPLATE };
enum SheetKey { KEY_SHEET_NAME, KEY_MODE, KEY_TEMPLATE };

struct Word {
    const char *text;
    int code;
};

constexpr Word kSheetKeys[] = {
    {"SHEET_NAME", KEY_SHEET_NAME}, {"シート", KEY_SHEET_NAME},
    {"MODE", KEY_MODE},             {"モード", KEY_MODE},
    {"TEMPLATE", KEY_TEMPLATE},     {"テンプレート", KEY_TEMPLATE},
};

constexpr Word kSheetModes[] = {
    {"CREATE", SHEET_CREATE}, {"新規", SHEET_CREATE},       {"READ", SHEET_READ},
    {"読込", SHEET_READ},     {"読み込み", SHEET_READ},     {"UPDATE", SHEET_UPDATE},
    {"更新", SHEET_UPDATE},   {"TEMPLATE", SHEET_TEMPLATE}, {"テンプレート", SHEET_TEMPLATE},
};

template <size_t N>
int lookup(const Word (&table)[N], std::string_view word) {
    for (const Word &w : table)
        if (same_nocase(word, w.text)) return w.code;
    return -1;
}

bool is_utf8_lead(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// Byte offset where the character numbered `n` (0-based) starts, or the size.
size_t char_offset(std::string_view s, size_t n) {
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (!is_utf8_lead(s[i])) continue;
        if (count == n) return i;
        ++count;
    }
    return s.size();
}

size_t char_count(std::string_view s) {
    size_t count = 0;
    for (char c : s) count += is_utf8_lead(c);
    return count;
}

struct SheetOptions {
    std::string name;      // UTF-8
    std::string source;    // template sheet name, UTF-8
    int mode = SHEET_CREATE;
};

int parse_sheet_options(XLS_BOOK *book, std::string_view text, SheetOptions &opt) {
    int cs = env(book)->charset;
    std::string key, eq, value;
    size_t pos = 0;
    for (;;) {
        int rc = read_option_token(cs, text, pos, key);
        if (rc == TOKEN_END) return 0;
        if (rc != 0) return -3;
        std::string key8 = to_utf8(book, key);
        int which = lookup(kSheetKeys, key8);
        if (which < 0) return vlt_error(book, -3, msg::E02200, key8.c_str());

        rc = read_option_token(cs, text, pos, eq);
        if (rc != 0) return -3;
        if (eq != "=") return vlt_error(book, -3, msg::E02303, to_utf8(book, eq).c_str());
        rc = read_option_token(cs, text, pos, value);
        if (rc == TOKEN_TOO_LONG && which != KEY_MODE) return vlt_error(book, -909, msg::E03009, XLS_SHEET_LEN, "XLS_SHEET_LEN");
        if (rc != 0) return -3;
        value = std::string(strip_double_quotes(value));
        std::string value8 = to_utf8(book, value);

        switch (which) {
        case KEY_SHEET_NAME:
            opt.name = std::move(value8);
            break;
        case KEY_TEMPLATE:
            opt.source = std::move(value8);
            break;
        case KEY_MODE:
            opt.mode = lookup(kSheetModes, value8);
            if (opt.mode < 0) return -3;
            break;
        }
    }
}

int open_sheet(XLS_BOOK *book, const char *options) {
    SheetOptions opt;
    if (int rc = parse_sheet_options(book, options, opt); rc != 0) return rc;
    for (std::string *name : {&opt.name, &opt.source}) {
        if (!shorten_sheet_name(*name))
            return vlt_error(book, -909, msg::E03009, XLS_SHEET_LEN, "XLS_SHEET_LEN");
    }
    // A name a workbook cannot carry would make the saved file unreadable.
    auto refuse_name = [&](const std::string &name) {
        return vlt_error(book, -3, msg::E02320, name.c_str());
    };
    Model &m = model(book);

    switch (opt.mode) {
    case SHEET_CREATE:
        if (template_mode(book)) return vlt_error(book, -3, msg::E02209B);
        if (opt.name.empty()) {
            opt.name = next_sheet_name(book);
        } else {
            if (vlt_find_sheet(book, opt.name) >= 0) return vlt_error(book, -3, msg::E02321, opt.name.c_str());
            if (!valid_sheet_name(opt.name)) return refuse_name(opt.name);
        }
        return vlt_add_sheet(book, opt.name);

    case SHEET_READ:
    case SHEET_UPDATE: {
        int index = vlt_find_sheet(book, opt.name);
        if (index < 0) return vlt_error(book, -801, msg::E02320, opt.name.c_str());
        book->current_sheet = index;
        return 0;
    }

    case SHEET_TEMPLATE: {
        if (opt.source.empty()) return vlt_error(book, -3, msg::E02322);
        if (opt.name.empty()) {
            opt.name = next_sheet_name(book);
        } else {
            // Two sheets of one name would make the saved workbook unreadable.
            if (vlt_find_sheet(book, opt.name) >= 0) return vlt_error(book, -3, msg::E02321, opt.name.c_str());
            if (!valid_sheet_name(opt.name)) return refuse_name(opt.name);
        }
        int source = vlt_find_sheet(book, opt.source);
        if (source < 0) return vlt_error(book, -801, msg::E03002, opt.source.c_str());
        if (int rc = vlt_add_sheet(book, opt.name); rc != 0) return rc;
        m.sheets.back().copied_from = source;
        return 0;
    }
    }
    return -3;
}

} // namespace

int vlt_find_sheet(XLS_BOOK *book, std::string_view name) {
    if (name.empty()) return -1;
    auto &sheets = model(book).sheets;
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].name == name) return static_cast<int>(i);
    return -1;
}

int vlt_add_sheet(XLS_BOOK *book, std::string_view name) {
    Model &m = model(book);
    try {
        Sheet sheet;
        sheet.name.assign(name);
        sheet.number = static_cast<int32_t>(m.sheets.size());
        m.sheets.push_back(std::move(sheet));
    } catch (const std::bad_alloc &) {
        return vlt_error(book, -2, msg::E00002);
    }
    book->current_sheet = static_cast<int>(m.sheets.size()) - 1;
    vlt_sync_sheets(book);
    return 0;
}

bool valid_sheet_name(std::string_view name) {
    if (name.empty() || name.front() == '\'' || name.back() == '\'') return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
        if (std::strchr(":\\/?*[]", c)) return false;
    }
    return true;
}

std::string next_sheet_name(XLS_BOOK *book) {
    char name[32];
    for (long n = static_cast<long>(model(book).sheets.size()) + 1;; ++n) {
        std::snprintf(name, sizeof name, "Sheet%ld", n);
        if (vlt_find_sheet(book, name) < 0) return name;
    }
}

bool shorten_sheet_name(std::string &name) {
    if (name.size() >= SHEET_NAME_CHARS && char_count(name) > SHEET_NAME_CHARS) {
        bool quoted = name.front() == '"';
        name.resize(char_offset(name, SHEET_NAME_KEEP));
        if (quoted) name += '"';
    }
    return name.size() <= static_cast<size_t>(XLS_SHEET_LEN);
}

} // namespace vel

using namespace vel;

extern "C" {

int VXLS_open_sheet(XLS_BOOK *book, const char *options) {
    if (!book_is_open(book) || !options) return -3;
    return vlt_guard(book, [&] { return open_sheet(book, options); });
}

int VXLS_open_sheet2(XLS_BOOK *book, int index) {
    if (!book_is_open(book)) return -3;
    if (index < 0 || index >= static_cast<int>(model(book).sheets.size())) return -801;
    book->current_sheet = index;
    return 0;
}

int VXLS_sheet_num(XLS_BOOK *book) {
    return book_is_open(book) ? static_cast<int>(model(book).sheets.size()) : 0;
}

int VXLS_sheet_name(XLS_BOOK *book, int index, char *name) {
    if (name) name[0] = '\0';
    if (!book_is_open(book)) return -3;
    if (index < 0 || index >= static_cast<int>(model(book).sheets.size())) return -801;
    if (!name) return -3;
    return vlt_guard(book, [&] {
        std::string text = from_utf8(book, model(book).sheets[index].name);
        // The caller's buffer holds XLS_SHEET_LEN bytes and the terminator.
        size_t n = text.size();
        if (n > static_cast<size_t>(XLS_SHEET_LEN)) {
            n = XLS_SHEET_LEN;
            int cs = env(book)->charset;
            size_t end = 0;
            while (end < text.size()) {
                size_t len = char_bytes(cs, static_cast<unsigned char>(text[end]));
                if (end + len > n) break;
                end += len;
            }
            n = end;
        }
        std::memcpy(name, text.data(), n);
        name[n] = '\0';
        return 0;
    });
}

int VXLS_row_num(XLS_BOOK *book) {
    if (!book_is_open(book)) return 0;
    auto &sheets = model(book).sheets;
    int cur = book->current_sheet;
    if (cur < 0 || cur >= static_cast<int>(sheets.size())) return 0;
    return sheets[cur].used_rows;
}

int VXLS_column_num(XLS_BOOK *book, int row) {
    if (!book_is_open(book) || row < 0) return 0;
    auto &sheets = model(book).sheets;
    int cur = book->current_sheet;
    if (cur < 0 || cur >= static_cast<int>(sheets.size())) return 0;
    const Sheet &sheet = sheets[cur];
    if (row >= static_cast<int>(sheet.rows.size())) return 0;
    return sheet.rows[row].used;
}

} // extern "C"
