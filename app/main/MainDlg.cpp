#include "app/main/MainDlg.h"

#include "app/data/GroupFile.h"
#include "app/res/Resources.h"
#include "padkit/controls/SysColor.h"
#include "padkit/util/Com.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"
#include "platform/Message.h"

#include <QMenuBar>
#include <QVBoxLayout>

namespace {

constexpr COLORREF kGreyFace = RGB(127, 127, 127);
constexpr COLORREF kGreyFaceHi = RGB(96, 96, 96);
constexpr COLORREF kAllStopFace = RGB(128, 255, 128);
constexpr COLORREF kAllStopFaceHi = RGB(92, 255, 92);
constexpr int kButtonCornerR = 5;
constexpr COLORREF kMonitorBackColor = RGB(127, 127, 127);
constexpr COLORREF kMonitorTextColor = RGB(255, 255, 255);
constexpr int kMonitorRowHeight = 22;
// Grid lines, full-row selection, info tips.
constexpr DWORD kMonitorListStyle = 0x421;

constexpr const char* kNewGroupName = "Group1";
constexpr const char* kErrorCaption = "エラー";
constexpr const char* kSaveChangesText = "変更があります。保存しますか？";
constexpr const char* kConfirmCaption = "確認";

bool InRange(int id, int first, int count) {
    return id >= first && id < first + count;
}

} // namespace

CMainDlg::CMainDlg(COM* pCom, QWidget* parent, CSettingsFile settings)
    : QDialog(parent), m_pCom(pCom), m_Option{}, m_hIcon(LoadAppIcon()), m_Settings(std::move(settings)) {
    LoadOption(m_Option, m_Settings);
}

CMainDlg::~CMainDlg() = default;

BOOL CMainDlg::Create(const QStringList& pieces) {
    const platform::DialogTemplate* tmpl = FindDialogResource(IDD_PADORA_DIALOG);
    const platform::MenuTemplate* menu = FindMenuResource(tmpl->menuId);
    platform::ApplyDialogFrame(this, *tmpl);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, padkit::ToQColor(kBackColor));
    pal.setColor(QPalette::WindowText, padkit::ToQColor(kStaticTextColor));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_pMenuBar = platform::BuildMenuBar(*menu, this, [this](UINT id) { OnCommand(id); });
    layout->setMenuBar(m_pMenuBar);
    m_pClient = new QWidget(this);
    m_pClient->setAutoFillBackground(true);
    layout->addWidget(m_pClient);

    platform::BuildDialogControls(
        m_pClient, *tmpl,
        [this](const platform::ControlTemplate& c, QWidget* parent) { return MakeControl(c.id, parent); },
        [this](UINT id) { OnCommand(id); });
    BindControls();
    return OnInitDialog(pieces);
}

QWidget* CMainDlg::MakeControl(int id, QWidget* parent) {
    if (InRange(id, IDC_PAD1, kChannelCount) || id == IDC_ALLSTOP)
        return new CPadButtonCtrl(parent);
    if (InRange(id, IDC_REPEAT1, kChannelCount) || InRange(id, IDC_FADEIN1, kChannelCount) ||
        InRange(id, IDC_FADEOUT1, kChannelCount)) {
        auto* sw = new CPadButtonCtrl(parent);
        sw->InitStyle(padkit::BS_AUTOCHECKBOX);
        return sw;
    }
    if (InRange(id, IDC_PAN1, kChannelCount) || InRange(id, IDC_SPEED1, kChannelCount))
        return new CKnobCtrl(parent);
    if (InRange(id, IDC_FADER1, kChannelCount))
        return new CFaderCtrl(parent);
    if (id == IDC_TAB_GROUP)
        return new CGroupTabCtrl(parent);
    if (id == IDC_LIST_MONITOR)
        return new CMonitorListArea(parent);
    return nullptr;
}

void CMainDlg::BindControls() {
    using platform::GetDlgItemAs;
    m_tabGroup = GetDlgItemAs<CGroupTabCtrl>(m_pClient, IDC_TAB_GROUP);
    m_listMonitor = GetDlgItemAs<CMonitorListArea>(m_pClient, IDC_LIST_MONITOR);
    for (int i = 0; i < kChannelCount; ++i) {
        m_ctrlFader[i] = GetDlgItemAs<CFaderCtrl>(m_pClient, IDC_FADER1 + i);
        m_ctrlPan[i] = GetDlgItemAs<CKnobCtrl>(m_pClient, IDC_PAN1 + i);
        m_ctrlSpeed[i] = GetDlgItemAs<CKnobCtrl>(m_pClient, IDC_SPEED1 + i);
        m_btnPad[i] = GetDlgItemAs<CPadButtonCtrl>(m_pClient, IDC_PAD1 + i);
        m_btnRepeat[i] = GetDlgItemAs<CPadButtonCtrl>(m_pClient, IDC_REPEAT1 + i);
        m_btnFadeIn[i] = GetDlgItemAs<CPadButtonCtrl>(m_pClient, IDC_FADEIN1 + i);
        m_btnFadeOut[i] = GetDlgItemAs<CPadButtonCtrl>(m_pClient, IDC_FADEOUT1 + i);
    }
    m_ctrlMaster = GetDlgItemAs<QSlider>(m_pClient, IDC_MASTER);
    m_btnAllStop = GetDlgItemAs<CPadButtonCtrl>(m_pClient, IDC_ALLSTOP);
}

