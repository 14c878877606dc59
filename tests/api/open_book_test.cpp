// Opening a book: option text, names and paths, modes, and refused options' messages in each charset.
#include <fstream>

#include "api_fixture.h"

namespace {

// The workbook path that opening with these options records.
std::string path_of(const char *options) {
    XLS_BOOK b{};
    if (VXLS_open_book(&b, options) != 0) return std::string("error: ") + b.error_info;
    std::string path = b.book_path;
    VXLS_free_book(&b);
    return path;
}

} // namespace

TEST_F(ApiTest, NullOptionsGiveANewShiftJisBookSavedAsBook1InTheCurrentDirectory) {
    std::strcpy(book_.error_info, "stale");
    open(nullptr);
    EXPECT_EQ(book_of(&book_).charset, VXLS_CHARSET_SJIS);
    EXPECT_EQ(VXLS_error_mesg(&book_), book_.error_info);
    EXPECT_STREQ(VXLS_error_mesg(&book_), "");
    EXPECT_STREQ(VXLS_error_mesg(nullptr), "");
    ASSERT_EQ(VXLS_close_book(&book_, "SAVE"), 0) << error();
    EXPECT_EQ(vtest::read_file(in_dir("Book1.xlsx")).substr(0, 2), "PK");
}

TEST_F(ApiTest, WorkbookNamesGetAnExtensionOnlyWhenTheyLackOne) {
    EXPECT_EQ(path_of("BOOK=out"), in_dir("out.xlsx"));
    EXPECT_EQ(path_of("BOOK=report.xls"), in_dir("report.xls"));
    EXPECT_EQ(path_of("BOOK=a.b"), in_dir("a.b.xlsx"));
    EXPECT_EQ(path_of("BOOK=C:\\dir\\result"), in_dir("C:\\dir\\result"));
    EXPECT_EQ(path_of("EXCEL=\"two words\""), in_dir("two words.xlsx"));
    EXPECT_EQ(path_of("BOOK=/abs/dir/name.xlsx"), "/abs/dir/name.xlsx");
    // A Shift-JIS trail byte 0x5C is no separator; the path is kept in the file-name encoding (UTF-8).
    EXPECT_EQ(path_of("\x83\x75\x83\x62\x83\x4E=\x83\x66\x81\x5B\x83\x5E\x95\x5C"),
              in_dir("データ表.xlsx"));
}

TEST_F(ApiTest, OverlongNamesAreRefused) {
    EXPECT_EQ(VXLS_open_book(&book_, ("BOOK=" + std::string(257, 'n')).c_str()), -3);
    EXPECT_EQ(error(), in_charset("VXLS-00005 ファイル名が長すぎます。", 1));
    EXPECT_EQ(book_.env, nullptr);
    // A name that fits alone but not joined with the directory.
    std::string deep = dir_;
    while (deep.size() < 200) deep += "/d";
    ASSERT_EQ(vtest::run("mkdir -p " + vtest::shell_quote(deep)), 0);
    ASSERT_EQ(chdir(deep.c_str()), 0);
    EXPECT_EQ(VXLS_open_book(&book_, ("BOOK=" + std::string(250, 'n') + ".xlsx").c_str()), -3);
    EXPECT_EQ(error(), in_charset("VXLS-00005 ファイル名が長すぎます。", 1));
    std::string abs = "/" + std::string(250, 'a') + ".xlsx";
    EXPECT_EQ(path_of(("BOOK=" + abs).c_str()), abs);
}

TEST_F(ApiTest, RefusedOptionsGiveTheirMessagesAndLeaveTheBookClosed) {
    struct Case {
        std::string options;
        int rc;
        std::string message;
    } cases[] = {
        {"FOO=1", -3, "VXLS-02200 サポート外のキーワードです(\"FOO\")。"},
        {"BOOK out", -3, "VXLS-02303 引数列のイコール(=)部分が不正です(\"out\")。"},
        {"BOOK=", -3, "VXLS-02303 引数列のイコール(=)部分が不正です(\"BOOK\")。"},
        {"MODE=\"CREATE\"", -3, "VXLS-02200 サポート外のキーワードです(\"\"CREATE\"\")。"},
        {"VERSION=1.0", -1,
         "VXLS-00901 呼び出し側(\"1.0\")と共有ライブラリ側(\"2.0.0.0\")でバージョンが異なります。"},
        {"TEMP_WORKBOOK_PATH=" "\"\"", 0, ""},
        // An over-long key is named by its beginning.
        {std::string(5000, 'K') + "=1", -3,
         "VXLS-02210 キーワードが長すぎます(\"" + std::string(64, 'K') + "\")。最大長は(4000)バイトです。"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VXLS_open_book(&book_, c.options.c_str()), c.rc) << c.options;
        EXPECT_EQ(error(), in_charset(c.message, 1)) << c.options;
        EXPECT_TRUE(c.rc == 0 || book_.env == nullptr) << c.options;
        VXLS_free_book(&book_);
    }
}

