// The streaming XML reader: expat in its plain (non-namespace) mode, with
// prefixes resolved here against a small binding stack. Resolving here is
// cheaper than expat's namespace mode, which builds "URI + local name" for
// every element, and it lets the hot path hand out views into expat's own
// strings without copying them.
#include "xml/reader.h"

#include <algorithm>
#include <cstring>
#include <expat.h>

namespace vel {

namespace {

// Bytes handed to expat per parse call; the markup bound is checked between
// calls, so a piece of markup is refused at most one slice past the bound.
constexpr size_t SLICE = 256 * 1024;

// Namespace declarations in scope at once; real parts have a few dozen.
constexpr uint32_t MAX_BINDINGS = 4096;

constexpr std::string_view XML_NS_URI = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view XMLNS_NS_URI = "http://www.w3.org/2000/xmlns/";

struct KnownNamespace {
    std::string_view uri;
    XmlNs ns;
    bool strict;
};

constexpr KnownNamespace KNOWN_NAMESPACES[] = {
    {"http://schemas.openxmlformats.org/spreadsheetml/2006/main", XmlNs::MAIN, false},
    {"http://purl.oclc.org/ooxml/spreadsheetml/main", XmlNs::MAIN, true},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", XmlNs::REL, false},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", XmlNs::REL, true},
    {"http://schemas.openxmlformats.org/package/2006/relationships", XmlNs::PACKAGE_REL, false},
    {"http://schemas.openxmlformats.org/package/2006/content-types", XmlNs::CONTENT_TYPES, false},
    {"http://schemas.openxmlformats.org/package/2006/metadata/core-properties", XmlNs::CORE_PROPS, false},
    {"http://purl.org/dc/elements/1.1/", XmlNs::DC, false},
    {"http://purl.org/dc/terms/", XmlNs::DC_TERMS, false},
    {"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties", XmlNs::EXTENDED_PROPS, false},
    {"http://purl.oclc.org/ooxml/officeDocument/extendedProperties", XmlNs::EXTENDED_PROPS, true},
    {"http://schemas.openxmlformats.org/officeDocument/2006/custom-properties", XmlNs::CUSTOM_PROPS, false},
    {"http://purl.oclc.org/ooxml/officeDocument/customProperties", XmlNs::CUSTOM_PROPS, true},
    {"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes", XmlNs::VTYPES, false},
    {"http://purl.oclc.org/ooxml/officeDocument/docPropsVTypes", XmlNs::VTYPES, true},
    {"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing", XmlNs::SHEET_DRAWING, false},
    {"http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing", XmlNs::SHEET_DRAWING, true},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", XmlNs::DRAWING, false},
    {"http://purl.oclc.org/ooxml/drawingml/main", XmlNs::DRAWING, true},
    {"http://schemas.openxmlformats.org/drawingml/2006/chart", XmlNs::CHART, false},
    {"http://purl.oclc.org/ooxml/drawingml/chart", XmlNs::CHART, true},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", XmlNs::MARKUP_COMPAT, false},
    {XML_NS_URI, XmlNs::XML, false},
};

// "p:local" into its prefix and local name; false when the name is not
// namespace-well-formed (empty prefix or local name, a second colon).
inline bool split_name(const char *name, std::string_view &prefix, std::string_view &local) {
    const char *colon = nullptr;
    const char *p = name;
    for (; *p; ++p) {
        if (*p == ':') {
            if (colon) return false;
            colon = p;
        }
    }
    if (!colon) {
        prefix = {};
        local = {name, static_cast<size_t>(p - name)};
        return true;
    }
    if (colon == name || colon + 1 == p) return false;
    prefix = {name, static_cast<size_t>(colon - name)};
    local = {colon + 1, static_cast<size_t>(p - colon - 1)};
    return true;
}

bool ascii_iequal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string where(long line, long column) {
    return " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
}

} // namespace

XmlNs xml_namespace_id(std::string_view uri, bool *strict) {
    for (const KnownNamespace &k : KNOWN_NAMESPACES) {
        if (k.uri == uri) {
            if (strict) *strict = k.strict;
            return k.ns;
        }
    }
    if (strict) *strict = false;
    return uri.empty() ? XmlNs::NONE : XmlNs::OTHER;
}

