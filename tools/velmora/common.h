// What the commands share: messages, the book handle, options naming paths.
#pragma once
#include <cstdio>
#include <string>

#include "velmora.h"

namespace velcmd {

enum Exit { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// Prints "velmora: TEXT" and a line feed on `err`: the UTF-8 text converted
// into the terminal's character set, then `native`, a text already in it.
void say(std::FILE *err, const std::string &utf8, const std::string &native = {});

// A book handle that is freed when it goes out of scope.
struct BookHandle {
    XLS_BOOK book{};
    BookHandle() = default;
    BookHandle(const BookHandle &) = delete;
    BookHandle &operator=(const BookHandle &) = delete;
    ~BookHandle() { VXLS_free_book(&book); }
};

// `KEY="path"` for an option text, or an empty text when the path cannot
// be given in one (it holds a double quote, or is empty).
std::string path_option(const char *key, const std::string &path);

// Opens the workbook at `path` for reading with the character set named.
// Returns EXIT_DONE, or after a message EXIT_FAILED (the file cannot be
// read or is no workbook the library reads) or EXIT_USAGE (a path the
// options cannot carry).
int open_to_read(BookHandle &h, const std::string &path, const char *charset, std::FILE *err);

// The 0-based index of the sheet named `which` (a name, else a 1-based
// number), or -1 after a message listing the sheets.
int find_sheet(XLS_BOOK *book, const std::string &which, std::FILE *err);

// A1-style range text (or one cell) as 0-based corners, first <= last.
struct CellRange {
    int row1 = 0, column1 = 0, row2 = 0, column2 = 0;
};
bool parse_range(const std::string &text, CellRange &range);

} // namespace velcmd
