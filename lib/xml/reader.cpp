// The streaming XML reader: the choice of parser, expat's side, and the
// namespace layer both parsers feed. Expat runs in its plain (non-namespace)
// mode and prefixes are resolved here against a small binding stack: that
// is cheaper than expat's namespace mode, which builds "URI + local name"
// for every element, and it lets the hot path hand out views into the
// parser's own strings without copying them.
#include "xml/reader.h"

#include "xml/scanner.h"

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

// First bytes held to choose the parser: a byte-order mark and an XML
// declaration. A declaration that runs longer goes to expat.
constexpr size_t HEAD_MAX = 1024;

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

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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

XmlReader::XmlReader(XmlHandler &handler, const XmlLimits &limits, XmlBackend backend)
    : handler_(handler), limits_(limits), forced_(backend), backend_(XmlBackend::AUTO) {
    open_.resize(static_cast<size_t>(std::max(limits_.max_depth, 0)) + 1);
}

XmlReader::~XmlReader() = default;

void XmlReader::ExpatFree::operator()(XML_ParserStruct *parser) const { XML_ParserFree(parser); }

void XmlReader::install() {
    XML_Parser p = parser_.get();
    XML_SetUserData(p, this);
    XML_SetElementHandler(p, XmlCallbacks::start, XmlCallbacks::end);
    XML_SetCharacterDataHandler(p, XmlCallbacks::text);
    XML_SetCommentHandler(p, XmlCallbacks::comment);
    XML_SetProcessingInstructionHandler(p, XmlCallbacks::instruction);
    XML_SetDefaultHandlerExpand(p, XmlCallbacks::other);
    XML_SetXmlDeclHandler(p, XmlCallbacks::decl);
    XML_SetStartDoctypeDeclHandler(p, XmlCallbacks::doctype);
    XML_SetEntityDeclHandler(p, XmlCallbacks::entity);
    XML_SetExternalEntityRefHandler(p, XmlCallbacks::external);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
}

void XmlReader::reset() {
    if (parser_) {
        XML_ParserReset(parser_.get(), nullptr);
        install();
    }
    if (scanner_) scanner_->reset();
    backend_ = XmlBackend::AUTO;
    head_.clear();
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
    if (backend_ == XmlBackend::SCANNER) return scanner_->line();
    return parser_ ? static_cast<long>(XML_GetCurrentLineNumber(parser_.get())) : 0;
}

long XmlReader::column() const {
    if (status_ != XMLREAD_OK) return fail_column_;
    if (backend_ == XmlBackend::SCANNER) return scanner_->column();
    return parser_ ? static_cast<long>(XML_GetCurrentColumnNumber(parser_.get())) + 1 : 0;
}

int XmlReader::fail(int status, std::string message) {
    return fail_at(status, std::move(message), line(), column());
}

int XmlReader::fail_at(int status, std::string message, long line, long column) {
    if (status_ != XMLREAD_OK) return status_;
    fail_line_ = line;
    fail_column_ = column;
    status_ = status;
    error_ = std::move(message) + where(fail_line_, fail_column_);
    return status_;
}

// ---- choosing the parser --------------------------------------------------

