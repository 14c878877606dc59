// Set-up of the API tests: a fresh current directory for each, and its book freed at the end.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "book_access.h"
#include "test_support.h"
#include "velmora.h"

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_cwd_ = std::filesystem::current_path().string();
        std::filesystem::current_path(vtest::make_temp_dir("api"));
        dir_ = std::filesystem::current_path().string();   // resolved, as the library sees it
    }
    void TearDown() override {
        VXLS_free_book(&book_);
        if (chdir(old_cwd_.c_str()) != 0) ADD_FAILURE() << "cannot restore " << old_cwd_;
        vtest::run("rm -rf " + vtest::shell_quote(dir_));
    }

    // Opens book_ with the options, and a first sheet with its own when given; expects success.
    void open(const char *options, const char *sheet_options = nullptr) {
        ASSERT_EQ(VXLS_open_book(&book_, options), 0) << book_.error_info;
        ASSERT_TRUE(!sheet_options || VXLS_open_sheet(&book_, sheet_options) == 0) << book_.error_info;
    }
    std::string in_dir(const std::string &name) const { return dir_ + "/" + name; }
    std::string error() const { return book_.error_info; }

    XLS_BOOK book_{};
    std::string dir_;
    std::string old_cwd_;
};

// UTF-8 text in a caller's character set.
inline std::string in_charset(const std::string &utf8, int charset) {
    std::string out;
    vel::convert_charset(out, utf8, VXLS_CHARSET_UTF8, charset);
    return out;
}
