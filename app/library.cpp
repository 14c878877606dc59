// The real library behind gc::Library.
#include "library.h"

namespace gc {
namespace {

class Velmora final : public Library {
public:
    int open_book(XLS_BOOK *book, const char *options) override { return VXLS_open_book(book, options); }
    int open_sheet(XLS_BOOK *book, const char *options) override { return VXLS_open_sheet(book, options); }
    int put_values(XLS_BOOK *book, const char *text) override { return VXLS_put_values(book, text); }
    int cell_name(int row, int column, char *name) override { return VXLS_cell_name(row, column, name); }
    int close_book(XLS_BOOK *book, const char *options) override { return VXLS_close_book(book, options); }
    int free_book(XLS_BOOK *book) override { return VXLS_free_book(book); }
    int file_type(int mode, const char *path, int *type) override { return vel_file_type(mode, path, type); }
};

} // namespace

Library &velmora_library()
{
    static Velmora lib;
    return lib;
}

} // namespace gc
