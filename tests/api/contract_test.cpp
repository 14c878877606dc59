// The C contract: one answer for a closed book, a live book kept, a message per
// failing call, and bad input refused where it enters, so that accepted books save.
#include <fstream>

#include "api_fixture.h"

namespace {

// Calls every function that needs an open book; each must give -3 and say so.
void expect_closed_answers(XLS_BOOK *b) {
    char text[256] = "", *values[1] = {text};
    int i1 = 0, i2 = 0, i3 = 0, i4 = 0;
    long size = 16;
    XLS_SEARCH search{};
    const unsigned char png[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    const std::vector<std::pair<const char *, int>> results = {
        {"VXLS_close_book", VXLS_close_book(b, "SAVE")},
        {"VXLS_close_memory_book", VXLS_close_memory_book(b, nullptr, text, &size)},
        {"VXLS_open_sheet", VXLS_open_sheet(b, "")},
        {"VXLS_open_sheet2", VXLS_open_sheet2(b, 0)},
        {"VXLS_sheet_num", VXLS_sheet_num(b)},
        {"VXLS_sheet_name", VXLS_sheet_name(b, 0, text)},
        {"VXLS_row_num", VXLS_row_num(b)},
        {"VXLS_column_num", VXLS_column_num(b, 0)},
        {"VXLS_is_cell", VXLS_is_cell(b, "A1", &i1, &i2)},
        {"VXLS_is_range", VXLS_is_range(b, "A1:B2", &i1, &i2, &i3, &i4)},
        {"VXLS_put_cell", VXLS_put_cell(b, "A1", "1", 0)},
        {"VXLS_put_variable", VXLS_put_variable(b, "X", "1")},
        {"VXLS_is_property", VXLS_is_property(b, "A1.WIDTH", &i1)},
        {"VXLS_put_image_memory", VXLS_put_image_memory(b, "A1", VXLS_FILE_PNG, png, 8, 0, 0, 0, 0, 0, "")},
        {"VXLS_get_cell", VXLS_get_cell(b, "A1", text, sizeof text, nullptr, 0)},
        {"VXLS_get_cells", VXLS_get_cells(b, 0, 0, 0, 0, 1, values)},
        {"VXLS_search", VXLS_search(b, &search, "x", values)},
        {"VXLS_read_file", VXLS_read_file(b, "FILE=x")},
        {"VXLS_sheet_hyperlink", VXLS_sheet_hyperlink(b, "A1", "S", "A1")},
        {"VXLS_external_hyperlink", VXLS_external_hyperlink(b, "A1", "http://x")},
        {"VXLS_put_values", VXLS_put_values(b, "A1=1")},   // last: its message is checked below
    };
    for (const auto &[name, rc] : results) {
        EXPECT_EQ(rc, VXLS_ERR_ARGUMENT) << name;
    }
    EXPECT_NE(std::string(b->error_info).find("VXLS_put_values() book not open"), std::string::npos);
    EXPECT_EQ(VXLS_free_book(b), VXLS_OK);
}

} // namespace

TEST_F(ApiTest, EveryCallOnAClosedBookGivesTheSameAnswer) {
    XLS_BOOK never{};
    expect_closed_answers(&never);
    // A handle that holds leftovers in env was never opened either.
    XLS_BOOK garbage{};
    std::memset(&garbage, 0x5a, sizeof garbage);
    expect_closed_answers(&garbage);
    open(nullptr);
    EXPECT_EQ(VXLS_close_book(&book_, nullptr), 0);
    expect_closed_answers(&book_);
}

TEST_F(ApiTest, ReopeningALiveBookIsRefusedAndLeavesItAsItWas) {
    open("CHARSET=UTF8 BOOK=live.xlsx", "SHEET_NAME=S");
    ASSERT_EQ(VXLS_put_values(&book_, "A1=kept"), 0);
    void *env = book_.env;
    EXPECT_EQ(VXLS_open_book(&book_, "BOOK=other.xlsx"), VXLS_ERR_ARGUMENT);
    EXPECT_NE(error().find("VXLS_open_book() book already open"), std::string::npos) << error();
    EXPECT_EQ(VXLS_open_memory_book(&book_, nullptr, "x", 1), VXLS_ERR_ARGUMENT);
    EXPECT_EQ(book_.env, env);
    char value[32];
    ASSERT_EQ(VXLS_get_cell(&book_, "A1", value, sizeof value, nullptr, 0), 0);
    EXPECT_STREQ(value, "kept");
    EXPECT_NE(std::string(book_.book_path).find("live.xlsx"), std::string::npos);
}

TEST_F(ApiTest, EveryFailingCallWritesItsOwnMessage) {
    open("CHARSET=UTF8", "SHEET_NAME=S");
    char name[XLS_SHEET_NAME_LEN];
    int kind = 0;
    ASSERT_EQ(VXLS_put_values(&book_, "NOSUCH.KEY=1"), -3);
    const std::string previous = error();
    EXPECT_LT(VXLS_is_property(&book_, nullptr, &kind), 0);
    EXPECT_LT(VXLS_get_cell(&book_, "Z9", name, sizeof name, nullptr, 0), 0);
    EXPECT_EQ(error().rfind("VXLS-", 0), 0u) << error();
    EXPECT_EQ(VXLS_sheet_name(&book_, 99, name), VXLS_ERR_NO_SHEET);
    EXPECT_EQ(error(), "VXLS-02320 シート名が不正です(\"99\")。");
    EXPECT_EQ(VXLS_open_sheet(&book_, nullptr), VXLS_ERR_ARGUMENT);
    EXPECT_NE(error(), previous);
    EXPECT_NE(error().find("VXLS_open_sheet() options"), std::string::npos);
}

TEST_F(ApiTest, BadTextIsRefusedWhereItEntersAndTheBookStillSaves) {
    std::ofstream(in_dir("bad.csv"), std::ios::binary) << "ok,\xc0\x80\n";
    open("CHARSET=UTF8 BOOK=bad.xlsx", "SHEET_NAME=S");
    // One ill-formed text per way in (the kinds of ill-formed UTF-8 are the charset test's).
    struct Case {
        std::string text;
        int rc;
        const char *message_start;
    } cases[] = {
        {"A1=a\xc3", -3, "VXLS-02300 セル指定値が不正です(\"A1\")"},
        {"A1.FONT.NAME=Ari\xc3", -3, "VXLS-02300 セル指定値が不正です(\"A1.FONT.NAME\")"},
        {"SHEET.NAME=a?b", -3, "VXLS-02320 シート名が不正です(\"a?b\")"},
        {"SHEET.NAME=\xed\xa0\x80x", -3, "VXLS-02300 "},
        {"A1.CSV=" + in_dir("bad.csv"), -3, "VXLS-02300 "},
        {"A1:XFD1048576.FILL.COLOR=ff0000", VXLS_ERR_OVERFLOW, "VXLS-03008 (\"CELL\")の数が制限(\"67108864\")"},
        {"FILL.COLOR=ff0000", VXLS_ERR_GENERAL, "VXLS-02101 "},   // a cell keyword without its cell
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VXLS_put_values(&book_, c.text.c_str()), c.rc) << c.text;
        EXPECT_EQ(error().rfind(c.message_start, 0), 0u) << c.text << ": " << error();
    }
    EXPECT_EQ(VXLS_open_sheet(&book_, "SHEET_NAME=x\xc3"), -3);
    EXPECT_EQ(VXLS_open_sheet(&book_, "SHEET_NAME=a]b"), -3);
    EXPECT_EQ(VXLS_put_cell(&book_, "A2", "\xf4\x90\x80\x80", 0), -3);
    EXPECT_EQ(VXLS_put_variable(&book_, "V", "\xc3"), -1);
    EXPECT_EQ(VXLS_sheet_num(&book_), 1);
    ASSERT_EQ(VXLS_put_values(&book_, "A1=fine"), 0);
    ASSERT_EQ(VXLS_close_book(&book_, "SAVE"), 0) << error();
    EXPECT_EQ(vtest::validate_xlsx(in_dir("bad.xlsx")), "");
}

