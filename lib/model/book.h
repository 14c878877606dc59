// One open workbook: the model, the settings a caller can see and change,
// the character set it talks in, the messages of its calls and the memory
// files it owns. Every layer below the C interface works on a Book; the
// interface copies the caller's handle into it and back around each call.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/charset.h"
#include "core/diag.h"
#include "io/mfile.h"
#include "model/model.h"
#include "model/target.h"
#include "velmora_codes.h"

namespace vel {

struct Book;

// Sizes of the texts of the caller's handle, terminator included.
constexpr size_t BOOK_PATH_LEN = 257;
constexpr size_t BOOK_TEXT_LEN = 256;
constexpr size_t BOOK_PASSWORD_LEN = 64;

// Loads that the property engine starts and higher layers carry out, and
// checks that higher layers make for the cell store, set by the layer that
// opens books. Left null, such a load is refused.
struct BookLoaders {
    // A delimited text file into the cells of a target (separator ',' or '\t').
    int (*datasource)(Book &book, const PropTarget &target, std::string_view path_utf8, char separator) = nullptr;
    // A template workbook named by the TEMPLATE keyword.
    int (*template_book)(Book &book, std::string_view path_utf8) = nullptr;
    // The syntax check of a formula text (UTF-8, without "=") before the
    // store keeps it: 0, or a negative code with the message recorded. Left
    // null, the store checks only that brackets and quotes pair.
    int (*formula_check)(Book &book, std::string_view formula_utf8) = nullptr;
};

enum OpenMode { MODE_READ = 0, MODE_CREATE = 1, MODE_UPDATE = 2, MODE_LOAD = 3, MODE_UNLOAD = 4 };

struct Book {
    // Settings the caller sees in its handle (UTF-8 texts).
    std::string book_path;           // where a saving close writes
    bool new_book = true;            // created from nothing (false: template mode)
    bool read_memory = false;
    bool write_memory = false;
    bool macro_book = false;         // macro-enabled workbook (.xlsm)
    bool load_mode = false;
    bool unload_mode = false;
    bool auto_width = false;
    bool recalc = true;
    bool backup = false;
    bool final_book = false;
    bool sheet_order_desc = false;
    int32_t max_rows = 1048576;
    int32_t max_columns = 16384;
    int32_t store_limit1 = 32768;
    int32_t store_limit2 = 65534;
    int32_t book_kind = VXLS_KIND_XLSX;
    int32_t book_kind2 = VXLS_KIND_XLSX;
    std::string company = "MyCompany";
    std::string creator = "MyName";
    std::string manager, title, subject, write_password, template_path, temp_workbook_path;
    int32_t current_sheet = 0;       // sheet addressed by cell and property calls
    int32_t last_row = 0;            // last cell addressed, 0-based
    int32_t last_column = 0;

    // Private state.
    int charset = VXLS_CHARSET_SJIS; // caller's character set
    int open_mode = MODE_CREATE;
    Diag diag;
    Model model;
    MFileTable files;                // the book's memory files
    int32_t rownum = 0;              // rows put by the last data-source load ($ROWNUM)
    int32_t clmnum = 0;              // widest row of the last data-source load ($CLMNUM)
    BookLoaders loaders;
    std::vector<std::string> loading; // identities of the data files being loaded, outermost first

    // Resets everything to a freshly opened book of the kind (.xls: smaller
    // grid, no fixed cell formats). The character set, the loaders and the
    // memory files stay. 0, or rc::NO_MEMORY.
    int reset(bool xls_kind);
};

inline Model &model(Book *book) { return book->model; }
inline const Model &model(const Book *book) { return book->model; }
inline bool template_mode(const Book *book) { return !book->new_book; }

// Marks a sheet as written to (-1: the current sheet), so that saving a book
// read from a package regenerates that sheet's part.
inline void touch_sheet(Book *book, int sheet) {
    if (sheet < 0) sheet = book->current_sheet;
    if (sheet >= 0 && static_cast<size_t>(sheet) < book->model.sheets.size()) book->model.sheets[sheet].changed = true;
}

// Messages of a book's current call (see core/diag.h).
int vlt_error(Book *book, int rc, const char *tmpl, ...);
int vlt_error_keep(Book *book, int rc, const char *tmpl, ...);

// Caller's text to UTF-8 and back, in the book's character set (invalid
// sequences become "?"; see convert_charset).
std::string to_utf8(const Book *book, std::string_view in);
std::string from_utf8(const Book *book, std::string_view in);
// The caller's text in UTF-8 when it is valid in the book's character set;
// false otherwise (`out` then holds the text with "?" for each bad sequence).
bool checked_utf8(const Book *book, std::string_view in, std::string &out);

} // namespace vel
