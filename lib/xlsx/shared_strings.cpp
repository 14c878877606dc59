// xl/sharedStrings.xml: the book's shared-string table in entry order, and
// the escaping routine for free text.
#include "xlsx/shared_strings.h"

#include <cstring>
#include <new>

#include "xlsx/package.h"

namespace vel {

namespace {

// Reverses the escaping of text read from a part.
void unescape(std::string &text) {
    static constexpr struct {
        const char *from;
        char to;
    } entities[] = {{"&lt;", '<'},    {"&gt;", '>'},    {"&amp;", '&'},   {"&#xD;", '\r'}, {"&#xA;", '\n'},
                    {"&#x9;", '\t'},  {"&#x20;", ' '},  {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '&') {
            bool hit = false;
            for (const auto &e : entities) {
                size_t n = std::strlen(e.from);
                if (text.compare(i, n, e.from) == 0) {
                    out += e.to;
                    i += n;
                    hit = true;
                    break;
                }
            }
            if (hit) continue;
        } else if (c == '_') {
            if (text.compare(i, 6, "_x005F") == 0) {
                i += 6;
                continue;
            }
            if (text.compare(i, 7, "_x001A_") == 0) {
                out += ' ';
                i += 7;
                continue;
            }
        }
        out += c;
        ++i;
    }
    text.swap(out);
}

// <si> with its <t>, preserving blanks when the text holds any.
void write_si(XmlWriter &w, std::string_view text) {
    bool blank = text.find(' ') != std::string_view::npos;
    w.raw(blank ? "<si><t xml:space=\"preserve\">" : "<si><t>");
    w.text(text, ESCAPE_KEEP_BREAKS);
    w.raw("</t><phoneticPr fontId=\"1\"/></si>");
}

} // namespace

int vlt_xml_escape(int mode, std::string &text) {
    try {
        if (mode == 0) {
            unescape(text);
            return 0;
        }
        if (mode != ESCAPE_ALL && mode != ESCAPE_KEEP_BREAKS) return -3;
        std::string out;
        out.reserve(text.size() * 2 + 7);
        append_escaped(out, text, mode);
        text.swap(out);
        return 0;
    } catch (const std::bad_alloc &) {
        return -2;
    }
}

void write_string_item(XmlWriter &w, std::string_view text) { write_si(w, text); }

void write_shared_strings(const SaveContext &ctx, XmlWriter &w) {
    const auto &sst = ctx.model->sst;
    w.declaration();
    w.raw("<sst xmlns=\"");
    w.raw(NS_MAIN);
    w.raw("\" count=\"");
    w.num(static_cast<int64_t>(sst.size()));
    w.raw("\" uniqueCount=\"");
    w.num(static_cast<int64_t>(sst.size()));
    w.raw("\">");
    for (size_t i = 0; i < sst.size(); ++i) write_si(w, sst[i]);
    w.raw("</sst>");
}

} // namespace vel
