// A film frame turning into a grid of coloured cells: a strip with sprocket
// holes on the left, a picture of cells on the right.
#include "artwork.h"

#include <QPainter>

namespace gc {
namespace {

void draw_logo(QPainter &p, double w, double h)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(w / 59.0, h / 56.0);
    // Film strip.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 44, 52));
    p.drawRoundedRect(QRectF(1, 4, 57, 48), 5, 5);
    p.setBrush(QColor(236, 236, 228));
    for (int i = 0; i < 6; ++i) {
        p.drawRoundedRect(QRectF(4 + i * 9, 6, 5, 4), 1, 1);
        p.drawRoundedRect(QRectF(4 + i * 9, 46, 5, 4), 1, 1);
    }
    // The frame as spreadsheet cells: a sunset over a sea.
    const QColor sky[2] = {QColor(248, 160, 16), QColor(248, 200, 64)};
    const QColor sea[2] = {QColor(24, 96, 184), QColor(48, 136, 216)};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 8; ++c) {
            QColor col = r < 3 ? sky[(r + c) % 2] : sea[(r + c) % 2];
            if (r == 2 && (c == 3 || c == 4))
                col = QColor(248, 248, 232);  // the sun on the horizon
            p.setBrush(col);
            p.drawRect(QRectF(5.5 + c * 6, 12.5 + r * 5.2, 5.2, 4.6));
        }
}

} // namespace

QPixmap logo_bitmap()
{
    QPixmap pm(59, 56);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    draw_logo(p, 59, 56);
    return pm;
}

QImage icon_image(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.translate(0, size * 0.025);
    draw_logo(p, size, size * 0.95);
    return image;
}

QIcon app_icon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(icon_image(size)));
    return icon;
}

} // namespace gc