TEST_F(ApiTest, TextsInvalidInTheCallersMultiByteSetAreRefused) {
    open("CHARSET=SJIS", "");
    EXPECT_EQ(VXLS_put_values(&book_, "A1=\x82"), -3);         // a lead byte without its trail
    EXPECT_EQ(VXLS_put_values(&book_, "A1=\x85\x40"), -3);     // an unassigned code
    EXPECT_EQ(VXLS_put_values(&book_, "A1=\x93\xfa"), 0);      // 日
    VXLS_free_book(&book_);
    open("CHARSET=EUC", "");
    EXPECT_EQ(VXLS_put_values(&book_, "A1=\xa4"), -3);
    EXPECT_EQ(VXLS_put_values(&book_, "A1=\xc6\xfc"), 0);
}

TEST_F(ApiTest, LoadsThatReachAFileBeingLoadedAreRefused) {
    std::ofstream(in_dir("self.csv")) << "!A1.CSV=" << in_dir("self.csv") << "\nx\n";
    std::ofstream(in_dir("a.csv")) << "!A5.CSV=" << in_dir("b.csv") << "\na\n";
    std::ofstream(in_dir("b.csv")) << "!A9.CSV=" << in_dir("a.csv") << "\nb\n";
    std::ofstream(in_dir("lines.txt")) << "A1=1\nA2.CSV=" << in_dir("a.csv") << "\n";
    open("CHARSET=UTF8", "");
    for (const char *file : {"self.csv", "a.csv"}) {
        std::string text = std::string("A1.CSV=") + in_dir(file);
        EXPECT_EQ(VXLS_put_values(&book_, text.c_str()), -1) << file;
        EXPECT_EQ(error().rfind("VXLS-00100 ", 0), 0u) << error();
        EXPECT_NE(error().find("(読み込み中)"), std::string::npos) << error();
    }
    EXPECT_EQ(VXLS_read_file(&book_, ("FILE=" + in_dir("lines.txt")).c_str()), -1);
    // Loading the same file again later, not inside itself, is fine.
    std::ofstream(in_dir("plain.csv")) << "p,q\n";
    EXPECT_EQ(VXLS_put_values(&book_, ("A1.CSV=" + in_dir("plain.csv") + " B1.CSV=" + in_dir("plain.csv")).c_str()), 0);
}