// expat's C callbacks, forwarding to the reader.
struct XmlCallbacks {
    static XmlReader &r(void *p) { return *static_cast<XmlReader *>(p); }
    static void XMLCALL start(void *p, const XML_Char *name, const XML_Char **atts) { r(p).on_start(name, atts); }
    static void XMLCALL end(void *p, const XML_Char *name) { r(p).on_end(name); }
    static void XMLCALL text(void *p, const XML_Char *s, int len) { r(p).on_text(s, len); }
    static void XMLCALL comment(void *p, const XML_Char *) { r(p).progress_ = true; }
    static void XMLCALL instruction(void *p, const XML_Char *, const XML_Char *) { r(p).progress_ = true; }
    static void XMLCALL other(void *p, const XML_Char *, int) { r(p).progress_ = true; }
    static void XMLCALL doctype(void *p, const XML_Char *, const XML_Char *, const XML_Char *, int) {
        r(p).on_doctype();
    }
    static void XMLCALL entity(void *p, const XML_Char *, int, const XML_Char *, int, const XML_Char *,
                               const XML_Char *, const XML_Char *, const XML_Char *) {
        r(p).on_doctype();
    }
    static int XMLCALL external(XML_Parser, const XML_Char *, const XML_Char *, const XML_Char *,
                                const XML_Char *) {
        return XML_STATUS_ERROR; // never loaded
    }
    static void XMLCALL decl(void *p, const XML_Char *, const XML_Char *encoding, int) {
        r(p).on_xml_decl(encoding);
    }
};

XmlReader::XmlReader(XmlHandler &handler, const XmlLimits &limits) : handler_(handler), limits_(limits) {
    parser_ = XML_ParserCreate(nullptr);
    if (!parser_) {
        status_ = XMLREAD_ERR_MEMORY;
        error_ = "XML parser: out of memory";
        return;
    }
    open_.resize(static_cast<size_t>(std::max(limits_.max_depth, 0)) + 1);
    install();
}

XmlReader::~XmlReader() {
    if (parser_) XML_ParserFree(parser_);
}

void XmlReader::install() {
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, XmlCallbacks::start, XmlCallbacks::end);
    XML_SetCharacterDataHandler(parser_, XmlCallbacks::text);
    XML_SetCommentHandler(parser_, XmlCallbacks::comment);
    XML_SetProcessingInstructionHandler(parser_, XmlCallbacks::instruction);
    XML_SetDefaultHandlerExpand(parser_, XmlCallbacks::other);
    XML_SetXmlDeclHandler(parser_, XmlCallbacks::decl);
    XML_SetStartDoctypeDeclHandler(parser_, XmlCallbacks::doctype);
    XML_SetEntityDeclHandler(parser_, XmlCallbacks::entity);
    XML_SetExternalEntityRefHandler(parser_, XmlCallbacks::external);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
}

void XmlReader::reset() {
    if (!parser_) return;
    XML_ParserReset(parser_, nullptr);
    install();
    status_ = XMLREAD_OK;
    error_.clear();
    fail_line_ = fail_column_ = 0;
    stopped_ = progress_ = false;
    stalled_ = 0;
    strict_ = false;
    raw_utf8_ = true;
    depth_ = 0;
    binding_count_ = 0;
    default_binding_ = NO_BINDING;
    text_.clear();
    capturing_ = false;
    capture_.clear();
    capture_start_ = 0;
    fed_ = 0;
}

long XmlReader::line() const {
    if (status_ != XMLREAD_OK) return fail_line_;
    return parser_ ? static_cast<long>(XML_GetCurrentLineNumber(parser_)) : 0;
}

long XmlReader::column() const {
    if (status_ != XMLREAD_OK) return fail_column_;
    return parser_ ? static_cast<long>(XML_GetCurrentColumnNumber(parser_)) + 1 : 0;
}

