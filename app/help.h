// The help dialog and the version box.
#pragma once
#include <QString>

class QWidget;

namespace gc {

QString help_text();        // lines joined by CR LF
QString version_text();
void show_help(QWidget *owner);   // modal, owned by the main window
void show_version();              // no owner, stays on top

} // namespace gc
