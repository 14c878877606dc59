// Books in threads, each thread with its own, saved to disk and to memory; every save
// must be a complete zip holding the thread's own values. Run under TSan as well as ASan.
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "velmora.h"

namespace {

// The text of one entry of a zip file, or "" when it cannot be read.
std::string entry_text(const std::string &zip_path, const char *entry) {
    unzFile zip = unzOpen64(zip_path.c_str());
    if (!zip) return {};
    std::string out;
    if (unzLocateFile(zip, entry, 0) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buf[65536];
        int n;
        while ((n = unzReadCurrentFile(zip, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
        if (n < 0 || unzCloseCurrentFile(zip) != UNZ_OK) out.clear();
    }
    unzClose(zip);
    return out;
}

// One book: written, saved to disk or (odd rounds) to memory, read back; "" or what went wrong.
std::string one_book(XLS_BOOK &book, int id, int round, const std::string &path) {
    const std::string marker = "thread" + std::to_string(id) + "round" + std::to_string(round);
    if (VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + path + "\"").c_str()) != 0)
        return std::string("open: ") + book.error_info;
    std::string text = "A1=" + marker + " B1=" + std::to_string(id * 1000 + round) + " C1=色" + std::to_string(id) +
                       " A1.FILL.COLOR=" + (id % 2 ? "ff0000" : "00ff00");
    if (VXLS_open_sheet(&book, "") != 0 || VXLS_put_values(&book, text.c_str()) != 0)
        return std::string("put: ") + book.error_info;
    if (round % 2 == 1) {
        std::vector<char> buffer(1 << 20);
        long size = static_cast<long>(buffer.size());
        if (VXLS_close_memory_book(&book, nullptr, buffer.data(), &size) != 0)
            return std::string("memory save: ") + book.error_info;
        std::ofstream(path, std::ios::binary).write(buffer.data(), size);
    } else if (VXLS_close_book(&book, "SAVE") != 0) {
        return std::string("disk save: ") + book.error_info;
    }
    if (entry_text(path, "xl/sharedStrings.xml").find(marker) == std::string::npos)
        return "the package of " + marker + " lacks its value";
    if (entry_text(path, "xl/worksheets/sheet1.xml").find(std::to_string(id * 1000 + round)) == std::string::npos)
        return "the worksheet of " + marker + " lacks its number";
    return "";
}

// One thread's work: `rounds` books, each freed whatever happened.
void work(int id, int rounds, const std::string &dir, std::atomic<int> &failures) {
    for (int round = 0; round < rounds; ++round) {
        XLS_BOOK book{};
        const std::string path = dir + "/t" + std::to_string(id) + "-" + std::to_string(round) + ".xlsx";
        const std::string error = one_book(book, id, round, path);
        VXLS_free_book(&book);
        if (!error.empty()) {
            std::fprintf(stderr, "thread %d: %s\n", id, error.c_str());
            ++failures;
        }
        std::remove(path.c_str());
    }
}

void run_threads(int threads, int rounds) {
    const std::string dir = vtest::make_temp_dir("threads");
    std::atomic<int> failures{0};
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i) pool.emplace_back(work, i, rounds, std::cref(dir), std::ref(failures));
    for (std::thread &t : pool) t.join();
    EXPECT_EQ(failures.load(), 0);
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}

} // namespace

TEST(Threads, TwoBooksInTwoThreads) { run_threads(2, 40); }

TEST(Threads, FourBooksInFourThreads) { run_threads(4, 20); }
