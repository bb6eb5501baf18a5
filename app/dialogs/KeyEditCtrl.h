#pragma once

#include "platform/WinTypes.h"

#include <QLineEdit>

class QKeyEvent;
class QMouseEvent;

// A field that takes one key press and shows the key's name instead of text. It holds the virtual-key
// code of the last key pressed; typing never edits the text. A read-only field ignores keys. Tab, Enter
// and Esc pass to the dialog for navigation, OK and Cancel; Alt and F10 pass too and are not stored.
// UI thread.
class CKeyEditCtrl : public QLineEdit {
    Q_OBJECT
public:
    explicit CKeyEditCtrl(QWidget* parent = nullptr);

    // Stores the code and shows its name.
    void SetKeyCode(int nKeyCode);
    int GetKeyCode() const { return m_nKeyCode; }

    // The virtual-key code of a key event; 0 for a key without one.
    static UINT KeyCodeOf(const QKeyEvent& event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_nKeyCode = 0;
};
