// The conversion against a recording library and a list of frames: the exact calls and property texts,
// cell counts, how runs end and fail. Every cell's colour is the end-to-end test's check.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "convert.h"
#include "recorder.h"

using gc::ConvertReport;
using gc::PLAY_ARG;
using gctest::Recorder;

namespace {

// b, g, r of pixel (x, y): distinct per pixel, low bits set to see the rounding.
std::array<uint8_t, 3> ramp(int x, int y)
{
    return {uint8_t(x * 40 + 7), uint8_t(y * 60 + 3), uint8_t(200 + x + y)};
}

// A conversion of one 2 x 2 frame (until a test sets others) into a recording library.
struct Trial {
    Recorder lib;
    gctest::ListSource src;
    XLS_BOOK book{};
    PLAY_ARG arg;
    std::atomic<int32_t> state{gc::STATE_CONVERTING};
    gc::ConvertHooks hooks;

    explicit Trial(const std::u16string &path = u"/clips/run.avi", bool video = true)
    {
        EXPECT_TRUE(gc::set_play_path(arg, path));
        arg.is_video = video ? -1 : 0;
        arg.source = &src;
        arg.book = &book;
        arg.ratio = 1;
        book.macro_book = VXLS_OFF;
        src.frames = {gctest::make_frame(2, 2, true, ramp)};
    }
    ConvertReport go() { return gc::convert_thread(arg, lib, state, hooks); }
};

std::string fill(int row, int col, std::array<uint8_t, 3> bgr)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x", bgr[2] & 0xF8, bgr[1] & 0xF8, bgr[0] & 0xF8);
    return Recorder::cell(row, col) + ".塗りつぶし.色=" + hex + " ";
}

} // namespace

TEST(Conversion, SendsTheExactCallsAndTextsForEachSheet)
{
    Trial r;
    auto f = gctest::make_frame(3, 2, true, ramp);  // a bottom-up DIB
    r.src.frames = {f, f};
    ConvertReport rep = r.go();
    ASSERT_EQ(r.arg.result, 0);
    EXPECT_STREQ(r.arg.out_name, "/clips/run.xlsm");

    std::vector<gctest::Call> want = {{"open_book", "CHARSET=UTF8 BOOK=\"/clips/run.xlsm\"", VXLS_OFF}};
    for (int sheet = 1; sheet <= 2; ++sheet) {
        want.push_back({"open_sheet", "シート=" + std::to_string(sheet) + " MODE=CREATE", VXLS_ON});
        want.push_back({"put_values", "ズーム=20", VXLS_ON});
        want.push_back({"put_values", "A1.幅=2 B1.幅=2 C1.幅=2 ", VXLS_ON});
        for (int y = 0; y < 2; ++y) {
            std::string row = std::to_string(y + 1) + ".高さ=15.75 ";
            for (int x = 0; x < 3; ++x)
                row += fill(y + 1, x + 1, ramp(x, y));
            want.push_back({"put_values", row, VXLS_ON});
        }
    }
    ASSERT_EQ(r.lib.calls.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(r.lib.calls[i].fn, want[i].fn) << i;
        EXPECT_EQ(r.lib.calls[i].text, want[i].text) << i;
        EXPECT_EQ(r.lib.calls[i].macro_book, want[i].macro_book) << i;  // set right after the book is opened
    }
    EXPECT_EQ(rep.sheets, 2);
    EXPECT_EQ(rep.cells, 12);
    EXPECT_EQ(rep.distinct_colours, 6);
    EXPECT_GE(r.src.stops, 1);
}

// ratio -> ceil(H / ratio) row texts of ceil(W / ratio) fills, widths for all W.
TEST(Conversion, CellCountsFollowTheRatio)
{
    for (auto [w, h, ratio] : {std::tuple{640, 480, 8}, {17, 9, 4}, {30, 3, 4}}) {
        Trial r;
        r.arg.ratio = ratio;
        r.src.frames = {gctest::make_frame(w, h, true, ramp)};
        ConvertReport rep = r.go();
        ASSERT_EQ(r.arg.result, 0);
        auto puts = r.lib.named("put_values");
        const int rows = (h + ratio - 1) / ratio, cols = (w + ratio - 1) / ratio;
        ASSERT_EQ(puts.size(), size_t(2 + rows)) << w << "x" << h << "/" << ratio;
        const std::string last = Recorder::cell(1, w) + ".幅=2 ";
        EXPECT_EQ(puts[1]->text.rfind(last), puts[1]->text.size() - last.size());
        EXPECT_EQ(rep.cells, int64_t(rows) * cols);
    }
}

TEST(Conversion, StillImageGivesOneSheetAndAnXlsx)
{
    Trial r(u"/pics/cat.png", false);
    r.src.frames.assign(3, gctest::make_frame(4, 4, false, ramp));  // a top-down picture
    r.src.loop = true;
    ConvertReport rep = r.go();
    EXPECT_EQ(r.arg.result, 0);
    EXPECT_EQ(rep.sheets, 1);
    EXPECT_EQ(r.lib.calls[0].text, "CHARSET=UTF8 BOOK=\"/pics/cat.xlsx\"");
    auto sheets = r.lib.named("open_sheet");
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0]->macro_book, VXLS_OFF);
}

