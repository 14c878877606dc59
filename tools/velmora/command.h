// The `velmora` command: run, dump, find, help, --version.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace velcmd {

// Runs the command line (the arguments after the program name). Returns the
// exit code: 0 done, 1 the job failed, 2 bad usage. Results go to `out`,
// messages to `err`; `velmora help` prints to standard output.
int run_command(const std::vector<std::string> &args, std::FILE *out, std::FILE *err);

std::string usage();

} // namespace velcmd