int XmlReader::fail(int status, std::string message) {
    if (status_ != XMLREAD_OK) return status_;
    fail_line_ = parser_ ? static_cast<long>(XML_GetCurrentLineNumber(parser_)) : 0;
    fail_column_ = parser_ ? static_cast<long>(XML_GetCurrentColumnNumber(parser_)) + 1 : 0;
    status_ = status;
    error_ = std::move(message) + where(fail_line_, fail_column_);
    return status_;
}

// A failure found inside a callback: recorded, and expat told to stop.
void XmlReader::stop(int status, std::string message) {
    if (stopped_) return;
    fail(status, std::move(message));
    stopped_ = true;
    XML_StopParser(parser_, XML_FALSE);
}

int XmlReader::fail_from_parser() {
    XML_Error code = XML_GetErrorCode(parser_);
    fail_line_ = static_cast<long>(XML_GetErrorLineNumber(parser_));
    fail_column_ = static_cast<long>(XML_GetErrorColumnNumber(parser_)) + 1;
    int status = XMLREAD_ERR_MALFORMED;
    std::string what = "XML not well-formed: ";
    switch (code) {
    case XML_ERROR_NO_MEMORY:
        status = XMLREAD_ERR_MEMORY;
        what = "XML parser: ";
        break;
    case XML_ERROR_AMPLIFICATION_LIMIT_BREACH:
        status = XMLREAD_ERR_LIMIT;
        what = "XML refused: ";
        break;
    case XML_ERROR_UNKNOWN_ENCODING:
    case XML_ERROR_INCORRECT_ENCODING:
        what = "XML encoding not supported: ";
        break;
    default:
        break;
    }
    const XML_LChar *text = XML_ErrorString(code);
    status_ = status;
    error_ = what + (text ? text : "parse error") + where(fail_line_, fail_column_);
    return status_;
}

int XmlReader::parse_slice(const char *data, size_t size, bool final) {
    progress_ = false;
    if (XML_Parse(parser_, data, static_cast<int>(size), final ? XML_TRUE : XML_FALSE) != XML_STATUS_OK)
        return stopped_ ? status_ : fail_from_parser();
    if (stopped_) return status_;
    if (progress_)
        stalled_ = 0;
    else
        stalled_ += size;
    return XMLREAD_OK;
}

int XmlReader::feed(const char *data, size_t size) {
    if (status_ != XMLREAD_OK) return status_;
    if (size == 0) return XMLREAD_OK;
    // A byte-order mark or a zero byte in the first two means UTF-16: parsed
    // fine, but its raw bytes cannot be kept as UTF-8.
    for (size_t i = 0; fed_ + i < 2 && i < size; ++i) {
        unsigned char b = static_cast<unsigned char>(data[i]);
        if (b == 0 || (fed_ + i == 0 && (b == 0xfe || b == 0xff))) raw_utf8_ = false;
    }
    while (size > 0) {
        size_t n = std::min(size, SLICE);
        if (capturing_) {
            // The capture also holds what expat has not parsed yet (at most a
            // long token and a slice), so this only guards memory; the exact
            // bound is checked when the capture ends.
            if (capture_.size() + n > limits_.max_text_bytes + limits_.max_markup_bytes + 2 * SLICE)
                return fail(XMLREAD_ERR_LIMIT, "XML kept text longer than " + std::to_string(limits_.max_text_bytes) + " bytes");
            capture_.append(data, n);
        }
        fed_ += n;
        int rc = parse_slice(data, n, false);
        if (rc != XMLREAD_OK) return rc;
        if (stalled_ > limits_.max_markup_bytes) {
            // expat waits for more input before it looks at a long token
            // again; have it parse what it holds before judging the length.
            XML_SetReparseDeferralEnabled(parser_, XML_FALSE);
            rc = parse_slice(nullptr, 0, false);
            XML_SetReparseDeferralEnabled(parser_, XML_TRUE);
            if (rc != XMLREAD_OK) return rc;
            if (stalled_ > limits_.max_markup_bytes)
                return fail(XMLREAD_ERR_LIMIT, "XML markup (a tag with its attributes, a comment or an instruction) longer than " +
                                               std::to_string(limits_.max_markup_bytes) + " bytes");
        }
        data += n;
        size -= n;
    }
    return XMLREAD_OK;
}

