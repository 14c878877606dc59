// The item loop of property text: key = value items go to the cell store,
// the property engine or the variable table.
#include "property/put_values.h"

#include <memory>
#include <string>
#include <vector>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "model/store.h"
#include "model/variables.h"
#include "property/address.h"
#include "property/engine.h"
#include "property/kinds.h"
#include "property/parser.h"
#include "property/tokenizer.h"

namespace vel {

ItemHandlers default_item_handlers() { return ItemHandlers{vlt_put_cell_at, vlt_apply_property, vlt_define_variable}; }

namespace {

// Token buffers, one pair per nesting level (a data-source load may call
// VXLS_put_values again from inside an item), kept for the thread's life so
// that a call allocates nothing once the thread has made its first one.
struct TokenBuffers {
    char key[TOKEN_MAX_OPTION + 1];
    char value[TOKEN_MAX_VALUE + 1];
};

class BufferLease {
public:
    BufferLease() {
        if (pool().size() <= depth()) pool().push_back(std::make_unique<TokenBuffers>());
        buffers_ = pool()[depth()].get();
        ++depth();
    }
    ~BufferLease() { --depth(); }
    BufferLease(const BufferLease &) = delete;
    BufferLease &operator=(const BufferLease &) = delete;
    TokenBuffers *operator->() const { return buffers_; }

private:
    static std::vector<std::unique_ptr<TokenBuffers>> &pool() {
        thread_local std::vector<std::unique_ptr<TokenBuffers>> buffers;
        return buffers;
    }
    static size_t &depth() {
        thread_local size_t level = 0;
        return level;
    }
    TokenBuffers *buffers_;
};

// Puts the remembered current sheet back when a cell item ends (or fails).
// A keyword item restores it before it is applied, so that a keyword that
// selects a sheet keeps its effect.
class CurrentSheet {
public:
    explicit CurrentSheet(Book *book) : book_(book), saved_(book->current_sheet) {}
    ~CurrentSheet() {
        if (armed_) book_->current_sheet = saved_;
    }
    CurrentSheet(const CurrentSheet &) = delete;
    CurrentSheet &operator=(const CurrentSheet &) = delete;
    void restore() {
        book_->current_sheet = saved_;
        armed_ = false;
    }

private:
    Book *book_;
    int32_t saved_;
    bool armed_ = true;
};

// Reads a key as a cell address, switching the current sheet for a key with
// a sheet prefix. Only keys with "!", or with a non-ASCII variable reference,
// are converted to UTF-8; every other key is read as it is.
bool read_cell_key(Book *book, std::string_view key, int &sheet, int &row, int &col) {
    sheet = -1;
    bool bang = false, expansion = false, ascii = true;
    for (char ch : key) {
        bang |= ch == '!';
        expansion |= ch == '$' || ch == '(';
        ascii &= static_cast<unsigned char>(ch) < 0x80;
    }
    if (!bang) {
        if (expansion && !ascii) return read_cell_name(book, to_utf8(book, key), row, col) == 0;
        return read_cell_name(book, key, row, col) == 0;
    }
    std::string u = to_utf8(book, key);
    std::string_view rest = u;
    sheet = find_sheet_prefix(book, u, rest);
    if (sheet >= 0) book->current_sheet = sheet;
    return read_cell_name(book, rest, row, col) == 0;
}

bool is_ascii(std::string_view s) {
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

// A value that is not valid text in the book's character set is refused
// where it enters, naming its key: it would otherwise reach the package.
bool value_is_text(Book *book, std::string_view value) {
    if (is_ascii(value)) return true;
    thread_local std::string scratch;
    return convert_charset(scratch, value, book->charset, VXLS_CHARSET_UTF8) == 0;
}

} // namespace

int vlt_put_values(Book *book, std::string_view text, const ItemHandlers &handlers) {
    const int charset = book->charset;
    BufferLease buffers;
    char *key = buffers->key;
    char *value = buffers->value;
    size_t pos = 0;
    for (;;) {
        size_t key_len = 0, len = 0;
        // A key that cannot be read (end of text, or too long) ends the call.
        if (vlt_get_token(TokenMode::Option, charset, text, pos, key, key_len) != 0) return 0;
        const std::string_view k(key, key_len);

        CurrentSheet current(book);
        int sheet = -1, row = -1, col = -1;
        const bool is_cell = read_cell_key(book, k, sheet, row, col);

        if (vlt_get_token(TokenMode::Option, charset, text, pos, value, len) != 0)
            return vlt_error(book, -3, msg::E02300, to_utf8(book, k).c_str());
        if (len != 1 || value[0] != '=')
            return vlt_error(book, -3, msg::E02303, to_utf8(book, std::string_view(value, len)).c_str());
        if (vlt_get_token(TokenMode::Value, charset, text, pos, value, len) != 0)
            return vlt_error(book, -3, msg::E02300, to_utf8(book, k).c_str());
        if (!value_is_text(book, std::string_view(value, len)))
            return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, to_utf8(book, k).c_str());

        if (is_cell) {
            touch_sheet(book, sheet);
            int rc = handlers.put_cell(book, sheet, row, col, value, len);
            if (rc < 0) return rc == rc::LIMIT ? rc::OVERFLOW : rc;
            continue;
        }
        current.restore();

        int kind = kind::NONE;
        PropTarget target;
        if (vlt_parse_property(book, k, kind, target) != 0) return rc::BAD_ARGUMENT;
        if (kind == kind::NONE) {
            std::string u = to_utf8(book, k);
            PropTarget probe;
            if (read_range(book, u, probe) == 0) return vlt_error(book, -3, msg::E02100, u.c_str());
            return vlt_error(book, -3, msg::E02200, u.c_str());
        }
        if (kind == kind::VARIABLE) {
            std::string name;
            if (!checked_utf8(book, k, name)) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02305, name.c_str());
            if (handlers.define_variable(book, name, to_utf8(book, std::string_view(value, len))) != 0)
                return rc::BAD_ARGUMENT;
            continue;
        }
        if (template_mode(book) && !kind::template_allowed(kind) &&
            !(book->open_mode == MODE_UPDATE && kind::update_allowed(kind)))
            return vlt_error(book, -3, msg::E02209, to_utf8(book, k).c_str());
        touch_sheet(book, target.sheet);
        int rc = handlers.apply(book, kind, target, value, len);
        if (rc == rc::LIMIT) return rc::OVERFLOW;
        if (rc != 0) return rc;
    }
}

} // namespace vel
