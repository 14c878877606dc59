// End to end: the built program converts a picture and a clip made by
// ffmpeg; the workbooks must validate against the schemas, and every cell's
// fill, read back with openpyxl, must equal the quantised pixel of the frame
// it came from. Needs the spreadsheet library's writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "test_support.h"

using vtest::shell_quote;

namespace {

std::string env_or(const char *name, const char *fallback)
{
    const char *v = std::getenv(name);
    return v && *v ? v : fallback;
}

std::string program() { return env_or("GRIDCINEMA", GRIDCINEMA_PROGRAM); }
std::string checker() { return vtest::source_dir() + "/tests/app/check_fills.py"; }

bool ready(std::string &why)
{
    struct stat st {};
    if (program().empty() || ::stat(program().c_str(), &st) != 0)
        why = "GRIDCINEMA does not name the built program";
    else if (!vtest::have_program("ffmpeg"))
        why = "ffmpeg not installed";
    else if (vtest::run("/usr/bin/python3 -c 'import openpyxl'") != 0)
        why = "python3-openpyxl not installed";
    return why.empty();
}

} // namespace

TEST(EndToEnd, PictureConvertsExactly)
{
    std::string why;
    if (!ready(why))
        GTEST_SKIP() << why;
    const std::string dir = vtest::make_temp_dir("gc-e2e-png");
    const std::string png = dir + "/画像 one.png", raw = dir + "/png.bgr";
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=36x22 -frames:v 1 -pix_fmt rgb24 " +
                         shell_quote(png)), 0);
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -i " + shell_quote(png) + " -f rawvideo -pix_fmt bgr24 " +
                         shell_quote(raw)), 0);
    std::string out;
    ASSERT_EQ(vtest::run(shell_quote(program()) + " convert " + shell_quote(png) + " --ratio 1", &out), 0) << out;
    const std::string book = dir + "/画像 one.xlsx";
    EXPECT_EQ(vtest::validate_xlsx(book), "");
    ASSERT_EQ(vtest::run("/usr/bin/python3 " + shell_quote(checker()) + " " + shell_quote(book) + " " +
                         shell_quote(raw) + " 36 22 1 1 0", &out), 0) << out;
    EXPECT_NE(out.find("sheets=1 cells=792 bad=0"), std::string::npos) << out;
}

TEST(EndToEnd, ClipConvertsFrameByFrame)
{
    std::string why;
    if (!ready(why))
        GTEST_SKIP() << why;
    const std::string dir = vtest::make_temp_dir("gc-e2e-clip");
    const std::string clip = dir + "/sample.avi", raw = dir + "/clip.bgr";
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=160x120:rate=10:duration=2 "
                         "-f lavfi -i sine=frequency=440:duration=2 -shortest " + shell_quote(clip)), 0);
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -i " + shell_quote(clip) + " -f rawvideo -pix_fmt bgr24 " +
                         shell_quote(raw)), 0);
    const size_t frames = vtest::read_file(raw).size() / (160 * 120 * 3);
    ASSERT_GE(frames, 20u);
    const size_t sheets = (frames + 1) / 2;
    const std::string tally = "sheets=" + std::to_string(sheets) + " cells=" + std::to_string(sheets * 4800) + " bad=0";
    for (bool gray : {false, true}) {
        // Every 200 ms of media time: frames 0, 2, 4 ...
        std::string out;
        ASSERT_EQ(vtest::run(shell_quote(program()) + " convert " + shell_quote(clip) +
                             " --ratio 2 --step-ms 200" + (gray ? " --gray" : ""), &out), 0) << out;
        EXPECT_NE(out.find("sheets:   " + std::to_string(sheets)), std::string::npos) << out;
        const std::string book = dir + "/sample.xlsm";
        EXPECT_EQ(vtest::validate_xlsx(book), "");
        ASSERT_EQ(vtest::run("/usr/bin/python3 " + shell_quote(checker()) + " " + shell_quote(book) + " " +
                             shell_quote(raw) + " 160 120 2 2 " + (gray ? "1" : "0"), &out), 0) << out;
        EXPECT_NE(out.find(tally), std::string::npos) << out;
    }
}
