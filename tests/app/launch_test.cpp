// The workbook launch: desktop entry Exec lines, and a launch through a fake xdg-mime and desktop entry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

#include "launch.h"
#include "play_arg.h"
#include "test_support.h"

using Args = std::vector<std::string>;

TEST(Launch, ExecLineArguments)
{
    const std::string f = "/home/me/my book.xlsx";
    EXPECT_EQ(gc::exec_arguments("libreoffice --calc %U", f), (Args{"libreoffice", "--calc", f}));
    EXPECT_EQ(gc::exec_arguments("soffice", f), (Args{"soffice", f}));
    EXPECT_EQ(gc::exec_arguments("\"/opt/My Office/calc\" %i %f --x=100%%", f),
              (Args{"/opt/My Office/calc", f, "--x=100%"}));
    EXPECT_EQ(gc::exec_arguments("app --name \"a \\\"b\\\"\" %F %u", f), (Args{"app", "--name", "a \"b\"", f}));
    EXPECT_TRUE(gc::exec_arguments("\"unterminated %f", f).empty());
    EXPECT_TRUE(gc::exec_arguments("   ", f).empty());
}

TEST(Launch, StartsTheDesktopDefaultWithThePathIntact)
{
    const std::string dir = vtest::make_temp_dir("gc-launch");
    const std::string bin = dir + "/bin", apps = dir + "/data/applications", log = dir + "/args.txt";
    ASSERT_EQ(vtest::run("mkdir -p " + vtest::shell_quote(bin) + " " + vtest::shell_quote(apps)), 0);
    auto script = [&](const std::string &path, const std::string &body) {
        std::ofstream(path) << "#!/bin/sh\n" << body;
        ::chmod(path.c_str(), 0755);
    };
    script(bin + "/xdg-mime", "echo fake-calc.desktop\n");
    script(bin + "/fakecalc", "for a in \"$@\"; do echo \"[$a]\"; done > " + vtest::shell_quote(log) + "\n");
    std::ofstream(apps + "/fake-calc.desktop")
        << "[Desktop Entry]\nName=Fake\nExec=" << bin << "/fakecalc --calc %U\n[Desktop Action x]\nExec=nope\n";

    const std::string saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    const std::string book = dir + "/出力 ブック.xlsm";
    int rc = gc::launch_workbook(gc::to_utf16(book));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(vtest::read_file(log), "[--calc]\n[" + book + "]\n");

    // Nothing registered and no office suite on PATH: -1, silently.
    setenv("PATH", dir.c_str(), 1);
    EXPECT_EQ(gc::launch_workbook(gc::to_utf16(book)), -1);
    setenv("PATH", saved_path.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
}
