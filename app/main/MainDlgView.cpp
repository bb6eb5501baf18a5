// The window paints the show session's state: pads, switches, knobs, faders and their meters, the
// master, the tabs and the monitor list.
#include "app/main/MainDlg.h"

#include "app/lists/MonitorListCtrl.h"
#include "app/res/MeterScale.h"
#include "app/res/Resources.h"
#include "app/res/WindowColors.h"
#include "app/show/ShowRemotes.h"
#include "padkit/controls/BaseTabCtrl.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/controls/LevelFaderCtrl.h"
#include "padkit/controls/VolumeCtrl.h"
#include "padkit/util/MessageBox.h"

#include <QCoreApplication>
#include <QSlider>

namespace {

constexpr COLORREF kGreyFace = wincolor::kGreyFace;
constexpr COLORREF kGreyFaceHi = wincolor::kGreyFaceHi;
constexpr COLORREF kStoppedFace = wincolor::kStoppedFace;
constexpr COLORREF kStoppedFaceHi = wincolor::kStoppedFaceHi;
constexpr COLORREF kAuditionFace = wincolor::kAuditionFace;
constexpr COLORREF kAuditionFaceHi = wincolor::kAuditionFaceHi;
constexpr COLORREF kPlayingFace = wincolor::kPlayingFace;
constexpr COLORREF kPlayingFaceHi = wincolor::kPlayingFaceHi;
constexpr COLORREF kSwitchOnFace = wincolor::kSwitchOnFace;
constexpr COLORREF kSwitchOnFaceHi = wincolor::kSwitchOnFaceHi;
constexpr COLORREF kAllStopFace = wincolor::kAllStopFace;
constexpr COLORREF kAllStopFaceHi = wincolor::kAllStopFaceHi;
constexpr int kButtonCornerR = 5;
// The meter's coloured spans, in dB below full scale.
constexpr int kMeterRedMin = meterscale::kRedMin;
constexpr int kMeterYellowMin = meterscale::kYellowMin;

} // namespace

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
        m_ctrlPan[i]->SetRange(-show::kPanMax, show::kPanMax);
        m_ctrlPan[i]->SetPos(0);
        m_ctrlPan[i]->SetBkColor(kBackColor);
        m_ctrlSpeed[i]->SetRange(1, 100);
        m_ctrlSpeed[i]->SetPos(10);
        m_ctrlSpeed[i]->SetBkColor(kBackColor);
        for (CPadButtonCtrl* b : {m_btnPad[i], m_btnRepeat[i], m_btnFadeIn[i], m_btnFadeOut[i]})
            initButton(b, kGreyFace, kGreyFaceHi);
    }
    m_ctrlMaster->setRange(0, 100);
    m_show.SetMasterVolume(show::kMaxVolume);
    initButton(m_btnAllStop, kAllStopFace, kAllStopFaceHi);
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
    if (m_show.AuditionedChannel() == i) {
        face = kAuditionFace;
        faceHi = kAuditionFaceHi;
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

void CMainDlg::ShowSwitches(int i) {
    const CChannelData& ch = GetCurGroup()->m_aChannel[i];
    SetSwitch(m_btnRepeat[i], ch.m_bRepeat);
    SetSwitch(m_btnFadeIn[i], ch.m_bFadeIn);
    SetSwitch(m_btnFadeOut[i], ch.m_bFadeOut);
}

void CMainDlg::RedrawChannelRow(int i) {
    m_listMonitor->RedrawItems(i, i);
}

void CMainDlg::OnChannelChanged(int i, EShowChange what) {
    const CChannelData& ch = GetCurGroup()->m_aChannel[i];
    switch (what) {
    case EShowChange::Strip:
        m_ctrlFader[i]->setValue(show::kMaxVolume - ch.m_nVolume);
        ShowSwitches(i);
        m_ctrlPan[i]->SetPos(ch.m_nPan);
        m_ctrlSpeed[i]->SetPos(SpeedKnobPos(ch.m_dRate));
        break;
    case EShowChange::Loaded: {
        CFaderCtrl* fader = m_ctrlFader[i];
        fader->SetLevelRange(show::kMeterFloor, 0);
        fader->SetLevelRangeR(kMeterRedMin, 0);
        fader->SetLevelRangeY(kMeterYellowMin, kMeterRedMin);
        fader->SetLevelRangeG(show::kMeterFloor, kMeterYellowMin);
        fader->SetLevelPos(show::kMeterFloor);
        break;
    }
    case EShowChange::Volume:
        m_ctrlFader[i]->setValue(show::kMaxVolume - ch.m_nVolume);
        RedrawChannelRow(i);
        break;
    case EShowChange::Pan:
        m_ctrlPan[i]->SetPos(ch.m_nPan);
        RedrawChannelRow(i);
        break;
    case EShowChange::Rate:
        m_ctrlSpeed[i]->SetPos(SpeedKnobPos(ch.m_dRate));
        RedrawChannelRow(i);
        break;
    case EShowChange::Switches:
        ShowSwitches(i);
        break;
    case EShowChange::Row:
        RedrawChannelRow(i);
        break;
    }
}

void CMainDlg::OnPadChanged(int i, int state) {
    SetPadColor(i, state);
}

void CMainDlg::OnAuditionChanged(int i, bool /*on*/) {
    const CGroupData* g = GetCurGroup();
    if (g && i >= 0 && i < kChannelCount)
        SetPadColor(i, g->m_aChannel[i].m_nPlayState);
}

void CMainDlg::OnMeterChanged(int i, int level) {
    m_ctrlFader[i]->SetLevelPos(level);
}

void CMainDlg::OnMasterChanged(int master) {
    m_ctrlMaster->setValue(show::kMaxVolume - master);
}

void CMainDlg::OnGroupChanged(int index, bool loaded) {
    if (loaded) {
        m_listMonitor->RefreshChannels(FALSE);
        return;
    }
    if (m_tabGroup->currentIndex() != index) {
        const QSignalBlocker block(m_tabGroup);
        m_tabGroup->setCurrentIndex(index);
    }
    CGroupArray& set = m_show.Set();
    m_listMonitor->SetGroupData(index >= 0 && index < set.GetSize() ? &set[index] : nullptr);
}

void CMainDlg::RunLoad() {
    const HandlerScope scope(m_nHandlerDepth);
    ReleaseHook();
    RunLoader();
    RestoreHook();
}

void CMainDlg::OnOpenFailed(const QString& file, AdxResult result) {
    // Say what went wrong and with which file.
    PADKIT_MessageBox(this, CShowSession::OpenFailureText(file, result).arg(file),
                      LoadResString(IDS_APP_TITLE), MB_ICONEXCLAMATION | MB_OK);
}

void CMainDlg::OnOutputPairsMissing(const QString& text) {
    PADKIT_MessageBox(this, text, LoadResString(IDS_APP_TITLE), MB_ICONEXCLAMATION | MB_OK);
}

void CMainDlg::OnOutputLost(bool lost) {
    // A mark in the caption, not a message box: the show goes on on the clock meanwhile.
    m_bOutputLost = lost;
    ShowCaption();
}

void CMainDlg::OnBackgroundChanged() {
    for (int g = 0; g < m_tabGroup->count(); ++g)
        m_tabGroup->SetTabMarked(g, m_show.BackgroundCountIn(g) > 0);
    ShowCaption();
}

void CMainDlg::ShowCaption() {
    QString title = m_strCaption;
    if (const int background = m_show.BackgroundCount(); background > 0)
        title += QCoreApplication::translate("CMainDlg", kBackgroundMark).arg(background);
    if (m_bOutputLost)
        title += QCoreApplication::translate("CMainDlg", kNoOutputMark);
    if (const QString mirror = m_pRemotes ? m_pRemotes->MirrorStatus() : QString(); !mirror.isEmpty())
        title += QStringLiteral("（%1）").arg(mirror); // the backup link's state
    if (title != windowTitle())
        setWindowTitle(title);
}
