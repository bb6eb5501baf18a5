#include "app/main/MainDlg.h"

#include "app/data/LoudnessMatcher.h"
#include "app/dialogs/WebRemoteDlg.h"
#include "app/res/Resources.h"
#include "app/show/ShowRemotes.h"
#include "padkit/util/MessageBox.h"

#include <QTimer>

namespace {
constexpr int kIdleRetryMs = 100;
} // namespace

CRemoteControl* CMainDlg::Remote() const {
    return m_pRemotes ? m_pRemotes->Remote() : nullptr;
}

CMidiControl* CMainDlg::Midi() const {
    return m_pRemotes ? m_pRemotes->Midi() : nullptr;
}

CTriggerControl* CMainDlg::Triggers() const {
    return m_pRemotes ? m_pRemotes->Triggers() : nullptr;
}

CWebRemote* CMainDlg::Web() const {
    return m_pRemotes ? m_pRemotes->Web() : nullptr;
}

void CMainDlg::OnWebRemote() {
    const CWebRemote* web = Web();
    const HandlerScope scope(m_nHandlerDepth);
    if (web && web->IsListening()) {
        CWebRemoteDlg dlg(web->Url(), web->Code(), this);
        dlg.DoModal();
        return;
    }
    PADKIT_MessageBox(
        this, tr("ブラウザ リモートは使われていません。設定の「リモート」で Web ポートを指定してください。"),
        LoadResString(IDS_APP_TITLE), MB_ICONINFORMATION | MB_OK);
}

void CMainDlg::StartLoudness() {
    m_show.StartLoudness(CLoudnessMatcher::ReadTarget(m_Settings));
}

void CMainDlg::StartRemote() {
    StartLoudness();
    if (!m_pRemotes) {
        m_pRemotes = std::make_unique<CShowRemotes>(&m_show);
        // The link's state is a mark in the caption: a lost backup must not stop the show with a box.
        m_pRemotes->SetMirrorChanged([this] { ShowCaption(); });
    }
    const QStringList messages = m_pRemotes->Start(m_Settings);
    ShowCaption();
    if (!messages.isEmpty())
        TellOnceIdle(messages.join(QLatin1Char('\n')));
}

void CMainDlg::TellOnceIdle(const QString& text) {
    // Once the window shows and no loader or other modal window of it runs: not over the start-up.
    if (!isVisible() || IsInHandler()) {
        QTimer::singleShot(kIdleRetryMs, this, [this, text] { TellOnceIdle(text); });
        return;
    }
    const HandlerScope scope(m_nHandlerDepth);
    PADKIT_MessageBox(this, text, LoadResString(IDS_APP_TITLE), MB_ICONEXCLAMATION | MB_OK);
}
