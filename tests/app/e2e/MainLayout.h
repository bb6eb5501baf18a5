#pragma once

// Where the main window's controls are, whatever the window system: its template's dialog units turned
// into pixels of the window as Padora lays it out (the menu bar above the client area).
#include "platform/DialogTemplate.h"

#include <QPoint>
#include <QSize>

namespace e2e {

class CMainLayout {
public:
    // The left edges of the ten channel strips, in dialog units.
    static constexpr int kStripX[10] = {6, 40, 74, 108, 143, 178, 212, 247, 282, 317};
    static constexpr double kPadY = 292;      // the middle of a pad
    static constexpr double kFaderTopY = 170; // a channel fader's thumb at full level
    static constexpr double kFaderX = 8.5;    // a channel fader's middle, from its strip's edge
    static constexpr double kAllStopX = 359 + 16;
    static constexpr double kKnobX = 26; // the knobs' middle, from the strip's edge
    static constexpr double kPanY = 265;
    static constexpr double kListX = 60;    // the channel list's title column
    static constexpr double kListTopY = 18; // the channel list's top edge

    CMainLayout()
        : m_base(platform::DialogBaseUnits(platform::DialogFont(QStringLiteral("ＭＳ ゴシック"), 12))),
          m_client(platform::DialogUnitsToPixels(QSize(397, 313), m_base)) {}

    QSize Client() const { return m_client; }

    // A point of the window, its whole height given (menu bar and client area), from dialog units.
    QPoint At(int windowHeight, double xUnits, double yUnits) const {
        const int menu = windowHeight - m_client.height();
        return QPoint(static_cast<int>(xUnits * m_base.width() / 4.0),
                      static_cast<int>(yUnits * m_base.height() / 8.0) + menu);
    }
    QPoint Pad(int windowHeight, int i) const { return At(windowHeight, kStripX[i] + 16, kPadY); }

private:
    QSize m_base;
    QSize m_client;
};

} // namespace e2e
