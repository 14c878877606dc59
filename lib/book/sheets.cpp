// Sheets of a book: creating, selecting and copying them from the option
// text of the sheet call, and the calls that report sheet names and sizes.
#include "book/sheets.h"

#include <cstdio>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "model/sheets.h"
#include "property/options.h"

namespace vel {

namespace {

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

struct SheetOptions {
    std::string name;      // UTF-8
    std::string source;    // template sheet name, UTF-8
    int mode = SHEET_CREATE;
};

int parse_sheet_options(Book &book, std::string_view text, SheetOptions &opt) {
    const int cs = book.charset;
    std::string key, eq, value;
    size_t pos = 0;
    for (;;) {
        int got = read_option_token(cs, text, pos, key);
        if (got == TOKEN_END) return rc::OK;
        if (got != 0) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02210, "", OPTION_TOKEN_MAX);
        std::string key8 = to_utf8(&book, key);
        int which = lookup(kSheetKeys, key8);
        if (which < 0) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02200, key8.c_str());

        got = read_option_token(cs, text, pos, eq);
        if (got != 0 || eq != "=") return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02303, to_utf8(&book, eq).c_str());
        got = read_option_token(cs, text, pos, value);
        if (got == TOKEN_TOO_LONG && which != KEY_MODE)
            return vlt_error(&book, rc::OVERFLOW, msg::E03009, XLS_SHEET_LEN, "XLS_SHEET_LEN");
        if (got != 0) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02303, key8.c_str());
        value = std::string(strip_double_quotes(value));
        std::string value8;
        if (!checked_utf8(&book, value, value8)) {
            if (which == KEY_MODE) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02200, value8.c_str());
            return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02320, value8.c_str());
        }

        switch (which) {
        case KEY_SHEET_NAME:
            opt.name = std::move(value8);
            break;
        case KEY_TEMPLATE:
            opt.source = std::move(value8);
            break;
        case KEY_MODE:
            opt.mode = lookup(kSheetModes, value8);
            if (opt.mode < 0) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02200, value8.c_str());
            break;
        }
    }
}

} // namespace

int vlt_open_sheet(Book &book, std::string_view options) {
    SheetOptions opt;
    if (int got = parse_sheet_options(book, options, opt); got != 0) return got;
    if (!shorten_sheet_name(opt.source)) return vlt_error(&book, rc::OVERFLOW, msg::E03009, XLS_SHEET_LEN, "XLS_SHEET_LEN");

    switch (opt.mode) {
    case SHEET_CREATE:
        if (template_mode(&book)) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02209B);
        if (opt.name.empty()) opt.name = next_sheet_name(&book);
        else if (int got = check_new_sheet_name(&book, opt.name); got != 0) return got;
        return vlt_add_sheet(&book, opt.name);

    case SHEET_READ:
    case SHEET_UPDATE: {
        if (!shorten_sheet_name(opt.name)) return vlt_error(&book, rc::OVERFLOW, msg::E03009, XLS_SHEET_LEN, "XLS_SHEET_LEN");
        int index = vlt_find_sheet(&book, opt.name);
        if (index < 0) return vlt_error(&book, rc::NO_SHEET, msg::E02320, opt.name.c_str());
        book.current_sheet = index;
        return rc::OK;
    }

    case SHEET_TEMPLATE: {
        if (opt.source.empty()) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02322);
        if (opt.name.empty()) opt.name = next_sheet_name(&book);
        else if (int got = check_new_sheet_name(&book, opt.name); got != 0) return got;
        int source = vlt_find_sheet(&book, opt.source);
        if (source < 0) return vlt_error(&book, rc::NO_SHEET, msg::E03002, opt.source.c_str());
        return vlt_copy_sheet(&book, source, opt.name);
    }
    }
    return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02200, "MODE");
}

int vlt_select_sheet(Book &book, int index) {
    if (index < 0 || index >= static_cast<int>(book.model.sheets.size())) {
        char num[16];
        std::snprintf(num, sizeof num, "%d", index);
        return vlt_error(&book, rc::NO_SHEET, msg::E02320, num);
    }
    book.current_sheet = index;
    return rc::OK;
}

int vlt_sheet_name(Book &book, int index, std::string &name) {
    if (index < 0 || index >= static_cast<int>(book.model.sheets.size())) {
        char num[16];
        std::snprintf(num, sizeof num, "%d", index);
        return vlt_error(&book, rc::NO_SHEET, msg::E02320, num);
    }
    name = from_utf8(&book, book.model.sheets[index].name);
    // The caller's buffer holds XLS_SHEET_LEN bytes and the terminator.
    size_t end = 0;
    while (end < name.size()) {
        size_t len = char_bytes(book.charset, static_cast<unsigned char>(name[end]));
        if (end + len > static_cast<size_t>(XLS_SHEET_LEN)) break;
        end += len;
    }
    name.resize(end);
    return rc::OK;
}

int vlt_row_count(const Book &book) {
    const auto &sheets = book.model.sheets;
    int cur = book.current_sheet;
    if (cur < 0 || cur >= static_cast<int>(sheets.size())) return 0;
    return sheets[cur].used_rows;
}

int vlt_column_count(const Book &book, int row) {
    const auto &sheets = book.model.sheets;
    int cur = book.current_sheet;
    if (row < 0 || cur < 0 || cur >= static_cast<int>(sheets.size())) return 0;
    const Sheet &sheet = sheets[cur];
    if (row >= static_cast<int>(sheet.rows.size())) return 0;
    return sheet.rows[row].used;
}

} // namespace vel
