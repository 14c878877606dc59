// Every .xls of the shared corpus read through the C interface: each cell
// the independent reader listed shows the same value, as the reading calls
// format it. Disagreements that remain are listed with their reasons in
// api_disagreements.txt beside this test.
#include <gtest/gtest.h>

#include <algorithm>

#include "corpus_check.h"
#include "test_support.h"
#include "velmora.h"

TEST(XlsCorpusApi, EveryReadableWorkbookShowsTheExpectedValues) {
    const std::vector<std::string> files = vtest::corpus_files({".xls"});
    if (files.empty()) GTEST_SKIP() << "no corpus at " << vtest::corpus_dir();
    const std::vector<std::string> listed =
        vtest::listed_disagreements(vtest::source_dir() + "/tests/xls/api_disagreements.txt");
    int books = 0, cells = 0;
    for (const std::string &file : files) {
        vtest::CorpusResult r = vtest::check_corpus_workbook(file);
        const std::string base = file.substr(file.rfind('/') + 1);
        if (!r.readable) {
            // Encrypted workbooks are refused with a message; others may read.
            if (base.find("password") != std::string::npos || base.find("protected") != std::string::npos) {
                EXPECT_EQ(r.open_rc, VXLS_ERR_XLS_REFUSED) << base << " " << r.open_message;
                EXPECT_EQ(r.open_message.rfind("VXLS-00900 ", 0), 0u) << base;
            }
            continue;
        }
        EXPECT_EQ(r.open_rc, 0) << base << ": " << r.open_message;
        ++books;
        cells += r.cells;
        for (const std::string &d : r.disagreements) EXPECT_TRUE(vtest::listed(listed, base, d)) << base << " " << d;
    }
    std::printf("xls corpus: %d workbooks, %d cells compared\n", books, cells);
    EXPECT_GT(books, 20);
}

// The table of this workbook declares a wrong number of unique strings: it
// opens all the same, with every sheet.
TEST(XlsCorpusApi, AWrongStringCountStillOpens) {
    const std::string file = vtest::corpus_dir() + "/calamine__gh548_incorrect_sst_unique_count.xls";
    if (vtest::read_file(file).empty()) GTEST_SKIP() << file << " absent";
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("MODE=READ CHARSET=UTF8 BOOK=\"" + file + "\"").c_str()), 0) << book.error_info;
    EXPECT_EQ(VXLS_sheet_num(&book), 7);
    VXLS_free_book(&book);
}
