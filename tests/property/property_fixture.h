// A book environment built by hand for the property-text tests, and
// recorders that stand in for the cell store, the engine and the variables.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "api/book.h"
#include "model/engine.h"
#include "property/parser.h"

namespace ptest {

// An open book of the given character set with sheets "Sheet1" (current)
// and any further names given; cleared from the handle on destruction.
class TestBook {
public:
    explicit TestBook(int charset = VXLS_CHARSET_UTF8, std::vector<std::string> more_sheets = {})
        : book_(std::make_unique<XLS_BOOK>()), env_(std::make_unique<vel::Env>()) {
        env_->charset = charset;
        book_->env = env_.get();
        book_->new_book = VXLS_ON;
        add_sheet("Sheet1");
        for (auto &name : more_sheets) add_sheet(name);
        book_->current_sheet = 0;
    }
    ~TestBook() { book_->env = nullptr; }
    TestBook(const TestBook &) = delete;
    TestBook &operator=(const TestBook &) = delete;

    XLS_BOOK *get() { return book_.get(); }
    vel::Env &env() { return *env_; }
    std::string error() const { return book_->error_info; }
    void add_sheet(const std::string &name_utf8) {
        env_->model.sheets.emplace_back();
        env_->model.sheets.back().name = name_utf8;
    }
    void add_variable(const std::string &name, const std::string &value) {
        env_->model.variables.push_back(vel::Variable{name, value});
    }

private:
    std::unique_ptr<XLS_BOOK> book_;
    std::unique_ptr<vel::Env> env_;
};

// One item as it reached a handler.
struct Item {
    char what = 0;        // 'c' cell, 'p' property, 'v' variable
    int sheet = -1, row = -1, col = -1, kind = -1, current_sheet = -1;
    int nranges = 0;
    int range[4] = {0, 0, 0, 0};
    std::string name, value;
};

// Installs recording handlers for its lifetime; `next_rc` is what the next
// handler call returns.
class Recorder {
public:
    Recorder() : saved_(vel::item_handlers()) {
        self() = this;
        vel::item_handlers() = vel::ItemHandlers{put_cell, apply, define};
    }
    ~Recorder() {
        vel::item_handlers() = saved_;
        self() = nullptr;
    }
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    std::vector<Item> items;
    int next_rc = 0;

private:
    static Recorder *&self() {
        static Recorder *current = nullptr;
        return current;
    }
    static int put_cell(XLS_BOOK *book, int sheet, int row, int col, const char *value, size_t len) {
        Item it; it.what = 'c';
        it.sheet = sheet;
        it.row = row;
        it.col = col;
        it.current_sheet = book->current_sheet;
        it.value.assign(value, len);
        self()->items.push_back(it);
        return self()->next_rc;
    }
    static int apply(XLS_BOOK *book, int kind, const vel::PropTarget &t, const char *value, size_t len) {
        Item it; it.what = 'p';
        it.kind = kind;
        it.sheet = t.sheet;
        it.row = t.row;
        it.col = t.col;
        it.nranges = t.nranges;
        if (t.nranges > 0)
            for (int i = 0; i < 4; ++i) it.range[i] = t.ranges[0][i];
        it.current_sheet = book->current_sheet;
        it.value.assign(value, len);
        self()->items.push_back(it);
        return self()->next_rc;
    }
    static int define(XLS_BOOK *, std::string_view name, std::string_view value) {
        Item it; it.what = 'v';
        it.name = name;
        it.value = value;
        self()->items.push_back(it);
        return self()->next_rc;
    }
    vel::ItemHandlers saved_;
};

// Text converted from UTF-8 into a character set.
inline std::string in_charset(const std::string &utf8, int charset) {
    std::string out;
    vel::convert_charset(out, utf8, VXLS_CHARSET_UTF8, charset);
    return out;
}

// The book's error_info converted to UTF-8.
inline std::string error_utf8(TestBook &b) { return vel::to_utf8(b.get(), b.get()->error_info); }

} // namespace ptest
