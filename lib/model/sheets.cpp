// Sheet records: lookup, creation and the rules that every sheet name obeys,
// whichever call sets it.
#include "model/sheets.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"

namespace vel {

namespace {

constexpr size_t SHEET_NAME_CHARS = 31;   // longest name kept whole, in characters
constexpr size_t SHEET_NAME_KEEP = 29;    // characters a longer name keeps

} // namespace

int vlt_find_sheet(const Book *book, std::string_view name) {
    if (name.empty()) return -1;
    const auto &sheets = book->model.sheets;
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].name == name) return static_cast<int>(i);
    return -1;
}

int vlt_add_sheet(Book *book, std::string_view name) {
    Model &m = book->model;
    try {
        Sheet sheet;
        sheet.name.assign(name);
        sheet.number = static_cast<int32_t>(m.sheets.size());
        m.sheets.push_back(std::move(sheet));
    } catch (const std::bad_alloc &) {
        return vlt_error(book, rc::NO_MEMORY, msg::E00002);
    }
    m.sheet_capacity = static_cast<int32_t>(m.sheets.capacity());
    book->current_sheet = static_cast<int>(m.sheets.size()) - 1;
    return rc::OK;
}

int vlt_copy_sheet(Book *book, int source, std::string_view name) {
    Model &m = book->model;
    if (source < 0 || static_cast<size_t>(source) >= m.sheets.size()) return rc::NO_SHEET;
    try {
        // The copy takes the original's cells, texts, rows, merges, widths
        // and settings; kept texts of a sheet read from a package are shared.
        Sheet copy = m.sheets[static_cast<size_t>(source)];
        copy.name.assign(name);
        copy.number = static_cast<int32_t>(m.sheets.size());
        copy.copied_from = source;
        copy.changed = true;
        m.sheets.push_back(std::move(copy));
    } catch (const std::bad_alloc &) {
        return vlt_error(book, rc::NO_MEMORY, msg::E00002);
    }
    m.sheet_capacity = static_cast<int32_t>(m.sheets.capacity());
    book->current_sheet = static_cast<int>(m.sheets.size()) - 1;
    return rc::OK;
}

bool valid_sheet_name(std::string_view name) {
    if (name.empty() || name.front() == '\'' || name.back() == '\'') return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
        if (std::strchr(":\\/?*[]", c)) return false;
    }
    return valid_utf8(name);
}

std::string next_sheet_name(const Book *book) {
    char name[32];
    for (long n = static_cast<long>(book->model.sheets.size()) + 1;; ++n) {
        std::snprintf(name, sizeof name, "Sheet%ld", n);
        if (vlt_find_sheet(book, name) < 0) return name;
    }
}

bool shorten_sheet_name(std::string &name) {
    if (name.size() >= SHEET_NAME_CHARS && utf8_count(name) > SHEET_NAME_CHARS) {
        bool quoted = name.front() == '"';
        name.resize(utf8_prefix(name, SHEET_NAME_KEEP));
        if (quoted) name += '"';
    }
    return name.size() <= static_cast<size_t>(XLS_SHEET_LEN);
}

int check_new_sheet_name(Book *book, std::string &name, int except) {
    if (!shorten_sheet_name(name)) return vlt_error(book, rc::OVERFLOW, msg::E03009, XLS_SHEET_LEN, "XLS_SHEET_LEN");
    int found = vlt_find_sheet(book, name);
    if (found >= 0 && found != except) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02321, name.c_str());
    if (!valid_sheet_name(name)) {
        std::string shown = repaired_utf8(name);
        return vlt_error(book, rc::BAD_ARGUMENT, msg::E02320, shown.c_str());
    }
    return rc::OK;
}

Sheet *sheet_at(Book *book, int index) {
    if (!book) return nullptr;
    auto &sheets = book->model.sheets;
    if (index < 0) index = book->current_sheet;
    if (index < 0 || index >= static_cast<int>(sheets.size())) return nullptr;
    return &sheets[index];
}

} // namespace vel
