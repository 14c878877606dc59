// The BIFF decoder on hand-made workbook streams. BIFF5 texts in a code page
// are the corpus test's (a Japanese Excel 95 workbook read by xlrd).
#include <gtest/gtest.h>

#include <algorithm>

#include "core/charset.h"
#include "core/messages.h"
#include "xls_fixture.h"

namespace {

using namespace xt;

struct SstString {
    std::u16string text;
    uint16_t runs = 0;  // formatting runs (4 bytes each)
    uint32_t ext = 0;   // bytes of phonetic data
};

// An SST and CONTINUE records of at most `piece` bytes each; characters split between characters, each continued
// run starting with its width byte. With `flip`, 8-bit runs alternate with 16-bit ones.
Bytes sst_records(const std::vector<SstString> &strings, size_t piece, uint32_t declared, bool flip = true) {
    std::vector<Bytes> bodies = {Body().b32(static_cast<uint32_t>(strings.size())).b32(declared)};
    auto le = [&](uint32_t v, int n) { // n bytes, split anywhere
        for (int k = 0; k < n; ++k) {
            if (bodies.back().size() >= piece) bodies.emplace_back();
            bodies.back().push_back(static_cast<uint8_t>(v >> (8 * k)));
        }
    };
    for (const auto &s : strings) {
        auto narrow_from = [&](size_t i) {
            return std::all_of(s.text.begin() + static_cast<long>(i), s.text.end(),
                               [](char16_t c) { return c < 0x100; });
        };
        bool wide = !narrow_from(0);
        le(static_cast<uint32_t>(s.text.size()), 2);
        le((wide ? 1 : 0) | (s.runs ? 8 : 0) | (s.ext ? 4 : 0), 1);
        if (s.runs) le(s.runs, 2);
        if (s.ext) le(s.ext, 4);
        for (size_t i = 0, segment = 0; i < s.text.size(); ++i) {
            if (bodies.back().size() + (wide ? 2 : 1) > piece) {
                bodies.push_back({});
                wide = (flip && ++segment % 2 == 1) || !narrow_from(i);
                bodies.back().push_back(wide ? 1 : 0);
            }
            bodies.back().push_back(static_cast<uint8_t>(s.text[i]));
            if (wide) bodies.back().push_back(static_cast<uint8_t>(s.text[i] >> 8));
        }
        for (uint32_t k = 0; k < 4u * s.runs + s.ext; ++k) le(0xA0 + k % 7, 1);
    }
    Biff b;
    b.rec(T_SST, bodies[0]);
    for (size_t i = 1; i < bodies.size(); ++i) b.rec(T_CONTINUE, bodies[i]);
    return b.out;
}

std::string utf8(const std::u16string &s) {
    std::string be, out;
    for (char16_t c : s) be += {static_cast<char>(c >> 8), static_cast<char>(c)};
    vel::convert_charset(out, be, VXLS_CHARSET_UTF16BE, VXLS_CHARSET_UTF8);
    return out;
}

std::vector<SstString> sample_strings() {
    return {{u"plain ascii"},
            {u""},
            {u"日本語のテキスト、とても長い文字列です。" + std::u16string(60, u'字')},
            {u"café crème brûlée " + std::u16string(80, u'x'), 3, 0},
            {u"漢字かな phonetic", 0, 37},
            {u"rich and phonetic: " + std::u16string(50, u'é'), 2, 21},
            {u"mixed " + std::u16string(40, u'a') + u"ω" + std::u16string(40, u'b')},
            {std::u16string(300, u'z'), 1, 9}};
}

TEST(XlsSharedStrings, SplitsOverContinueRecordsReadAsTheUnsplitTable) {
    const auto strings = sample_strings();
    std::vector<std::string> want;
    for (const auto &s : strings) want.push_back(utf8(s.text));
    for (size_t piece : {size_t(8224), size_t(9), size_t(13), size_t(64), size_t(101)}) {
        for (bool flip : {false, true}) {
            SCOPED_TRACE("piece " + std::to_string(piece) + (flip ? " with width changes" : ""));
            Biff sheet;
            for (uint32_t i = 0; i < strings.size(); ++i)
                sheet.rec(T_LABELSST, Body().b16(static_cast<uint16_t>(i)).b16(0).b16(15).b32(i));
            RecordingSink sink;
            const ReadStatus st = decode_stream(
                workbook_stream({{"S", 0, 0, sheet.out}}, sst_records(strings, piece, static_cast<uint32_t>(strings.size()), flip)),
                sink);
            ASSERT_TRUE(st.ok()) << st.detail;
            EXPECT_EQ(sink.strings, want);
            for (uint16_t i = 0; i < strings.size(); ++i)
                EXPECT_EQ(sink.cells[CellKey(0, i, 0)], "sst " + std::to_string(i));
        }
    }
}

TEST(XlsSharedStrings, TheDeclaredCountIsNotTrusted) {
    const auto strings = sample_strings();
    RecordingSink low;
    ASSERT_TRUE(decode_stream(workbook_stream({{"S", 0, 0, {}}}, sst_records(strings, 50, 2)), low).ok());
    EXPECT_EQ(low.count("strings 2"), 1u);
    EXPECT_EQ(low.strings.size(), strings.size());

    // A table cut short inside a string keeps the characters it holds.
    RecordingSink cut;
    const Bytes cut_table = Body().b32(2).b32(2).xstr("one").b16(10).u8(0).ascii("tw");
    ASSERT_TRUE(decode_stream(workbook_stream({}, records({{T_SST, cut_table}})), cut).ok());
    EXPECT_EQ(cut.strings, (std::vector<std::string>{"one", "tw"}));
}

uint32_t rk_int(int32_t v, bool div100 = false) { return static_cast<uint32_t>(v) << 2 | 2 | (div100 ? 1 : 0); }
uint32_t rk_double(double v, bool div100 = false) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return static_cast<uint32_t>(bits >> 32) | (div100 ? 1 : 0);
}

