// Sheets: naming, length limits, modes, selection and the size calls.
#include "model/sheets.h"
#include "api_fixture.h"
#include "model/store.h"

namespace {

std::string name_of(XLS_BOOK *book, int index) {
    char name[128] = "unchanged";
    int rc = VXLS_sheet_name(book, index, name);
    return rc == 0 ? std::string(name) : "rc " + std::to_string(rc) + " [" + name + "]";
}

} // namespace

TEST_F(ApiTest, UnnamedSheetsAreNumberedAvoidingExistingNames) {
    open(nullptr);
    EXPECT_EQ(VXLS_open_sheet(&book_, ""), 0);
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=CREATE"), 0);
    EXPECT_EQ(VXLS_open_sheet(&book_, "\x83\x82\x81\x5B\x83\x68=\x90\x56\x8B\x4B"), 0);   // モード=新規
    EXPECT_EQ(VXLS_sheet_num(&book_), 3);
    EXPECT_EQ(name_of(&book_, 0), "Sheet1");
    EXPECT_EQ(name_of(&book_, 2), "Sheet3");
    EXPECT_EQ(book_.current_sheet, 2);
    VXLS_free_book(&book_);

    open(nullptr, "SHEET_NAME=Sheet4");
    ASSERT_EQ(VXLS_open_sheet(&book_, "SHEET_NAME=Sheet3"), 0);
    ASSERT_EQ(VXLS_open_sheet(&book_, ""), 0);
    EXPECT_EQ(name_of(&book_, 2), "Sheet5");
}

// Forty letters and a name too long once whole are the API test's below.
TEST(SheetNames, LongNamesAreShortenedByWholeCharacters) {
    std::string quoted = "\"" + std::string(39, 'q');
    ASSERT_TRUE(vel::shorten_sheet_name(quoted));
    EXPECT_EQ(quoted, "\"" + std::string(28, 'q') + "\"");
    // 32 three-byte characters: shortened to 29 of them.
    std::string kana;
    for (int i = 0; i < 32; ++i) kana += "あ";
    ASSERT_TRUE(vel::shorten_sheet_name(kana));
    EXPECT_EQ(kana.size(), 29u * 3);
}

TEST_F(ApiTest, SheetNamesAreCheckedWhenSheetsAreCreated) {
    open("CHARSET=UTF8");
    ASSERT_EQ(VXLS_open_sheet(&book_, ("SHEET_NAME=" + std::string(40, 'a')).c_str()), 0);
    EXPECT_EQ(name_of(&book_, 0), std::string(29, 'a'));

    // 31 characters in 94 bytes: kept whole, and too long.
    std::string wide = "𠀋";
    for (int i = 0; i < 30; ++i) wide += "あ";
    EXPECT_EQ(VXLS_open_sheet(&book_, ("SHEET_NAME=" + wide).c_str()), -909);
    EXPECT_EQ(error(), "VXLS-03009 バッファサイズ(\"93\")オーバー(\"XLS_SHEET_LEN\")。");

    ASSERT_EQ(VXLS_open_sheet(&book_, "SHEET_NAME=\"売上 一覧\""), 0);
    EXPECT_EQ(VXLS_open_sheet(&book_, "シート=売上 一覧"), -3);   // unquoted: the blank ends the value
    EXPECT_EQ(VXLS_open_sheet(&book_, "シート=\"売上 一覧\""), -3);
    EXPECT_EQ(error(), "VXLS-02321 既に存在しているシート名です(\"売上 一覧\")。");

    for (const char *bad : {"a/b", "x[1]", "'quoted'", "back\\slash"}) {
        EXPECT_EQ(VXLS_open_sheet(&book_, (std::string("SHEET_NAME=") + bad).c_str()), -3) << bad;
        EXPECT_EQ(error(), std::string("VXLS-02320 シート名が不正です(\"") + bad + "\")。");
    }
    EXPECT_EQ(VXLS_sheet_num(&book_), 2);
}

TEST_F(ApiTest, SheetNamesComeBackInTheCallersCharacterSet) {
    open(nullptr);   // Shift-JIS
    ASSERT_EQ(VXLS_open_sheet(&book_, "\x83\x56\x81\x5B\x83\x67=\x93\xFA\x96\x7B\x8C\xEA"), 0);   // シート=日本語
    EXPECT_EQ(book_of(&book_).model.sheets[0].name, "日本語");
    EXPECT_EQ(name_of(&book_, 0), "\x93\xFA\x96\x7B\x8C\xEA");
    EXPECT_EQ(name_of(&book_, 1), "rc -801 []");
}

