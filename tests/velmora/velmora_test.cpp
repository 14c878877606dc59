// The velmora command: field writers, usage errors and exit codes, run -> dump -> find on a book it wrote,
// a text longer than a cell shows, and the built program's help card and version.
#include <gtest/gtest.h>

#include <fstream>

#include "dump.h"
#include "velmora_support.h"
#include "zip_builder.h"

using vtest::Ran;
using vtest::velmora;

namespace {

void write(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(VelmoraFields, QuotingAndEscapes) {
    std::string csv;
    for (const char *t : {"plain", "a,b", "say \"hi\"", "two\r\nlines", ""}) {
        velcmd::put_csv_field(csv, t);
        csv += '|';
    }
    EXPECT_EQ(csv, "plain|\"a,b\"|\"say \"\"hi\"\"\"|\"two\r\nlines\"||");

    std::string tsv;
    velcmd::put_tsv_field(tsv, "a\tb\nc\\d\re");
    EXPECT_EQ(tsv, "a\\tb\\nc\\\\d\\re");

    std::string json;
    velcmd::put_json_string(json, "q\"b\\\n\x01 日本 \xff\xed\xa0\x80 \xf0\x9f\x98\x80");
    EXPECT_EQ(json, "\"q\\\"b\\\\\\n\\u0001 日本 \\ufffd\\ufffd\\ufffd\\ufffd \xf0\x9f\x98\x80\"");
}

TEST(VelmoraCommand, BadUsageExitsTwoFailedJobsOne) {
    const std::string dir = vtest::make_temp_dir("velmora-usage");
    const std::string book = dir + "/b.xlsx", text = dir + "/not-a-book.xlsx";
    ASSERT_EQ(velmora({"run", (write(dir + "/s.txt", "A1=1\n"), dir + "/s.txt"), "-o", book}).rc, 0);
    write(text, "just text\n");

    const std::vector<std::vector<std::string>> usage = {
        {}, {"frobnicate"}, {"dump", book, "--format", "xml"}, {"dump", book, "--range", "A0:B2"},
        {"dump", book, "--sheet", "2"}, {"dump", book, "--sheet"}, {"find", book, "x", "--count", "0"},
        {"run", dir + "/s.txt", "-o", dir + "/s.txt"}, {"run", dir + "/s.txt", "-o", dir + "/a\"b.xlsx"}};
    for (const auto &args : usage) {
        Ran r = velmora(args);
        std::string line;
        for (const std::string &a : args) line += a + " ";
        EXPECT_EQ(r.rc, 2) << line << r.err;
        EXPECT_EQ(r.err.rfind("velmora: ", 0), 0u) << line;
        EXPECT_TRUE(r.out.empty()) << line;
    }
    // Failed jobs say why; a failing script leaves an existing output as it was.
    write(dir + "/bad.txt", "A1=1\nA2.NO_SUCH_KEYWORD=1\n");
    write(dir + "/keep.xlsx", "old");
    for (auto [args, why] : {std::pair{std::vector<std::string>{"dump", dir + "/missing.xlsx"}, "No such file"},
                             {{"dump", text}, "VXLS-"},
                             {{"run", dir + "/bad.txt", "-o", dir + "/keep.xlsx"}, "VXLS-"}}) {
        Ran r = velmora(args);
        EXPECT_EQ(r.rc, 1) << args[1];
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    }
    EXPECT_EQ(vtest::read_file(dir + "/keep.xlsx"), "old");
    EXPECT_EQ(velmora({"find", book, "absent"}).rc, 1);
}

TEST(VelmoraCommand, RunDumpFind) {
    const std::string dir = vtest::make_temp_dir("velmora-run");
    // Shift-JIS script: cells before any SHEET= go into the first sheet.
    std::string sjis = "A1=\x93\xfa\x96\x7b B1=\"a, b\" C1=\"say \"\"hi\"\"\"\r\n"   // 日本
                       "! a comment line\r\n"
                       "A2=1.5 C2=end A3=x\r\n"
                       "SHEET=Two A1=last B3=merged B3:C4.MERGE=TRUE\r\n";
    write(dir + "/book.txt", sjis);
    Ran run = velmora({"run", dir + "/book.txt", "--charset", "sjis"});
    ASSERT_EQ(run.rc, 0) << run.err;
    EXPECT_NE(run.out.find(dir + "/book.xlsx"), std::string::npos) << run.out;
    const std::string book = dir + "/book.xlsx";

    // Every record of a sheet has its width; several sheets are introduced.
    Ran csv = velmora({"dump", book});
    ASSERT_EQ(csv.rc, 0) << csv.err;
    EXPECT_EQ(csv.out, "--- sheet 1: Sheet1\r\n日本,\"a, b\",\"say \"\"hi\"\"\"\r\n1.5,,end\r\nx,,\r\n"
                       "--- sheet 2: Two\r\nlast,,\r\n,,\r\n,merged,\r\n");
    EXPECT_EQ(velmora({"dump", book, "--sheet", "Sheet1", "--format", "tsv", "--range", "C2:A1"}).out,
              "日本\ta, b\tsay \"hi\"\n1.5\t\tend\n");
    EXPECT_EQ(velmora({"dump", book, "--sheet", "2", "--range", "B3"}).out, "merged\r\n");
    Ran outside = velmora({"dump", book, "--sheet", "2", "--range", "D10:F20"});
    EXPECT_TRUE(outside.rc == 0 && outside.out.empty()) << outside.err;

    Ran found = velmora({"find", book, "1.5", "--count", "3"});
    EXPECT_EQ(found.rc, 0) << found.err;
    EXPECT_EQ(found.out, "Sheet1!A2\t1.5\t\tend\n");
    EXPECT_EQ(velmora({"find", book, "日本", "--down", "--count", "3"}).out, "Sheet1!A1\t日本\t1.5\tx\n");
    // The first cell of a merged area gives one line per row of the area.
    EXPECT_EQ(velmora({"find", book, "merged", "--count", "2"}).out, "Two!B3\tmerged\t\nTwo!B4\t\t\n");
    EXPECT_EQ(velmora({"find", book, "last", "--sheet", "Sheet1"}).rc, 1);
    EXPECT_EQ(velmora({"find", book, "last", "--range", "A1:A1", "--sheet", "Two"}).out, "Two!A1\tlast\n");
}

// A book may hold a longer text than a cell shows: the dump gets the first 32,767 characters, no overrun.
TEST(VelmoraCommand, TextLongerThanACellShowsIsCut) {
    std::string text;
    for (int i = 0; i < 50000; ++i) text += "あ";
    std::vector<vtest::Item> items = vtest::package_items();
    items.push_back({"xl/worksheets/sheet1.xml", std::string("<worksheet xmlns=\"") + vtest::MAIN_NS +
                                                     "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text +
                                                     "</t></is></c><c r=\"B1\"><v>2</v></c></row></sheetData></worksheet>"});
    const std::string path = vtest::make_temp_dir("velmora-long") + "/long.xlsx";
    write(path, vtest::build_zip(std::move(items)));
    Ran r = velmora({"dump", path, "--format", "tsv"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, text.substr(0, 32767 * 3) + "\t2\n");
}

TEST(VelmoraProgram, HelpCardAndVersion) {
    const std::string program = vtest::shell_quote(VELMORA_PROGRAM);
    std::string out;
    ASSERT_EQ(vtest::run("LC_ALL=C.UTF-8 " + program + " help", &out), 0) << out;
    EXPECT_NE(out.find("VELMORA: Release 2.0.0.0"), std::string::npos);
    EXPECT_NE(out.find("■フォント"), std::string::npos);   // UTF-8, the terminal's set
    // In an EUC-JP terminal (a locale made here), the card is EUC-JP.
    const std::string locales = vtest::make_temp_dir("velmora-locale");
    if (vtest::run("localedef -f EUC-JP -i ja_JP " + vtest::shell_quote(locales + "/ja_JP.eucJP")) == 0) {
        ASSERT_EQ(vtest::run("LOCPATH=" + vtest::shell_quote(locales) + " LC_ALL=ja_JP.eucJP " + program + " help", &out), 0);
        EXPECT_NE(out.find("\xa2\xa3\xa5\xd5\xa5\xa9\xa5\xf3\xa5\xc8"), std::string::npos);   // ■フォント
        EXPECT_EQ(out.find("■フォント"), std::string::npos);
    } else {
        std::printf("note: localedef cannot make ja_JP.eucJP; the EUC-JP card is not checked\n");
    }
    ASSERT_EQ(vtest::run(program + " --version", &out), 0);
    EXPECT_EQ(out, "velmora 2.0.0.0 (library 2.0.0.0)\n");
    EXPECT_EQ(vtest::run(program + " dump", &out), 2);
    EXPECT_NE(out.find("usage: velmora"), std::string::npos);

    // An output that cannot be written fails the job.
    const std::string dir = vtest::make_temp_dir("velmora-full");
    write(dir + "/s.txt", "A1=1 B1=2\n");
    ASSERT_EQ(velmora({"run", dir + "/s.txt"}).rc, 0);
    EXPECT_EQ(vtest::run("(" + program + " dump " + vtest::shell_quote(dir + "/s.xlsx") + " >/dev/full)", &out), 1);
    EXPECT_NE(out.find("cannot write the output"), std::string::npos) << out;
}
