// CSV and TSV loads: a buffered line reader, an RFC 4180 field splitter
// (quoted fields, doubled quotes, line breaks inside quotes) and the fill of
// consecutive rows, with row insertion in template mode.
#include "import/datasource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "model/cellname.h"
#include "model/cellvalue.h"
#include "model/sheets.h"
#include "model/store.h"
#include "property/options.h"
#include "property/put_values.h"

namespace vel {

namespace {

constexpr size_t PATH_LIMIT = 256;
constexpr size_t LINE_LIMIT = 16384;
constexpr size_t FIELD_LIMIT = 4000;
constexpr size_t FIELDS_LIMIT = 1000;
constexpr size_t LOAD_DEPTH_LIMIT = 16;   // files being loaded inside one another

// Marks a data file as being loaded for as long as the guard lives. A file
// that is already being loaded (reached again through its own property
// lines, directly or through other files) is refused: loading it again
// would never end.
class LoadGuard {
public:
    LoadGuard(Book &book, std::FILE *f) : book_(book) {
        struct stat st {};
        if (::fstat(fileno(f), &st) != 0) return;
        identity_ = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    }
    ~LoadGuard() {
        if (entered_) book_.loading.pop_back();
    }
    LoadGuard(const LoadGuard &) = delete;
    LoadGuard &operator=(const LoadGuard &) = delete;

    // False when the file is already being loaded or the nesting is too deep.
    bool enter() {
        if (book_.loading.size() >= LOAD_DEPTH_LIMIT) return false;
        if (!identity_.empty() &&
            std::find(book_.loading.begin(), book_.loading.end(), identity_) != book_.loading.end())
            return false;
        book_.loading.push_back(identity_);
        entered_ = true;
        return true;
    }

private:
    Book &book_;
    std::string identity_;
    bool entered_ = false;
};

int refuse_nested_load(Book *book, const std::string &path) {
    std::string shown = repaired_utf8(path) + " (読み込み中)";
    return vlt_error(book, rc::GENERAL, msg::E00100, shown.c_str());
}

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

// Physical lines of a file, without their CR LF / LF terminators.
class LineReader {
public:
    explicit LineReader(std::FILE *f) : f_(f), buf_(65536) {}

    // 1: a line in `line`; 0: end of file; -1: a line longer than LINE_LIMIT.
    int next(std::string &line) {
        line.clear();
        for (;;) {
            if (pos_ == len_) {
                len_ = std::fread(buf_.data(), 1, buf_.size(), f_);
                pos_ = 0;
                if (len_ == 0) {
                    if (line.empty() && !pending_) return 0;
                    pending_ = false;
                    return finish(line);
                }
            }
            pending_ = true;
            const char *start = buf_.data() + pos_;
            const char *nl = static_cast<const char *>(std::memchr(start, '\n', len_ - pos_));
            size_t n = nl ? static_cast<size_t>(nl - start) : len_ - pos_;
            line.append(start, n);
            pos_ += n;
            if (line.size() > LINE_LIMIT + 1) return -1;
            if (nl) {
                ++pos_;
                pending_ = false;
                return finish(line);
            }
        }
    }

private:
    int finish(std::string &line) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line.size() > LINE_LIMIT ? -1 : 1;
    }
    std::FILE *f_;
    std::vector<char> buf_;
    size_t pos_ = 0, len_ = 0;
    bool pending_ = false;
};

// Splits one record into fields. Returns 1 when the record is complete, 0
// when a quoted field runs on past the end of `line` (more lines needed).
// `in_quotes` carries that state across the lines of one record.
int split_fields(std::string_view line, char sep, std::vector<std::string> &fields, bool &in_quotes,
                 bool continuing) {
    size_t i = 0;
    if (!continuing) {
        fields.clear();
        fields.emplace_back();
    } else {
        fields.back().push_back('\n');
    }
    while (i < line.size()) {
        char ch = line[i];
        std::string &f = fields.back();
        if (in_quotes) {
            if (ch == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    f.push_back('"');
                    i += 2;
                    continue;
                }
                in_quotes = false;
                ++i;
                continue;
            }
            f.push_back(ch);
            ++i;
            continue;
        }
        if (ch == sep) {
            fields.emplace_back();
            ++i;
            continue;
        }
        if (ch == '"' && f.empty()) {
            in_quotes = true;
            ++i;
            continue;
        }
        f.push_back(ch);
        ++i;
    }
    return in_quotes ? 0 : 1;
}

