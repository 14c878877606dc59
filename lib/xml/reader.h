// Streaming XML reader. Bytes are fed in chunks of any size (a part is
// parsed while it is being inflated, never held whole) and a handler gets
// start tags, end tags and text with namespace prefixes resolved.
//
// Two parsers sit under the one interface. A UTF-8 document (no encoding
// declared, or UTF-8 or US-ASCII declared, with or without a byte-order
// mark: every part real writers produce) is read by our own scanner
// (scanner.h), which runs several times faster than expat on worksheet
// parts. Anything else (UTF-16, ISO-8859-1) is read by expat. The first
// bytes (byte-order mark, XML declaration) choose. The scanner is exactly
// as strict as expat: for any input both give the same events, or both
// fail (fuzz/fuzz_xml_diff.cpp holds them to it). A document type
// declaration met by the scanner is handed on to expat, which refuses it as
// it always has.
//
// What the reader guarantees to its handler:
// - element and attribute names are local names with a namespace id; the
//   prefixes a file uses ("x:c", "c", "ss:c") do not matter, and the Strict
//   namespaces map onto the same ids as the Transitional ones (strict() tells
//   that a Strict namespace was declared);
// - attribute values and text are decoded (entity and character references,
//   attribute whitespace normalised as XML requires), UTF-8;
// - the text of an element arrives as one piece, just before the next start
//   or end tag;
// - views handed to the handler stay valid until the handler returns; nothing
//   is allocated per element or per attribute once the buffers have grown.
//
// What it refuses, with a status and a message naming line and column:
// - malformed XML (XML 1.0 and namespaces; names as expat knows them: the
//   name characters of XML 1.0 before its fifth edition), invalid UTF-8, an
//   encoding other than UTF-8, UTF-16, ISO-8859-1 or US-ASCII, unbound
//   prefixes;
// - any document type declaration (so no DTD, no entity declaration, no
//   external entity: nothing is ever loaded);
// - nesting deeper than XmlLimits::max_depth, one piece of markup (a start
//   tag with its attributes, a comment, a processing instruction) longer than
//   max_markup_bytes, one text longer than max_text_bytes, more than 4096
//   namespace declarations in scope. A start tag made of many tiny
//   attributes costs either parser and the reader up to about 20 bytes of
//   memory per byte of markup, so max_markup_bytes also bounds memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct XML_ParserStruct;

namespace vel {

// Results of the reader. A handler's own negative result is passed through
// unchanged.
enum XmlStatus : int {
    XMLREAD_OK = 0,
    XMLREAD_ERR_MALFORMED = -1, // not well-formed, not XML, bad encoding, unbound prefix
    XMLREAD_ERR_MEMORY = -2,    // the parser ran out of memory
    XMLREAD_ERR_REFUSED = -4,   // document type declaration, entity declaration
    XMLREAD_ERR_LIMIT = -9,     // depth, markup or text bound exceeded
};

// Namespaces the readers of the package parts act on. Transitional and
// Strict URIs of the same vocabulary share an id.
enum class XmlNs : uint8_t {
    NONE,           // no namespace (unprefixed attributes, no default)
    OTHER,          // a namespace not in this list (extensions and the like)
    XML,            // the xml: prefix (xml:space)
    MAIN,           // SpreadsheetML main
    REL,            // officeDocument relationships (r:id)
    PACKAGE_REL,    // package relationships (.rels parts)
    CONTENT_TYPES,  // [Content_Types].xml
    CORE_PROPS,     // docProps/core.xml
    DC,             // Dublin Core elements
    DC_TERMS,       // Dublin Core terms
    EXTENDED_PROPS, // docProps/app.xml
    CUSTOM_PROPS,   // docProps/custom.xml
    VTYPES,         // docPropsVTypes (vt:lpwstr)
    SHEET_DRAWING,  // spreadsheetDrawing (xdr:)
    DRAWING,        // DrawingML main (a:)
    CHART,          // DrawingML chart (c:)
    MARKUP_COMPAT,  // markup compatibility (mc:AlternateContent, mc:Ignorable)
};

// The id of a namespace URI; *strict (when given) tells a Strict URI.
XmlNs xml_namespace_id(std::string_view uri, bool *strict = nullptr);

struct XmlLimits {
    int max_depth = 256;                      // open elements
    size_t max_markup_bytes = 8u << 20;       // one start tag, comment or PI
    size_t max_text_bytes = 32u << 20;        // one decoded text; also a capture
};

struct XmlAttr {
    std::string_view local;
    std::string_view value; // decoded
    XmlNs ns;
};

struct XmlElement {
    std::string_view local;
    XmlNs ns = XmlNs::NONE;
    std::string_view uri;    // the namespace URI as declared (empty for NONE)
    int depth = 0;           // 1 for the root element
    const XmlAttr *attrs = nullptr;
    size_t attr_count = 0;   // always 0 at the end tag

