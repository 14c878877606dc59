// Placeholder until the cell store lands.
#include "api/book.h"
#include "model/engine.h"
namespace vel {
int vlt_put_cell_at(XLS_BOOK *book, int, int, int, const char *, size_t) {
    return vlt_error(book, -1, "VXLS-03600 内部処理エラー(\"%s\")。", "vlt_put_cell() not built");
}
} // namespace vel
