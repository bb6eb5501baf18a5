#include "app/main/MainDlg.h"

#include "app/data/GroupFile.h"
#include "app/data/LoudnessMatcher.h"
#include "app/dialogs/LoadProcDlg.h"
#include "app/remote/MidiControl.h"
#include "app/remote/RemoteControl.h"
#include "app/res/Resources.h"
#include "padkit/controls/SysColor.h"
#include "padkit/util/Com.h"
#include "padkit/util/MessageBox.h"
#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"
#include "platform/Message.h"
#include "playkit/AdxEngine.h"

#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

// How long a group's loader waits for the device to let go of the closed group's players; a stalled
// device only costs the memory being held a little longer.
constexpr unsigned kFreeClosedWaitMs = 200;
constexpr COLORREF kGreyFace = RGB(127, 127, 127);
constexpr COLORREF kGreyFaceHi = RGB(96, 96, 96);
constexpr COLORREF kStoppedFace = RGB(128, 64, 64);
constexpr COLORREF kStoppedFaceHi = RGB(128, 32, 32);
constexpr COLORREF kPlayingFace = RGB(255, 128, 128);
constexpr COLORREF kPlayingFaceHi = RGB(255, 96, 96);
constexpr COLORREF kSwitchOnFace = RGB(0, 162, 232);
constexpr COLORREF kSwitchOnFaceHi = RGB(0, 128, 198);
constexpr COLORREF kAllStopFace = RGB(128, 255, 128);
constexpr COLORREF kAllStopFaceHi = RGB(92, 255, 92);
constexpr int kButtonCornerR = 5;
constexpr COLORREF kMonitorBackColor = RGB(127, 127, 127);
constexpr COLORREF kMonitorTextColor = RGB(255, 255, 255);
constexpr int kMonitorRowHeight = 22;
// Grid lines, full-row selection, info tips.
constexpr DWORD kMonitorListStyle = 0x421;

// The meter of a channel fader, in dB below full scale.
constexpr int kMeterFloor = -48;
constexpr int kMeterRedMin = -8;
constexpr int kMeterYellowMin = -18;

// Volumes and balances as the player takes them, in hundredths of a decibel.
constexpr LONG kSilence = -10000;
constexpr LONG kFullBalance = 10000;
constexpr int kPanMax = 50;

constexpr const char* kNotSupportedText = "%1\nこのファイルには対応していません。";
constexpr const char* kNotFoundText = "%1\nファイルが見つかりません。";
constexpr const char* kCannotPlayText = "%1\nこのファイルを再生できません。";

bool InRange(int id, int first, int count) {
    return id >= first && id < first + count;
}

} // namespace

LONG ChannelAttenuation(int volume, int master) {
    if (volume <= 0 || master <= 0)
        return kSilence;
    // Integer product first: 1 at master 1 must give exactly -8000.
    return static_cast<LONG>(2000.0 * std::log10(static_cast<double>(volume) * master / 10000.0));
}

LONG ChannelBalance(int pan) {
    if (pan == 0)
        return 0;
    if (pan >= kPanMax)
        return kFullBalance;
    if (pan <= -kPanMax)
        return -kFullBalance;
    if (pan > 0)
        return std::abs(
            static_cast<LONG>(2000.0 * std::log10((kPanMax - pan) / static_cast<double>(kPanMax))));
    return static_cast<LONG>(2000.0 * std::log10((pan + kPanMax) / static_cast<double>(kPanMax)));
}

