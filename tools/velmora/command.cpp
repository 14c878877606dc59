// Command-line parsing and the run, find and help commands (dump has its
// own file).
#include "command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "cells.h"
#include "common.h"
#include "dump.h"
#include "terminal.h"

#ifndef VELMORA_TOOL_VERSION
#define VELMORA_TOOL_VERSION VXLS_VERSION_TEXT
#endif

namespace velcmd {

std::string usage()
{
    return "usage: velmora run SCRIPT [-o OUT] [--charset sjis|euc|utf8]\n"
           "       velmora dump BOOK [--sheet NAME|N] [--range A1:D10] [--format csv|tsv|json]\n"
           "       velmora find BOOK TEXT [--down] [--count N] [--sheet NAME] [--range A1:D10]\n"
           "       velmora help | --help | --version\n"
           "\n"
           "  run    applies a file of property text lines to a new workbook and saves it\n"
           "         as OUT (default: SCRIPT with the extension .xlsx); --charset is the\n"
           "         script's character set (default utf8)\n"
           "  dump   writes the shown text of every cell (.xlsx, .xlsm, .xls) in UTF-8 to\n"
           "         standard output; several sheets in csv or tsv are each introduced by\n"
           "         a line \"--- sheet N: NAME\"\n"
           "  find   finds the first cell showing TEXT and prints where it is and N cells\n"
           "         from it, read to the right (or down with --down)\n"
           "  help   prints the reference card of the property keys\n"
           "\n"
           "Exit status: 0 done, 1 the job failed, 2 bad usage.\n";
}

namespace {

// The options of one command: flags, options with a value, and operands.
struct Parsed {
    std::vector<std::string> operands;
    std::string problem;
};

// Reads args[1..]: `with_value` lists the options that take a value,
// `flags` those that do not; values land in `values` by option name.
Parsed parse(const std::vector<std::string> &args, const std::vector<std::string> &with_value,
             const std::vector<std::string> &flags, std::vector<std::pair<std::string, std::string>> &values)
{
    Parsed p;
    bool options_end = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (!options_end && a == "--") {
            options_end = true;
        } else if (!options_end && a.size() > 1 && a[0] == '-') {
            std::string name = a, value;
            bool inline_value = false;
            if (size_t eq = a.find('='); a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                inline_value = true;
            }
            bool takes = false, known = false;
            for (const std::string &o : with_value)
                if (o == name)
                    known = takes = true;
            for (const std::string &o : flags)
                if (o == name && !inline_value)
                    known = true;
            if (!known) {
                p.problem = "unknown option " + a;
                return p;
            }
            if (takes && !inline_value) {
                if (i + 1 >= args.size()) {
                    p.problem = name + " needs a value";
                    return p;
                }
                value = args[++i];
            }
            values.emplace_back(name, value);
        } else {
            p.operands.push_back(a);
        }
    }
    return p;
}

const std::string *option(const std::vector<std::pair<std::string, std::string>> &values, const std::string &a,
                          const std::string &b = "")
{
    const std::string *found = nullptr;
    for (const auto &[name, value] : values)
        if (name == a || (!b.empty() && name == b))
            found = &value;   // the last one given wins
    return found;
}

bool is_regular(const std::string &path, std::string &why)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    return true;
}

int bad_usage(std::FILE *err, const std::string &problem)
{
    say(err, problem);
    std::fputs(usage().c_str(), err);
    return EXIT_USAGE;
}

