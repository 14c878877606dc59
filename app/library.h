// The spreadsheet library as the frame converter uses it. The program talks
// to VELMORA through this interface so that the conversion can be driven
// against a recorder in tests; velmora_library() is the real one.
#pragma once
#include "velmora.h"

namespace gc {

class Library {
public:
    virtual ~Library() = default;
    virtual int open_book(XLS_BOOK *book, const char *options) = 0;
    virtual int open_sheet(XLS_BOOK *book, const char *options) = 0;
    virtual int put_values(XLS_BOOK *book, const char *text) = 0;
    virtual int cell_name(int row, int column, char *name) = 0;
    virtual int close_book(XLS_BOOK *book, const char *options) = 0;
    virtual int free_book(XLS_BOOK *book) = 0;
    virtual int file_type(int mode, const char *path, int *type) = 0;
};

Library &velmora_library();

} // namespace gc
