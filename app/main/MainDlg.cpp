#include "app/main/MainDlg.h"

#include "app/data/GroupFile.h"
#include "app/dialogs/LoadProcDlg.h"
#include "app/lists/MonitorListCtrl.h"
#include "app/res/Resources.h"
#include "app/res/WindowColors.h"
#include "app/settings/AudioSettings.h"
#include "app/settings/ShowSettings.h"
#include "app/show/ShowRemotes.h"
#include "padkit/controls/BaseTabCtrl.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/controls/LevelFaderCtrl.h"
#include "padkit/controls/SysColor.h"
#include "padkit/controls/VolumeCtrl.h"
#include "padkit/util/Com.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"
#include "platform/Message.h"
#include "playkit/AdxEngine.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QVBoxLayout>

#include <vector>

namespace {

constexpr COLORREF kMonitorBackColor = wincolor::kMonitorBack;
constexpr COLORREF kMonitorTextColor = wincolor::kMonitorText;
constexpr int kMonitorRowHeight = 22;
// Grid lines, full-row selection, info tips.
constexpr DWORD kMonitorListStyle = 0x421;

bool InRange(int id, int first, int count) {
    return id >= first && id < first + count;
}

} // namespace

CMainDlg::CMainDlg(COM* pCom, QWidget* parent, CSettingsFile settings)
    : QDialog(parent), m_pCom(pCom), m_hIcon(LoadAppIcon()), m_Settings(std::move(settings)) {
    LoadOption(m_show.Options(), m_Settings);
    m_show.SetKeepPlaying(CShowSettings::Load(m_Settings).bKeepPlaying);
    AUDIOSETTINGS audio;
    LoadAudioSettings(audio, m_Settings);
    m_show.SetCueKey(static_cast<UINT>(audio.nCueKey));
    m_show.SetHost(this);
    m_show.AddObserver(this);
    InitKeys();
}

CMainDlg::~CMainDlg() {
    ReleaseHook();
    m_pRemotes.reset();
    // The session closes its players as it goes, before the window's controls do.
    m_show.RemoveObserver(this);
    m_show.SetHost(nullptr);
    m_show.Timer().stop();
}

BOOL CMainDlg::Create(const QStringList& pieces) {
    const platform::DialogTemplate* tmpl = FindDialogResource(IDD_PADORA_DIALOG);
    const platform::MenuTemplate* menu = FindMenuResource(tmpl->menuId);
    platform::ApplyDialogFrame(this, *tmpl);
    m_strCaption = windowTitle();

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
    // The knobs tell their parent widget, the client area, that they moved: the window takes it there.
    m_pClient->installEventFilter(this);

    platform::BuildDialogControls(
        m_pClient, *tmpl,
        [this](const platform::ControlTemplate& c, QWidget* parent) { return MakeControl(c.id, parent); },
        [this](UINT id) { OnCommand(id); });
    BindControls();
    InitDrop();
    const HandlerScope scope(m_nHandlerDepth);
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
        return new CMonitorListCtrl(parent);
    return nullptr;
}

void CMainDlg::BindControls() {
    using platform::GetDlgItemAs;
    m_tabGroup = GetDlgItemAs<CGroupTabCtrl>(m_pClient, IDC_TAB_GROUP);
    m_listMonitor = dynamic_cast<CMonitorListCtrl*>(platform::GetDlgItem(m_pClient, IDC_LIST_MONITOR));
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

    // Every scroll action of a trackbar (drag, line, page, wheel) is a notification; setting a position
    // from the program is not. The action has already moved the slider position, not yet the value.
    std::vector<QSlider*> sliders(m_ctrlFader, m_ctrlFader + kChannelCount);
    sliders.push_back(m_ctrlMaster);
    for (QSlider* slider : sliders) {
        const int id = platform::GetDlgCtrlID(slider);
        connect(slider, &QAbstractSlider::actionTriggered, this,
                [this, slider, id](int) { OnFaderScroll(id, slider->sliderPosition()); });
    }
    connect(m_tabGroup, &QTabBar::currentChanged, this, [this](int) { SelectGroup(-1); });
}