int SpeedKnobPos(double rate) {
    // A tiny allowance so that a stored 0.3 (2.9999... tenths) shows as 3, as it was set. A rate from a
    // file can be anything: out of int's range the conversion would be undefined, so it is bounded first
    // (the knob then shows its end).
    const double tenths = rate * 10.0 + 1e-9;
    if (!(tenths > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return tenths < std::numeric_limits<int>::max() ? static_cast<int>(tenths)
                                                    : std::numeric_limits<int>::max();
}

void CMainDlg::CNotifyTarget::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    platform::PostMessage(m_pWnd, msg, wParam, lParam);
}

CMainDlg::CMainDlg(COM* pCom, QWidget* parent, CSettingsFile settings)
    : QDialog(parent), m_pCom(pCom), m_Option{}, m_hIcon(LoadAppIcon()), m_Settings(std::move(settings)) {
    LoadOption(m_Option, m_Settings);
    m_timerPlay.setInterval(kTimerPeriodMs);
    connect(&m_timerPlay, &QTimer::timeout, this, [this] { OnTimer(ID_TIMER_PLAY); });
    InitKeys();
}

CMainDlg::~CMainDlg() {
    ReleaseHook();
    m_timerPlay.stop();
    // Closed while the window still exists: no notice of theirs reaches a window that is going.
    for (CAdxShow& show : m_Show)
        show.Close();
}

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
            PADKIT_MessageBox(this, QString::fromUtf8(CGroupFile::kReadErrorText),
                              QString::fromUtf8(kErrorCaption), MB_ICONEXCLAMATION | MB_OK);
        } else {
            FillGroupTab();
            m_listMonitor->SetGroupData(&m_aGroup[0]);
            m_listMonitor->ShowChannels(FALSE);
            RunLoader();
            m_bModified = FALSE;
            RestoreHook();
        }
    }
    // No set yet: start a new one once the window runs.
    if (m_aGroup.IsEmpty())
        platform::PostMessage(this, platform::WM_COMMAND, ID_FILE_NEW, 0);
    m_timerPlay.start();
    StartRemote();
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
        m_ctrlPan[i]->SetRange(-kPanMax, kPanMax);
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

int CMainDlg::SelectGroup(int index) {
    const HandlerScope scope(m_nHandlerDepth);
    if (index >= 0) {
        if (index >= m_tabGroup->count())
            return 0;
        const QSignalBlocker block(m_tabGroup);
        m_tabGroup->setCurrentIndex(index);
    }
    const int cur = m_tabGroup->currentIndex();
    StopAll();
    ReleaseHook();
    for (int i = 0; i < kChannelCount; ++i) {
        m_Show[i].Close();
        m_btnPad[i]->SetFaceColor(kGreyFace);
        m_btnPad[i]->SetFaceHiColor(kGreyFaceHi);
        m_btnPad[i]->update();
    }
    m_listMonitor->SetGroupData(cur >= 0 && cur < m_aGroup.GetSize() ? &m_aGroup[cur] : nullptr);
    RunLoader();
    m_listMonitor->RefreshChannels(FALSE);
    RestoreHook();
    return 1;
}

void CMainDlg::RunLoader() {
    CLoadProcDlg loader(this);
    // The closed group's decoders and synths are let go of before the new group's are made, so that
    // the new ones reuse their memory instead of growing the heap at every switch.
    loader.SetPrelude([] { playkit::CAdxEngine::FreeClosedPlayers(kFreeClosedWaitMs); });
    loader.DoModal();
}

int CMainDlg::LoadGroupFile(const QString& path) {
    return CGroupFile(m_Settings).Load(path, m_aGroup, m_strFilePath);
}

