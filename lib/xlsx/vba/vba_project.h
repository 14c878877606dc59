// The VBA project of a macro-enabled workbook (xl/vbaProject.bin), generated
// from the project's own VBA source with its own compound-file writer.
#pragma once
#include <cstdint>
#include <vector>

namespace vel {

// Worksheet document modules in the project: "Sheet1" .. "Sheet1000". The
// package gives sheet K the code name "SheetK" and the workbook the code
// name "ThisWorkbook", which binds them to these modules.
constexpr int VBA_SHEET_MODULES = 1000;

// The generated vbaProject.bin, built once per process. Empty when it could
// not be generated.
const std::vector<uint8_t> &vba_project_bin();

} // namespace vel