// The parser for the bytes held in head_: AUTO while they cannot tell yet.
// Expat takes UTF-16 (a byte-order mark or a zero byte first) and any
// declared encoding but UTF-8 and US-ASCII; a declaration this side does
// not read goes to expat too, which judges it as it always has.
XmlBackend XmlReader::choose(bool final) const {
    std::string_view h = head_;
    const XmlBackend wait = final ? XmlBackend::SCANNER : XmlBackend::AUTO;
    if (h.size() < 2) return wait;
    const unsigned char b0 = static_cast<unsigned char>(h[0]), b1 = static_cast<unsigned char>(h[1]);
    if ((b0 == 0xfe && b1 == 0xff) || (b0 == 0xff && b1 == 0xfe) || b0 == 0 || b1 == 0) return XmlBackend::EXPAT;
    constexpr std::string_view bom = "\xef\xbb\xbf";
    if (h.size() < bom.size() && bom.starts_with(h)) return wait;
    if (h.starts_with(bom)) h.remove_prefix(bom.size());
    constexpr std::string_view open = "<?xml";
    if (h.size() <= open.size()) return open.starts_with(h) ? wait : XmlBackend::SCANNER;
    if (!h.starts_with(open) || !is_space(h[open.size()])) return XmlBackend::SCANNER;
    const size_t close = h.find("?>");
    if (close == std::string_view::npos) return final ? XmlBackend::EXPAT : XmlBackend::AUTO;
    std::string_view encoding;
    if (!parse_xml_declaration(h.substr(open.size(), close - open.size()), &encoding)) return XmlBackend::EXPAT;
    if (encoding.empty() || ascii_iequal(encoding, "UTF-8") || ascii_iequal(encoding, "US-ASCII")) return XmlBackend::SCANNER;
    return XmlBackend::EXPAT;
}

int XmlReader::start_backend(XmlBackend backend) {
    if (backend == XmlBackend::EXPAT) {
        if (int rc = start_expat(); rc != XMLREAD_OK) return rc;
        backend_ = XmlBackend::EXPAT;
        return XMLREAD_OK;
    }
    if (!scanner_) scanner_ = std::make_unique<XmlScanner>(*this, limits_);
    backend_ = XmlBackend::SCANNER;
    return XMLREAD_OK;
}

int XmlReader::start_expat() {
    if (!parser_) {
        parser_.reset(XML_ParserCreate(nullptr));
        if (!parser_) return fail_at(XMLREAD_ERR_MEMORY, "XML parser: out of memory", 0, 0);
        install();
    }
    return XMLREAD_OK;
}

int XmlReader::feed(const char *data, size_t size) {
    if (status_ != XMLREAD_OK) return status_;
    if (size == 0) return XMLREAD_OK;
    if (backend_ == XmlBackend::AUTO) {
        if (forced_ != XmlBackend::AUTO) {
            if (int rc = start_backend(forced_); rc != XMLREAD_OK) return rc;
        } else {
            const size_t take = std::min(size, HEAD_MAX - head_.size());
            head_.append(data, take);
            data += take;
            size -= take;
            XmlBackend chosen = choose(false);
            if (chosen == XmlBackend::AUTO) {
                if (head_.size() < HEAD_MAX) return XMLREAD_OK;
                chosen = XmlBackend::EXPAT;
            }
            if (int rc = start_backend(chosen); rc != XMLREAD_OK) return rc;
            const int rc = feed_backend(head_.data(), head_.size());
            head_.clear();
            if (rc != XMLREAD_OK || size == 0) return rc;
        }
    }
    return feed_backend(data, size);
}

int XmlReader::finish() {
    if (status_ != XMLREAD_OK) return status_;
    if (backend_ == XmlBackend::AUTO) {
        if (int rc = start_backend(forced_ != XmlBackend::AUTO ? forced_ : choose(true)); rc != XMLREAD_OK) return rc;
        const int rc = head_.empty() ? XMLREAD_OK : feed_backend(head_.data(), head_.size());
        head_.clear();
        if (rc != XMLREAD_OK) return rc;
    }
    if (backend_ == XmlBackend::SCANNER) {
        const int rc = scanner_->finish();
        if (rc != XmlScanner::HANDOVER) return rc;
        if (int h = hand_over(nullptr, 0); h != XMLREAD_OK) return h;
    }
    return parse_slice(nullptr, 0, true);
}

int XmlReader::parse(std::string_view document) {
    int rc = feed(document.data(), document.size());
    return rc != XMLREAD_OK ? rc : finish();
}

int XmlReader::feed_backend(const char *data, size_t size) {
    if (backend_ != XmlBackend::SCANNER) return feed_expat(data, size);
    const int rc = scanner_->feed(data, size);
    return rc == XmlScanner::HANDOVER ? hand_over(data, size) : rc;
}

