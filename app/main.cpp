// ぐりっどしねま: with no arguments the window, with one file the window with
// that file dropped on it (as a desktop's "Open with" starts it), with
// `convert` the command line.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "library.h"
#include "translations.h"
#include "window.h"

int main(int argc, char **argv)
{
    QString file;
    if (argc > 1) {
        std::vector<std::string> args(argv + 1, argv + argc);
        if (!gc::opens_file(args))
            return gc::cli_main(args, gc::velmora_library(), std::cout, std::cerr);
        std::string path = args[0];
        if (path.rfind("file:", 0) == 0)
            path = QUrl(QString::fromLocal8Bit(path.c_str())).toLocalFile().toLocal8Bit().toStdString();
        struct stat st {};
        const char *why = nullptr;
        if (path.empty() || ::stat(path.c_str(), &st) != 0)
            why = path.empty() ? "not a local file" : std::strerror(errno);
        else if (!S_ISREG(st.st_mode))
            why = "not a regular file";
        if (why) {
            std::cerr << "gridcinema: cannot open " << args[0] << ": " << why << "\n";
            return 1;
        }
        file = QFileInfo(QString::fromLocal8Bit(path.c_str())).absoluteFilePath();
    }
    QApplication app(argc, argv);
    gc::install_qt_translations(app);
    gc::MainWindow window(gc::velmora_library(), gc::default_prompts());
    window.show();
    if (!file.isEmpty())
        QTimer::singleShot(0, &window, [&window, file] { window.drop_files({file}); });
    int rc = app.exec();
    return window.exit_code() != 0 ? window.exit_code() : rc;
}
