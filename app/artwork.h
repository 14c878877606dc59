// The program's own artwork, drawn at start-up: the 59 x 56 window bitmap and
// the window icon.
#pragma once
#include <QIcon>
#include <QPixmap>

namespace gc {

QPixmap logo_bitmap();   // 59 x 56
QIcon app_icon();

} // namespace gc
