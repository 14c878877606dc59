// Failure injection: the Nth allocation fails, or the file layer stops writing. Every
// call then returns its error with a message, nothing leaks, and no half package is left.
#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#include "test_support.h"
#include "velmora.h"

namespace {

// Allocations left before the armed one fails (negative: not armed), counted only inside library calls.
std::atomic<long> g_countdown{-1};
std::atomic<bool> g_fired{false};
std::atomic<bool> g_in_call{false};

void *allocate(size_t n) {
    long left = g_countdown.load(std::memory_order_relaxed);
    if (left >= 0 && g_in_call.load(std::memory_order_relaxed) && g_countdown.fetch_sub(1) == 0) {
        g_fired = true;
        throw std::bad_alloc();
    }
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}

// A package is whole when its central directory and every entry read back.
bool whole_package(const std::string &path) {
    unzFile zip = unzOpen64(path.c_str());
    if (!zip) return false;
    bool ok = true;
    char buf[65536];
    for (int rc = unzGoToFirstFile(zip); ok && rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        ok = unzOpenCurrentFile(zip) == UNZ_OK;
        int n = ok ? 1 : 0;
        while (n > 0) n = unzReadCurrentFile(zip, buf, sizeof buf);
        ok = ok && n == 0 && unzCloseCurrentFile(zip) == UNZ_OK;
    }
    unzClose(zip);
    return ok;
}

// The number of files in a folder (a leftover temporary counts).
long entries_in(const std::string &dir) {
    return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
}

// Runs one library call with the armed allocator counting.
template <class F>
int call(F &&f) {
    g_in_call = true;
    int rc = f();
    g_in_call = false;
    return rc;
}

// One whole job through the interface, every step's result checked; true when it saved.
bool job(const std::string &options) {
    XLS_BOOK book{};
    auto failed = [&](int rc) {
        if (rc == 0) return false;
        if (!g_fired) ADD_FAILURE() << "failed without an injected fault: " << rc << " " << book.error_info;
        EXPECT_LT(rc, 0);
        EXPECT_EQ(std::strncmp(book.error_info, "VXLS-", 5), 0) << book.error_info;
        return true;
    };
    if (failed(call([&] { return VXLS_open_book(&book, options.c_str()); }))) {
        EXPECT_EQ(book.env, nullptr);   // a failed open leaves the handle closed
        return false;
    }
    const char *steps[] = {"A1=見出し B1=12.5 C1=2024/1/5 D1='text", "A1:C3.BORDER=THIN A1.FILL.COLOR=ff0000",
                           "A2.FONT.NAME=Arial A2=x B2.FORMAT=文字列 SHEET.HEADER.CENTER=p",
                           "A1:B2.CHART=COLUMN A3.COMMENT=x A1:C3.TABLE_FORMAT=Light1 D5.AUTOSHAPE=OVAL "
                           "E1:E1.SPARKLINE=A1:D1"};
    bool ok = !failed(call([&] { return VXLS_open_sheet(&book, "SHEET_NAME=One"); }));
    for (const char *s : steps) ok = ok && !failed(call([&] { return VXLS_put_values(&book, s); }));
    const bool saved = ok && !failed(call([&] { return VXLS_close_book(&book, "SAVE"); }));
    EXPECT_TRUE(!ok || saved || book.env != nullptr) << "a failed save keeps the book for a retry";
    VXLS_free_book(&book);
    return saved;
}

} // namespace

void *operator new(size_t n) { return allocate(n); }
void *operator new[](size_t n) { return allocate(n); }
// The non-throwing forms share the allocator, so that every delete frees what its own made.
static void *allocate_or_null(size_t n) noexcept {
    try {
        return allocate(n);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void *operator new(size_t n, const std::nothrow_t &) noexcept { return allocate_or_null(n); }
void *operator new[](size_t n, const std::nothrow_t &) noexcept { return allocate_or_null(n); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }
void operator delete[](void *p, size_t) noexcept { std::free(p); }

TEST(Faults, EveryAllocationThatFailsIsReported) {
    const std::string dir = vtest::make_temp_dir("faults");
    const std::string path = dir + "/job.xlsx";
    const std::string options = "CHARSET=UTF8 BOOK=\"" + path + "\"";
    int failures = 0;
    // Every allocation of the first few hundred, then a sample of the rest
    // (the writer's threads and buffers), until one run no longer fails.
    for (long n = 0;; n += n < 400 ? 1 : 7) {
        // The nth allocation from now (0: the next one) fails during the job.
        g_fired = false;
        g_countdown = n;
        const bool completed = job(options);
        g_countdown = -1;
        if (!g_fired) {
            EXPECT_TRUE(completed) << "n=" << n;
            break;
        }
        ++failures;
        EXPECT_TRUE(!completed || whole_package(path)) << "n=" << n;
        // The package of a saved job and nothing else: no half-written file, no temporary.
        EXPECT_EQ(entries_in(dir), completed ? 1 : 0) << "n=" << n;
        std::remove(path.c_str());
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GT(failures, 40);
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}

TEST(Faults, AFileLayerThatStopsWritingLeavesNothingHalfWritten) {
    const std::string dir = vtest::make_temp_dir("fsize");
    const std::string path = dir + "/big.xlsx";
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, ("CHARSET=UTF8 BOOK=\"" + path + "\"").c_str()), 0);
    ASSERT_EQ(VXLS_open_sheet(&book, ""), 0);
    std::string text;
    for (int r = 1; r <= 3000; ++r)
        for (int c = 0; c < 10; ++c) text += std::string(1, static_cast<char>('A' + c)) + std::to_string(r) + "=v" +
                                             std::to_string(r * 37 + c) + " ";
    ASSERT_EQ(VXLS_put_values(&book, text.c_str()), 0);
    for (rlim_t limit : {rlim_t(0), rlim_t(100), rlim_t(2000), rlim_t(9000), rlim_t(30000)}) {
        rlimit small = saved;
        small.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        int rc = VXLS_close_book(&book, "SAVE");
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
        EXPECT_EQ(rc, VXLS_ERR_WRITE) << "limit " << limit;
        EXPECT_EQ(std::string(book.error_info).rfind("VXLS-03121 ", 0), 0u) << book.error_info;
        EXPECT_NE(book.env, nullptr);
        EXPECT_EQ(entries_in(dir), 0) << "limit " << limit;
    }
    ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << book.error_info;
    EXPECT_TRUE(whole_package(path));
    vtest::run("rm -rf " + vtest::shell_quote(dir));
}
