// The streaming XML reader: namespaces as writers spell them, decoding, chunking, raw capture, hostile
// or broken documents. Each case runs with the reader's own pick (our scanner, for UTF-8) and with
// expat forced, so that each holds the other to the same results.
#include <gtest/gtest.h>

#include <string>

#include "xml/reader.h"

using vel::XmlNs;

namespace {

const char *ns_name(XmlNs ns) {
    static const char *names[] = {"", "other", "xml", "main", "r", "pr", "ct", "cp", "dc", "dct", "ep", "cup", "vt", "xdr", "a", "c", "mc"};
    return names[static_cast<int>(ns)];
}

// Writes every event as text: <ns:local a=v> 'text' </ns:local>.
struct Log : vel::XmlHandler {
    std::string out;
    vel::XmlReader *reader = nullptr;
    int stop_at = -1, stop_status = -77, events = 0;
    std::string capture_begin, capture_end, captured; // "+name" includes the tag, "-name" not

    int start_element(const vel::XmlElement &e) override {
        out += std::string("<") + ns_name(e.ns) + ":" + std::string(e.local);
        for (size_t i = 0; i < e.attr_count; ++i)
            out += std::string(" ") + ns_name(e.attrs[i].ns) + ":" + std::string(e.attrs[i].local) + "=" + std::string(e.attrs[i].value);
        out += ">";
        if (std::string_view ign = e.attr("Ignorable", {}, XmlNs::MARKUP_COMPAT); !ign.empty()) {
            std::string_view uri;
            reader->resolve_prefix(ign, &uri);
            out += "{" + std::string(uri) + "}";
        }
        return capture(e, true);
    }
    int end_element(const vel::XmlElement &e) override {
        out += std::string("</") + ns_name(e.ns) + ":" + std::string(e.local) + ">";
        return capture(e, false);
    }
    int text(std::string_view t, int depth) override {
        out += "'" + std::string(t) + "'" + std::to_string(depth);
        return ++events == stop_at ? stop_status : 0;
    }
    int capture(const vel::XmlElement &e, bool start) {
        if (++events == stop_at) return stop_status;
        std::string tag = (start ? "<" : "/") + std::string(e.local);
        if (!capture_begin.empty() && capture_begin.substr(1) == tag) return reader->begin_capture(capture_begin[0] == '+');
        if (!capture_end.empty() && capture_end.substr(1) == tag) {
            std::string_view bytes;
            int rc = reader->end_capture(capture_end[0] == '+', &bytes);
            captured = bytes;
            return rc;
        }
        return 0;
    }
};

struct Parsed {
    int status;
    std::string log, error, captured;
    bool strict;
    vel::XmlBackend chosen;
};

// The parser the running case forces (AUTO: the reader's own choice).
vel::XmlBackend backend = vel::XmlBackend::AUTO;

// Parses `doc` fed in pieces of `step` bytes (0: whole).
Parsed parse(const std::string &doc, size_t step = 0, const vel::XmlLimits &limits = {}, Log log = {}) {
    vel::XmlReader reader(log, limits, backend);
    log.reader = &reader;
    int rc = 0;
    for (size_t at = 0; rc == 0 && at < doc.size(); at += step ? step : doc.size())
        rc = reader.feed(doc.data() + at, std::min(step ? step : doc.size(), doc.size() - at));
    if (rc == 0) rc = reader.finish();
    return {rc, log.out, reader.error(), log.captured, reader.strict(), reader.backend()};
}

class XmlReader : public ::testing::TestWithParam<vel::XmlBackend> {
protected:
    void SetUp() override { backend = GetParam(); }
};

const std::string MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The same cell as Excel, the Open XML SDK (x:) and a Strict writer spell it.
TEST_P(XmlReader, PrefixesResolveToTheSameNamespace) {
    const std::string expect = "<main:worksheet><main:sheetData><main:c :r=A1 r:id=rId1><main:v>'1'4</main:v></main:c>"
                               "</main:sheetData></main:worksheet>";
    std::string excel = "<worksheet xmlns=\"" + MAIN + "\" xmlns:r=\"" + REL +
                        "\"><sheetData><c r=\"A1\" r:id=\"rId1\"><v>1</v></c></sheetData></worksheet>";
    std::string sdk = "<x:worksheet xmlns:x=\"" + MAIN + "\" xmlns:rel=\"" + REL +
                      "\"><x:sheetData><x:c r=\"A1\" rel:id=\"rId1\"><x:v>1</x:v></x:c></x:sheetData></x:worksheet>";
    std::string strict = "<s:worksheet xmlns:s=\"http://purl.oclc.org/ooxml/spreadsheetml/main\" "
                         "xmlns:r=\"http://purl.oclc.org/ooxml/officeDocument/relationships\"><s:sheetData>"
                         "<s:c r=\"A1\" r:id=\"rId1\"><s:v>1</s:v></s:c></s:sheetData></s:worksheet>";
    for (const auto &[doc, is_strict] : {std::pair{excel, false}, {sdk, false}, {strict, true}}) {
        const Parsed p = parse(doc);
        EXPECT_EQ(p.log, expect);
        EXPECT_EQ(p.strict, is_strict);
    }

    // Rebinding ends with the element; xmlns="" unbinds; mc:Ignorable names a prefix; xml:space is known.
    Parsed d = parse("<a xmlns=\"" + MAIN + "\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
                     "xmlns:x14ac=\"urn:x14ac\" mc:Ignorable=\"x14ac\"><b xmlns=\"urn:other\"><c xmlns=\"\"/></b>"
                     "<t xml:space=\"preserve\"> </t><x14ac:e/></a>");
    EXPECT_EQ(d.log, "<main:a mc:Ignorable=x14ac>{urn:x14ac}<other:b><:c></:c></other:b><main:t xml:space=preserve>' '2"
                     "</main:t><other:e></other:e></main:a>");
    EXPECT_EQ(parse("<x:a/>").status, vel::XMLREAD_ERR_MALFORMED);
    EXPECT_EQ(parse("<a p:b=\"1\"/>").status, vel::XMLREAD_ERR_MALFORMED);
    EXPECT_EQ(parse("<a xmlns:p=\"\"/>").status, vel::XMLREAD_ERR_MALFORMED);
}

TEST_P(XmlReader, ReferencesDecodedInAttributesAndText) {
    Parsed p = parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r a=\"&lt;&amp;&gt;&quot;&apos;&#65;&#x3042;&#x1F600;\" "
                     "b=\"x\ty\nz&#10;\">&lt;&amp;&#x41;\xe6\x97\xa5<![CDATA[<&>]]>a<!-- c -->b<?pi x?>c</r>");
    EXPECT_EQ(p.status, 0) << p.error;
    EXPECT_EQ(p.log, "<:r :a=<&>\"'A\xe3\x81\x82\xf0\x9f\x98\x80 :b=x y z\n>'<&A\xe6\x97\xa5<&>abc'1</:r>");
    // UTF-16 with a byte-order mark arrives as UTF-8.
    std::string u16 = "\xff\xfe";
    for (char ch : std::string("<r a=\"\xc3\xa9\"/>")) u16 += ch, u16 += '\0';
    u16.replace(u16.find("\xc3\0\xa9\0", 0, 4), 4, std::string("\xe9\0", 2));
    EXPECT_EQ(parse(u16).log, "<:r :a=\xc3\xa9></:r>");
}

