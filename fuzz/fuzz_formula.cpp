// Fuzz target for formulas: the tokenizer and parser on any text (a parsed
// tree written back parses to the same tree), the check the cell store
// runs, and evaluation over a small book whose formula cells are the
// input's lines (so that they refer to each other, loops included), both as
// a save evaluates and as the reading calls do.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formula/evaluator.h"
#include "formula/parser.h"
#include "model/book.h"
#include "model/cellvalue.h"
#include "model/sheets.h"
#include "model/store.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

constexpr int MAX_FORMULAS = 8;

// Inputs of every kind on two sheets; formulas go to column C and below.
void fill(vel::Book &book) {
    require(book.reset(false) == 0);
    book.charset = VXLS_CHARSET_UTF8;
    book.loaders.formula_check = vel::formula::vlt_check_formula;
    require(vel::vlt_add_sheet(&book, "Sheet1") == 0 && vel::vlt_add_sheet(&book, "My sheet") == 0);
    for (int s = 0; s < 2; ++s) {
        const char *values[] = {"1", "2.5", "-3", "abc", "50%", "2015/01/05", "'7", ""};
        for (int r = 0; r < 8; ++r) require(vel::vlt_put_cell_utf8(&book, s, r, 0, values[r]) == 0);
        vel::Sheet &sheet = book.model.sheets[s];
        vel::store_read_bool(*vel::ensure_cell(sheet, 0, 1), true, 0);
        vel::store_read_error(*vel::ensure_cell(sheet, 1, 1), vel::ERR_NA, 0);
        vel::store_read_number(*vel::ensure_cell(sheet, 2, 1), 1e300, vel::CELL_DECIMAL, 0);
    }
}

void round_trip(std::string_view text) {
    vel::formula::Program p, q;
    vel::formula::SyntaxFault fault;
    if (!vel::formula::parse_formula(text, p, fault)) {
        require(!fault.what.empty());
        return;
    }
    const std::string once = vel::formula::program_text(p);
    require(vel::formula::parse_formula(once, q, fault));
    require(vel::formula::program_text(q) == once);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static vel::Book book;
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    std::vector<std::string_view> lines;
    for (size_t at = 0; at <= input.size() && lines.size() < MAX_FORMULAS;) {
        const size_t end = std::min(input.find('\n', at), input.size());
        lines.push_back(input.substr(at, end - at));
        at = end + 1;
    }
    for (std::string_view line : lines) round_trip(line);

    fill(book);
    std::vector<std::pair<int, int>> placed; // (sheet, row) of column C
    for (size_t i = 0; i < lines.size(); ++i) {
        const int sheet = static_cast<int>(i % 2), row = static_cast<int>(i / 2);
        book.diag.begin_call();
        const int rc = vel::vlt_put_cell_utf8(&book, sheet, row, 2, "=" + std::string(lines[i]));
        require(rc == 0 || rc == -3 || rc == -909);
        if (rc == 0) placed.emplace_back(sheet, row);
    }

    // As the reading calls compute: nothing changes.
    {
        vel::formula::Evaluator ev(book, false);
        std::string shown;
        for (auto [s, r] : placed) vel::formula::formula_display(ev, s, r, 2, shown);
        require(book.recalc);
    }
    // As a save computes: every formula cell ends with a result, or the book
    // is left to recalculate.
    book.diag.begin_call();
    const int rc = vel::formula::vlt_evaluate_formulas(book);
    require((rc == 0) == book.recalc);
    for (auto [s, r] : placed) {
        const vel::Cell &c = book.model.sheets[s].rows[r].cells[2];
        require(c.kind == vel::CELL_FORMULA || c.kind == vel::CELL_FORMULA2);
        if (rc == 0) require(c.kind == vel::CELL_FORMULA2 && c.num >= vel::FORMULA_NUMBER && c.num <= vel::FORMULA_ERROR);
    }
    return 0;
}
