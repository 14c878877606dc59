// ぐりっどしねま: with no arguments the window, with `convert` the command line.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "library.h"
#include "translations.h"
#include "window.h"

int main(int argc, char **argv)
{
    if (argc > 1) {
        std::vector<std::string> args(argv + 1, argv + argc);
        return gc::cli_main(args, gc::velmora_library(), std::cout, std::cerr);
    }
    QApplication app(argc, argv);
    gc::install_qt_translations(app);
    gc::MainWindow window(gc::velmora_library(), gc::default_prompts());
    window.show();
    int rc = app.exec();
    return window.exit_code() != 0 ? window.exit_code() : rc;
}
