// velmora: the spreadsheet library from a shell.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"

int main(int argc, char **argv)
{
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    std::vector<std::string> args(argv + 1, argv + argc);
    int rc = velcmd::run_command(args, stdout, stderr);
    if (std::fflush(stdout) != 0 && rc == 0)
        rc = 1;
    return rc;
}
