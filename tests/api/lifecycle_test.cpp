// Closing and freeing books, memory books, the debug trace file and the reference card.
#include "api_fixture.h"
#include "io/mfile.h"
#include "property/help.h"

TEST_F(ApiTest, CloseSavesOnlyWhenTheLastWordAsksForIt) {
    const struct {
        const char *options;
        bool writes;
    } cases[] = {
        {nullptr, false},
        {"SAVE DESTROY", false},
        {"\x95\xDB\x91\xB6 \x94\x6A\x8A\xFC", false},   // 保存 破棄
        {"DESTROY SAVE", true},
        {"FOO save;", true},
    };
    int n = 0;
    for (const auto &c : cases) {
        std::string name = "c" + std::to_string(n++) + ".xlsx";
        open(("BOOK=" + name).c_str());
        EXPECT_EQ(VXLS_close_book(&book_, c.options), 0) << (c.options ? c.options : "null") << " " << error();
        EXPECT_EQ(book_.env, nullptr);
        EXPECT_EQ(access(in_dir(name).c_str(), F_OK) == 0, c.writes) << name;
    }
    // Closing a closed book is refused like every call on one.
    EXPECT_EQ(VXLS_close_book(&book_, "SAVE"), -3);
    EXPECT_EQ(error(), in_charset("VXLS-03600 内部処理エラー(\"VXLS_close_book() book not open\")。", 1));
    EXPECT_EQ(VXLS_close_book(nullptr, "SAVE"), -3);
}

TEST_F(ApiTest, FailedSaveKeepsTheBookAndTheFirstMessage) {
    open(("BOOK=" + in_dir("no/such/dir/out.xlsx")).c_str(), "");
    std::strcpy(book_.error_info, "stale message of an earlier call");
    EXPECT_EQ(VXLS_close_book(&book_, "SAVE"), -103);
    EXPECT_EQ(error().rfind(in_charset("VXLS-03121 Excelファイル書込みエラー(\"", 1), 0), 0u) << error();
    EXPECT_NE(book_.env, nullptr);
    EXPECT_EQ(VXLS_sheet_num(&book_), 1);
    // Once the directory exists the same book can be saved.
    ASSERT_EQ(vtest::run("mkdir -p " + vtest::shell_quote(in_dir("no/such/dir"))), 0);
    EXPECT_EQ(VXLS_close_book(&book_, "SAVE"), 0) << error();
    EXPECT_EQ(access(in_dir("no/such/dir/out.xlsx").c_str(), F_OK), 0);
}

TEST_F(ApiTest, MemoryBookArgumentsAreRefused) {
    EXPECT_EQ(VXLS_open_memory_book(&book_, nullptr, nullptr, 10), -3);
    EXPECT_EQ(book_.env, nullptr);
    EXPECT_EQ(VXLS_open_memory_book(&book_, nullptr, "x", -1), -3);
    long size = 10;
    open(nullptr);
    EXPECT_EQ(VXLS_close_memory_book(&book_, nullptr, nullptr, nullptr), -3);
    EXPECT_EQ(VXLS_close_memory_book(&book_, nullptr, nullptr, &size), -3);
    EXPECT_NE(book_.env, nullptr);
}

TEST_F(ApiTest, FreeBookReleasesWithoutWriting) {
    open("BOOK=free.xlsx", "");
    EXPECT_EQ(VXLS_free_book(&book_), 0);
    EXPECT_EQ(book_.env, nullptr);
    EXPECT_EQ(book_.sheet_num, 0);
    EXPECT_NE(access(in_dir("free.xlsx").c_str(), F_OK), 0);
    EXPECT_EQ(VXLS_free_book(nullptr), 0);
}

TEST_F(ApiTest, SwapBookMovesTheThreadsMemoryFilesAsideAndBack) {
    open(nullptr);
    MFileTable &files = book_of(&book_).files;
    MFILE *f = mopen(files, "first/part.xml", "wb");
    ASSERT_NE(f, nullptr);
    mwrite("abc", 1, 3, f);
    mclose(f);
    EXPECT_EQ(VXLS_sheet_num(&book_), 0);   // makes this the thread's book
    EXPECT_EQ(VXLS_swap_book(0), 0);
    EXPECT_EQ(mfind(files, "first/part.xml"), nullptr);
    int type = 0;
    EXPECT_EQ(vel_file_type(0, "first/part.xml", &type), 0);   // visible while set aside
    EXPECT_EQ(VXLS_swap_book(7), 0);
    ASSERT_NE(mfind(files, "first/part.xml"), nullptr);
    EXPECT_EQ(msize(files, "first/part.xml"), 3);
}

TEST_F(ApiTest, DebugTraceAppendsLinesAndNeverFails) {
    EXPECT_EQ(VXLS_debug("first"), 0);
    EXPECT_EQ(VXLS_debug("second"), 0);
    EXPECT_EQ(vtest::read_file(in_dir("DEBUG.log")), "first\nsecond\n");

    // A DEBUG.log that cannot be opened for appending.
    ASSERT_EQ(vtest::run("mkdir -p blocked/DEBUG.log"), 0);
    ASSERT_EQ(chdir("blocked"), 0);
    EXPECT_EQ(VXLS_debug("lost"), 0);
}

TEST(ReferenceCard, IsShiftJisAndConvertsLosslessly) {
    std::string sjis = vel::vlt_help_text(VXLS_CHARSET_SJIS);
    std::string head = "\nVELMORA: Release 2.0.0.0\n\n" + std::string(76, '-') + "\n";
    EXPECT_EQ(sjis.substr(0, head.size()), head);
    // Every character of the card exists in Shift-JIS and in EUC-JP.
    std::string utf8 = vel::vlt_help_text(VXLS_CHARSET_UTF8);
    std::string back;
    EXPECT_EQ(vel::convert_charset(back, sjis, VXLS_CHARSET_SJIS, VXLS_CHARSET_UTF8), 0);
    EXPECT_EQ(back, utf8);
    std::string euc;
    EXPECT_EQ(vel::convert_charset(euc, utf8, VXLS_CHARSET_UTF8, VXLS_CHARSET_EUC), 0);
    EXPECT_NE(utf8.find("(Cell).FILL.COLOR / (セル).塗りつぶし.色"), std::string::npos);
}
