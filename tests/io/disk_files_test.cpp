// Files on disk: the platform file layer (open modes, seeking, sizes, whole-file loads, the CSV-style line
// reader), and file-type detection by magic and name in each mode, with the encrypted-package check.
#include "cfb_image.h"
#include "io/aodfile.h"
#include "io/filetype.h"
#include "io/mfile.h"
#include "test_support.h"
#include "velmora.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes with_padding(Bytes head, size_t len = 32) {
    head.resize(std::max(head.size(), len), 0);
    return head;
}

// A compound file of empty streams named `names`.
vtest::CfbImage compound(const std::vector<std::string> &names) {
    std::vector<vtest::CfbItem> items;
    for (const std::string &n : names) items.push_back({n, {}});
    return vtest::make_cfb(items);
}

// A fresh folder and memory-file table for each test.
class DiskTest : public ::testing::Test {
protected:
    MFileTable mt;
    void SetUp() override { dir_ = vtest::make_temp_dir("io"); }
    void TearDown() override {
        mfree_all(mt);
        vtest::run("rm -rf " + vtest::shell_quote(dir_));
    }
    std::string put(const std::string &name, const std::string &bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string dir_;
};

class FileTypeTest : public DiskTest {
protected:
    // Kind of `bytes` named `name`; a disk file and a memory file must agree on the result and the kind.
    int kind(const std::string &name, const Bytes &bytes, int expect_rc = 0) {
        std::string path = put(name, std::string(bytes.begin(), bytes.end()));
        int disk = -7, mem = -7;
        EXPECT_EQ(vel_file_type(-1, path.c_str(), &disk), expect_rc) << name;
        std::string mem_name = "mem/" + name;
        MFILE *m = mopen(mt, mem_name.c_str(), "wb");
        mwrite(bytes.data(), 1, bytes.size(), m);
        mclose(m);
        EXPECT_EQ(file_type(0, mem_name.c_str(), &mem, &mt), expect_rc) << name;
        EXPECT_EQ(disk, mem) << name;
        return disk;
    }
};

TEST_F(FileTypeTest, EveryKindByMagicAndName) {
    for (int i = 0; i < vel_file_type_rows(); ++i) {
        const VelFileTypeRow &row = *vel_file_type_row(i);
        if (row.code == VEL_KIND_XLSX_LOCKED || row.code == VEL_KIND_DOCX_LOCKED ||
            row.code == VEL_KIND_PPTX_LOCKED)
            continue; // need the encrypted stream, below
        Bytes head(row.magic, row.magic + row.count);
        std::string name = "f" + std::to_string(i) + "." + row.ext;
        EXPECT_EQ(kind(name, with_padding(head)), row.code) << name;
    }
}

TEST_F(FileTypeTest, NameDecidesAmongSharedMagic) {
    const Bytes zip = with_padding({0x50, 0x4B, 0x03, 0x04});
    EXPECT_EQ(kind("a.xlsx", zip), 12);
    EXPECT_EQ(kind("a.zip", zip), 301);
    EXPECT_EQ(kind("a.XLSM", zip), 14);
    EXPECT_EQ(kind("reportxlsx", zip), 12); // no dot needed
    EXPECT_EQ(kind("a.jar", zip), -1);
    EXPECT_EQ(kind("g", with_padding({0xFF, 0xD8, 0xFF, 0xE0})), -1); // name shorter than any extension

    Bytes riff = with_padding({'R', 'I', 'F', 'F', 0x10, 0, 0, 0, 'A', 'V', 'I', ' '});
    EXPECT_EQ(kind("clip.avi", riff), 401);
    EXPECT_EQ(kind("clip.wav", riff), -1);

    // CSV goes by name alone, after every row with magic before it.
    EXPECT_EQ(kind("data.csv", with_padding({'a', ',', 'b', '\n'})), 0);
    EXPECT_EQ(kind("data.csv", riff), 0);
    EXPECT_EQ(kind("data.png", with_padding({'a', ',', 'b'})), -1);
}

TEST_F(FileTypeTest, ModesWithoutAName) {
    // Mode 0 on a disk path loads it into a memory file that stays, closed.
    Bytes png = with_padding({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, 16);
    std::string path = put("\xE5\x86\x99\xE7\x9C\x9F.PNG", std::string(png.begin(), png.end())); // a UTF-8 name
    int t = -7;
    EXPECT_EQ(file_type(0, path.c_str(), &t, &mt), 0);
    EXPECT_EQ(t, 203);
    ASSERT_NE(mfind(mt, path.c_str()), nullptr);
    EXPECT_EQ(mfind(mt, path.c_str())->state, 1);

    // Mode 9999: the header alone, so no name-only CSV row and no encrypted-package check.
    auto header = [](const Bytes &h) {
        int type = -7;
        EXPECT_EQ(vel_file_type(9999, reinterpret_cast<const char *>(h.data()), &type), 0);
        return type;
    };
    EXPECT_EQ(header(png), 203);
    EXPECT_EQ(header(with_padding({'a', ',', 'b', '\n'}, 16)), -1);
    EXPECT_EQ(header(with_padding({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}, 16)), 11); // compound file
}

TEST_F(FileTypeTest, ShortMissingAndBadArguments) {
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(kind("short.png", png), -1); // 15 bytes
    png.push_back(0);
    EXPECT_EQ(kind("exact.png", png), 203); // 16 bytes
    EXPECT_EQ(kind("empty.csv", {}), -1);

    int t = 5;
    EXPECT_EQ(vel_file_type(-1, (dir_ + "/missing.png").c_str(), &t), -101);
    EXPECT_EQ(t, -1);
    EXPECT_EQ(file_type(0, "mem/missing.png", &t, &mt), -101);
    EXPECT_EQ(vel_file_type(-1, dir_.c_str(), &t), -101);
    std::string fifo = dir_ + "/pipe.png"; // no writer: nothing to read, no hang
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(vel_file_type(-1, fifo.c_str(), &t), 0);
    EXPECT_EQ(file_type(0, fifo.c_str(), &t, &mt), 0);
    EXPECT_EQ(t, -1);
    EXPECT_EQ(vel_file_type(-1, nullptr, &t), -3);
    EXPECT_EQ(vel_file_type(-1, "x", nullptr), -3);
}

TEST_F(FileTypeTest, EncryptedPackageCheck) {
    const Bytes locked = compound({"EncryptionInfo", "EncryptedPackage"}).bytes;
    EXPECT_EQ(kind("secret.xlsx", locked), 19);
    EXPECT_EQ(kind("secret.PPTX", locked), 39);
    EXPECT_EQ(kind("secret.xls", locked), 11); // no check for a plain .xls

    // The directory may run on past the root's own sector.
    EXPECT_EQ(kind("deep.xlsx", compound({"A", "B", "C", "D", "E", "EncryptedPackage"}).bytes), 19);

    // No such stream, an end marker before it, or a file ending inside the directory: -1 and no kind.
    EXPECT_EQ(kind("plain.xlsx", compound({"Workbook"}).bytes, -1), -1);
    auto ended = compound({"Workbook", "X", "EncryptedPackage"});
    ended.put32(ended.entry_offset(2), 0xFFFFFFFF);
    EXPECT_EQ(kind("ended.xlsx", ended.bytes, -1), -1);
    const auto cut = compound({"EncryptedPackage"});
    EXPECT_EQ(kind("cut.xlsx", Bytes(cut.bytes.begin(), cut.bytes.begin() + cut.entry_offset(1) + 100), -1), -1);
    // The stream name must match in full.
    EXPECT_EQ(kind("near.xlsx", compound({"EncryptedPackag"}).bytes, -1), -1);

    // The root entry counts only at the start of a 512-byte block.
    Bytes shifted = compound({"EncryptedPackage"}).bytes;
    shifted.insert(shifted.begin() + 512, 64, 0);
    EXPECT_EQ(kind("shifted.xlsx", shifted, -1), -1);
}

class AodTest : public DiskTest {
protected:
    static void write_with(const std::string &path, int mode, const char *text) {
        AOD_FILE *f = aod_fopen(path.c_str(), mode);
        ASSERT_NE(f, nullptr) << mode;
        EXPECT_EQ(aod_fwrite(text, std::strlen(text), f), std::strlen(text));
        EXPECT_EQ(aod_fclose(f), 0);
    }
};

TEST_F(AodTest, OpenModesSeekAndSize) {
    std::string path = dir_ + "/m.txt";
    EXPECT_EQ(aod_fopen(path.c_str(), 1), nullptr); // existing files only
    EXPECT_EQ(aod_fopen(dir_.c_str(), 1), nullptr);
    write_with(path, 2, "abcdefgh");
    write_with(path, 3, "ij");  // appends
    write_with(path, 4, "AB");  // overwrites in place
    EXPECT_EQ(vtest::read_file(path), "ABcdefghij");
    long size = 0;
    EXPECT_EQ(aod_fsze(path.c_str(), &size), 0);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(aod_fsze((dir_ + "/none").c_str(), &size), -101);

    AOD_FILE *f = aod_fopen(path.c_str(), 1);
    ASSERT_NE(f, nullptr);
    char c = 0;
    EXPECT_EQ(aod_fseek(f, 4, AOD_SEEK_SET), 0);
    EXPECT_EQ(aod_fseek(f, 2, AOD_SEEK_CUR), 0);
    aod_fread(&c, 1, f);
    EXPECT_EQ(c, 'g');
    EXPECT_EQ(aod_fseek(f, -1, AOD_SEEK_END), 0);
    aod_fread(&c, 1, f);
    EXPECT_EQ(c, 'j');
    EXPECT_EQ(aod_fread(&c, 1, f), 0u);
    EXPECT_EQ(aod_fseek(f, 0, 0), -3);
    EXPECT_EQ(aod_fseek(f, -100, AOD_SEEK_SET), -104);
    EXPECT_EQ(aod_fwrite("no", 2, f), 0u); // read-only handle
    aod_fclose(f);

    write_with(path, 2, ""); // truncates
    EXPECT_EQ(aod_fsze(path.c_str(), &size), 0);
    EXPECT_EQ(size, 0);
}

TEST_F(AodTest, LoadWholeFileFromDiskAndMemory) {
    std::string big(10000, 'x');
    big.back() = 'E';
    std::string path = put("big.txt", big);
    char *buf = nullptr;
    long len = 0;
    ASSERT_EQ(aod_fload(1, path.c_str(), &buf, &len), 0);
    EXPECT_EQ(len, 10000);
    EXPECT_EQ(std::string(buf), big); // zero-terminated
    std::free(buf);
    EXPECT_EQ(aod_fload(1, (dir_ + "/none").c_str(), &buf, &len), -101);
    EXPECT_EQ(buf, nullptr);

    // Mode 0: a memory file of that name, or the disk file loaded into one.
    MFILE *m = mopen(mt, "mem/only.txt", "wb");
    mwrite("in memory", 1, 9, m);
    ASSERT_EQ(aod_fload(0, "mem/only.txt", &buf, &len, &mt), 0);
    EXPECT_STREQ(buf, "in memory");
    EXPECT_EQ(m->state, 1);
    std::free(buf);
    ASSERT_EQ(aod_fload(0, path.c_str(), &buf, &len, &mt), 0);
    EXPECT_EQ(len, 10000);
    std::free(buf);
    EXPECT_NE(mfind(mt, path.c_str()), nullptr);
}

TEST_F(AodTest, LineReader) {
    std::string path = put("lines.csv",
                           "a,b\nc,d\r\ne\rf,\"multi\r\nline\",g\n\n"
                           "abcdefgh\r\nijk\nrest\"open\nquote");
    AOD_FILE *f = aod_fopen(path.c_str(), 1);
    ASSERT_NE(f, nullptr);
    char line[64];
    for (const char *want : {"a,b", "c,d", "e", "f,\"multi\r\nline\",g", ""}) {
        ASSERT_EQ(aod_fgets(line, sizeof line, f), 1);
        EXPECT_STREQ(line, want);
    }
    // Cut at the buffer size; a line that fills it exactly takes its end too.
    char small[5];
    for (const char *want : {"abcd", "efgh", "ijk"}) {
        ASSERT_EQ(aod_fgets(small, sizeof small, f), 1);
        EXPECT_STREQ(small, want);
    }
    // Plain reads and seeks continue right after the last line returned.
    char two[3] = {};
    EXPECT_EQ(aod_fread(two, 2, f), 2u);
    EXPECT_STREQ(two, "re");
    EXPECT_EQ(aod_fseek(f, -1, AOD_SEEK_CUR), 0);
    ASSERT_EQ(aod_fgets(line, sizeof line, f), 1);
    EXPECT_STREQ(line, "est\"open\nquote"); // an open quote runs to the end
    EXPECT_EQ(aod_fgets(line, sizeof line, f), 0);
    EXPECT_STREQ(line, "");
    aod_fclose(f);
}

} // namespace
