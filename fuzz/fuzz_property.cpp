// Fuzz target for the property-text language: the tokeniser in every mode
// and character set, the key parser, cell and range names and the item loop
// on a UTF-8 book and a Shift-JIS book. The item loop hands its items to
// checks of what the parser produced, so that any input stays cheap and
// every target is verified to lie inside the grid. (fuzz_book drives the
// same text through the whole library.)
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "book/values.h"
#include "model/book.h"
#include "model/cellname.h"
#include "model/sheets.h"
#include "model/variables.h"
#include "property/address.h"
#include "property/keywords.h"
#include "property/parser.h"
#include "property/put_values.h"
#include "property/tokenizer.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

void check_target(vel::Book *book, const vel::PropTarget &t) {
    const int sheets = static_cast<int>(vel::model(book).sheets.size());
    require(t.sheet >= -1 && t.sheet < sheets);
    require(t.row >= -1 && t.row < vel::GRID_ROWS);
    require(t.col >= -1 && t.col < vel::GRID_COLS);
    require(t.nranges >= 0 && t.nranges <= vel::MAX_TARGET_RANGES);
    for (int i = 0; i < t.nranges; ++i) {
        require(t.ranges[i][0] >= 0 && t.ranges[i][0] < vel::GRID_ROWS);
        require(t.ranges[i][2] >= 0 && t.ranges[i][2] < vel::GRID_ROWS);
        require(t.ranges[i][1] >= 0 && t.ranges[i][1] < vel::GRID_COLS);
        require(t.ranges[i][3] >= 0 && t.ranges[i][3] < vel::GRID_COLS);
    }
}

int check_cell(vel::Book *book, int sheet, int row, int col, const char *value, size_t len) {
    require(sheet >= -1 && sheet < static_cast<int>(vel::model(book).sheets.size()));
    require(row >= 0 && row < vel::GRID_ROWS && col >= 0 && col < vel::GRID_COLS);
    require(len <= vel::TOKEN_MAX_VALUE);
    if (len > 0) {
        volatile char last = value[len - 1]; // the whole value must be readable
        (void)last;
    }
    return 0;
}

int check_apply(vel::Book *book, int kind, const vel::PropTarget &t, const char *, size_t len) {
    require(kind > 0 && kind != 2001);
    require(len <= vel::TOKEN_MAX_VALUE);
    check_target(book, t);
    return 0;
}

struct Books {
    vel::Book utf8;
    vel::Book sjis;
    Books() {
        utf8.charset = VXLS_CHARSET_UTF8;
        sjis.charset = VXLS_CHARSET_SJIS;
        require(utf8.reset(false) == 0 && sjis.reset(false) == 0);
        require(vel::vlt_add_sheet(&utf8, "Sheet1") == 0 && vel::vlt_add_sheet(&utf8, "Sheet2") == 0);
        require(vel::vlt_add_sheet(&sjis, "Sheet1") == 0);
        utf8.current_sheet = sjis.current_sheet = 0;
    }
};

const vel::ItemHandlers kChecks{check_cell, check_apply, vel::vlt_define_variable};

void tokenise_all(std::string_view text) {
    static std::vector<char> buf(vel::TOKEN_MAX_VALUE + 1);
    for (auto mode : {vel::TokenMode::Option, vel::TokenMode::Value, vel::TokenMode::Formula}) {
        for (int cs : {VXLS_CHARSET_SJIS, VXLS_CHARSET_EUC, VXLS_CHARSET_UTF8}) {
            size_t pos = 0, len = 0;
            for (;;) {
                const size_t before = pos;
                int rc = vel::vlt_get_token(mode, cs, text, pos, buf.data(), len);
                require(pos <= text.size());
                if (rc == vel::TOKEN_NONE) break;
                require(pos > before);
                if (rc == -9) continue;
                require(rc == 0 && len > 0 && len <= vel::token_max(mode) && buf[len] == '\0');
            }
        }
    }
}

void exercise(vel::Book *book, std::string_view text, const std::string &cstr) {
    vel::model(book).variables.clear();
    book->rownum = 7;
    book->clmnum = 3;
    book->last_row = 5;
    book->last_column = 2;
    vel::vlt_define_variable(book, "N", "12");

    int kind = 0;
    vel::PropTarget t;
    int rc = vel::vlt_parse_property(book, text, kind, t);
    require(rc == 0 || rc == -3 || rc == -9);
    if (rc == 0) check_target(book, t);
    // A second parse of the same key (its path now remembered) agrees.
    int kind2 = 0;
    vel::PropTarget t2;
    require(vel::vlt_parse_property(book, text, kind2, t2) == rc && kind2 == kind);
    if (rc == 0)
        require(t2.sheet == t.sheet && t2.row == t.row && t2.col == t.col && t2.nranges == t.nranges);

    int row = 0, col = 0;
    if (vel::read_cell_name(book, text, row, col) == 0)
        require(row >= 0 && row < vel::GRID_ROWS && col >= 0 && col < vel::GRID_COLS);
    vel::PropTarget r;
    if (vel::read_range(book, text, r) == 0) check_target(book, r);
    std::string_view rest = text;
    vel::find_sheet_prefix(book, text, rest);

    int k = 0, r1, c1, r2, c2;
    rc = vel::vlt_is_property(book, cstr.c_str(), &k);
    require(rc == 0 || (rc == -3 && k == -1));
    vel::vlt_is_cell(book, cstr.c_str(), &row, &col);
    vel::vlt_is_range(book, cstr.c_str(), &r1, &c1, &r2, &c2);

    const int current = book->current_sheet;
    vel::vlt_put_values(book, cstr, kChecks);
    require(book->current_sheet == current);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Books books;
    std::string_view text(reinterpret_cast<const char *>(data), size);
    tokenise_all(text);
    // The C entry points see the text up to its first NUL.
    std::string cstr(text.substr(0, text.find('\0')));
    exercise(&books.utf8, text, cstr);
    exercise(&books.sjis, text, cstr);
    char name[32];
    if (size >= 8) {
        int a, b;
        std::memcpy(&a, data, 4);
        std::memcpy(&b, data + 4, 4);
        if (a >= 1 && b >= 1 && vel::cell_name(a - 1, b - 1, name) > 0) {
            int row = 0, col = 0;
            require(vel::read_cell_name(nullptr, name, row, col) == 0 && row == a - 1 && col == b - 1);
        }
    }
    return 0;
}
