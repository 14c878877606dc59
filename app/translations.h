// Qt's own Japanese translations, so that the texts Qt supplies (standard
// buttons of message boxes, the text boxes' context menus) read as the rest
// of the program does.
#pragma once

class QCoreApplication;

namespace gc {

// Installs qtbase_ja from Qt's translations directory on `app`; false when
// the catalogue is not installed (the program then runs with Qt's English).
bool install_qt_translations(QCoreApplication &app);

} // namespace gc
