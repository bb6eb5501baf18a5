// The sounds of other groups that go on playing while another group is shown: kept as their group is
// left, stepped with the loop (time, fades, repeat, their end), and handed back to their strips when
// their group is shown again. Their players stay the same all along, so that nothing restarts.
#include "app/show/ShowSession.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <utility>

namespace {

constexpr const char* kOverLimitText = QT_TRANSLATE_NOOP(
    "CShowSession", "他のグループで再生中の音が上限の %1 を超えたため、古いものから止めました: %2");
constexpr const char* kStoppedSoundText = QT_TRANSLATE_NOOP("CShowSession", "「%1」の %2 番「%3」");

} // namespace

CChannelData* CShowSession::BackgroundChannel(const CBackgroundSounds::Sound& sound) {
    if (sound.nGroup < 0 || sound.nGroup >= m_aGroup.GetSize() || !IsChannel(sound.nChannel))
        return nullptr;
    return &m_aGroup[sound.nGroup].m_aChannel[sound.nChannel];
}

void CShowSession::KeepPlayingSounds(int left) {
    bool kept = false;
    std::vector<CBackgroundSounds::Sound> dropped;
    for (int i = 0; i < kChannelCount; ++i) {
        CAdxShow& player = *m_Show[i];
        if (!player.IsRender() || !player.IsPlay())
            continue;
        // Its meter is not on the screen while its group is not: no peaks for it meanwhile.
        (void)player.SetVolumeNotifyWindow(nullptr, 0); // an open player has its callback
        m_aGroup[left].m_aChannel[i].m_nPlayState = CChannelData::kPlaying;
        std::vector<CBackgroundSounds::Sound> over =
            m_background.Keep({left, i, std::exchange(m_Show[i], std::make_unique<CAdxShow>())});
        for (CBackgroundSounds::Sound& sound : over)
            dropped.push_back(std::move(sound));
        kept = true;
    }
    if (!dropped.empty()) {
        QStringList names;
        for (CBackgroundSounds::Sound& sound : dropped) {
            const CChannelData* ch = BackgroundChannel(sound);
            names << QCoreApplication::translate("CShowSession", kStoppedSoundText)
                         .arg(m_aGroup[sound.nGroup].m_strName)
                         .arg(sound.nChannel + 1)
                         .arg(ch ? ch->m_strTitle : QString());
            EndBackgroundSound(sound);
        }
        // One line for the switch, however many it stopped.
        QTextStream(stderr) << "padora: "
                            << QCoreApplication::translate("CShowSession", kOverLimitText)
                                   .arg(CBackgroundSounds::kMaxSounds)
                                   .arg(names.join(QStringLiteral(", ")))
                            << "\n";
    }
    if (kept)
        Tell([](IShowObserver& o) { o.OnBackgroundChanged(); });
}

void CShowSession::HandBackSounds(int index) {
    m_handedBack.reset();
    for (int i = 0; i < kChannelCount; ++i) {
        std::unique_ptr<CAdxShow> player = m_background.Take(index, i);
        if (!player)
            continue;
        (void)player->SetVolumeNotifyWindow(&m_notifyTarget, WM_PEAK_NOTIFY); // it is open
        m_Show[i] = std::move(player);
        m_handedBack[i] = true;
    }
    if (m_handedBack.any())
        Tell([](IShowObserver& o) { o.OnBackgroundChanged(); });
}

void CShowSession::ShowHandedBack(int i) {
    CChannelData& ch = CurrentGroup()->m_aChannel[i];
    CAdxShow& player = *m_Show[i];
    ch.m_nPlayState = player.IsPlay() ? CChannelData::kPlaying : CChannelData::kStopped;
    ch.m_dPlayTime = player.GetTickCount();
    ch.m_dEndTime = player.GetTotalTime();
    const int state = ch.m_nPlayState;
    Tell([i, state](IShowObserver& o) {
        o.OnChannelChanged(i, EShowChange::Strip);
        o.OnChannelChanged(i, EShowChange::Loaded);
        o.OnPadChanged(i, state);
        o.OnChannelChanged(i, EShowChange::Row);
    });
}

