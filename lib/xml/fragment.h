// Light work on XML text kept from a document that was parsed before (and is
// therefore well formed): finding its top-level elements, and reading or
// setting an attribute of a start tag, without parsing it again.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

struct FragmentElement {
    std::string_view qname;   // as written, prefix included
    std::string_view local;   // without the prefix
    size_t begin = 0;         // the '<' of the start tag
    size_t tag_end = 0;       // just past the start tag's '>'
    size_t end = 0;           // just past the element (its end tag, or the empty tag)
    bool empty = false;       // written as <name .../>
};

// The elements at the top level of `text`; comments, processing
// instructions, CDATA sections and text between them are skipped.
std::vector<FragmentElement> fragment_elements(std::string_view text);

// The root element of a document and the elements directly inside it.
// False when the text has no root element.
bool root_children(std::string_view doc, FragmentElement &root, std::vector<FragmentElement> &children);

// Position of the value of attribute `name` (as written, prefix included) in
// the start tag `tag`; false when the tag has none.
bool tag_attribute(std::string_view tag, std::string_view name, size_t &value_begin, size_t &value_end);

// Gives the start tag at `tag_begin` of `text` the attribute `name` with the
// (already escaped) value, replacing the value it has.
void set_tag_attribute(std::string &text, size_t tag_begin, std::string_view name, std::string_view value);

} // namespace vel
