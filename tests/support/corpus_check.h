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

// Every corpus file with one of `extensions` checked. Readable workbooks
// count in `books` and `cells`; their failures to open and the
// disagreements not listed in `listed_file` go to `failures`. Workbooks
// their expected files call unreadable are left to the caller in `refused`.
// `listed_file` has lines "FILE TEXT # reason" ("#" lines are comments):
// a disagreement of FILE containing TEXT is accepted.
struct CorpusRun {
    int books = 0, cells = 0;
    std::vector<std::string> failures;
    std::vector<std::pair<std::string, CorpusResult>> refused; // base name, result
};
CorpusRun check_corpus(const std::vector<std::string> &extensions, const std::string &listed_file);

} // namespace vtest
