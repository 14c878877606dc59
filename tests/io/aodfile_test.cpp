// Platform file layer: open modes, seeking, sizes, whole-file loads and the CSV-style line reader.
#include "io/aodfile.h"
#include "io/mfile.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

class AodTest : public ::testing::Test {
protected:
    MFileTable mt;
    void SetUp() override { dir_ = vtest::make_temp_dir("aod"); }
    void TearDown() override {
        mfree_all(mt);
        vtest::run("rm -rf " + vtest::shell_quote(dir_));
    }
    std::string put(const std::string &name, const std::string &bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static void write_with(const std::string &path, int mode, const char *text) {
        AOD_FILE *f = aod_fopen(path.c_str(), mode);
        ASSERT_NE(f, nullptr) << mode;
        EXPECT_EQ(aod_fwrite(text, std::strlen(text), f), std::strlen(text));
        EXPECT_EQ(aod_fclose(f), 0);
    }
    std::string dir_;
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
