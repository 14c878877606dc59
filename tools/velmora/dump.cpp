// Every sheet (or one) of a workbook opened in UTF-8, read one row at a time
// with VXLS_get_cells and written as CSV (RFC 4180, CRLF), TSV (tab, line
// feed and backslash escaped) or JSON. At most a row is held at a time; before
// a sheet is written, one pass over the row lengths (no texts) finds its
// width and its last row with cells.
#include "dump.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "cells.h"
#include "common.h"

namespace velcmd {

void put_csv_field(std::string &line, const char *text)
{
    if (!std::strpbrk(text, ",\"\r\n")) {
        line += text;
        return;
    }
    line += '"';
    for (const char *p = text; *p; ++p) {
        if (*p == '"')
            line += '"';
        line += *p;
    }
    line += '"';
}

void put_tsv_field(std::string &line, const char *text)
{
    for (const char *p = text; *p; ++p) {
        switch (*p) {
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\\': line += "\\\\"; break;
        default: line += *p;
        }
    }
}

namespace {

// Length of the well-formed UTF-8 sequence at `p` (no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0.
size_t utf8_sequence(const unsigned char *p)
{
    const unsigned char c = p[0];
    auto cont = [&](int i) { return (p[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F))
            return 0;
        return cont(1) && cont(2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F))
            return 0;
        return cont(1) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

} // namespace

void put_json_string(std::string &line, const char *text)
{
    static const char hex[] = "0123456789abcdef";
    line += '"';
    for (auto p = reinterpret_cast<const unsigned char *>(text); *p;) {
        const unsigned char c = *p;
        if (c >= 0x80) {
            // The terminator stops a check that reads past a short sequence.
            size_t n = utf8_sequence(p);
            if (n == 0) {
                line += "\\ufffd";   // a byte that is no UTF-8
                ++p;
            } else {
                line.append(reinterpret_cast<const char *>(p), n);
                p += n;
            }
            continue;
        }
        switch (c) {
        case '"': line += "\\\""; break;
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\t': line += "\\t"; break;
        case '\b': line += "\\b"; break;
        case '\f': line += "\\f"; break;
        default:
            if (c < 0x20) {
                line += "\\u00";
                line += hex[c >> 4];
                line += hex[c & 15];
            } else {
                line += char(c);
            }
        }
        ++p;
    }
    line += '"';
}

namespace {

class Dumper {
public:
    Dumper(XLS_BOOK *book, Format format, std::FILE *out) : book_(book), format_(format), out_(out) {}

    bool begin_book()
    {
        if (format_ == Format::json)
            line_ = "{\"sheets\": [";
        return flush();
    }

    // Writes one sheet; false when the output or a read failed.
    bool sheet(int index, const CellRange &range, bool several, bool first)
    {
        char name[XLS_SHEET_NAME_LEN] = "";
        VXLS_sheet_name(book_, index, name);
        if (VXLS_open_sheet2(book_, index) != 0)
            return fail_read();
        // The rows with cells inside the range, and the widest of them.
        const int rows = VXLS_row_num(book_);
        int last_row = -1, width = 0;
        for (int r = range.row1; r < rows && r <= range.row2; ++r) {
            int used = std::min(VXLS_column_num(book_, r), range.column2 + 1) - range.column1;
            if (used > 0) {
                last_row = r;
                width = std::max(width, used);
            }
        }
        if (format_ == Format::json) {
            line_ += first ? "\n  " : ",\n  ";
            line_ += "{\"name\": ";
            put_json_string(line_, name);
            line_ += ", \"rows\": [";
        } else if (several) {
            line_ += "--- sheet " + std::to_string(index + 1) + ": " + name + (format_ == Format::csv ? "\r\n" : "\n");
        }
        for (int r = range.row1; r <= last_row; ++r) {
            const int used = std::max(0, std::min(VXLS_column_num(book_, r), range.column2 + 1) - range.column1);
            if (format_ == Format::json) {
                line_ += r == range.row1 ? "\n    [" : ",\n    [";
            }
            int done = 0;
            int rc = reader_.read(book_, 0, index, r, range.column1, used, [&](const char *text) {
                switch (format_) {
                case Format::csv:
                    if (done)
                        line_ += ',';
                    put_csv_field(line_, text);
                    break;
                case Format::tsv:
                    if (done)
                        line_ += '\t';
                    put_tsv_field(line_, text);
                    break;
                case Format::json:
                    if (done)
                        line_ += ", ";
                    put_json_string(line_, text);
                    break;
                }
                ++done;
                // A row of many long texts is written as it is read too.
                if (line_.size() >= (1u << 16))
                    flush();
            });
            if (write_error_)
                return false;
            if (rc != 0)
                return fail_read();
            if (format_ == Format::json) {
                line_ += ']';
            } else {
                // Every record has the sheet's number of fields.
                if (width > 0)
                    line_.append(size_t(width - 1 - std::max(used - 1, 0)), format_ == Format::csv ? ',' : '\t');
                line_ += format_ == Format::csv ? "\r\n" : "\n";
            }
            if (line_.size() >= (1u << 16) && !flush())
                return false;
        }
        if (format_ == Format::json)
            line_ += last_row >= range.row1 ? "\n  ]}" : "]}";
        return flush();
    }

    bool end_book()
    {
        if (format_ == Format::json)
            line_ += "\n]}\n";
        if (!flush())
            return false;
        if (std::fflush(out_) != 0 || std::ferror(out_)) {
            write_error_ = errno ? errno : EIO;
            return false;
        }
        return true;
    }

    // Why the dump stopped: a write error (errno value) or the library's message.
    int write_error() const { return write_error_; }
    const std::string &read_error() const { return read_error_; }

private:
    // Writes what is held; after a failed write nothing more is written.
    bool flush()
    {
        if (!write_error_ && !line_.empty() && std::fwrite(line_.data(), 1, line_.size(), out_) != line_.size())
            write_error_ = errno ? errno : EIO;
        line_.clear();
        return !write_error_;
    }
    bool fail_read()
    {
        read_error_ = book_->error_info;
        return false;
    }

    XLS_BOOK *book_;
    Format format_;
    std::FILE *out_;
    CellReader reader_;
    std::string line_;
    int write_error_ = 0;
    std::string read_error_;
};

} // namespace

int dump(const DumpJob &job, std::FILE *out, std::FILE *err)
{
    CellRange range{0, 0, std::numeric_limits<int>::max() - 1, std::numeric_limits<int>::max() - 1};
    if (!job.range.empty() && !parse_range(job.range, range)) {
        say(err, "--range: " + job.range + " is not a cell or range such as A1:D10");
        return EXIT_USAGE;
    }
    BookHandle h;
    if (int rc = open_to_read(h, job.book, "UTF8", err); rc != EXIT_DONE)
        return rc;
    int first = 0, last = VXLS_sheet_num(&h.book) - 1;
    if (!job.sheet.empty()) {
        first = last = find_sheet(&h.book, job.sheet, err);
        if (first < 0)
            return EXIT_USAGE;
    }
    Dumper d(&h.book, job.format, out);
    bool ok = d.begin_book();
    for (int s = first; ok && s <= last; ++s)
        ok = d.sheet(s, range, last > first, s == first);
    if (ok)
        ok = d.end_book();
    if (ok)
        return EXIT_DONE;
    if (d.write_error())
        say(err, std::string("cannot write the output: ") + std::strerror(d.write_error()));
    else
        say(err, "cannot read " + job.book + ": " + d.read_error());
    return EXIT_FAILED;
}

} // namespace velcmd