BOOL CMainDlg::OnInitDialog(const QStringList& pieces) {
    InitControls();
    m_listMonitor->SetExtendedStyle(kMonitorListStyle);
    m_listMonitor->SetItemHeight(kMonitorRowHeight);
    m_listMonitor->SetBkColor(kMonitorBackColor);
    m_listMonitor->SetTextBkColor(kMonitorBackColor);
    m_listMonitor->SetTextColor(kMonitorTextColor);
    m_listMonitor->InitColumn();
    m_listMonitor->ShowChannels(FALSE);
    setWindowIcon(m_hIcon);
    // The set of the command line asks for its loudness as it loads.
    StartLoudness();

    if (!pieces.isEmpty()) {
        if (LoadGroupFile(pieces.first()) != CGroupFile::kOk) {
            PADKIT_MessageBox(this, QCoreApplication::translate("CGroupFile", CGroupFile::kReadErrorText),
                              QCoreApplication::translate("CMainDlg", kErrorCaption),
                              MB_ICONEXCLAMATION | MB_OK);
        } else {
            FillGroupTab();
            m_listMonitor->SetGroupData(&m_show.Set()[0]);
            m_listMonitor->ShowChannels(FALSE);
            RunLoader();
            m_show.CheckOutputPairs();
            m_show.SetModified(FALSE);
            RestoreHook();
        }
    }
    // No set yet: start a new one once the window runs.
    if (m_show.Set().IsEmpty())
        platform::PostMessage(this, platform::WM_COMMAND, ID_FILE_NEW, 0);
    m_show.Timer().start();
    StartRemote();
    return TRUE;
}

void CMainDlg::FillGroupTab() {
    const QSignalBlocker block(m_tabGroup);
    while (m_tabGroup->count() > 0)
        m_tabGroup->removeTab(0);
    const CGroupArray& set = m_show.Set();
    for (int g = 0; g < set.GetSize(); ++g) {
        m_tabGroup->insertTab(g, set[g].m_strName);
        m_tabGroup->setTabData(g, g);
    }
    m_show.SetCurrentGroup(m_tabGroup->currentIndex());
}

int CMainDlg::SelectGroup(int index) {
    const HandlerScope scope(m_nHandlerDepth);
    return m_show.SelectGroup(index >= 0 ? index : m_tabGroup->currentIndex());
}

void CMainDlg::RunLoader() {
    CLoadProcDlg loader(this);
    // The closed group's decoders and synths are let go of before the new group's are made, so that
    // the new ones reuse their memory instead of growing the heap at every switch.
    loader.SetPrelude([] { playkit::CAdxEngine::FreeClosedPlayers(CShowSession::kFreeClosedWaitMs); });
    loader.DoModal();
}

int CMainDlg::LoadGroupFile(const QString& path) {
    return CGroupFile(m_Settings).Load(path, m_show.Set(), m_strFilePath);
}

int CMainDlg::SaveGroupFile(BOOL bSaveAs) {
    return CGroupFile(m_Settings, m_askSavePath)
        .Save(this, m_strFilePath, m_show.Set(), m_show.Options().bRelative, bSaveAs);
}

void CMainDlg::SetCollectFolderAsker(FolderAsker askFolder) {
    m_askCollectFolder = std::move(askFolder);
}

void CMainDlg::SetPathAskers(OpenPathAsker askOpen, CGroupFile::PathAsker askSave) {
    m_askOpenPath = std::move(askOpen);
    m_askSavePath = std::move(askSave);
}

bool CMainDlg::event(QEvent* e) {
    if (e->type() == platform::MessageEvent::eventType()) {
        auto* msg = static_cast<platform::MessageEvent*>(e);
        msg->setResult(OnMessage(msg->message(), msg->wParam(), msg->lParam()));
        return true;
    }
    return QDialog::event(e);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_pClient && e->type() == platform::MessageEvent::eventType()) {
        auto* msg = static_cast<platform::MessageEvent*>(e);
        msg->setResult(OnMessage(msg->message(), msg->wParam(), msg->lParam()));
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

LRESULT CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HandlerScope scope(m_nHandlerDepth);
    switch (message) {
    case platform::WM_COMMAND:
        OnCommand(static_cast<UINT>(wParam));
        return 0;
    case WM_LOAD_CHANNEL:
        return m_show.LoadChannel(static_cast<int>(wParam));
    case WM_GRAPH_NOTIFY:
    case WM_PEAK_NOTIFY:
        return m_show.OnPlayerNotice(message, wParam, lParam);
    case WM_KNOB_CHANGED:
        return OnKnobChanged(wParam, lParam);
    case platform::WM_KEYDOWN:
    case platform::WM_KEYUP:
        return OnKeyMessage(message, wParam, lParam);
    default:
        return 0;
    }
}

void CMainDlg::reject() {
    OnCancel();
}

bool CMainDlg::CueKeyHeld() const {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    switch (m_show.CueKey()) {
    case kCueKeyShift:
        return held.testFlag(Qt::ShiftModifier);
    case kCueKeyAlt:
        return held.testFlag(Qt::AltModifier);
    default:
        return false;
    }
}

