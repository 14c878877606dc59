// The command line on real media against the recording library: options, sampling, refused input.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli.h"
#include "messages.h"
#include "recorder.h"
#include "test_support.h"

using gctest::Recorder;

namespace {

struct CliRun {
    int rc;
    std::string out, err;
};

CliRun run_cli(Recorder &lib, std::vector<std::string> args)
{
    std::ostringstream out, err;
    int rc = gc::cli_main(args, lib, out, err);
    return {rc, out.str(), err.str()};
}

// The fill values of one sampled row text, in column order.
std::vector<std::string> fills(const std::string &row)
{
    std::vector<std::string> v;
    const std::string key = ".塗りつぶし.色=";
    for (size_t p = 0; (p = row.find(key, p)) != std::string::npos; p += key.size())
        v.push_back(row.substr(p + key.size(), 6));
    return v;
}

// The sheets' row texts, grouped by sheet.
std::vector<std::vector<std::string>> sheet_rows(const Recorder &lib)
{
    std::vector<std::vector<std::string>> sheets;
    for (const auto &c : lib.calls) {
        if (c.fn == "open_sheet")
            sheets.emplace_back();
        else if (c.fn == "put_values" && c.text.find(".高さ=") != std::string::npos)
            sheets.back().push_back(c.text);
    }
    return sheets;
}

} // namespace

// Fills against the pixels, gray ones too, are the end-to-end test's check; here the options reach the calls.
TEST(Cli, OptionsReachTheCallsAndCapTheSheets)
{
    if (!vtest::have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    std::string dir = vtest::make_temp_dir("gc-clip");
    const std::string clip = dir + "/クリップ 1.avi";
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=64x48:rate=10:duration=1.5 "
                         "-c:v mpeg4 -q:v 3 " + vtest::shell_quote(clip)), 0);
    // Every 200 ms of a 10 fps clip: frames 0, 2, 4 ... 14.
    Recorder lib;
    CliRun r = run_cli(lib, {"convert", clip, "--ratio", "4", "--step-ms", "200", "--zoom", "40"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(lib.calls.front().text, "CHARSET=UTF8 BOOK=\"" + dir + "/クリップ 1.xlsm\"");
    EXPECT_EQ(lib.calls[2].text, "ズーム=40");
    auto sheets = sheet_rows(lib);
    ASSERT_EQ(sheets.size(), 8u);
    ASSERT_EQ(sheets[0].size(), 12u);
    EXPECT_EQ(fills(sheets[0][0]).size(), 16u);
    EXPECT_NE(r.out.find("sheets:   8"), std::string::npos) << r.out;
    EXPECT_EQ(lib.calls.back().text, "SAVE");

    // The test run stops at 30 sheets, the maximum sooner.
    Recorder capped;
    r = run_cli(capped, {"convert", clip, "--step-ms", "10", "--test-run", "--max-sheets", "5"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(sheet_rows(capped).size(), 30u);
    Recorder five;
    r = run_cli(five, {"convert", clip, "--step-ms", "10", "--max-sheets", "5"});
    EXPECT_EQ(sheet_rows(five).size(), 5u);
}

TEST(Cli, ContainersOutsideTheKindTableAreVideos)
{
    if (!vtest::have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    std::string dir = vtest::make_temp_dir("gc-mp4");
    for (const char *name : {"a.mp4", "b.mkv", "c.gif"}) {
        const std::string path = dir + "/" + name;
        std::string codec = std::string(name) == "c.gif" ? "" : "-c:v mpeg4 ";
        ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=32x24:rate=5:duration=0.6 " + codec +
                             vtest::shell_quote(path)), 0);
        Recorder lib;
        CliRun r = run_cli(lib, {"convert", path, "--step-ms", "200"});
        ASSERT_EQ(r.rc, 0) << name << r.err;
        EXPECT_NE(lib.calls.front().text.find(".xlsm\""), std::string::npos) << name;
        EXPECT_EQ(sheet_rows(lib).size(), 3u) << name;
    }
}

TEST(Cli, RefusesWhatItCannotConvert)
{
    std::string dir = vtest::make_temp_dir("gc-bad");
    Recorder lib;
    // JPEG bytes under a name the kind table does not accept.
    const std::string jpeg = dir + "/photo.txt", avi = dir + "/broken.avi";
    ASSERT_EQ(gctest::save_picture(jpeg, "JPG"), jpeg);
    CliRun r = run_cli(lib, {"convert", jpeg});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find(gc::msg::UNSUPPORTED), std::string::npos) << r.err;

    std::ofstream(avi) << "RIFF\x10";  // a RIFF header named .avi that FFmpeg cannot read
    r = run_cli(lib, {"convert", avi});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("ERROR:RenderFile() ファイルオープンエラー rc = "), std::string::npos) << r.err;
    EXPECT_TRUE(lib.named("open_book").empty());

    EXPECT_EQ(run_cli(lib, {"convert", dir + "/missing.png"}).rc, 1);
    EXPECT_EQ(run_cli(lib, {"convert", avi, "--ratio", "3"}).rc, 2);
    r = run_cli(lib, {"convert", avi, "--max-sheets", "1001"});
    EXPECT_EQ(r.rc, 2);
    EXPECT_NE(r.err.find(gc::msg::RANGE), std::string::npos);
    EXPECT_EQ(run_cli(lib, {"convert"}).rc, 2);
    EXPECT_EQ(run_cli(lib, {"play", avi}).rc, 2);
}

TEST(Cli, LibraryFailuresAreReportedAndTheBookFreed)
{
    const std::string png = vtest::make_temp_dir("gc-fail") + "/p.png";
    ASSERT_EQ(gctest::save_picture(png), png);
    Recorder refuse, nosave;
    refuse.put_rc = [](size_t n, const std::string &, XLS_BOOK *) { return n == 2 ? -3 : 0; };
    nosave.close_rc = -103;
    for (auto [lib, message, detail] : {std::tuple{&refuse, gc::msg::CONVERT_FAILED, "VXLS_put_values() rc = -3"},
                                        {&nosave, gc::msg::SAVE_FAILED, ""}}) {
        CliRun r = run_cli(*lib, {"convert", png});
        EXPECT_EQ(r.rc, 1);
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(detail), std::string::npos) << r.err;
        EXPECT_EQ(lib->calls.back().fn, "free_book");
    }
}