TEST_F(ApiTest, CharsetTakesEffectForTheTokensAfterIt) {
    // A Shift-JIS key before the switch, UTF-8 keys after it.
    open("\x83\x82\x81\x5B\x83\x68=\x90\x56\x8B\x4B CHARSET=utf8 ブック=表 モード=新規");
    EXPECT_EQ(book_of(&book_).charset, VXLS_CHARSET_UTF8);
    EXPECT_EQ(std::string(book_.book_path), in_dir("表.xlsx"));
    VXLS_free_book(&book_);

    // A Shift-JIS key after the switch to UTF-8 is no key; the message comes in UTF-8.
    EXPECT_EQ(VXLS_open_book(&book_, "CHARSET=UTF8 \x83\x75\x83\x62\x83\x4E=x"), -3);
    EXPECT_EQ(error().rfind("VXLS-02200 サポート外のキーワードです(\"", 0), 0u) << error();

    // EUC-JP keys and messages.
    EXPECT_EQ(VXLS_open_book(&book_, "CHARSET=EUC \xA5\xE2\xA1\xBC\xA5\xC9=\xBF\xB7\xB5\xAC FOO=1"), -3);
    EXPECT_EQ(error(), in_charset("VXLS-02200 サポート外のキーワードです(\"FOO\")。", VXLS_CHARSET_EUC));

    // An unknown character set leaves the current one; a key given twice keeps its last value.
    open("CHARSET=KOI8 CHARSET=EUC CHARSET=latin1 BOOK=a BOOK=second");
    EXPECT_EQ(book_of(&book_).charset, VXLS_CHARSET_EUC);
    EXPECT_EQ(std::string(book_.book_path), in_dir("second.xlsx"));
}

TEST_F(ApiTest, ReadingModesDetectTheFileAndRefuseWhatCannotBeRead) {
    std::ofstream(in_dir("junk.xlsx"), std::ios::binary) << std::string(64, 'j');
    std::ofstream(in_dir("pkg.xlsx"), std::ios::binary) << std::string("PK\x03\x04", 4) << std::string(60, '\0');
    std::ofstream(in_dir("old.xls"), std::ios::binary)
        << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(600, '\0');
    // A damaged package under each reading mode word is unsupported; a damaged
    // .xls is refused by its reader.
    const struct {
        std::string options;
        int rc;
        std::string message_start;
    } cases[] = {
        {"MODE=READ BOOK=missing.xlsx", -101, "VXLS-03101 Excelファイルオープンエラー(\"" + in_dir("missing.xlsx") + "\")。"},
        {"MODE=UPDATE BOOK=junk.xlsx", -4, "VXLS-00900 サポート外のファイルです(\"" + in_dir("junk.xlsx") + "\")。"},
        {"MODE=READ BOOK=pkg.xlsx", VXLS_ERR_UNSUPPORTED, "VXLS-00900 "},
        {"MODE=LOAD BOOK=pkg.xlsx", VXLS_ERR_UNSUPPORTED, "VXLS-00900 "},
        {"\x83\x82\x81\x5B\x83\x68=\x93\xC7\x8D\x9E BOOK=pkg.xlsx", VXLS_ERR_UNSUPPORTED, "VXLS-00900 "},   // モード=読込
        {"MODE=UNLOAD BOOK=old.xls", VXLS_ERR_XLS_REFUSED, "VXLS-00900 "},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(VXLS_open_book(&book_, c.options.c_str()), c.rc) << c.options;
        EXPECT_EQ(error().rfind(in_charset(c.message_start, 1), 0), 0u) << c.options << ": " << error();
        EXPECT_EQ(book_.env, nullptr) << c.options;
    }
}

TEST_F(ApiTest, TemplateIsReadFromTheDirectoryAndNamedBookIsNotJoined) {
    EXPECT_EQ(VXLS_open_book(&book_, "TEMPLATE=t.xlsx BOOK=o.xlsx"), -101);
    EXPECT_EQ(error(), in_charset("VXLS-03101 Excelファイルオープンエラー(\"" + in_dir("t.xlsx") + "\")。", 1));
    // A memory template is looked up under the book name.
    EXPECT_EQ(VXLS_open_book(&book_, "TEMPLATE=t.xlsx BOOK=mem.xlsx READ_MEMORY=true"), -101);
    EXPECT_EQ(error(), in_charset("VXLS-03101 Excelファイルオープンエラー(\"mem.xlsx\")。", 1));
}