int XmlReader::finish() {
    if (status_ != XMLREAD_OK) return status_;
    return parse_slice(nullptr, 0, true);
}

int XmlReader::parse(std::string_view document) {
    int rc = feed(document.data(), document.size());
    return rc != XMLREAD_OK ? rc : finish();
}

// ---- callbacks ------------------------------------------------------------

void XmlReader::on_doctype() {
    progress_ = true;
    stop(XMLREAD_ERR_REFUSED, "XML refused: document type declarations (DTD, entity declarations) are not accepted");
}

void XmlReader::on_xml_decl(const char *encoding) {
    progress_ = true;
    if (encoding && !ascii_iequal(encoding, "UTF-8") && !ascii_iequal(encoding, "US-ASCII")) raw_utf8_ = false;
}

int XmlReader::deliver_text() {
    int rc = handler_.text(text_, depth_);
    text_.clear();
    if (rc != XMLREAD_OK) stop(rc, "XML reading stopped by the part reader (status " + std::to_string(rc) + ")");
    return rc;
}

bool XmlReader::lookup(std::string_view prefix, XmlNs *ns, uint32_t *binding) const {
    for (uint32_t i = binding_count_; i-- > 0;) {
        const Binding &b = bindings_[i];
        if (b.prefix.size() == prefix.size() && std::memcmp(b.prefix.data(), prefix.data(), prefix.size()) == 0) {
            *ns = b.ns;
            *binding = i;
            return true;
        }
    }
    if (prefix == "xml") {
        *ns = XmlNs::XML;
        *binding = NO_BINDING;
        return true;
    }
    return false;
}

XmlNs XmlReader::resolve_prefix(std::string_view prefix, std::string_view *uri) const {
    if (prefix.empty()) {
        if (default_binding_ == NO_BINDING) {
            if (uri) *uri = {};
            return XmlNs::NONE;
        }
        if (uri) *uri = bindings_[default_binding_].uri;
        return bindings_[default_binding_].ns;
    }
    XmlNs ns = XmlNs::OTHER;
    uint32_t index = NO_BINDING;
    if (!lookup(prefix, &ns, &index)) {
        if (uri) *uri = {};
        return XmlNs::OTHER;
    }
    if (uri) *uri = index == NO_BINDING ? XML_NS_URI : std::string_view(bindings_[index].uri);
    return ns;
}

// An xmlns or xmlns:p attribute of the element at `depth`.
int XmlReader::declare(const char *name, const char *value, int depth) {
    std::string_view prefix = name[5] == ':' ? std::string_view(name + 6) : std::string_view();
    std::string_view uri(value);
    if (name[5] == ':') {
        if (prefix.empty() || prefix.find(':') != std::string_view::npos) {
            stop(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad namespace declaration \"" + std::string(name) + "\"");
            return -1;
        }
        if (uri.empty()) {
            stop(XMLREAD_ERR_MALFORMED, "XML not well-formed: prefix \"" + std::string(prefix) + "\" bound to no namespace");
            return -1;
        }
    }
    bool xml_prefix = prefix == "xml", xml_uri = uri == XML_NS_URI;
    if (prefix == "xmlns" || xml_prefix != xml_uri || uri == XMLNS_NS_URI) {
        stop(XMLREAD_ERR_MALFORMED, "XML not well-formed: reserved namespace misused in \"" + std::string(name) + "\"");
        return -1;
    }
    if (binding_count_ >= MAX_BINDINGS) {
        stop(XMLREAD_ERR_LIMIT, "XML has more than " + std::to_string(MAX_BINDINGS) + " namespace declarations in scope");
        return -1;
    }
    if (binding_count_ == bindings_.size()) bindings_.emplace_back();
    Binding &b = bindings_[binding_count_];
    b.prefix.assign(prefix);
    b.uri.assign(uri);
    bool strict = false;
    b.ns = xml_namespace_id(uri, &strict);
    strict_ = strict_ || strict;
    b.depth = depth;
    b.prev_default = default_binding_;
    if (prefix.empty()) default_binding_ = binding_count_;
    ++binding_count_;
    return 0;
}

