// The XML scanner (see scanner.h). One function per construct, each reading
// from a pointer into the current chunk: 0 when the construct is read (the
// pointer moved past it), STOP when the chunk ends inside it (the pointer
// stays at its first byte), a negative status when it is malformed. Text
// and CDATA content are handed to the reader as they come and never held.
#include "xml/scanner.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "xml/name_chars.h"

namespace vel {

namespace {

// Results of the construct readers beside 0 and negative statuses.
constexpr int STOP = 2;   // the chunk ends inside the construct
constexpr int GO = 3;     // the mode changed: go on in the new one

// A cut token is tried again after at least this many more bytes.
constexpr size_t MIN_STEP = 256;
// Prolog bytes kept for a hand-over to expat; past this only the XML
// declaration and the line count are kept.
constexpr size_t PROLOG_KEPT = 64 * 1024;
// A capture may run ahead of its bound by this much before it is refused
// (the same slack the expat side allows: a long token and a slice).
constexpr size_t CAPTURE_SLACK = 512 * 1024;
constexpr size_t NOT_DECODED = ~size_t{0};

// Byte classes.
enum : uint8_t {
    C_TEXT = 1,    // ends a run of plain text
    C_ATTR = 2,    // ends a run of a plain attribute value
    C_MARK = 4,    // ends a run in a comment, instruction or CDATA section
    C_START = 8,   // may begin a name (ASCII; ':' apart)
    C_NAME = 16,   // may continue a name (ASCII; ':' apart)
    C_SPACE = 32,  // white space
    C_BAD = 64,    // a control character XML never allows
};

constexpr std::array<uint8_t, 256> make_classes() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        uint8_t k = 0;
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (letter) k |= C_START | C_NAME;
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') k |= C_NAME;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') k |= C_SPACE;
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') k |= C_BAD | C_TEXT | C_ATTR | C_MARK;
        if (c >= 0x80 || c == '\r' || c == '\n') k |= C_TEXT | C_ATTR | C_MARK;
        if (c == '<' || c == '&' || c == ']') k |= C_TEXT;
        if (c == '<' || c == '&' || c == '"' || c == '\'' || c == '\t') k |= C_ATTR;
        if (c == '-' || c == '?' || c == ']') k |= C_MARK;
        t[static_cast<size_t>(c)] = k;
    }
    return t;
}

constexpr std::array<uint8_t, 256> CLASS = make_classes();

inline unsigned char u8(char c) { return static_cast<unsigned char>(c); }
inline uint8_t cls(char c) { return CLASS[u8(c)]; }

// Two names of `size` bytes alike: a loop for the short names of real
// parts, where a call to memcmp costs more than the comparison.
bool same_bytes(const char *a, const char *b, size_t size) {
    if (size > 16) return std::memcmp(a, b, size) == 0;
    for (size_t i = 0; i < size; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

uint32_t decode(const char *p, int n) {
    const auto b = [p](int i) { return static_cast<uint32_t>(u8(p[i])); };
    if (n == 2) return (b(0) & 0x1f) << 6 | (b(1) & 0x3f);
    if (n == 3) return (b(0) & 0x0f) << 12 | (b(1) & 0x3f) << 6 | (b(2) & 0x3f);
    return (b(0) & 0x07) << 18 | (b(1) & 0x3f) << 12 | (b(2) & 0x3f) << 6 | (b(3) & 0x3f);
}

size_t encode(uint32_t cp, char *out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xc0 | cp >> 6);
        out[1] = static_cast<char>(0x80 | (cp & 0x3f));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xe0 | cp >> 12);
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out[2] = static_cast<char>(0x80 | (cp & 0x3f));
        return 3;
    }
    out[0] = static_cast<char>(0xf0 | cp >> 18);
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
    out[3] = static_cast<char>(0x80 | (cp & 0x3f));
    return 4;
}

// A character XML allows (what a character reference may name).
bool xml_char(uint32_t cp) {
    return cp == 0x9 || cp == 0xa || cp == 0xd || (cp >= 0x20 && cp <= 0xd7ff) || (cp >= 0xe000 && cp <= 0xfffd) ||
           (cp >= 0x10000 && cp <= 0x10ffff);
}

template <size_t N> bool in_ranges(const xml_names::CharRange (&ranges)[N], uint32_t cp) {
    if (cp > 0xffff) return false;
    const auto *r = std::upper_bound(ranges, ranges + N, cp,
                                     [](uint32_t c, const xml_names::CharRange &x) { return c < x.first; });
    return r != ranges && cp <= (r - 1)->last;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool ascii_iequal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// One pseudo-attribute of an XML declaration from `at`: 1 with its name and
// value, 0 at the end (only white space left), -1 when malformed.
int pseudo_attribute(std::string_view s, size_t &at, std::string_view &name, std::string_view &value) {
    const size_t n = s.size();
    if (at == n) return 0;
    if (!is_space(s[at])) return -1;
    while (at < n && is_space(s[at])) ++at;
    if (at == n) return 0;
    const size_t name_at = at;
    while (at < n && s[at] != '=' && !is_space(s[at])) {
        if (u8(s[at]) >= 0x80) return -1;
        ++at;
    }
    if (at == name_at) return -1;
    name = s.substr(name_at, at - name_at);
    while (at < n && is_space(s[at])) ++at;
    if (at == n || s[at] != '=') return -1;
    ++at;
    while (at < n && is_space(s[at])) ++at;
    if (at == n || (s[at] != '"' && s[at] != '\'')) return -1;
    const char quote = s[at++];
    const size_t value_at = at;
    for (; at < n && s[at] != quote; ++at) {
        const char c = s[at];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_'))
            return -1;
    }
    if (at == n) return -1;
    value = s.substr(value_at, at - value_at);
    ++at;
    return 1;
}

std::string markup_message(size_t bound) {
    return "XML markup (a tag with its attributes, a comment or an instruction) longer than " + std::to_string(bound) +
           " bytes";
}

} // namespace

