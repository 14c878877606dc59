// Top-level elements and start-tag attributes of kept XML text.
#include "xml/fragment.h"

#include <cstring>

namespace vel {

namespace {

// End (just past '>') of the markup that starts at `at` ('<'), quotes
// respected; npos when it does not end.
size_t tag_close(std::string_view text, size_t at) {
    char quote = 0;
    for (size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

size_t skip_to(std::string_view text, size_t at, std::string_view mark) {
    size_t found = text.find(mark, at);
    return found == std::string_view::npos ? std::string_view::npos : found + mark.size();
}

bool name_char(char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '/' && c != '>'; }

} // namespace

std::vector<FragmentElement> fragment_elements(std::string_view text) {
    std::vector<FragmentElement> out;
    int depth = 0;
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        std::string_view rest = text.substr(i);
        size_t next;
        if (rest.substr(0, 4) == "<!--") {
            next = skip_to(text, i + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            next = skip_to(text, i + 9, "]]>");
        } else if (rest.substr(0, 2) == "<?" || rest.substr(0, 2) == "<!") {
            next = tag_close(text, i);
        } else if (rest.substr(0, 2) == "</") {
            next = tag_close(text, i);
            if (next == std::string_view::npos) break;
            if (--depth == 0 && !out.empty()) out.back().end = next;
            if (depth < 0) break;
        } else {
            next = tag_close(text, i);
            if (next == std::string_view::npos) break;
            const bool empty = text[next - 2] == '/';
            if (depth == 0) {
                size_t n = i + 1;
                while (n < next && name_char(text[n])) ++n;
                FragmentElement e;
                e.qname = text.substr(i + 1, n - i - 1);
                size_t colon = e.qname.find(':');
                e.local = colon == std::string_view::npos ? e.qname : e.qname.substr(colon + 1);
                e.begin = i;
                e.tag_end = next;
                e.end = empty ? next : std::string_view::npos;
                e.empty = empty;
                out.push_back(e);
            }
            if (!empty) ++depth;
        }
        if (next == std::string_view::npos) break;
        i = next;
    }
    // An element left open (not well formed) ends with the text.
    for (FragmentElement &e : out)
        if (e.end == std::string_view::npos) e.end = text.size();
    return out;
}

bool root_children(std::string_view doc, FragmentElement &root, std::vector<FragmentElement> &children) {
    std::vector<FragmentElement> top = fragment_elements(doc);
    if (top.empty()) return false;
    root = top.front();
    if (root.empty) {
        children.clear();
        return true;
    }
    // The root's content ends at its end tag.
    size_t close = doc.rfind("</", root.end == 0 ? 0 : root.end - 1);
    if (close == std::string_view::npos || close < root.tag_end) close = root.end;
    children = fragment_elements(doc.substr(root.tag_end, close - root.tag_end));
    for (FragmentElement &e : children) {
        e.begin += root.tag_end;
        e.tag_end += root.tag_end;
        e.end += root.tag_end;
    }
    return true;
}

bool tag_attribute(std::string_view tag, std::string_view name, size_t &value_begin, size_t &value_end) {
    size_t i = 1;
    while (i < tag.size() && name_char(tag[i])) ++i;   // element name
    while (i < tag.size()) {
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\r' || tag[i] == '\n')) ++i;
        size_t n = i;
        while (n < tag.size() && tag[n] != '=' && name_char(tag[n])) ++n;
        if (n == i || n >= tag.size()) return false;
        std::string_view attr = tag.substr(i, n - i);
        while (n < tag.size() && tag[n] != '"' && tag[n] != '\'') ++n;
        if (n >= tag.size()) return false;
        const char quote = tag[n];
        size_t close = tag.find(quote, n + 1);
        if (close == std::string_view::npos) return false;
        if (attr == name) {
            value_begin = n + 1;
            value_end = close;
            return true;
        }
        i = close + 1;
    }
    return false;
}

void set_tag_attribute(std::string &text, size_t tag_begin, std::string_view name, std::string_view value) {
    size_t tag_end = tag_close(text, tag_begin);
    if (tag_end == std::string::npos) return;
    std::string_view tag(text.data() + tag_begin, tag_end - tag_begin);
    size_t vb, ve;
    if (tag_attribute(tag, name, vb, ve)) {
        text.replace(tag_begin + vb, ve - vb, value);
        return;
    }
    size_t at = tag_end - 1;               // before '>' or "/>"
    if (text[at - 1] == '/') --at;
    text.insert(at, " " + std::string(name) + "=\"" + std::string(value) + "\"");
}

} // namespace vel
