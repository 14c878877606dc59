// The item loop of property text: reads key = value items and hands each to
// the cell store, the property engine or the variable table.
#pragma once
#include <cstddef>
#include <string_view>

#include "model/book.h"
#include "model/target.h"

namespace vel {

// Where the item loop sends its items. The defaults are the cell store, the
// property engine and the variable table; tests pass recorders.
struct ItemHandlers {
    int (*put_cell)(Book *book, int sheet, int row, int col, const char *value, size_t len);
    int (*apply)(Book *book, int kind, const PropTarget &target, const char *value, size_t len);
    int (*define_variable)(Book *book, std::string_view name_utf8, std::string_view value_utf8);
};

ItemHandlers default_item_handlers();

// Applies every item of a property text (the book's character set) in
// order; stops at the first failing item. 0, or a negative code with the
// message recorded. A text with no item does nothing.
int vlt_put_values(Book *book, std::string_view text, const ItemHandlers &handlers = default_item_handlers());

} // namespace vel