bool parse_xml_declaration(std::string_view inside, std::string_view *encoding) {
    *encoding = {};
    size_t at = 0;
    std::string_view name, value;
    if (pseudo_attribute(inside, at, name, value) != 1 || name != "version") return false;
    int r = pseudo_attribute(inside, at, name, value);
    if (r <= 0) return r == 0;
    if (name == "encoding") {
        if (value.empty() || !((value[0] >= 'a' && value[0] <= 'z') || (value[0] >= 'A' && value[0] <= 'Z'))) return false;
        *encoding = value;
        r = pseudo_attribute(inside, at, name, value);
        if (r <= 0) return r == 0;
    }
    if (name != "standalone" || (value != "yes" && value != "no")) return false;
    while (at < inside.size() && is_space(inside[at])) ++at;
    return at == inside.size();
}

XmlScanner::XmlScanner(XmlReader &reader, const XmlLimits &limits) : reader_(reader), limits_(limits) {}

void XmlScanner::reset() {
    mode_ = Mode::PROLOG;
    ascii_only_ = bom_checked_ = false;
    decl_at_ = 0;
    base_ = nullptr;
    base_offset_ = 0;
    final_ = false;
    pending_.clear();
    next_ = 0;
    retry_at_ = 0;
    pos_ = event_pos_ = Pos{};
    event_offset_ = 0;
    names_.clear();
    open_.clear();
    in_event_ = false;
    tag_begin_ = tag_end_ = 0;
    prolog_.clear();
    decl_.clear();
    prolog_full_ = false;
    handover_.clear();
    handover_rest_ = 0;
    handover_at_ = nullptr;
}

// ---- chunks ----------------------------------------------------------------

int XmlScanner::feed(const char *data, size_t size) {
    const char *const first = data;
    // First complete a token cut by the end of the last chunk, in steps that
    // double what is held, so that each byte is read a bounded number of times.
    while (!pending_.empty() && size > 0) {
        // A token past the markup bound is refused when tried, so no more
        // than that is ever held.
        const size_t held = pending_.size();
        const size_t want = std::min(std::max(retry_at_, held + MIN_STEP), std::max(limits_.max_markup_bytes + 2, held + 1));
        const size_t take = std::min(size, want - held);
        pending_.append(data, take);
        data += take;
        size -= take;
        if (pending_.size() < want) break;
        size_t used = 0;
        const int rc = run(pending_.data(), pending_.size(), next_, false, used);
        if (rc == HANDOVER) {
            handover_.append(handover_at_, static_cast<size_t>(pending_.data() + pending_.size() - handover_at_));
            handover_rest_ = static_cast<size_t>(data - first);
            return HANDOVER;
        }
        if (rc != 0) return rc;
        next_ += used;
        if (used == 0) {
            retry_at_ = pending_.size() * 2;
            continue;
        }
        retry_at_ = 0;
        if (used >= held) {
            // Everything held is read; what is left came from this chunk.
            const size_t back = pending_.size() - used;
            data -= back;
            size += back;
            pending_.clear();
        } else {
            pending_.erase(0, used);
        }
    }
    if (pending_.empty() && size > 0) {
        size_t used = 0;
        const int rc = run(data, size, next_, false, used);
        if (rc == HANDOVER) {
            handover_rest_ = static_cast<size_t>(handover_at_ - first);
            return HANDOVER;
        }
        if (rc != 0) return rc;
        next_ += used;
        pending_.assign(data + used, size - used);
    }
    return 0;
}

int XmlScanner::finish() {
    size_t used = 0;
    const int rc = run(pending_.data(), pending_.size(), next_, true, used);
    if (rc == HANDOVER) {
        handover_.append(handover_at_, static_cast<size_t>(pending_.data() + pending_.size() - handover_at_));
        handover_rest_ = 0;
    }
    return rc;
}

int XmlScanner::run(const char *base, size_t size, uint64_t offset, bool final, size_t &used) {
    base_ = base;
    base_offset_ = offset;
    final_ = final;
    const char *p = base;
    const char *const end = base + size;
    int rc = GO;
    while (rc == GO) {
        switch (mode_) {
        case Mode::CONTENT: rc = content(p, end); break;
        case Mode::CDATA: rc = cdata(p, end); break;
        case Mode::PROLOG: rc = prolog(p, end); break;
        case Mode::EPILOG: rc = epilog(p, end); break;
        }
    }
    if (rc != STOP) return rc;
    used = static_cast<size_t>(p - base);
    if (int k = keep_capture(p); k != 0) return k;
    if (!final) return 0;
    if (p != end) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: the document ends inside markup", p);
    if (mode_ == Mode::PROLOG) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: no root element", p);
    if (mode_ != Mode::EPILOG) {
        const size_t begin = open_.size() > 1 ? open_[open_.size() - 2].end : 0;
        return fail(XMLREAD_ERR_MALFORMED,
                    "XML not well-formed: the document ends inside <" + names_.substr(begin, open_.back().end - begin) + ">", p);
    }
    return 0;
}

