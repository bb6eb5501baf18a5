#include "app/show/ShowSession.h"

#include "app/data/LoudnessMatcher.h"
#include "playkit/AdxEngine.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Player results.
constexpr int kOpenRefusedExtension = -31;

constexpr const char* kNotSupportedText = "%1\nこのファイルには対応していません。";
constexpr const char* kNotFoundText = "%1\nファイルが見つかりません。";
constexpr const char* kCannotPlayText = "%1\nこのファイルを再生できません。";

} // namespace

void CShowSession::CNotifyTarget::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    platform::PostMessage(m_pTo, msg, wParam, lParam);
}

CShowSession::CShowSession(QObject* pNoticeTo) : m_notifyTarget(pNoticeTo ? pNoticeTo : this) {
    m_timer.setInterval(show::kTimerPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Step(); });
}

CShowSession::~CShowSession() {
    m_timer.stop();
    // Closed while their notices' receiver still exists: none reaches an object that is going.
    for (CAdxShow& player : m_Show)
        player.Close();
}

void CShowSession::AddObserver(IShowObserver* pObserver) {
    m_observers.push_back(pObserver);
}

void CShowSession::RemoveObserver(IShowObserver* pObserver) {
    std::erase(m_observers, pObserver);
}

bool CShowSession::event(QEvent* e) {
    if (e->type() == platform::MessageEvent::eventType()) {
        auto* msg = static_cast<platform::MessageEvent*>(e);
        msg->setResult(OnPlayerNotice(msg->message(), msg->wParam(), msg->lParam()));
        return true;
    }
    return QObject::event(e);
}

CGroupData* CShowSession::CurrentGroup() {
    if (m_nGroup < 0 || m_nGroup >= m_aGroup.GetSize())
        return nullptr;
    return &m_aGroup[m_nGroup];
}

int CShowSession::SelectGroup(int index) {
    AssertUiThread();
    if (index < 0)
        index = m_nGroup;
    if (index >= m_aGroup.GetSize())
        return 0;
    m_nGroup = index;
    StopAll();
    for (int i = 0; i < kChannelCount; ++i) {
        m_Show[i].Close();
        Tell([i](IShowObserver& o) { o.OnPadChanged(i, CChannelData::kNoMedia); });
    }
    Tell([index](IShowObserver& o) { o.OnGroupChanged(index, false); });
    LoadGroup();
    Tell([index](IShowObserver& o) { o.OnGroupChanged(index, true); });
    return 1;
}

void CShowSession::NextGroup() {
    // Past the last group nothing changes.
    SelectGroup(m_nGroup + 1);
}

void CShowSession::PrevGroup() {
    if (m_nGroup > 0)
        SelectGroup(m_nGroup - 1);
}

void CShowSession::LoadGroup() {
    AssertUiThread();
    if (m_pHost) {
        m_pHost->RunLoad();
        return;
    }
    // The closed group's decoders and synths are let go of before the new group's are made, so that
    // the new ones reuse their memory instead of growing the heap at every switch.
    playkit::CAdxEngine::FreeClosedPlayers(kFreeClosedWaitMs);
    for (int i = 0; i < kChannelCount; ++i)
        LoadChannel(i);
}

