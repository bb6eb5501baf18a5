#pragma once

#include "padkit/PadkitExport.h"
#include "platform/Message.h"
#include "platform/WinTypes.h"

#include <QAbstractButton>
#include <QPoint>
#include <QRect>

// Posted to the knob's parent on every move while it is dragged: wParam = the new position,
// lParam = the CVolumeCtrl that moved.
inline constexpr UINT WM_KNOB_CHANGED = platform::WM_APP + 1000;

namespace padkit {

struct KnobGeometry {
    QRect circle;     // bounding square of the circle, right and bottom exclusive
    QPoint outer;     // pointer end near the rim
    QPoint inner;     // pointer end towards the centre
    double angle = 0; // degrees, counter-clockwise from the right
};

// Pointer angle: 225 degrees (lower left) at the minimum, 90 (up) in the middle, -45 (lower right) at
// the maximum. An empty range points to the minimum.
PADKIT_API double KnobAngle(int nMin, int nMax, int pos);

// The circle is the largest square centred in the client area; the pointer runs from 5 pixels inside
// the rim to 15 pixels inside it (past the centre on knobs narrower than 30 pixels).
PADKIT_API KnobGeometry KnobLayout(int width, int height, int nMin, int nMax, int pos);

} // namespace padkit

// A small rotary knob turned by dragging the mouse vertically: one pixel up raises the value by one.
class PADKIT_API CVolumeCtrl : public QAbstractButton {
    Q_OBJECT
public:
    explicit CVolumeCtrl(QWidget* parent = nullptr);
    ~CVolumeCtrl() override;

    // Stores both bounds and re-clamps the position.
    void SetRange(int min, int max);
    void GetRange(int* min, int* max) const {
        *min = m_nMin;
        *max = m_nMax;
    }
    // Stores the value clamped to the range (with an inverted range the maximum wins) and repaints.
    // Never notifies the parent.
    void SetPos(int pos);
    int GetPos() const { return m_nPos; }
    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_crBack; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPos = 50;
    int m_bDragging = 0;
    QPoint m_ptPress;
    int m_nPressPos = 0;
    COLORREF m_crBack;
};