// ---- document levels ---------------------------------------------------------

int XmlScanner::prolog(const char *&p, const char *const end) {
    if (!bom_checked_) {
        constexpr std::string_view bom = "\xef\xbb\xbf";
        const size_t have = std::min(static_cast<size_t>(end - p), bom.size());
        const std::string_view head(p, have);
        if (have < bom.size() && !final_ && bom.starts_with(head)) return STOP;
        bom_checked_ = true;
        if (head == bom) {
            keep_prolog(p, p + bom.size());
            p += bom.size();
            decl_at_ = bom.size();
        }
    }
    for (;;) {
        const char *space = p;
        skip_space(p, end, true);
        keep_prolog(space, p);
        if (p == end || (*p == '\r' && p + 1 == end)) return STOP;
        if (*p != '<') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: text before the root element", p);
        if (p + 1 == end) return STOP;
        const char *token = p;
        int rc;
        if (p[1] == '?') {
            rc = instruction(p, end);
        } else if (p[1] == '!') {
            // A comment is read here; anything else ("<!DOCTYPE" above all)
            // goes to expat, which refuses a document type declaration.
            const size_t have = static_cast<size_t>(end - p);
            if (have < 3 || (p[2] == '-' && have < 4)) return STOP;
            if (p[2] != '-' || p[3] != '-') return hand_over(p);
            rc = comment(p, end);
        } else {
            rc = start_tag(p, end);
            if (rc == 0) {
                prolog_.clear();
                prolog_.shrink_to_fit();
                decl_.clear();
                return GO;
            }
        }
        if (rc != 0) return rc;
        keep_prolog(token, p);
    }
}

int XmlScanner::epilog(const char *&p, const char *const end) {
    for (;;) {
        skip_space(p, end, true);
        if (p == end || (*p == '\r' && p + 1 == end)) return STOP;
        if (*p != '<') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: content after the root element", p);
        if (p + 1 == end) return STOP;
        int rc;
        if (p[1] == '?') {
            rc = instruction(p, end);
        } else if (p[1] == '!') {
            const size_t have = std::min<size_t>(static_cast<size_t>(end - p), 4);
            if (std::string_view(p, have) != std::string_view("<!--", have))
                return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: content after the root element", p);
            if (have < 4) return STOP;
            rc = comment(p, end);
        } else {
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: content after the root element", p);
        }
        if (rc != 0) return rc;
    }
}

// Text and markup inside the root element: the hot loop.
//
// The text bound is judged where a piece of text ends (at markup, a
// reference, a line end, a character that is not allowed) and where a chunk
// ends, so that a text over the bound is refused as its bytes arrive.
int XmlScanner::content(const char *&p, const char *const end) {
    for (;;) {
        const char *run = p;
        for (;;) {
            while (p < end && !(cls(*p) & C_TEXT)) ++p;
            if (p == end) break;
            const unsigned char c = u8(*p);
            if (c == '<' || c == '&') break;
            if (c == '\n') {
                ++p;
                if (static_cast<size_t>(p - run) > limits_.max_text_bytes - reader_.text_.size())
                    return text_too_long(run);
                newline(p);
                continue;
            }
            if (c == ']') {
                const size_t left = static_cast<size_t>(end - p);
                if (left >= 3) {
                    if (p[1] == ']' && p[2] == '>') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: \"]]>\" in text", p);
                    ++p;
                    continue;
                }
                if ((left == 2 && p[1] != ']') || final_) {
                    ++p;
                    continue;
                }
                break;   // held until the next bytes tell whether "]]>" follows
            }
            if (c == '\r') {
                if (p + 1 == end && !final_) break;   // its LF may come next
                if (int rc = piece(run, p); rc != 0) return rc;
                if (int rc = text("\n", 1, p); rc != 0) return rc;
                p += p + 1 < end && p[1] == '\n' ? 2 : 1;
                newline(p);
                run = p;
                continue;
            }
            if (c >= 0x80) {
                const int n = char_size(p, end);
                if (n > 0) {
                    pos_.cont += static_cast<uint64_t>(n - 1);
                    p += n;
                    continue;
                }
                if (n == 0 && !final_) break;
            }
            // Not allowed here: the text before it counts first.
            if (int rc = piece(run, p); rc != 0) return rc;
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: invalid character", p);
        }
        if (p == end || (*p != '<' && *p != '&')) {
            if (int rc = piece(run, p); rc != 0) return rc;
            return STOP;
        }
        if (int rc = piece(run, p); rc != 0) return rc;
        if (*p == '&') {
            char ch[4];
            size_t n = 0;
            if (int rc = reference(p, end, ch, n); rc != 0) return rc;
            if (int rc = text(ch, n, p); rc != 0) return rc;
            continue;
        }
        if (p + 1 == end) return STOP;
        int rc;
        switch (p[1]) {
        case '/': rc = end_tag(p, end); break;
        case '!': rc = markup_decl(p, end); break;
        case '?': rc = instruction(p, end); break;
        default: rc = start_tag(p, end); break;
        }
        if (rc != 0) return rc;
        if (mode_ != Mode::CONTENT) return GO;
    }
}

