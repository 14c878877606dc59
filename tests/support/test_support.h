// Helpers shared by the test programs: paths, temporary folders, running
// external checkers (validate-xlsx, python3 with openpyxl, LibreOffice).
#pragma once
#include <string>

namespace vtest {

std::string source_dir();              // the repository
std::string shared_dir();              // ../shared beside the repository
std::string make_temp_dir(const std::string &tag); // fresh folder under $TMPDIR
// Runs a shell command, returns its exit status; output captured into *out.
int run(const std::string &command, std::string *out = nullptr);
std::string read_file(const std::string &path);
bool have_program(const std::string &name);
std::string shell_quote(const std::string &s);

} // namespace vtest