Bytes formula(uint16_t row, uint16_t col, const Bytes &result8) {
    return Body().b16(row).b16(col).b16(15).raw(result8).b16(0).b32(0).b16(3).u8(0x1E).b16(1);
}
Bytes special(uint8_t kind, uint8_t value) { return Body().u8(kind).u8(0).u8(value).u8(0).u8(0).u8(0).b16(0xFFFF); }

TEST(XlsCells, EveryCellRecordGivesItsValue) {
    const Bytes sheet = records({
        {T_NUMBER, Body().b16(0).b16(0).b16(15).f64(-2.5e-300)},
        {T_RK, Body().b16(1).b16(0).b16(15).b32(rk_int(-1))},
        {T_RK, Body().b16(1).b16(1).b16(15).b32(rk_double(1.5))},
        {T_RK, Body().b16(1).b16(2).b16(15).b32(rk_int(12345, true))},
        {T_RK, Body().b16(1).b16(3).b16(15).b32(rk_double(1.5, true))},
        {T_MULRK, Body().b16(2).b16(4).b16(15).b32(rk_int(7)).b16(0).b32(rk_int(-536870912)).b16(6)},
        {T_LABEL, Body().b16(3).b16(0).b16(15).b16(5).u8(0).raw({'c', 'a', 'f', 0xE9, '!'})},
        {T_LABEL, Body().b16(3).b16(1).b16(15).b16(2).u8(1).utf16(u"日本")},
        {T_BOOLERR, Body().b16(4).b16(0).b16(15).u8(1).u8(0)},
        {T_BOOLERR, Body().b16(4).b16(1).b16(15).u8(0x07).u8(1)},
        {T_BLANK, Body().b16(5).b16(0).b16(15)},
        {T_MULBLANK, Body().b16(5).b16(2).b16(15).b16(15).b16(9999).b16(4)},
        {T_FORMULA, formula(6, 0, Body().f64(42.25))},
        {T_FORMULA, formula(6, 1, special(0, 0))},
        {T_SHRFMLA, Body().b32(0).b16(0).b16(0)},
        {T_STRING, Body().b16(3).u8(0).ascii("abc")},
        {T_FORMULA, formula(6, 2, special(1, 1))},
        {T_FORMULA, formula(6, 3, special(2, 0x2A))},
        {T_FORMULA, formula(6, 4, special(3, 0))},
        {T_FORMULA, formula(6, 5, special(0, 0))}, // text over a STRING and a CONTINUE, 8 then 16 bits
        {T_STRING, Body().b16(6).u8(0).ascii("xyz")},
        {T_CONTINUE, Body().u8(1).utf16(u"ωψχ")},
        {T_FORMULA, formula(6, 6, special(0, 0))}, // its STRING never comes
        {T_NUMBER, Body().b16(7).b16(0).b16(15).f64(1)},
    });
    RecordingSink sink;
    const ReadStatus st = decode_stream(workbook_stream({{"S", 0, 0, sheet}}), sink);
    ASSERT_TRUE(st.ok()) << st.detail;
    // An XF index the book does not have reads as 0.
    const std::map<CellKey, std::string> want = {
        {{0, 0, 0}, "-2.5e-300"}, {{0, 1, 0}, "-1"}, {{0, 1, 1}, "1.5"}, {{0, 1, 2}, "123.45"}, {{0, 1, 3}, "0.015"},
        {{0, 2, 4}, "7"}, {{0, 2, 5}, "-536870912"}, {{0, 3, 0}, "'caf\xC3\xA9!'"}, {{0, 3, 1}, "'日本'"},
        {{0, 4, 0}, "TRUE"}, {{0, 4, 1}, "#DIV/0!"}, {{0, 5, 0}, "blank 15"}, {{0, 5, 2}, "blank 15"},
        {{0, 5, 3}, "blank 15"}, {{0, 5, 4}, "blank 0"}, {{0, 6, 0}, "=42.25"}, {{0, 6, 1}, "='abc'"},
        {{0, 6, 2}, "=TRUE"}, {{0, 6, 3}, "=#N/A"}, {{0, 6, 4}, "=''"}, {{0, 6, 5}, "='xyzωψχ'"}, {{0, 6, 6}, "=''"},
        {{0, 7, 0}, "1"},
    };
    EXPECT_EQ(sink.cells, want);
    EXPECT_EQ(sink.count("cell "), sink.cells.size());
}

