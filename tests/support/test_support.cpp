#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vtest {

static std::string env_or(const char *name, const char *fallback) {
    const char *v = std::getenv(name);
    return v && *v ? v : fallback;
}

#ifndef VEL_SOURCE_DIR_DEFAULT
#define VEL_SOURCE_DIR_DEFAULT "."
#endif
#ifndef VEL_SHARED_DIR_DEFAULT
#define VEL_SHARED_DIR_DEFAULT "../shared"
#endif

std::string source_dir() { return env_or("VEL_SOURCE_DIR", VEL_SOURCE_DIR_DEFAULT); }
std::string shared_dir() { return env_or("VEL_SHARED_DIR", VEL_SHARED_DIR_DEFAULT); }

std::string make_temp_dir(const std::string &tag) {
    std::string base = env_or("TMPDIR", "/tmp");
    std::string templ = base + "/vel-" + tag + "-XXXXXX";
    std::string buf = templ;
    if (!mkdtemp(buf.data())) return base;
    return buf;
}

std::string shell_quote(const std::string &s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

int run(const std::string &command, std::string *out) {
    std::string cmd = command + " 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool have_program(const std::string &name) {
    return run("command -v " + shell_quote(name) + " >/dev/null") == 0;
}

} // namespace vtest
