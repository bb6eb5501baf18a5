#include "app/res/Resources.h"

#include <QPainter>
#include <QPixmap>

// Four pads, one of them lit, on the window's dark grey: the program's mark. An image, so that the
// icon files of the installed program are drawn without any display.
QImage AppIconImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 64, 64));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    const qreal margin = s * 0.14;
    const qreal gap = s * 0.08;
    const qreal pad = (s - 2 * margin - gap) / 2;
    const QColor stopped(128, 64, 64);
    const QColor playing(255, 128, 128);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 2; ++col) {
            const QRectF r(margin + col * (pad + gap), margin + row * (pad + gap), pad, pad);
            p.setBrush(row == 0 && col == 0 ? playing : stopped);
            p.drawRoundedRect(r, pad * 0.2, pad * 0.2);
        }
    }
    return img;
}

QIcon LoadAppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}
