// The VBA project: its compression, the compound-file writer, and vbaProject.bin read by vba_check.py (olefile).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <zlib.h>

#include "test_support.h"
#include "velmora.h"
#include "writer_fixture.h"
#include "cfb/writer.h"
#include "xlsx/vba/ovba_compress.h"
#include "xlsx/vba/vba_build.h"
#include "xlsx/vba/vba_project.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes random_bytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto &x : b) x = static_cast<uint8_t>(rng());
    return b;
}

// Source-like text: numbered lines, so matches occur at many distances.
Bytes vba_like_text(size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i)
        s += "    Me.Sheets(" + std::to_string(i * 7 % 1000) + ").Select ' step " + std::to_string(i) + "\r\n";
    s.resize(n);
    return bytes_of(s);
}

// Compresses and decompresses `in`; returns the compressed form (empty on failure).
Bytes round_trip(const Bytes &in, const std::string &what) {
    auto c = vel::ovba_compress(in);
    std::string err;
    auto d = c ? vel::ovba_decompress(*c, &err) : std::nullopt;
    EXPECT_TRUE(d && *d == in) << what << ": " << err;
    return c ? *c : Bytes{};
}

// Walks the chunk headers; true when every chunk is a compressed one.
bool all_chunks_compressed(const Bytes &c) {
    for (size_t pos = 1; pos + 2 <= c.size();) {
        const unsigned h = c[pos] | (c[pos + 1] << 8);
        if (!(h & 0x8000)) return false;
        pos += (h & 0xFFF) + 3;
    }
    return true;
}

bool have_olefile() { return vtest::run("/usr/bin/python3 -c 'import olefile'") == 0; }

// Runs vba_check.py with `args` (shell-quoted here); "" when it passes, else its report.
std::string vba_check(const std::vector<std::string> &args) {
    std::string command = "/usr/bin/python3 " + vtest::shell_quote(vtest::source_dir() + "/tests/xlsx/vba_check.py");
    for (const std::string &a : args) command += " " + vtest::shell_quote(a);
    std::string out;
    return vtest::run(command, &out) == 0 ? "" : out;
}

void write_file(const std::string &path, const Bytes &b) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes hex(const char *h) {
    Bytes b;
    for (; h[0] && h[1]; h += 2) b.push_back(static_cast<uint8_t>(std::stoi(std::string(h, 2), nullptr, 16)));
    return b;
}

TEST(VbaCompression, DecompressesPublishedExamples) {
    EXPECT_EQ(vel::ovba_decompress(hex("0119B000616263646566676800696A6B6C6D6E6F70007172737475762E")),
              bytes_of("abcdefghijklmnopqrstuv."));
    EXPECT_EQ(vel::ovba_decompress(hex("012FB00023616161626364658266007061676869"
                                       "6A013808616B6C00306D6E6F70067102700410727374"
                                       "7576107778797A003C")),
              bytes_of("#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa"));
}

TEST(VbaCompression, RoundTripsTextAtChunkBoundaries) {
    EXPECT_EQ(vel::ovba_compress({}), Bytes{0x01});
    for (size_t n : {1, 2, 3, 17, 4095, 4096, 4097, 8192, 12289, 40000}) {
        const Bytes c = round_trip(vba_like_text(n), "text " + std::to_string(n));
        EXPECT_TRUE(all_chunks_compressed(c)) << n; // text never needs raw chunks
        EXPECT_TRUE(n < 4096 || c.size() < n / 2) << n;
    }
}

TEST(VbaCompression, RoundTripsRunsPeriodsAndFarMatches) {
    // Long runs: overlapping copies and the longest tokens of every split.
    round_trip(Bytes(10000, 'a'), "run");
    EXPECT_LT(round_trip(Bytes(4096, 'a'), "one chunk run").size(), 40u);
    for (size_t period = 2; period <= 19; period += 3) {
        Bytes in(9000);
        for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>('A' + i % period);
        round_trip(in, "period " + std::to_string(period));
    }
    // A random block repeated inside one chunk: offsets near 2048 and 3000 (12-bit offsets, lengths up to 18).
    Bytes block = random_bytes(1500, 7);
    Bytes in = block;
    in.insert(in.end(), block.begin(), block.end());
    in.insert(in.end(), block.begin(), block.begin() + 1000);
    EXPECT_LT(round_trip(in, "far matches").size(), 2200u);
}

TEST(VbaCompression, RandomDataUsesRawChunksOrRefuses) {
    EXPECT_FALSE(all_chunks_compressed(round_trip(random_bytes(3 * 4096 + 100, 1), "random, raw chunks")));
    round_trip(random_bytes(3000, 2), "short random tail");
    // A short final slice that cannot shrink has no lossless form.
    EXPECT_FALSE(vel::ovba_compress(random_bytes(4000, 3)));
}

vel::CfbNode stream(std::string name, Bytes data) { return {std::move(name), false, std::move(data), {}}; }
vel::CfbNode storage(std::string name, std::vector<vel::CfbNode> children) {
    return {std::move(name), true, {}, std::move(children)};
}

// One manifest line per stream: path, size, CRC.
void list_streams(std::ostream &m, const std::string &prefix, const std::vector<vel::CfbNode> &nodes) {
    for (const auto &n : nodes) {
        if (n.storage) list_streams(m, prefix + n.name + "/", n.children);
        else m << prefix + n.name << '\t' << n.data.size() << '\t' << crc32(0, n.data.data(), n.data.size()) << '\n';
    }
}

