#include "book_access.h"

#include <stdexcept>

#include "api/handle.h"

namespace vtest {

vel::Book &book_of(XLS_BOOK *handle) {
    vel::api::Env *env = vel::api::live(handle);
    if (!env) throw std::logic_error("book_of: the handle is not open");
    return env->book;
}

} // namespace vtest
