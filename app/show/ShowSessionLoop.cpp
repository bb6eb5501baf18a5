// The 100 ms loop of the show: the players' state and time, the fades, the end of each sound (repeat)
// and the meters.
#include "app/show/ShowSession.h"

#include "playkit/AdxEngine.h"

namespace {
constexpr WPARAM kPeakFullScale = 32768;
} // namespace

void CShowSession::Step() {
    AssertUiThread();
    const CActionScope quiet(*this); // fades and repeats are the show's own
    RefreshPlayState();
    RefreshPlayTime();
    StepFades();
    StepBackground();
    StepAudition();
    RefreshOutputLost();
}

void CShowSession::RefreshOutputLost() {
    const bool lost = playkit::CAdxEngine::OutputLost();
    if (lost == m_bOutputLost)
        return;
    m_bOutputLost = lost;
    Tell([lost](IShowObserver& o) { o.OnOutputLost(lost); });
}

int CShowSession::RefreshPlayState() {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g)
        return 0;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        const short old = ch.m_nPlayState;
        ch.m_nPlayState = CChannelData::kNoMedia;
        if (m_Show[i]->IsRender())
            ch.m_nPlayState = m_Show[i]->IsPlay() ? CChannelData::kPlaying : CChannelData::kStopped;
        if (ch.m_nPlayState == old)
            continue;
        const int state = ch.m_nPlayState;
        Tell([i, state](IShowObserver& o) {
            o.OnPadChanged(i, state);
            o.OnMeterChanged(i, show::kMeterFloor);
        });
    }
    return 1;
}

int CShowSession::RefreshPlayTime() {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g)
        return 0;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        if (ch.m_nPlayState != CChannelData::kPlaying)
            continue;
        const double old = ch.m_dPlayTime;
        ch.m_dPlayTime = m_Show[i]->GetTickCount();
        // The list shows whole seconds: redraw only when they change.
        if (static_cast<long long>(old) != static_cast<long long>(ch.m_dPlayTime))
            Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Row); });
    }
    return 1;
}

int CShowSession::StepFades() {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g)
        return 0;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        if (ch.m_nFadeMode == 0)
            continue;
        StepFade(
            ch, [this, i](int volume) { SetChannelVolume(i, volume); }, [this, i] { StopChannel(i); });
    }
    return 1;
}

void CShowSession::StepFade(CChannelData& ch, const std::function<void(int)>& setVolume,
                            const std::function<void()>& stop) {
    const double seconds = ch.m_nFadeMode > 0 ? ch.m_dTimeFadeIn : ch.m_dTimeFadeOut;
    const int step = FadeStep(ch.m_nFadeTarget, seconds);
    if (ch.m_nFadeMode > 0) {
        ch.m_nFadeVolume += step;
        if (ch.m_nFadeVolume < ch.m_nFadeTarget && ch.m_nPlayState == CChannelData::kPlaying) {
            setVolume(ch.m_nFadeVolume);
            return;
        }
        setVolume(ch.m_nFadeTarget);
    } else {
        ch.m_nFadeVolume -= step;
        if (ch.m_nFadeVolume > 0) {
            setVolume(ch.m_nFadeVolume);
            return;
        }
        setVolume(0);
        stop();
        // The channel gets its volume back for the next start.
        setVolume(ch.m_nFadeTarget);
    }
    ch.m_nFadeMode = 0;
    ch.m_nFadeVolume = 0;
    ch.m_nFadeTarget = 0;
}

LRESULT CShowSession::OnPlayerNotice(UINT message, WPARAM wParam, LPARAM lParam) {
    AssertUiThread();
    const CActionScope quiet(*this); // a repeat's restart, a sound's end
    if (message == WM_GRAPH_NOTIFY)
        return OnPlayerEvents();
    if (message == WM_PEAK_NOTIFY)
        return OnPeak(wParam, lParam);
    return 0;
}

LRESULT CShowSession::OnPlayerEvents() {
    OnBackgroundEvents();
    CGroupData* g = CurrentGroup();
    if (!g)
        return -1;
    for (int i = 0; i < kChannelCount; ++i) {
        bool handled = false;
        LONG code = 0;
        LONG param1 = 0;
        LONG param2 = 0;
        // Every waiting event is taken; only the first end of the media acts.
        while (m_Show[i]->GetEvent(&code, &param1, &param2, 0) == 0) {
            if (handled)
                continue;
            if (code == EC_COMPLETE)
                g->m_aChannel[i].m_dEndTime = m_Show[i]->GetTickCount();
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

LRESULT CShowSession::OnPeak(WPARAM wParam, LPARAM lParam) {
    CGroupData* g = CurrentGroup();
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
    const int peak = wParam > kPeakFullScale ? static_cast<int>(kPeakFullScale) : static_cast<int>(wParam);
    const int level = MeterLevel(peak, ch.m_nVolume);
    const int i = static_cast<int>(n - 1);
    Tell([i, level](IShowObserver& o) { o.OnMeterChanged(i, level); });
    return 0;
}
