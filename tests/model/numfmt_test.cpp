// Number formats: date serials, calendar check, eras, display texts, format codes, words and the table.
#include <gtest/gtest.h>

#include "model/numfmt.h"
#include "model_fixture.h"

using namespace vel;

TEST(NumfmtDates, SerialsOfThe1900SystemAndCalendarCheck) {
    EXPECT_EQ(date_serial_day(1900, 1, 1), 1);
    EXPECT_EQ(date_serial_day(1900, 2, 29), 60);
    EXPECT_EQ(date_serial_day(1900, 3, 1), 61);
    EXPECT_EQ(date_serial_day(9999, 12, 31), 2958465);
    EXPECT_EQ(date_serial_day(1899, 12, 31), -1);
    double s = 0;
    ASSERT_TRUE(date_serial(2015, 1, 1, 6, 0, 0, s));
    EXPECT_DOUBLE_EQ(s, 42005.25);
    ASSERT_TRUE(date_serial(0, 0, 1, 0, 0, 0, s)); // year 0 means 1900, month 0 January
    EXPECT_DOUBLE_EQ(s, 1);
    EXPECT_FALSE(date_serial(1899, 1, 1, 0, 0, 0, s));
    EXPECT_FALSE(date_serial(2015, 13, 1, 0, 0, 0, s));
    // The calendar check of typed dates (which refuses 1900/2/29, though it has a serial).
    EXPECT_TRUE(calendar_valid("2000", "02", "29"));
    EXPECT_FALSE(calendar_valid("1900", "02", "29"));
    EXPECT_FALSE(calendar_valid("2015", "04", "31"));
    EXPECT_FALSE(calendar_valid("2015", "1", "0"));
    EXPECT_FALSE(calendar_valid("2015", "1", std::string(64, '1')));
}

TEST(NumfmtDates, SerialPartsRoundTrip) {
    for (int y : {1900, 1901, 1999, 2000, 2015, 2016, 2100}) {
        for (int m = 1; m <= 12; ++m) {
            for (int d : {1, 15, 28}) {
                int32_t serial = date_serial_day(y, m, d);
                DateParts p = serial_parts(serial + 0.75);
                EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, y * 10000 + m * 100 + d) << serial;
                EXPECT_EQ(p.hour, 18);
            }
        }
    }
    DateParts leap = serial_parts(60);
    EXPECT_EQ(leap.month * 100 + leap.day, 229);
    EXPECT_EQ(serial_parts(61).month, 3);
}

TEST(NumfmtDates, JapaneseEraBoundaries) {
    // "name letter year" of a date's era, or "none".
    auto era = [](int y, int m, int d) {
        Era e;
        return japanese_era(y, m, d, e) ? std::string(e.name) + " " + e.letter + " " + std::to_string(e.year) : "none";
    };
    EXPECT_EQ(era(1912, 7, 29), "明治 M 45");
    EXPECT_EQ(era(1912, 7, 30), "大正 T 1");
    EXPECT_EQ(era(1926, 12, 25), "昭和 S 1");
    EXPECT_EQ(era(1989, 1, 7), "昭和 S 64");
    EXPECT_EQ(era(1989, 1, 8), "平成 H 1");
    EXPECT_EQ(era(2019, 4, 30), "平成 H 31");
    EXPECT_EQ(era(2019, 5, 1), "令和 R 1");
    EXPECT_EQ(era(1899, 12, 31), "none");
}

TEST(NumfmtDisplay, DateAndNumberTexts) {
    int32_t d = date_serial_day(2019, 5, 1);
    EXPECT_EQ(date_display_text(CELL_DATE, d, "", 0), "2019/5/1");
    EXPECT_EQ(date_display_text(CELL_DATE, d, "", FMT_ERA_LONG), "令和1年5月1日");
    EXPECT_EQ(date_display_text(CELL_DATE, d - 1, "", FMT_ERA_SHORT), "H31.4.30");
    EXPECT_EQ(date_display_text(CELL_DATE, d, "", FMT_JP_DATE), "2019年5月1日");
    EXPECT_EQ(date_display_text(CELL_DATE_TIME, d, "0.437500", 0), "2019/5/1 10:30");
    EXPECT_EQ(date_display_text(CELL_DATE_TIME, d, "0.750000", FMT_DATE_TIME_AMPM), "2019/5/1 06:00 PM");
    EXPECT_EQ(date_display_text(CELL_TIME_HM, 0, "0.437500", 0), "10時30分");
    EXPECT_EQ(date_display_text(CELL_TIME_HMS, 0, "0.437674", 0), "10:30:15");
    EXPECT_EQ(date_display_text(CELL_DATE, date_serial_day(2005, 3, 7), "", 310), "7-March-05");
    EXPECT_EQ(date_display_text(CELL_DATE, date_serial_day(1999, 3, 7), "", 308), "03/07/99");
    EXPECT_EQ(number_display_text("0.500000"), "0.5");
    EXPECT_EQ(number_display_text("-12.3456789"), "-12.3456789");
    EXPECT_EQ(number_display_text("+007"), "7");
    EXPECT_EQ(number_display_text("3.000"), "3");
    EXPECT_EQ(number_display_text("5.99999999999999999"), "6");
    for (const std::string &bad : {std::string("1,000"), std::string("+-1"), std::string("1-"), std::string(40, '1')})
        EXPECT_EQ(number_display_text(bad), "##ERROR##") << bad;
}