void CShowSession::StepBackground() {
    for (CBackgroundSounds::Sound& sound : m_background.Sounds()) {
        CChannelData* ch = BackgroundChannel(sound);
        if (!ch)
            continue;
        CAdxShow& player = *sound.pPlayer;
        ch->m_dPlayTime = player.GetTickCount();
        if (ch->m_nFadeMode == 0)
            continue;
        StepFade(
            *ch,
            [this, ch, &player](int volume) {
                ch->m_nVolume = volume;
                (void)player.SetVolume(PlayerAttenuation(*ch, volume)); // in range
            },
            [&player] { (void)player.Stop(); }); // refused only while the device stalls: it ends later
    }
    ReapBackground();
}

void CShowSession::OnBackgroundEvents() {
    for (CBackgroundSounds::Sound& sound : m_background.Sounds()) {
        CChannelData* ch = BackgroundChannel(sound);
        CAdxShow& player = *sound.pPlayer;
        bool handled = false;
        LONG code = 0;
        LONG param1 = 0;
        LONG param2 = 0;
        // As for the shown channels: every waiting event is taken, the first end acts.
        while (player.GetEvent(&code, &param1, &param2, 0) == 0) {
            if (handled)
                continue;
            if (code == EC_COMPLETE && ch)
                ch->m_dEndTime = player.GetTickCount();
            if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
                (void)player.Stop();
                if (ch && ch->m_bRepeat)
                    (void)player.Play(); // a refused play leaves it stopped, and it ends below
                handled = true;
            }
        }
    }
    ReapBackground();
}

void CShowSession::ReapBackground() {
    std::vector<CBackgroundSounds::Sound> ended =
        m_background.TakeIf([this](const CBackgroundSounds::Sound& sound) {
            return !sound.pPlayer->IsPlay() || !BackgroundChannel(sound);
        });
    if (ended.empty())
        return;
    for (CBackgroundSounds::Sound& sound : ended)
        EndBackgroundSound(sound);
    Tell([](IShowObserver& o) { o.OnBackgroundChanged(); });
}

void CShowSession::StopBackground() {
    if (m_background.IsEmpty())
        return;
    std::vector<CBackgroundSounds::Sound> all =
        m_background.TakeIf([](const CBackgroundSounds::Sound&) { return true; });
    for (CBackgroundSounds::Sound& sound : all)
        EndBackgroundSound(sound);
    Tell([](IShowObserver& o) { o.OnBackgroundChanged(); });
}

void CShowSession::EndBackgroundSound(CBackgroundSounds::Sound& sound) {
    (void)sound.pPlayer->Stop(); // the close below ends it even while the device stalls
    sound.pPlayer->Close();
    CChannelData* ch = BackgroundChannel(sound);
    if (!ch)
        return;
    // A fade cut short leaves the channel at the volume it was faded from or to.
    if (ch->m_nFadeMode != 0)
        ch->m_nVolume = ch->m_nFadeTarget;
    ch->m_nFadeMode = 0;
    ch->m_nFadeVolume = 0;
    ch->m_nFadeTarget = 0;
    ch->m_nPlayState = CChannelData::kNoMedia;
}

void CShowSession::ApplyMasterVolumeToBackground() {
    for (CBackgroundSounds::Sound& sound : m_background.Sounds())
        if (const CChannelData* ch = BackgroundChannel(sound))
            (void)sound.pPlayer->SetVolume(PlayerAttenuation(*ch, ch->m_nVolume)); // in range
}

void CShowSession::ApplyLoudnessToBackground(const QString& file, double lufs) {
    for (CBackgroundSounds::Sound& sound : m_background.Sounds()) {
        CChannelData* ch = BackgroundChannel(sound);
        if (!ch || ch->m_strFile != file)
            continue;
        ch->m_dLoudness = lufs;
        ch->m_bLoudnessFailed = FALSE;
        if (ch->m_bLoudness && ch->m_nFadeMode == 0)
            (void)sound.pPlayer->SetVolume(PlayerAttenuation(*ch, ch->m_nVolume)); // in range
    }
}