TEST(XlsCells, BookAndLayoutRecords) {
    Biff g;
    for (const char *name : {"F1", "F2", "F3", "F4", "F5"})
        g.rec(T_FONT, Body().b16(240).b16(0x02).b16(8).b16(700).b16(0).u8(1).u8(0).u8(0).u8(0).sstr(name));
    g.rec(T_FORMAT, Body().b16(164).b16(5).u8(1).utf16(u"yyyy年"));
    g.rec(T_FORMAT, Body().b16(165).xstr("0.00%"));
    const Bytes sheet = records({
        {T_DIMENSIONS, Body().b32(0).b32(10).b16(0).b16(3).b16(0)},
        {T_ROW, Body().b16(2).b16(0).b16(3).b16(600).b16(0).b16(0).b16(0x00E0 | 0x0100).b16(16)},
        {T_COLINFO, Body().b16(1).b16(256).b16(4096).b16(15).b16(1).b16(0)},
        {T_NUMBER, Body().b16(0).b16(0).b16(16).f64(3)},
        {T_MERGEDCELLS, Body().b16(2).b16(0).b16(1).b16(0).b16(2).b16(4).b16(4).b16(255).b16(300)},
        {T_WINDOW2, Body().b16(0x06BC).b16(0).b16(0).b32(0).b16(0).b16(0).b32(0)},
        {0x00A0, Body().b16(3).b16(4)},
    });
    RecordingSink sink;
    const ReadStatus st = decode_stream(workbook_stream({{"S", 0, 0, sheet}}, g.out, 17, {}, true), sink);
    ASSERT_TRUE(st.ok()) << st.detail;
    // One of each but the fonts (the stream's own default, then F1..F5), the XFs and two merged ranges.
    const std::pair<const char *, size_t> counts[] = {{"book ", 1}, {"font ", 6}, {"format ", 2}, {"xf ", 17},
                                                      {"row ", 1},  {"col ", 1},  {"merge ", 2},  {"window ", 1}};
    for (const auto &[start, n] : counts) EXPECT_EQ(sink.count(start), n) << start;
    for (const char *line : {
             "book 8 1 1200",       // the 1904 date system
             "font 5 F4 240 700 1", // font index 4 is skipped
             "format 164 yyyy年",
             "xf 15 0 14 0 ",       // a cell XF
             "row 0 2 600 1 16",    // hidden, with its format
             "col 0 1 255 4096 1",  // 256 clipped to the grid
             "merge 0 4 4 255 255", // past the grid clipped
             "window 0 0 1 1 75",   // no grid, frozen, selected
         })
        EXPECT_EQ(sink.count(line), 1u) << line;
}

Bytes one_number(uint16_t row, double v) { return records({{T_NUMBER, Body().b16(row).b16(0).b16(15).f64(v)}}); }