bool row_has_content(const Sheet &sheet, int r) {
    if (r >= static_cast<int>(sheet.rows.size())) return false;
    const Row &row = sheet.rows[r];
    for (int c = 0; c < row.used && c < static_cast<int>(row.cells.size()); ++c) {
        const Cell &cell = row.cells[c];
        if (cell.kind != CELL_EMPTY) return true;
        if (const CellText *t = texts_of(sheet, cell); t && !t->formula.empty()) return true;
    }
    return false;
}

// Inserts a row at r (template mode): the rows from r down move one down,
// taking their merges, links, comments, page breaks and drawings along; the
// new row copies the look (styles and height) of the row above.
bool insert_row(Sheet &sheet, int r) {
    try {
        Row fresh;
        if (r > 0 && r - 1 < static_cast<int>(sheet.rows.size())) {
            const Row &above = sheet.rows[r - 1];
            fresh.cells.reserve(above.cells.capacity());
            for (const Cell &c : above.cells) {
                Cell n;
                n.style = c.style;
                fresh.cells.push_back(n);
            }
            fresh.used = above.used;
            fresh.height = above.height;
            fresh.marks = above.marks & ROW_HEIGHT_AUTO;
        }
        sheet.rows.insert(sheet.rows.begin() + r, std::move(fresh));
    } catch (const std::bad_alloc &) {
        return false;
    }
    ++sheet.used_rows;
    for (Range &m : sheet.merges) {
        if (m.r1 >= r) ++m.r1;
        if (m.r2 >= r) ++m.r2;
    }
    for (Hyperlink &h : sheet.links)
        if (h.row >= r) ++h.row;
    for (Comment &c : sheet.comments)
        if (c.row >= r) ++c.row;
    for (int32_t &b : sheet.row_breaks)
        if (b >= r) ++b;
    auto shift = [r](int32_t &row) {
        if (row >= r) ++row;
    };
    auto shift_block = [&](CellBlock &b) {
        if (b.empty()) return;
        shift(b.r1);
        shift(b.r2);
    };
    for (Picture &p : sheet.pictures) shift(p.at.row);
    for (Shape &s : sheet.shapes) {
        shift(s.at.row);
        shift(s.end.row);
    }
    for (Chart &c : sheet.charts) {
        shift(c.at.row);
        shift_block(c.data);
        for (ChartSeries &s : c.series) {
            shift_block(s.name);
            shift_block(s.categories);
            shift_block(s.values);
            shift_block(s.sizes);
        }
    }
    for (Table &t : sheet.tables) shift_block(t.ref);
    for (SparklineGroup &g : sheet.sparklines) {
        shift_block(g.cells);
        if (g.source_sheet == sheet.name) shift_block(g.source);
    }
    return true;
}

} // namespace

