// `velmora dump`: the shown text of every cell of a workbook, row by row.
#pragma once
#include <cstdio>
#include <string>

namespace velcmd {

enum class Format { csv, tsv, json };

struct DumpJob {
    std::string book;
    std::string sheet;   // a name or 1-based number; empty: every sheet
    std::string range;   // A1:D10 or one cell; empty: the used area
    Format format = Format::csv;
};

// Writes the cells to `out` as they are read, one row at a time. Returns
// the exit code; messages go to `err`.
int dump(const DumpJob &job, std::FILE *out, std::FILE *err);

// The field writers, shared with the tests.
void put_csv_field(std::string &line, const char *text);
void put_tsv_field(std::string &line, const char *text);
void put_json_string(std::string &line, const char *text);

} // namespace velcmd
