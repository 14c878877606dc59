// Every readable .xls of the shared corpus against the values an independent
// reader took from it: sheets (names, order, kinds, visibility), every listed
// cell's raw value, no cell it does not list, and merged ranges. Remaining
// disagreements are listed with their reasons in corpus_disagreements.txt.
// The workbook the independent reader refuses is checked on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>

#include "json_lite.h"
#include "xls_fixture.h"

namespace {

using namespace xt;

std::string cell_name(uint32_t row, uint32_t col) {
    std::string letters;
    for (uint32_t c = col + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(row + 1);
}

bool parse_cell(const std::string &ref, uint32_t &row, uint32_t &col) {
    size_t i = 0;
    col = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z') col = col * 26 + static_cast<uint32_t>(ref[i++] - 'A' + 1);
    if (i == 0 || i == ref.size()) return false;
    row = static_cast<uint32_t>(std::stoul(ref.substr(i)));
    if (row == 0) return false;
    --row;
    --col;
    return true;
}

std::vector<std::string> corpus_files(const std::string &dir) {
    std::vector<std::string> out;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".xls") == 0) out.push_back(n);
        }
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

const char *kind_word(SheetKind k) {
    switch (k) {
    case SheetKind::worksheet: return "worksheet-or-dialog";
    case SheetKind::chart: return "chart sheet";
    case SheetKind::macro: return "macro (XLM) sheet";
    case SheetKind::vba_module: return "VBA module";
    }
    return "?";
}

const char *visibility_word(Visibility v) {
    return v == Visibility::visible ? "visible" : v == Visibility::hidden ? "hidden" : "veryHidden";
}

std::string describe(const RecordingSink &sink, const CellRecord *c) {
    if (!c) return "no cell";
    std::ostringstream o;
    o.precision(17);
    switch (c->kind) {
    case ValueKind::blank: o << "blank"; break;
    case ValueKind::number: o << "number " << c->number; break;
    case ValueKind::text:
    case ValueKind::shared_string: o << "text \"" << sink.text(*c) << '"'; break;
    case ValueKind::boolean: o << "boolean " << int(c->code); break;
    case ValueKind::error: o << "error " << error_text(c->code); break;
    }
    if (c->formula) o << " (formula)";
    return o.str();
}

// True when our cell holds the expected [type, value].
bool agrees(const RecordingSink &sink, const CellRecord *c, const vtest::Json &want) {
    if (!c || want.items.size() != 2) return false;
    const std::string &type = want.items[0].s;
    const vtest::Json &v = want.items[1];
    if (type == "text")
        return (c->kind == ValueKind::text || c->kind == ValueKind::shared_string) && sink.text(*c) == v.s;
    if (type == "number" || type == "date")
        return c->kind == ValueKind::number && std::fabs(c->number - v.n) <= 1e-9 * std::max(1.0, std::fabs(v.n));
    if (type == "boolean") return c->kind == ValueKind::boolean && (c->code != 0) == v.b;
    if (type == "error") return c->kind == ValueKind::error && v.s == error_text(c->code);
    if (type == "blank") return c->kind == ValueKind::blank && !c->formula;
    return false;
}

struct Known {
    std::set<std::pair<std::string, std::string>> entries; // file, location
    std::set<std::string> whole_files;                     // "*" entries: every location of the file
};

Known known_disagreements() {
    Known k;
    std::ifstream f(vtest::source_dir() + "/tests/xls/corpus_disagreements.txt");
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string file, where;
        std::getline(in, file, '\t');
        std::getline(in, where, '\t');
        if (where == "*") k.whole_files.insert(file);
        else k.entries.insert({file, where});
    }
    return k;
}