    // The attribute of that local name and namespace, or null.
    const XmlAttr *find(std::string_view name, XmlNs space = XmlNs::NONE) const {
        for (size_t i = 0; i < attr_count; ++i)
            if (attrs[i].ns == space && attrs[i].local == name) return &attrs[i];
        return nullptr;
    }
    // Its value, or `missing`.
    std::string_view attr(std::string_view name, std::string_view missing = {}, XmlNs space = XmlNs::NONE) const {
        const XmlAttr *a = find(name, space);
        return a ? a->value : missing;
    }
};

// Receives the document. Each call returns 0 to go on or a negative status
// that stops the parse; feed() and finish() then return that status.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual int start_element(const XmlElement &) { return 0; }
    virtual int end_element(const XmlElement &) { return 0; }
    // The text directly inside the element at `depth` (whitespace included),
    // delivered whole before the next tag; never empty.
    virtual int text(std::string_view, int /*depth*/) { return 0; }
};

// Which parser reads a document. AUTO chooses by the first bytes; EXPAT
// forces expat, so that tests and benchmarks can hold the two side by side.
enum class XmlBackend : uint8_t { AUTO, EXPAT, SCANNER };

class XmlScanner;

class XmlReader {
public:
    explicit XmlReader(XmlHandler &handler, const XmlLimits &limits = {}, XmlBackend backend = XmlBackend::AUTO);
    ~XmlReader();
    XmlReader(const XmlReader &) = delete;
    XmlReader &operator=(const XmlReader &) = delete;

    // The next bytes of the document; 0 or a negative status (which sticks).
    int feed(const char *data, size_t size);
    // End of the document: reports what is left open. 0 or a negative status.
    int finish();
    // feed() of the whole text, then finish().
    int parse(std::string_view document);
    // Ready for a new document with the same handler and limits.
    void reset();

    int status() const { return status_; }
    // The message of a failure: what went wrong and where (English, UTF-8).
    const std::string &error() const { return error_; }
    // Position of the current event (inside a handler) or of the failure:
    // 1-based line and column (the column counts characters).
    long line() const;
    long column() const;
    // True once the document has declared a Strict namespace.
    bool strict() const { return strict_; }
    // The parser reading the document: SCANNER or EXPAT once the first
    // bytes have chosen, AUTO before.
    XmlBackend backend() const { return backend_; }

    // Inside a handler: the namespace a prefix is bound to ("" for the
    // default namespace); OTHER with an empty *uri when it is unbound.
    XmlNs resolve_prefix(std::string_view prefix, std::string_view *uri = nullptr) const;