// The scanner met "<!" before the root: expat reads the document from
// there, after the prolog as the scanner kept it, and refuses a document
// type declaration as it always has. No element has been seen, so nothing
// the handler got depends on which parser read the prolog.
int XmlReader::hand_over(const char *data, size_t size) {
    const std::string first = scanner_->take_handover();
    const size_t rest = scanner_->handover_rest();
    if (int rc = start_expat(); rc != XMLREAD_OK) return rc;
    backend_ = XmlBackend::EXPAT;
    if (int rc = feed_expat(first.data(), first.size()); rc != XMLREAD_OK) return rc;
    return data && rest < size ? feed_expat(data + rest, size - rest) : XMLREAD_OK;
}

// ---- expat ----------------------------------------------------------------

// A failure found inside a callback is recorded by fail(); this stops expat.
void XmlReader::halt() {
    if (stopped_) return;
    stopped_ = true;
    XML_StopParser(parser_.get(), XML_FALSE);
}

int XmlReader::fail_from_parser() {
    XML_Parser p = parser_.get();
    XML_Error code = XML_GetErrorCode(p);
    fail_line_ = static_cast<long>(XML_GetErrorLineNumber(p));
    fail_column_ = static_cast<long>(XML_GetErrorColumnNumber(p)) + 1;
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
    if (XML_Parse(parser_.get(), data, static_cast<int>(size), final ? XML_TRUE : XML_FALSE) != XML_STATUS_OK)
        return stopped_ ? status_ : fail_from_parser();
    if (stopped_) return status_;
    if (progress_)
        stalled_ = 0;
    else
        stalled_ += size;
    return XMLREAD_OK;
}

int XmlReader::feed_expat(const char *data, size_t size) {
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
            XML_SetReparseDeferralEnabled(parser_.get(), XML_FALSE);
            rc = parse_slice(nullptr, 0, false);
            XML_SetReparseDeferralEnabled(parser_.get(), XML_TRUE);
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

size_t XmlReader::colon_of(std::string_view name) {
    const size_t colon = name.find(':');
    if (colon == std::string_view::npos) return NO_COLON;
    if (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != std::string_view::npos) return BAD_NAME;
    return colon;
}

void XmlReader::on_start(const char *name, const char **atts) {
    if (stopped_) return;
    progress_ = true;
    size_t count = 0;
    for (const char **a = atts; *a; a += 2) {
        if (count == expat_attrs_.size()) expat_attrs_.emplace_back();
        const std::string_view an(a[0]);
        expat_attrs_[count++] = RawAttr{an, std::string_view(a[1]), colon_of(an)};
    }
    const std::string_view qname(name);
    if (open_element(qname, colon_of(qname), expat_attrs_.data(), count) != XMLREAD_OK) halt();
}

void XmlReader::on_end(const char *name) {
    if (stopped_) return;
    progress_ = true;
    const std::string_view qname(name);
    if (close_element(qname, colon_of(qname)) != XMLREAD_OK) halt();
}

void XmlReader::on_text(const char *s, int len) {
    if (stopped_) return;
    progress_ = true;
    if (add_text(s, static_cast<size_t>(len)) != XMLREAD_OK) halt();
}

void XmlReader::on_doctype() {
    progress_ = true;
    if (stopped_) return;
    fail(XMLREAD_ERR_REFUSED, "XML refused: document type declarations (DTD, entity declarations) are not accepted");
    halt();
}

void XmlReader::on_xml_decl(const char *encoding) {
    progress_ = true;
    if (encoding && !ascii_iequal(encoding, "UTF-8") && !ascii_iequal(encoding, "US-ASCII")) raw_utf8_ = false;
}

// ---- the namespace layer --------------------------------------------------

int XmlReader::handler_stopped(int rc) {
    return fail(rc, "XML reading stopped by the part reader (status " + std::to_string(rc) + ")");
}

int XmlReader::add_text(const char *s, size_t size) {
    if (size > limits_.max_text_bytes - text_.size())
        return fail(XMLREAD_ERR_LIMIT, "XML text longer than " + std::to_string(limits_.max_text_bytes) + " bytes");
    text_.append(s, size);
    return XMLREAD_OK;
}

int XmlReader::deliver_text() {
    int rc = handler_.text(text_, depth_);
    text_.clear();
    if (rc != XMLREAD_OK) return handler_stopped(rc);
    return status_;
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
int XmlReader::declare(std::string_view name, std::string_view uri, int depth) {
    const bool prefixed = name.size() > 5;
    const std::string_view prefix = prefixed ? name.substr(6) : std::string_view();
    if (prefixed) {
        if (prefix.empty() || prefix.find(':') != std::string_view::npos)
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad namespace declaration \"" + std::string(name) + "\"");
        if (uri.empty())
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: prefix \"" + std::string(prefix) + "\" bound to no namespace");
    }
    bool xml_prefix = prefix == "xml", xml_uri = uri == XML_NS_URI;
    if (prefix == "xmlns" || xml_prefix != xml_uri || uri == XMLNS_NS_URI)
        return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: reserved namespace misused in \"" + std::string(name) + "\"");
    if (binding_count_ >= MAX_BINDINGS)
        return fail(XMLREAD_ERR_LIMIT, "XML has more than " + std::to_string(MAX_BINDINGS) + " namespace declarations in scope");
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
    return XMLREAD_OK;
}

