// Memory files: open modes, growth, positioning, the name table and the set-aside table.
#include "io/mfile.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace {

class MfileTest : public ::testing::Test {
protected:
    MFileTable mt;
    void SetUp() override { empty_tables(); }
    void TearDown() override { empty_tables(); }
    void empty_tables() {
        mcopy(mt, 1); // the aside table replaces the live one
        mfree_all(mt);
    }
    MFILE *make(const char *name, const std::string &text) {
        MFILE *f = mopen(mt, name, "wb");
        if (f && !text.empty()) mwrite(text.data(), 1, text.size(), f);
        return f;
    }
    static std::string contents(const MFILE *f) {
        return std::string(reinterpret_cast<const char *>(f->data), static_cast<size_t>(f->size));
    }
};

TEST_F(MfileTest, OpenChecksNameAndMode) {
    EXPECT_EQ(mopen(mt, std::string(257, 'a').c_str(), "wb"), nullptr);
    EXPECT_EQ(mopen(mt, "", "wb"), nullptr);
    EXPECT_EQ(mopen(mt, "x", "r"), nullptr);
    EXPECT_STREQ(merror(mt), "");
    EXPECT_EQ(mcount(mt), 0);

    MFILE *f = mopen(mt, std::string(256, 'b').c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(mfind(mt, std::string(256, 'b').c_str()), f);
    EXPECT_EQ(mfind(mt, std::string(256, 'B').c_str()), nullptr); // case-sensitive
}

TEST_F(MfileTest, Growth) {
    MFILE *f = mopen(mt, "one", "wb");
    MFILE *g = mopen(mt, "bulk", "wb");
    std::vector<unsigned char> bytes(3000);
    for (int i = 0; i < 3000; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7);
        ASSERT_EQ(mwrite(&bytes[i], 1, 1, f), 1u);
    }
    EXPECT_EQ(f->size, 3000);
    // One call writes what the bytes one by one do; the result counts items.
    EXPECT_EQ(mwrite(bytes.data(), 1000, 3, g), 3u);
    EXPECT_EQ(contents(g), contents(f));

    // From pos == capacity an item filling the grown buffer to its last byte; the seek's gap reads as zeros.
    MFILE *e = mopen(mt, "edge", "wb");
    const long at = e->capacity;
    ASSERT_EQ(mseek(e, at, 0), 0);
    std::vector<char> item(2048, 'q');
    EXPECT_EQ(mwrite(item.data(), item.size(), 1, e), 1u);
    EXPECT_EQ(e->size, at + 2048);
    EXPECT_EQ(e->data[at + 2047], 'q');
    EXPECT_EQ(std::count(e->data, e->data + at, 0), at);
    EXPECT_EQ(mwrite("r", 1, 1, e), 1u);
    EXPECT_EQ(e->data[at + 2048], 'r');
}

TEST_F(MfileTest, WritesPastTwoGigabytesFailCleanly) {
    MFILE *f = make("big", "keep");
    char small[8] = {};
    EXPECT_EQ(mwrite(small, 1u << 20, 4096, f), 0u); // refused before the buffer is read
    EXPECT_EQ(f->state, -9);
    EXPECT_STREQ(merror(mt), "mwrite() malloc()");
    EXPECT_EQ(mwrite("x", 1, 1, f), 0u); // no more writes into a failed file
    EXPECT_EQ(contents(f), "keep");
    MFILE *g = make("wrap", "");
    EXPECT_EQ(mwrite(small, SIZE_MAX / 2, 3, g), 0u); // size * count wraps
    EXPECT_EQ(g->size, 0);
    ASSERT_EQ(mopen(mt, "big", "wb"), f); // reopening for writing recovers
    EXPECT_EQ(mwrite("ok", 1, 2, f), 2u);
}

TEST_F(MfileTest, SeekTellReadAndEof) {
    MFILE *f = make("s", "hello world");
    EXPECT_EQ(meof(f), -1);
    ASSERT_EQ(mseek(f, -5, 2), 0);
    EXPECT_EQ(meof(f), 0);
    char buf[32] = {};
    EXPECT_EQ(mread(buf, 4, 8, f), 5u); // bytes, not items
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(mseek(f, -3, 1), 0);
    EXPECT_EQ(mtell(f), 8);
    EXPECT_EQ(mseek(f, f->size + 10, 0), 0); // past the end, within capacity
    EXPECT_EQ(mread(buf, 1, 4, f), 0u);
    EXPECT_EQ(mseek(f, f->capacity, 0), 0);
    EXPECT_EQ(mseek(f, 1, 1), -1);
    EXPECT_EQ(mseek(f, -1, 0), -1);
    EXPECT_EQ(mtell(f), f->capacity); // failed seeks leave the position
}

