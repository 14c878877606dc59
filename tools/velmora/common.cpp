#include "common.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "terminal.h"

namespace velcmd {

void say(std::FILE *err, const std::string &utf8, const std::string &native)
{
    std::string line = to_terminal("velmora: " + utf8) + native + '\n';
    std::fwrite(line.data(), 1, line.size(), err);
    std::fflush(err);
}

std::string path_option(const char *key, const std::string &path)
{
    if (path.empty() || path.find('"') != std::string::npos)
        return {};
    return std::string(key) + "=\"" + path + "\"";
}

int open_to_read(BookHandle &h, const std::string &path, const char *charset, std::FILE *err)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        say(err, "cannot read " + path + ": " + std::strerror(errno));
        return EXIT_FAILED;
    }
    if (!S_ISREG(st.st_mode)) {
        say(err, "cannot read " + path + ": not a regular file");
        return EXIT_FAILED;
    }
    const std::string book = path_option("BOOK", path);
    if (book.empty()) {
        say(err, "a workbook path with a double quote in it cannot be opened: " + path);
        return EXIT_USAGE;
    }
    const std::string options = std::string("MODE=READ CHARSET=") + charset + " " + book;
    if (VXLS_open_book(&h.book, options.c_str()) != 0) {
        // The message is in the book's character set.
        if (std::strcmp(charset, "UTF8") == 0)
            say(err, "cannot read " + path + ": " + h.book.error_info);
        else
            say(err, "cannot read " + path + ": ", h.book.error_info);
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

int find_sheet(XLS_BOOK *book, const std::string &which, std::FILE *err)
{
    const int count = VXLS_sheet_num(book);
    std::string names;
    for (int i = 0; i < count; ++i) {
        char name[XLS_SHEET_NAME_LEN] = "";
        VXLS_sheet_name(book, i, name);
        if (which == name)
            return i;
        names += (i ? ", " : "") + std::string(name);
    }
    if (!which.empty() && which.size() <= 6 &&
        std::all_of(which.begin(), which.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int n = std::stoi(which);
        if (n >= 1 && n <= count)
            return n - 1;
    }
    say(err, "--sheet: the workbook has no sheet " + which + " (its sheets: " + names + ")");
    return -1;
}

bool parse_range(const std::string &text, CellRange &r)
{
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (text.find_first_of(" \t!") != std::string::npos)
        return false;
    if (VXLS_is_range(nullptr, text.c_str(), &r1, &c1, &r2, &c2) != 0) {
        if (VXLS_is_cell(nullptr, text.c_str(), &r1, &c1) != 0)
            return false;
        r2 = r1;
        c2 = c1;
    }
    if (r1 < 1 || c1 < 1 || r2 < 1 || c2 < 1)
        return false;
    r.row1 = std::min(r1, r2) - 1;
    r.row2 = std::max(r1, r2) - 1;
    r.column1 = std::min(c1, c2) - 1;
    r.column2 = std::max(c1, c2) - 1;
    return true;
}

} // namespace velcmd
