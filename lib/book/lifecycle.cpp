// Book lifecycle: opening a book from its option text, the reading modes,
// saving, and books held in memory.
#include "book/lifecycle.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "formula/evaluator.h"
#include "import/datasource.h"
#include "io/filetype.h"
#include "io/mfile.h"
#include "property/options.h"
#include "xls/book_reader.h"
#include "xlsx/read/reader.h"
#include "xlsx/writer.h"

namespace vel {

namespace {

constexpr size_t NAME_MAX_BYTES = 256;   // book and template names, in Shift-JIS bytes

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

// Options of the open call after parsing; texts in UTF-8.
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
    return path.size() < BOOK_PATH_LEN;
}

// A token too long for the option reader: reported with its first 64 bytes
// (whole characters).
int token_too_long(Book &book, std::string_view text, size_t start) {
    int cs = book.charset;
    size_t end = start;
    while (end < text.size()) {
        size_t n = char_bytes(cs, static_cast<unsigned char>(text[end]));
        if (end + n - start > 64) break;
        end += n;
    }
    std::string head = to_utf8(&book, text.substr(start, end - start));
    return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02210, head.c_str(), OPTION_TOKEN_MAX);
}

size_t skip_blanks(std::string_view text, size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    return pos;
}

// Reads the options left to right; CHARSET changes the character set of the
// tokens that follow it at once.
int parse_open_options(Book &book, std::string_view text, OpenOptions &opt, size_t handle_size) {
    std::string key, eq, value;
    size_t pos = 0;
    for (;;) {
        size_t start = skip_blanks(text, pos);
        int got = read_option_token(book.charset, text, pos, key);
        if (got == TOKEN_END) return rc::OK;
        if (got == TOKEN_TOO_LONG) return token_too_long(book, text, start);
        std::string key8 = to_utf8(&book, key);
        int which = lookup(kOpenKeys, key8);

        start = skip_blanks(text, pos);
        got = read_option_token(book.charset, text, pos, eq);
        if (got == TOKEN_END) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02303, key8.c_str());
        if (got == TOKEN_TOO_LONG) return token_too_long(book, text, start);
        if (eq != "=") return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02303, to_utf8(&book, eq).c_str());

        got = read_option_token(book.charset, text, pos, value);
        if (got == TOKEN_END) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02303, key8.c_str());
        if (got == TOKEN_TOO_LONG) {
            if (which == KEY_BOOK || which == KEY_TEMPLATE) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E00005);
            return token_too_long(book, text, skip_blanks(text, start + 1));
        }
        if (which < 0) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02200, key8.c_str());

        if (which != KEY_MODE) value = std::string(strip_double_quotes(value));
        std::string value8;
        if (!checked_utf8(&book, value, value8))
            return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02300, key8.c_str());
        switch (which) {
        case KEY_BOOK:
        case KEY_TEMPLATE:
            if (sjis_length(value8) > NAME_MAX_BYTES) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E00005);
            (which == KEY_BOOK ? opt.book : opt.tmpl) = value8;
            break;
        case KEY_MODE: {
            int mode = lookup(kOpenModes, value8);
            if (mode < 0) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E02200, value8.c_str());
            opt.mode = mode;
            break;
        }
        case KEY_CHARSET:
            if (int cs = lookup(kCharsets, value8); cs > 0) book.charset = cs;
            break;
        case KEY_VERSION:
            if (value8 != VXLS_VERSION_TEXT) return vlt_error(&book, rc::GENERAL, msg::E00901, value8.c_str());
            break;
        case KEY_XLS_BOOK: {
            long size = std::strtol(value8.c_str(), nullptr, 10);
            if (size != static_cast<long>(handle_size)) {
                char sizes[96];
                std::snprintf(sizes, sizeof sizes, "CALL側:%dbyte DLL側:%dbyte", static_cast<int>(size),
                              static_cast<int>(handle_size));
                return vlt_error(&book, rc::GENERAL, msg::E00902, sizes);
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
            if (value8.size() >= BOOK_PATH_LEN) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E00005);
            opt.temp_workbook = value8;
            break;
        }
    }
}

