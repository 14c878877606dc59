// Writes the program's icon, drawn by the same code as the window icon, as
// DIR/SIZExSIZE/apps/gridcinema.png for each SIZE given.
//   usage: make_icons DIR SIZE...
#include <QDir>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "artwork.h"

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icons DIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) {
            std::fprintf(stderr, "make_icons: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !gc::icon_image(size).save(dir + "/gridcinema.png", "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
