// The VBA project of a macro-enabled workbook (xl/vbaProject.bin), generated
// from the project's own VBA source with its own compound-file writer.
#pragma once
#include <cstdint>
#include <vector>

namespace vel {

// The generated vbaProject.bin, built once per process. Empty when it could
// not be generated.
const std::vector<uint8_t> &vba_project_bin();

} // namespace vel
