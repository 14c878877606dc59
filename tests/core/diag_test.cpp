// Messages of a call and the readers' diagnostic log.
#include <gtest/gtest.h>

#include <string>

#include "core/diag.h"
#include "core/messages.h"

using namespace vel;

TEST(Diag, RecordingReplacesOrKeepsMessages) {
    Diag d;
    d.begin_call();
    EXPECT_EQ(vlt_error(d, -3, msg::E02200, "日"), -3);
    EXPECT_EQ(d.message, "VXLS-02200 サポート外のキーワードです(\"日\")。");
    EXPECT_EQ(vlt_error(d, -909, msg::E03009, 93, "XLS_SHEET_LEN"), -909);
    EXPECT_EQ(d.message, "VXLS-03009 バッファサイズ(\"93\")オーバー(\"XLS_SHEET_LEN\")。");
    // The save paths keep the first message of the call.
    EXPECT_EQ(vlt_error_keep(d, -103, msg::E03121, "x"), -103);
    EXPECT_EQ(d.message, "VXLS-03009 バッファサイズ(\"93\")オーバー(\"XLS_SHEET_LEN\")。");
    d.begin_call();
    EXPECT_EQ(vlt_error_keep(d, -2, msg::E00002), -2);
    EXPECT_EQ(d.message, "VXLS-00002 メモリ不足です。処理を中断します。");
    // A "%" inside an argument is text, and an over-long message is cut at a whole character.
    vlt_error(d, -3, msg::E02300, "100%s");
    EXPECT_EQ(d.message, "VXLS-02300 セル指定値が不正です(\"100%s\")。");
    std::string huge;
    for (int i = 0; i < 3000; ++i) huge += "あ";
    vlt_error(d, -3, msg::E02300, huge.c_str());
    EXPECT_LE(d.message.size(), MESSAGE_MAX);
    EXPECT_EQ(d.message.size() % 3, 0u);   // "VXLS-02300 " (11 bytes) + whole 3-byte characters
}

TEST(Diag, LinesFollowTheCatalogue) {
    EXPECT_EQ(vlt_diag_line(901, ""), "VEL-00901: パスワード保護されたファイルです。処理を中断します。");
    EXPECT_EQ(vlt_diag_line(3000, "a.xls"), "VEL-03000: Officeファイルオープンエラー(\"a.xls\")。処理を中断します。");
    EXPECT_EQ(vlt_diag_line(2, "x"), "VEL-00002: メモリ不足です。処理を中断します。x");
    EXPECT_EQ(vlt_diag_line(12345, "text"), "VEL-12345: text");
    EXPECT_EQ(vlt_diag_line(0, "plain\nsecond line"), "plain");
    EXPECT_EQ(vlt_diag_line(0, std::string(300, 'L')), std::string(200, 'L'));
    std::string kana;
    for (int i = 0; i < 80; ++i) kana += "あ";
    EXPECT_EQ(vlt_diag_line(0, kana).size(), 198u);   // never splits a character
}

TEST(Diag, LogKeepsTheLast32Lines) {
    Diag d;
    vlt_diag_code(d, 901);
    vlt_diag(d, 0, "");
    EXPECT_EQ(d.line_count, 1);
    EXPECT_EQ(d.lines[0], "VEL-00901: パスワード保護されたファイルです。処理を中断します。");
    EXPECT_EQ(d.pending, 0);
    vlt_diag(d, 0, "no code");
    EXPECT_EQ(d.lines[1], "no code");
    for (int i = 0; i < 40; ++i) vlt_diag(d, 0, std::to_string(i));
    EXPECT_EQ(d.line_count, DIAG_LINES);
    EXPECT_EQ(d.lines[0], "8");
    EXPECT_EQ(d.lines[31], "39");
}
