// Loading of Qt's Japanese catalogue (Debian: qt6-translations-l10n).
#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace gc {

bool install_qt_translations(QCoreApplication &app)
{
    // The program speaks Japanese whatever the session's locale is.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto *qt = new QTranslator(&app);
    if (!qt->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}

} // namespace gc
