// Takes the window's screenshot for the documentation: drops FILE on the
// window, lets the first frame show, and saves the window as PNG.
//   usage: gridcinema_screenshot FILE OUT.png   (run under xvfb-run)
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <cstdio>

#include "library.h"
#include "window.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE OUT.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    gc::Prompts prompts = gc::default_prompts();
    gc::MainWindow window(gc::velmora_library(), prompts);
    window.show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        app.processEvents(QEventLoop::AllEvents, 20);
    window.drop_files({QString::fromLocal8Bit(argv[1])});
    t.restart();
    while (t.elapsed() < 500)
        app.processEvents(QEventLoop::AllEvents, 20);
    return window.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
