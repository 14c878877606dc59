// Placeholder until the package writer lands.
#include "api/book.h"
#include "xlsx/writer.h"
namespace vel {
int vlt_create_excel2007(XLS_BOOK *book, const char *) {
    return vlt_error(book, -4, "VXLS-03600 内部処理エラー(\"%s\")。", "vlt_create_excel2007() not built");
}
} // namespace vel
