// Closing and freeing books, memory books, the diagnostic log, the debug
// trace file, the reference card and the calls that do nothing.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "api_fixture.h"
#include "io/mfile.h"
#include "property/help.h"

namespace {

bool exists(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// True when the package writer of this build produces workbooks.
bool writer_available() {
    static int state = -1;
    if (state < 0) {
        XLS_BOOK b{};
        std::vector<char> buf(1 << 20);
        long size = static_cast<long>(buf.size());
        state = VXLS_open_book(&b, nullptr) == 0 && VXLS_close_memory_book(&b, nullptr, buf.data(), &size) == 0;
        VXLS_free_book(&b);
    }
    return state == 1;
}

} // namespace

TEST_F(ApiTest, CloseSavesOnlyWhenTheLastWordAsksForIt) {
    struct Case {
        const char *options;
        bool writes;
    } cases[] = {
        {nullptr, false},
        {"", false},
        {"SAVE DESTROY", false},
        {"\x95\xDB\x91\xB6 \x94\x6A\x8A\xFC", false},   // 保存 破棄
        {"DESTROY SAVE", true},
        {"FOO save;", true},
        {"\x95\xDB\x91\xB6", true},                    // 保存
    };
    int n = 0;
    for (const Case &c : cases) {
        std::string name = "c" + std::to_string(n++) + ".xlsx";
        open(("BOOK=" + name).c_str());
        int rc = VXLS_close_book(&book_, c.options);
        if (!c.writes) {
            EXPECT_EQ(rc, 0) << (c.options ? c.options : "null");
            EXPECT_EQ(book_.env, nullptr);
            EXPECT_FALSE(exists(in_dir(name))) << name;
        } else if (writer_available()) {
            EXPECT_EQ(rc, 0) << c.options << " " << error();
            EXPECT_TRUE(exists(in_dir(name))) << c.options;
            EXPECT_EQ(book_.env, nullptr);
        } else {
            // Without a writer the save fails, reports it, and keeps the book.
            EXPECT_LT(rc, 0) << c.options;
            EXPECT_NE(error(), "");
            EXPECT_NE(book_.env, nullptr);
            VXLS_free_book(&book_);
        }
    }
    // Closing a closed book is refused like every call on one.
    EXPECT_EQ(VXLS_close_book(&book_, "SAVE"), -3);
    EXPECT_EQ(error(), in_charset("VXLS-03600 内部処理エラー(\"VXLS_close_book() book not open\")。", 1));
    EXPECT_EQ(VXLS_close_book(nullptr, "SAVE"), -3);
}

TEST_F(ApiTest, DefaultBookIsWrittenAsBook1) {
    if (!writer_available()) GTEST_SKIP() << "no package writer in this build";
    open(nullptr);
    ASSERT_EQ(VXLS_close_book(&book_, "SAVE"), 0) << error();
    std::string bytes = vtest::read_file(in_dir("Book1.xlsx"));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 2), "PK");
}

TEST_F(ApiTest, FailedSaveKeepsTheBookAndTheFirstMessage) {
    open(("BOOK=" + in_dir("no/such/dir/out.xlsx")).c_str());
    ASSERT_EQ(VXLS_open_sheet(&book_, ""), 0);
    std::strcpy(book_.error_info, "stale message of an earlier call");
    int rc = VXLS_close_book(&book_, "SAVE");
    ASSERT_LT(rc, 0);
    EXPECT_EQ(error().rfind("VXLS-", 0), 0u) << error();
    EXPECT_NE(book_.env, nullptr);
    EXPECT_EQ(VXLS_sheet_num(&book_), 1);
    if (writer_available()) {
        EXPECT_EQ(rc, -103);
        EXPECT_EQ(error().rfind(in_charset("VXLS-03121 Excelファイル書込みエラー(\"", 1), 0), 0u) << error();
        // Once the directory exists the same book can be saved.
        ASSERT_EQ(vtest::run("mkdir -p " + vtest::shell_quote(in_dir("no/such/dir"))), 0);
        EXPECT_EQ(VXLS_close_book(&book_, "SAVE"), 0) << error();
        EXPECT_TRUE(exists(in_dir("no/such/dir/out.xlsx")));
    }
}

