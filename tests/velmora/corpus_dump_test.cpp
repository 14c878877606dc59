// `velmora dump` of every corpus workbook against the reading calls: each cell dumped shows what
// VXLS_get_cell shows and the reverse; books the library refuses fail the dump with its message.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "json_lite.h"
#include "velmora.h"
#include "velmora_support.h"

namespace {

// The first 32,767 characters of a UTF-8 text, as a cell shows at most.
std::string shown(const char *text) {
    std::string s = text;
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == 32767) return s.substr(0, i);
    return s;
}

} // namespace

TEST(VelmoraCorpus, DumpAgreesWithTheReadingCalls) {
    const std::vector<std::string> books = vtest::corpus_files({".xlsx", ".xlsm", ".xls"});
    if (books.empty()) GTEST_SKIP() << "no corpus at " << vtest::shared_dir() << "/corpus";
    static char value[1 << 22];
    int dumped = 0, cells = 0;
    for (const std::string &path : books) {
        const std::string base = path.substr(path.rfind('/') + 1);
        XLS_BOOK book{};
        const int open_rc = VXLS_open_book(&book, ("MODE=READ CHARSET=UTF8 BOOK=\"" + path + "\"").c_str());
        vtest::Ran r = vtest::velmora({"dump", path, "--format", "json"});
        if (open_rc != 0) {  // refused: exit 1, the library's message, no output
            EXPECT_TRUE(r.rc == 1 && r.out.empty() && r.err.find("VXLS-") != std::string::npos)
                << base << ": " << r.err;
            VXLS_free_book(&book);
            continue;
        }
        ASSERT_EQ(r.rc, 0) << base << ": " << r.err;
        ++dumped;
        vtest::Json j;
        try {
            j = vtest::JsonParser(r.out).parse();
        } catch (const std::exception &e) {
            ADD_FAILURE() << base << ": " << e.what();
            VXLS_free_book(&book);
            continue;
        }
        const auto &sheets = j["sheets"].items;
        ASSERT_EQ(static_cast<int>(sheets.size()), VXLS_sheet_num(&book)) << base;
        int faults = 0;
        for (int s = 0; s < static_cast<int>(sheets.size()) && faults < 5; ++s) {
            char name[XLS_SHEET_NAME_LEN];
            VXLS_sheet_name(&book, s, name);
            EXPECT_EQ(sheets[s]["name"].s, name) << base;
            ASSERT_EQ(VXLS_open_sheet2(&book, s), 0);
            const auto &rows = sheets[s]["rows"].items;
            const int used_rows = VXLS_row_num(&book);
            for (int row = 0; row < std::max<int>(used_rows, static_cast<int>(rows.size())) && faults < 5; ++row) {
                const int used = VXLS_column_num(&book, row);
                const int listed = row < static_cast<int>(rows.size()) ? static_cast<int>(rows[row].items.size()) : 0;
                for (int col = 0; col < std::max(used, listed) && faults < 5; ++col) {
                    char ref[16];
                    VXLS_cell_name(row + 1, col + 1, ref);
                    int rc = VXLS_get_cell(&book, ref, value, sizeof value, nullptr, 0);
                    const std::string want = rc == 0 ? shown(value) : std::string();
                    const std::string got = col < listed ? rows[row].items[col].s : std::string();
                    if (rc != 0 && rc != VXLS_ERR_NO_CELL && rc != VXLS_ERR_NO_CELL_ROW)
                        ADD_FAILURE() << base << " " << name << "!" << ref << ": VXLS_get_cell " << rc;
                    ++cells;
                    if (got != want) {
                        ++faults;
                        ADD_FAILURE() << base << " " << name << "!" << ref << ": dump \"" << got.substr(0, 80)
                                      << "\", VXLS_get_cell \"" << want.substr(0, 80) << "\"";
                    }
                }
            }
        }
        VXLS_free_book(&book);
    }
    std::printf("velmora dump: %d workbooks, %d cells compared\n", dumped, cells);
    EXPECT_GT(dumped, 40);
}