TEST_F(ApiTest, AFullFormatTableReportsItsOwnLimit) {
    open("CHARSET=UTF8", "");
    // Fill colours until the cell-format table is full.
    std::string text;
    int rc = 0, n = 0;
    for (; rc == 0 && n < 70000; ++n) {
        char item[48];
        std::snprintf(item, sizeof item, "A%d.FILL.COLOR=%06x ", n % 1000 + 1, n);
        text += item;
        if (n % 500 == 499) {
            rc = VXLS_put_values(&book_, text.c_str());
            text.clear();
        }
    }
    ASSERT_EQ(rc, VXLS_ERR_OVERFLOW);
    EXPECT_EQ(error(), "VXLS-03008 (\"Fill Style\")の数が制限(\"64000\")を超えました。");
    const vel::Model &m = book_of(&book_).model;
    const size_t fills = m.fills.size(), fonts = m.fonts.size();
    EXPECT_EQ(m.xfs.size(), 64000u);
    // A combination the table already holds still applies.
    EXPECT_EQ(VXLS_put_values(&book_, "D1.FILL.COLOR=000000"), 0) << error();
    // A new font colour names the table that is full, and no table grows.
    EXPECT_EQ(VXLS_put_values(&book_, "B1.FONT.COLOR=123456"), VXLS_ERR_OVERFLOW);
    EXPECT_EQ(error(), "VXLS-03008 (\"Font Style\")の数が制限(\"64000\")を超えました。");
    EXPECT_EQ(VXLS_put_values(&book_, "C1.FILL.COLOR=fedcba"), VXLS_ERR_OVERFLOW);
    EXPECT_EQ(m.fills.size(), fills);
    EXPECT_EQ(m.fonts.size(), fonts);
}