TEST(XlsSheets, CellsGoToTheSheetTheirBoundsheetNamesOrTheirOrder) {
    const Bytes chart = records({{0x1002, Body().b32(0).b32(0).b32(0).b32(0)}});
    // A chart sheet first: the worksheet after it is sheet 1.
    RecordingSink a;
    ASSERT_TRUE(decode_stream(workbook_stream({{"Chart1", 2, 0, chart}, {"Data", 0, 1, one_number(0, 5)}}), a).ok());
    EXPECT_EQ(a.count("sheet "), 2u);
    EXPECT_EQ(a.count("sheet Chart1 0 2 "), 1u); // visible, a chart
    EXPECT_EQ(a.count("sheet Data 1 0 "), 1u);   // hidden, a worksheet
    EXPECT_EQ(a.cells, (std::map<CellKey, std::string>{{{1, 0, 0}, "5"}}));

    // Substreams stored in another order than the tabs.
    RecordingSink b;
    ASSERT_TRUE(decode_stream(workbook_stream({{"A", 0, 0, one_number(0, 1)}, {"B", 2, 0, chart}, {"C", 0, 2, one_number(0, 3)}},
                                              {}, 16, {2, 1, 0}),
                              b)
                    .ok());
    EXPECT_EQ(b.cells[CellKey(0, 0, 0)], "1");
    EXPECT_EQ(b.cells[CellKey(2, 0, 0)], "3");
    EXPECT_EQ(b.count("sheet C 2 0 "), 1u); // very hidden

    // An embedded chart inside a sheet does not end it.
    Bytes with_chart = one_number(0, 1);
    const Bytes inner = records({{T_BOF, bof(0x0020)}, {0x1002, Body().b32(0).b32(0).b32(0).b32(0)}, {T_EOF, {}}});
    with_chart.insert(with_chart.end(), inner.begin(), inner.end());
    const Bytes after = one_number(1, 2);
    with_chart.insert(with_chart.end(), after.begin(), after.end());
    RecordingSink c;
    ASSERT_TRUE(decode_stream(workbook_stream({{"A", 0, 0, with_chart}, {"B", 0, 0, one_number(0, 9)}}), c).ok());
    EXPECT_EQ(c.cells[CellKey(0, 1, 0)], "2");
    EXPECT_EQ(c.cells[CellKey(1, 0, 0)], "9");

    // BOUNDSHEET offsets that point nowhere: worksheets are matched in order of their kind.
    Bytes s = workbook_stream({{"Chart", 2, 0, {}}, {"A", 0, 0, one_number(0, 1)}, {"B", 0, 0, one_number(0, 2)}});
    for (size_t at = 0; at + 4 < s.size();) { // zero every BOUNDSHEET offset
        const uint16_t type = static_cast<uint16_t>(s[at] | s[at + 1] << 8);
        const uint16_t len = static_cast<uint16_t>(s[at + 2] | s[at + 3] << 8);
        if (type == T_BOUNDSHEET) std::memset(&s[at + 4], 0, 4);
        at += 4u + len;
    }
    RecordingSink d;
    ASSERT_TRUE(decode_stream(s, d).ok());
    EXPECT_EQ(d.cells[CellKey(1, 0, 0)], "1");
    EXPECT_EQ(d.cells[CellKey(2, 0, 0)], "2");
}