int vlt_load_datasource(Book &owner, const PropTarget &t, std::string_view path, char sep) {
    Book *book = &owner;
    if (path.size() > PATH_LIMIT) return vlt_error(book, -3, msg::E00005);
    int sheet_index = t.sheet >= 0 ? t.sheet : book->current_sheet;
    Sheet *sheet = sheet_at(book, sheet_index);
    if (!sheet) return vlt_error(book, -1, msg::E03600, "vlt_load_datasource() sheet");
    const int max_rows = book->max_rows > 0 ? book->max_rows : GRID_ROWS;
    const int max_cols = book->max_columns > 0 ? book->max_columns : GRID_COLS;
    int r0 = t.row >= 0 ? t.row : 0, c0 = t.col >= 0 ? t.col : 0;
    int rmax = max_rows - 1, cmax = max_cols - 1;
    if (t.nranges > 0) {
        r0 = std::min(t.ranges[0][0], t.ranges[0][2]);
        rmax = std::max(t.ranges[0][0], t.ranges[0][2]);
        c0 = std::min(t.ranges[0][1], t.ranges[0][3]);
        cmax = std::max(t.ranges[0][1], t.ranges[0][3]);
        if (r0 < 0) r0 = 0;
        if (c0 < 0) c0 = 0;
    }
    std::string path_text(path);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path_text.c_str(), "rb"));
    if (!file) return vlt_error(book, -101, msg::E00100, path_text.c_str());
    LoadGuard guard(owner, file.get());
    if (!guard.enter()) return refuse_nested_load(book, path_text);

    const int caller_cs = book->charset;
    int file_cs = caller_cs;
    LineReader reader(file.get());
    std::string line, utf8, property;
    std::vector<std::string> fields;
    bool in_quotes = false, continuing = false, first = true;
    int loaded = 0, widest = 0;
    try {
        for (;;) {
            int got = reader.next(line);
            if (got < 0) return vlt_error(book, -9, msg::E03009, static_cast<int>(LINE_LIMIT), "vlt_load_datasource() line");
            if (got == 0) {
                if (!continuing) break;
                in_quotes = false; // an unterminated quote ends with the file
            } else {
                std::string_view text(line);
                if (first) {
                    first = false;
                    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
                        text.remove_prefix(3);
                        file_cs = VXLS_CHARSET_UTF8;
                    }
                }
                if (!continuing && !text.empty() && text[0] == '!') {
                    if (convert_charset(property, text.substr(1), file_cs, caller_cs) != 0)
                        return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, repaired_utf8(text.substr(1, 64)).c_str());
                    if (vlt_put_values(book, property) != 0) return rc::GENERAL;
                    sheet = sheet_at(book, sheet_index); // the property text may have added sheets
                    if (!sheet) return vlt_error(book, -1, msg::E03600, "vlt_load_datasource() sheet");
                    continue;
                }
                if (convert_charset(utf8, text, file_cs, VXLS_CHARSET_UTF8) != 0) {
                    char where[48];
                    std::snprintf(where, sizeof where, "%s line %d", "CSV", loaded + 1);
                    return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, where);
                }
                if (split_fields(utf8, sep, fields, in_quotes, continuing) == 0) {
                    continuing = true;
                    if (fields.back().size() > FIELD_LIMIT)
                        return vlt_error(book, -9, msg::E03009, static_cast<int>(FIELD_LIMIT), "vlt_load_datasource() field");
                    continue;
                }
            }
            continuing = false;
            if (fields.size() > FIELDS_LIMIT)
                return vlt_error(book, -9, msg::E03009, static_cast<int>(FIELDS_LIMIT), "vlt_load_datasource() fields");
            for (const std::string &f : fields)
                if (f.size() > FIELD_LIMIT)
                    return vlt_error(book, -9, msg::E03009, static_cast<int>(FIELD_LIMIT), "vlt_load_datasource() field");
            int row = r0 + loaded;
            if (row > rmax || row >= max_rows) continue; // beyond the target: not filled
            if (template_mode(book) && loaded > 0 && row_has_content(*sheet, row)) {
                if (sheet->used_rows >= max_rows || !insert_row(*sheet, row)) return vlt_error(book, -2, msg::E00002);
            }
            for (size_t i = 0; i < fields.size(); ++i) {
                const std::string &f = fields[i];
                int col = c0 + static_cast<int>(i);
                if (col > cmax || col >= max_cols) break;
                if (f.empty()) continue;
                if (template_mode(book)) {
                    const Cell *cell = find_cell(*sheet, row, col);
                    const CellText *t = cell ? texts_of(*sheet, *cell) : nullptr;
                    if (cell && (cell->kind == CELL_FORMULA || (t && !t->formula.empty())))
                        continue;
                }
                int rc = vlt_put_cell_utf8(book, sheet_index, row, col, f);
                if (rc != 0) return rc;
            }
            ++loaded;
            widest = std::max(widest, static_cast<int>(fields.size()));
            book->rownum = loaded;
            book->clmnum = widest;
            if (got == 0) break;
        }
    } catch (const std::bad_alloc &) {
        return vlt_error(book, -2, msg::E00002);
    }
    book->rownum = loaded;
    book->clmnum = widest;
    return 0;
}

} // namespace vel

