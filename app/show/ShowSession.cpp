#include "app/show/ShowSession.h"

#include "app/data/LoudnessMatcher.h"
#include "playkit/AdxEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

// Player results.

constexpr const char* kNotSupportedText =
    QT_TRANSLATE_NOOP("CShowSession", "%1\nこのファイルには対応していません。");
constexpr const char* kNotFoundText = QT_TRANSLATE_NOOP("CShowSession", "%1\nファイルが見つかりません。");
constexpr const char* kCannotPlayText =
    QT_TRANSLATE_NOOP("CShowSession", "%1\nこのファイルを再生できません。");
// %1: how many channels, %2: the pairs they name, %3: the pairs the output has.
constexpr const char* kMissingPairsText =
    QT_TRANSLATE_NOOP("CShowSession", "%1 チャンネルが、この出力にない出力ペア (%2) を指定しています。\n"
                                      "出力は %3 ペアです。これらのチャンネルは 1–2 で再生します。");

} // namespace

void CShowSession::CNotifyTarget::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    platform::PostMessage(m_pTo, msg, wParam, lParam);
}

CShowSession::CShowSession(QObject* pNoticeTo) : m_notifyTarget(pNoticeTo ? pNoticeTo : this) {
    for (auto& player : m_Show)
        player = std::make_unique<CAdxShow>();
    m_timer.setInterval(show::kTimerPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Step(); });
}

CShowSession::~CShowSession() {
    m_timer.stop();
    // Closed while their notices' receiver still exists: none reaches an object that is going.
    for (auto& player : m_Show)
        player->Close();
    for (CBackgroundSounds::Sound& sound : m_background.Sounds())
        sound.pPlayer->Close();
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
    // Told by the index it makes current, so that a backup lands on the same group whichever it shows.
    const CActionScope action(*this, {RemoteCommand::Kind::Group, index, 0}, index >= 0);
    const int left = m_nGroup;
    StopAudition(); // its pad leaves the screen
    if (!m_bKeepPlaying)
        StopAll();
    else if (left != index && left >= 0 && left < m_aGroup.GetSize())
        KeepPlayingSounds(left);
    else
        for (int i = 0; i < kChannelCount; ++i)
            StopChannel(i);
    m_nGroup = index;
    for (int i = 0; i < kChannelCount; ++i) {
        m_Show[i]->Close();
        Tell([i](IShowObserver& o) { o.OnPadChanged(i, CChannelData::kNoMedia); });
    }
    HandBackSounds(index);
    Tell([index](IShowObserver& o) { o.OnGroupChanged(index, false); });
    LoadGroup();
    // Every channel has been through LoadChannel: a later load of one is a new sound.
    m_handedBack.reset();
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
    const CActionScope quiet(*this); // the loader sets each strip up: the show's own doing
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
    const CActionScope quiet(*this);
    CGroupData* g = CurrentGroup();
    if (!g || !IsChannel(i))
        return -1;
    if (m_handedBack[i]) {
        m_handedBack[i] = false;
        ShowHandedBack(i);
        return 0;
    }
    CChannelData& ch = g->m_aChannel[i];
    ch.m_nPlayState = CChannelData::kNoMedia;
    Tell([i](IShowObserver& o) {
        o.OnChannelChanged(i, EShowChange::Strip);
        o.OnPadChanged(i, CChannelData::kNoMedia);
    });
    if (ch.m_strFile.isEmpty()) {
        // The player may still hold the sound of the set before (New, Open, group edit): a channel
        // without a file must not play it, nor show it as loaded.
        m_Show[i]->Close();
        return 0;
    }

    const AdxResult r =
        m_Show[i]->Open(QFile::encodeName(ch.m_strFile).constData(), static_cast<UINT>(i + 1));
    if (r != 0) {
        const QString file = ch.m_strFile;
        Tell([&file, r](IShowObserver& o) { o.OnOpenFailed(file, r); });
        return -1;
    }
    ch.m_nPlayState = CChannelData::kStopped;
    ch.m_dPlayTime = m_Show[i]->GetTickCount();
    ch.m_dEndTime = m_Show[i]->GetTotalTime();
    // In range (the file's reader sees to it). A pair the output lacks plays on the first, and the
    // player moves to its own once the output has it (the options page changed the pairs).
    (void)m_Show[i]->SetOutputPair(ch.m_nOutPair - 1);
    // Neither can fail on a player that has just opened: it has its event source and its callback.
    (void)m_Show[i]->SetNotifyWindow(&m_notifyTarget, WM_GRAPH_NOTIFY);
    (void)m_Show[i]->SetVolumeNotifyWindow(&m_notifyTarget, WM_PEAK_NOTIFY);
    Tell([i](IShowObserver& o) {
        o.OnChannelChanged(i, EShowChange::Loaded);
        o.OnPadChanged(i, CChannelData::kStopped);
    });
    RequestLoudness(i);
    return 0;
}

void CShowSession::LoadSound(int i, const CChannelData& sound) {
    AssertUiThread();
    const CActionScope quiet(*this);
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

int CShowSession::CheckOutputPairs() {
    AssertUiThread();
    const int have = static_cast<int>(playkit::CAdxEngine::OutputPairs());
    int channels = 0;
    std::vector<int> pairs;
    for (int g = 0; g < m_aGroup.GetSize(); ++g) {
        for (const CChannelData& ch : m_aGroup[g].m_aChannel) {
            if (ch.m_strFile.isEmpty() || ch.m_nOutPair <= have)
                continue;
            ++channels;
            if (std::find(pairs.begin(), pairs.end(), ch.m_nOutPair) == pairs.end())
                pairs.push_back(ch.m_nOutPair);
        }
    }
    if (channels == 0)
        return 0;
    std::sort(pairs.begin(), pairs.end());
    QStringList named;
    for (int pair : pairs)
        named << CChannelData::OutPairText(pair);
    const QString text = QCoreApplication::translate("CShowSession", kMissingPairsText)
                             .arg(channels)
                             .arg(named.join(QStringLiteral(", ")))
                             .arg(have);
    Tell([&text](IShowObserver& o) { o.OnOutputPairsMissing(text); });
    return channels;
}

AdxResult CShowSession::ProbeSound(const QString& file) {
    CAdxShow probe;
    const AdxResult r = probe.Open(QFile::encodeName(file).constData(), 0);
    probe.Close();
    return r;
}

QString CShowSession::OpenFailureText(const QString& file, AdxResult result) {
    if (result == AdxResult::kRefusedExtension)
        return QCoreApplication::translate("CShowSession", kNotSupportedText);
    if (!QFileInfo::exists(file))
        return QCoreApplication::translate("CShowSession", kNotFoundText);
    return QCoreApplication::translate("CShowSession", kCannotPlayText);
}
