// The command line on real media against the recording library: which frames
// are sampled, that every fill equals the quantised source pixel, and how
// unsupported or broken input is refused.
#include <gtest/gtest.h>

#include <QImage>
#include <sstream>

#include "cli.h"
#include "convert.h"
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

std::string hex(int r, int g, int b)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x", r, g, b);
    return buf;
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

TEST(Cli, PictureGivesOneSheetWithItsExactColours)
{
    std::string dir = vtest::make_temp_dir("gc-png");
    QImage img(23, 17, QImage::Format_RGB888);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x)
            img.setPixelColor(x, y, QColor((x * 11 + y) % 256, (y * 15 + 3) % 256, (x * y * 7) % 256));
    const std::string png = dir + "/ピクチャ 1.png";
    ASSERT_TRUE(img.save(QString::fromStdString(png)));

    for (bool gray : {false, true}) {
        Recorder lib;
        std::vector<std::string> args = {"convert", png, "--ratio", "2"};
        if (gray)
            args.push_back("--gray");
        CliRun r = run_cli(lib, args);
        ASSERT_EQ(r.rc, 0) << r.err;
        EXPECT_EQ(lib.calls.front().text, "CHARSET=UTF8 BOOK=\"" + dir + "/ピクチャ 1.xlsx\"");
        auto sheets = sheet_rows(lib);
        ASSERT_EQ(sheets.size(), 1u);
        ASSERT_EQ(sheets[0].size(), 9u);  // ceil(17 / 2)
        for (int k = 0; k < 9; ++k) {
            auto v = fills(sheets[0][size_t(k)]);
            ASSERT_EQ(v.size(), 12u);
            for (int c = 0; c < 12; ++c) {
                QColor p = img.pixelColor(c * 2, k * 2);
                gc::Rgb q = gc::quantise(uint8_t(p.blue()), uint8_t(p.green()), uint8_t(p.red()),
                                         gray ? gc::COLOR_MODE_GRAY : gc::COLOR_MODE_COLOR);
                EXPECT_EQ(v[size_t(c)], hex(q.r, q.g, q.b)) << "row " << k << " col " << c;
            }
        }
        EXPECT_NE(r.out.find("sheets:   1"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("cells:    108"), std::string::npos) << r.out;
        EXPECT_EQ(lib.calls.back().fn, "close_book");
        EXPECT_EQ(lib.calls.back().text, "SAVE");
    }
}

TEST(Cli, ClipIsSampledEveryStepOfMediaTime)
{
    if (!vtest::have_program("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    std::string dir = vtest::make_temp_dir("gc-clip");
    const std::string clip = dir + "/clip.avi", raw = dir + "/clip.bgr";
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -f lavfi -i testsrc2=size=64x48:rate=10:duration=1.5 "
                         "-c:v mpeg4 -q:v 3 " + vtest::shell_quote(clip)), 0);
    ASSERT_EQ(vtest::run("ffmpeg -v error -y -i " + vtest::shell_quote(clip) +
                         " -f rawvideo -pix_fmt bgr24 " + vtest::shell_quote(raw)), 0);
    const std::string frames = vtest::read_file(raw);
    const size_t frame_bytes = 64 * 48 * 3;
    ASSERT_EQ(frames.size(), 15 * frame_bytes);

    // Every 200 ms of a 10 fps clip: frames 0, 2, 4 ... 14.
    Recorder lib;
    CliRun r = run_cli(lib, {"convert", clip, "--ratio", "4", "--step-ms", "200", "--zoom", "40"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(lib.calls.front().text, "CHARSET=UTF8 BOOK=\"" + dir + "/clip.xlsm\"");
    EXPECT_EQ(lib.calls[2].text, "ズーム=40");
    auto sheets = sheet_rows(lib);
    ASSERT_EQ(sheets.size(), 8u);
    for (size_t s = 0; s < sheets.size(); ++s) {
        const auto *f = reinterpret_cast<const uint8_t *>(frames.data()) + s * 2 * frame_bytes;
        ASSERT_EQ(sheets[s].size(), 12u);
        for (int k = 0; k < 12; ++k) {
            auto v = fills(sheets[s][size_t(k)]);
            ASSERT_EQ(v.size(), 16u);
            for (int c = 0; c < 16; ++c) {
                const uint8_t *p = f + (size_t(k) * 4 * 64 + size_t(c) * 4) * 3;
                gc::Rgb q = gc::quantise(p[0], p[1], p[2], gc::COLOR_MODE_COLOR);
                ASSERT_EQ(v[size_t(c)], hex(q.r, q.g, q.b)) << "sheet " << s << " row " << k << " col " << c;
            }
        }
    }

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
    std::string jpeg = dir + "/photo.txt";
    {
        QImage img(8, 8, QImage::Format_RGB888);
        img.fill(Qt::red);
        ASSERT_TRUE(img.save(QString::fromStdString(jpeg), "JPG"));
    }
    CliRun r = run_cli(lib, {"convert", jpeg});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find(gc::msg::UNSUPPORTED), std::string::npos) << r.err;

    // A RIFF header named .avi that FFmpeg cannot read.
    std::string avi = dir + "/broken.avi";
    {
        FILE *f = std::fopen(avi.c_str(), "wb");
        std::fputs("RIFF\x10\0\0\0AVI LIST garbage garbage garbage", f);
        std::fclose(f);
    }
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
    std::string dir = vtest::make_temp_dir("gc-fail");
    const std::string png = dir + "/p.png";
    QImage img(4, 4, QImage::Format_RGB888);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(QString::fromStdString(png)));

    Recorder refuse;
    refuse.put_rc = [](size_t n, const std::string &, XLS_BOOK *) { return n == 2 ? -3 : 0; };
    CliRun r = run_cli(refuse, {"convert", png});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find(gc::msg::CONVERT_FAILED), std::string::npos);
    EXPECT_NE(r.err.find("VXLS_put_values() rc = -3"), std::string::npos);
    EXPECT_EQ(refuse.calls.back().fn, "free_book");

    Recorder nosave;
    nosave.close_rc = -103;
    r = run_cli(nosave, {"convert", png});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find(gc::msg::SAVE_FAILED), std::string::npos);
    EXPECT_EQ(nosave.calls.back().fn, "free_book");
}
