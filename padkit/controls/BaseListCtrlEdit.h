#pragma once

#include "padkit/PadkitExport.h"
#include "platform/Message.h"
#include "platform/WinTypes.h"

#include <QLineEdit>

namespace padkit {

inline constexpr UINT kWmCommand = platform::WM_COMMAND;
inline constexpr UINT kEnKillFocus = 0x0200; // EN_KILLFOCUS
inline constexpr UINT kVkTab = 0x09;         // VK_TAB

} // namespace padkit

// An edit field for in-place editing in a list. Whoever moves or resizes it (typically the list while
// it scrolls) cannot shift it from its fixed rectangle, and with both Tab flags set a Tab press tells
// the parent, as if the field had lost the focus, so the owner can commit and move to the next cell.
class PADKIT_API CBaseListCtrlEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CBaseListCtrlEdit(QWidget* parent = nullptr);
    ~CBaseListCtrlEdit() override;

    // The parent reads this id from the command it receives.
    void SetDlgCtrlID(int id) { m_nCtrlId = id; }
    int GetDlgCtrlID() const { return m_nCtrlId; }

    // Set by the owner. A rectangle with no width and no height leaves the placement alone.
    int m_nFixX = 0;
    int m_nFixY = 0;
    int m_nFixWidth = 0;
    int m_nFixHeight = 0;
    int m_nTabFlag1 = 0;
    UINT m_nLastKey = 0;
    int m_nTabFlag2 = 0;

signals:
    // The Tab key was pressed with both Tab flags set (after the command has been sent to the parent).
    void TabKillFocus();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // Remembers the key and reports Tab; false when the field no longer exists afterwards.
    bool HandleKey(QKeyEvent* e);
    void KeepFixedRect();

    int m_nCtrlId = 0;
    bool m_bPlacing = false;
};
