// The key parser of property text and the item loop's seams.
#pragma once
#include <cstddef>
#include <string_view>

#include "velmora.h"
#include "model/engine.h"

namespace vel {

constexpr int MAX_KEY_SECTIONS = 6;
constexpr size_t MAX_SECTION_LEN = 256;

// Parses a property key (caller's character set) into a kind and a target.
// 0 on success (the kind may be -1: the key names no property, or it is a
// malformed variable name with message 02305 recorded); -3 or -9 with the
// message recorded. Allocates nothing for keys whose target section is
// ASCII.
int vlt_parse_property(XLS_BOOK *book, std::string_view key, int &kind, PropTarget &target);

// Where VXLS_put_values sends its items. The defaults are the cell store,
// the property engine and the variable table; tests put recorders here.
struct ItemHandlers {
    int (*put_cell)(XLS_BOOK *book, int sheet, int row, int col, const char *value, size_t len);
    int (*apply)(XLS_BOOK *book, int kind, const PropTarget &target, const char *value, size_t len);
    int (*define_variable)(XLS_BOOK *book, std::string_view name_utf8, std::string_view value_utf8);
};

ItemHandlers &item_handlers();
ItemHandlers default_item_handlers();

} // namespace vel
