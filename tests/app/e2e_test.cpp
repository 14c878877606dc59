// End to end: the built program converts a picture and a clip made by ffmpeg; the books must validate, and
// every cell's fill, read back with openpyxl, must be the quantised pixel it came from. Needs the writer.
#include <gtest/gtest.h>

#include <cstdlib>

#include "test_support.h"

using vtest::shell_quote;

namespace {

// Why the tests cannot run here, "" when they can.
std::string missing()
{
    if (!vtest::have_program("ffmpeg"))
        return "ffmpeg not installed";
    return vtest::run("/usr/bin/python3 -c 'import openpyxl'") == 0 ? "" : "python3-openpyxl not installed";
}

// The frames of `media` as raw bgr24, in a file beside it.
std::string raw_frames(const std::string &media)
{
    const std::string raw = media + ".bgr";
    EXPECT_EQ(vtest::run("ffmpeg -v error -y -i " + shell_quote(media) + " -f rawvideo -pix_fmt bgr24 " +
                         shell_quote(raw)), 0);
    return raw;
}

// The program converts `media` into `book`, which must validate and whose fills check_fills.py compares
// with `raw` (its arguments W H RATIO EVERY GRAY in `geometry`). The program's output and the checker's.
std::string convert_and_check(const std::string &media, const std::string &options, const std::string &book,
                              const std::string &raw, const std::string &geometry)
{
    const char *program = std::getenv("GRIDCINEMA");
    std::string out, checked;
    EXPECT_EQ(vtest::run(shell_quote(program && *program ? program : GRIDCINEMA_PROGRAM) + " convert " +
                         shell_quote(media) + options, &out), 0) << out;
    EXPECT_EQ(vtest::validate_xlsx(book), "");
    EXPECT_EQ(vtest::run("/usr/bin/python3 " + shell_quote(vtest::source_dir() + "/tests/app/check_fills.py") + " " +
                         shell_quote(book) + " " + shell_quote(raw) + " " + geometry, &checked), 0) << checked;
    return out + checked;
}

} // namespace

TEST(EndToEnd, PictureConvertsExactly)
{
    if (!missing().empty())
        GTEST_SKIP() << missing();
    const std::string dir = vtest::make_temp_dir("gc-e2e-png"), png = dir + "/画像 one.png";
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=36x22 -frames:v 1 -pix_fmt rgb24 " +
                         shell_quote(png)), 0);
    const std::string out =
        convert_and_check(png, " --ratio 1", dir + "/画像 one.xlsx", raw_frames(png), "36 22 1 1 0");
    EXPECT_NE(out.find("sheets=1 cells=792 bad=0"), std::string::npos) << out;
}

TEST(EndToEnd, ClipConvertsFrameByFrame)
{
    if (!missing().empty())
        GTEST_SKIP() << missing();
    const std::string dir = vtest::make_temp_dir("gc-e2e-clip"), clip = dir + "/sample.avi";
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=160x120:rate=10:duration=2 "
                         "-f lavfi -i sine=frequency=440:duration=2 -shortest " + shell_quote(clip)), 0);
    const std::string raw = raw_frames(clip);
    const size_t frames = vtest::read_file(raw).size() / (160 * 120 * 3), sheets = (frames + 1) / 2;
    ASSERT_GE(frames, 20u);
    for (auto [gray, fills] : {std::pair{"", "160 120 2 2 0"}, {" --gray", "160 120 2 2 1"}}) {
        // Every 200 ms of media time: frames 0, 2, 4 ...
        const std::string out =
            convert_and_check(clip, std::string(" --ratio 2 --step-ms 200") + gray, dir + "/sample.xlsm", raw, fills);
        EXPECT_NE(out.find("sheets:   " + std::to_string(sheets)), std::string::npos) << out;
        EXPECT_NE(out.find("sheets=" + std::to_string(sheets) + " cells=" + std::to_string(sheets * 4800) + " bad=0"),
                  std::string::npos) << out;
    }
}
