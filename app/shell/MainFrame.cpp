#include "app/shell/MainFrame.h"

#include "app/main/MainDlg.h"
#include "app/res/Resource.h"
#include "padkit/util/Com.h"
#include "platform/Foreground.h"
#include "platform/MenuTemplate.h"
#include "platform/Message.h"
#include "platform/NestedLoop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

namespace {
constexpr int kCloseRetryMs = 20;
} // namespace

CMainFrame::CMainFrame(std::function<bool(UINT id)> appCommands)
    : m_pCom(std::make_unique<COM>()), m_strClassName(QString::fromLatin1(kClassName)),
      m_appCommands(std::move(appCommands)) {
    setObjectName(m_strClassName);
    *m_pCom->Get_pwndMain() = this;
}

CMainFrame::~CMainFrame() {
    // The main window first: it may still reach the frame through the holder while it goes.
    m_pMainDlg.reset();
    m_pCom.reset();
}

void CMainFrame::SetMainDlg(std::unique_ptr<CMainDlg> pMainDlg) {
    m_pMainDlg = std::move(pMainDlg);
}

void CMainFrame::ActivateMainWindow() {
    if (!m_pMainDlg)
        return;
    platform::SetForegroundWindow(m_pMainDlg.get());
    // A dialog the operator left open stays in front of the window it blocks, and keeps the keys.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != m_pMainDlg.get())
        platform::SetForegroundWindow(modal);
}

bool CMainFrame::event(QEvent* e) {
    if (e->type() == platform::MessageEvent::eventType()) {
        auto* msg = static_cast<platform::MessageEvent*>(e);
        if (msg->message() == platform::WM_CLOSE) {
            close();
            return true;
        }
        if (msg->message() == platform::WM_COMMAND) {
            OnCommand(static_cast<UINT>(msg->wParam()));
            return true;
        }
    }
    return QWidget::event(e);
}

void CMainFrame::OnCommand(UINT id) {
    if (id == ID_APP_EXIT) {
        close();
        return;
    }
    if (m_appCommands)
        m_appCommands(id);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    // A modal window (the loader, a message box, the about box) runs a loop on the stack of the main
    // window or under it: the main window goes once that loop has returned.
    if (m_pMainDlg && (m_pMainDlg->IsInHandler() || platform::NestedLoopRunning())) {
        e->ignore();
        QTimer::singleShot(kCloseRetryMs, this, [this] { close(); });
        return;
    }
    // No question about unsaved changes on this path.
    m_pMainDlg.reset();
    e->accept();
    emit Closed();
}
