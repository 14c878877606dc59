// A book built by hand for the property-text tests, and recorders in place of the store, engine and variables.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "model/book.h"
#include "property/parser.h"
#include "property/put_values.h"

namespace ptest {

// A book of the given character set with sheets "Sheet1" (current) and any further names given.
class TestBook {
public:
    explicit TestBook(int charset = VXLS_CHARSET_UTF8, std::vector<std::string> more_sheets = {})
        : book_(std::make_unique<vel::Book>()) {
        book_->charset = charset;
        more_sheets.insert(more_sheets.begin(), "Sheet1");
        for (const auto &name : more_sheets) book_->model.sheets.emplace_back().name = name;
        book_->current_sheet = 0;
    }

    vel::Book *get() { return book_.get(); }
    vel::Book &env() { return *book_; }
    std::string error() const { return book_->diag.message; }
    void add_variable(const std::string &name, const std::string &value) {
        book_->model.variables.push_back(vel::Variable{name, value});
    }

private:
    std::unique_ptr<vel::Book> book_;
};

// Recording handlers for the item loop, the one alive being `active`; `next_rc` is what the next call returns.
// Items are kept as "c sheet row col current=value", "p kind sheet row col current=value" or "v name=value".
class Recorder {
public:
    Recorder() { active = this; }
    ~Recorder() { active = nullptr; }
    Recorder(const Recorder &) = delete;
    vel::ItemHandlers handlers() const { return vel::ItemHandlers{put_cell, apply, define}; }
    // The items joined by " | ".
    std::string log() const {
        std::string out;
        for (const std::string &item : items) out += (out.empty() ? "" : " | ") + item;
        return out;
    }

    static inline Recorder *active = nullptr;
    std::vector<std::string> items;
    int next_rc = 0;

private:
    static int record(vel::Book *book, int sheet, int row, int col, const char *value, size_t len, std::string item) {
        for (int n : {sheet, row, col, book->current_sheet}) item += std::to_string(n) + " ";
        item.back() = '=';
        active->items.push_back(item + std::string(value ? value : "", len));
        return active->next_rc;
    }
    static int put_cell(vel::Book *book, int sheet, int row, int col, const char *value, size_t len) {
        return record(book, sheet, row, col, value, len, "c ");
    }
    static int apply(vel::Book *book, int kind, const vel::PropTarget &t, const char *value, size_t len) {
        return record(book, t.sheet, t.row, t.col, value, len, "p " + std::to_string(kind) + " ");
    }
    static int define(vel::Book *, std::string_view name, std::string_view value) {
        active->items.push_back("v " + std::string(name) + "=" + std::string(value));
        return active->next_rc;
    }
};

// Text converted from UTF-8 into a character set.
inline std::string in_charset(const std::string &utf8, int charset) {
    std::string out;
    vel::convert_charset(out, utf8, VXLS_CHARSET_UTF8, charset);
    return out;
}

// Runs property text (UTF-8, converted to the book's set) through the item loop, into the active recorder.
inline int put_text(TestBook &b, const std::string &text_utf8) {
    b.get()->diag.begin_call();
    Recorder *rec = Recorder::active;
    return vel::vlt_put_values(b.get(), in_charset(text_utf8, b.env().charset),
                               rec ? rec->handlers() : vel::default_item_handlers());
}

} // namespace ptest