int run_script(const std::vector<std::string> &args, std::FILE *out, std::FILE *err)
{
    std::vector<std::pair<std::string, std::string>> values;
    Parsed p = parse(args, {"-o", "--output", "--charset"}, {}, values);
    if (!p.problem.empty())
        return bad_usage(err, p.problem);
    if (p.operands.size() != 1)
        return bad_usage(err, p.operands.empty() ? "run needs a SCRIPT" : "run takes one SCRIPT");
    const std::string script = p.operands[0];
    std::string charset = "UTF8";
    if (const std::string *c = option(values, "--charset")) {
        if (strcasecmp(c->c_str(), "sjis") == 0)
            charset = "SJIS";
        else if (strcasecmp(c->c_str(), "euc") == 0)
            charset = "EUC";
        else if (strcasecmp(c->c_str(), "utf8") == 0 || strcasecmp(c->c_str(), "utf-8") == 0)
            charset = "UTF8";
        else
            return bad_usage(err, "--charset must be sjis, euc or utf8");
    }
    std::string output;
    if (const std::string *o = option(values, "-o", "--output")) {
        if (o->empty())
            return bad_usage(err, "-o needs a path");
        output = *o;
    } else {
        // Beside the script: its name with the extension .xlsx.
        size_t slash = script.rfind('/');
        size_t dot = script.rfind('.');
        output = (dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1)
                      ? script.substr(0, dot) : script) + ".xlsx";
    }
    std::string why;
    if (!is_regular(script, why)) {
        say(err, "cannot read " + script + ": " + why);
        return EXIT_FAILED;
    }
    const std::string file_option = path_option("FILE", script);
    const std::string book_option = path_option("BOOK", output);
    if (file_option.empty() || book_option.empty())
        return bad_usage(err, "a path with a double quote in it cannot be used");
    struct stat a {}, b {};
    if (::stat(output.c_str(), &b) == 0 && ::stat(script.c_str(), &a) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
        return bad_usage(err, "the output would replace the script " + script);

    // A script that stores cells before it names a sheet (SHEET=...) writes
    // into the first sheet of a new workbook, as a spreadsheet program
    // starts with one: when the script fails on a book without sheets, it
    // is applied again to a book with that sheet.
    BookHandle h;
    for (bool first_sheet : {false, true}) {
        VXLS_free_book(&h.book);
        if (VXLS_open_book(&h.book, ("CHARSET=UTF8 " + book_option).c_str()) != 0) {
            say(err, "cannot create " + output + ": " + h.book.error_info);
            return EXIT_FAILED;
        }
        if (first_sheet && VXLS_open_sheet(&h.book, "") != 0) {
            say(err, std::string("cannot create the first sheet: ") + h.book.error_info);
            return EXIT_FAILED;
        }
        if (VXLS_read_file(&h.book, (file_option + " CHARSET=" + charset).c_str()) == 0)
            break;
        if (first_sheet || VXLS_sheet_num(&h.book) != 0) {
            say(err, script + ": " + h.book.error_info);
            return EXIT_FAILED;
        }
    }
    const std::string written = h.book.book_path;
    if (VXLS_close_book(&h.book, "SAVE") != 0) {
        say(err, "cannot save " + written + ": " + h.book.error_info);
        return EXIT_FAILED;
    }
    std::fprintf(out, "velmora: wrote %s\n", to_terminal(written).c_str());
    return EXIT_DONE;
}

bool parse_count(const std::string &text, long &count)
{
    char *end = nullptr;
    errno = 0;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || n < 1 || n > 1048576)
        return false;
    count = n;
    return true;
}

// Prints "SHEET!CELL" and `count` shown texts from the found cell, tab-separated.
bool print_found(XLS_BOOK *book, const XLS_SEARCH &s, long count, CellReader &reader, std::FILE *out)
{
    char sheet[XLS_SHEET_NAME_LEN] = "", cell[16] = "";
    VXLS_sheet_name(book, s.found_sheet, sheet);
    VXLS_cell_name(s.found_row + 1, s.found_column + 1, cell);
    std::string line = std::string(sheet) + "!" + cell;
    int rc = reader.read(book, s.direction, s.found_sheet, s.found_row, s.found_column, count,
                         [&](const char *text) { (line += '\t') += text; });
    line += '\n';
    return rc == 0 && std::fwrite(line.data(), 1, line.size(), out) == line.size();
}

