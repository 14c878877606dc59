// The library's book behind an open handle, for tests that look inside.
#pragma once
#include "model/book.h"
#include "velmora.h"

namespace vtest {

// The book of an open handle; throws for a handle that is not open.
vel::Book &book_of(XLS_BOOK *handle);

} // namespace vtest

using vtest::book_of;