TEST_P(XmlReader, AnyChunkingGivesTheSameEventsAndCaptures) {
    std::string doc = "<?xml version=\"1.0\"?>\r\n<worksheet xmlns=\"" + MAIN + "\" xmlns:r=\"" + REL +
                      "\"><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
                      "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&amp;\xe3\x81\x82 &#x1F600;"
                      "<![CDATA[]]>x</t></is></c></row></sheetData><!-- tail -->"
                      "<pageMargins left=\"0.7\" right=\"&gt;/>\"/><x/></worksheet>";
    Log log;
    log.capture_begin = "+<sheetViews";
    log.capture_end = "+/sheetViews";
    Parsed whole = parse(doc, 0, {}, log);
    ASSERT_EQ(whole.status, 0) << whole.error;
    EXPECT_EQ(whole.captured, "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>");
    for (size_t step : {1, 2, 3, 7, 64}) {
        Parsed p = parse(doc, step, {}, log);
        EXPECT_EQ(p.log, whole.log) << step;
        EXPECT_EQ(p.captured, whole.captured) << step;
    }
    // The tail after </sheetData>, and the empty element <x/> with and without itself.
    log.capture_begin = "-/sheetData";
    log.capture_end = "-/worksheet";
    EXPECT_EQ(parse(doc, 1, {}, log).captured, "<!-- tail --><pageMargins left=\"0.7\" right=\"&gt;/>\"/><x/>");
    log.capture_begin = "-<pageMargins";
    log.capture_end = "+/x";
    EXPECT_EQ(parse(doc, 5, {}, log).captured, "<x/>");
}

