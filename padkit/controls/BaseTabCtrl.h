#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QRect>
#include <QString>
#include <QTabBar>

#include <vector>

namespace padkit {

inline constexpr COLORREF kTabSelectedBar = RGB(255, 128, 0);
// The bar along the bottom of a marked tab: the face of a lit pad.
inline constexpr COLORREF kTabMarkBar = RGB(255, 128, 128);
inline constexpr int kTabMarkWidth = 3; // thickness of a marked tab's bar
inline constexpr int kTabTextMaxBytes = 257;
inline constexpr int kTabEdge = 2;     // system edge width and height
inline constexpr int kTabBarWidth = 2; // thickness of the selected tab's bar

// The tab text as the tab shows it: at most 257 bytes in the Japanese code page (a full-width
// character counts two), never cut inside a character.
PADKIT_API QString TabDisplayText(const QString& text);

// The bar along the top of a selected tab whose rectangle is item.
PADKIT_API QRect TabSelectedBarRect(const QRect& item);

// The bar along the bottom of a marked tab whose rectangle is item.
PADKIT_API QRect TabMarkBarRect(const QRect& item);

// Top-left corner of the tab's text cell.
PADKIT_API QPoint TabTextOrigin(const QRect& item);

} // namespace padkit

// Tabs painted flat: one face colour for the tabs, another for the selected one, an orange bar along
// the top of the selected tab, a bar of the lit pad's colour along the bottom of a marked tab, and the
// text.
class PADKIT_API CBaseTabCtrl : public QTabBar {
    Q_OBJECT
public:
    explicit CBaseTabCtrl(QWidget* parent = nullptr);
    ~CBaseTabCtrl() override;

    // Take effect at the next paint; nothing is repainted here.
    void SetBkColor(COLORREF color);
    void SetBkSelColor(COLORREF color);
    COLORREF GetBkColor() const { return m_crBack; }
    COLORREF GetBkSelColor() const { return m_crBackSel; }
    // A marked tab shows its bar (in the main window: its group has sounds playing while another is
    // shown); the mark goes with the tab when tabs are inserted or removed. Repaints the tab.
    void SetTabMarked(int index, bool bMarked);
    bool IsTabMarked(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;
    // A tab changes on a click only: the wheel passes to the parent, so that a scroll over the tabs
    // never switches (in the main window: stops the show and loads another group).
    void wheelEvent(QWheelEvent* event) override;
    virtual void DrawItem(QPainter& painter, int index);
    void tabInserted(int index) override;
    void tabRemoved(int index) override;

private:
    std::vector<bool> m_marked; // one for each tab
    COLORREF m_crBack;
    COLORREF m_crBackSel;
};
