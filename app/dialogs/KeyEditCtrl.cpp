#include "app/dialogs/KeyEditCtrl.h"

#include "padkit/util/KeyTable.h"
#include "padkit/util/VKeyString.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

constexpr UINT kVkF10 = 0x79;

// Alt and F10 belong to the menu: the desktop's edit control never sees them as key presses, so a
// field keeps its key when they are pressed.
bool IsMenuKey(UINT code) {
    return code == padkit::kVkMenu || code == kVkF10;
}

bool IsDialogKey(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter ||
           key == Qt::Key_Escape;
}

// Keys that only move the caret may do so; anything else would edit the name shown.
bool MovesCaret(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End;
}

} // namespace

CKeyEditCtrl::CKeyEditCtrl(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setAcceptDrops(false);
}

void CKeyEditCtrl::SetKeyCode(int nKeyCode) {
    m_nKeyCode = nKeyCode;
    setText(PADKIT_GetVKeyString(static_cast<UINT>(nKeyCode)));
}

UINT CKeyEditCtrl::KeyCodeOf(const QKeyEvent& event) {
    return padkit::VKeyFromKeyEvent(event);
}

void CKeyEditCtrl::keyPressEvent(QKeyEvent* event) {
    if (IsDialogKey(event->key())) {
        event->ignore();
        return;
    }
    if (isReadOnly())
        return;
    const UINT code = KeyCodeOf(*event);
    if (code == 0)
        return;
    if (IsMenuKey(code)) {
        event->ignore();
        return;
    }
    // Every key shows its name at once, also those that give no character (arrows, F-keys, Shift).
    SetKeyCode(static_cast<int>(code));
    if (MovesCaret(event->key()))
        QLineEdit::keyPressEvent(event);
}

void CKeyEditCtrl::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

void CKeyEditCtrl::mouseReleaseEvent(QMouseEvent* event) {
    // On X11 the middle button pastes the selection, which would put text after the key's name.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