// Inside a CDATA section: its bytes are text.
int XmlScanner::cdata(const char *&p, const char *const end) {
    const char *run = p;
    for (;;) {
        while (p < end && !(cls(*p) & C_MARK)) ++p;
        if (p == end) break;
        const unsigned char c = u8(*p);
        if (c == ']') {
            const size_t left = static_cast<size_t>(end - p);
            if (left >= 3) {
                if (p[1] == ']' && p[2] == '>') {
                    if (int rc = text(run, static_cast<size_t>(p - run), run); rc != 0) return rc;
                    p += 3;
                    mode_ = Mode::CONTENT;
                    return GO;
                }
                ++p;
                continue;
            }
            // "]" or "]]" at the end is held, also at the end of the
            // document, which then ends inside the section.
            if (left == 2 && p[1] != ']') {
                ++p;
                continue;
            }
            break;
        }
        if (c == '-' || c == '?') {
            ++p;
            continue;
        }
        if (c == '\n') {
            ++p;
            newline(p);
            continue;
        }
        if (c == '\r') {
            if (p + 1 == end) break;   // its LF may come next; at the end the section is unclosed
            if (int rc = text(run, static_cast<size_t>(p - run), run); rc != 0) return rc;
            if (int rc = text("\n", 1, p); rc != 0) return rc;
            p += p + 1 < end && p[1] == '\n' ? 2 : 1;
            newline(p);
            run = p;
            continue;
        }
        if (c >= 0x80) {
            const int n = char_size(p, end);
            if (n > 0) {
                pos_.cont += static_cast<uint64_t>(n - 1);
                p += n;
                continue;
            }
            if (n == 0 && !final_) break;
        }
        if (int rc = text(run, static_cast<size_t>(p - run), run); rc != 0) return rc;
        return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: invalid character", p);
    }
    if (p > run)
        if (int rc = text(run, static_cast<size_t>(p - run), run); rc != 0) return rc;
    return STOP;
}

// ---- tags ------------------------------------------------------------------------

// A name from *t: 0 with *t past it, STOP when the chunk may go on with it,
// -1 when no name begins at *t. name.colon tells where a prefix ends. The
// common name, ASCII without a colon, is read here.
inline int XmlScanner::scan_name(const char *&t, const char *const end, Name &name) {
    const char *s = t;
    if (s < end && (cls(*s) & C_START)) {
        ++s;
        while (s < end && (cls(*s) & C_NAME)) ++s;
        if (s < end && u8(*s) < 0x80 && *s != ':') {
            name.begin = t;
            name.end = s;
            name.colon = XmlReader::NO_COLON;
            t = s;
            return 0;
        }
    }
    return scan_name_slow(t, end, name);
}

// White space from *t, counting line ends. With hold_cr a CR that ends an
// unfinished chunk is left for the next, whose LF may belong to it.
inline void XmlScanner::skip_space(const char *&t, const char *const end, bool hold_cr) {
    while (t < end && *t == ' ') ++t;
    if (t < end && (cls(*t) & C_SPACE)) skip_space_slow(t, end, hold_cr);
}

int XmlScanner::start_tag(const char *&p, const char *const end) {
    const Pos saved = pos_;
    const char *t = p + 1;
    Name name;
    if (int rc = scan_name(t, end, name); rc != 0)
        return rc == STOP ? incomplete(p, end, saved) : fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad element name", t);
    size_t count = 0;
    bool decoded = false;
    bool empty = false;
    values_.clear();
    for (;;) {
        // After the name or a value: white space, then '>', "/>" or an attribute.
        const char *before = t;
        skip_space(t, end, false);
        if (t == end) return incomplete(p, end, saved);
        if (*t == '>') {
            ++t;
            break;
        }
        if (*t == '/') {
            if (t + 1 == end) return incomplete(p, end, saved);
            if (t[1] != '>') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: '/' not followed by '>'", t + 1);
            t += 2;
            empty = true;
            break;
        }
        if (t == before) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: attribute without white space before it", t);
        Name attr;
        if (int rc = scan_name(t, end, attr); rc != 0)
            return rc == STOP ? incomplete(p, end, saved) : fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad attribute name", t);
        skip_space(t, end, false);
        if (t == end) return incomplete(p, end, saved);
        if (*t != '=') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: attribute without '='", t);
        ++t;
        skip_space(t, end, false);
        if (t == end) return incomplete(p, end, saved);
        const char quote = *t;
        if (quote != '"' && quote != '\'') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: attribute value without quotes", t);
        ++t;
        if (count == attrs_.size()) {
            attrs_.emplace_back();
            decoded_.emplace_back();
        }
        attrs_[count].name = attr.view();
        attrs_[count].colon = attr.colon;
        if (int rc = attr_value(t, end, quote, count); rc != 0) return rc == STOP ? incomplete(p, end, saved) : rc;
        decoded = decoded || decoded_[count] != NOT_DECODED;
        ++count;
        if (static_cast<size_t>(t - p) > limits_.max_markup_bytes) return too_long(p);
    }
    if (static_cast<size_t>(t - p) > limits_.max_markup_bytes) return too_long(p);
    if (decoded)
        for (size_t i = 0; i < count; ++i)
            if (decoded_[i] != NOT_DECODED) attrs_[i].value = {values_.data() + decoded_[i], attrs_[i].value.size()};
    if (count > 1)
        if (int rc = unique_attrs(count, p, saved); rc != 0) return rc;

    tag_begin_ = offset_of(p);
    tag_end_ = offset_of(t);
    event_pos_ = saved;
    event_offset_ = tag_begin_;
    in_event_ = true;
    const std::string_view qname = name.view();
    int rc = reader_.open_element(qname, name.colon, attrs_.data(), count);
    if (rc == 0 && empty) rc = reader_.close_element(qname, name.colon);
    in_event_ = false;
    if (rc != 0) return rc;
    p = t;
    if (empty) {
        if (open_.empty()) mode_ = Mode::EPILOG;
    } else {
        names_.append(qname);
        open_.push_back({names_.size(), name.colon});
        mode_ = Mode::CONTENT;
    }
    return 0;
}