TEST(NumfmtCodes, ClassifiesLoadedFormatCodes) {
    // Codes that differ only in a part: the whole code decides.
    EXPECT_EQ(format_key_of_code("yyyy/m/d\\ h:mm;@"), 303);
    EXPECT_EQ(format_key_of_code("yyyy/m/d\\ h:mm AM/PM"), 304);
    EXPECT_EQ(format_key_of_code("yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"), 332);
    EXPECT_EQ(format_key_of_code("h\"時\"mm\"分\""), 402);
    EXPECT_EQ(format_key_of_code("h\"時\"mm\"分\"ss\"秒\""), 405);
    EXPECT_EQ(format_key_of_code("dd\\-mmm\\-yy"), 311);
    EXPECT_EQ(format_key_of_code("d\\-mmm\\-yy"), 310);
}

class NumfmtTable : public vtest::ModelBook {};

TEST_F(NumfmtTable, FormatWordsAndCounts) {
    // "key decimals[ text]" of a format word, or the refusal's message.
    auto word = [&](const char *text) {
        FormatWord w;
        if (vlt_format_word(&b(), text, w) != 0) return error();
        return std::to_string(w.key) + " " + std::to_string(w.decimals) + (w.text ? " text" : "");
    };
    const std::string decimals = std::to_string(FMT_DECIMALS) + " ";
    EXPECT_EQ(word("小数点以下2"), decimals + "2");
    EXPECT_EQ(word("小数点以下２"), decimals + "2");
    EXPECT_EQ(word("小数点以下"), decimals + "0");
    EXPECT_EQ(word("パーセント小数点以下１２"), std::to_string(FMT_PERCENT_DECIMALS) + " 12");
    EXPECT_NE(word("文字列").find(" text"), std::string::npos);
    EXPECT_EQ(word("日付け"), "VXLS-02311 書式指定値が不正です(\"日付け\")。");
    // Equal formats share one entry.
    const int two = vlt_register_format(&b(), FMT_DECIMALS, 2);
    EXPECT_EQ(vlt_register_format(&b(), FMT_DECIMALS, 2), two);
    EXPECT_NE(vlt_register_format(&b(), FMT_DECIMALS, 3), two);
}

TEST_F(NumfmtTable, TableLimit) {
    int last = 0;
    for (int n = 0; n < 256 && last >= 0; ++n) last = vlt_register_format(&b(), FMT_DECIMALS, n);
    for (int n = 0; n < 256 && last >= 0; ++n) last = vlt_register_format(&b(), FMT_PERCENT_DECIMALS, n);
    EXPECT_EQ(last, -9);
    EXPECT_EQ(b().model.numfmts.size(), static_cast<size_t>(VLT_MAX_NUMFORMAT));
    EXPECT_EQ(error(), "VXLS-02319 書式指定が最大数(500)を超えました。");
    // An entry already in the table is still found.
    EXPECT_GT(vlt_register_format(&b(), FMT_DECIMALS, 7), 0);
}

TEST_F(NumfmtTable, FormatKeywordOnCellsAndColumns) {
    ASSERT_EQ(put("B1=12 B1.書式=パーセント"), 0) << error();
    EXPECT_EQ(xf_of(0, 1).nf_mode, 1);
    EXPECT_GT(xf_of(0, 1).numfmt, 0);
    EXPECT_EQ(put("B1.FORMAT=nonsense"), -3);
    EXPECT_EQ(error(), "VXLS-02311 書式指定値が不正です(\"nonsense\")。");
    // The text word keeps the shown value.
    ASSERT_EQ(put("A1", "1.50"), 0);
    ASSERT_EQ(put("A1.書式=文字列"), 0) << error();
    EXPECT_EQ(cell(0, 0).kind, CELL_TEXT_ONLY);
    EXPECT_EQ(value_text(0, 0), "1.5");
    // The cell stays text-only for every later value: numbers, after an empty one, and formulas.
    for (const std::string v : {"123", "", "00123", "=1+1"}) {
        ASSERT_EQ(put("A1", v), 0);
        if (v.empty()) continue;
        EXPECT_EQ(cell(0, 0).kind, CELL_TEXT_ONLY) << v;
        EXPECT_EQ(get("A1"), v);
    }
    // A column format reaches later values of that column only.
    ASSERT_EQ(put("C.書式=文字列"), 0) << error();
    ASSERT_EQ(put("C5", "42"), 0);
    EXPECT_EQ(cell(4, 2).kind, CELL_SHARED_TEXT);
    ASSERT_EQ(put("D5", "42"), 0);
    EXPECT_EQ(cell(4, 3).kind, CELL_INTEGER);
}
