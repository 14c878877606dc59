// Values of cells as the readers store them and as every layer reads them
// back: numbers held in the cell itself (the integer slot, or an IEEE double
// across the number slot and the text index), booleans and error values,
// and the kind a number takes from the format of its cell.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "model/model.h"

namespace vel {

inline bool holds_double(const Cell &c) { return (c.aux & CELL_AUX_DOUBLE) != 0; }

inline double cell_double(const Cell &c) {
    const uint64_t bits = static_cast<uint32_t>(c.num) | (static_cast<uint64_t>(c.text) << 32);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Sets a cell to a number of that kind held in the cell itself.
inline void set_cell_double(Cell &c, uint8_t kind, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    c.kind = kind;
    c.aux = CELL_AUX_DOUBLE;
    c.num = static_cast<int32_t>(static_cast<uint32_t>(bits));
    c.text = static_cast<uint32_t>(bits >> 32);
}

// The texts of a cell, or null when it has none (or holds a double).
inline const CellText *texts_of(const Sheet &s, const Cell &c) {
    if (holds_double(c) || c.text == 0 || c.text > s.texts.size()) return nullptr;
    return &s.texts[c.text - 1];
}
inline CellText *texts_of(Sheet &s, const Cell &c) {
    return const_cast<CellText *>(texts_of(static_cast<const Sheet &>(s), c));
}

// The number a numeric, percent, date or time cell holds (from its number
// slot, its double or its value text); false for other cells.
bool cell_number(const Sheet &s, const Cell &c, double &out);

// Error values of cells: their codes and names.
enum : uint8_t {
    ERR_NULL = 0x00, ERR_DIV0 = 0x07, ERR_VALUE = 0x0F, ERR_REF = 0x17,
    ERR_NAME = 0x1D, ERR_NUM = 0x24, ERR_NA = 0x2A, ERR_GETTING_DATA = 0x2B,
};
// "#DIV/0!" and the others; "#N/A" for an unknown code.
const char *error_name(int code);
// The code of an error name, or -1.
int error_code(std::string_view name);

// What the result of an evaluated formula cell (CELL_FORMULA2) is, kept in
// its number slot. Its value text holds the number (shortest text that reads
// back as it), the text, "1" or "0", or the error's name.
enum : int32_t { FORMULA_NUMBER = 0, FORMULA_TEXT = 1, FORMULA_BOOL = 2, FORMULA_ERROR = 3 };

// How a number format shows a number: its key and the kind of cell a number
// takes with it (CELL_DECIMAL for plain numbers, CELL_PERCENT, CELL_DATE for
// dates with or without a time, CELL_TIME_HMS for times alone).
struct FormatClass {
    uint16_t key = 100;
    uint8_t kind = CELL_DECIMAL;
};
FormatClass classify_format(std::string_view code);
// The code of a built-in number format id (as Japanese-locale Excel shows
// ids 27-36 and 50-58), or empty for an id with no built-in code.
std::string_view builtin_format_code(int id);
// The class of a cell format: its number format's class (1-based style, 0: general).
FormatClass style_format_class(const Model &m, int style);

// Stores a number read from a workbook with its cell format: a date or time
// format makes a date, date-time or time cell, a percent format a percent
// cell, any other a number cell (the integer slot when it is a 32-bit
// integer, else the double). The cell's texts, if any, are left unused.
void store_read_number(Cell &c, double v, uint8_t format_kind, uint16_t style);
void store_read_bool(Cell &c, bool v, uint16_t style);
void store_read_error(Cell &c, int code, uint16_t style);

// The shortest decimal text that reads back as the double ("1.5", "1E+20").
std::string double_text(double v);

} // namespace vel