void XmlReader::on_start(const char *name, const char **atts) {
    if (stopped_) return;
    progress_ = true;
    if (!text_.empty() && deliver_text() != XMLREAD_OK) return;
    const int depth = depth_ + 1;
    if (depth > limits_.max_depth) {
        stop(XMLREAD_ERR_LIMIT, "XML elements nested deeper than " + std::to_string(limits_.max_depth));
        return;
    }
    // Declarations first: they apply to the element's own name and attributes.
    size_t n = 0;
    bool prefixed = false;
    for (const char **a = atts; *a; a += 2) {
        const char *an = a[0];
        if (an[0] == 'x' && std::strncmp(an, "xmlns", 5) == 0 && (an[5] == 0 || an[5] == ':')) {
            if (declare(an, a[1], depth) != 0) return;
            continue;
        }
        std::string_view prefix, local;
        if (!split_name(an, prefix, local)) {
            stop(XMLREAD_ERR_MALFORMED, "XML not well-formed: attribute name \"" + std::string(an) + "\"");
            return;
        }
        if (n == attrs_.size()) {
            attrs_.emplace_back();
            attr_prefix_.emplace_back();
        }
        attrs_[n] = XmlAttr{local, std::string_view(a[1]), XmlNs::NONE};
        attr_prefix_[n] = prefix;
        prefixed = prefixed || !prefix.empty();
        ++n;
    }
    if (prefixed) {
        for (size_t i = 0; i < n; ++i) {
            if (attr_prefix_[i].empty()) continue;
            uint32_t unused;
            if (!lookup(attr_prefix_[i], &attrs_[i].ns, &unused)) {
                stop(XMLREAD_ERR_MALFORMED, "XML not well-formed: unbound prefix \"" + std::string(attr_prefix_[i]) + "\"");
                return;
            }
        }
    }
    std::string_view prefix, local;
    if (!split_name(name, prefix, local)) {
        stop(XMLREAD_ERR_MALFORMED, "XML not well-formed: element name \"" + std::string(name) + "\"");
        return;
    }
    Open o{XmlNs::NONE, NO_BINDING};
    if (prefix.empty()) {
        if (default_binding_ != NO_BINDING) {
            o.ns = bindings_[default_binding_].ns;
            o.binding = default_binding_;
        }
    } else if (!lookup(prefix, &o.ns, &o.binding)) {
        stop(XMLREAD_ERR_MALFORMED, "XML not well-formed: unbound prefix \"" + std::string(prefix) + "\"");
        return;
    }
    open_[static_cast<size_t>(depth)] = o;
    depth_ = depth;
    XmlElement e;
    e.local = local;
    e.ns = o.ns;
    e.uri = o.binding != NO_BINDING ? std::string_view(bindings_[o.binding].uri)
            : o.ns == XmlNs::XML     ? XML_NS_URI
                                     : std::string_view();
    e.depth = depth;
    e.attrs = attrs_.data();
    e.attr_count = n;
    int rc = handler_.start_element(e);
    if (rc != XMLREAD_OK) stop(rc, "XML reading stopped by the part reader (status " + std::to_string(rc) + ")");
}

void XmlReader::on_end(const char *name) {
    if (stopped_) return;
    progress_ = true;
    if (!text_.empty() && deliver_text() != XMLREAD_OK) return;
    std::string_view prefix, local;
    split_name(name, prefix, local); // checked at the start tag
    const Open o = open_[static_cast<size_t>(depth_)];
    XmlElement e;
    e.local = local;
    e.ns = o.ns;
    e.uri = o.binding != NO_BINDING ? std::string_view(bindings_[o.binding].uri)
            : o.ns == XmlNs::XML     ? XML_NS_URI
                                     : std::string_view();
    e.depth = depth_;
    int rc = handler_.end_element(e);
    while (binding_count_ > 0 && bindings_[binding_count_ - 1].depth == depth_) {
        Binding &b = bindings_[binding_count_ - 1];
        if (b.prefix.empty()) default_binding_ = b.prev_default;
        --binding_count_;
    }
    --depth_;
    if (rc != XMLREAD_OK) stop(rc, "XML reading stopped by the part reader (status " + std::to_string(rc) + ")");
}

