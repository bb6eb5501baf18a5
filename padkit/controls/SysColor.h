#pragma once

#include "platform/WinTypes.h"

#include <QApplication>
#include <QColor>
#include <QPalette>

// The desktop's system colours, read from the application palette so that the controls follow the theme.
namespace padkit {

enum class SysColor {
    BtnFace,      // button and dialog face
    BtnHighlight, // lit edge of a raised face
    BtnShadow,    // shaded edge
    DkShadow3D,   // dark outer shadow
    Light3D,      // light inner edge
    BtnText,
    GrayText,
    WindowText,
};

inline QColor SysQColor(SysColor index) {
    const QPalette pal = QApplication::palette();
    switch (index) {
    case SysColor::BtnFace:
        return pal.color(QPalette::Active, QPalette::Button);
    case SysColor::BtnHighlight:
        return pal.color(QPalette::Active, QPalette::Light);
    case SysColor::BtnShadow:
        return pal.color(QPalette::Active, QPalette::Dark);
    case SysColor::DkShadow3D:
        return pal.color(QPalette::Active, QPalette::Shadow);
    case SysColor::Light3D:
        return pal.color(QPalette::Active, QPalette::Midlight);
    case SysColor::BtnText:
        return pal.color(QPalette::Active, QPalette::ButtonText);
    case SysColor::GrayText:
        return pal.color(QPalette::Disabled, QPalette::ButtonText);
    case SysColor::WindowText:
        return pal.color(QPalette::Active, QPalette::WindowText);
    }
    return Qt::black;
}

inline COLORREF ToColorRef(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

inline COLORREF GetSysColorRef(SysColor index) {
    return ToColorRef(SysQColor(index));
}

// A colour word as a painter colour with the given opacity (0..255).
inline QColor ToQColor(COLORREF c, int alpha = 255) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c), alpha);
}

} // namespace padkit