// The value of attribute `index` from just after its opening quote, *t ending
// past the closing one. A value with no reference and no white space but
// spaces stays in the input; anything else is decoded into values_.
inline int XmlScanner::attr_value(const char *&t, const char *const end, char quote, size_t index) {
    const char *const v = t;
    const char *seg = t;
    size_t decoded = NOT_DECODED;
    for (;;) {
        while (t < end && !(cls(*t) & C_ATTR)) ++t;
        if (t == end) return STOP;
        const unsigned char c = u8(*t);
        if (c == u8(quote)) break;
        if (c == '"' || c == '\'') {
            ++t;
            continue;
        }
        if (c >= 0x80) {
            const int n = char_size(t, end);
            if (n > 0) {
                pos_.cont += static_cast<uint64_t>(n - 1);
                t += n;
                continue;
            }
            if (n == 0 && !final_) return STOP;
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: invalid character", t);
        }
        if (c == '<') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: '<' in an attribute value", t);
        if (c != '&' && c != '\t' && c != '\n' && c != '\r')
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: invalid character", t);
        if (decoded == NOT_DECODED) decoded = values_.size();
        values_.append(seg, static_cast<size_t>(t - seg));
        if (c == '&') {
            char ch[4];
            size_t n = 0;
            if (int rc = reference(t, end, ch, n); rc != 0) return rc;
            values_.append(ch, n);
        } else {
            // Tab, line feed, carriage return and CR LF become one space.
            values_ += ' ';
            if (c == '\r') {
                if (t + 1 == end) return STOP;
                t += t[1] == '\n' ? 2 : 1;
            } else {
                ++t;
            }
            if (c != '\t') newline(t);
        }
        seg = t;
    }
    XmlReader::RawAttr &a = attrs_[index];
    if (decoded == NOT_DECODED) {
        a.value = {v, static_cast<size_t>(t - v)};
    } else {
        values_.append(seg, static_cast<size_t>(t - seg));
        a.value = {values_.data() + decoded, values_.size() - decoded};   // pointer set again once the tag is read
    }
    decoded_[index] = decoded;
    ++t;
    return 0;
}

// No attribute name twice among the first `count` of the tag at `tag`: pairs
// for a few, sorted names for many (a tag may hold millions).
int XmlScanner::unique_attrs(size_t count, const char *tag, const Pos &at) {
    const std::string_view *twice = nullptr;
    if (count <= 16) {
        for (size_t i = 1; i < count && !twice; ++i) {
            const std::string_view a = attrs_[i].name;
            for (size_t j = 0; j < i; ++j) {
                const std::string_view b = attrs_[j].name;
                if (a.size() == b.size() && a[0] == b[0] && same_bytes(a.data(), b.data(), a.size())) {
                    twice = &attrs_[i].name;
                    break;
                }
            }
        }
    } else {
        sorted_.clear();
        for (size_t i = 0; i < count; ++i) sorted_.push_back(attrs_[i].name);
        std::sort(sorted_.begin(), sorted_.end());
        const auto same = std::adjacent_find(sorted_.begin(), sorted_.end());
        if (same != sorted_.end()) twice = &*same;
    }
    if (!twice) return 0;
    pos_ = at;
    return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: attribute \"" + std::string(*twice) + "\" given twice", tag);
}

int XmlScanner::end_tag(const char *&p, const char *const end) {
    const Pos saved = pos_;
    const size_t begin = open_.size() > 1 ? open_[open_.size() - 2].end : 0;
    const std::string_view open_name(names_.data() + begin, open_.back().end - begin);
    const char *t = p + 2;
    Name name;
    // Mostly the name of the open element follows, and then an ASCII byte
    // that cannot continue it.
    const size_t n = open_name.size();
    if (static_cast<size_t>(end - t) > n && same_bytes(t, open_name.data(), n) && u8(t[n]) < 0x80 &&
        !(cls(t[n]) & C_NAME) && t[n] != ':') {
        name.begin = t;
        name.end = t + n;
        t += n;
    } else if (int rc = scan_name(t, end, name); rc != 0) {
        return rc == STOP ? incomplete(p, end, saved) : fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad element name", t);
    }
    skip_space(t, end, false);
    if (t == end) return incomplete(p, end, saved);
    if (*t != '>') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: end tag not closed by '>'", t);
    ++t;
    if (static_cast<size_t>(t - p) > limits_.max_markup_bytes) return too_long(p);
    const std::string_view qname = name.view();
    if (qname.size() != n || !same_bytes(qname.data(), open_name.data(), n)) {
        pos_ = saved;
        return fail(XMLREAD_ERR_MALFORMED,
                    "XML not well-formed: </" + std::string(qname) + "> ends <" + std::string(open_name) + ">", p);
    }
    tag_begin_ = offset_of(p);
    tag_end_ = offset_of(t);
    event_pos_ = saved;
    event_offset_ = tag_begin_;
    in_event_ = true;
    const int rc = reader_.close_element(qname, open_.back().colon);
    in_event_ = false;
    if (rc != 0) return rc;
    names_.resize(begin);
    open_.pop_back();
    p = t;
    if (open_.empty()) mode_ = Mode::EPILOG;
    return 0;
}

