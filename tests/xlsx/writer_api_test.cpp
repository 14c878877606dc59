// The writer behind the public calls: the frame converter's texts saved into a memory book.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

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

// A memory book holds the whole package; a buffer one byte short is refused
// with the size needed, and the book stays for a retry.
TEST(WriterApi, MemoryBookHoldsTheWholePackage) {
    std::string dir = vtest::make_temp_dir("apimem");
    std::vector<char> buffer(1 << 20);
    long size = static_cast<long>(buffer.size());
    {
        XLS_BOOK book{};
        ASSERT_EQ(VXLS_open_book(&book, "CHARSET=UTF8"), 0) << book.error_info;
        put_frame(book);
        ASSERT_EQ(VXLS_close_memory_book(&book, nullptr, buffer.data(), &size), 0) << book.error_info;
        EXPECT_EQ(book.env, nullptr);
    }
    ASSERT_GT(size, 0);
    const std::string path = dir + "/memory.xlsx";
    std::ofstream(path, std::ios::binary).write(buffer.data(), size);
    EXPECT_EQ(validate(path), "");
    EXPECT_EQ(check_with_openpyxl(path, FRAME_EXPECT), "");

    // The package carries its save time, so its size may differ by a byte:
    // the size needed is learnt from this book before the one-short attempt.
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, "CHARSET=UTF8"), 0) << book.error_info;
    put_frame(book);
    auto refusal = [](long cap, long need) {
        return "VXLS-03009 バッファサイズ(\"" + std::to_string(cap) + "\")オーバー(\"need " + std::to_string(need) +
               " bytes\")。";
    };
    long cap = 100;
    ASSERT_EQ(VXLS_close_memory_book(&book, nullptr, buffer.data(), &cap), -909);
    const std::string head = "VXLS-03009 バッファサイズ(\"100\")オーバー(\"need ";
    ASSERT_EQ(std::string(book.error_info).rfind(head, 0), 0u) << book.error_info;
    const long need = std::atol(book.error_info + head.size());
    EXPECT_EQ(std::string(book.error_info), refusal(100, need));
    EXPECT_NEAR(need, size, 2);
    cap = need - 1;
    EXPECT_EQ(VXLS_close_memory_book(&book, nullptr, buffer.data(), &cap), -909);
    EXPECT_EQ(std::string(book.error_info), refusal(need - 1, need));
    EXPECT_EQ(cap, need - 1);
    ASSERT_NE(book.env, nullptr);
    cap = static_cast<long>(buffer.size());
    ASSERT_EQ(VXLS_close_memory_book(&book, nullptr, buffer.data(), &cap), 0) << book.error_info;
    EXPECT_NEAR(cap, need, 2);
    // The zip target is back on real files after a memory save.
    const std::string after = dir + "/after.xlsx";
    ASSERT_EQ(VXLS_open_book(&book, ("BOOK=" + after).c_str()), 0) << book.error_info;
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;
    EXPECT_EQ(vtest::read_file(after).substr(0, 2), "PK");
}
