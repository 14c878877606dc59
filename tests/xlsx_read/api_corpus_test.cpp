// Every .xlsx and .xlsm of the shared corpus read through the C interface:
// each cell the independent reader listed shows the same value, sheet names,
// order, visibility and merged ranges agree. Remaining disagreements are
// listed with their reasons in api_disagreements.txt beside this test.
#include <gtest/gtest.h>

#include "corpus_check.h"
#include "test_support.h"
#include "velmora.h"

TEST(XlsxCorpusApi, EveryReadableWorkbookShowsTheExpectedValues) {
    const std::vector<std::string> files = vtest::corpus_files({".xlsx", ".xlsm"});
    if (files.empty()) GTEST_SKIP() << "no corpus at " << vtest::corpus_dir();
    const std::vector<std::string> listed =
        vtest::listed_disagreements(vtest::source_dir() + "/tests/xlsx_read/api_disagreements.txt");
    int books = 0, cells = 0;
    for (const std::string &file : files) {
        vtest::CorpusResult r = vtest::check_corpus_workbook(file);
        const std::string base = file.substr(file.rfind('/') + 1);
        if (!r.readable) {
            // Encrypted packages are refused as unsupported, with the message.
            if (r.open_rc != 0) {
                EXPECT_EQ(r.open_rc, VXLS_ERR_UNSUPPORTED) << base;
                EXPECT_EQ(r.open_message.rfind("VXLS-00900 ", 0), 0u) << base;
            }
            continue;
        }
        EXPECT_EQ(r.open_rc, 0) << base << ": " << r.open_message;
        ++books;
        cells += r.cells;
        for (const std::string &d : r.disagreements) EXPECT_TRUE(vtest::listed(listed, base, d)) << base << " " << d;
    }
    std::printf("xlsx corpus: %d workbooks, %d cells compared\n", books, cells);
    EXPECT_GT(books, 20);
}