TEST_P(XmlReader, HandlerStatusStopsTheParse) {
    Log log;
    log.stop_at = 2;
    Parsed p = parse("<a><b/><c/></a>", 1, {}, log);
    EXPECT_EQ(p.status, -77);
    EXPECT_EQ(p.log, "<:a><:b>");
}

TEST_P(XmlReader, MalformedDocumentsFailWithPosition) {
    // Entities that expand without bound, anything external, a DOCTYPE after other markup: refused.
    const std::vector<std::string> refused = {
        "<!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
        "]><l>&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;</l>",
        "<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a>&e;</a>",
        "<!DOCTYPE a SYSTEM \"http://example.com/a.dtd\"><a/>", "<!DOCTYPE a [<!ENTITY % p SYSTEM \"x\"> %p;]><a/>",
        "<!-- c -->\n<!DOCTYPE a><a/>"};
    const std::vector<std::string> malformed = {
        // Unclosed, mismatched, undefined entity, bad references and UTF-8, not XML, empty, two roots, a repeated
        // attribute, < in a value, an unknown encoding.
        "<a><b></b>", "<a>\n  <b></a>", "<a>&nbsp;</a>", "<a b=\"&#0;\"/>", "<a>&#xD800;</a>", "<a>\xc3\x28</a>",
        "<a>\xc0\xaf</a>", "<a>\xed\xa0\x80</a>", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "", "<a/><b/>",
        "<a x=\"1\" x=\"2\"/>", "<a x=\"<\"/>", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>",
        // What expat refuses that a lenient reader might let through: ]]> in text, -- in a comment, --->, the
        // declaration not first, without version or with standalone YES, a reserved target, attributes run
        // together, / >, control characters, U+FFFE, name characters beyond U+FFFF or newer than the name
        // classes, &#X, a reference beyond U+10FFFF, US-ASCII with a byte above 0x7F, an empty prefix, two
        // colons, the xml prefix rebound, text or a DOCTYPE or CDATA outside the root.
        "<a>x]]>y</a>", "<a><!-- a -- b --></a>", "<a><!-- a ---></a>", " <?xml version=\"1.0\"?><a/>",
        "<?xml encoding=\"UTF-8\"?><a/>", "<?xml version=\"1.0\" standalone=\"YES\"?><a/>", "<a><?XmL x?></a>",
        "<a x=\"1\"y=\"2\"/>", "<a/ >", "<a>\x01</a>", "<a>\xef\xbf\xbe</a>", "<a\xf0\x90\x80\x80/>", "<\xe9\xbe\xa6/>",
        "<a>&#X41;</a>", "<a>&#x110000;</a>", "<?xml version=\"1.0\" encoding=\"US-ASCII\"?><a>\xc3\xa9</a>", "<:a/>",
        "<a:b:c xmlns:a=\"urn:a\"/>", "<a xmlns:xml=\"urn:a\"/>", "x<a/>", "<a/>x", "<a/><!DOCTYPE a>",
        "<![CDATA[x]]><a/>"};
    for (const auto &[docs, status] :
         {std::pair{&refused, vel::XMLREAD_ERR_REFUSED}, {&malformed, vel::XMLREAD_ERR_MALFORMED}})
        for (const std::string &doc : *docs)
            for (size_t step : {size_t(0), size_t(1)}) {
                const Parsed p = parse(doc, step);
                EXPECT_EQ(p.status, status) << doc << " step " << step << ": " << p.error;
                EXPECT_NE(p.error.find("(line "), std::string::npos) << doc << ": " << p.error;
            }
    EXPECT_NE(parse("<a>\n  <b></a>").error.find("line 2"), std::string::npos);
    EXPECT_NE(parse("<!-- c -->\r\n<!DOCTYPE a><a/>", 1).error.find("line 2"), std::string::npos);
}

