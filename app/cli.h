// The headless command line: `gridcinema convert INPUT [options]`.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "library.h"

namespace gc {

// Runs the command line with the arguments after the program name. Returns
// the process exit code: 0 done, 1 conversion failed, 2 usage error.
int cli_main(const std::vector<std::string> &args, Library &lib, std::ostream &out, std::ostream &err);

std::string cli_usage();

// True when the arguments name one file for the window to open as if it had
// been dropped on it (`gridcinema FILE`, as a desktop starts it).
bool opens_file(const std::vector<std::string> &args);

} // namespace gc
