// Workbook launch: xdg-mime's default application for the workbook type, its
// desktop entry's Exec line, else LibreOffice from PATH.
#include "launch.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "play_arg.h"

extern char **environ;

namespace gc {
namespace {

bool ends_with(const std::string &s, const std::string &tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool is_executable(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string find_on_path(const std::string &name)
{
    if (name.find('/') != std::string::npos)
        return is_executable(name) ? name : std::string();
    const char *path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (is_executable(candidate))
            return candidate;
    }
    return {};
}

// Runs argv (argv[0] looked up on PATH). With `output`, captures its standard
// output. Returns the exit status, or -1 when it could not be started.
int run_program(const std::vector<std::string> &args, std::string *output)
{
    if (args.empty())
        return -1;
    std::string program = find_on_path(args[0]);
    if (program.empty())
        return -1;
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    int fds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output) {
        if (::pipe(fds) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return -1;
        }
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
    }
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        ::close(fds[1]);
        if (rc == 0) {
            char buf[4096];
            ssize_t n;
            while ((n = ::read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
                if (n > 0 && output->size() < 65536)
                    output->append(buf, size_t(n));
        }
        ::close(fds[0]);
    }
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string trim(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

// Where desktop entries live, most specific first.
std::vector<std::string> application_dirs()
{
    std::vector<std::string> dirs;
    const char *home = std::getenv("HOME");
    const char *data_home = std::getenv("XDG_DATA_HOME");
    if (data_home && *data_home)
        dirs.push_back(std::string(data_home) + "/applications");
    else if (home && *home)
        dirs.push_back(std::string(home) + "/.local/share/applications");
    const char *data_dirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(data_dirs && *data_dirs ? data_dirs : "/usr/local/share:/usr/share");
    std::string dir;
    while (std::getline(list, dir, ':'))
        if (!dir.empty())
            dirs.push_back(dir + "/applications");
    return dirs;
}

std::string find_desktop_file(const std::string &id)
{
    if (id.empty() || id.find('/') != std::string::npos)
        return {};
    for (const std::string &dir : application_dirs()) {
        std::string candidate = dir + "/" + id;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return candidate;
        // An id like org-app.desktop may also live as org/app.desktop.
        std::string nested = id;
        for (char &c : nested)
            if (c == '-') {
                c = '/';
                candidate = dir + "/" + nested;
                if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                    return candidate;
                c = '-';
            }
    }
    return {};
}

} // namespace

std::optional<std::string> desktop_exec(const std::string &desktop_file)
{
    std::ifstream in(desktop_file);
    if (!in)
        return std::nullopt;
    std::string line;
    bool in_entry = false;
    while (std::getline(in, line)) {
        line = trim(line);
        if (!line.empty() && line[0] == '[') {
            in_entry = line == "[Desktop Entry]";
            continue;
        }
        if (in_entry && line.compare(0, 5, "Exec=") == 0)
            return trim(line.substr(5));
    }
    return std::nullopt;
}

std::vector<std::string> exec_arguments(const std::string &exec, const std::string &file)
{
    // Split into arguments: blanks separate, double quotes group, and inside
    // quotes a backslash escapes the next character.
    std::vector<std::string> raw;
    std::vector<bool> quoted;
    std::string cur;
    bool in_quotes = false, have = false, was_quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (in_quotes) {
            if (c == '\\' && i + 1 < exec.size())
                cur += exec[++i];
            else if (c == '"')
                in_quotes = false;
            else
                cur += c;
        } else if (c == '"') {
            in_quotes = have = was_quoted = true;
        } else if (c == ' ' || c == '\t') {
            if (have) {
                raw.push_back(cur);
                quoted.push_back(was_quoted);
            }
            cur.clear();
            have = was_quoted = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (in_quotes)
        return {};
    if (have) {
        raw.push_back(cur);
        quoted.push_back(was_quoted);
    }

    std::vector<std::string> args;
    bool placed = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        const std::string &a = raw[i];
        if (!quoted[i] && (a == "%f" || a == "%F" || a == "%u" || a == "%U")) {
            if (!placed)
                args.push_back(file);
            placed = true;
            continue;
        }
        std::string out;
        bool dropped = false;
        for (size_t k = 0; k < a.size(); ++k) {
            if (a[k] != '%' || k + 1 >= a.size()) {
                out += a[k];
                continue;
            }
            char code = a[++k];
            if (code == '%')
                out += '%';
            else if (!quoted[i] && (code == 'f' || code == 'F' || code == 'u' || code == 'U') && !placed) {
                out += file;
                placed = true;
            } else if (a.size() == 2)
                dropped = true;  // a lone %i, %c, %k ... disappears
        }
        if (!dropped)
            args.push_back(out);
    }
    if (args.empty())
        return {};
    if (!placed)
        args.push_back(file);
    return args;
}

int launch_workbook(const std::u16string &path)
{
    const std::string file = to_utf8(path);
    if (file.empty())
        return -1;
    const std::string mime = ends_with(file, ".xlsm") ? "application/vnd.ms-excel.sheet.macroEnabled.12"
                                                      : "application/vnd.openxmlformats-officedocument."
                                                        "spreadsheetml.sheet";
    std::string id;
    if (run_program({"xdg-mime", "query", "default", mime}, &id) == 0) {
        std::string desktop = find_desktop_file(trim(id));
        if (!desktop.empty()) {
            if (auto exec = desktop_exec(desktop)) {
                std::vector<std::string> args = exec_arguments(*exec, file);
                if (!args.empty() && run_program(args, nullptr) >= 0)
                    return 0;
            }
        }
    }
    for (const char *office : {"libreoffice", "soffice"})
        if (run_program({office, file}, nullptr) >= 0)
            return 0;
    return -1;
}

} // namespace gc