BOOL CMainDlg::OnInitDialog(const QStringList& pieces) {
    InitControls();
    m_listMonitor->SetExtendedStyle(kMonitorListStyle);
    m_listMonitor->SetItemHeight(kMonitorRowHeight);
    m_listMonitor->SetBkColor(kMonitorBackColor);
    m_listMonitor->SetTextBkColor(kMonitorBackColor);
    m_listMonitor->SetTextColor(kMonitorTextColor);
    setWindowIcon(m_hIcon);

    if (!pieces.isEmpty()) {
        if (LoadGroupFile(pieces.first()) != CGroupFile::kOk) {
            PADKIT_MessageBox(this, QString::fromUtf8(CGroupFile::kReadErrorText),
                              QString::fromUtf8(kErrorCaption), MB_ICONEXCLAMATION | MB_OK);
        } else {
            FillGroupTab();
            m_bModified = FALSE;
        }
    }
    // No set yet: start a new one once the window runs.
    if (m_aGroup.IsEmpty())
        platform::PostMessage(this, platform::WM_COMMAND, ID_FILE_NEW, 0);
    return TRUE;
}

void CMainDlg::InitControls() {
    auto initButton = [](CPadButtonCtrl* b, COLORREF face, COLORREF faceHi) {
        b->SetCornerR(kButtonCornerR);
        b->SetFaceColor(face);
        b->SetFaceHiColor(faceHi);
        b->SetBackColor(kBackColor);
        b->update();
    };
    // A fader's top is 100; its position is always 100 - the value.
    for (int i = 0; i < kChannelCount; ++i) {
        m_ctrlFader[i]->setRange(0, 100);
        m_ctrlFader[i]->setValue(100);
        m_ctrlPan[i]->SetRange(-50, 50);
        m_ctrlPan[i]->SetPos(0);
        m_ctrlPan[i]->SetBkColor(kBackColor);
        m_ctrlSpeed[i]->SetRange(1, 100);
        m_ctrlSpeed[i]->SetPos(10);
        m_ctrlSpeed[i]->SetBkColor(kBackColor);
        for (CPadButtonCtrl* b : {m_btnPad[i], m_btnRepeat[i], m_btnFadeIn[i], m_btnFadeOut[i]})
            initButton(b, kGreyFace, kGreyFaceHi);
    }
    m_ctrlMaster->setRange(0, 100);
    m_ctrlMaster->setValue(0);
    m_nMasterVolume = 100;
    initButton(m_btnAllStop, kAllStopFace, kAllStopFaceHi);
}

CGroupData* CMainDlg::GetCurGroup() {
    const int sel = m_tabGroup->currentIndex();
    if (sel < 0)
        return nullptr;
    const int index = m_tabGroup->tabData(sel).toInt();
    if (index < 0 || index >= m_aGroup.GetSize())
        return nullptr;
    return &m_aGroup[index];
}

void CMainDlg::FillGroupTab() {
    const QSignalBlocker block(m_tabGroup);
    while (m_tabGroup->count() > 0)
        m_tabGroup->removeTab(0);
    for (int g = 0; g < m_aGroup.GetSize(); ++g) {
        m_tabGroup->insertTab(g, m_aGroup[g].m_strName);
        m_tabGroup->setTabData(g, g);
    }
}

int CMainDlg::LoadGroupFile(const QString& path) {
    return CGroupFile(m_Settings).Load(path, m_aGroup, m_strFilePath);
}

int CMainDlg::SaveGroupFile(BOOL bSaveAs) {
    return CGroupFile(m_Settings).Save(this, m_strFilePath, m_aGroup, m_Option.bRelative, bSaveAs);
}

bool CMainDlg::event(QEvent* e) {
    if (e->type() == platform::MessageEvent::eventType()) {
        auto* msg = static_cast<platform::MessageEvent*>(e);
        if (msg->message() == platform::WM_COMMAND) {
            OnCommand(static_cast<UINT>(msg->wParam()));
            return true;
        }
    }
    return QDialog::event(e);
}

void CMainDlg::reject() {
    OnCancel();
}

void CMainDlg::OnCommand(UINT id) {
    switch (id) {
    case platform::IDCANCEL:
        OnCancel();
        break;
    case ID_FILE_NEW:
        OnFileNew();
        break;
    case ID_APP_ABOUT:
    case ID_APP_EXIT:
        // Not the window's own commands: the frame and the application object handle them.
        ForwardToFrame(id);
        break;
    default:
        break;
    }
}

void CMainDlg::OnCancel() {
    if (m_pCom && *m_pCom->Get_pwndMain())
        platform::PostMessage(*m_pCom->Get_pwndMain(), platform::WM_CLOSE, 0, 0);
}

void CMainDlg::ForwardToFrame(UINT id) {
    if (m_pCom && *m_pCom->Get_pwndMain())
        platform::PostMessage(*m_pCom->Get_pwndMain(), platform::WM_COMMAND, id, 0);
}

void CMainDlg::OnFileNew() {
    if (m_bModified) {
        const int answer =
            PADKIT_MessageBox(this, QString::fromUtf8(kSaveChangesText), QString::fromUtf8(kConfirmCaption),
                              MB_YESNOCANCEL | MB_ICONINFORMATION);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES) {
            const int r = SaveGroupFile(FALSE);
            if (r != CGroupFile::kOk) {
                if (r != CGroupFile::kCancelled)
                    PADKIT_MessageBox(this, QString::fromUtf8(CGroupFile::kWriteErrorText),
                                      QString::fromUtf8(kErrorCaption), MB_ICONEXCLAMATION | MB_OK);
                return;
            }
        }
    }
    m_aGroup.RemoveAll();
    CGroupData group;
    group.m_strName = QString::fromUtf8(kNewGroupName);
    m_aGroup.Add(group);
    FillGroupTab();
    m_bModified = FALSE;
    m_strFilePath.clear();
}
