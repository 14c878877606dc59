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

} // namespace gc
