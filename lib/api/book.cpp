// Book lifecycle: opening a book from its option text, initial state, closing
// with or without saving, books held in memory, and the small book calls.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "api/book.h"
#include "api/messages.h"
#include "api/options.h"
#include "io/mfile.h"
#include "model/styles.h"
#include "xlsx/writer.h"

namespace vel {

namespace {

// Memory file through which memory books are read and written.
constexpr const char *MEMORY_BOOK = "_VELtemp/_OnMemory.xlsx";
constexpr size_t NAME_MAX_BYTES = 256;   // book and template names, in Shift-JIS bytes

enum OpenMode { MODE_READ = 0, MODE_CREATE = 1, MODE_UPDATE = 2, MODE_LOAD = 3, MODE_UNLOAD = 4 };

enum OpenKey {
    KEY_BOOK,
    KEY_MODE,
    KEY_TEMPLATE,
    KEY_CHARSET,
    KEY_VERSION,
    KEY_XLS_BOOK,
    KEY_READ_MEMORY,
    KEY_WRITE_MEMORY,
    KEY_TEMP_WORKBOOK_PATH,
};

struct Word {
    const char *text;
    int code;
};

// English words compare without regard to case, Japanese ones exactly.
constexpr Word kOpenKeys[] = {
    {"BOOK", KEY_BOOK},
    {"EXCEL", KEY_BOOK},
    {"ブック", KEY_BOOK},
    {"MODE", KEY_MODE},
    {"モード", KEY_MODE},
    {"TEMPLATE", KEY_TEMPLATE},
    {"テンプレート", KEY_TEMPLATE},
    {"CHARSET", KEY_CHARSET},
    {"キャラクタセット", KEY_CHARSET},
    {"VERSION", KEY_VERSION},
    {"XLS_BOOK", KEY_XLS_BOOK},
    {"READ_MEMORY", KEY_READ_MEMORY},
    {"WRITE_MEMORY", KEY_WRITE_MEMORY},
    {"TEMP_WORKBOOK_PATH", KEY_TEMP_WORKBOOK_PATH},
};

constexpr Word kOpenModes[] = {
    {"READ", MODE_READ},     {"読込", MODE_READ},     {"読み込み", MODE_READ},
    {"CREATE", MODE_CREATE}, {"新規", MODE_CREATE},   {"UPDATE", MODE_UPDATE},
    {"更新", MODE_UPDATE},   {"LOAD", MODE_LOAD},     {"ロード", MODE_LOAD},
    {"UNLOAD", MODE_UNLOAD}, {"アンロード", MODE_UNLOAD},
};

constexpr Word kCharsets[] = {
    {"SJIS", VXLS_CHARSET_SJIS},
    {"EUC", VXLS_CHARSET_EUC},
    {"UTF8", VXLS_CHARSET_UTF8},
};

template <size_t N>
int lookup(const Word (&table)[N], std::string_view word) {
    for (const Word &w : table)
        if (same_nocase(word, w.text)) return w.code;
    return -1;
}

std::atomic<int> g_help_charset{VXLS_CHARSET_SJIS};

// Options of VXLS_open_book after parsing; texts in UTF-8.
struct OpenOptions {
    std::string book = "Book1.xlsx";
    std::string tmpl;
    int mode = MODE_CREATE;
    bool read_memory = false;
    bool write_memory = false;
    std::string temp_workbook;
};

size_t sjis_length(std::string_view utf8) {
    std::string sjis;
    convert_charset(sjis, utf8, VXLS_CHARSET_UTF8, VXLS_CHARSET_SJIS);
    return sjis.size();
}

bool ends_with_nocase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && same_nocase(s.substr(s.size() - suffix.size()), suffix);
}

// The workbook name as it will be used: ".xlsx" is appended to a name that
// has no extension of its own. A name whose last component is reached (a
// path separator met before any dot) is kept as given.
std::string workbook_name(const std::string &name) {
    if (ends_with_nocase(name, ".xls")) return name;
    if (sjis_length(name) <= 5) return name + ".xlsx";
    if (ends_with_nocase(name, ".xlsx") || ends_with_nocase(name, ".xlsm")) return name;
    for (size_t i = name.size(); i-- > 0;)
        if (name[i] == '\\' || name[i] == '/' || name[i] == '.') return name;
    return name + ".xlsx";
}

// `name` joined to the current directory unless it is absolute. False when
// the result would not fit a book path.
bool joined_path(const std::string &name, std::string &path) {
    if (!name.empty() && name[0] == '/') {
        path = name;
    } else {
        std::vector<char> cwd(4096);
        while (!::getcwd(cwd.data(), cwd.size())) {
            if (errno != ERANGE || cwd.size() > (1u << 20)) return false;
            cwd.resize(cwd.size() * 2);
        }
        path = cwd.data();
        if (path.empty() || path.back() != '/') path += '/';
        path += name;
    }
    return path.size() < XLS_PATH_LEN;
}

void copy_text(char *dst, size_t cap, std::string_view src) {
    size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// A token too long for the option reader: reported with its first 64 bytes
// (whole characters).
int token_too_long(XLS_BOOK *book, std::string_view text, size_t start) {
    int cs = env(book)->charset;
    size_t end = start;
    while (end < text.size()) {
        size_t n = char_bytes(cs, static_cast<unsigned char>(text[end]));
        if (end + n - start > 64) break;
        end += n;
    }
    std::string head = to_utf8(book, text.substr(start, end - start));
    return vlt_error(book, -3, msg::E02210, head.c_str(), OPTION_TOKEN_MAX);
}

size_t skip_blanks(std::string_view text, size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    return pos;
}

// Reads the options left to right; CHARSET changes the character set of the
// tokens that follow it at once.
int parse_open_options(XLS_BOOK *book, std::string_view text, OpenOptions &opt) {
    Env &e = *env(book);
    std::string key, eq, value;
    size_t pos = 0;
    for (;;) {
        size_t start = skip_blanks(text, pos);
        int rc = read_option_token(e.charset, text, pos, key);
        if (rc == TOKEN_END) return 0;
        if (rc == TOKEN_TOO_LONG) return token_too_long(book, text, start);
        std::string key8 = to_utf8(book, key);
        int which = lookup(kOpenKeys, key8);

        start = skip_blanks(text, pos);
        rc = read_option_token(e.charset, text, pos, eq);
        if (rc == TOKEN_END) return -3;
        if (rc == TOKEN_TOO_LONG) return token_too_long(book, text, start);
        if (eq != "=") return vlt_error(book, -3, msg::E02303, to_utf8(book, eq).c_str());

        rc = read_option_token(e.charset, text, pos, value);
        if (rc == TOKEN_END) return -3;
        if (rc == TOKEN_TOO_LONG) {
            if (which == KEY_BOOK || which == KEY_TEMPLATE) return vlt_error(book, -3, msg::E00005);
            return token_too_long(book, text, skip_blanks(text, start + 1));
        }
        if (which < 0) return vlt_error(book, -3, msg::E02200, key8.c_str());

        if (which != KEY_MODE) value = std::string(strip_double_quotes(value));
        std::string value8 = to_utf8(book, value);
        switch (which) {
        case KEY_BOOK:
        case KEY_TEMPLATE:
            if (sjis_length(value8) > NAME_MAX_BYTES) return vlt_error(book, -3, msg::E00005);
            (which == KEY_BOOK ? opt.book : opt.tmpl) = value8;
            break;
        case KEY_MODE: {
            int mode = lookup(kOpenModes, value8);
            if (mode < 0) return vlt_error(book, -3, msg::E02200, value8.c_str());
            opt.mode = mode;
            break;
        }
        case KEY_CHARSET:
            if (int cs = lookup(kCharsets, value8); cs > 0) e.charset = cs;
            break;
        case KEY_VERSION:
            if (value8 != VXLS_VERSION_TEXT) return vlt_error(book, -1, msg::E00901, value8.c_str());
            break;
        case KEY_XLS_BOOK: {
            long size = std::strtol(value8.c_str(), nullptr, 10);
            if (size != static_cast<long>(sizeof(XLS_BOOK))) {
                char sizes[96];
                std::snprintf(sizes, sizeof sizes, "CALL側:%dbyte DLL側:%dbyte",
                              static_cast<int>(size), static_cast<int>(sizeof(XLS_BOOK)));
                return vlt_error(book, -1, msg::E00902, sizes);
            }
            break;
        }
        case KEY_READ_MEMORY:
            opt.read_memory = same_nocase(value8, "TRUE");
            break;
        case KEY_WRITE_MEMORY:
            opt.write_memory = same_nocase(value8, "TRUE");
            break;
        case KEY_TEMP_WORKBOOK_PATH:
            if (value8.size() >= XLS_PATH_LEN) return vlt_error(book, -3, msg::E00005);
            opt.temp_workbook = value8;
            break;
        }
    }
}

// Readers of existing workbooks. They are not part of this build yet: a
// workbook that needs one is refused as an unsupported file.
constexpr int READER_MISSING = -10000;
int read_xls_workbook(XLS_BOOK *, const std::string &) { return READER_MISSING; }
int read_xlsx_workbook(XLS_BOOK *, const std::string &) { return READER_MISSING; }
// Writer of books that came from a file or a template (update mode).
int write_updated_workbook(XLS_BOOK *book, const char *) {
    return vlt_error_keep(book, -1, msg::E03600, "vlt_update_excel2007()");
}

// Closes a book whose open failed after the file was looked at.
int fail_closed(XLS_BOOK *book, int rc) {
    vlt_release_book(book);
    mfree_all();
    return rc;
}

// Opens an existing workbook or template; the book is initialised.
int open_existing(XLS_BOOK *book, const OpenOptions &opt) {
    std::string name = workbook_name(opt.book);
    std::string read_path, write_path;
    if (opt.tmpl.empty()) {
        if (opt.read_memory) {
            read_path = name;
            write_path = name;
        } else {
            if (!joined_path(name, read_path)) return fail_closed(book, vlt_error(book, -3, msg::E00005));
            write_path = read_path;
        }
    } else {
        if (opt.read_memory) read_path = name;
        else if (!joined_path(workbook_name(opt.tmpl), read_path))
            return fail_closed(book, vlt_error(book, -3, msg::E00005));
        write_path = name;
        if (write_path.size() >= XLS_PATH_LEN) return fail_closed(book, vlt_error(book, -3, msg::E00005));
    }
    if (read_path.empty()) return fail_closed(book, -3);

    int type = -1;
    int rc = vel_file_type(opt.read_memory ? 0 : -1, read_path.c_str(), &type);
    if (rc != 0) return fail_closed(book, vlt_error(book, -101, msg::E03101, read_path.c_str()));

    if (type == VXLS_KIND_XLS && opt.tmpl.empty()) {
        if (vlt_init_book(book, true) != 0) return fail_closed(book, vlt_error(book, -2, msg::E00002));
        copy_text(book->temp_workbook_path, XLS_PATH_LEN, opt.temp_workbook);
        env(book)->temp_workbook = opt.temp_workbook;
        if (opt.mode == MODE_LOAD || opt.mode == MODE_UNLOAD) book->load_mode = VXLS_ON;
        if (opt.mode == MODE_UNLOAD) book->unload_mode = VXLS_ON;
        book->new_book = VXLS_OFF;
        rc = read_xls_workbook(book, read_path);
        if (rc == READER_MISSING) return fail_closed(book, vlt_error(book, -4, msg::E00900, read_path.c_str()));
        if (rc == 0) {
            copy_text(book->book_path, XLS_PATH_LEN, read_path);
            return 0;
        }
        if (rc == -2) return fail_closed(book, vlt_error(book, -2, msg::E00002));
        if (rc == -4) return fail_closed(book, -9);
        if (rc == -9) return fail_closed(book, -1);
        return fail_closed(book, vlt_error(book, -1, msg::E03110));
    }
    if (type != 12 && type != 14) return fail_closed(book, vlt_error(book, -4, msg::E00900, read_path.c_str()));
    if (type == 14) book->macro_book = VXLS_ON;

    book->new_book = VXLS_OFF;
    if (opt.mode == MODE_LOAD || opt.mode == MODE_UNLOAD) book->load_mode = VXLS_ON;
    if (opt.mode == MODE_UNLOAD) book->unload_mode = VXLS_ON;
    if (book->macro_book == VXLS_ON && !ends_with_nocase(write_path, ".xlsm") && write_path.size() >= 5)
        write_path.replace(write_path.size() - 5, 5, ".xlsm");
    copy_text(book->book_path, XLS_PATH_LEN, write_path);

    rc = read_xlsx_workbook(book, read_path);
    if (rc == 0) {
        book->read_memory = opt.read_memory ? VXLS_ON : VXLS_OFF;
        book->write_memory = opt.write_memory ? VXLS_ON : VXLS_OFF;
        if (opt.read_memory) mdelete(read_path.c_str());
        return 0;
    }
    if (rc == READER_MISSING || rc == -4) return fail_closed(book, vlt_error(book, -4, msg::E00900, read_path.c_str()));
    if (rc == -101 || rc == -102) return fail_closed(book, vlt_error(book, -101, msg::E03101, read_path.c_str()));
    if (rc == -2) return fail_closed(book, vlt_error(book, -2, msg::E00002));
    char detail[48];
    std::snprintf(detail, sizeof detail, "vlt_read_excel2007() rc=%d", rc);
    return fail_closed(book, vlt_error(book, -1, msg::E03600, detail));
}

int open_book(XLS_BOOK *book, const char *options) {
    book->reserved = nullptr;
    book->error_info[0] = '\0';
    book->env = nullptr;
    auto owner = std::make_unique<Env>();
    owner->stamp = ENV_STAMP;
    book->env = owner.release();

    OpenOptions opt;
    if (options) {
        if (int rc = parse_open_options(book, options, opt); rc != 0) {
            vlt_release_book(book);
            return rc;
        }
    }
    if (vlt_init_book(book, false) != 0) {
        vlt_release_book(book);
        return vlt_error(book, -2, msg::E00002);
    }
    env(book)->open_mode = opt.mode;
    g_help_charset = env(book)->charset;

    if (opt.mode == MODE_CREATE && opt.tmpl.empty()) {
        std::string path;
        if (!joined_path(workbook_name(opt.book), path)) {
            vlt_error(book, -3, msg::E00005);
            vlt_release_book(book);
            return -3;
        }
        copy_text(book->book_path, XLS_PATH_LEN, path);
        return 0;
    }
    return open_existing(book, opt);
}

// Writes the book for a saving close. `memory`: the package goes to the
// memory file MEMORY_BOOK (argument errors are then -3 rather than -4).
int save_book(XLS_BOOK *book, const char *path, bool memory) {
    // A message left over from an earlier call must not stand for this save.
    book->error_info[0] = '\0';
    int rc;
    if (template_mode(book)) {
        rc = write_updated_workbook(book, path);
    } else {
        mfree_all();
        rc = vlt_create_excel2007(book, path);
    }
    switch (rc) {
    case 0:
        return 0;
    case -5:     // zip entry or archive could not be completed
    case -101:
    case -103:
    case -105:
        return vlt_error_keep(book, -103, msg::E03121, path);
    case -9:
        return vlt_error_keep(book, -909, msg::E03009, 0, "vlt_create_excel2007()");
    case -4:
        return vlt_error_keep(book, memory ? -3 : -4, msg::E03121, path);
    case -2:
        return vlt_error_keep(book, -2, msg::E00002);
    default: {
        char detail[48];
        std::snprintf(detail, sizeof detail, "vlt_create_excel2007() rc=%d", rc);
        return vlt_error_keep(book, -1, msg::E03600, detail);
    }
    }
}

int close_book(XLS_BOOK *book, const char *options) {
    if (!book_is_open(book)) return 0;
    bool save = false;
    if (options) {
        std::string_view text = options;
        std::string token;
        size_t pos = 0;
        for (;;) {
            int rc = read_option_token(env(book)->charset, text, pos, token);
            if (rc == TOKEN_END) break;
            if (rc != 0) continue;
            std::string word = to_utf8(book, token);
            if (same_nocase(word, "SAVE") || word == "保存") save = true;
            else if (same_nocase(word, "DESTROY") || word == "破棄") save = false;
        }
    }
    if (save) {
        if (int rc = save_book(book, book->book_path, false); rc != 0) return rc;
    }
    vlt_release_book(book);
    mfree_all();
    return 0;
}

// Saves into the memory file and copies the package into the caller's
// buffer. The book is closed only when the whole copy succeeded, so a caller
// whose buffer was too small can retry with a larger one.
int close_memory_book(XLS_BOOK *book, void *buffer, long *size) {
    if (!book_is_open(book)) return -3;
    if (!size || *size < 0 || (!buffer && *size > 0))
        return vlt_error(book, -3, msg::E03600, "VXLS_close_memory_book() buffer");

    // Zip target: while vel_zip_on_memory(0) is in force the writer builds the
    // package as the memory file named by the path it is given. The target is
    // put back to real files afterwards, so that later saves of other books
    // go to disk again.
    vel_zip_on_memory(0);
    int rc = save_book(book, MEMORY_BOOK, true);
    vel_zip_on_memory(1);
    if (rc != 0) return rc;

    MFILE *f = mopen(MEMORY_BOOK, "rb");
    if (!f) {
        mfree_all();
        return vlt_error(book, -101, msg::E03101, MEMORY_BOOK);
    }
    long length = -1;
    if (mseek(f, 0, SEEK_END) == 0) length = mtell(f);
    if (length < 0 || mseek(f, 0, SEEK_SET) != 0) {
        mclose(f);
        mfree_all();
        return vlt_error(book, -102, msg::E03120, MEMORY_BOOK);
    }
    if (length > *size) {
        char need[40];
        std::snprintf(need, sizeof need, "need %ld bytes", length);
        long cap = *size;
        mclose(f);
        mfree_all();
        return vlt_error(book, -909, msg::E03009, static_cast<int>(cap > INT32_MAX ? INT32_MAX : cap), need);
    }
    size_t got = length > 0 ? mread(buffer, 1, static_cast<size_t>(length), f) : 0;
    mclose(f);
    if (got != static_cast<size_t>(length)) {
        mfree_all();
        return vlt_error(book, -102, msg::E03120, MEMORY_BOOK);
    }
    *size = length;
    vlt_release_book(book);
    mfree_all();
    return 0;
}

int open_memory_book(XLS_BOOK *book, const void *image, long length) {
    if (length < 0 || (!image && length > 0))
        return vlt_error(book, -3, msg::E03600, "VXLS_open_memory_book() image");
    MFILE *f = mopen(MEMORY_BOOK, "wb");
    if (!f) return vlt_error(book, -101, msg::E03101, MEMORY_BOOK);
    size_t written = length > 0 ? mwrite(image, 1, static_cast<size_t>(length), f) : 0;
    mclose(f);
    if (written != static_cast<size_t>(length)) {
        mdelete(MEMORY_BOOK);
        return vlt_error(book, -103, msg::E03121, MEMORY_BOOK);
    }
    vel_zip_on_memory(0);
    std::string options = std::string("MODE=READ BOOK=") + MEMORY_BOOK + " READ_MEMORY=TRUE";
    int rc = open_book(book, options.c_str());
    vel_zip_on_memory(1);
    return rc;
}

} // namespace

bool book_is_open(const XLS_BOOK *book) {
    return book && book->env && static_cast<const Env *>(book->env)->stamp == ENV_STAMP;
}

int vlt_init_book(XLS_BOOK *book, bool xls_kind) {
    Env &e = *env(book);
    try {
        e.model = Model{};
        e.model.sheets.reserve(10);
        e.model.sheet_capacity = 10;
        init_styles(e.model, xls_kind);
    } catch (const std::bad_alloc &) {
        return -2;
    }
    e.diag_count = 0;
    e.diag_pending = 0;

    book->reserved = nullptr;
    book->book_path[0] = '\0';
    book->new_book = VXLS_ON;
    book->read_memory = VXLS_OFF;
    book->write_memory = VXLS_OFF;
    book->macro_book = VXLS_OFF;
    book->load_mode = VXLS_OFF;
    book->unload_mode = VXLS_OFF;
    book->auto_width = VXLS_OFF;
    book->recalc = VXLS_ON;
    book->backup = VXLS_OFF;
    book->final_book = VXLS_OFF;
    book->sheet_order_desc = VXLS_OFF;
    std::memset(book->flag_reserved, VXLS_OFF, sizeof book->flag_reserved);

    book->max_rows = xls_kind ? 65536 : 1048576;
    book->max_columns = xls_kind ? 256 : 16384;
    book->store_limit1 = 32768;
    book->store_limit2 = 65534;
    book->book_kind = xls_kind ? VXLS_KIND_XLS : VXLS_KIND_XLSX;
    book->book_kind2 = book->book_kind;

    copy_text(book->company, XLS_DOCTEXT_LEN, "MyCompany");
    copy_text(book->creator, XLS_DOCTEXT_LEN, "MyName");
    book->manager[0] = book->title[0] = book->subject[0] = '\0';
    book->write_password[0] = '\0';
    book->template_path[0] = '\0';
    book->temp_workbook_path[0] = '\0';
    book->error_info[0] = '\0';

    book->current_sheet = 0;
    book->last_row = 0;
    book->last_column = 0;
    book->model = &e.model;
    vlt_sync_sheets(book);
    return 0;
}

void vlt_sync_sheets(XLS_BOOK *book) {
    Model &m = model(book);
    m.sheet_capacity = static_cast<int32_t>(m.sheets.capacity());
    book->sheets = m.sheets.data();
    book->sheet_num = static_cast<int32_t>(m.sheets.size());
    book->sheet_max = m.sheet_capacity;
}

void vlt_release_book(XLS_BOOK *book) {
    if (!book || !book->env) return;
    std::unique_ptr<Env> owner(env(book));
    owner->stamp = 0;
    book->env = nullptr;
    book->model = nullptr;
    book->sheets = nullptr;
    book->sheet_num = 0;
    book->sheet_max = 0;
}

int help_charset() { return g_help_charset; }
void set_help_charset(int charset) { g_help_charset = charset; }

} // namespace vel

using namespace vel;

extern "C" {

int VXLS_open_book(XLS_BOOK *book, const char *options) {
    if (!book) return -3;
    return vlt_guard(book, [&] { return open_book(book, options); });
}

int VXLS_open_memory_book(XLS_BOOK *book, const char *, const void *image, long length) {
    if (!book) return -3;
    return vlt_guard(book, [&] { return open_memory_book(book, image, length); });
}

int VXLS_close_book(XLS_BOOK *book, const char *options) {
    if (!book) return 0;
    return vlt_guard(book, [&] { return close_book(book, options); });
}

int VXLS_close_memory_book(XLS_BOOK *book, const char *, void *buffer, long *size) {
    if (!book) return -3;
    return vlt_guard(book, [&] { return close_memory_book(book, buffer, size); });
}

int VXLS_free_book(XLS_BOOK *book) {
    if (book_is_open(book)) vlt_release_book(book);
    return 0;
}

int VXLS_swap_book(int direction) {
    mcopy(direction == 0 ? 0 : 1);
    return 0;
}

int VXLS_version(XLS_BOOK *, char *text) {
    if (text) std::memcpy(text, VXLS_VERSION_TEXT, sizeof VXLS_VERSION_TEXT);
    return 0;
}

} // extern "C"
