// Pieces of the VBA project generator, visible to the tests.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// Source of the workbook module (the animation macro), UTF-8, LF line ends.
std::string_view vba_this_workbook_source();
// Source of the worksheet document module "Sheet<number>", same form.
std::string vba_sheet_source(int number);

// Encrypts `data` the way the project's protection-state, password and
// visibility values are stored, as upper-case hex. The key comes from the
// project id text (with braces); `seed` picks the variant.
std::string vba_encrypt_hex(std::span<const uint8_t> data, std::string_view project_id, uint8_t seed);

// Builds the whole vbaProject.bin. Returns false with a message in *error.
bool build_vba_project(std::vector<uint8_t> &out, std::string *error);

} // namespace vel
