#include "app/main/MainDlg.h"

#include "app/res/MeterScale.h"
#include "playkit/AdxEngine.h"

#include <climits>
#include <cmath>

namespace {
constexpr int kMeterFloor = meterscale::kFloor;
constexpr double kFullScale = 32768.0;
constexpr double kStepsPerSecond = 1000.0 / CMainDlg::kTimerPeriodMs;
} // namespace

int MeterLevel(int peak, int volume) {
    double c = peak > 0 ? 20.0 * std::log10(peak / kFullScale) : kMeterFloor;
    if (c < kMeterFloor)
        c = kMeterFloor;
    const int d = static_cast<int>((c - kMeterFloor) * volume / 100.0 + kMeterFloor);
    return d < kMeterFloor ? kMeterFloor : d;
}

int FadeStep(int target, double seconds) {
    const double steps = seconds * kStepsPerSecond;
    // Fewer than one timer step (a group file may hold 0 or less): the fade ends at its first step.
    if (!(steps >= 1.0))
        return target > 1 ? target : 1;
    const int n = steps >= INT_MAX ? INT_MAX : static_cast<int>(steps);
    const int step = target / n;
    return step > 0 ? step : 1;
}

void CMainDlg::OnTimer(int id) {
    if (id != ID_TIMER_PLAY)
        return;
    RefreshPlayState();
    RefreshPlayTime();
    StepFades();
    RefreshOutputMark();
}

void CMainDlg::RefreshOutputMark() {
    // A mark in the caption, not a message box: the show goes on on the clock meanwhile.
    const bool lost = playkit::CAdxEngine::OutputLost();
    if (lost == m_bOutputLost)
        return;
    m_bOutputLost = lost;
    const QString mark = QString::fromUtf8(kNoOutputMark);
    QString title = windowTitle();
    if (lost)
        title += mark;
    else if (title.endsWith(mark))
        title.chop(mark.size());
    setWindowTitle(title);
}

int CMainDlg::RefreshPlayState() {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        const short old = ch.m_nPlayState;
        ch.m_nPlayState = CChannelData::kNoMedia;
        if (m_Show[i].IsRender())
            ch.m_nPlayState = m_Show[i].IsPlay() ? CChannelData::kPlaying : CChannelData::kStopped;
        if (ch.m_nPlayState == old)
            continue;
        SetPadColor(i, ch.m_nPlayState);
        m_ctrlFader[i]->SetLevelPos(kMeterFloor);
    }
    return 1;
}

int CMainDlg::RefreshPlayTime() {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        if (ch.m_nPlayState != CChannelData::kPlaying)
            continue;
        const double old = ch.m_dPlayTime;
        ch.m_dPlayTime = m_Show[i].GetTickCount();
        // The list shows whole seconds: redraw only when they change.
        if (static_cast<long long>(old) != static_cast<long long>(ch.m_dPlayTime))
            RedrawChannelRow(i);
    }
    return 1;
}

int CMainDlg::StepFades() {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        if (ch.m_nFadeMode == 0)
            continue;
        const double seconds = ch.m_nFadeMode > 0 ? ch.m_dTimeFadeIn : ch.m_dTimeFadeOut;
        const int step = FadeStep(ch.m_nFadeTarget, seconds);
        bool ended = false;
        if (ch.m_nFadeMode > 0) {
            ch.m_nFadeVolume += step;
            if (ch.m_nFadeVolume < ch.m_nFadeTarget && ch.m_nPlayState == CChannelData::kPlaying) {
                SetChannelVolume(i, ch.m_nFadeVolume);
            } else {
                SetChannelVolume(i, ch.m_nFadeTarget);
                ended = true;
            }
        } else {
            ch.m_nFadeVolume -= step;
            if (ch.m_nFadeVolume > 0) {
                SetChannelVolume(i, ch.m_nFadeVolume);
            } else {
                SetChannelVolume(i, 0);
                StopChannel(i);
                // The channel gets its volume back for the next start.
                SetChannelVolume(i, ch.m_nFadeTarget);
                ended = true;
            }
        }
        if (ended) {
            ch.m_nFadeMode = 0;
            ch.m_nFadeVolume = 0;
            ch.m_nFadeTarget = 0;
        }
    }
    return 1;
}

LRESULT CMainDlg::OnGraphNotify() {
    CGroupData* g = GetCurGroup();
    if (!g)
        return -1;
    for (int i = 0; i < kChannelCount; ++i) {
        bool handled = false;
        LONG code = 0;
        LONG param1 = 0;
        LONG param2 = 0;
        // Every waiting event is taken; only the first end of the media acts.
        while (m_Show[i].GetEvent(&code, &param1, &param2, 0) == 0) {
            if (handled)
                continue;
            if (code == EC_COMPLETE)
                g->m_aChannel[i].m_dEndTime = m_Show[i].GetTickCount();
            if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
                if (g->m_aChannel[i].m_bRepeat)
                    PlayChannel(i);
                else
                    StopChannel(i);
                handled = true;
            }
        }
    }
    return 0;
}

LRESULT CMainDlg::OnPeakNotify(WPARAM wParam, LPARAM lParam) {
    CGroupData* g = GetCurGroup();
    if (!g)
        return 0;
    const LPARAM n = lParam;
    if (n < 1 || n > kChannelCount)
        return 0;
    const CChannelData& ch = g->m_aChannel[n - 1];
    // A peak that arrives after its channel stopped, or after a group switch, is judged by the channel
    // that has that number now.
    if (ch.m_nPlayState != CChannelData::kPlaying)
        return 0;
    const int peak = wParam > 32768 ? 32768 : static_cast<int>(wParam);
    m_ctrlFader[n - 1]->SetLevelPos(MeterLevel(peak, ch.m_nVolume));
    return 0;
}