int CShowSession::LoadChannel(int i) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return -1;
    CChannelData& ch = g->m_aChannel[i];
    ch.m_nPlayState = CChannelData::kNoMedia;
    Tell([i](IShowObserver& o) {
        o.OnChannelChanged(i, EShowChange::Strip);
        o.OnPadChanged(i, CChannelData::kNoMedia);
    });
    if (ch.m_strFile.isEmpty()) {
        // The player may still hold the sound of the set before (New, Open, group edit): a channel
        // without a file must not play it, nor show it as loaded.
        m_Show[i].Close();
        return 0;
    }

    const int r = m_Show[i].Open(QFile::encodeName(ch.m_strFile).constData(), static_cast<UINT>(i + 1));
    if (r != 0) {
        const QString file = ch.m_strFile;
        Tell([&file, r](IShowObserver& o) { o.OnOpenFailed(file, r); });
        return -1;
    }
    ch.m_nPlayState = CChannelData::kStopped;
    ch.m_dPlayTime = m_Show[i].GetTickCount();
    ch.m_dEndTime = m_Show[i].GetTotalTime();
    m_Show[i].SetNotifyWindow(&m_notifyTarget, WM_GRAPH_NOTIFY);
    m_Show[i].SetVolumeNotifyWindow(&m_notifyTarget, WM_PEAK_NOTIFY);
    Tell([i](IShowObserver& o) {
        o.OnChannelChanged(i, EShowChange::Loaded);
        o.OnPadChanged(i, CChannelData::kStopped);
    });
    RequestLoudness(i);
    return 0;
}

void CShowSession::LoadSound(int i, const CChannelData& sound) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return;
    // As a new load does: the old sound stops, and a fade of it ends with it.
    StopChannel(i);
    g->m_aChannel[i] = sound;
    g->m_aChannel[i].m_nFadeMode = 0;
    m_bModified = TRUE;
    LoadChannel(i);
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Row); });
}

int CShowSession::ProbeSound(const QString& file) {
    CAdxShow probe;
    const int r = probe.Open(QFile::encodeName(file).constData(), 0);
    probe.Close();
    return r;
}

QString CShowSession::OpenFailureText(const QString& file, int result) {
    if (result == kOpenRefusedExtension)
        return QString::fromUtf8(kNotSupportedText);
    if (!QFileInfo::exists(file))
        return QString::fromUtf8(kNotFoundText);
    return QString::fromUtf8(kCannotPlayText);
}

void CShowSession::Pad(int i) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i) || !m_Show[i].IsRender())
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

void CShowSession::StopPad(int i) {
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
    m_Show[i].Play();
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
    m_Show[i].Stop();
    Tell([i](IShowObserver& o) { o.OnPadChanged(i, CChannelData::kStopped); });
    return 1;
}

void CShowSession::StopAll() {
    for (int i = 0; i < kChannelCount; ++i)
        StopChannel(i);
}

int CShowSession::SetChannelVolume(int i, int volume) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    g->m_aChannel[i].m_nVolume = volume;
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Volume); });
    if (m_Show[i].IsRender())
        m_Show[i].SetVolume(LoudnessAttenuation(i, ChannelAttenuation(volume, m_nMasterVolume)));
    return 1;
}

void CShowSession::SetMasterVolume(int master) {
    AssertUiThread();
    m_nMasterVolume = master;
    Tell([master](IShowObserver& o) { o.OnMasterChanged(master); });
    ApplyMasterVolume();
}

void CShowSession::ApplyMasterVolume() {
    CGroupData* g = CurrentGroup();
    if (!g)
        return;
    for (int i = 0; i < kChannelCount; ++i)
        SetChannelVolume(i, g->m_aChannel[i].m_nVolume);
}

int CShowSession::SetChannelPan(int i, int pan) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (pan != ch.m_nPan) {
        ch.m_nPan = pan;
        m_bModified = TRUE;
    }
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Pan); });
    m_Show[i].SetBalance(ChannelBalance(pan));
    return 1;
}

int CShowSession::SetChannelRate(int i, double rate) {
    AssertUiThread();
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return 0;
    CChannelData& ch = g->m_aChannel[i];
    if (rate != ch.m_dRate) {
        ch.m_dRate = rate;
        m_bModified = TRUE;
    }
    Tell([i](IShowObserver& o) { o.OnChannelChanged(i, EShowChange::Rate); });
    m_Show[i].SetRate(rate);
    return 1;
}

void CShowSession::SetSwitch(int i, EShowSwitch which, BOOL bOn) {
    AssertUiThread();
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