int CMainDlg::SaveGroupFile(BOOL bSaveAs) {
    return CGroupFile(m_Settings, m_askSavePath)
        .Save(this, m_strFilePath, m_aGroup, m_Option.bRelative, bSaveAs);
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
        return OnLoadChannel(static_cast<int>(wParam));
    case WM_GRAPH_NOTIFY:
        return OnGraphNotify();
    case WM_PEAK_NOTIFY:
        return OnPeakNotify(wParam, lParam);
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

void CMainDlg::OnCommand(UINT id) {
    const HandlerScope scope(m_nHandlerDepth);
    if (InRange(static_cast<int>(id), IDC_PAD1, kChannelCount)) {
        OnPad(static_cast<int>(id) - IDC_PAD1);
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
    case ID_GROUP_EDIT:
        OnGroupEdit();
        break;
    case ID_OPTION:
        OnOption();
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

void CMainDlg::SetPadColor(int i, int playState) {
    COLORREF face = kGreyFace;
    COLORREF faceHi = kGreyFaceHi;
    if (playState == CChannelData::kStopped) {
        face = kStoppedFace;
        faceHi = kStoppedFaceHi;
    } else if (playState == CChannelData::kPlaying) {
        face = kPlayingFace;
        faceHi = kPlayingFaceHi;
    }
    m_btnPad[i]->SetFaceColor(face);
    m_btnPad[i]->SetFaceHiColor(faceHi);
    m_btnPad[i]->update();
}

void CMainDlg::SetSwitch(CPadButtonCtrl* sw, BOOL on) {
    sw->SetCheck(on ? padkit::BST_CHECKED : padkit::BST_UNCHECKED);
    sw->SetFaceColor(on ? kSwitchOnFace : kGreyFace);
    sw->SetFaceHiColor(on ? kSwitchOnFaceHi : kGreyFaceHi);
    sw->update();
}

void CMainDlg::RedrawChannelRow(int i) {
    m_listMonitor->RedrawItems(i, i);
}

LRESULT CMainDlg::OnLoadChannel(int i) {
    CGroupData* g = GetCurGroup();
    if (!g || i < 0 || i >= kChannelCount)
        return -1;
    CChannelData& ch = g->m_aChannel[i];
    ch.m_nPlayState = CChannelData::kNoMedia;
    m_ctrlFader[i]->setValue(100 - ch.m_nVolume);
    SetSwitch(m_btnRepeat[i], ch.m_bRepeat);
    SetSwitch(m_btnFadeIn[i], ch.m_bFadeIn);
    SetSwitch(m_btnFadeOut[i], ch.m_bFadeOut);
    m_ctrlPan[i]->SetPos(ch.m_nPan);
    m_ctrlSpeed[i]->SetPos(SpeedKnobPos(ch.m_dRate));
    SetPadColor(i, CChannelData::kNoMedia);
    if (ch.m_strFile.isEmpty()) {
        // The player may still hold the sound of the set before (New, Open, group edit): a channel
        // without a file must not play it, nor show it as loaded.
        m_Show[i].Close();
        return 0;
    }

    const AdxResult r = m_Show[i].Open(QFile::encodeName(ch.m_strFile).constData(), static_cast<UINT>(i + 1));
    if (r != 0) {
        ReportOpenFailure(ch.m_strFile, r);
        return -1;
    }
    ch.m_nPlayState = CChannelData::kStopped;
    ch.m_dPlayTime = m_Show[i].GetTickCount();
    ch.m_dEndTime = m_Show[i].GetTotalTime();
    // Neither can fail on a player that has just opened: it has its event source and its callback.
    (void)m_Show[i].SetNotifyWindow(&m_notifyTarget, WM_GRAPH_NOTIFY);
    (void)m_Show[i].SetVolumeNotifyWindow(&m_notifyTarget, WM_PEAK_NOTIFY);
    CFaderCtrl* fader = m_ctrlFader[i];
    fader->SetLevelRange(kMeterFloor, 0);
    fader->SetLevelRangeR(kMeterRedMin, 0);
    fader->SetLevelRangeY(kMeterYellowMin, kMeterRedMin);
    fader->SetLevelRangeG(kMeterFloor, kMeterYellowMin);
    fader->SetLevelPos(kMeterFloor);
    SetPadColor(i, CChannelData::kStopped);
    RequestLoudness(i);
    return 0;
}

QString CMainDlg::OpenFailureText(const QString& file, AdxResult result) {
    if (result == AdxResult::kRefusedExtension)
        return QString::fromUtf8(kNotSupportedText);
    if (!QFileInfo::exists(file))
        return QString::fromUtf8(kNotFoundText);
    return QString::fromUtf8(kCannotPlayText);
}

void CMainDlg::ReportOpenFailure(const QString& file, AdxResult result) {
    // Say what went wrong and with which file.
    PADKIT_MessageBox(this, OpenFailureText(file, result).arg(file), LoadResString(IDS_APP_TITLE),
                      MB_ICONEXCLAMATION | MB_OK);
}

void CMainDlg::OnPad(int i) {
    CGroupData* g = GetCurGroup();
    if (!g || !m_Show[i].IsRender())
        return;
    CChannelData& ch = g->m_aChannel[i];
    // A running fade cannot be interrupted from the pad.
    if (ch.m_nFadeMode != 0)
        return;
    SetChannelPan(i, ch.m_nPan);
    SetChannelRate(i, ch.m_dRate);
    if (m_bStopKey) {
        if (ch.m_bFadeOut) {
            ch.m_nFadeTarget = ch.m_nVolume;
            ch.m_nFadeVolume = ch.m_nVolume;
            ch.m_nFadeMode = -1;
        } else {
            StopChannel(i);
        }
        return;
    }
    if (ch.m_bFadeIn) {
        ch.m_nFadeTarget = ch.m_nVolume;
        ch.m_nFadeVolume = 0;
        ch.m_nFadeMode = 1;
        SetChannelVolume(i, 0);
    } else {
        SetChannelVolume(i, ch.m_nVolume);
    }
    PlayChannel(i);
}

int CMainDlg::PlayChannel(int i) {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (ch.m_nPlayState == CChannelData::kNoMedia)
        return 1;
    if (ch.m_nPlayState == CChannelData::kPlaying)
        StopChannel(i);
    (void)m_Show[i].Play(); // a refused play leaves the player stopped; the state is read back below
    ch.m_nPlayState = CChannelData::kPlaying;
    RefreshPlayState();
    // The state just read from the player: one whose media failed for good stays stopped, and its pad
    // must not stay lit over silence.
    SetPadColor(i, ch.m_nPlayState);
    return 1;
}

int CMainDlg::StopChannel(int i) {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    if (g->m_aChannel[i].m_nPlayState != CChannelData::kPlaying)
        return 1;
    (void)m_Show[i].Stop(); // refused only while the device stalls; the timer reads the state back
    SetPadColor(i, CChannelData::kStopped);
    return 1;
}

void CMainDlg::StopAll() {
    for (int i = 0; i < kChannelCount; ++i)
        StopChannel(i);
}

int CMainDlg::SetChannelVolume(int i, int volume) {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    g->m_aChannel[i].m_nVolume = volume;
    m_ctrlFader[i]->setValue(100 - volume);
    RedrawChannelRow(i);
    if (m_Show[i].IsRender())
        (void)m_Show[i].SetVolume(
            LoudnessAttenuation(i, ChannelAttenuation(volume, m_nMasterVolume))); // in range
    return 1;
}

void CMainDlg::ApplyMasterVolume() {
    CGroupData* g = GetCurGroup();
    if (!g)
        return;
    for (int i = 0; i < kChannelCount; ++i)
        SetChannelVolume(i, g->m_aChannel[i].m_nVolume);
}

int CMainDlg::SetChannelPan(int i, int pan) {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (pan != ch.m_nPan) {
        ch.m_nPan = pan;
        m_bModified = TRUE;
    }
    m_ctrlPan[i]->SetPos(pan);
    RedrawChannelRow(i);
    (void)m_Show[i].SetBalance(ChannelBalance(pan)); // in range; a closed player has nothing to set
    return 1;
}

int CMainDlg::SetChannelRate(int i, double rate) {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (rate != ch.m_dRate) {
        ch.m_dRate = rate;
        m_bModified = TRUE;
    }
    m_ctrlSpeed[i]->SetPos(SpeedKnobPos(rate));
    RedrawChannelRow(i);
    (void)m_Show[i].SetRate(rate); // in range; a closed player has nothing to set
    return 1;
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
    CGroupData* g = GetCurGroup();
    if (!g)
        return;
    const int nid = static_cast<int>(id);
    CPadButtonCtrl* sw = nullptr;
    BOOL* field = nullptr;
    if (InRange(nid, IDC_REPEAT1, kChannelCount)) {
        sw = m_btnRepeat[nid - IDC_REPEAT1];
        field = &g->m_aChannel[nid - IDC_REPEAT1].m_bRepeat;
    } else if (InRange(nid, IDC_FADEIN1, kChannelCount)) {
        sw = m_btnFadeIn[nid - IDC_FADEIN1];
        field = &g->m_aChannel[nid - IDC_FADEIN1].m_bFadeIn;
    } else {
        sw = m_btnFadeOut[nid - IDC_FADEOUT1];
        field = &g->m_aChannel[nid - IDC_FADEOUT1].m_bFadeOut;
    }
    *field = sw->GetCheck() == padkit::BST_CHECKED ? TRUE : FALSE;
    SetSwitch(sw, *field);
}

void CMainDlg::OnFaderScroll(int id, int position) {
    if (InRange(id, IDC_FADER1, kChannelCount)) {
        SetChannelVolume(id - IDC_FADER1, 100 - position);
    } else if (id == IDC_MASTER) {
        m_nMasterVolume = 100 - position;
        ApplyMasterVolume();
    }
}
