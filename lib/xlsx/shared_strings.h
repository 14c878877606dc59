// XML text escaping of free text, in both directions.
#pragma once
#include <string>

namespace vel {

// Rewrites `text` in place. Modes: 0 unescapes (entities, "_x005F"
// protection, "_x001A_" as a blank); 1 escapes; 2 escapes but keeps carriage
// return and line feed. Returns 0, -2 out of memory, -3 for an unknown mode.
int vlt_xml_escape(int mode, std::string &text);

} // namespace vel