// Opens an existing workbook or template; the book is initialised.
int open_existing(Book &book, const OpenOptions &opt) {
    std::string name = workbook_name(opt.book);
    std::string read_path, write_path;
    if (opt.tmpl.empty()) {
        if (opt.read_memory) {
            read_path = name;
            write_path = name;
        } else {
            if (!joined_path(name, read_path)) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E00005);
            write_path = read_path;
        }
    } else {
        if (opt.read_memory) read_path = name;
        else if (!joined_path(workbook_name(opt.tmpl), read_path))
            return vlt_error(&book, rc::BAD_ARGUMENT, msg::E00005);
        write_path = name;
        if (write_path.size() >= BOOK_PATH_LEN) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E00005);
    }
    if (read_path.empty()) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E03101, "");

    // A memory workbook set aside by an earlier book is taken into this one.
    if (opt.read_memory && !mfind(book.files, read_path.c_str())) mtake_aside(book.files, read_path.c_str());
    int type = -1;
    int got = file_type(opt.read_memory ? 0 : 1, read_path.c_str(), &type, &book.files);
    if (got != 0) return vlt_error(&book, rc::OPEN_FAILED, msg::E03101, read_path.c_str());

    if (type == VXLS_FILE_XLS && opt.tmpl.empty()) {
        if (book.reset(true) != 0) return vlt_error(&book, rc::NO_MEMORY, msg::E00002);
        book.temp_workbook_path = opt.temp_workbook;
        book.load_mode = opt.mode == MODE_LOAD || opt.mode == MODE_UNLOAD;
        book.unload_mode = opt.mode == MODE_UNLOAD;
        book.new_book = false;
        got = vlt_read_excel2003(book, read_path, opt.read_memory);
        if (got == 0) {
            book.book_path = read_path;
            return rc::OK;
        }
        if (got == rc::NO_MEMORY) return vlt_error(&book, rc::NO_MEMORY, msg::E00002);
        if (got == rc::UNSUPPORTED) return rc::XLS_REFUSED;   // damaged or encrypted: message recorded
        if (got == rc::LIMIT) return rc::GENERAL;              // the overflow's message stays
        return vlt_error_keep(&book, rc::GENERAL, msg::E03110);
    }
    if (type != VXLS_FILE_XLSX && type != VXLS_FILE_XLSM)
        return vlt_error(&book, rc::UNSUPPORTED, msg::E00900, read_path.c_str());
    if (type == VXLS_FILE_XLSM) book.macro_book = true;

    book.new_book = false;
    book.load_mode = opt.mode == MODE_LOAD || opt.mode == MODE_UNLOAD;
    book.unload_mode = opt.mode == MODE_UNLOAD;
    if (book.macro_book && !ends_with_nocase(write_path, ".xlsm") && write_path.size() >= 5)
        write_path.replace(write_path.size() - 5, 5, ".xlsm");
    book.book_path = write_path;

    got = vlt_read_excel2007(book, read_path, opt.read_memory);
    if (got == 0 && book.model.source && book.model.source->strict && (opt.mode == MODE_UPDATE || !opt.tmpl.empty())) {
        // A Strict package is read; a save could not give it back as it was.
        const std::string what = read_path + ": Strict Open XML is read, not written";
        return vlt_error(&book, rc::UNSUPPORTED, msg::E00900, what.c_str());
    }
    if (got == 0) {
        book.read_memory = opt.read_memory;
        book.write_memory = opt.write_memory;
        return rc::OK;
    }
    if (got == rc::UNSUPPORTED) return vlt_error_keep(&book, rc::UNSUPPORTED, msg::E00900, read_path.c_str());
    if (got == rc::OPEN_FAILED || got == rc::READ_FAILED)
        return vlt_error_keep(&book, rc::OPEN_FAILED, msg::E03101, read_path.c_str());
    if (got == rc::NO_MEMORY) return vlt_error(&book, rc::NO_MEMORY, msg::E00002);
    char detail[48];
    std::snprintf(detail, sizeof detail, "vlt_read_excel2007() rc=%d", got);
    return vlt_error_keep(&book, rc::GENERAL, msg::E03600, detail);
}

// Runs the book's save with the writer its origin asks for.
int save_to(Book &book, const std::string &path, SaveTarget target) {
    // A book read from an .xls is written as a package, never over an .xls
    // name (the file would no longer be what its name says): BOOK= names the
    // .xlsx to write.
    if (target == SaveTarget::Disk && !book.model.source && template_mode(&book) && ends_with_nocase(path, ".xls"))
        return vlt_error(&book, rc::UNSUPPORTED, msg::E00900, path.c_str());
    int got = template_mode(&book) ? vlt_update_excel2007(&book, path.c_str(), target)
                                   : vlt_create_excel2007(&book, path.c_str(), target);
    switch (got) {
    case rc::OK:
        return rc::OK;
    case rc::ZIP_FAILED:
    case rc::OPEN_FAILED:
    case rc::WRITE_FAILED:
        return vlt_error_keep(&book, rc::WRITE_FAILED, msg::E03121, path.c_str());
    case rc::LIMIT:
        return vlt_error_keep(&book, rc::OVERFLOW, msg::E03009, 0, "vlt_create_excel2007()");
    case rc::UNSUPPORTED:
        return vlt_error_keep(&book, target == SaveTarget::Memory ? rc::BAD_ARGUMENT : rc::UNSUPPORTED,
                              msg::E03121, path.c_str());
    case rc::NO_MEMORY:
        return vlt_error_keep(&book, rc::NO_MEMORY, msg::E00002);
    default: {
        char detail[48];
        std::snprintf(detail, sizeof detail, "vlt_create_excel2007() rc=%d", got);
        return vlt_error_keep(&book, rc::GENERAL, msg::E03600, detail);
    }
    }
}