TEST_F(ApiTest, MemoryBookArgumentsAndUnreadableImagesAreRefused) {
    EXPECT_EQ(VXLS_open_memory_book(&book_, nullptr, nullptr, 10), -3);
    EXPECT_EQ(book_.env, nullptr);
    EXPECT_EQ(VXLS_open_memory_book(&book_, nullptr, "x", -1), -3);

    std::string junk(100, 'z');
    EXPECT_EQ(VXLS_open_memory_book(&book_, nullptr, junk.data(), static_cast<long>(junk.size())), -4);
    EXPECT_EQ(error(), in_charset("VXLS-00900 サポート外のファイルです(\"_VELtemp/_OnMemory.xlsx\")。", 1));
    EXPECT_EQ(book_.env, nullptr);

    std::string tiny = "PK";
    EXPECT_LT(VXLS_open_memory_book(&book_, nullptr, tiny.data(), 2), 0);
    EXPECT_EQ(book_.env, nullptr);

    long size = 10;
    EXPECT_EQ(VXLS_close_memory_book(&book_, nullptr, nullptr, &size), -3);   // closed book
    open(nullptr);
    EXPECT_EQ(VXLS_close_memory_book(&book_, nullptr, nullptr, nullptr), -3);
    EXPECT_EQ(VXLS_close_memory_book(&book_, nullptr, nullptr, &size), -3);
    EXPECT_NE(book_.env, nullptr);
}

TEST_F(ApiTest, CloseMemoryBookReportsTheNeededSizeAndKeepsTheBook) {
    if (!writer_available()) GTEST_SKIP() << "no package writer in this build";
    open("CHARSET=UTF8");
    ASSERT_EQ(VXLS_open_sheet(&book_, "SHEET_NAME=データ"), 0);

    std::vector<char> big(1 << 20);
    long size = static_cast<long>(big.size());
    // Learn the package size on a twin book.
    {
        XLS_BOOK twin{};
        ASSERT_EQ(VXLS_open_book(&twin, "CHARSET=UTF8"), 0);
        ASSERT_EQ(VXLS_open_sheet(&twin, "SHEET_NAME=データ"), 0);
        ASSERT_EQ(VXLS_close_memory_book(&twin, nullptr, big.data(), &size), 0) << twin.error_info;
        EXPECT_EQ(twin.env, nullptr);
    }
    ASSERT_GT(size, 0);
    EXPECT_EQ(std::string(big.data(), 2), "PK");

    std::vector<char> small(static_cast<size_t>(size - 1));
    long cap = size - 1;
    EXPECT_EQ(VXLS_close_memory_book(&book_, nullptr, small.data(), &cap), -909);
    EXPECT_EQ(error(), "VXLS-03009 バッファサイズ(\"" + std::to_string(size - 1) + "\")オーバー(\"need " +
                           std::to_string(size) + " bytes\")。");
    EXPECT_EQ(cap, size - 1);
    EXPECT_NE(book_.env, nullptr);   // nothing lost: the caller may retry

    std::vector<char> exact(static_cast<size_t>(size));
    long cap2 = size;
    ASSERT_EQ(VXLS_close_memory_book(&book_, nullptr, exact.data(), &cap2), 0) << error();
    EXPECT_EQ(cap2, size);
    EXPECT_EQ(book_.env, nullptr);
    EXPECT_EQ(std::string(exact.data(), 2), "PK");
    // The zip target is back on real files after a memory save.
    open("BOOK=after.xlsx");
    ASSERT_EQ(VXLS_close_book(&book_, "SAVE"), 0) << error();
    EXPECT_TRUE(exists(in_dir("after.xlsx")));
}

TEST_F(ApiTest, FreeBookReleasesWithoutWriting) {
    open("BOOK=free.xlsx");
    ASSERT_EQ(VXLS_open_sheet(&book_, ""), 0);
    EXPECT_EQ(VXLS_free_book(&book_), 0);
    EXPECT_EQ(book_.env, nullptr);
    EXPECT_EQ(book_.sheet_num, 0);
    EXPECT_FALSE(exists(in_dir("free.xlsx")));
    EXPECT_EQ(VXLS_free_book(&book_), 0);
    EXPECT_EQ(VXLS_free_book(nullptr), 0);
    // Calls on a closed book fail cleanly.
    EXPECT_EQ(VXLS_open_sheet(&book_, ""), -3);
    EXPECT_EQ(VXLS_sheet_num(&book_), -3);
    EXPECT_EQ(VXLS_row_num(&book_), -3);
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

    // A read-only directory (root writes there regardless).
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    ASSERT_EQ(vtest::run("mkdir ro && chmod 555 ro"), 0);
    ASSERT_EQ(chdir("ro"), 0);
    EXPECT_EQ(VXLS_debug("nothing"), 0);
    if (geteuid() != 0) {
        EXPECT_FALSE(exists(in_dir("ro/DEBUG.log")));
    }
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    vtest::run("chmod 755 ro");
}