TEST(XlsRefusals, EachRefusalAndOverflowWithItsResultAndMessage) {
    auto in_sheet = [](const Bytes &records) { return workbook_stream({{"S", 0, 0, records}}); };
    // A worksheet substream no BOUNDSHEET accounts for: its cells have no sheet.
    Bytes orphan = in_sheet(one_number(0, 1));
    const Bytes extra = records({{T_BOF, bof(0x0010)}, {T_NUMBER, Body().b16(0).b16(0).b16(15).f64(1)}, {T_EOF, {}}});
    orphan.insert(orphan.end(), extra.begin(), extra.end());
    const std::string bad = vel::msg::E03110;
    struct Case {
        const char *what;
        Bytes bytes;  // a workbook stream, or a whole file when `file`
        int result, code;
        std::string text; // the message; the detail of a refusal by code
        bool file = false;
    };
    const Case cases[] = {
        {"a shared string longer than a cell holds",
         workbook_stream({}, records({{T_SST, Body().b32(1).b32(1).b16(32768).u8(0).raw(Bytes(8000, 'a'))}})), -9, 0,
         "VXLS-03009 バッファサイズ(\"32767\")オーバー(\"vlt_put_sst() XLS_CELL_STR_LEN\")。"},
        {"a continued string whose width byte is neither 0 nor 1",
         workbook_stream({}, records({{T_SST, Body().b32(1).b32(1).b16(10).u8(0).ascii("abcd")},
                                      {T_CONTINUE, Body().u8(2).ascii("efghij")}})),
         -1, 0, bad},
        {"a cell naming a string the table does not hold",
         workbook_stream({{"S", 0, 0, records({{T_LABELSST, Body().b16(0).b16(0).b16(15).b32(3)}})}},
                         sst_records({{u"one"}, {u"two"}, {u"three"}}, 8224, 1000)),
         -9, 0, "VXLS-03009 バッファサイズ(\"3\")オーバー(\"BIFF_LABELSST sst\")。"},
        {"column 256", in_sheet(records({{T_NUMBER, Body().b16(0).b16(256).b16(15).f64(1)}})), -9, 0,
         "VXLS-03600 内部処理エラー(\"BIFF_NUMBER row/column overflow\")。"},
        {"MULRK past column 255",
         in_sheet(records({{T_MULRK, Body().b16(0).b16(255).b16(15).b32(2).b16(15).b32(2).b16(256)}})), -9, 0,
         "VXLS-03600 内部処理エラー(\"BIFF_MULRK row/column overflow\")。"},
        {"NUMBER with an unknown XF", in_sheet(records({{T_NUMBER, Body().b16(0).b16(0).b16(16).f64(1)}})), -9, 0,
         "VXLS-03009 バッファサイズ(\"16\")オーバー(\"BIFF_NUMBER\")。"},
        {"cells outside any sheet", orphan, -9, 0, "VXLS-03009 バッファサイズ(\"1\")オーバー(\"BIFF_NUMBER sheet\")。"},
        {"encrypted", workbook_stream({{"S", 0, 0, one_number(0, 1)}}, records({{T_FILEPASS, Body().b32(0)}})), -4, 901,
         ""},
        {"BIFF4", records({{0x0409, Body().b16(0).b16(0x10).b16(0)}, {T_EOF, {}}}), -1, 0, bad},
        {"no workbook stream", in_cfb(workbook_stream({}), {}, "WordDocument"), -1, 0, bad, true},
        {"not a compound file", Bytes(2000, 0x41), -4, 4000, "Invalid Signature", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RecordingSink sink;
        const ReadStatus st = c.file ? decode_bytes(c.bytes, sink) : decode_stream(c.bytes, sink);
        EXPECT_EQ(st.result, c.result);
        EXPECT_EQ(st.code, c.code);
        EXPECT_EQ(c.code ? st.detail : st.message, c.text);
        EXPECT_TRUE(c.result != -4 || sink.cells.empty()); // nothing read from a refused file
    }

    Biff formats;
    for (int i = 0; i < 501; ++i) formats.rec(T_FORMAT, Body().b16(static_cast<uint16_t>(164 + i)).xstr("0.0"));
    RecordingSink sink;
    const ReadStatus st = decode_stream(workbook_stream({}, formats.out), sink);
    EXPECT_EQ(st.result, -9);
    EXPECT_EQ(st.message, "VXLS-03009 バッファサイズ(\"500\")オーバー(\"VLT_MAX_NUMFORMAT\")。");
    EXPECT_EQ(sink.count("format "), 500u);
}

TEST(XlsRefusals, CutStreamsFailCleanly) {
    const Bytes full = workbook_stream({{"A", 0, 0, records({{T_LABELSST, Body().b16(0).b16(0).b16(15).b32(1)}})}, {"B", 0, 0, one_number(3, 4)}},
                                       sst_records(sample_strings(), 40, 8));
    RecordingSink whole;
    ASSERT_TRUE(decode_stream(full, whole).ok());
    for (size_t n = 0; n < full.size(); ++n) {
        RecordingSink sink;
        const ReadStatus st = decode_stream(Bytes(full.begin(), full.begin() + static_cast<long>(n)), sink);
        EXPECT_EQ(st.result, -1) << n;
        EXPECT_EQ(st.message, vel::msg::E03110) << n;
    }
}

TEST(XlsRefusals, ASinkCanStopTheDecode) {
    struct Stopping : RecordingSink {
        void cell(const CellEvent &c) override {
            RecordingSink::cell(c);
            fail(ReadStatus{-2, 2, "", vel::msg::E00002});
        }
    } sink;
    const ReadStatus st = decode_stream(workbook_stream({{"S", 0, 0, records({{T_MULRK, Body().b16(0).b16(0).b16(15).b32(2).b16(15).b32(2).b16(1)}, {T_NUMBER, Body().b16(1).b16(0).b16(15).f64(1)}})}}), sink);
    EXPECT_EQ(st.result, -2);
    EXPECT_EQ(st.message, vel::msg::E00002);
    EXPECT_EQ(sink.cells.size(), 2u); // the MULRK record is finished, the NUMBER not read
}

} // namespace