int XmlReader::open_element(std::string_view name, size_t colon, const RawAttr *atts, size_t count) {
    if (!text_.empty())
        if (int rc = deliver_text(); rc != XMLREAD_OK) return rc;
    const int depth = depth_ + 1;
    if (depth > limits_.max_depth)
        return fail(XMLREAD_ERR_LIMIT, "XML elements nested deeper than " + std::to_string(limits_.max_depth));
    // Declarations first: they apply to the element's own name and attributes.
    size_t n = 0;
    bool prefixed = false;
    for (size_t i = 0; i < count; ++i) {
        const RawAttr &a = atts[i];
        const std::string_view an = a.name;
        if (an.size() >= 5 && an[0] == 'x' && an.compare(0, 5, "xmlns") == 0 && (an.size() == 5 || an[5] == ':')) {
            if (int rc = declare(an, a.value, depth); rc != XMLREAD_OK) return rc;
            continue;
        }
        if (a.colon == BAD_NAME) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: attribute name \"" + std::string(an) + "\"");
        if (n == attrs_.size()) {
            attrs_.emplace_back();
            attr_prefix_.emplace_back();
        }
        // Field by field: a whole-struct copy through a temporary stalls the
        // stores on this path, which runs for every attribute.
        XmlAttr &x = attrs_[n];
        x.value = a.value;
        x.ns = XmlNs::NONE;
        if (a.colon == NO_COLON) {
            x.local = an;
            attr_prefix_[n] = {};
        } else {
            x.local = an.substr(a.colon + 1);
            attr_prefix_[n] = an.substr(0, a.colon);
            prefixed = true;
        }
        ++n;
    }
    if (prefixed) {
        for (size_t i = 0; i < n; ++i) {
            if (attr_prefix_[i].empty()) continue;
            uint32_t unused;
            if (!lookup(attr_prefix_[i], &attrs_[i].ns, &unused))
                return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: unbound prefix \"" + std::string(attr_prefix_[i]) + "\"");
        }
    }
    if (colon == BAD_NAME) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: element name \"" + std::string(name) + "\"");
    XmlNs ns = XmlNs::NONE;
    uint32_t binding = NO_BINDING;
    if (colon == NO_COLON) {
        if (default_binding_ != NO_BINDING) {
            ns = bindings_[default_binding_].ns;
            binding = default_binding_;
        }
    } else if (!lookup(name.substr(0, colon), &ns, &binding)) {
        return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: unbound prefix \"" + std::string(name.substr(0, colon)) + "\"");
    }
    Open &o = open_[static_cast<size_t>(depth)];
    o.ns = ns;
    o.binding = binding;
    depth_ = depth;
    XmlElement e;
    e.local = colon == NO_COLON ? name : name.substr(colon + 1);
    e.ns = ns;
    e.uri = binding != NO_BINDING ? std::string_view(bindings_[binding].uri)
            : ns == XmlNs::XML     ? XML_NS_URI
                                   : std::string_view();
    e.depth = depth;
    e.attrs = attrs_.data();
    e.attr_count = n;
    if (int rc = handler_.start_element(e); rc != XMLREAD_OK) return handler_stopped(rc);
    return status_;
}

