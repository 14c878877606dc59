// A workbook stream reads the same wherever its sectors lie, or handed over in small runs that split records.
#include <gtest/gtest.h>

#include <algorithm>

#include "cfb/reader.h"
#include "corpus_check.h"
#include "xls_fixture.h"

namespace {

using namespace xt;

const vtest::CfbOptions kLayouts[] = {
    {9, 101, false, 0}, // shuffled
    {12, 303, true, 0}, // 4096-byte sectors, shuffled, directory as a list
};

// A workbook of a few thousand cells and an SST over CONTINUE records.
Bytes big_stream() {
    Body sst = Body().b32(400).b32(400);
    for (int i = 0; i < 400; ++i) sst.xstr("string number " + std::to_string(i));
    Bytes globals = records({{T_SST, Bytes(sst.b.begin(), sst.b.begin() + 4000)}, {T_CONTINUE, Bytes(sst.b.begin() + 4000, sst.b.end())}});
    std::vector<TestSheet> sheets;
    for (int s = 0; s < 3; ++s) {
        Biff b;
        for (uint16_t r = 0; r < 300; ++r) {
            b.rec(T_NUMBER, Body().b16(r).b16(0).b16(15).f64(r * 1.25 + s));
            b.rec(T_LABELSST, Body().b16(r).b16(1).b16(15).b32((r * 7u + static_cast<uint32_t>(s)) % 400));
            b.rec(T_RK, Body().b16(r).b16(2).b16(15).b32(static_cast<uint32_t>(r) << 2 | 2));
        }
        sheets.push_back({"Sheet" + std::to_string(s), 0, 0, b.out});
    }
    return workbook_stream(sheets, globals);
}

// Bytes the decoder says it has left behind are overwritten, as a caller releasing them would, without effect.
TEST(XlsFragmented, RecordsSplitAcrossRuns) {
    const Bytes stream = big_stream();
    RecordingSink original;
    ASSERT_TRUE(decode_stream(stream, original).ok());
    struct Releasing : RecordingSink {
        Bytes *bytes = nullptr;
        uint64_t released = 0;
        void stream_consumed(uint64_t offset) override {
            EXPECT_GE(offset, released);
            released = offset;
            std::fill(bytes->begin(), bytes->begin() + static_cast<long>(offset), 0xEE);
        }
    };
    for (size_t step : {size_t(1), size_t(3), size_t(7), size_t(64), size_t(513)}) {
        Bytes copy = stream;
        std::vector<vel::cfb::Extent> runs;
        for (size_t at = 0; at < copy.size(); at += step) runs.push_back({copy.data() + at, std::min(step, copy.size() - at)});
        Releasing sink;
        sink.bytes = &copy;
        ASSERT_TRUE(decode_workbook_stream(runs, sink).ok()) << step;
        EXPECT_EQ(sink.dump(), original.dump()) << step;
        EXPECT_EQ(sink.released, stream.size());
    }
}

TEST(XlsFragmented, CorpusWorkbooksRechained) {
    const std::vector<std::string> names = vtest::corpus_files({".xls"});
    if (names.empty()) GTEST_SKIP() << "shared corpus not found (" << vtest::shared_dir() << "/corpus); set VEL_SHARED_DIR";
    size_t checked = 0;
    for (const auto &name : names) {
        const std::string text = vtest::read_file(name);
        const Bytes file(text.begin(), text.end());
        RecordingSink original;
        if (!decode_bytes(file, original).ok()) continue;
        vel::cfb::Reader reader;
        ASSERT_TRUE(reader.open(file.data(), file.size()).ok());
        const char *stream_name = reader.find("Workbook") >= 0 ? "Workbook" : "Book";
        Bytes stream;
        ASSERT_TRUE(reader.read(reader.find(stream_name), stream).ok()) << name;
        for (const auto &layout : kLayouts) {
            RecordingSink sink;
            EXPECT_TRUE(decode_bytes(in_cfb(stream, layout, stream_name), sink).ok()) << name << " " << layout.seed;
            EXPECT_EQ(sink.dump(), original.dump()) << name << " " << layout.seed;
        }
        ++checked;
    }
    EXPECT_GT(checked, 20u);
}

} // namespace