int find(const std::vector<std::string> &args, std::FILE *out, std::FILE *err)
{
    std::vector<std::pair<std::string, std::string>> values;
    Parsed p = parse(args, {"--count", "--sheet", "--range"}, {"--down"}, values);
    if (!p.problem.empty())
        return bad_usage(err, p.problem);
    if (p.operands.size() != 2)
        return bad_usage(err, "find needs a BOOK and a TEXT");
    long count = 1;
    if (const std::string *c = option(values, "--count"); c && !parse_count(*c, count))
        return bad_usage(err, "--count must be a number from 1 to 1048576");
    XLS_SEARCH s{};
    s.direction = option(values, "--down") ? 1 : 0;
    s.count = 0;   // the texts are read in chunks after the search
    if (const std::string *r = option(values, "--range")) {
        CellRange range;
        if (!parse_range(*r, range) || r->size() >= sizeof s.range)
            return bad_usage(err, "--range: " + *r + " is not a cell or range such as A1:D10");
        std::memcpy(s.range, r->c_str(), r->size() + 1);
    }
    // The book is read in the terminal's character set, so that TEXT as
    // typed compares with the cells and what is printed shows as it should.
    BookHandle h;
    if (int rc = open_to_read(h, p.operands[0], terminal_charset(), err); rc != EXIT_DONE)
        return rc;
    if (const std::string *name = option(values, "--sheet")) {
        int index = find_sheet(&h.book, *name, err);
        if (index < 0)
            return EXIT_USAGE;
        VXLS_sheet_name(&h.book, index, s.sheet_name);
    }
    CellReader reader;
    int rc = VXLS_search(&h.book, &s, p.operands[1].c_str(), nullptr);
    if (rc == VXLS_ERR_NO_SHEET) {
        say(err, "not found: ", p.operands[1]);
        return EXIT_FAILED;
    }
    // A merged area gives one line for each of its rows (columns with --down).
    while (rc == 0) {
        if (!print_found(&h.book, s, count, reader, out)) {
            say(err, "cannot write the output");
            return EXIT_FAILED;
        }
        if (s.remaining == 0)
            break;
        rc = VXLS_search(&h.book, &s, p.operands[1].c_str(), nullptr);
    }
    if (rc != 0) {
        say(err, "find failed: ", h.book.error_info);
        return EXIT_FAILED;
    }
    return std::fflush(out) == 0 ? EXIT_DONE : EXIT_FAILED;
}

int dump_command(const std::vector<std::string> &args, std::FILE *out, std::FILE *err)
{
    std::vector<std::pair<std::string, std::string>> values;
    Parsed p = parse(args, {"--sheet", "--range", "--format"}, {}, values);
    if (!p.problem.empty())
        return bad_usage(err, p.problem);
    if (p.operands.size() != 1)
        return bad_usage(err, p.operands.empty() ? "dump needs a BOOK" : "dump takes one BOOK");
    DumpJob job;
    job.book = p.operands[0];
    if (const std::string *f = option(values, "--format")) {
        if (*f == "csv")
            job.format = Format::csv;
        else if (*f == "tsv")
            job.format = Format::tsv;
        else if (*f == "json")
            job.format = Format::json;
        else
            return bad_usage(err, "--format must be csv, tsv or json");
    }
    if (const std::string *s = option(values, "--sheet")) {
        if (s->empty())
            return bad_usage(err, "--sheet needs a name or number");
        job.sheet = *s;
    }
    if (const std::string *r = option(values, "--range"))
        job.range = *r;
    return dump(job, out, err);
}

// The reference card in the terminal's character set: VXLS_help prints in
// the set of the last book opened, so a book is opened in that set first.
int help(std::FILE *err)
{
    BookHandle h;
    if (VXLS_open_book(&h.book, (std::string("CHARSET=") + terminal_charset()).c_str()) != 0) {
        say(err, std::string("cannot prepare the reference card: ") + h.book.error_info);
        return EXIT_FAILED;
    }
    VXLS_free_book(&h.book);
    std::fflush(stdout);
    VXLS_help();
    return std::ferror(stdout) ? EXIT_FAILED : EXIT_DONE;
}

} // namespace

int run_command(const std::vector<std::string> &args, std::FILE *out, std::FILE *err)
{
    if (args.empty())
        return bad_usage(err, "no command given");
    const std::string &command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(usage().c_str(), out);
        return EXIT_DONE;
    }
    if (command == "--version") {
        char library[16] = "";
        VXLS_version(nullptr, library);
        std::fprintf(out, "velmora %s (library %s)\n", VELMORA_TOOL_VERSION, library);
        return EXIT_DONE;
    }
    if (command == "help")
        return args.size() == 1 ? help(err) : bad_usage(err, "help takes no arguments");
    if (command == "run")
        return run_script(args, out, err);
    if (command == "dump")
        return dump_command(args, out, err);
    if (command == "find")
        return find(args, out, err);
    return bad_usage(err, "unknown command " + command);
}

} // namespace velcmd
