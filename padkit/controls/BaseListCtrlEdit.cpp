#include "padkit/controls/BaseListCtrlEdit.h"

#include "padkit/util/KeyTable.h"
#include "platform/Message.h"

#include <QKeyEvent>
#include <QPointer>

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
    m_nLastKey = padkit::VKeyFromKeyEvent(*e);
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