// "<!" inside the root: a comment or a CDATA section.
int XmlScanner::markup_decl(const char *&p, const char *const end) {
    const size_t have = static_cast<size_t>(end - p);
    if (have >= 3 && p[2] == '-') {
        if (have < 4) return STOP;
        if (p[3] != '-') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: \"<!-\" not followed by '-'", p + 3);
        return comment(p, end);
    }
    constexpr std::string_view open = "<![CDATA[";
    const size_t k = std::min(have, open.size());
    if (std::string_view(p, k) != open.substr(0, k)) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: invalid \"<!\"", p);
    if (k < open.size()) return STOP;
    p += open.size();
    mode_ = Mode::CDATA;
    return 0;
}

int XmlScanner::comment(const char *&p, const char *const end) {
    const Pos saved = pos_;
    const char *t = p + 4;
    for (;;) {
        while (t < end && !(cls(*t) & C_MARK)) ++t;
        if (t == end) return incomplete(p, end, saved);
        if (*t == '-') {
            if (t + 1 == end) return incomplete(p, end, saved);
            if (t[1] != '-') {
                ++t;
                continue;
            }
            if (t + 2 == end) return incomplete(p, end, saved);
            if (t[2] != '>') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: \"--\" inside a comment", t);
            t += 3;
            break;
        }
        if (int rc = other_char(t, end); rc != 0) return rc == STOP ? incomplete(p, end, saved) : rc;
    }
    if (static_cast<size_t>(t - p) > limits_.max_markup_bytes) return too_long(p);
    p = t;
    return 0;
}

// A processing instruction, or the XML declaration when it stands first.
int XmlScanner::instruction(const char *&p, const char *const end) {
    const Pos saved = pos_;
    const char *t = p + 2;
    Name target;
    if (int rc = scan_name(t, end, target); rc != 0)
        return rc == STOP ? incomplete(p, end, saved) : fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad instruction target", t);
    if (t == end) return incomplete(p, end, saved);
    if (*t != '?' && !is_space(*t)) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad instruction target", t);
    const std::string_view name = target.view();
    const bool xml = name == "xml";
    if (!xml && ascii_iequal(name, "xml"))
        return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: instruction target \"" + std::string(name) + "\" is reserved", p);
    if (*t == '?') {
        if (t + 1 == end) return incomplete(p, end, saved);
        if (t[1] != '>') return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: '?' not followed by '>'", t + 1);
        t += 2;
    } else {
        for (;;) {
            while (t < end && !(cls(*t) & C_MARK)) ++t;
            if (t == end) return incomplete(p, end, saved);
            if (*t == '?') {
                if (t + 1 == end) return incomplete(p, end, saved);
                if (t[1] == '>') {
                    t += 2;
                    break;
                }
                ++t;
                continue;
            }
            if (int rc = other_char(t, end); rc != 0) return rc == STOP ? incomplete(p, end, saved) : rc;
        }
    }
    if (static_cast<size_t>(t - p) > limits_.max_markup_bytes) return too_long(p);
    if (xml) {
        if (mode_ != Mode::PROLOG || offset_of(p) != decl_at_) {
            pos_ = saved;
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: XML declaration not at the start", p);
        }
        std::string_view encoding;
        if (!parse_xml_declaration(std::string_view(p + 5, static_cast<size_t>(t - 2 - (p + 5))), &encoding)) {
            pos_ = saved;
            return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad XML declaration", p);
        }
        if (ascii_iequal(encoding, "US-ASCII")) {
            ascii_only_ = true;
        } else if (!encoding.empty() && !ascii_iequal(encoding, "UTF-8")) {
            pos_ = saved;
            return fail(XMLREAD_ERR_MALFORMED, "XML encoding not supported here: " + std::string(encoding), p);
        }
        decl_.assign(p, t);
    }
    p = t;
    return 0;
}

// A byte of class C_MARK inside a comment or instruction that does not end
// it: 0 with *t past its character, STOP when cut, or a failure.
int XmlScanner::other_char(const char *&t, const char *const end) {
    const unsigned char c = u8(*t);
    if (c == '\n' || c == '\r') {
        t += c == '\r' && t + 1 < end && t[1] == '\n' ? 2 : 1;
        newline(t);
        return 0;
    }
    if (c >= 0x80) {
        const int n = char_size(t, end);
        if (n > 0) {
            pos_.cont += static_cast<uint64_t>(n - 1);
            t += n;
            return 0;
        }
        if (n == 0 && !final_) return STOP;
    } else if (!(CLASS[c] & C_BAD)) {
        ++t;
        return 0;
    }
    return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: invalid character", t);
}