TEST_P(XmlReader, DepthAndSizeBounds) {
    std::string deep;
    for (int i = 0; i < 10000; ++i) deep += "<d>";
    Parsed p = parse(deep);
    EXPECT_EQ(p.status, vel::XMLREAD_ERR_LIMIT) << p.error;
    EXPECT_NE(p.error.find("deeper than 256"), std::string::npos) << p.error;
    std::string ok;
    for (int i = 0; i < 256; ++i) ok = "<d>" + ok + "</d>";
    EXPECT_EQ(parse(ok).status, 0);

    // Small bounds are exact for text and close for markup.
    const vel::XmlLimits small{.max_markup_bytes = 100, .max_text_bytes = 50};
    EXPECT_EQ(parse("<a>" + std::string(50, 't') + "</a>", 3, small).status, 0);
    EXPECT_EQ(parse("<a>" + std::string(51, 't') + "</a>", 3, small).status, vel::XMLREAD_ERR_LIMIT);
    EXPECT_EQ(parse("<a x=\"" + std::string(80, 'v') + "\"/>", 3, small).status, 0);
    EXPECT_EQ(parse("<a x=\"" + std::string(400, 'v') + "\"/>", 3, small).status, vel::XMLREAD_ERR_LIMIT);
    EXPECT_EQ(parse("<a><!--" + std::string(400, 'c') + "--></a>", 3, small).status, vel::XMLREAD_ERR_LIMIT);
    EXPECT_EQ(parse("<a>" + std::string(400, 't') + "</a>", 3, {}).status, 0);
    Log log;
    log.capture_begin = "+<a";
    log.capture_end = "+/a";
    const std::string children = "<b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/>";
    for (size_t step : {size_t(0), size_t(1)})
        EXPECT_EQ(parse("<r><a>" + children + "</a></r>", step, small, log).status, vel::XMLREAD_ERR_LIMIT) << step;

    // A 100 MB attribute and a 100 MB text fail after about their bound, without the rest being fed.
    for (bool attribute : {true, false}) {
        vel::XmlHandler none;
        vel::XmlReader reader(none, {}, backend);
        std::string head = attribute ? "<a x=\"" : "<a>";
        ASSERT_EQ(reader.feed(head.data(), head.size()), 0);
        const std::string mib(1 << 20, 'y');
        size_t fed = 0;
        int rc = 0;
        for (; rc == 0 && fed < (100u << 20); fed += mib.size()) rc = reader.feed(mib.data(), mib.size());
        EXPECT_EQ(rc, vel::XMLREAD_ERR_LIMIT) << reader.error();
        EXPECT_LE(fed, (attribute ? vel::XmlLimits{}.max_markup_bytes : vel::XmlLimits{}.max_text_bytes) + (2u << 20));
    }
}

TEST_P(XmlReader, ResetReadsTheNextDocument) {
    Log log;
    vel::XmlReader reader(log, {}, backend);
    log.reader = &reader;
    EXPECT_EQ(reader.parse("<a><b></a>"), vel::XMLREAD_ERR_MALFORMED);
    reader.reset();
    log.out.clear();
    EXPECT_EQ(reader.parse("<x:a xmlns:x=\"" + MAIN + "\"/>"), 0) << reader.error();
    EXPECT_EQ(log.out, "<main:a></main:a>");
    reader.reset();
    EXPECT_EQ(reader.parse("<x:a/>"), vel::XMLREAD_ERR_MALFORMED); // the binding is gone
}