void XmlReader::on_text(const char *s, int len) {
    if (stopped_) return;
    progress_ = true;
    if (text_.size() + static_cast<size_t>(len) > limits_.max_text_bytes) {
        stop(XMLREAD_ERR_LIMIT, "XML text longer than " + std::to_string(limits_.max_text_bytes) + " bytes");
        return;
    }
    text_.append(s, static_cast<size_t>(len));
}

// ---- raw capture ----------------------------------------------------------

// The bytes of the current tag: stream offsets [*begin, *end), and where
// expat's buffer holds them. expat reports the end of an empty element
// (<a/>) as a zero-length event just after the tag; its start is the last
// '<' before that, as '<' cannot occur inside a tag.
bool XmlReader::current_tag(uint64_t *begin, uint64_t *end, const char **at, size_t *available) const {
    int offset = 0, size = 0;
    const char *buffer = XML_GetInputContext(parser_, &offset, &size);
    XML_Index index = XML_GetCurrentByteIndex(parser_);
    int count = XML_GetCurrentByteCount(parser_);
    if (!buffer || index < 0 || offset < 0 || offset > size || count < 0 ||
        static_cast<uint64_t>(index) + static_cast<uint64_t>(size - offset) != fed_)
        return false;
    uint64_t tag_begin = static_cast<uint64_t>(index), tag_end = tag_begin + static_cast<uint64_t>(count);
    size_t back = 0;
    if (count == 0) {
        const char *lt = buffer + offset;
        while (lt > buffer && *--lt != '<') {
        }
        if (*lt != '<') return false;
        back = static_cast<size_t>(buffer + offset - lt);
        tag_begin -= back;
    }
    *begin = tag_begin;
    *end = tag_end;
    *at = buffer + offset - back;
    *available = static_cast<size_t>(size - offset) + back;
    return true;
}

int XmlReader::begin_capture(bool include_current) {
    if (status_ != XMLREAD_OK) return status_;
    if (!raw_utf8_) return XMLREAD_ERR_REFUSED;
    uint64_t begin = 0, end = 0;
    const char *at = nullptr;
    size_t available = 0;
    if (!current_tag(&begin, &end, &at, &available)) {
        stop(XMLREAD_ERR_REFUSED, "XML capture outside a tag event");
        return XMLREAD_ERR_REFUSED;
    }
    size_t skip = include_current ? 0 : static_cast<size_t>(end - begin);
    capture_.assign(at + skip, available - skip);
    capture_start_ = begin + skip;
    capturing_ = true;
    return XMLREAD_OK;
}

int XmlReader::end_capture(bool include_current, std::string_view *bytes) {
    if (status_ != XMLREAD_OK) return status_;
    if (!capturing_) return XMLREAD_ERR_REFUSED;
    capturing_ = false;
    uint64_t begin = 0, end = 0;
    const char *at = nullptr;
    size_t available = 0;
    if (!current_tag(&begin, &end, &at, &available)) {
        stop(XMLREAD_ERR_REFUSED, "XML capture outside a tag event");
        return XMLREAD_ERR_REFUSED;
    }
    uint64_t stop_at = include_current ? end : begin;
    if (stop_at < capture_start_) stop_at = capture_start_; // inside and without the tags of one <a/>
    if (stop_at - capture_start_ > capture_.size()) {
        stop(XMLREAD_ERR_REFUSED, "XML capture ended before it began");
        return XMLREAD_ERR_REFUSED;
    }
    if (stop_at - capture_start_ > limits_.max_text_bytes) {
        stop(XMLREAD_ERR_LIMIT, "XML kept text longer than " + std::to_string(limits_.max_text_bytes) + " bytes");
        return XMLREAD_ERR_LIMIT;
    }
    capture_.resize(static_cast<size_t>(stop_at - capture_start_));
    *bytes = capture_;
    return XMLREAD_OK;
}

} // namespace vel
