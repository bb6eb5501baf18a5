#include "padkit/controls/VolumeCtrl.h"

#include "padkit/controls/SysColor.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace padkit {

double KnobAngle(int nMin, int nMax, int pos) {
    if (nMin == nMax)
        return 225.0;
    return 225.0 - 270.0 * static_cast<double>(pos - nMin) / static_cast<double>(nMax - nMin);
}

KnobGeometry KnobLayout(int width, int height, int nMin, int nMax, int pos) {
    KnobGeometry g;
    const int cx = width / 2;
    const int cy = height / 2;
    if (cx <= cy)
        g.circle = QRect(QPoint(0, cy - cx), QSize(2 * cx, 2 * cx));
    else
        g.circle = QRect(QPoint(cx - cy, 0), QSize(2 * cy, 2 * cy));
    g.angle = KnobAngle(nMin, nMax, pos);
    const double theta = g.angle * std::numbers::pi / 180.0;
    const int r1 = g.circle.width() / 2 - 5;
    const int r2 = g.circle.width() / 2 - 15;
    auto at = [&](int r) {
        return QPoint(static_cast<int>(r * std::cos(theta)) + cx, cy - static_cast<int>(r * std::sin(theta)));
    };
    g.outer = at(r1);
    g.inner = at(r2);
    return g;
}

} // namespace padkit

CVolumeCtrl::CVolumeCtrl(QWidget* parent)
    : QAbstractButton(parent), m_crBack(padkit::GetSysColorRef(padkit::SysColor::BtnFace)) {}

CVolumeCtrl::~CVolumeCtrl() = default;

QSize CVolumeCtrl::sizeHint() const {
    return QSize(40, 40);
}

void CVolumeCtrl::SetRange(int min, int max) {
    m_nMin = min;
    m_nMax = max;
    SetPos(m_nPos);
}

void CVolumeCtrl::SetPos(int pos) {
    m_nPos = pos;
    if (m_nPos < m_nMin)
        m_nPos = m_nMin;
    if (m_nPos > m_nMax)
        m_nPos = m_nMax;
    update();
}

void CVolumeCtrl::SetBkColor(COLORREF color) {
    m_crBack = color;
    update();
}

void CVolumeCtrl::paintEvent(QPaintEvent*) {
    const padkit::KnobGeometry g = padkit::KnobLayout(width(), height(), m_nMin, m_nMax, m_nPos);
    QPainter p(this);
    p.fillRect(rect(), padkit::ToQColor(m_crBack));
    p.setRenderHint(QPainter::Antialiasing);
    // Offsets of half a pixel put the one-pixel lines on pixel centres, so they stay sharp.
    p.translate(0.5, 0.5);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const QRect& c = g.circle;
    if (c.width() > 1)
        p.drawEllipse(QRectF(c.left(), c.top(), c.width() - 1, c.height() - 1));
    p.drawLine(g.outer, g.inner);
}

void CVolumeCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bDragging = 1;
        m_ptPress = event->position().toPoint();
        m_nPressPos = m_nPos;
    }
    QAbstractButton::mousePressEvent(event);
}

void CVolumeCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragging) {
        SetPos(m_nPressPos - (event->position().toPoint().y() - m_ptPress.y()));
        if (QWidget* parent = parentWidget())
            platform::PostMessage(parent, WM_KNOB_CHANGED, static_cast<WPARAM>(m_nPos),
                                  reinterpret_cast<LPARAM>(this));
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CVolumeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_bDragging = 0;
    QAbstractButton::mouseReleaseEvent(event);
}