TEST_F(MfileTest, ReopenAndLoadFromDisk) {
    MFILE *f = make("part.xml", "<a/>");
    EXPECT_EQ(mclose(f), 0);
    EXPECT_EQ(f->state, 1);
    for (const char *mode : {"rb", "ab"}) { // both rewind and keep the contents
        ASSERT_EQ(mopen(mt, "part.xml", mode), f);
        char buf[8] = {};
        EXPECT_EQ(mread(buf, 1, 8, f), 4u);
        EXPECT_STREQ(buf, "<a/>");
    }
    ASSERT_EQ(mopen(mt, "part.xml", "wb"), f); // truncates the same record
    EXPECT_EQ(f->size, 0);
    EXPECT_EQ(mcount(mt), 1);

    std::string dir = vtest::make_temp_dir("mfile");
    std::string path = dir + "/disk.bin";
    std::ofstream(path, std::ios::binary) << "from disk";
    MFILE *d = mopen(mt, path.c_str(), "rb");
    ASSERT_NE(d, nullptr);
    mseek(d, 0, 2);
    EXPECT_EQ(mwrite("!", 1, 1, d), 1u); // a loaded file grows like any other
    ASSERT_EQ(mopen(mt, path.c_str(), "rb"), d); // the memory copy wins from now on
    EXPECT_EQ(contents(d), "from disk!");
    mdelete(mt, path.c_str());
    MFILE *again = mopen(mt, path.c_str(), "rb"); // deleted: the disk file again
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(contents(again), "from disk");

    int before = mcount(mt);
    EXPECT_EQ(mopen(mt, (dir + "/missing").c_str(), "rb"), nullptr);
    EXPECT_STREQ(merror(mt), "mopen() aod_fsze() rc=-101");
    EXPECT_EQ(mopen(mt, dir.c_str(), "rb"), nullptr);
    EXPECT_EQ(mcount(mt), before);
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}

TEST_F(MfileTest, DeleteClearListAndCount) {
    make("a", "1");
    make("b", "22");
    make("c", "333");
    EXPECT_EQ(mclear(mt, "b"), 0);
    MFILE *b = mfind(mt, "b");
    EXPECT_EQ(b->capacity + b->size, 0);
    EXPECT_EQ(mwrite("x", 1, 1, b), 1u); // a cleared file can be written again
    EXPECT_EQ(msize(mt, "b"), 1);

    EXPECT_EQ(mdelete(mt, "a"), 0);
    EXPECT_EQ(mfind(mt, "a"), nullptr);
    EXPECT_EQ(msize(mt, "a"), 0);
    EXPECT_EQ(mcount(mt), 3); // the deleted slot still counts
    char names[4][260];
    int n = -1;
    EXPECT_EQ(mlist(mt, names, &n), 0);
    ASSERT_EQ(n, 2);
    EXPECT_STREQ(names[0], "b");
    EXPECT_STREQ(names[1], "c");
    EXPECT_EQ(make("a", "new")->index, 3); // deleted slots are not reused
    EXPECT_EQ(mfree_all(mt), 0);
    EXPECT_EQ(mcount(mt), 0);
    EXPECT_EQ(mfind(mt, "c"), nullptr);
}

TEST_F(MfileTest, SetAsideAndBringBack) {
    MFILE *x = make("xl/book1.xml", "first");
    make("gone", "g");
    mdelete(mt, "gone");
    ASSERT_EQ(mcopy(mt, 0), 0);
    EXPECT_EQ(mcount(mt), 0);
    EXPECT_EQ(mfind(mt, "xl/book1.xml"), nullptr);
    MFILE *y = make("xl/book1.xml", "second"); // a second book, same names
    EXPECT_NE(y, x);

    ASSERT_EQ(mcopy(mt, 1), 0); // replaces the second book's files
    EXPECT_EQ(mcount(mt), 2);
    MFILE *back = mfind(mt, "xl/book1.xml");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(contents(back), "first");
    EXPECT_EQ(back->index, 0);
    ASSERT_EQ(mcopy(mt, 7), 0); // an empty aside table empties the live one
    EXPECT_EQ(mcount(mt), 0);
}

TEST_F(MfileTest, TableLimitCountsDeletedRecords) {
    for (int i = 0; i < MFILE_MAX_OPEN_FILES; ++i) {
        const std::string name = "f" + std::to_string(i);
        ASSERT_NE(mopen(mt, name.c_str(), "wb"), nullptr) << i;
        if (i % 2) mdelete(mt, name.c_str());
    }
    EXPECT_EQ(mopen(mt, "one-more", "wb"), nullptr);
    EXPECT_STREQ(merror(mt), "mopen() Mfile_ct >= MFILE_MAX_OPEN_FILES");
    EXPECT_NE(mopen(mt, "f0", "wb"), nullptr); // reusing a name needs no slot
}

} // namespace
