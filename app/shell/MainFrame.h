#pragma once

#include "platform/WinTypes.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class CMainDlg;
class COM;

// The hidden main frame: it owns the window-pointer holder and the main sampler window, takes the
// commands the main window leaves to the application, and ends the program when it is closed. The
// operator never sees it. UI thread.
class CMainFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kClassName = "Padora";

    // appCommands: handles the application's own commands (the about box); returns false for others.
    explicit CMainFrame(std::function<bool(UINT id)> appCommands = {});
    ~CMainFrame() override;

    COM* GetCom() const { return m_pCom.get(); }
    CMainDlg* GetMainDlg() const { return m_pMainDlg.get(); }
    // Takes ownership of the main sampler window.
    void SetMainDlg(std::unique_ptr<CMainDlg> pMainDlg);

    // Brings the main sampler window to the front and gives it the focus, restoring it when minimised; a
    // modal dialog that is open comes in front of it.
    void ActivateMainWindow();

signals:
    // The frame has been closed and the main sampler window destroyed: the program may end.
    void Closed();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void OnCommand(UINT id);

    // Declared in this order so that the main window goes before the holder it refers to.
    std::unique_ptr<COM> m_pCom;
    std::unique_ptr<CMainDlg> m_pMainDlg;
    QString m_strClassName;
    std::function<bool(UINT)> m_appCommands;
};
