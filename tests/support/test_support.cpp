#include "test_support.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

std::string corpus_dir() { return shared_dir() + "/corpus"; }

std::vector<std::string> corpus_files(const std::vector<std::string> &extensions) {
    std::vector<std::string> out;
    if (DIR *d = opendir(corpus_dir().c_str())) {
        while (dirent *e = readdir(d)) {
            const std::string n = e->d_name;
            for (const std::string &ext : extensions)
                if (n.size() > ext.size() && n.compare(n.size() - ext.size(), ext.size(), ext) == 0)
                    out.push_back(corpus_dir() + "/" + n);
        }
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string make_temp_dir(const std::string &tag) {
    std::string dir = env_or("TMPDIR", "/tmp") + "/vel-" + tag + "-XXXXXX";
    return mkdtemp(dir.data()) ? dir : env_or("TMPDIR", "/tmp");
}

std::string shell_quote(const std::string &s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int run(const std::string &command, std::string *out) {
    FILE *p = popen((command + " 2>&1").c_str(), "r");
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
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool have_program(const std::string &name) {
    return run("command -v " + shell_quote(name) + " >/dev/null") == 0;
}

static std::string report(int rc, const std::string &out, const std::string &what) {
    return rc == 0 ? std::string() : out.empty() ? what + " failed" : out;
}

std::string validate_xlsx(const std::string &file) {
    std::string out;
    const int rc = run(shell_quote(source_dir() + "/tests/tools/validate-xlsx") + " --quiet " + shell_quote(file), &out);
    return report(rc, out, "validate-xlsx");
}

std::string python_check(const std::string &script, const std::string &file, const std::string &expect_json) {
    const std::string json_path = file + ".expect.json";
    std::ofstream(json_path, std::ios::binary) << expect_json;
    std::string out;
    const int rc = run("/usr/bin/python3 " + shell_quote(source_dir() + "/" + script) + " " + shell_quote(file) + " " +
                           shell_quote(json_path),
                       &out);
    return report(rc, out, script);
}

std::string soffice_convert(const std::vector<std::string> &files, const std::string &outdir, const std::string &to) {
    std::string cmd = "cd " + shell_quote(outdir) + " && timeout 170 soffice -env:UserInstallation=file://" + outdir +
                      "/lo-profile --headless --norestore --convert-to " + shell_quote(to) + " --outdir " +
                      shell_quote(outdir);
    for (const std::string &f : files) cmd += " " + shell_quote(f);
    std::string out;
    const int rc = run(cmd, &out);
    return rc == 0 ? std::string() : "soffice failed: " + out;
}

// The output of python3 running `code` with z, the zip package `file`, and sys.argv[2], `arg`.
static std::string with_zip(const std::string &code, const std::string &file, const std::string &arg = "") {
    std::string out;
    run("/usr/bin/python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); " + code + "' " + shell_quote(file) +
            " " + shell_quote(arg),
        &out);
    return out;
}

std::string zip_part(const std::string &file, const std::string &part) {
    return with_zip("sys.stdout.buffer.write(z.read(sys.argv[2]) if sys.argv[2] in z.namelist() else b\"\")", file, part);
}

std::string zip_names(const std::string &file) { return with_zip("print(\"\\n\".join(z.namelist()))", file); }

} // namespace vtest