TEST(XlsCorpus, EveryReadableWorkbookAgreesWithTheIndependentReader) {
    const std::string dir = corpus_dir();
    if (dir.empty()) GTEST_SKIP() << "shared corpus not found (" << vtest::shared_dir() << "/corpus); set VEL_SHARED_DIR";
    const Known known = known_disagreements();
    size_t files = 0, cells_checked = 0, cells_agreeing = 0;
    std::vector<std::string> unexpected;
    std::set<std::pair<std::string, std::string>> seen;

    for (const std::string &name : corpus_files(dir)) {
        const std::string json_text = vtest::read_file(dir + "/" + name + ".expected.json");
        if (json_text.empty()) continue;
        const vtest::Json expected = vtest::JsonParser(json_text).parse();
        if (!expected["readable"].b) continue;
        ++files;
        std::vector<std::pair<std::string, std::string>> found; // location, what
        auto disagree = [&](const std::string &where, const std::string &what) { found.emplace_back(where, what); };

        RecordingSink sink;
        const Bytes image = load(dir + "/" + name);
        const ReadStatus st = decode_bytes(image, sink);
        if (!st.ok()) {
            disagree("*", "decode failed: " + std::to_string(st.result) + " " + st.detail);
        } else {
            const vtest::Json &wb = expected["workbook"];
            if (sink.book.date1904 != (wb["datemode"].n == 1)) disagree("datemode", "date system differs");
            if (sink.book.codepage != static_cast<uint16_t>(wb["codepage"].n)) disagree("codepage", "code page differs");

            // Every BOUNDSHEET: name, kind, visibility.
            const auto &bs = expected["boundsheet_records"].items;
            if (bs.size() != sink.sheets.size()) disagree("sheets", "BOUNDSHEET count differs");
            for (size_t i = 0; i < std::min(bs.size(), sink.sheets.size()); ++i) {
                const SheetRecord &s = sink.sheets[i];
                if (bs[i]["name"].s != s.name || bs[i]["type"].s != kind_word(s.kind) ||
                    bs[i]["visibility"].s != visibility_word(s.visibility))
                    disagree("sheet " + std::to_string(i), "got " + s.name + " / " + kind_word(s.kind) + " / " +
                                                               visibility_word(s.visibility));
            }
            // The worksheets the reader lists, in order, with their cells and merges.
            std::vector<uint32_t> worksheets;
            for (uint32_t i = 0; i < sink.sheets.size(); ++i)
                if (sink.sheets[i].kind == SheetKind::worksheet) worksheets.push_back(i);
            const auto &sheets = wb["sheets"].items;
            if (sheets.size() != worksheets.size()) disagree("sheets", "worksheet count differs");
            for (size_t k = 0; k < std::min(sheets.size(), worksheets.size()); ++k) {
                const uint32_t ours = worksheets[k];
                const vtest::Json &sheet = sheets[k];
                const std::string prefix = sheet["name"].s + "!";
                if (sheet["name"].s != sink.sheets[ours].name) disagree(prefix, "name " + sink.sheets[ours].name);
                if (sheet["visibility"].s != visibility_word(sink.sheets[ours].visibility))
                    disagree(prefix, "visibility");
                std::set<std::pair<uint32_t, uint32_t>> listed;
                for (const auto &[ref, want] : sheet["cells"].fields) {
                    uint32_t row = 0, col = 0;
                    ASSERT_TRUE(parse_cell(ref, row, col)) << name << " " << ref;
                    listed.insert({row, col});
                    ++cells_checked;
                    const CellRecord *c = sink.at(ours, static_cast<uint16_t>(row), static_cast<uint16_t>(col));
                    if (agrees(sink, c, want)) ++cells_agreeing;
                    else disagree(prefix + ref, "want " + want.items[0].s + ", got " + describe(sink, c));
                }
                for (const auto &[key, c] : sink.cells) {
                    if (std::get<0>(key) != ours) continue;
                    if (!listed.count({std::get<1>(key), std::get<2>(key)}))
                        disagree(prefix + cell_name(std::get<1>(key), std::get<2>(key)), "extra " + describe(sink, &c));
                }
                std::set<std::string> want_merges, got_merges;
                for (const auto &m : sheet["merged"].items) want_merges.insert(m.s);
                for (const auto &m : sink.merges)
                    if (m.sheet == ours)
                        got_merges.insert(cell_name(m.first_row, m.first_col) + ":" + cell_name(m.last_row, m.last_col));
                if (want_merges != got_merges) disagree(prefix + "merged", "merged ranges differ");
            }
        }
        for (const auto &[where, what] : found) {
            seen.insert({name, where});
            if (known.whole_files.count(name) || known.entries.count({name, where})) continue;
            unexpected.push_back(name + "\t" + where + "\t" + what);
        }
    }
    std::printf("corpus: %zu workbooks, %zu of %zu listed cells agree\n", files, cells_agreeing, cells_checked);
    for (const auto &u : unexpected) ADD_FAILURE() << "disagreement not listed: " << u;
    for (const auto &e : known.entries)
        if (!seen.count(e)) ADD_FAILURE() << "listed disagreement no longer occurs: " << e.first << " " << e.second;
    EXPECT_GT(files, 0u);
}

// The table of this workbook declares a wrong number of unique strings;
// every string is read and every cell finds its string.
TEST(XlsCorpus, SharedStringTableWithAWrongCountReadsEveryString) {
    const std::string dir = corpus_dir();
    if (dir.empty()) GTEST_SKIP() << "shared corpus not found";
    const std::string name = "calamine__gh548_incorrect_sst_unique_count.xls";
    const Bytes file = load(dir + "/" + name);
    if (file.empty()) GTEST_SKIP() << name << " absent";
    RecordingSink sink;
    const ReadStatus st = decode_bytes(file, sink);
    ASSERT_TRUE(st.ok()) << st.detail;
    std::printf("declared %u unique strings, read %zu\n", sink.declared_strings, sink.strings.size());
    EXPECT_NE(sink.declared_strings, sink.strings.size());

    // Values against a second opinion (the workbook re-saved by another program).
    const vtest::Json expected = vtest::JsonParser(vtest::read_file(dir + "/" + name + ".expected.json")).parse();
    const auto &sheets = expected["second_opinion"]["workbook"]["sheets"].items;
    ASSERT_EQ(sheets.size(), sink.sheets.size());
    size_t listed = 0, same = 0, booleans = 0;
    for (uint32_t s = 0; s < sheets.size(); ++s) {
        EXPECT_EQ(sheets[s]["name"].s, sink.sheets[s].name);
        for (const auto &[ref, want] : sheets[s]["cells"].fields) {
            uint32_t row = 0, col = 0;
            ASSERT_TRUE(parse_cell(ref, row, col)) << ref;
            ++listed;
            const CellRecord *c = sink.at(s, static_cast<uint16_t>(row), static_cast<uint16_t>(col));
            if (agrees(sink, c, want)) ++same;
            // The re-saving program keeps a formula's boolean result as its number.
            else if (c && c->kind == ValueKind::boolean && want.items[0].s == "number" && want.items[1].n == c->code) ++booleans;
            else ADD_FAILURE() << sheets[s]["name"].s << "!" << ref << " want " << want.items[0].s;
        }
    }
    std::printf("%zu of %zu cells as the second opinion reads them, %zu booleans it reads as numbers\n", same, listed,
                booleans);
}

} // namespace
