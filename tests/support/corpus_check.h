// Corpus workbooks read through the C interface against the values an independent reader found
// (NAME.expected.json): cells as shown, sheet names, order and visibility, merged ranges.
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

// Every corpus file with one of `extensions` checked: failures to open and disagreements not accepted by a line
// "FILE TEXT # reason" of `listed_file` go to `failures`; unreadable workbooks are left to the caller in `refused`.
struct CorpusRun {
    int books = 0, cells = 0;
    std::vector<std::string> failures;
    std::vector<std::pair<std::string, CorpusResult>> refused; // base name, result
};
CorpusRun check_corpus(const std::vector<std::string> &extensions, const std::string &listed_file);

} // namespace vtest
