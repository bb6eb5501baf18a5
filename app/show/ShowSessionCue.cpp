// Auditioning on the cue output: a sound heard on the headphones before it goes out, never on the
// house. The channel's own player, its play state and its pad state stay as they are.
#include "app/show/ShowRules.h"
#include "app/show/ShowSession.h"

int CShowSession::AuditionPad(int i) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    if (m_cue.IsActive() && m_cue.Channel() == i) {
        StopAudition();
        return 1;
    }
    const CChannelData& ch = g->m_aChannel[i];
    if (ch.m_strFile.isEmpty())
        return 0;
    StopAudition();
    // The channel's volume, loudness, pan and speed; the master is the house's level, not the cue's.
    const LONG attenuation = LoudnessAttenuation(ch, ChannelAttenuation(ch.m_nVolume, show::kMaxVolume));
    if (!m_cue.Start(ch.m_strFile, i, attenuation, ChannelBalance(ch.m_nPan), ch.m_dRate))
        return 0;
    Tell([i](IShowObserver& o) { o.OnAuditionChanged(i, true); });
    return 1;
}

bool CShowSession::AuditionFile(const QString& file) {
    AssertUiThread();
    const bool same = m_cue.IsActive() && m_cue.Channel() == CCueAudition::kNoChannel && m_cue.File() == file;
    StopAudition();
    if (same || file.isEmpty())
        return false;
    if (!m_cue.Start(file, CCueAudition::kNoChannel, ChannelAttenuation(show::kMaxVolume, show::kMaxVolume),
                     ChannelBalance(0), 1.0))
        return false;
    Tell([](IShowObserver& o) { o.OnAuditionChanged(CCueAudition::kNoChannel, true); });
    return true;
}

void CShowSession::StopAudition() {
    AssertUiThread();
    if (!m_cue.IsActive())
        return;
    const int i = m_cue.Channel();
    m_cue.Stop();
    Tell([i](IShowObserver& o) { o.OnAuditionChanged(i, false); });
}

void CShowSession::StepAudition() {
    const int i = m_cue.Channel();
    if (m_cue.StepEnded())
        Tell([i](IShowObserver& o) { o.OnAuditionChanged(i, false); });
}
