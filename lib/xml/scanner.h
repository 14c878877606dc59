// Our own streaming XML scanner: the fast parser under XmlReader for UTF-8
// documents (see reader.h for what it guarantees and refuses).
//
// Tokens are read straight from the caller's chunk. Only a token cut by the
// end of a chunk is copied (into pending_) and completed from the next
// chunks; it is tried again only once its bytes have doubled, so a long
// token fed a byte at a time still costs linear time. Names and attribute
// values without references point into the input; decoded values go into a
// reused buffer and text into the reader's. The scanner checks everything
// expat checks, in an order that shows the same way: text before a fault
// reaches the reader first, so a text bound met before the fault wins, as
// it does with expat.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xml/reader.h"

namespace vel {

// The inside of an XML declaration (the bytes between "<?xml" and "?>"):
// version, then optionally encoding and standalone, in that order, each
// after white space, values of letters, digits, '.', '_' and '-', as expat
// accepts them. *encoding gets the encoding named (empty when none).
bool parse_xml_declaration(std::string_view inside, std::string_view *encoding);

class XmlScanner {
public:
    // From feed() and finish(): the scanner met "<!" before the root (a
    // document type declaration, or something malformed) and the rest of the
    // document is expat's: first take_handover(), then the last chunk fed
    // from handover_rest() on.
    static constexpr int HANDOVER = 1;

    XmlScanner(XmlReader &reader, const XmlLimits &limits);
    void reset();

    int feed(const char *data, size_t size);
    int finish();
    std::string take_handover() { return std::move(handover_); }
    size_t handover_rest() const { return handover_rest_; }

    // Position of the current event.
    long line() const;
    long column() const;

    int begin_capture(bool include_current);
    int end_capture(bool include_current, std::string_view *bytes);

private:
    enum class Mode : uint8_t { PROLOG, CONTENT, CDATA, EPILOG };
    // Where the scan is: line, where the line began, and the continuation
    // bytes of UTF-8 seen so far and at the line's start (columns count
    // characters).
    struct Pos {
        uint64_t line = 1, line_start = 0, cont = 0, cont_line = 0;
    };
    struct Name {
        const char *begin = nullptr, *end = nullptr;
        size_t colon = 0;
        std::string_view view() const { return {begin, static_cast<size_t>(end - begin)}; }
    };
    struct OpenName {
        size_t end;   // in names_
        size_t colon;
    };

    int run(const char *base, size_t size, uint64_t offset, bool final, size_t &used);
    int prolog(const char *&p, const char *end);
    int epilog(const char *&p, const char *end);
    int content(const char *&p, const char *end);
    int cdata(const char *&p, const char *end);
    int start_tag(const char *&p, const char *end);
    int attr_value(const char *&t, const char *end, char quote, size_t index);
    int unique_attrs(size_t count, const char *tag, const Pos &at);
    int end_tag(const char *&p, const char *end);
    int markup_decl(const char *&p, const char *end);
    int comment(const char *&p, const char *end);
    int instruction(const char *&p, const char *end);
    int other_char(const char *&t, const char *end);
    int reference(const char *&t, const char *end, char *out, size_t &size);
    int scan_name(const char *&t, const char *end, Name &name);
    int scan_name_slow(const char *&t, const char *end, Name &name);
    int char_size(const char *p, const char *end) const;
    void skip_space(const char *&t, const char *end, bool hold_cr);
    void skip_space_slow(const char *&t, const char *end, bool hold_cr);
    int text(const char *s, size_t size, const char *at);
    int piece(const char *s, const char *e);
    int text_too_long(const char *at);
    int incomplete(const char *token, const char *end, const Pos &saved);
    int too_long(const char *token);
    int fail(int status, std::string message, const char *at);
    int keep_capture(const char *upto);
    void keep_prolog(const char *from, const char *to);
    int hand_over(const char *at);
    void newline(const char *after) {
        ++pos_.line;
        pos_.line_start = offset_of(after);
        pos_.cont_line = pos_.cont;
    }
    uint64_t offset_of(const char *p) const { return base_offset_ + static_cast<uint64_t>(p - base_); }
    static long column_at(const Pos &pos, uint64_t offset);

    XmlReader &reader_;
    XmlLimits limits_;
    Mode mode_ = Mode::PROLOG;
    bool ascii_only_ = false;   // US-ASCII declared: no byte above 0x7F
    bool bom_checked_ = false;
    uint64_t decl_at_ = 0;      // where an XML declaration may stand (after a byte-order mark)

    // The chunk being read: its bytes, their stream offset, and whether the
    // document ends with it.
    const char *base_ = nullptr;
    uint64_t base_offset_ = 0;
    bool final_ = false;

    std::string pending_;       // the bytes of a cut token, from next_ on
    uint64_t next_ = 0;         // stream offset of the first byte not yet read
    size_t retry_at_ = 0;       // try pending_ again once it holds this many bytes

    Pos pos_;
    Pos event_pos_;             // at the current tag
    uint64_t event_offset_ = 0;

    std::string names_;         // qualified names of the open elements, end to end
    std::vector<OpenName> open_;

    // The start tag being read.
    std::vector<XmlReader::RawAttr> attrs_;
    std::vector<size_t> decoded_; // per attribute: its value's offset in values_, or NOT_DECODED
    std::string values_;
    std::vector<std::string_view> sorted_;

    // Events and capture.
    bool in_event_ = false;
    uint64_t tag_begin_ = 0, tag_end_ = 0;

    // The prolog as read, for a hand-over to expat.
    std::string prolog_;
    std::string decl_;
    bool prolog_full_ = false;
    std::string handover_;
    size_t handover_rest_ = 0;
    const char *handover_at_ = nullptr;
};

} // namespace vel
