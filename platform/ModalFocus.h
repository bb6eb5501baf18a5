#pragma once

#include <QHash>
#include <QObject>

namespace platform {

// Hands the keyboard focus back when a modal window of the program closes (a dialog, a message box, a
// file dialog, the loader): to the window that had it when the modal window opened, be it a window of
// the program (the dialog under a message box, the main window under a dialog) or another program's
// (the loader of a group switched by a captured key while another program is active). The desktop's
// dialogs do this; bare X does not: the focus would fall to the root window, and keys would go to
// whatever window the pointer is over. The focus is left alone when something else took it meanwhile.
// Installed once on the application; UI thread.
class CModalFocus : public QObject {
public:
    explicit CModalFocus(QObject* parent = nullptr);
    ~CModalFocus() override;
    CModalFocus(const CModalFocus&) = delete;
    CModalFocus& operator=(const CModalFocus&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Opened(QObject* window);
    void Closed(QObject* window, unsigned long xWindow);
    void GiveBack();

    // The X window that had the focus when each open modal window was shown.
    QHash<QObject*, unsigned long> m_previous;
    // The window the last closed modal window gives the focus back to, once its closing is over.
    unsigned long m_pending = 0;
};

} // namespace platform
