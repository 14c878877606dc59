// The functions a formula may call: one table entry each, with its name,
// its argument counts and its implementation. A new function is one entry
// and one implementation.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "formula/value.h"

namespace vel::formula {

// What a function reads of the book.
class CellReader {
public:
    virtual ~CellReader() = default;
    // Calls `each` with the value of every cell of a reference that holds
    // something (rows from the top, cells from the left) until it returns false.
    virtual void visit(const Value &ref, const std::function<bool(const Value &)> &each) = 0;
    // The value of a one-cell reference (empty cells give EMPTY).
    virtual Value single(const Value &ref) = 0;
};

struct CallArgs {
    std::span<const Value> values;  // references stay REF values
    CellReader &cells;
    int32_t row = 0;                // 0-based row of the formula's cell
};

// A function's result: computed (an error value is a result too), or the
// function cannot compute it here and the formula is left to the program
// that opens the workbook.
enum class Outcome : uint8_t { Done, Unsupported };

using FunctionImpl = Outcome (*)(const CallArgs &args, Value &out);

struct FunctionInfo {
    std::string_view name;   // upper case
    uint8_t min_args = 0;
    uint8_t max_args = 0;
    bool reads_cells = true; // false: references given to it are addresses only (ROW)
    FunctionImpl impl = nullptr;
};

// Index of the function of that name (compared without regard to case), or -1.
int find_function(std::string_view name);
const FunctionInfo &function_at(int index);

// Rounding of a number to `digits` decimals (negative: tens, hundreds, ...)
// on its decimal digits, so that 2.675 rounds to 2.68 as written.
enum class Rounding : uint8_t { HalfAway, Away, Toward };
double round_digits(double x, double digits, Rounding mode);

} // namespace vel::formula