// VXLS_read_file: a file of property lines, each handed to VXLS_put_values.
namespace vel {

namespace {

int read_file_options(Book *book, std::string_view text, std::string &path, int &file_cs) {
    const int cs = book->charset;
    std::string key, eq, value;
    size_t pos = 0;
    bool have_file = false;
    for (;;) {
        int rc = read_option_token(cs, text, pos, key);
        if (rc == TOKEN_END) break;
        if (rc != 0) return -3;
        std::string key8 = to_utf8(book, key);
        bool is_file = same_nocase(key8, "FILE") || key8 == "ファイル";
        bool is_charset = same_nocase(key8, "CHARSET") || key8 == "文字コード";
        if (!is_file && !is_charset) return vlt_error(book, -3, msg::E02200, key8.c_str());
        rc = read_option_token(cs, text, pos, eq);
        if (rc != 0) return -3;
        if (eq != "=") return vlt_error(book, -3, msg::E02303, to_utf8(book, eq).c_str());
        if (read_option_token(cs, text, pos, value) != 0) return -3;
        std::string value8 = to_utf8(book, strip_double_quotes(value));
        if (is_file) {
            if (value8.size() > PATH_LIMIT) return vlt_error(book, -3, msg::E00005);
            path = std::move(value8);
            have_file = true;
        } else if (same_nocase(value8, "SJIS") || same_nocase(value8, "ShiftJIS") ||
                   same_nocase(value8, "Shift-JIS") || value8 == "Shift JIS") {
            file_cs = VXLS_CHARSET_SJIS;
        } else if (same_nocase(value8, "EUC")) {
            file_cs = VXLS_CHARSET_EUC;
        } else if (same_nocase(value8, "UTF8") || same_nocase(value8, "UTF-8")) {
            file_cs = VXLS_CHARSET_UTF8;
        } else {
            return vlt_error(book, -3, msg::E02200, value8.c_str());
        }
    }
    return have_file ? 0 : -3;
}

} // namespace

int vlt_read_property_file(Book *book, std::string_view options) {
    std::string path;
    int file_cs = VXLS_CHARSET_SJIS;
    if (int rc = read_file_options(book, options, path, file_cs); rc != 0) return rc;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return vlt_error(book, -101, msg::E03100, path.c_str());
    LoadGuard guard(*book, file.get());
    if (!guard.enter()) return refuse_nested_load(book, path);
    const int book_cs = book->charset;
    LineReader reader(file.get());
    std::string line, converted;
    bool first = true;
    for (;;) {
        int got = reader.next(line);
        if (got == 0) return 0;
        if (got < 0) return vlt_error(book, -1, msg::E03009, static_cast<int>(LINE_LIMIT), "VXLS_read_file() line");
        std::string_view text(line);
        if (first) {
            first = false;
            if (text.substr(0, 3) == "\xEF\xBB\xBF") {
                text.remove_prefix(3);
                file_cs = VXLS_CHARSET_UTF8;
            }
        }
        if (!text.empty() && text[0] == '!') continue;
        if (convert_charset(converted, text, file_cs, book_cs) != 0)
            return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, repaired_utf8(text.substr(0, 64)).c_str());
        if (vlt_put_values(book, converted) != 0) return rc::GENERAL;
    }
}

} // namespace vel
