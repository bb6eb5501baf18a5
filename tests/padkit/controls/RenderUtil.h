#pragma once

#include "platform/WinTypes.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <ostream>

// Paints a widget off-screen over a known backdrop, at one device pixel per logical pixel.
inline QImage RenderWidget(QWidget& w, QColor backdrop = QColor(12, 34, 56)) {
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(backdrop);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

// The same on a screen with the given scale factor: the image has that many device pixels per logical one.
inline QImage RenderWidgetScaled(QWidget& w, qreal dpr, QColor backdrop = QColor(12, 34, 56)) {
    QImage img((QSizeF(w.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(backdrop);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

inline QColor ColorOf(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Colours compared at 8 bits per channel, as the image stores them.
inline QColor Rgb8(const QColor& c) {
    return QColor(c.rgb());
}

inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << c.name(QColor::HexArgb).toStdString();
}

inline QColor PixelAt(const QImage& img, int x, int y) {
    return img.pixelColor(x, y);
}

inline int Luma(const QColor& c) {
    return (c.red() * 30 + c.green() * 59 + c.blue() * 11) / 100;
}
