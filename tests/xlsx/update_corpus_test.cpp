// Update mode on every readable .xlsx and .xlsm of the corpus: one cell changed (a number; then a text with
// a fill) and saved over a copy. check_update.py (openpyxl, the schema check) finds the rest kept and the
// parts written anew valid wherever the original ones were; LibreOffice shows the change.
#include <gtest/gtest.h>

#include <fstream>

#include "book_access.h"
#include "test_support.h"
#include "velmora.h"
#include "writer_fixture.h"
#include "xlsx/package.h"

namespace {

struct Change {
    std::string original, updated, sheet, cell, value, fill;
    int sheet_index = 0;
};

// The first value cell of a worksheet that no formula and no merge covers;
// a new cell below the first worksheet's rows when there is none.
bool choose_cell(XLS_BOOK &book, int &sheet, std::string &cell) {
    const vel::Model &m = book_of(&book).model;
    int first = -1;
    for (size_t s = 0; s < m.sheets.size(); ++s) {
        const vel::Sheet &sh = m.sheets[s];
        if (sh.sheet_kind != vel::SHEET_WORKSHEET) continue;
        if (first < 0) first = static_cast<int>(s);
        for (int r = 0; r < static_cast<int>(sh.rows.size()); ++r)
            for (int c = 0; c < sh.rows[r].used && c < static_cast<int>(sh.rows[r].cells.size()); ++c) {
                const int kind = sh.rows[r].cells[c].kind;
                bool skip = kind == vel::CELL_EMPTY || kind == vel::CELL_FORMULA || kind == vel::CELL_FORMULA2;
                for (const vel::Range &g : sh.merges) skip |= r >= g.r1 && r <= g.r2 && c >= g.c1 && c <= g.c2;
                if (skip) continue;
                sheet = static_cast<int>(s);
                cell = vel::cell_ref(r, c);
                return true;
            }
    }
    if (first < 0) return false;
    sheet = first;
    cell = "A" + std::to_string(static_cast<int>(m.sheets[first].rows.size()) + 2);
    return true;
}

} // namespace

TEST(UpdateCorpus, OneCellChangedAndEverythingElseKept) {
    const std::vector<std::string> files = vtest::corpus_files({".xlsx", ".xlsm"});
    if (files.empty()) GTEST_SKIP() << "no corpus at " << vtest::corpus_dir();
    const std::string dir = vtest::make_temp_dir("update");
    std::vector<Change> changes;
    for (const std::string &file : files) {
        const std::string base = file.substr(file.rfind('/') + 1);
        for (int run = 0; run < 2; ++run) {
            Change ch{file, dir + "/" + std::to_string(run) + "-" + base, "", "", run == 0 ? "12345" : "velmora 更新",
                      run == 0 ? "-" : "C00000"};
            ASSERT_EQ(vtest::run("cp " + vtest::shell_quote(file) + " " + vtest::shell_quote(ch.updated)), 0);
            XLS_BOOK book{};
            int rc = VXLS_open_book(&book, ("CHARSET=UTF8 MODE=UPDATE BOOK=\"" + ch.updated + "\"").c_str());
            if (rc != 0) {
                // Encrypted and Strict packages are refused with their reasons.
                EXPECT_EQ(rc, VXLS_ERR_UNSUPPORTED) << base << ": " << book.error_info;
                VXLS_free_book(&book);
                break;
            }
            ASSERT_TRUE(choose_cell(book, ch.sheet_index, ch.cell)) << base;
            char name[XLS_SHEET_NAME_LEN];
            VXLS_sheet_name(&book, ch.sheet_index, name);
            ch.sheet = name;
            ASSERT_EQ(VXLS_open_sheet2(&book, ch.sheet_index), 0);
            const std::string text = run == 0 ? ch.cell + "=12345"
                                              : ch.cell + "=\"velmora 更新\" " + ch.cell + ".FILL.COLOR=C00000";
            ASSERT_EQ(VXLS_put_values(&book, text.c_str()), 0) << base << ": " << book.error_info;
            ASSERT_EQ(VXLS_close_book(&book, "SAVE"), 0) << base << ": " << book.error_info;
            changes.push_back(ch);
        }
    }
    ASSERT_GT(changes.size(), 40u);

    std::ofstream manifest(dir + "/manifest.txt");
    for (const Change &c : changes)
        manifest << c.original << '\t' << c.updated << '\t' << c.sheet << '\t' << c.cell << '\t' << c.value << '\t'
                 << c.fill << '\n';
    manifest.close();
    const std::string check = vtest::source_dir() + "/tests/xlsx/check_update.py";
    std::string out;
    EXPECT_EQ(vtest::run("/usr/bin/python3 " + vtest::shell_quote(check) + " " + vtest::shell_quote(dir + "/manifest.txt"),
                         &out), 0) << out;

    // LibreOffice opens the books with the new text (its csv holds the first sheet).
    if (!vtest::have_program("soffice")) GTEST_SKIP() << "no LibreOffice";
    std::vector<std::string> shown;
    for (const Change &c : changes)
        if (c.fill != "-" && c.sheet_index == 0) shown.push_back(c.updated);
    ASSERT_EQ(wtest::soffice_to_csv(shown, dir), "");
    for (const std::string &f : shown) {
        std::string csv = f.substr(0, f.rfind('.')) + ".csv";
        EXPECT_NE(vtest::read_file(csv).find("velmora 更新"), std::string::npos) << csv;
    }
}