// The reference at *t ('&'): its character into `out` (UTF-8) and *t past
// the ';'. Only the five predefined entities exist (no document type is
// read), and a character reference must name a character XML allows.
int XmlScanner::reference(const char *&t, const char *const end, char *out, size_t &size) {
    const char *r = t + 1;
    if (r == end) return STOP;
    if (*r == '#') {
        ++r;
        if (r == end) return STOP;
        const bool hex = *r == 'x';
        if (hex) ++r;
        const char *const digits = r;
        uint32_t cp = 0;
        for (;; ++r) {
            if (r == end) return STOP;
            const unsigned char c = u8(*r);
            if (c == ';' && r != digits) break;
            uint32_t d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') d = static_cast<uint32_t>((c | 0x20) - 'a' + 10);
            else return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: bad character reference", t);
            cp = cp * (hex ? 16 : 10) + d;
            if (cp > 0x10ffff) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: reference to an invalid character", t);
        }
        if (!xml_char(cp)) return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: reference to an invalid character", t);
        size = encode(cp, out);
        t = r + 1;
        return 0;
    }
    struct Entity {
        std::string_view name;
        char ch;
    };
    static constexpr Entity ENTITIES[] = {{"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}};
    const std::string_view rest(r, std::min<size_t>(static_cast<size_t>(end - r), 5));
    for (const Entity &e : ENTITIES) {
        if (rest.starts_with(e.name)) {
            out[0] = e.ch;
            size = 1;
            t = r + e.name.size();
            return 0;
        }
    }
    if (!final_)
        for (const Entity &e : ENTITIES)
            if (e.name.starts_with(rest)) return STOP;
    return fail(XMLREAD_ERR_MALFORMED, "XML not well-formed: undefined entity", t);
}

// scan_name() for names with a colon or beyond ASCII, or cut by the chunk.
int XmlScanner::scan_name_slow(const char *&t, const char *const end, Name &name) {
    const char *s = t;
    if (s == end) return STOP;
    size_t colons = 0, colon = 0;
    const unsigned char first = u8(*s);
    if (first < 0x80) {
        if (first == ':') ++colons;
        else if (!(CLASS[first] & C_START)) return -1;
        ++s;
    } else {
        const int n = char_size(s, end);
        if (n == 0 && !final_) return STOP;
        if (n <= 0 || !in_ranges(xml_names::START, decode(s, n))) return -1;
        pos_.cont += static_cast<uint64_t>(n - 1);
        s += n;
    }
    for (;;) {
        while (s < end && (cls(*s) & C_NAME)) ++s;
        if (s == end) {
            if (!final_) return STOP;
            break;
        }
        const unsigned char c = u8(*s);
        if (c == ':') {
            if (colons++ == 0) colon = static_cast<size_t>(s - t);
            ++s;
            continue;
        }
        if (c < 0x80) break;
        const int n = char_size(s, end);
        if (n == 0 && !final_) return STOP;
        if (n <= 0 || !in_ranges(xml_names::NAME, decode(s, n))) break;
        pos_.cont += static_cast<uint64_t>(n - 1);
        s += n;
    }
    const size_t size = static_cast<size_t>(s - t);
    name.begin = t;
    name.end = s;
    name.colon = colons == 0                                              ? XmlReader::NO_COLON
                 : colons > 1 || colon == 0 || colon + 1 == size ? XmlReader::BAD_NAME
                                                                          : colon;
    t = s;
    return 0;
}

// The size of the UTF-8 character at p (a byte of 0x80 or more): 2 to 4 when
// it is one XML allows, 0 when the chunk ends inside it, -1 when it is not
// (malformed, overlong, a surrogate, U+FFFE, U+FFFF, beyond U+10FFFF; any
// such byte in a US-ASCII document).
int XmlScanner::char_size(const char *p, const char *end) const {
    if (ascii_only_) return -1;
    const unsigned char c = u8(p[0]);
    const size_t left = static_cast<size_t>(end - p);
    const auto cont = [p](size_t i) { return (u8(p[i]) & 0xc0) == 0x80; };
    if (c < 0xc2) return -1;
    if (c < 0xe0) {
        if (left < 2) return 0;
        return cont(1) ? 2 : -1;
    }
    if (c < 0xf0) {
        if (left < 2) return 0;
        const unsigned char c1 = u8(p[1]);
        if (!cont(1) || (c == 0xe0 && c1 < 0xa0) || (c == 0xed && c1 >= 0xa0)) return -1;
        if (left < 3) return 0;
        if (!cont(2) || (c == 0xef && c1 == 0xbf && u8(p[2]) >= 0xbe)) return -1;
        return 3;
    }
    if (c < 0xf5) {
        if (left < 2) return 0;
        const unsigned char c1 = u8(p[1]);
        if (!cont(1) || (c == 0xf0 && c1 < 0x90) || (c == 0xf4 && c1 >= 0x90)) return -1;
        if (left < 3) return 0;
        if (!cont(2)) return -1;
        if (left < 4) return 0;
        return cont(3) ? 4 : -1;
    }
    return -1;
}

// skip_space() from a tab or line end on.
void XmlScanner::skip_space_slow(const char *&t, const char *const end, bool hold_cr) {
    while (t < end && (cls(*t) & C_SPACE)) {
        const char c = *t;
        if (c == '\n') {
            ++t;
            newline(t);
        } else if (c == '\r') {
            if (t + 1 == end) {
                if (hold_cr && !final_) return;
                ++t;
            } else {
                t += t[1] == '\n' ? 2 : 1;
            }
            newline(t);
        } else {
            ++t;
        }
    }
}

// ---- reporting -----------------------------------------------------------------

inline int XmlScanner::text(const char *s, size_t size, const char *at) {
    std::string &t = reader_.text_;
    if (size > limits_.max_text_bytes - t.size()) return text_too_long(at);
    t.append(s, size);
    return 0;
}

// A piece of text [s, e), counted against the bound.
inline int XmlScanner::piece(const char *s, const char *e) {
    return s == e ? 0 : text(s, static_cast<size_t>(e - s), s);
}

int XmlScanner::text_too_long(const char *at) {
    return fail(XMLREAD_ERR_LIMIT, "XML text longer than " + std::to_string(limits_.max_text_bytes) + " bytes", at);
}

// The chunk ends inside the token at `token`: read it again from there when
// more bytes come, unless it is already longer than markup may be.
int XmlScanner::incomplete(const char *token, const char *const end, const Pos &saved) {
    pos_ = saved;
    if (static_cast<size_t>(end - token) > limits_.max_markup_bytes) return too_long(token);
    return STOP;
}

int XmlScanner::too_long(const char *token) {
    return fail(XMLREAD_ERR_LIMIT, markup_message(limits_.max_markup_bytes), token);
}

long XmlScanner::column_at(const Pos &pos, uint64_t offset) {
    if (offset < pos.line_start) return 1;
    const uint64_t bytes = offset - pos.line_start, cont = pos.cont - pos.cont_line;
    return static_cast<long>(bytes > cont ? bytes - cont : 0) + 1;
}

int XmlScanner::fail(int status, std::string message, const char *at) {
    return reader_.fail_at(status, std::move(message), static_cast<long>(pos_.line), column_at(pos_, offset_of(at)));
}

long XmlScanner::line() const { return static_cast<long>(event_pos_.line); }

long XmlScanner::column() const { return column_at(event_pos_, event_offset_); }

// ---- capture and hand-over ---------------------------------------------------------

// Adds what is read up to `upto` to a running capture.
int XmlScanner::keep_capture(const char *upto) {
    if (!reader_.capturing_) return 0;
    std::string &kept = reader_.capture_;
    const uint64_t have = reader_.capture_start_ + kept.size();
    const uint64_t to = offset_of(upto);
    if (to <= have) return 0;
    const size_t n = static_cast<size_t>(to - have);
    if (kept.size() + n > limits_.max_text_bytes + limits_.max_markup_bytes + CAPTURE_SLACK)
        return fail(XMLREAD_ERR_LIMIT, "XML kept text longer than " + std::to_string(limits_.max_text_bytes) + " bytes", upto);
    kept.append(base_ + (have - base_offset_), n);
    return 0;
}

int XmlScanner::begin_capture(bool include_current) {
    if (!in_event_) return reader_.fail(XMLREAD_ERR_REFUSED, "XML capture outside a tag event");
    reader_.capture_.clear();
    reader_.capture_start_ = include_current ? tag_begin_ : tag_end_;
    reader_.capturing_ = true;
    return XMLREAD_OK;
}

int XmlScanner::end_capture(bool include_current, std::string_view *bytes) {
    if (!reader_.capturing_) return XMLREAD_ERR_REFUSED;
    reader_.capturing_ = false;
    if (!in_event_) return reader_.fail(XMLREAD_ERR_REFUSED, "XML capture outside a tag event");
    const uint64_t start = reader_.capture_start_;
    const uint64_t stop = std::max(include_current ? tag_end_ : tag_begin_, start);
    if (stop - start > limits_.max_text_bytes)
        return reader_.fail(XMLREAD_ERR_LIMIT, "XML kept text longer than " + std::to_string(limits_.max_text_bytes) + " bytes");
    std::string &kept = reader_.capture_;
    const uint64_t have = start + kept.size();
    if (stop > have) kept.append(base_ + (have - base_offset_), static_cast<size_t>(stop - have));
    else kept.resize(static_cast<size_t>(stop - start));
    *bytes = kept;
    return XMLREAD_OK;
}

void XmlScanner::keep_prolog(const char *from, const char *to) {
    if (prolog_full_ || from == to) return;
    if (prolog_.size() + static_cast<size_t>(to - from) > PROLOG_KEPT) {
        prolog_full_ = true;
        return;
    }
    prolog_.append(from, static_cast<size_t>(to - from));
}

// Expat takes the document from `at` on, after the prolog read so far (or,
// when that was long, the XML declaration and as many line ends, so that
// its positions still name the right line).
int XmlScanner::hand_over(const char *at) {
    if (prolog_full_) {
        handover_ = decl_;
        handover_.append(static_cast<size_t>(std::min<uint64_t>(pos_.line - 1, 1u << 20)), '\n');
    } else {
        handover_ = std::move(prolog_);
    }
    handover_at_ = at;
    return HANDOVER;
}

} // namespace vel