void CMainDlg::OnCommand(UINT id) {
    const HandlerScope scope(m_nHandlerDepth);
    if (InRange(static_cast<int>(id), IDC_PAD1, kChannelCount)) {
        // The cue key as the display server has it now: held before the window had the focus, it
        // never came as a key of ours.
        if (CueKeyHeld())
            m_show.AuditionPad(static_cast<int>(id) - IDC_PAD1);
        else
            m_show.Pad(static_cast<int>(id) - IDC_PAD1);
        return;
    }
    if (InRange(static_cast<int>(id), IDC_REPEAT1, kChannelCount) ||
        InRange(static_cast<int>(id), IDC_FADEIN1, kChannelCount) ||
        InRange(static_cast<int>(id), IDC_FADEOUT1, kChannelCount)) {
        OnSwitch(id);
        return;
    }
    switch (id) {
    case IDC_ALLSTOP:
        StopAll();
        break;
    case platform::IDCANCEL:
        OnCancel();
        break;
    case ID_FILE_NEW:
        OnFileNew();
        break;
    case ID_FILE_OPEN:
        OnFileOpen();
        break;
    case ID_FILE_SAVE:
        OnFileSave(FALSE);
        break;
    case ID_FILE_SAVE_AS:
        OnFileSave(TRUE);
        break;
    case ID_FILE_COLLECT:
        OnFileCollect();
        break;
    case ID_GROUP_EDIT:
        OnGroupEdit();
        break;
    case ID_OPTION:
        OnOption();
        break;
    case ID_WEB_REMOTE:
        OnWebRemote();
        break;
    case ID_APP_EXIT:
        // Ending the program through the menu asks about unsaved changes as closing the window does.
        RequestClose(ID_APP_EXIT);
        break;
    case ID_APP_ABOUT:
        // Not the window's own command: the application object shows the about box.
        ForwardToFrame(id);
        break;
    default:
        break;
    }
}

void CMainDlg::OnCancel() {
    RequestClose(0);
}

void CMainDlg::RequestClose(UINT how) {
    // A close asked for while a nested loop runs (a dialog, a message box, the loader, a menu, the
    // about box) waits until that loop has ended: the window must outlive it. Several requests
    // meanwhile are one close.
    if (!m_closeRequest.IsPending())
        m_nCloseHow = how;
    m_closeRequest.Request();
}

void CMainDlg::CloseNow() {
    Q_ASSERT(!platform::NestedLoopRunning());
    ReleaseHook();
    const BOOL bClose = QuerySaveChanges();
    // A request made while the question was open was answered by it.
    m_closeRequest.Cancel();
    if (!bClose) {
        RestoreHook();
        return;
    }
    if (m_nCloseHow == ID_APP_EXIT)
        ForwardToFrame(ID_APP_EXIT);
    else if (m_pCom && *m_pCom->Get_pwndMain())
        platform::PostMessage(*m_pCom->Get_pwndMain(), platform::WM_CLOSE, 0, 0);
}

void CMainDlg::ForwardToFrame(UINT id) {
    if (m_pCom && *m_pCom->Get_pwndMain())
        platform::PostMessage(*m_pCom->Get_pwndMain(), platform::WM_COMMAND, id, 0);
}

LRESULT CMainDlg::OnKnobChanged(WPARAM wParam, LPARAM lParam) {
    // lParam names the knob; only this window's own knobs are taken, by identity, never dereferenced.
    const auto* knob = reinterpret_cast<const CKnobCtrl*>(lParam);
    for (int i = 0; i < kChannelCount; ++i) {
        if (knob == m_ctrlSpeed[i]) {
            SetChannelRate(i, static_cast<double>(static_cast<UINT>(wParam)) * 0.1);
            return 0;
        }
        if (knob == m_ctrlPan[i]) {
            SetChannelPan(i, static_cast<int>(static_cast<LPARAM>(wParam)));
            return 0;
        }
    }
    return 0;
}

void CMainDlg::OnSwitch(UINT id) {
    const int nid = static_cast<int>(id);
    if (InRange(nid, IDC_REPEAT1, kChannelCount)) {
        m_show.SetSwitch(nid - IDC_REPEAT1, EShowSwitch::Repeat,
                         m_btnRepeat[nid - IDC_REPEAT1]->GetCheck() == padkit::BST_CHECKED);
    } else if (InRange(nid, IDC_FADEIN1, kChannelCount)) {
        m_show.SetSwitch(nid - IDC_FADEIN1, EShowSwitch::FadeIn,
                         m_btnFadeIn[nid - IDC_FADEIN1]->GetCheck() == padkit::BST_CHECKED);
    } else {
        m_show.SetSwitch(nid - IDC_FADEOUT1, EShowSwitch::FadeOut,
                         m_btnFadeOut[nid - IDC_FADEOUT1]->GetCheck() == padkit::BST_CHECKED);
    }
}

void CMainDlg::OnFaderScroll(int id, int position) {
    if (InRange(id, IDC_FADER1, kChannelCount))
        m_show.SetChannelVolume(id - IDC_FADER1, show::kMaxVolume - position);
    else if (id == IDC_MASTER)
        m_show.SetMasterVolume(show::kMaxVolume - position);
}
