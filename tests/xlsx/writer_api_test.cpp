// The writer behind the public calls: a saving close, a memory book, and a
// failed save that leaves the book usable for a retry.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "velmora.h"
#include "writer_fixture.h"

using namespace wtest;

namespace {

const char *FRAME_TEXT =
    "1.高さ=15.75 A1.塗りつぶし.色=ff0000 B1.塗りつぶし.色=00ff08 C1.塗りつぶし.色=ff0000 "
    "2.高さ=15.75 A2.塗りつぶし.色=102030 B2.塗りつぶし.色=ff0000 C2.塗りつぶし.色=f8f8f8 ";

void put_frame(XLS_BOOK &book) {
    ASSERT_EQ(VXLS_open_sheet(&book, "シート=1 MODE=CREATE"), 0) << book.error_info;
    ASSERT_EQ(VXLS_put_values(&book, "ズーム=20"), 0) << book.error_info;
    ASSERT_EQ(VXLS_put_values(&book, "A.幅=2 B.幅=2 C.幅=2 "), 0) << book.error_info;
    ASSERT_EQ(VXLS_put_values(&book, FRAME_TEXT), 0) << book.error_info;
    ASSERT_EQ(VXLS_put_values(&book, "E1=hello E2=12.5"), 0) << book.error_info;
}

const char *FRAME_EXPECT = R"json({"sheets": {"1": {"zoom": 20,
  "widths": {"A": 2.625, "C": 2.625}, "heights": {"1": 15.75, "2": 15.75},
  "cells": {"A1": {"fill": "FFff0000"}, "B1": {"fill": "FF00ff08"}, "A2": {"fill": "FF102030"},
            "C2": {"fill": "FFf8f8f8"}, "E1": {"value": "hello"}, "E2": {"value": 12.5}}}}})json";

} // namespace

TEST(WriterApi, SavingCloseWritesTheFrameBook) {
    std::string dir = vtest::make_temp_dir("api");
    std::string path = dir + "/api.xlsx";
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + path + "\"").c_str()), 0) << book.error_info;
    put_frame(book);
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;
    EXPECT_EQ(validate(path), "");
    EXPECT_EQ(check_with_openpyxl(path, FRAME_EXPECT), "");
}

TEST(WriterApi, MemoryBookHoldsTheWholePackage) {
    std::string dir = vtest::make_temp_dir("apimem");
    std::vector<char> buffer(1 << 20);
    long size = static_cast<long>(buffer.size());
    {
        XLS_BOOK book{};
        ASSERT_EQ(VXLS_open_book(&book, "CHARSET=UTF8"), 0) << book.error_info;
        put_frame(book);
        ASSERT_EQ(VXLS_close_memory_book(&book, nullptr, buffer.data(), &size), 0) << book.error_info;
    }
    ASSERT_GT(size, 0);
    std::string path = dir + "/memory.xlsx";
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(buffer.data(), 1, static_cast<size_t>(size), f);
    std::fclose(f);
    EXPECT_EQ(validate(path), "");
    EXPECT_EQ(check_with_openpyxl(path, FRAME_EXPECT), "");

    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, "CHARSET=UTF8"), 0) << book.error_info;
    put_frame(book);
    long small = 100;
    EXPECT_EQ(VXLS_close_memory_book(&book, nullptr, buffer.data(), &small), -909);
    EXPECT_NE(std::string(book.error_info).find("need "), std::string::npos) << book.error_info;
    VXLS_free_book(&book);
}

TEST(WriterApi, FailedSaveKeepsTheBookForARetry) {
    std::string dir = vtest::make_temp_dir("apiretry");
    std::string folder = dir + "/later";
    std::string path = folder + "/retry.xlsx";
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + path + "\"").c_str()), 0) << book.error_info;
    put_frame(book);
    EXPECT_EQ(VXLS_close_book(&book, "SAVE"), -103);
    EXPECT_NE(std::string(book.error_info).find("VXLS-03121"), std::string::npos) << book.error_info;
    struct stat st;
    EXPECT_NE(stat(path.c_str(), &st), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;
    EXPECT_EQ(validate(path), "");
    EXPECT_EQ(check_with_openpyxl(path, FRAME_EXPECT), "");
}
