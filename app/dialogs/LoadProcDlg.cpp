#include "app/dialogs/LoadProcDlg.h"

#include "app/res/Resources.h"
#include "platform/DialogTemplate.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// Posted by the worker after each channel: advance the bar by one step.
constexpr UINT kMsgStepIt = WM_LOADPROC_END + 100;
constexpr int kIconSize = 32;
} // namespace

CLoadProcDlg::CLoadProcDlg(QWidget* pOwner)
    : QDialog(pOwner), m_pOwner(pOwner), m_hIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation)),
      m_pCancel(std::make_shared<platform::SendCancel>()) {
    const platform::DialogTemplate* tmpl = FindDialogResource(IDD_LOADPROC_DIALOG);
    Q_ASSERT(tmpl);
    platform::ApplyDialogFrame(this, *tmpl);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* client = new QWidget(this);
    layout->addWidget(client);
    platform::BuildDialogControls(client, *tmpl);
    m_ctrlProgress = platform::GetDlgItemAs<QProgressBar>(client, IDC_LOADPROC_PROGRESS);
    OnInitDialog();
}

CLoadProcDlg::~CLoadProcDlg() {
    m_pCancel->Cancel();
    JoinWorker();
}

void CLoadProcDlg::OnInitDialog() {
    if (auto* icon = platform::GetDlgItemAs<QLabel>(this, IDC_LOADPROC_ICON))
        icon->setPixmap(m_hIcon.pixmap(qMin(kIconSize, icon->height())));
    m_ctrlProgress->setRange(0, kChannelCount);
    m_ctrlProgress->setValue(0);
}

int CLoadProcDlg::DoModal() {
    if (m_pOwner)
        adjustSize();
    // The start is posted so that the window is up before the first channel loads.
    platform::PostMessage(this, platform::WM_COMMAND, IDC_LOADPROC_START, 0);
    return exec();
}

bool CLoadProcDlg::event(QEvent* e) {
    if (e->type() != platform::MessageEvent::eventType())
        return QDialog::event(e);
    auto* msg = static_cast<platform::MessageEvent*>(e);
    switch (msg->message()) {
    case platform::WM_COMMAND:
        if (msg->wParam() == IDC_LOADPROC_START)
            OnStart();
        return true;
    case kMsgStepIt:
        m_ctrlProgress->setValue(qMin(m_ctrlProgress->value() + 1, m_ctrlProgress->maximum()));
        return true;
    case WM_LOADPROC_END:
        done(platform::IDOK);
        return true;
    default:
        return true;
    }
}

void CLoadProcDlg::OnStart() {
    if (m_pThread || m_pCancel->IsCancelled() || !isVisible())
        return;
    try {
        m_pThread = std::make_unique<std::thread>([this] { WorkerMain(); });
    } catch (const std::system_error&) {
        done(platform::IDCANCEL);
    }
}

void CLoadProcDlg::WorkerMain() {
    if (m_prelude)
        m_prelude();
    for (int i = 0; i < kChannelCount; ++i) {
        if (!platform::SendMessageCancellable(m_pOwner, WM_LOAD_CHANNEL, static_cast<WPARAM>(i), 0,
                                              m_pCancel))
            return; // closed while waiting: the channels not yet asked for stay unloaded
        platform::PostMessage(this, kMsgStepIt, 0, 0);
    }
    platform::PostMessage(this, WM_LOADPROC_END, 0, 0);
}

void CLoadProcDlg::done(int r) {
    // Closed before the end: the worker must not go on, nor keep waiting for the owner.
    if (r != platform::IDOK)
        m_pCancel->Cancel();
    JoinWorker();
    QDialog::done(r);
}

void CLoadProcDlg::reject() {
    done(platform::IDCANCEL);
}

void CLoadProcDlg::JoinWorker() {
    if (!m_pThread)
        return;
    // The worker either finished or is cancelled: it waits for nothing on this thread any more.
    if (m_pThread->joinable())
        m_pThread->join();
    m_pThread.reset();
}

void CLoadProcDlg::keyPressEvent(QKeyEvent* e) {
    // The dialog has no usable buttons: Esc and Enter do nothing.
    if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}
