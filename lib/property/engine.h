// The property engine: applies one parsed keyword item (kind, target and
// the value as the caller sent it) to a book.
#pragma once
#include <cstddef>

#include "model/book.h"
#include "model/target.h"

namespace vel {

// Applies one property kind to a target with a value text (caller's
// character set, quotes not yet removed). 0, or a negative code with the
// message recorded.
int vlt_apply_property(Book *book, int kind, const PropTarget &target, const char *value, size_t len);

} // namespace vel