    // Raw capture, for parts of a document that are kept as they were
    // written. Called inside a handler: begins with the current tag
    // (include_current) or just after it. end_capture, called inside a later
    // handler, ends the capture with or without the current tag and returns
    // the bytes, valid until the next begin_capture or reset. The capture is
    // bounded by max_text_bytes and needs UTF-8 input; begin_capture returns
    // XMLREAD_ERR_REFUSED for other encodings, and a handler that gets a negative
    // result should return it.
    int begin_capture(bool include_current);
    int end_capture(bool include_current, std::string_view *bytes);

private:
    // An attribute as a parser hands it over: qualified name, decoded value,
    // and where the prefix ends (see split_at below).
    struct RawAttr {
        std::string_view name;
        std::string_view value;
        size_t colon;
    };
    // The colon of a qualified name: NO_COLON without a prefix, BAD_NAME when
    // the name is not namespace-well-formed (empty prefix or local name, a
    // second colon).
    static constexpr size_t NO_COLON = ~size_t{0};
    static constexpr size_t BAD_NAME = NO_COLON - 1;
    static size_t colon_of(std::string_view name);

    struct Binding {
        std::string prefix;
        std::string uri;
        XmlNs ns = XmlNs::NONE;
        int depth = 0;                // element that declared it
        uint32_t prev_default = 0;    // default binding it hides (prefix "")
    };
    struct Open {
        XmlNs ns;
        uint32_t binding; // index of the binding that gave the namespace, or NO_BINDING
    };
    static constexpr uint32_t NO_BINDING = 0xffffffffu;
    struct ExpatFree {
        void operator()(XML_ParserStruct *parser) const;
    };

    friend struct XmlCallbacks;
    friend class XmlScanner;

    // Backend choice and the expat side.
    XmlBackend choose(bool final) const;
    int start_backend(XmlBackend backend);
    int start_expat();
    int feed_backend(const char *data, size_t size);
    int feed_expat(const char *data, size_t size);
    int hand_over(const char *rest, size_t size);
    void install();
    int fail_from_parser();
    int parse_slice(const char *data, size_t size, bool final);
    bool current_tag(uint64_t *begin, uint64_t *end, const char **at, size_t *available) const;
    void on_start(const char *name, const char **atts);
    void on_end(const char *name);
    void on_text(const char *s, int len);
    void on_doctype();
    void on_xml_decl(const char *encoding);
    void halt();
    int capture_outside_tag();

    // The namespace layer both parsers feed: elements, attributes and text
    // in, resolved events out to the handler.
    int fail(int status, std::string message);
    int fail_at(int status, std::string message, long line, long column);
    int open_element(std::string_view name, size_t colon, const RawAttr *attrs, size_t count);
    int close_element(std::string_view name, size_t colon);
    int add_text(const char *s, size_t size);
    int deliver_text();
    int handler_stopped(int rc);
    int declare(std::string_view name, std::string_view value, int depth);
    bool lookup(std::string_view prefix, XmlNs *ns, uint32_t *binding) const;

    XmlHandler &handler_;
    XmlLimits limits_;
    XmlBackend forced_;
    XmlBackend backend_;
    std::string head_;           // first bytes, held until they choose the backend
    std::unique_ptr<XML_ParserStruct, ExpatFree> parser_;
    std::unique_ptr<XmlScanner> scanner_;

    int status_ = XMLREAD_OK;
    std::string error_;
    long fail_line_ = 0, fail_column_ = 0;
    bool stopped_ = false;   // stopped from inside a callback
    bool progress_ = false;  // an event happened during the last parse call
    size_t stalled_ = 0;     // bytes fed since the last parse call with an event
    bool strict_ = false;
    bool raw_utf8_ = true;   // the input bytes are UTF-8 (capture possible)

    int depth_ = 0;
    std::vector<Open> open_;          // by depth
    std::vector<Binding> bindings_;   // innermost last; only [0, binding_count_) live
    uint32_t binding_count_ = 0;
    uint32_t default_binding_ = NO_BINDING;
    std::vector<XmlAttr> attrs_;
    std::vector<std::string_view> attr_prefix_;
    std::vector<RawAttr> expat_attrs_;
    std::string text_;

    bool capturing_ = false;
    uint64_t capture_start_ = 0; // stream offset of the first captured byte
    std::string capture_;
    uint64_t fed_ = 0;           // bytes fed to expat so far
};

} // namespace vel