// Writes `top` as NAME.bin and its manifest as NAME.txt.
void write_case(const std::string &dir, const std::string &name, const std::vector<vel::CfbNode> &top) {
    Bytes out;
    std::string err;
    ASSERT_TRUE(vel::cfb_write(top, out, &err)) << name << ": " << err;
    write_file(dir + "/" + name + ".bin", out);
    std::ofstream m(dir + "/" + name + ".txt");
    list_streams(m, "", top);
}

TEST(CompoundFile, IndependentReaderAgrees) {
    if (!have_olefile()) GTEST_SKIP() << "python3-olefile not installed";
    const std::string dir = vtest::make_temp_dir("vba-cfb");

    write_case(dir, "empty", {});
    // The longest and a non-ASCII name, empty streams and storages, siblings ordered by length then case-blind
    // (a thousand of them are the project's), nested storages, and sizes around the mini-stream cutoff.
    std::vector<vel::CfbNode> top = {
        stream("One", bytes_of("1")), stream("Empty", {}), stream(std::string(31, 'x'), {1}),
        stream("\xe5\x8b\x95\xe7\x94\xbb", random_bytes(5000, 3)),
        storage("Box", {stream("inner", random_bytes(200, 1)), storage("Void", {})}),
        storage("Mixed", {stream("abc", {1}), stream("ABD", {2}), stream("b", {3}), stream("_x", {4}),
                          stream("s10", {5}), stream("S11", {6}), stream("Zz", random_bytes(5000, 5))}),
        storage("A", {storage("B", {storage("C", {stream("deep", {9})})})})};
    for (size_t n : {1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 100000})
        top.push_back(stream("s" + std::to_string(n), random_bytes(n, static_cast<unsigned>(n))));
    write_case(dir, "streams", top);
    // Over 236 FAT sectors: two DIFAT sectors beyond the header's list.
    write_case(dir, "difat", {stream("big", random_bytes(31000 * 512, 9)), stream("tiny", {1, 2, 3})});

    std::vector<std::string> args = {"cfb"};
    for (const char *name : {"empty", "streams", "difat"})
        args.insert(args.end(), {dir + "/" + name + ".txt", dir + "/" + name + ".bin"});
    EXPECT_EQ(vba_check(args), "");
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}

TEST(CompoundFile, RejectsBadNames) {
    const std::vector<std::pair<const char *, std::vector<vel::CfbNode>>> bad = {
        {"empty name", {stream("", {})}},
        {"32 characters", {stream(std::string(32, 'x'), {})}},
        {"slash", {stream("a/b", {})}},
        {"bang", {stream("x!", {})}},
        {"bad UTF-8", {stream("\xff", {})}},
        {"same name, other case", {stream("Name", {}), stream("NAME", {})}},
        {"duplicate in a storage", {storage("S", {stream("a", {}), storage("a", {})})}},
    };
    for (const auto &[what, top] : bad) {
        Bytes out{1, 2, 3};
        std::string err;
        EXPECT_FALSE(vel::cfb_write(top, out, &err)) << what;
        EXPECT_TRUE(out.empty()) << what;
        EXPECT_FALSE(err.empty()) << what;
    }
}

// vba_check.py decrypts and decompresses the project itself; the library's decompressor serves the round trips.

TEST(VbaProject, BuiltOncePerProcessAndDeterministic) {
    const auto &blob = vel::vba_project_bin();
    ASSERT_GT(blob.size(), 100000u);
    EXPECT_EQ(&blob, &vel::vba_project_bin());
    EXPECT_EQ(std::memcmp(blob.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), 0);
    Bytes again;
    std::string err;
    ASSERT_TRUE(vel::build_vba_project(again, &err)) << err;
    EXPECT_EQ(again, blob);
}

// vbaProject.bin read by vba_check.py (olefile); a three-sheet macro book written through the API carries
// it, its content type and relationship, and the code names, and passes the schema check and openpyxl.
TEST(VbaProject, IndependentReaderFindsModulesAndMacroInTheBook) {
    if (!have_olefile()) GTEST_SKIP() << "python3-olefile not installed";
    const std::string dir = vtest::make_temp_dir("vba-book");
    const std::string path = dir + "/x.xlsm";
    XLS_BOOK b{};
    ASSERT_EQ(VXLS_open_book(&b, ("BOOK=" + path + " CHARSET=UTF8").c_str()), 0) << b.error_info;
    for (int i = 1; i <= 3; ++i)
        ASSERT_EQ(VXLS_open_sheet(&b, ("SHEET_NAME=Frame" + std::to_string(i) + " MODE=CREATE").c_str()), 0);
    b.macro_book = VXLS_ON;
    ASSERT_EQ(VXLS_close_book(&b, "SAVE"), 0) << b.error_info;
    write_file(dir + "/vbaProject.bin", vel::vba_project_bin());
    EXPECT_EQ(vba_check({"project", dir + "/vbaProject.bin"}), "");
    EXPECT_EQ(vba_check({"package", path, dir + "/vbaProject.bin"}), "");
    EXPECT_EQ(wtest::validate(path), "");
    EXPECT_EQ(wtest::check_with_openpyxl(path, R"({"sheet_names": ["Frame1", "Frame2", "Frame3"]})"), "");
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}

} // namespace
