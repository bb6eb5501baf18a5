#include "padkit/controls/BaseListCtrlEdit.h"

#include "platform/Message.h"

#include <QKeyEvent>
#include <QPointer>

namespace padkit {

UINT EditKeyToVk(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<UINT>('A' + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<UINT>('0' + (qtKey - Qt::Key_0));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + static_cast<UINT>(qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return kVkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}

} // namespace padkit

CBaseListCtrlEdit::CBaseListCtrlEdit(QWidget* parent) : QLineEdit(parent) {}

CBaseListCtrlEdit::~CBaseListCtrlEdit() = default;

bool CBaseListCtrlEdit::event(QEvent* e) {
    // Tab never reaches keyPressEvent: the widget layer turns it into a focus change first.
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !HandleKey(key))
            return true; // the owner deleted the field while handling the command
    }
    return QLineEdit::event(e);
}

void CBaseListCtrlEdit::keyPressEvent(QKeyEvent* e) {
    if (e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab) // those were seen in event()
        HandleKey(e);
    QLineEdit::keyPressEvent(e);
}

bool CBaseListCtrlEdit::HandleKey(QKeyEvent* e) {
    m_nLastKey = padkit::EditKeyToVk(e->key());
    if (m_nTabFlag1 == 0 || m_nTabFlag2 == 0 || m_nLastKey != padkit::kVkTab)
        return true;
    const QPointer<CBaseListCtrlEdit> alive(this);
    const auto wParam =
        static_cast<WPARAM>((static_cast<UINT>(m_nCtrlId) & 0xFFFF) | (padkit::kEnKillFocus << 16));
    if (QWidget* owner = parentWidget())
        platform::SendMessage(owner, padkit::kWmCommand, wParam, reinterpret_cast<LPARAM>(this));
    if (!alive)
        return false;
    emit TabKillFocus();
    return alive != nullptr;
}

void CBaseListCtrlEdit::moveEvent(QMoveEvent* e) {
    QLineEdit::moveEvent(e);
    KeepFixedRect();
}

void CBaseListCtrlEdit::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    KeepFixedRect();
}

void CBaseListCtrlEdit::KeepFixedRect() {
    if (m_bPlacing || (m_nFixWidth <= 0 && m_nFixHeight <= 0))
        return;
    const QRect fixed(m_nFixX, m_nFixY, m_nFixWidth, m_nFixHeight);
    if (geometry() == fixed)
        return;
    m_bPlacing = true;
    setGeometry(fixed);
    m_bPlacing = false;
}
