// Opening, saving and closing books: the open options and modes, the
// readers chosen by file kind, the writers chosen by how the book began, and
// workbooks held in the caller's memory.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "model/book.h"

namespace vel {

// Memory file through which memory books are read and written.
inline constexpr const char *MEMORY_BOOK = "_VELtemp/_OnMemory.xlsx";

// Opens a fresh book from its option text: parses the options (CHARSET
// takes effect at once), initialises the book and, for the reading modes
// and templates, reads the workbook. `handle_size` is the caller's handle
// size the XLS_BOOK option is checked against. 0, or a negative code with
// the message recorded; the book is then to be discarded.
int vlt_open_book(Book &book, std::string_view options, size_t handle_size);

// Opens a book on a workbook image in memory (an .xlsx or .xlsm package).
int vlt_open_memory_book(Book &book, const void *image, long length, size_t handle_size);

// Whether a close option text asks for saving: "SAVE" / "保存" and
// "DESTROY" / "破棄", the last one winning; nothing asks for none.
bool close_asks_save(const Book &book, std::string_view options);

// Writes the book to its path: a memory file of the book when it was opened
// with WRITE_MEMORY or `to_memory` asks for one, else a disk file. 0, or a
// negative code with the message recorded; the book stays as it was, for a
// retry.
int vlt_save_book(Book &book, bool to_memory);

// Writes the book into the caller's buffer of *size bytes; *size receives
// the package's length. rc::OVERFLOW (with the needed size in the message)
// when the buffer is too small; the book stays as it was.
int vlt_save_to_buffer(Book &book, void *buffer, long *size);

} // namespace vel
