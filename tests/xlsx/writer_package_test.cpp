// Whole packages written by the package writer, checked by readers we did
// not write: the schema validator, openpyxl and LibreOffice.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "writer_fixture.h"
#include "xlsx/package.h"

using namespace wtest;

namespace {

std::string list_dir(const std::string &dir) {
    std::string out;
    vtest::run("ls -A " + vtest::shell_quote(dir), &out);
    return out;
}

// The frame workbook: three 160x120 sheets, widths 2, heights 15.75, zoom 20.
struct FrameBook {
    TestBook tb;
    FrameBook(int sheets = 3) {
        for (int i = 0; i < sheets; ++i)
            fill_frame_sheet(tb, tb.add_sheet("Sheet" + std::to_string(i + 1)), 160, 120, 20, i + 1);
    }
    // openpyxl expectations for sheet i: sampled cells' fills and the sizes.
    std::string expect(int i) {
        const vel::Model &m = tb.model();
        const vel::Sheet &s = m.sheets[i];
        std::string cells;
        for (auto [r, c] : {std::pair{0, 0}, {0, 159}, {60, 80}, {119, 0}, {119, 159}}) {
            const vel::Fill &f = m.fills[m.xfs[s.rows[r].cells[c].style - 1].fill];
            char buf[96];
            std::snprintf(buf, sizeof buf, "%s\"%s\":{\"fill\":\"FF%02x%02x%02x\",\"horizontal\":\"left\"}",
                          cells.empty() ? "" : ",", vel::cell_ref(r, c).c_str(), f.rgb[0], f.rgb[1], f.rgb[2]);
            cells += buf;
        }
        return "\"" + s.name + "\":{\"zoom\":20,\"widths\":{\"A\":2.625,\"FD\":2.625},\"heights\":{\"1\":15.75,\"120\":15.75}," +
               "\"max\":[120,160],\"cells\":{" + cells + "}}";
    }
};

} // namespace

TEST(WriterPackage, FrameWorkbookReadsBackInOutsideReaders) {
    std::string dir = vtest::make_temp_dir("frame");
    std::string path = dir + "/frames.xlsx";
    FrameBook fb;
    ASSERT_EQ(fb.tb.save(path), 0) << fb.tb.error();
    EXPECT_EQ(validate(path), "");
    EXPECT_EQ(read_back_differences(fb.tb, path), "");
    std::string expect = "{\"sheet_names\":[\"Sheet1\",\"Sheet2\",\"Sheet3\"],\"sheets\":{" + fb.expect(0) + "," +
                         fb.expect(2) + "}}";
    EXPECT_EQ(check_with_openpyxl(path, expect), "");
    EXPECT_EQ(vtest::zip_names(path).rfind("[Content_Types].xml\n", 0), 0u); // readers that stream want it first
    EXPECT_EQ(list_dir(dir), "frames.xlsx\nframes.xlsx.expect.json\n"); // no temporary left
}

TEST(WriterPackage, EmptyBookGetsThreeSheetsAndDescendingOrderIsRestored) {
    std::string dir = vtest::make_temp_dir("order");
    {
        TestBook tb;
        std::string path = dir + "/empty.xlsx";
        ASSERT_EQ(tb.save(path), 0) << tb.error();
        EXPECT_EQ(validate(path), "");
        EXPECT_EQ(check_with_openpyxl(path, "{\"sheet_names\":[\"Sheet1\",\"Sheet2\",\"Sheet3\"]}"), "");
        EXPECT_TRUE(tb.model().sheets.empty());
    }
    TestBook tb;
    tb.book.sheet_order_desc = true;
    for (const char *n : {"first", "second", "third"}) tb.text(tb.add_sheet(n), 0, 0, n);
    std::string path = dir + "/desc.xlsx";
    ASSERT_EQ(tb.save(path), 0) << tb.error();
    EXPECT_EQ(validate(path), "");
    EXPECT_EQ(check_with_openpyxl(path, R"({"sheet_names": ["third", "second", "first"], "sheets": {
        "third": {"cells": {"A1": {"value": "third"}}}, "first": {"cells": {"A1": {"value": "first"}}}}})"), "");
    EXPECT_EQ(tb.model().sheets[0].name, "first");
}

TEST(WriterPackage, UnwritablePathLeavesNothingAndTheBookCanRetry) {
    std::string dir = vtest::make_temp_dir("unwritable");
    FrameBook fb(1);
    EXPECT_EQ(fb.tb.save(dir + "/no-such-folder/out.xlsx"), -103);
    EXPECT_NE(fb.tb.error().find("VXLS-03121"), std::string::npos);
    if (geteuid() != 0) {
        // A folder without write permission (root ignores permissions).
        std::string ro = dir + "/ro";
        mkdir(ro.c_str(), 0555);
        EXPECT_EQ(fb.tb.save(ro + "/out.xlsx"), -103);
        EXPECT_EQ(list_dir(ro), "");
    }
    std::string good = dir + "/out.xlsx";
    ASSERT_EQ(fb.tb.save(good), 0) << fb.tb.error();
    EXPECT_EQ(validate(good), "");
}

// A thumbnail gone by the save (one that is there is the drawing families' book's) and an unknown cell
// kind fail the save with their messages and leave no file.
TEST(WriterPackage, FailedSavesLeaveNoFile) {
    const std::string dir = vtest::make_temp_dir("failed");
    TestBook thumb, kind;
    thumb.text(thumb.add_sheet("S"), 0, 0, "x");
    thumb.book.final_book = true;
    thumb.model().settings.thumbnail = {VXLS_FILE_JPEG, dir + "/missing.jpeg"};
    EXPECT_EQ(thumb.save(dir + "/thumb.xlsx"), -101);
    EXPECT_NE(thumb.error().find("VXLS-03102"), std::string::npos) << thumb.error();
    kind.value(kind.add_sheet("S"), 2, 3, 99, 0);
    for (int i = 0; i < 5; ++i) fill_frame_sheet(kind, kind.add_sheet("F" + std::to_string(i)), 40, 30, 100, i);
    EXPECT_EQ(kind.save(dir + "/kind.xlsx"), -1);
    EXPECT_NE(kind.error().find("unknown cell kind 99 at D3"), std::string::npos) << kind.error();
    EXPECT_EQ(list_dir(dir), "");
}
