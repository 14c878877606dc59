// Every .xlsx and .xlsm of the shared corpus read through the C interface:
// each cell the independent reader listed shows the same value, sheet names,
// order, visibility and merged ranges agree. Remaining disagreements are
// listed with their reasons in api_disagreements.txt beside this test.
#include <gtest/gtest.h>

#include "corpus_check.h"
#include "test_support.h"
#include "velmora.h"

TEST(XlsxCorpusApi, EveryReadableWorkbookShowsTheExpectedValues) {
    if (vtest::corpus_files({".xlsx"}).empty()) GTEST_SKIP() << "no corpus at " << vtest::corpus_dir();
    const vtest::CorpusRun run =
        vtest::check_corpus({".xlsx", ".xlsm"}, vtest::source_dir() + "/tests/xlsx_read/api_disagreements.txt");
    // Encrypted packages are refused as unsupported, with the message.
    for (const auto &[base, r] : run.refused) {
        if (r.open_rc == 0) continue;
        EXPECT_EQ(r.open_rc, VXLS_ERR_UNSUPPORTED) << base;
        EXPECT_EQ(r.open_message.rfind("VXLS-00900 ", 0), 0u) << base;
    }
    for (const std::string &f : run.failures) ADD_FAILURE() << f;
    std::printf("xlsx corpus: %d workbooks, %d cells compared\n", run.books, run.cells);
    EXPECT_GT(run.books, 20);
}
