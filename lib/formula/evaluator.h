// Formula evaluation over a book: the values of formula cells, computed
// with every formula cell they depend on first, without recursion (long
// chains of cells and long loops cost heap, not stack).
//
// A formula the evaluator cannot finish is left to the program that opens
// the workbook: a function outside the function table, a defined name, an
// array constant, a structured or external reference, a sheet that does not
// exist, a range where one value is wanted, a circular reference of any
// length, a wrong number of arguments, or a value the spreadsheet programs
// compute differently (see value.h: booleans joined to text or compared
// with numbers, texts that read as dates, powers of 0 and odd roots).
// Spreadsheet errors (#DIV/0!, #VALUE!, #NUM!, and the errors that cells
// and literals hold) are computed results.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formula/parser.h"
#include "formula/value.h"
#include "model/book.h"

namespace vel::formula {

class Evaluator {
public:
    // With `record` set, a formula that cannot be finished leaves its
    // message in the book (circular reference, argument counts, syntax).
    Evaluator(Book &book, bool record) : book_(book), record_(record) {}

    // The value of the formula cell at (sheet, row, col), 0-based, never a
    // reference. 0 with `out` pointing at it (valid while the evaluator
    // lives), or rc::BAD_ARGUMENT when it cannot be finished.
    int evaluate(int sheet, int row, int col, const Value *&out);

private:
    // A formula cell whose value is wanted: its tree, the sheets its
    // references name, and how far the walk over its references has come.
    struct Frame {
        uint64_t key = 0;
        int32_t sheet = 0, row = 0, col = 0;
        Program program;
        std::vector<int32_t> sheets;   // per Program::texts entry: the sheet it names, or -1
        size_t node = 0;               // next reference node to walk
        int32_t r = -1, c = -1;        // position inside that node's area (-1: not started)
    };
    // A formula cell met: on the stack of frames, or done with its value.
    struct Entry {
        bool done = false;
        Value value;
    };
    class Reader;

    // rc::BAD_ARGUMENT, with the message of `tmpl` when there is one and messages are recorded.
    int fail(const char *tmpl, std::string_view what);
    // Parses a frame's formula and checks what can be checked before its cells are read.
    int prepare(Frame &f);
    // Walks the references of the top frame up to the next formula cell whose
    // value is not known yet, and pushes a frame for it (`pushed`).
    int walk(size_t top, bool &pushed);
    // The value of a frame's formula, every formula cell it reads being done.
    int run(Frame &f, Value &result);
    // The value of a cell: a formula cell's from the done entries, any other
    // filled into `scratch`.
    const Value &cell_value(int sheet, int row, int col, Value &scratch);

    Book &book_;
    bool record_;
    std::unordered_map<uint64_t, Entry> cells_;
    std::vector<Frame> frames_;
    bool unread_ = false;   // a formula cell was read before it was done (never expected)
};

// Evaluates every formula cell of the book and stores each result with its
// formula (kind CELL_FORMULA2), unless the book leaves recalculation to the
// program that opens it (Book::recalc off). The first formula that cannot be
// finished turns Book::recalc off and ends the walk: 0, or rc::BAD_ARGUMENT
// with the message recorded when there is one.
int vlt_evaluate_formulas(Book &book);

// The syntax check of a formula text (UTF-8, without "=") before it is
// stored: 0, or rc::BAD_ARGUMENT with "VXLS-02304" (unpaired parentheses or
// quotes, naming the formula) or "VXLS-02201" (naming the token at fault).
int vlt_check_formula(Book &book, std::string_view formula);

// The shown value of a formula cell as the reading calls return it,
// computed now; false when it cannot be computed.
bool formula_display(Evaluator &ev, int sheet, int row, int col, std::string &out);

} // namespace vel::formula
