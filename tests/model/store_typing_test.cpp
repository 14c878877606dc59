// Value typing rules in isolation: numbers, dates, percents, times, texts and the formula check.
#include <gtest/gtest.h>

#include "model/model.h"
#include "model/typing.h"

using namespace vel;

TEST(StoreTyping, KindsTextsAndNumberSlots) {
    constexpr int32_t unchecked = INT32_MIN;
    const struct {
        const char *in;
        int kind;
        const char *text;
        int32_t num = unchecked;
    } cases[] = {
        {"123", CELL_INTEGER, "123", 123}, {"1,234", CELL_INTEGER, "1234", 1234},
        {"-0012", CELL_INTEGER, "-12", -12}, {"-0", CELL_INTEGER, "0", 0},
        // Low 32 bits of the 64-bit value in the number slot.
        {"4294967297", CELL_INTEGER, "4294967297", 1},
        // 19 characters is still a number (20 is text).
        {"1234567890123456789", CELL_INTEGER, "1234567890123456789"},
        // Beyond the 64-bit range the digits stay exact as a decimal.
        {"9999999999999999999", CELL_DECIMAL, "9999999999999999999"},
        {"1.50", CELL_DECIMAL, "1.50", 1}, {".5", CELL_DECIMAL, "0.5", 0},
        {"1,234.5", CELL_DECIMAL, "1234.5", 1234}, {"1.", CELL_DECIMAL, "1", 1},
        {"2015/1/5", CELL_DATE, "", 42009}, {"2015/01-5", CELL_DATE, "", 42009}, {"2016/02/29", CELL_DATE, "", 42429},
        {"2015/01/05 10:30", CELL_DATE_TIME, "0.437500", 42009},
        {"2015/01/05 10:30:15", CELL_DATE_TIME, "0.437674", 42009},
        {"2015/01/05 24:00", CELL_DATE_TIME, "0.000000", 42010}, // carried into the next day
        {"10:30", CELL_TIME_HM, "0.437500", 0}, {"10:30:15", CELL_TIME_HMS, "0.437674", 0},
        {"10:60", CELL_TIME_HM, "0.458333", 0}, {"25:00", CELL_TIME_HM, "0.041667", 1},
        {"50%", CELL_PERCENT, "0.500000", 0}, {"1,000%", CELL_PERCENT, "10.000000", 10},
        {"-12.5%", CELL_PERCENT, "-0.125000", 0},
        {"a\\nb", CELL_SHARED_TEXT, "a\r\nb"}, {"a\\\\nb", CELL_SHARED_TEXT, "a\\nb"}, // escapes
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in);
        TypedValue tv;
        type_value(c.in, tv);
        EXPECT_EQ(tv.kind, c.kind);
        EXPECT_EQ(tv.text, c.text);
        if (c.num != unchecked) {
            EXPECT_EQ(tv.num, c.num);
        }
    }
    // Texts as written: misplaced separators, 20 digits, impossible dates and times, no serial before 1900,
    // words before a time, a final backslash.
    for (const char *text : {"12,34", ",123", "--1", "12345678901234567890", "1.234,5", "1e5", "2015/13/01",
                             "2015/02/29", "2015/1/5x", "1899/12/31", "2015/02/30 10:30", "10:61", "123456789:00",
                             "ab 10:30", "abc%", "5%%", "end\\"}) {
        TypedValue tv;
        type_value(text, tv);
        EXPECT_EQ(tv.kind, CELL_SHARED_TEXT) << text;
        EXPECT_EQ(tv.text, text);
    }
}

// The store's own check, for books without the formula parser's.
TEST(StoreTyping, FormulaCheck) {
    std::string bad;
    bool parens = false;
    for (const char *ok : {"IF(A1=\"a)\",1,2)", "'My Sheet'!A1*2", "\"say \"\"hi\"\"\"", "'it''s'!A1", "A1\t+\r\n1"})
        EXPECT_EQ(check_formula(ok, bad, parens), 0) << ok << " bad=" << bad;
    for (const char *p : {"SUM(A1", ")(", "\"abc", "'Sheet!A1", "\"a\"\""}) {
        EXPECT_NE(check_formula(p, bad, parens), 0) << p;
        EXPECT_TRUE(parens) << p;
        EXPECT_EQ(bad, p);
    }
    for (const char *o : {"", "1\x01" "2", "A1\x7f"}) {
        EXPECT_NE(check_formula(o, bad, parens), 0) << o;
        EXPECT_FALSE(parens) << o;
    }
}

TEST(StoreTyping, WidthAndCharacterCounts) {
    EXPECT_DOUBLE_EQ(display_width("abcd"), 5.0);
    EXPECT_DOUBLE_EQ(display_width("日本a"), 6.25);
    EXPECT_EQ(utf8_count("日本a"), 3u);
    EXPECT_EQ(utf8_prefix("日本a", 1), 3u);
    EXPECT_EQ(utf8_prefix("日本a", 5), 7u);
}
