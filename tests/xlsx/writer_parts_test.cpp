// What the outside readers would not notice: the escaping modes (control
// characters as _xHHHH_, a literal _xHHHH_ guarded) and shared strings kept
// one entry per use, as the reading side's indexes expect.
#include <gtest/gtest.h>

#include "writer_fixture.h"
#include "xlsx/package.h"
#include "xlsx/shared_strings.h"

using namespace wtest;

namespace {

bool has(const std::string &text, const std::string &piece) { return text.find(piece) != std::string::npos; }

} // namespace

TEST(WriterParts, EscapeModesAndPasswordHash) {
    std::string t = "a<b>&\"c\" 'd'\t\r\n_x0041_ _x12_ \x01";
    ASSERT_EQ(vel::vlt_xml_escape(1, t), 0);
    EXPECT_EQ(t, "a&lt;b&gt;&amp;&quot;c&quot; &apos;d&apos;&#x9;&#xD;&#xA;_x005F_x0041_ _x12_ _x0001_");
    std::string keep = "line1\r\nline2 _xABCD_";
    ASSERT_EQ(vel::vlt_xml_escape(2, keep), 0);
    EXPECT_EQ(keep, "line1\r\nline2 _x005F_xABCD_");
    ASSERT_EQ(vel::vlt_xml_escape(0, keep), 0);
    EXPECT_EQ(keep, "line1\r\nline2 _xABCD_");
    std::string back = "&lt;&gt;&amp;&#xD;&#xA;&#x9;&#x20;&quot;&apos;_x001A_";
    ASSERT_EQ(vel::vlt_xml_escape(0, back), 0);
    EXPECT_EQ(back, "<>&\r\n\t \"' ");
    std::string multibyte = "日本語_テキスト";
    ASSERT_EQ(vel::vlt_xml_escape(1, multibyte), 0);
    EXPECT_EQ(multibyte, "日本語_テキスト");
    EXPECT_EQ(vel::legacy_password_hash(""), 0xCE4B); // "password" is checked on the families book
}

TEST(WriterParts, SharedStringsKeepEveryEntry) {
    TestBook tb;
    for (const char *t : {"same", "same", "same", " lead", "a\r\nb"}) tb.model().sst.push_back(t);
    vel::SaveContext ctx;
    ctx.book = &tb.book;
    ctx.model = &tb.model();
    vel::StringSink sink;
    vel::XmlWriter w(sink);
    vel::write_shared_strings(ctx, w);
    w.flush();
    EXPECT_TRUE(has(sink.text, "count=\"5\" uniqueCount=\"5\"><si><t>same</t><phoneticPr fontId=\"1\"/></si>"));
    EXPECT_TRUE(has(sink.text, "<si><t xml:space=\"preserve\"> lead</t>"));
    EXPECT_TRUE(has(sink.text, "<si><t>a\r\nb</t>"));
}
