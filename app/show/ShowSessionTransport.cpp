// The transport and mixing commands of the show: pads, stops, volumes, pans, speeds, R / FI / FO and
// the master.
#include "app/show/ShowSession.h"

#include <cmath>

namespace {
using Kind = RemoteCommand::Kind;
} // namespace

CShowSession::CActionScope::CActionScope(CShowSession& session, const RemoteCommand& action, bool bTell)
    : m_session(session) {
    if (m_session.m_nActionDepth++ == 0 && bTell && m_session.m_pActionSink)
        m_session.m_pActionSink->OnOperatorAction(action);
}

void CShowSession::SetStopKey(BOOL bHeld) {
    AssertUiThread();
    const CActionScope action(*this, {Kind::StopKey, bHeld ? 1 : 0, 0});
    m_bStopKey = bHeld;
}

void CShowSession::Pad(int i) {
    AssertUiThread();
    // An audition is the operator's own, on the cue output: it is not an action of the show.
    const CActionScope action(*this, {Kind::Pad, i, 0}, !m_bCueKey);
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i) || !m_Show[i]->IsRender())
        return;
    if (m_bCueKey) {
        AuditionPad(i);
        return;
    }
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

void CShowSession::StopPad(int i) {
    const CActionScope action(*this, {Kind::Stop, i, 0});
    const BOOL held = m_bStopKey;
    m_bStopKey = TRUE;
    Pad(i);
    m_bStopKey = held;
}

int CShowSession::PlayChannel(int i) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (ch.m_nPlayState == CChannelData::kNoMedia)
        return 1;
    if (ch.m_nPlayState == CChannelData::kPlaying)
        StopChannel(i);
    (void)m_Show[i]->Play(); // a refused play leaves the player stopped; the state is read back below
    ch.m_nPlayState = CChannelData::kPlaying;
    RefreshPlayState();
    // The state just read from the player: one whose media failed for good stays stopped, and its pad
    // must not stay lit over silence.
    const int state = ch.m_nPlayState;
    Tell([i, state](IShowObserver& o) { o.OnPadChanged(i, state); });
    return 1;
}

int CShowSession::StopChannel(int i) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    if (g->m_aChannel[i].m_nPlayState != CChannelData::kPlaying)
        return 1;
    (void)m_Show[i]->Stop(); // refused only while the device stalls; the timer reads the state back
    Tell([i](IShowObserver& o) { o.OnPadChanged(i, CChannelData::kStopped); });
    return 1;
}

void CShowSession::StopAll() {
    AssertUiThread();
    const CActionScope action(*this, {Kind::AllStop, 0, 0});
    for (int i = 0; i < kChannelCount; ++i)
        StopChannel(i);
    StopBackground();
    StopAudition();
}

int CShowSession::SetChannelVolume(int i, int volume) {
    AssertUiThread();
    const CActionScope action(*this, {Kind::Volume, i, volume});
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    g->m_aChannel[i].m_nVolume = volume;
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Volume); });
    if (m_Show[i]->IsRender())
        (void)m_Show[i]->SetVolume(PlayerAttenuation(g->m_aChannel[i], volume)); // in range
    return 1;
}

LONG CShowSession::PlayerAttenuation(const CChannelData& ch, int volume) const {
    return LoudnessAttenuation(ch, ChannelAttenuation(volume, m_nMasterVolume));
}

void CShowSession::SetMasterVolume(int master) {
    AssertUiThread();
    const CActionScope action(*this, {Kind::Master, 0, master});
    m_nMasterVolume = master;
    Tell([master](IShowObserver& o) { o.OnMasterChanged(master); });
    ApplyMasterVolume();
}

void CShowSession::ApplyMasterVolume() {
    // The master is over every sound, those of other groups too.
    ApplyMasterVolumeToBackground();
    CGroupData* g = CurrentGroup();
    if (!g)
        return;
    for (int i = 0; i < kChannelCount; ++i)
        SetChannelVolume(i, g->m_aChannel[i].m_nVolume);
}

int CShowSession::SetChannelPan(int i, int pan) {
    AssertUiThread();
    const CActionScope action(*this, {Kind::Pan, i, pan});
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (pan != ch.m_nPan) {
        ch.m_nPan = pan;
        m_bModified = TRUE;
    }
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Pan); });
    (void)m_Show[i]->SetBalance(ChannelBalance(pan)); // in range; a closed player has nothing to set
    return 1;
}

int CShowSession::SetChannelRate(int i, double rate) {
    AssertUiThread();
    const CActionScope action(
        *this, {Kind::Rate, i, static_cast<int>(std::lround(rate * RemoteCommand::kRateScale))});
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (rate != ch.m_dRate) {
        ch.m_dRate = rate;
        m_bModified = TRUE;
    }
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Rate); });
    (void)m_Show[i]->SetRate(rate); // the knob's range is the player's; a closed player has nothing to set
    return 1;
}

void CShowSession::SetSwitch(int i, EShowSwitch which, BOOL bOn) {
    AssertUiThread();
    const Kind kind = which == EShowSwitch::Repeat   ? Kind::Repeat
                      : which == EShowSwitch::FadeIn ? Kind::FadeIn
                                                     : Kind::FadeOut;
    const CActionScope action(*this, {kind, i, bOn ? 1 : 0});
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return;
    CChannelData& ch = g->m_aChannel[i];
    BOOL& field = which == EShowSwitch::Repeat   ? ch.m_bRepeat
                  : which == EShowSwitch::FadeIn ? ch.m_bFadeIn
                                                 : ch.m_bFadeOut;
    field = bOn ? TRUE : FALSE;
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Switches); });
}
