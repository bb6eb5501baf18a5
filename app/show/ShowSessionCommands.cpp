// The keys, the remote commands and loudness matching of the show.
#include "app/data/LoudnessCache.h"
#include "app/data/LoudnessMatcher.h"
#include "app/data/LoudnessMeter.h"
#include "app/show/KeyRole.h"
#include "app/show/ShowSession.h"
#include "padkit/util/KeyHook.h"

#include <algorithm>
#include <cmath>

BOOL CShowSession::KeyUp(UINT nVKey) {
    AssertUiThread();
    const EKeyRole role = FindKeyRole(m_Option, nVKey).role;
    if (role == EKeyRole::None && nVKey != 0 && nVKey == m_nCueKey)
        m_bCueKey = FALSE; // and the key goes on to the window as any other
    switch (role) {
    case EKeyRole::Stop:
        SetStopKey(FALSE);
        return TRUE;
    case EKeyRole::VolumeUp:
        m_bVolUpKey = FALSE;
        return TRUE;
    case EKeyRole::VolumeDown:
        m_bVolDownKey = FALSE;
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CShowSession::KeyDown(UINT nVKey, int* pPad) {
    AssertUiThread();
    *pPad = -1;
    // Auto-repeated presses act like new ones: a held channel key restarts its sound at the repeat rate.
    const KeyRole key = FindKeyRole(m_Option, nVKey);
    switch (key.role) {
    case EKeyRole::None:
        if (nVKey != 0 && nVKey == m_nCueKey)
            m_bCueKey = TRUE;
        return FALSE;
    case EKeyRole::Stop:
        SetStopKey(TRUE);
        break;
    case EKeyRole::VolumeUp:
        m_bVolUpKey = TRUE;
        break;
    case EKeyRole::VolumeDown:
        m_bVolDownKey = TRUE;
        break;
    case EKeyRole::AllStop:
        StopAll();
        break;
    case EKeyRole::GroupBack:
        PrevGroup();
        break;
    case EKeyRole::GroupNext:
        NextGroup();
        break;
    case EKeyRole::Master:
        if (m_bVolUpKey || m_bVolDownKey)
            SetMasterVolume(StepVolume(m_nMasterVolume, m_Option.nVolVal, m_bVolUpKey, m_bVolDownKey));
        break;
    case EKeyRole::Channel:
        if (!m_bVolUpKey && !m_bVolDownKey) {
            *pPad = key.nChannel;
        } else if (CGroupData* g = CurrentGroup()) {
            const int volume = g->m_aChannel[key.nChannel].m_nVolume;
            SetChannelVolume(key.nChannel, StepVolume(volume, m_Option.nVolVal, m_bVolUpKey, m_bVolDownKey));
        }
        break;
    }
    return TRUE;
}

void CShowSession::ClearHeldKeys() {
    AssertUiThread();
    const auto isDown = [](int nKey) { return nKey != 0 && PADKIT_IsKeyDown(static_cast<UINT>(nKey)); };
    if (m_bStopKey && !isDown(m_Option.nStopKey))
        SetStopKey(FALSE);
    if (m_bCueKey && !isDown(static_cast<int>(m_nCueKey)))
        m_bCueKey = FALSE;
    if (m_bVolUpKey && !isDown(m_Option.nVolUpKey))
        m_bVolUpKey = FALSE;
    if (m_bVolDownKey && !isDown(m_Option.nVolDownKey))
        m_bVolDownKey = FALSE;
}

void CShowSession::RemoteCommandArrived(const RemoteCommand& command) {
    AssertUiThread();
    const int n = command.n;
    using Kind = RemoteCommand::Kind;
    switch (command.kind) {
    case Kind::Pad:
        Pad(n);
        break;
    case Kind::StopKey:
        SetStopKey(n != 0 ? TRUE : FALSE);
        break;
    case Kind::Stop:
        StopPad(n);
        break;
    case Kind::AllStop:
        StopAll();
        break;
    case Kind::GroupNext:
        NextGroup();
        break;
    case Kind::GroupPrev:
        PrevGroup();
        break;
    case Kind::Group:
        SelectGroup(n);
        break;
    case Kind::Volume:
        SetChannelVolume(n, std::clamp(command.value, 0, show::kMaxVolume));
        break;
    case Kind::Master:
        SetMasterVolume(std::clamp(command.value, 0, show::kMaxVolume));
        break;
    case Kind::Pan:
        SetChannelPan(n, std::clamp(command.value, -show::kPanMax, show::kPanMax));
        break;
    case Kind::Rate:
        SetChannelRate(n, static_cast<double>(
                              std::clamp(command.value, RemoteCommand::kMinRate, RemoteCommand::kMaxRate)) /
                              RemoteCommand::kRateScale);
        break;
    case Kind::Repeat:
        SetSwitch(n, EShowSwitch::Repeat, command.value != 0 ? TRUE : FALSE);
        break;
    case Kind::FadeIn:
        SetSwitch(n, EShowSwitch::FadeIn, command.value != 0 ? TRUE : FALSE);
        break;
    case Kind::FadeOut:
        SetSwitch(n, EShowSwitch::FadeOut, command.value != 0 ? TRUE : FALSE);
        break;
    case Kind::State:
    case Kind::Raw:
        break;
    }
}

RemoteState CShowSession::CurrentRemoteState() {
    AssertUiThread();
    RemoteState state;
    state.nBackground = m_background.Count();
    state.nGroups = m_aGroup.GetSize();
    const CGroupData* g = CurrentGroup();
    if (!g)
        return state;
    state.nGroup = m_nGroup;
    state.strGroup = g->m_strName;
    for (int i = 0; i < kChannelCount; ++i)
        state.aPlay[static_cast<size_t>(i)] = g->m_aChannel[i].m_nPlayState;
    return state;
}

void CShowSession::StartLoudness(double target) {
    AssertUiThread();
    if (!m_pLoudness) {
        m_pLoudness = std::make_unique<CLoudnessMatcher>(CLoudnessCache::DefaultPath());
        connect(m_pLoudness.get(), &CLoudnessMatcher::Measured, this, &CShowSession::OnLoudnessMeasured);
    }
    m_pLoudness->SetTarget(target);
}

LONG CShowSession::LoudnessAttenuation(const CChannelData& ch, LONG attenuation) const {
    if (!m_pLoudness || attenuation <= show::kSilence)
        return attenuation;
    if (!ch.m_bLoudness)
        return attenuation;
    const double gain = CLoudnessMeter::GainDb(ch.m_dLoudness, m_pLoudness->Target());
    return std::clamp(attenuation + static_cast<LONG>(std::lround(gain * 100.0)), show::kSilence, LONG{0});
}

void CShowSession::RequestLoudness(int i) {
    CGroupData* g = CurrentGroup();
    if (!g || !m_pLoudness)
        return;
    CChannelData& ch = g->m_aChannel[i];
    ch.m_dLoudness = m_pLoudness->Known(ch.m_strFile);
    ch.m_bLoudnessFailed = FALSE;
    // Measured only for channels that use it; others learn it when they are switched on.
    if (ch.m_bLoudness && std::isnan(ch.m_dLoudness))
        m_pLoudness->Request(ch.m_strFile);
}

void CShowSession::OnLoudnessMeasured(const QString& file, double lufs, bool failed) {
    AssertUiThread();
    if (!failed)
        ApplyLoudnessToBackground(file, lufs);
    CGroupData* g = CurrentGroup();
    if (!g)
        return;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        if (ch.m_strFile != file)
            continue;
        ch.m_dLoudness = failed ? std::nan("") : lufs;
        ch.m_bLoudnessFailed = failed ? TRUE : FALSE;
        Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Row); });
        // The gain reaches a sound that already plays, through the volume's own ramp.
        if (ch.m_bLoudness && m_Show[i]->IsRender() && ch.m_nFadeMode == 0)
            (void)m_Show[i]->SetVolume(PlayerAttenuation(ch, ch.m_nVolume)); // in range
    }
}
