#include "padkit/controls/BaseTabCtrl.h"

#include "padkit/controls/SysColor.h"
#include "platform/CodePage.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

namespace padkit {

QString TabDisplayText(const QString& text) {
    return platform::Cp932Left(text, kTabTextMaxBytes);
}

QRect TabSelectedBarRect(const QRect& item) {
    // A two-pixel line centred on row top + edge + bar - 1 covers that row and the one above it.
    const int left = item.left() + kTabEdge;
    const int right = item.left() + item.width() - kTabEdge; // exclusive
    return QRect(left, item.top() + kTabEdge + kTabBarWidth - 2, right - left, kTabBarWidth);
}

QRect TabMarkBarRect(const QRect& item) {
    const int left = item.left() + kTabEdge;
    const int right = item.left() + item.width() - kTabEdge; // exclusive
    return QRect(left, item.top() + item.height() - kTabEdge - kTabMarkWidth, right - left, kTabMarkWidth);
}

QPoint TabTextOrigin(const QRect& item) {
    return QPoint(item.left() + 3 * kTabEdge, item.top() + kTabEdge + kTabBarWidth);
}

} // namespace padkit

CBaseTabCtrl::CBaseTabCtrl(QWidget* parent)
    : QTabBar(parent), m_crBack(padkit::GetSysColorRef(padkit::SysColor::BtnFace)),
      m_crBackSel(padkit::GetSysColorRef(padkit::SysColor::BtnHighlight)) {
    setDrawBase(false);
    setExpanding(false);
}

CBaseTabCtrl::~CBaseTabCtrl() = default;

void CBaseTabCtrl::SetBkColor(COLORREF color) {
    m_crBack = color;
}

void CBaseTabCtrl::SetBkSelColor(COLORREF color) {
    m_crBackSel = color;
}

void CBaseTabCtrl::SetTabMarked(int index, bool bMarked) {
    if (index < 0 || index >= static_cast<int>(m_marked.size()) ||
        m_marked[static_cast<size_t>(index)] == bMarked)
        return;
    m_marked[static_cast<size_t>(index)] = bMarked;
    update(tabRect(index));
}

bool CBaseTabCtrl::IsTabMarked(int index) const {
    return index >= 0 && index < static_cast<int>(m_marked.size()) && m_marked[static_cast<size_t>(index)];
}

void CBaseTabCtrl::tabInserted(int index) {
    m_marked.insert(m_marked.begin() + index, false);
    QTabBar::tabInserted(index);
}

void CBaseTabCtrl::tabRemoved(int index) {
    if (index >= 0 && index < static_cast<int>(m_marked.size()))
        m_marked.erase(m_marked.begin() + index);
    QTabBar::tabRemoved(index);
}

QSize CBaseTabCtrl::tabSizeHint(int index) const {
    const QFontMetrics fm = fontMetrics();
    const int textWidth = fm.horizontalAdvance(padkit::TabDisplayText(tabText(index)));
    return QSize(textWidth + 6 * padkit::kTabEdge + 4,
                 fm.height() + 2 * (padkit::kTabEdge + padkit::kTabBarWidth) + 2);
}

void CBaseTabCtrl::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

void CBaseTabCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).intersects(event->rect()))
            DrawItem(painter, i);
    }
}

void CBaseTabCtrl::DrawItem(QPainter& painter, int index) {
    const QRect item = tabRect(index);
    const bool selected = index == currentIndex();
    const QColor face = padkit::ToQColor(selected ? m_crBackSel : m_crBack);
    painter.fillRect(item, face);
    if (selected)
        painter.fillRect(padkit::TabSelectedBarRect(item), padkit::ToQColor(padkit::kTabSelectedBar));
    if (IsTabMarked(index))
        painter.fillRect(padkit::TabMarkBarRect(item), padkit::ToQColor(padkit::kTabMarkBar));
    const QString text = padkit::TabDisplayText(tabText(index));
    const QPoint origin = padkit::TabTextOrigin(item);
    const QFontMetrics fm = painter.fontMetrics();
    // The system's text colour, not the one the tabs inherit: a window that lights its own labels for a
    // dark background would otherwise put pale text on the pale tab faces.
    painter.setPen(QApplication::palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                                 QPalette::WindowText));
    painter.drawText(origin.x(), origin.y() + fm.ascent(), text);
}