TEST_F(ApiTest, MessagesReachTheCallerInItsCharacterSet) {
    open("CHARSET=EUC");
    EXPECT_EQ(VXLS_put_values(&book_, in_charset("日=1 日.WIDTH=x", VXLS_CHARSET_EUC).c_str()), -3);
    EXPECT_EQ(error(), in_charset("VXLS-02200 サポート外のキーワードです(\"日\")。", VXLS_CHARSET_EUC));
}

TEST_F(ApiTest, ErrorMessageAndDoNothingCalls) {
    EXPECT_EQ(VXLS_open_book(&book_, "NOPE=1"), -3);
    EXPECT_EQ(VXLS_error_mesg(&book_), book_.error_info);
    EXPECT_EQ(std::string(VXLS_error_mesg(&book_)).rfind("VXLS-", 0), 0u);
    EXPECT_STREQ(VXLS_error_mesg(nullptr), "");

    open(nullptr);
    ASSERT_EQ(VXLS_open_sheet(&book_, ""), 0);
    XLS_BOOK before = book_;
    EXPECT_EQ(VXLS_set_property(&book_, "A1", "1"), 0);
    EXPECT_EQ(VXLS_set_property(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(VXLS_open_datasource(&book_, "x"), 0);
    EXPECT_EQ(VXLS_close_datasource(&book_), 0);
    EXPECT_EQ(VXLS_paste_datasource(&book_, nullptr), 0);
    EXPECT_EQ(std::memcmp(&before, &book_, sizeof book_), 0);
    EXPECT_EQ(VXLS_sheet_num(&book_), 1);

    char text[16] = "";
    EXPECT_EQ(VXLS_version(nullptr, text), 0);
    EXPECT_STREQ(text, "2.0.0.0");
}

TEST(ReferenceCard, HasEverySectionInShiftJisAndConvertsLosslessly) {
    std::string sjis = vel::vlt_help_text(VXLS_CHARSET_SJIS);
    std::string head = "\nVELMORA: Release 2.0.0.0\n\n" + std::string(76, '-') + "\n";
    EXPECT_EQ(sjis.substr(0, head.size()), head);
    const char *sections[] = {
        "\x81\xA1\x90\x46",                                  // ■色
        "\x81\xA1\x83\x74\x83\x48\x83\x93\x83\x67",          // ■フォント
        "\x81\xA1\x94\x7A\x92\x75",                          // ■配置
        "\x81\xA1\x8F\x91\x8E\xAE",                          // ■書式
        "\x81\xA1\x8C\x72\x90\xFC",                          // ■罫線
        "\x81\xA1\x93\x68\x82\xE8\x82\xC2\x82\xD4\x82\xB5",  // ■塗りつぶし
        "\x81\xA1\x82\xBB\x82\xCC\x91\xBC",                  // ■その他
        "\x81\xA1\x83\x75\x83\x62\x83\x4E",                  // ■ブック
        "\x81\xA1\x83\x56\x81\x5B\x83\x67",                  // ■シート
        "\x81\xA1\x88\xF3\x8D\xFC/\x95\x5C\x8E\xA6",         // ■印刷/表示
        "\x81\xA1\x95\xCF\x90\x94",                          // ■変数
    };
    size_t at = 0;
    for (const char *s : sections) {
        size_t found = sjis.find(std::string("\n") + s + "\n", at);
        ASSERT_NE(found, std::string::npos) << "section " << (&s - sections);
        at = found + 1;
    }
    // Every character of the card exists in Shift-JIS and in EUC-JP.
    std::string utf8 = vel::vlt_help_text(VXLS_CHARSET_UTF8);
    std::string back;
    EXPECT_EQ(vel::convert_charset(back, sjis, VXLS_CHARSET_SJIS, VXLS_CHARSET_UTF8), 0);
    EXPECT_EQ(back, utf8);
    std::string euc;
    EXPECT_EQ(vel::convert_charset(euc, utf8, VXLS_CHARSET_UTF8, VXLS_CHARSET_EUC), 0);
    for (const char *key : {"(Cell).FILL.COLOR / (セル).塗りつぶし.色", "$SYSDATETIME", "$ROWNUM", "lightTrellis",
                            "BOLD_ITALIC_UNDERLINE", "BOTTOM_RIGHT", "SHEET.TAB.COLOR", "PAPER.MARGIN",
                            "[Cell|Column].WIDTH", "[Cell|Row].HEIGHT", "BOOK.WRITE_PASSWORD", "和暦"})
        EXPECT_NE(utf8.find(key), std::string::npos) << key;
}
