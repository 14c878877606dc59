// Placeholder until the property engine lands.
#include "api/book.h"
#include "model/engine.h"
namespace vel {
int vlt_apply_property(XLS_BOOK *book, int, const PropTarget &, const char *, size_t) {
    return vlt_error(book, -1, "VXLS-03600 内部処理エラー(\"%s\")。", "vlt_apply_property() not built");
}
} // namespace vel
