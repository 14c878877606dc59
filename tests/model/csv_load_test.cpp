// CSV and TSV loads: quoting, byte-order mark, line breaks in fields, targets, template rows and bad input.
#include <fstream>

#include "core/messages.h"
#include "import/datasource.h"
#include "model_fixture.h"
#include "property/address.h"

using namespace vel;

class CsvLoad : public vtest::ModelBook {
protected:
    std::string write(const std::string &name, const std::string &content) {
        if (dir.empty()) dir = vtest::make_temp_dir("csv");
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    int load(const std::string &path, PropTarget t = {}, char sep = ',') {
        return vlt_load_datasource(b(), t, path, sep);
    }
    std::string dir;
};

TEST_F(CsvLoad, QuotingBomAndLineBreaks) {
    ASSERT_EQ(put("B2=keep C2=keep"), 0) << error();
    std::string path = write("a.csv",
                             "\xEF\xBB\xBFname,\"say \"\"hi\"\"\",\"two\r\nlines\",\"1,234\"\r\n"
                             "x,,\"\",2015/01/05\n"
                             "last,\"a,b\"");
    ASSERT_EQ(load(path), 0) << book.error_info;
    std::string kind;
    // The byte-order mark is not part of the first field.
    EXPECT_EQ(gets({"A1", "B1", "C1", "B3"}), "name|say \"hi\"|two\nlines|a,b");
    EXPECT_EQ(get("D1", &kind), "1234");
    EXPECT_EQ(kind, "INTEGER");
    EXPECT_EQ(gets({"B2", "C2"}), "keep|keep"); // empty fields, quoted or not, leave their cells alone
    EXPECT_EQ(get("D2", &kind), "2015/1/5");
    EXPECT_EQ(kind, "DATE");
    EXPECT_EQ(b().rownum, 3);
    EXPECT_EQ(b().clmnum, 4);
    // An unterminated quote ends with the file.
    ASSERT_EQ(load(write("u.csv", "\"open,field\nrest")), 0);
    EXPECT_EQ(get("A1"), "open,field\nrest");
    EXPECT_EQ(b().rownum, 1);
}

TEST_F(CsvLoad, FieldsAreDataNotVariables) {
    ASSERT_EQ(setenv("VEL_CSV_TEST_VAR", "secret", 1), 0);
    ASSERT_EQ(load(write("d.csv", "$VEL_CSV_TEST_VAR,\\$x,'7\n")), 0);
    // Typing still applies: the apostrophe makes a text.
    EXPECT_EQ(gets({"A1", "B1", "C1"}), "$VEL_CSV_TEST_VAR|\\$x|7");
}

TEST_F(CsvLoad, TsvAndTargetLimits) {
    std::string path = write("t.tsv", "a\tb\tc\n1\t2\t3\n4\t5\t6\n7\t8\t9\n");
    PropTarget t;
    ASSERT_EQ(read_range(&b(), "B2:C3", t), 0);
    ASSERT_EQ(load(path, t, '\t'), 0) << book.error_info;
    EXPECT_EQ(gets({"B2", "C3", "D2"}), "a|2|rc=-903");
    EXPECT_EQ(sheet().used_rows, 3);
    EXPECT_EQ(b().rownum, 2);
}

TEST_F(CsvLoad, BadInputGivesClearErrors) {
    EXPECT_EQ(load(dir.empty() ? "/nonexistent/none.csv" : dir + "/none.csv"), -101);
    EXPECT_EQ(error().rfind("VXLS-00100", 0), 0u);
    EXPECT_EQ(load(std::string(257, 'p')), -3);
    EXPECT_EQ(error(), "VXLS-00005 ファイル名が長すぎます。");
    EXPECT_EQ(load(write("many.csv", "ok\n" + std::string(1000, ',') + "\n")), -9); // 1001 fields
    EXPECT_EQ(get("A1"), "ok"); // rows before the bad one stay
    EXPECT_EQ(load(write("wide.csv", std::string(4001, 'w') + "\n")), -9);
    EXPECT_EQ(load(write("long.csv", std::string(16385, 'l') + "\n")), -9);
    EXPECT_EQ(load(write("fine.csv", std::string(4000, 'w') + "\n")), 0);
}

TEST_F(CsvLoad, TemplateModeMovesRowsDown) {
    ASSERT_EQ(put("A1=header A3=Total"), 0) << error();
    ASSERT_EQ(put("B3", "=SUM(B2:B2)"), 0);
    cell(2, 0).style = 0;
    book.new_book = VXLS_OFF;
    b().new_book = false;
    PropTarget t;
    t.row = 1;
    ASSERT_EQ(load(write("tpl.csv", "a,1\nb,2\nc,3\n"), t), 0) << book.error_info;
    EXPECT_EQ(gets({"A2", "A3", "A4", "A5"}), "a|b|c|Total"); // the footer moved below the loaded rows
    EXPECT_EQ(cell(4, 1).kind, CELL_FORMULA);
    EXPECT_EQ(b().rownum, 3);
}

TEST_F(CsvLoad, PropertyLinesInCsvAndReadFiles) {
    ASSERT_EQ(load(write("p.csv", "!E1=fromprop\nv\n")), 0) << book.error_info;
    EXPECT_EQ(gets({"E1", "A1"}), "fromprop|v"); // a property line is not a data row
    EXPECT_EQ(load(write("q.csv", "!NOSUCH.KEY=1\nw\n")), -1);
    EXPECT_EQ(error().rfind("VXLS-02200", 0), 0u);
    // Files of property lines.
    std::string path = write("r.txt", "!comment A1=9\nA1=1 B1=\"x y\"\n");
    ASSERT_EQ(VXLS_read_file(&book, ("FILE=\"" + path + "\"").c_str()), 0) << book.error_info;
    EXPECT_EQ(gets({"A1", "B1"}), "1|x y");
    // A byte-order mark makes the file UTF-8 whatever the options say.
    std::string bom = write("bom.txt", "\xEF\xBB\xBF" "C1=日本\n");
    ASSERT_EQ(VXLS_read_file(&book, ("FILE=" + bom + " CHARSET=SJIS").c_str()), 0) << book.error_info;
    EXPECT_EQ(get("C1"), "日本");
    EXPECT_EQ(VXLS_read_file(&book, nullptr), -3);
    EXPECT_EQ(VXLS_read_file(&book, "CHARSET=UTF8"), -3);
    EXPECT_EQ(VXLS_read_file(&book, ("FILE=" + path + " CHARSET=LATIN1").c_str()), -3);
    EXPECT_EQ(error(), "VXLS-02200 サポート外のキーワードです(\"LATIN1\")。");
    EXPECT_EQ(VXLS_read_file(&book, ("FILE=" + dir + "/missing.txt").c_str()), -101);
    EXPECT_EQ(VXLS_read_file(&book, ("FILE=" + write("bad.txt", "A1=2\nA1:B2=5\nA1=3\n")).c_str()), -1);
    EXPECT_EQ(get("A1"), "2"); // reading stops at the failing line
}