TEST_F(ApiTest, SheetOptionErrors) {
    open(nullptr);
    for (const char *bad : {"NAME=x", "SHEET_NAME x", "SHEET_NAME=", "MODE=DELETE"})
        EXPECT_EQ(VXLS_open_sheet(&book_, bad), -3) << bad;
    EXPECT_EQ(error(), in_charset("VXLS-02200 サポート外のキーワードです(\"DELETE\")。", 1));
    EXPECT_EQ(VXLS_sheet_num(&book_), 0);
}

TEST_F(ApiTest, ReadAndUpdateSelectExistingSheets) {
    open(nullptr, "SHEET_NAME=first");
    ASSERT_EQ(VXLS_open_sheet(&book_, "SHEET_NAME=second"), 0);
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=READ SHEET_NAME=first"), 0);
    EXPECT_EQ(book_.current_sheet, 0);
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=\x8D\x58\x90\x56 SHEET_NAME=second"), 0);   // 更新
    EXPECT_EQ(book_.current_sheet, 1);
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=READ SHEET_NAME=First"), -801);
    EXPECT_EQ(error(), in_charset("VXLS-02320 シート名が不正です(\"First\")。", 1));
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=READ"), -801);
    EXPECT_EQ(book_.current_sheet, 1);
    EXPECT_EQ(VXLS_sheet_num(&book_), 2);

    EXPECT_EQ(VXLS_open_sheet2(&book_, 0), 0);
    EXPECT_EQ(book_.current_sheet, 0);
    EXPECT_EQ(VXLS_open_sheet2(&book_, 2), -801);
    EXPECT_EQ(VXLS_open_sheet2(&book_, -1), -801);
    EXPECT_EQ(book_.current_sheet, 0);
}

TEST_F(ApiTest, TemplateSheetsCopyAnExistingSheet) {
    open(nullptr, "SHEET_NAME=base");
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=TEMPLATE"), -3);
    EXPECT_EQ(error(), in_charset("VXLS-02322 テンプレートシート名が指定されていません。", 1));
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=TEMPLATE TEMPLATE=nope"), -801);
    EXPECT_EQ(error(), in_charset("VXLS-03002 テンプレートシート(\"nope\")が取得できません。", 1));
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=TEMPLATE TEMPLATE=base SHEET_NAME=base"), -3);

    ASSERT_EQ(VXLS_open_sheet(&book_, "MODE=TEMPLATE TEMPLATE=base"), 0);
    ASSERT_EQ(VXLS_open_sheet(&book_, "\x83\x82\x81\x5B\x83\x68=\x83\x65\x83\x93\x83\x76\x83\x8C\x81\x5B\x83\x67 "
                                      "\x83\x65\x83\x93\x83\x76\x83\x8C\x81\x5B\x83\x67=base SHEET_NAME=copy"),
              0);   // モード=テンプレート テンプレート=base
    std::vector<std::pair<std::string, int>> copies;   // name, index of the sheet copied
    for (const auto &s : book_of(&book_).model.sheets) copies.emplace_back(s.name, s.copied_from);
    EXPECT_EQ(copies, (std::vector<std::pair<std::string, int>>{{"base", -1}, {"Sheet2", 0}, {"copy", 0}}));
    EXPECT_EQ(book_.current_sheet, 2);

    // A book in template mode adds sheets only as copies.
    book_.new_book = VXLS_OFF;
    EXPECT_EQ(VXLS_open_sheet(&book_, ""), -3);
    EXPECT_EQ(error(), in_charset("VXLS-02209 テンプレートモードではシートを追加することはできません。", 1));
    EXPECT_EQ(VXLS_open_sheet(&book_, "MODE=TEMPLATE TEMPLATE=copy"), 0);
    EXPECT_EQ(VXLS_sheet_num(&book_), 4);
}

TEST_F(ApiTest, RowAndColumnCountsOfTheCurrentSheet) {
    open(nullptr);
    EXPECT_EQ(VXLS_row_num(&book_), 0);       // no sheet yet
    EXPECT_EQ(VXLS_column_num(&book_, 0), 0);
    ASSERT_EQ(VXLS_open_sheet(&book_, ""), 0);
    ASSERT_EQ(VXLS_open_sheet(&book_, ""), 0);
    vel::Sheet &second = book_of(&book_).model.sheets[1];
    ASSERT_NE(vel::ensure_cell(second, 4, 2), nullptr);
    EXPECT_EQ(VXLS_row_num(&book_), 5);
    EXPECT_EQ(VXLS_column_num(&book_, 4), 3);
    EXPECT_EQ(VXLS_column_num(&book_, 5), 0);
    EXPECT_EQ(VXLS_column_num(&book_, -1), 0);
    book_.current_sheet = 7;
    EXPECT_EQ(VXLS_row_num(&book_), 0);
    EXPECT_EQ(VXLS_column_num(&book_, 4), 0);
}
