// Running the velmora command in-process and the built program.
#pragma once
#include <string>
#include <vector>

#include "command.h"
#include "test_support.h"

namespace vtest {

struct Ran {
    int rc;
    std::string out, err;
};

// The command in-process, its output and messages captured.
inline Ran velmora(const std::vector<std::string> &args) {
    std::FILE *out = std::tmpfile(), *err = std::tmpfile();
    Ran r{velcmd::run_command(args, out, err), "", ""};
    for (auto [f, text] : {std::pair{out, &r.out}, std::pair{err, &r.err}}) {
        std::fflush(f);
        std::rewind(f);
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, n);
        std::fclose(f);
    }
    return r;
}

} // namespace vtest
