// The program's own artwork, drawn at start-up: the 59 x 56 window bitmap and
// the window icon (also the desktop icons, drawn at build time).
#pragma once
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace gc {

QPixmap logo_bitmap();   // 59 x 56
QIcon app_icon();
QImage icon_image(int size);   // size x size, transparent around the logo

} // namespace gc
