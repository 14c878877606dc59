// Reading a workbook of the shared corpus through the C interface and
// comparing what the reading calls show with the values an independent
// reader found (NAME.expected.json): texts equal, numbers to 1e-9 relative,
// dates and times as calendar values, booleans and errors as shown, sheet
// names, order and visibility, merged ranges.
#pragma once
#include <string>
#include <vector>

#include "test_support.h"

namespace vtest {


struct CorpusResult {
    bool readable = false;                // the expected file says so
    int open_rc = 0;                      // what VXLS_open_book returned
    std::string open_message;
    int cells = 0;                        // cells compared
    std::vector<std::string> disagreements; // "SHEET!A1: ..." lines
};

// Opens `file` (a path) in MODE=READ and compares it with its expected file.
CorpusResult check_corpus_workbook(const std::string &file);

// Lines of a disagreements file beside a test: "FILE TEXT # reason" (lines
// beginning with "#" are comments). A disagreement of FILE is accepted when
// its line contains TEXT.
std::vector<std::string> listed_disagreements(const std::string &path);
bool listed(const std::vector<std::string> &known, const std::string &file, const std::string &line);

} // namespace vtest
