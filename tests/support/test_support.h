// Helpers shared by the test programs: paths, temporary folders, running outside checkers.
#pragma once
#include <string>
#include <vector>

namespace vtest {

std::string source_dir();              // the repository
std::string shared_dir();              // ../shared beside the repository
std::string corpus_dir();              // the shared corpus
// The corpus files whose names end in one of the extensions, sorted; empty when the corpus is absent.
std::vector<std::string> corpus_files(const std::vector<std::string> &extensions);
std::string make_temp_dir(const std::string &tag); // fresh folder under $TMPDIR
// Runs a shell command, returns its exit status; output captured into *out.
int run(const std::string &command, std::string *out = nullptr);
std::string read_file(const std::string &path);
bool have_program(const std::string &name);
std::string shell_quote(const std::string &s);

// Outside checkers; each returns "" when the file passes, else their report.
std::string validate_xlsx(const std::string &file); // tests/tools/validate-xlsx, every part
// Runs python3 SCRIPT FILE EXPECT, EXPECT being `expect_json` written beside FILE.
std::string python_check(const std::string &script, const std::string &file, const std::string &expect_json);
// LibreOffice converts `files` into `outdir` with the filter of `to` ("pdf", "csv" ...).
std::string soffice_convert(const std::vector<std::string> &files, const std::string &outdir, const std::string &to);
// One part of a zip package ("" when missing), and the names of its parts one a line.
std::string zip_part(const std::string &file, const std::string &part);
std::string zip_names(const std::string &file);

} // namespace vtest