// The TEMPLATE keyword: the template is read into a book that has no sheets
// yet; the book enters template mode and keeps its own name. A template
// that cannot be read leaves the book as it was.
int load_template(Book &book, std::string_view path_utf8) {
    if (!book.model.sheets.empty())
        return vlt_error(&book, rc::BAD_ARGUMENT, msg::E03600, "TEMPLATE: the book has sheets already");
    const std::string path(path_utf8);
    Book scratch;
    scratch.charset = book.charset;
    scratch.loaders = book.loaders;
    if (int got = vlt_read_excel2007(scratch, path, false); got != 0)
        return vlt_error(&book, got, "%s", scratch.diag.message.c_str());
    book.model = std::move(scratch.model);
    book.new_book = false;
    book.recalc = scratch.recalc;
    book.template_path = path;
    book.current_sheet = 0;
    return rc::OK;
}

} // namespace

int vlt_open_book(Book &book, std::string_view options, size_t handle_size) {
    OpenOptions opt;
    if (int got = parse_open_options(book, options, opt, handle_size); got != 0) return got;
    if (book.reset(false) != 0) return vlt_error(&book, rc::NO_MEMORY, msg::E00002);
    book.open_mode = opt.mode;
    book.loaders.datasource = vlt_load_datasource;
    book.loaders.formula_check = formula::vlt_check_formula;
    book.loaders.template_book = [](Book &b, std::string_view path) { return load_template(b, path); };

    if (opt.mode == MODE_CREATE && opt.tmpl.empty()) {
        std::string path;
        if (!joined_path(workbook_name(opt.book), path)) return vlt_error(&book, rc::BAD_ARGUMENT, msg::E00005);
        book.book_path = path;
        return rc::OK;
    }
    return open_existing(book, opt);
}

int vlt_open_memory_book(Book &book, const void *image, long length, size_t handle_size) {
    if (length < 0 || (!image && length > 0))
        return vlt_error(&book, rc::BAD_ARGUMENT, msg::E03600, "VXLS_open_memory_book() image");
    MFILE *f = mopen(book.files, MEMORY_BOOK, "wb");
    if (!f) return vlt_error(&book, rc::OPEN_FAILED, msg::E03101, MEMORY_BOOK);
    size_t written = length > 0 ? mwrite(image, 1, static_cast<size_t>(length), f) : 0;
    mclose(f);
    if (written != static_cast<size_t>(length)) {
        mdelete(book.files, MEMORY_BOOK);
        return vlt_error(&book, rc::WRITE_FAILED, msg::E03121, MEMORY_BOOK);
    }
    std::string options = std::string("MODE=READ BOOK=") + MEMORY_BOOK + " READ_MEMORY=TRUE";
    // The option text is ASCII: it reads alike in every character set.
    return vlt_open_book(book, options, handle_size);
}

bool close_asks_save(const Book &book, std::string_view text) {
    bool save = false;
    std::string token;
    size_t pos = 0;
    for (;;) {
        int got = read_option_token(book.charset, text, pos, token);
        if (got == TOKEN_END) break;
        if (got != 0) continue;
        std::string word = to_utf8(&book, token);
        if (same_nocase(word, "SAVE") || word == "保存") save = true;
        else if (same_nocase(word, "DESTROY") || word == "破棄") save = false;
    }
    return save;
}

int vlt_save_book(Book &book, bool to_memory) {
    return save_to(book, book.book_path, to_memory || book.write_memory ? SaveTarget::Memory : SaveTarget::Disk);
}

int vlt_save_to_buffer(Book &book, void *buffer, long *size) {
    if (!size || *size < 0 || (!buffer && *size > 0))
        return vlt_error(&book, rc::BAD_ARGUMENT, msg::E03600, "VXLS_close_memory_book() buffer");
    if (int got = save_to(book, MEMORY_BOOK, SaveTarget::Memory); got != 0) return got;

    // The package lives in the memory file only until it is copied out.
    struct Drop {
        MFileTable &files;
        ~Drop() { mdelete(files, MEMORY_BOOK); }
    } drop{book.files};
    MFILE *f = mopen(book.files, MEMORY_BOOK, "rb");
    if (!f) return vlt_error(&book, rc::OPEN_FAILED, msg::E03101, MEMORY_BOOK);
    long length = -1;
    if (mseek(f, 0, SEEK_END) == 0) length = mtell(f);
    if (length < 0 || mseek(f, 0, SEEK_SET) != 0) {
        mclose(f);
        return vlt_error(&book, rc::READ_FAILED, msg::E03120, MEMORY_BOOK);
    }
    if (length > *size) {
        char need[40];
        std::snprintf(need, sizeof need, "need %ld bytes", length);
        long cap = *size;
        mclose(f);
        return vlt_error(&book, rc::OVERFLOW, msg::E03009, static_cast<int>(cap > INT32_MAX ? INT32_MAX : cap), need);
    }
    size_t got = length > 0 ? mread(buffer, 1, static_cast<size_t>(length), f) : 0;
    mclose(f);
    if (got != static_cast<size_t>(length)) return vlt_error(&book, rc::READ_FAILED, msg::E03120, MEMORY_BOOK);
    *size = length;
    return rc::OK;
}

} // namespace vel
