// Every .xls of the shared corpus read through the C interface shows the values an independent reader
// found; the disagreements that remain are listed with their reasons in api_disagreements.txt.
#include <gtest/gtest.h>

#include "corpus_check.h"
#include "test_support.h"
#include "velmora.h"

TEST(XlsCorpusApi, EveryReadableWorkbookShowsTheExpectedValues) {
    if (vtest::corpus_files({".xls"}).empty()) GTEST_SKIP() << "no corpus at " << vtest::corpus_dir();
    const vtest::CorpusRun run = vtest::check_corpus({".xls"}, vtest::source_dir() + "/tests/xls/api_disagreements.txt");
    // Encrypted workbooks are refused with a message; others may read.
    for (const auto &[base, r] : run.refused) {
        if (base.find("password") == std::string::npos && base.find("protected") == std::string::npos) continue;
        EXPECT_EQ(r.open_rc, VXLS_ERR_XLS_REFUSED) << base << " " << r.open_message;
        EXPECT_EQ(r.open_message.rfind("VXLS-00900 ", 0), 0u) << base;
    }
    for (const std::string &f : run.failures) ADD_FAILURE() << f;
    std::printf("xls corpus: %d workbooks, %d cells compared\n", run.books, run.cells);
    EXPECT_GT(run.books, 20);
}

// The table of this workbook declares a wrong number of unique strings: it opens all the same.
TEST(XlsCorpusApi, AWrongStringCountStillOpens) {
    const std::string file = vtest::corpus_dir() + "/calamine__gh548_incorrect_sst_unique_count.xls";
    if (vtest::read_file(file).empty()) GTEST_SKIP() << file << " absent";
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("MODE=READ CHARSET=UTF8 BOOK=\"" + file + "\"").c_str()), 0) << book.error_info;
    EXPECT_EQ(VXLS_sheet_num(&book), 7);
    VXLS_free_book(&book);
}

// A book read from an .xls is never saved over it: the save names an .xlsx.
TEST(XlsCorpusApi, SavedAsAPackageUnderItsOwnName) {
    const std::string file = vtest::corpus_dir() + "/poi__TwoSheetsOneHidden.xls";
    const std::string original = vtest::read_file(file);
    if (original.empty()) GTEST_SKIP() << file << " absent";
    const std::string dir = vtest::make_temp_dir("xls_save"), copy = dir + "/book.xls";
    ASSERT_EQ(vtest::run("cp " + vtest::shell_quote(file) + " " + vtest::shell_quote(copy)), 0);
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("MODE=READ CHARSET=UTF8 BOOK=\"" + copy + "\"").c_str()), 0) << book.error_info;
    char a1[256];
    ASSERT_EQ(VXLS_get_cell(&book, "A1", a1, sizeof a1, nullptr, 0), 0);
    EXPECT_EQ(VXLS_close_book(&book, "SAVE"), VXLS_ERR_UNSUPPORTED);
    EXPECT_EQ(std::string(book.error_info).rfind("VXLS-00900 ", 0), 0u) << book.error_info;
    EXPECT_EQ(vtest::read_file(copy), original);
    ASSERT_EQ(VXLS_put_values(&book, ("BOOK=\"" + dir + "/book.xlsx\"").c_str()), 0) << book.error_info;
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;
    XLS_BOOK back{};
    ASSERT_EQ(VXLS_open_book(&back, ("MODE=READ CHARSET=UTF8 BOOK=\"" + dir + "/book.xlsx\"").c_str()), 0)
        << back.error_info;
    char again[256];
    ASSERT_EQ(VXLS_get_cell(&back, "A1", again, sizeof again, nullptr, 0), 0);
    EXPECT_STREQ(again, a1);
    EXPECT_EQ(VXLS_sheet_num(&back), 2);
    VXLS_free_book(&back);
}