TEST(Conversion, StopsAtMaxSheetsAndEndOfMedia)
{
    for (int max : {1, 45}) {
        Trial r;
        r.arg.max_sheets = max;
        r.src.loop = true;
        EXPECT_EQ(r.go().sheets, max);
        EXPECT_EQ(r.lib.named("open_sheet").size(), size_t(max));
    }
    Trial r;  // the media ends after three frames
    r.src.frames.resize(3, r.src.frames[0]);
    EXPECT_EQ(r.go().sheets, 3);
}

TEST(Conversion, StopPressLetsTheCurrentSheetFinish)
{
    Trial r;
    r.src.frames = {gctest::make_frame(3, 3, true, ramp)};
    r.src.loop = true;
    r.hooks.on_sheet = [&](int sheet) {
        if (sheet == 2)
            r.state = gc::STATE_STOP;  // pressed while sheet 2 is written
    };
    ConvertReport rep = r.go();
    EXPECT_EQ(r.arg.result, 0);
    EXPECT_EQ(rep.sheets, 2);
    EXPECT_EQ(r.lib.named("put_values").size(), 2u * (2 + 3));
}

TEST(Conversion, OverflowKeepsTheSheetsSoFar)
{
    Trial r;
    r.src.loop = true;
    r.lib.put_rc = [](size_t n, const std::string &, XLS_BOOK *book) {
        if (n == 6) {  // sheet 2, first row
            std::strcpy(book->error_info, "VXLS-03009 full");
            return -909;
        }
        return 0;
    };
    testing::internal::CaptureStderr();
    ConvertReport rep = r.go();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.arg.result, 0);
    EXPECT_TRUE(rep.overflow);
    EXPECT_EQ(err, "ERROR:VXLS_put_values() rc=-909 error_info=VXLS-03009 full\n");
    EXPECT_GE(r.src.stops, 1);
}

TEST(Conversion, FailuresSetResultAndStopThePlayer)
{
    {   // a row refused without a message gets one
        Trial r;
        r.lib.put_rc = [](size_t n, const std::string &, XLS_BOOK *) { return n == 2 ? -3 : 0; };
        ConvertReport rep = r.go();
        EXPECT_EQ(r.arg.result, -1);
        EXPECT_STREQ(r.book.error_info, "VXLS_put_values() rc = -3");
        EXPECT_FALSE(rep.fatal);
        EXPECT_GE(r.src.stops, 1);
    }
    {   // the book does not open
        Trial r;
        r.lib.open_rc = -3;
        r.go();
        EXPECT_EQ(r.arg.result, -1);
        EXPECT_TRUE(r.lib.named("open_sheet").empty());
        EXPECT_GE(r.src.stops, 1);
    }
    {   // a frame whose bytes do not cover its rows
        Trial r;
        auto f = std::make_shared<gc::Frame>(*gctest::make_frame(4, 4, true, ramp));
        f->bytes.resize(f->bytes.size() - 1);
        r.src.frames = {f};
        r.go();
        EXPECT_EQ(r.arg.result, -1);
        EXPECT_TRUE(r.lib.named("put_values").empty());
    }
    {   // the zoom is refused
        Trial r;
        r.lib.put_rc = [](size_t n, const std::string &, XLS_BOOK *) { return n == 0 ? -3 : 0; };
        r.go();
        EXPECT_EQ(r.arg.result, -1);
        EXPECT_EQ(r.lib.named("put_values").size(), 1u);
    }
}

TEST(Conversion, SaveAndDiscard)
{
    Recorder lib;
    XLS_BOOK book{};
    book.env = &lib;
    EXPECT_EQ(gc::save_thread(lib, &book), 0);
    EXPECT_EQ(lib.calls.back().text, "SAVE");
    gc::discard_book(lib, &book);  // already closed: nothing to free (an open one: the window and command tests)
    EXPECT_EQ(lib.calls.size(), 1u);
}

TEST(OutputName, Rules)
{
    for (auto [in, video, out] : {std::tuple{"/clips/run.avi", true, "/clips/run.xlsm"},
                                  {"/pics/cat.png", false, "/pics/cat.xlsx"},
                                  {"/clips/noext", true, "/clips/noext.xlsm"},  // never the input itself
                                  {"/clips/v1.0/noext", true, "/clips/v1.0/noext.xlsm"},  // a dot in a folder
                                  {"/x/book.xlsm", true, "/x/book.xlsm.xlsm"},  // would overwrite the input
                                  {"/写真/ねこ.PNG", false, "/写真/ねこ.xlsx"}})
        EXPECT_EQ(gc::output_name(in, video), out) << in;
}

TEST(PlayArg, PathLimitAndUtf)
{
    PLAY_ARG arg;
    EXPECT_TRUE(gc::set_play_path(arg, std::u16string(255, u'a')));
    EXPECT_FALSE(gc::set_play_path(arg, std::u16string(256, u'a')));
    EXPECT_EQ(arg.path[0], 0);
    const std::string s = "/動画/🎬 clip.avi";
    EXPECT_EQ(gc::to_utf8(gc::to_utf16(s)), s);
    EXPECT_EQ(gc::to_utf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(gc::to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");
}
