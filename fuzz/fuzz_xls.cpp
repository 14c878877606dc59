// Fuzzes the .xls decoder. An input that starts with the compound-file
// signature is decoded whole (compound file, then BIFF), and every stream of
// it is read as well; any other input is taken as a workbook stream and
// handed over in runs of varying length, so records straddle runs. The
// events must keep the decoder's promises: known results, cells inside the
// grid naming sheets, XFs and shared strings that exist, UTF-8 texts.
#include "cfb/reader.h"
#include "xls/decoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

using namespace vel::xls;

bool valid_utf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t extra;
        if (b < 0x80) extra = 0;
        else if ((b & 0xE0) == 0xC0) extra = 1;
        else if ((b & 0xF0) == 0xE0) extra = 2;
        else if ((b & 0xF8) == 0xF0) extra = 3;
        else return false;
        if (s.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

void check(bool ok) {
    if (!ok) std::abort();
}

struct CheckingSink : Sink {
    uint32_t sheets = 0, xfs = 0, strings = 0, fonts = 0;
    uint64_t consumed = 0, size = 0;
    bool book_seen = false;

    void workbook(const WorkbookInfo &w) override {
        check(!book_seen && (w.biff == 5 || w.biff == 8));
        book_seen = true;
    }
    void sheet(const SheetInfo &s) override {
        check(s.index == sheets++ && valid_utf8(s.name));
    }
    void number_format(uint16_t, std::string_view code) override { check(valid_utf8(code)); }
    void font(const FontInfo &f) override {
        check(f.index != 4 && valid_utf8(f.name));
        ++fonts;
    }
    void xf(const XfInfo &x) override { check(x.index == xfs++); }
    void shared_string(std::string_view s) override {
        check(valid_utf8(s) && s.size() <= 4u * 32767u);
        ++strings;
    }
    void cell(const CellEvent &c) override {
        check(book_seen && c.sheet < sheets && c.col < 256 && (c.xf < xfs || c.xf == 0));
        if (c.kind == ValueKind::shared_string) check(c.sst < strings);
        if (c.kind == ValueKind::text) check(valid_utf8(c.text));
        if (c.kind == ValueKind::boolean) check(c.code <= 1);
    }
    void merge(const MergeInfo &m) override { check(m.sheet < sheets && m.first_row <= m.last_row && m.first_col <= m.last_col); }
    void column(const ColumnInfo &c) override { check(c.sheet < sheets && c.first <= c.last); }
    void row(const RowInfo &r) override { check(r.sheet < sheets && r.xf < static_cast<int32_t>(xfs)); }
    void dimensions(const DimensionInfo &d) override { check(d.sheet < sheets); }
    void window(const WindowInfo &w) override { check(w.sheet < sheets); }
    void stream_consumed(uint64_t offset) override {
        check(offset >= consumed && (size == 0 || offset <= size));
        consumed = offset;
    }
};

void check_status(const ReadStatus &st) {
    switch (st.result) {
    case 0: check(st.code == 0 && st.message.empty()); break;
    case -1: check(!st.message.empty()); break;
    case -2: check(st.code == 2); break;
    case -4: check(st.code == 901 || st.code == vel::cfb::CODE_DAMAGED); break;
    case -9: check(!st.message.empty()); break;
    default: check(false);
    }
}

const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size >= 8 && std::memcmp(data, kSignature, 8) == 0) {
        CheckingSink sink;
        check_status(decode_xls(data, size, sink));

        vel::cfb::Reader reader;
        if (reader.open(data, size).ok()) {
            std::vector<uint8_t> bytes;
            for (size_t i = 1; i < reader.entries().size(); ++i) {
                const auto &e = reader.entries()[i];
                check(e.parent >= 0 && static_cast<size_t>(e.parent) < i);
                if (e.type != vel::cfb::EntryType::stream) continue;
                const vel::cfb::Status st = reader.read(static_cast<int>(i), bytes);
                check(st.ok() ? bytes.size() == e.size : st.result == -4 && bytes.empty());
            }
        }
        return 0;
    }
    // A workbook stream in runs of 1 to 64 bytes, chosen by its size.
    const size_t step = 1 + size % 64;
    std::vector<vel::cfb::Extent> runs;
    for (size_t at = 0; at < size; at += step) runs.push_back({data + at, size - at < step ? size - at : step});
    CheckingSink sink;
    sink.size = size;
    check_status(decode_workbook_stream(runs, sink));
    return 0;
}