int XmlReader::close_element(std::string_view name, size_t colon) {
    if (!text_.empty())
        if (int rc = deliver_text(); rc != XMLREAD_OK) return rc;
    const Open &o = open_[static_cast<size_t>(depth_)];
    XmlElement e;
    e.local = colon < BAD_NAME ? name.substr(colon + 1) : name; // the name was checked at the start tag
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
    if (rc != XMLREAD_OK) return handler_stopped(rc);
    return status_;
}

// ---- raw capture ----------------------------------------------------------

// The bytes of the current tag when expat reads: stream offsets [*begin,
// *end), and where expat's buffer holds them. expat reports the end of an
// empty element (<a/>) as a zero-length event just after the tag; its start
// is the last '<' before that, as '<' cannot occur inside a tag.
bool XmlReader::current_tag(uint64_t *begin, uint64_t *end, const char **at, size_t *available) const {
    int offset = 0, size = 0;
    XML_Parser p = parser_.get();
    const char *buffer = XML_GetInputContext(p, &offset, &size);
    XML_Index index = XML_GetCurrentByteIndex(p);
    int count = XML_GetCurrentByteCount(p);
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

int XmlReader::capture_outside_tag() {
    fail(XMLREAD_ERR_REFUSED, "XML capture outside a tag event");
    if (parser_) halt();
    return XMLREAD_ERR_REFUSED;
}

int XmlReader::begin_capture(bool include_current) {
    if (status_ != XMLREAD_OK) return status_;
    if (backend_ == XmlBackend::SCANNER) return scanner_->begin_capture(include_current);
    if (!raw_utf8_) return XMLREAD_ERR_REFUSED;
    uint64_t begin = 0, end = 0;
    const char *at = nullptr;
    size_t available = 0;
    if (!parser_ || !current_tag(&begin, &end, &at, &available)) return capture_outside_tag();
    size_t skip = include_current ? 0 : static_cast<size_t>(end - begin);
    capture_.assign(at + skip, available - skip);
    capture_start_ = begin + skip;
    capturing_ = true;
    return XMLREAD_OK;
}

int XmlReader::end_capture(bool include_current, std::string_view *bytes) {
    if (status_ != XMLREAD_OK) return status_;
    if (backend_ == XmlBackend::SCANNER) return scanner_->end_capture(include_current, bytes);
    if (!capturing_) return XMLREAD_ERR_REFUSED;
    capturing_ = false;
    uint64_t begin = 0, end = 0;
    const char *at = nullptr;
    size_t available = 0;
    if (!parser_ || !current_tag(&begin, &end, &at, &available)) return capture_outside_tag();
    uint64_t stop_at = include_current ? end : begin;
    if (stop_at < capture_start_) stop_at = capture_start_; // inside and without the tags of one <a/>
    if (stop_at - capture_start_ > capture_.size()) {
        fail(XMLREAD_ERR_REFUSED, "XML capture ended before it began");
        halt();
        return XMLREAD_ERR_REFUSED;
    }
    if (stop_at - capture_start_ > limits_.max_text_bytes) {
        fail(XMLREAD_ERR_LIMIT, "XML kept text longer than " + std::to_string(limits_.max_text_bytes) + " bytes");
        halt();
        return XMLREAD_ERR_LIMIT;
    }
    capture_.resize(static_cast<size_t>(stop_at - capture_start_));
    *bytes = capture_;
    return XMLREAD_OK;
}

} // namespace vel