// UTF-8 (by byte-order mark or declaration) goes to the scanner, anything else to expat; alike byte by byte.
TEST(XmlParsers, ChosenByTheFirstBytes) {
    std::string u16 = "\xff\xfe";
    for (char ch : std::string("<r/>")) u16 += ch, u16 += '\0';
    const struct {
        std::string doc;
        vel::XmlBackend parser;
        const char *log;
    } cases[] = {
        {"<r>\xc3\xa9</r>", vel::XmlBackend::SCANNER, "<:r>'\xc3\xa9'1</:r>"},
        {"\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"utf-8\"?><r/>", vel::XmlBackend::SCANNER, "<:r></:r>"},
        {"<?xml version=\"1.0\" encoding=\"US-ASCII\" standalone=\"yes\" ?><r/>", vel::XmlBackend::SCANNER, "<:r></:r>"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xe9</r>", vel::XmlBackend::EXPAT, "<:r>'\xc3\xa9'1</:r>"},
        {u16, vel::XmlBackend::EXPAT, "<:r></:r>"},
    };
    backend = vel::XmlBackend::AUTO;
    for (const auto &c : cases) {
        for (size_t step : {size_t(0), size_t(1)}) {
            const Parsed p = parse(c.doc, step);
            EXPECT_EQ(p.status, 0) << p.error;
            EXPECT_EQ(p.chosen, c.parser) << c.log;
            EXPECT_EQ(p.log, c.log);
        }
    }
}

// Documents that look odd but are well-formed read alike under both parsers.
TEST(XmlParsers, OddButWellFormedDocumentsReadAlike) {
    const std::string docs[] = {
        "<?xml version=\"abc\"?><!--->--><a/><?p?>\n",
        "<a x=\"&#9;&#10;&#13;\" y=\"a\r\nb\tc\nd\re\" z='\"&apos;>'>x\r\ny\rz<![CDATA[\r\n]]]]><![CDATA[>]]></a>",
        "<\xc3\x80:b xmlns:\xc3\x80=\"urn:x\" \xc3\x80:c=\"1\"><c\xc2\xb7-.9 /></\xc3\x80:b >",
        "<a b=\"1\" p:b=\"2\" xmlns:p=\"urn:p\" xmlns:q=\"urn:p\" q:c=\"3\"><?xml-stylesheet x?>t&#x1F600;</a>",
    };
    for (const std::string &doc : docs) {
        backend = vel::XmlBackend::EXPAT;
        const Parsed want = parse(doc);
        ASSERT_EQ(want.status, 0) << want.error;
        backend = vel::XmlBackend::AUTO;
        for (size_t step : {size_t(0), size_t(1), size_t(2)}) {
            const Parsed got = parse(doc, step);
            EXPECT_EQ(got.status, 0) << got.error;
            EXPECT_EQ(got.log, want.log) << doc;
        }
    }
}

// Which characters beyond ASCII may begin or continue a name: the scanner against expat, all of the BMP.
TEST(XmlParsers, NameCharactersAsExpat) {
    vel::XmlHandler none;
    vel::XmlReader scanner(none), expat(none, {}, vel::XmlBackend::EXPAT);
    auto utf8 = [](uint32_t cp) {
        const char last = static_cast<char>(0x80 | (cp & 0x3f));
        const char middle = static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        return cp < 0x800 ? std::string{static_cast<char>(0xc0 | cp >> 6), last}
                          : std::string{static_cast<char>(0xe0 | cp >> 12), middle, last};
    };
    int differ = 0;
    for (uint32_t cp = 0x80; cp < 0xfffe && differ < 10; ++cp) {
        if (cp >= 0xd800 && cp < 0xe000) continue;
        for (const std::string &doc : {"<" + utf8(cp) + "/>", "<a" + utf8(cp) + "/>"}) {
            scanner.reset();
            expat.reset();
            const int s = scanner.parse(doc), e = expat.parse(doc);
            EXPECT_EQ(s, e) << std::hex << "U+" << cp << " in " << (doc[1] == 'a' ? "a name" : "a name's start");
            differ += s != e;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Parsers, XmlReader, ::testing::Values(vel::XmlBackend::AUTO, vel::XmlBackend::EXPAT),
                         [](const auto &info) { return info.param == vel::XmlBackend::AUTO ? "scanner" : "expat"; });

} // namespace
