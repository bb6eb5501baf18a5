#include "app/show/ShowSession.h"

#include "playkit/AdxEngine.h"
#include "tests/app/OfflineEngine.h"
#include "tests/app/TestSounds.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// What the session told, in order.
struct Recorder : IShowObserver {
    std::vector<std::pair<int, int>> pads; // channel, state shown
    std::vector<std::pair<int, int>> meters;
    std::vector<std::pair<int, bool>> groups;
    std::vector<int> masters;
    QStringList failed;
    std::vector<std::pair<int, bool>> auditions;
    void OnAuditionChanged(int i, bool on) override { auditions.emplace_back(i, on); }
    void OnPadChanged(int i, int state) override { pads.emplace_back(i, state); }
    void OnMeterChanged(int i, int level) override { meters.emplace_back(i, level); }
    void OnGroupChanged(int index, bool loaded) override { groups.emplace_back(index, loaded); }
    void OnMasterChanged(int master) override { masters.push_back(master); }
    void OnOpenFailed(const QString& file, AdxResult) override { failed << file; }
    void OnOutputPairsMissing(const QString& text) override { missingPairs << text; }
    QStringList missingPairs;
};

// Loads each group itself and can be made busy, as the window is while a modal window of it runs.
struct Host : IShowHost {
    explicit Host(CShowSession& show) : show(show) {}
    void RunLoad() override {
        ++loads;
        for (int i = 0; i < CShowSession::kChannelCount; ++i)
            show.LoadChannel(i);
    }
    bool IsBusy() const override { return busy; }
    CShowSession& show;
    int loads = 0;
    bool busy = false;
};

double RenderRms(double seconds) {
    return app_test::Rms(app_test::RenderOffline(seconds));
}

// A show of two groups, played by the session alone: the first has a 3 s tone on channel 0 and a
// 0.3 s sound on channel 1, the second a 2 s sound on channel 0.
class ShowSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        app_test::UseOfflineEngine();
        const auto sound = [this](const char* name, double seconds) {
            return app_test::WriteTestFile(m_dir.filePath(QString::fromLatin1(name)),
                                           app_test::SineWav(seconds, -6.0));
        };
        CGroupData first;
        first.m_strName = QStringLiteral("開演");
        first.m_aChannel[0].m_strFile = sound("tone.wav", 3.0);
        first.m_aChannel[0].m_nVolume = 100;
        first.m_aChannel[1].m_strFile = sound("short.wav", 0.3);
        first.m_aChannel[1].m_nVolume = 70;
        CGroupData second;
        second.m_strName = QStringLiteral("効果音");
        second.m_aChannel[0].m_strFile = sound("other.wav", 2.0);
        second.m_aChannel[0].m_nVolume = 50;
        m_show.Set().Add(first);
        m_show.Set().Add(second);
        m_show.AddObserver(&m_seen);
    }

    void Load() {
        m_show.SetCurrentGroup(0);
        m_show.LoadGroup();
    }
    CChannelData& Ch(int i) { return m_show.CurrentGroup()->m_aChannel[i]; }
    // The players' notices (the end of a sound) reach the session.
    static void Deliver() { QCoreApplication::processEvents(); }

    QTemporaryDir m_dir;
    CShowSession m_show;
    Recorder m_seen;
};

} // namespace

TEST_F(ShowSessionTest, APadStartsItsSoundAndThePeaksMoveOnlyAPlayingChannelsMeter) {
    Load();
    ASSERT_TRUE(m_show.Player(0).IsRender());
    EXPECT_EQ(Ch(0).m_nPlayState, CChannelData::kStopped);
    EXPECT_NEAR(Ch(0).m_dEndTime, 3.0, 0.01);
    EXPECT_TRUE(m_seen.failed.isEmpty());
    m_seen.pads.clear();

    m_show.Pad(0);
    EXPECT_TRUE(m_show.Player(0).IsPlay());
    EXPECT_EQ(Ch(0).m_nPlayState, CChannelData::kPlaying);
    EXPECT_EQ(m_seen.pads.back(), std::make_pair(0, int{CChannelData::kPlaying}));
    EXPECT_EQ(m_show.Player(0).GetVolume(), 0);
    EXPECT_GT(RenderRms(0.3), 0.2);
    // A pad without a sound does nothing.
    m_show.Pad(5);
    EXPECT_EQ(Ch(5).m_nPlayState, CChannelData::kNoMedia);

    m_show.OnPlayerNotice(CShowSession::WM_PEAK_NOTIFY, 16384, 1);
    m_show.OnPlayerNotice(CShowSession::WM_PEAK_NOTIFY, 16384, 2);
    EXPECT_EQ(m_seen.meters, (std::vector<std::pair<int, int>>{{0, -6}}));
    EXPECT_FALSE(m_show.IsModified());
}

TEST_F(ShowSessionTest, FadeInRisesOneStepEachHundredMillisecondsToTheChannelsVolume) {
    Load();
    Ch(0).m_bFadeIn = TRUE;
    Ch(0).m_dTimeFadeIn = 0.5;
    m_show.SetMasterVolume(50);
    m_show.Pad(0);
    EXPECT_EQ(m_show.Player(0).GetVolume(), show::kSilence);
    std::vector<int> volumes;
    for (int step = 0; step < 6; ++step) {
        RenderRms(0.1);
        m_show.Step();
        volumes.push_back(Ch(0).m_nVolume);
        EXPECT_EQ(m_show.Player(0).GetVolume(), ChannelAttenuation(Ch(0).m_nVolume, 50)) << step;
    }
    EXPECT_EQ(volumes, (std::vector<int>{20, 40, 60, 80, 100, 100}));
    EXPECT_EQ(Ch(0).m_nFadeMode, 0);
    EXPECT_TRUE(m_show.Player(0).IsPlay());
}

TEST_F(ShowSessionTest, WithRepeatOnASoundStartsAgainAtItsEndAndWithoutItStops) {
    Load();
    m_show.SetSwitch(1, EShowSwitch::Repeat, TRUE);
    m_show.Pad(1);
    RenderRms(0.4);
    Deliver();
    EXPECT_TRUE(m_show.Player(1).IsPlay());
    EXPECT_EQ(Ch(1).m_nPlayState, CChannelData::kPlaying);
    EXPECT_GT(RenderRms(0.1), 0.1);

    m_show.SetSwitch(1, EShowSwitch::Repeat, FALSE);
    RenderRms(0.3);
    Deliver();
    EXPECT_FALSE(m_show.Player(1).IsPlay());
    m_show.Step();
    EXPECT_EQ(Ch(1).m_nPlayState, CChannelData::kStopped);
    EXPECT_EQ(m_seen.meters.back(), std::make_pair(1, show::kMeterFloor));
    EXPECT_FALSE(m_show.IsModified());
}

TEST_F(ShowSessionTest, WithTheStopKeyHeldAPadStopsItsSoundOrFadesItOutWithFadeOutOn) {
    Load();
    m_show.Pad(0);
    m_show.Pad(1);
    m_show.SetStopKey(TRUE);
    m_show.Pad(0);
    EXPECT_FALSE(m_show.Player(0).IsPlay());
    // Shown stopped at once; the state follows at the next step.
    EXPECT_EQ(m_seen.pads.back(), std::make_pair(0, int{CChannelData::kStopped}));
    m_show.Step();
    EXPECT_EQ(Ch(0).m_nPlayState, CChannelData::kStopped);

    // FO on channel 1 (0.2 s): down to silence in two steps, stopped, its volume back for the next start.
    m_show.SetSwitch(1, EShowSwitch::FadeOut, TRUE);
    Ch(1).m_dTimeFadeOut = 0.2;
    m_show.Pad(1);
    EXPECT_TRUE(m_show.Player(1).IsPlay());
    m_show.Step();
    EXPECT_EQ(Ch(1).m_nVolume, 35);
    m_show.Step();
    EXPECT_FALSE(m_show.Player(1).IsPlay());
    EXPECT_EQ(Ch(1).m_nVolume, 70);
    EXPECT_EQ(Ch(1).m_nFadeMode, 0);

    // Released: the pad starts again; a remote's stop command holds the key for one press only.
    m_show.SetStopKey(FALSE);
    m_show.Pad(0);
    EXPECT_TRUE(m_show.Player(0).IsPlay());
    m_show.RemoteCommandArrived({RemoteCommand::Kind::Stop, 0, 0});
    EXPECT_FALSE(m_show.Player(0).IsPlay());
    m_show.Pad(0);
    EXPECT_TRUE(m_show.Player(0).IsPlay());
}

TEST_F(ShowSessionTest, AGroupSwitchStopsTheSoundsAndLoadsTheOtherGroupThroughTheHost) {
    Host host(m_show);
    m_show.SetHost(&host);
    Load();
    ASSERT_EQ(host.loads, 1);
    m_show.Pad(0);
    m_show.Pad(1);

    EXPECT_EQ(m_show.SelectGroup(1), 1);
    EXPECT_EQ(host.loads, 2);
    EXPECT_EQ(m_show.CurrentGroup(), &m_show.Set()[1]);
    EXPECT_EQ(m_seen.groups, (std::vector<std::pair<int, bool>>{{1, false}, {1, true}}));
    ASSERT_TRUE(m_show.Player(0).IsRender());
    EXPECT_FALSE(m_show.Player(0).IsPlay());
    EXPECT_NEAR(m_show.Player(0).GetTotalTime(), 2.0, 0.01);
    EXPECT_FALSE(m_show.Player(1).IsRender());
    RenderRms(0.05);
    EXPECT_NEAR(RenderRms(0.2), 0.0, 1e-3);
    EXPECT_EQ(m_show.CurrentRemoteState().strGroup, QStringLiteral("効果音"));

    // Past the last group nothing changes; back through the keys' and remotes' commands.
    EXPECT_EQ(m_show.SelectGroup(2), 0);
    m_show.NextGroup();
    EXPECT_EQ(host.loads, 2);
    m_show.RemoteCommandArrived({RemoteCommand::Kind::GroupPrev, 0, 0});
    EXPECT_EQ(m_show.CurrentGroupIndex(), 0);
    EXPECT_NEAR(m_show.Player(0).GetTotalTime(), 3.0, 0.01);
    m_show.PrevGroup();
    EXPECT_EQ(host.loads, 3);

    EXPECT_FALSE(m_show.RemoteBusy());
    host.busy = true;
    EXPECT_TRUE(m_show.RemoteBusy());
    m_show.SetHost(nullptr);
}

TEST_F(ShowSessionTest, KeysAndRemotesMoveVolumesAndLeaveAChannelKeysPressToTheCaller) {
    OPTIONDATA& keys = m_show.Options();
    keys.nVKey[0] = 'A';
    keys.nVolUpKey = 0x26;
    keys.nVolDownKey = 0x28;
    keys.nMasterKey = 'M';
    keys.nVolVal = 5;
    Load();
    int pad = -1;
    EXPECT_FALSE(m_show.KeyDown('Z', &pad));
    EXPECT_TRUE(m_show.KeyDown('A', &pad));
    EXPECT_EQ(pad, 0);
    EXPECT_FALSE(m_show.Player(0).IsPlay());

    // A volume key held: the channel key steps the channel's volume, the master key the master.
    EXPECT_TRUE(m_show.KeyDown(0x28, &pad));
    EXPECT_TRUE(m_show.KeyDown('A', &pad));
    EXPECT_EQ(pad, -1);
    EXPECT_EQ(Ch(0).m_nVolume, 95);
    EXPECT_TRUE(m_show.KeyDown('M', &pad));
    EXPECT_EQ(m_show.MasterVolume(), 95);
    EXPECT_EQ(m_seen.masters.back(), 95);
    EXPECT_TRUE(m_show.KeyUp(0x28));
    EXPECT_TRUE(m_show.KeyDown('M', &pad));
    EXPECT_EQ(m_show.MasterVolume(), 95);

    // Remote values are held to 0..100.
    m_show.RemoteCommandArrived({RemoteCommand::Kind::Volume, 1, 250});
    EXPECT_EQ(Ch(1).m_nVolume, 100);
    m_show.RemoteCommandArrived({RemoteCommand::Kind::Master, 0, -4});
    EXPECT_EQ(m_show.MasterVolume(), 0);
    EXPECT_EQ(m_show.Player(1).GetVolume(), show::kSilence);
}

TEST_F(ShowSessionTest, ASoundLoadedIntoAPlayingChannelReplacesItAndAFileThatFailsIsTold) {
    Load();
    m_show.Pad(0);
    CChannelData sound = Ch(0);
    sound.m_strFile = m_show.Set()[1].m_aChannel[0].m_strFile;
    sound.m_nFadeMode = 1;
    m_show.LoadSound(0, sound);
    EXPECT_TRUE(m_show.IsModified());
    EXPECT_FALSE(m_show.Player(0).IsPlay());
    EXPECT_NEAR(m_show.Player(0).GetTotalTime(), 2.0, 0.01);
    EXPECT_EQ(Ch(0).m_nPlayState, CChannelData::kStopped);
    EXPECT_EQ(Ch(0).m_nFadeMode, 0);

    const QString gone = m_dir.filePath(QStringLiteral("gone.wav"));
    EXPECT_NE(CShowSession::ProbeSound(gone), 0);
    sound.m_strFile = gone;
    m_show.LoadSound(2, sound);
    EXPECT_EQ(m_seen.failed, QStringList{gone});
    EXPECT_EQ(Ch(2).m_nPlayState, CChannelData::kNoMedia);
    EXPECT_FALSE(m_show.Player(2).IsRender());
}

namespace {

struct BackgroundRecorder : IShowObserver {
    int changes = 0;
    void OnBackgroundChanged() override { ++changes; }
};

} // namespace

TEST_F(ShowSessionTest, WithKeepPlayingASwitchLeavesTheSoundOnAndGivesItBackWithoutARestart) {
    BackgroundRecorder told;
    m_show.AddObserver(&told);
    m_show.SetKeepPlaying(true);
    m_show.Options().nGrpBackKey = 0x25;
    Load();
    m_show.Pad(0);
    RenderRms(0.5);

    // Away over OSC, back with the group key: every way in goes through the same switch.
    m_show.RemoteCommandArrived({RemoteCommand::Kind::Group, 1, 0});
    ASSERT_EQ(m_show.CurrentGroupIndex(), 1);
    EXPECT_EQ(m_show.BackgroundCount(), 1);
    EXPECT_EQ(m_show.BackgroundCountIn(0), 1);
    EXPECT_EQ(told.changes, 1);
    EXPECT_EQ(m_show.CurrentRemoteState().nBackground, 1);
    // The shown strip has the new group's sound, loaded and stopped; the left group's goes on.
    ASSERT_TRUE(m_show.Player(0).IsRender());
    EXPECT_FALSE(m_show.Player(0).IsPlay());
    EXPECT_NEAR(m_show.Player(0).GetTotalTime(), 2.0, 0.01);
    EXPECT_GT(RenderRms(0.2), 0.2);
    // Its peaks are not taken for the shown channel of that number.
    m_seen.meters.clear();
    m_show.OnPlayerNotice(CShowSession::WM_PEAK_NOTIFY, 16384, 1);
    EXPECT_TRUE(m_seen.meters.empty());

    // The master is over it too; the new group's pad plays beside it.
    m_show.SetMasterVolume(50);
    m_show.Pad(0);
    m_show.Step();
    RenderRms(0.2);

    m_seen.pads.clear();
    int pad = -1;
    ASSERT_TRUE(m_show.KeyDown(0x25, &pad));
    ASSERT_EQ(m_show.CurrentGroupIndex(), 0);
    EXPECT_EQ(m_show.BackgroundCountIn(0), 0);
    EXPECT_EQ(m_show.BackgroundCountIn(1), 1) << "the effect now plays in the background";
    ASSERT_TRUE(m_show.Player(0).IsPlay());
    // Not started again: it has played all the time rendered since its start.
    EXPECT_NEAR(m_show.Player(0).GetTickCount(), 0.9, 0.05);
    EXPECT_NEAR(Ch(0).m_dPlayTime, 0.9, 0.05);
    EXPECT_EQ(Ch(0).m_nPlayState, CChannelData::kPlaying);
    const auto lastOfPad0 = std::find_if(m_seen.pads.rbegin(), m_seen.pads.rend(),
                                         [](const std::pair<int, int>& p) { return p.first == 0; });
    ASSERT_NE(lastOfPad0, m_seen.pads.rend());
    EXPECT_EQ(lastOfPad0->second, CChannelData::kPlaying) << "its pad is lit";
    EXPECT_EQ(m_show.Player(0).GetVolume(), ChannelAttenuation(100, 50));
    // The channel that did not play was loaded again as usual.
    EXPECT_TRUE(m_show.Player(1).IsRender());
    EXPECT_EQ(Ch(1).m_nPlayState, CChannelData::kStopped);
    m_seen.meters.clear();
    m_show.OnPlayerNotice(CShowSession::WM_PEAK_NOTIFY, 16384, 1);
    EXPECT_EQ(m_seen.meters.size(), 1u) << "its meter moves again";

    // A channel key with the stop key acts on the shown group only; all-stop on every group.
    m_show.StopPad(1);
    EXPECT_EQ(m_show.BackgroundCount(), 1);
    m_show.StopAll();
    EXPECT_EQ(m_show.BackgroundCount(), 0);
    EXPECT_EQ(m_show.Set()[1].m_aChannel[0].m_nPlayState, CChannelData::kNoMedia);
    RenderRms(0.05);
    EXPECT_NEAR(RenderRms(0.2), 0.0, 1e-3);
    m_show.RemoveObserver(&told);
}

TEST_F(ShowSessionTest, BackgroundSoundsFadeRepeatAndEndAsShownOnesDo) {
    m_show.SetKeepPlaying(true);
    Load();
    // Channel 0 fades out over 0.2 s as the group is left; channel 1 (0.3 s) repeats.
    Ch(0).m_bFadeOut = TRUE;
    Ch(0).m_dTimeFadeOut = 0.2;
    m_show.Pad(0);
    m_show.StopPad(0);
    ASSERT_EQ(Ch(0).m_nFadeMode, -1);
    m_show.SetSwitch(1, EShowSwitch::Repeat, TRUE);
    m_show.Pad(1);
    m_show.SelectGroup(1);
    ASSERT_EQ(m_show.BackgroundCount(), 2);

    const CChannelData& faded = m_show.Set()[0].m_aChannel[0];
    m_show.Step();
    EXPECT_EQ(faded.m_nVolume, 50);
    m_show.Step();
    EXPECT_EQ(m_show.BackgroundCountIn(0), 1) << "the fade-out ended in a stop";
    EXPECT_EQ(faded.m_nVolume, 100);
    EXPECT_EQ(faded.m_nFadeMode, 0);

    RenderRms(0.4);
    Deliver();
    EXPECT_EQ(m_show.BackgroundCount(), 1) << "repeat starts it again at its end";
    EXPECT_GT(RenderRms(0.1), 0.1);
    m_show.Set()[0].m_aChannel[1].m_bRepeat = FALSE;
    RenderRms(0.3);
    Deliver();
    EXPECT_EQ(m_show.BackgroundCount(), 0) << "without repeat it ends, and its player is closed";
    RenderRms(0.05);
    EXPECT_NEAR(RenderRms(0.1), 0.0, 1e-3);

    // Back in its group the channels load as usual, with no fade left over.
    m_show.SelectGroup(0);
    EXPECT_EQ(Ch(0).m_nPlayState, CChannelData::kStopped);
    m_show.Pad(0);
    EXPECT_TRUE(m_show.Player(0).IsPlay());
}

TEST_F(ShowSessionTest, BeyondTheLimitTheOldestBackgroundSoundsStopAndStandardErrorSaysSoOnce) {
    // Six groups of ten playing channels: five groups left playing are more than the limit.
    const QString tone = m_show.Set()[0].m_aChannel[0].m_strFile;
    m_show.Set().RemoveAll();
    for (int g = 0; g < 6; ++g) {
        CGroupData group;
        group.m_strName = QStringLiteral("G%1").arg(g + 1);
        for (CChannelData& ch : group.m_aChannel) {
            ch.m_strFile = tone;
            ch.m_nVolume = 10;
        }
        m_show.Set().Add(group);
    }
    m_show.SetKeepPlaying(true);
    Load();
    std::string err;
    for (int g = 0; g < 6; ++g) {
        if (g > 0) {
            testing::internal::CaptureStderr();
            m_show.SelectGroup(g);
            err += testing::internal::GetCapturedStderr();
        }
        for (int i = 0; i < CShowSession::kChannelCount; ++i)
            m_show.Pad(i);
    }
    static_assert(CBackgroundSounds::kMaxSounds >= 30);
    EXPECT_EQ(m_show.BackgroundCount(), 40);
    EXPECT_EQ(m_show.BackgroundCountIn(0), 0) << "the first group's were the oldest";
    EXPECT_EQ(m_show.BackgroundCountIn(1), 10);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("「G1」の 1 番"), std::string::npos) << err;
    // The stopped group loads as usual.
    m_show.SelectGroup(0);
    EXPECT_EQ(m_show.BackgroundCount(), 40);
    EXPECT_EQ(Ch(9).m_nPlayState, CChannelData::kStopped);
    m_show.StopAll();
    EXPECT_EQ(m_show.BackgroundCount(), 0);
}

TEST_F(ShowSessionTest, WithKeepPlayingTheShownGroupSelectedAgainStopsOnlyItsOwnSounds) {
    m_show.SetKeepPlaying(true);
    Load();
    m_show.Pad(0);
    m_show.SelectGroup(1);
    m_show.Pad(0);
    m_show.SelectGroup(1);
    EXPECT_FALSE(m_show.Player(0).IsPlay());
    EXPECT_EQ(m_show.BackgroundCountIn(0), 1);
    // Switched off (the options dialog stops every sound first), a switch stops what plays.
    m_show.SetKeepPlaying(false);
    m_show.Pad(0);
    m_show.SelectGroup(0);
    EXPECT_EQ(m_show.BackgroundCount(), 0);
    EXPECT_FALSE(m_show.Player(0).IsPlay());
}

// Routed channels play on their pair of the output, and a set naming pairs the output lacks is told
// once for the whole set while those channels play on 1–2.
TEST_F(ShowSessionTest, ChannelsPlayOnTheirPairAndMissingPairsAreToldOncePerLoad) {
    app_test::UseOfflineEngine(2);
    m_show.Set()[0].m_aChannel[0].m_nOutPair = 2; // on this output
    m_show.Set()[0].m_aChannel[1].m_nOutPair = 3; // beyond it
    m_show.Set()[1].m_aChannel[0].m_nOutPair = 4;
    m_show.Set()[1].m_aChannel[5].m_nOutPair = 5; // no sound: not counted
    EXPECT_EQ(m_show.CheckOutputPairs(), 2);
    ASSERT_EQ(m_seen.missingPairs.size(), 1);
    EXPECT_EQ(m_seen.missingPairs[0].toStdString(),
              "2 チャンネルが、この出力にない出力ペア (5–6, 7–8) を指定しています。\n"
              "出力は 2 ペアです。これらのチャンネルは 1–2 で再生します。");

    Load();
    EXPECT_EQ(m_show.Player(0).GetOutputPair(), 1);
    EXPECT_EQ(m_show.Player(1).GetOutputPair(), 2); // the mixer plays it on pair 0
    m_show.Pad(0);
    std::vector<float> out = app_test::RenderOffline(0.2);
    double first = 0, second = 0;
    for (std::size_t i = 0; i < out.size(); i += 4) {
        first = std::max(first, static_cast<double>(std::fabs(out[i])));
        second = std::max(second, static_cast<double>(std::fabs(out[i + 2])));
    }
    EXPECT_EQ(first, 0.0) << "channel 0 leaked onto 1–2";
    EXPECT_GT(second, 0.3);
    m_show.StopAll();
    app_test::RenderOffline(0.1);
    m_show.Pad(1);
    out = app_test::RenderOffline(0.2);
    first = second = 0;
    for (std::size_t i = 0; i < out.size(); i += 4) {
        first = std::max(first, static_cast<double>(std::fabs(out[i])));
        second = std::max(second, static_cast<double>(std::fabs(out[i + 2])));
    }
    EXPECT_GT(first, 0.1) << "a pair the output lacks plays on 1–2";
    EXPECT_EQ(second, 0.0);
    EXPECT_EQ(m_seen.missingPairs.size(), 1) << "loading and playing tell nothing more";

    // On a set without missing pairs nothing is said.
    m_seen.missingPairs.clear();
    app_test::UseOfflineEngine(8);
    EXPECT_EQ(m_show.CheckOutputPairs(), 0);
    EXPECT_TRUE(m_seen.missingPairs.isEmpty());
    app_test::UseOfflineEngine();
}

// The cue key turns a pad into an audition: a player of its own, so the channel stays as it was; a
// second press, all-stop, the end of the sound and a group switch each end it.
TEST_F(ShowSessionTest, AnAuditionLeavesTheChannelAloneAndEndsAsOperatorsExpect) {
    Load();
    int pad = -1;
    EXPECT_FALSE(m_show.KeyDown(CShowSession::kDefaultCueKey, &pad)); // the window keeps the key
    m_show.Pad(0);
    EXPECT_EQ(m_show.AuditionedChannel(), 0);
    EXPECT_EQ(Ch(0).m_nPlayState, CChannelData::kStopped);
    EXPECT_FALSE(m_show.Player(0).IsPlay());
    EXPECT_EQ(m_seen.auditions.back(), std::make_pair(0, true));
    // Another pad moves the audition over to it; the same pad again stops it.
    m_show.Pad(1);
    EXPECT_EQ(m_show.AuditionedChannel(), 1);
    EXPECT_EQ((std::vector<std::pair<int, bool>>(m_seen.auditions.end() - 2, m_seen.auditions.end())),
              (std::vector<std::pair<int, bool>>{{0, false}, {1, true}}));
    m_show.Pad(1);
    EXPECT_FALSE(m_show.IsAuditioning());
    // A pad without a sound auditions nothing.
    m_show.Pad(5);
    EXPECT_FALSE(m_show.IsAuditioning());

    // With the key let go, the pad plays the channel again; the audition goes on beside it until
    // all-stop.
    m_show.Pad(0);
    EXPECT_FALSE(m_show.KeyUp(CShowSession::kDefaultCueKey));
    m_show.Pad(0);
    EXPECT_TRUE(m_show.Player(0).IsPlay());
    EXPECT_EQ(m_show.AuditionedChannel(), 0);
    m_show.StopAll();
    EXPECT_FALSE(m_show.IsAuditioning());
    EXPECT_EQ(m_seen.auditions.back(), std::make_pair(0, false));

    // The end of the sound (0.3 s) ends it at the next step.
    m_show.AuditionPad(1);
    app_test::RenderOffline(0.5);
    m_show.Step();
    EXPECT_FALSE(m_show.IsAuditioning());
    EXPECT_EQ(m_seen.auditions.back(), std::make_pair(1, false));

    m_show.AuditionPad(0);
    m_show.SelectGroup(1);
    EXPECT_FALSE(m_show.IsAuditioning());

    // The dialog's file: the same file again stops it.
    const QString file = m_dir.filePath(QStringLiteral("tone.wav"));
    EXPECT_TRUE(m_show.AuditionFile(file));
    EXPECT_EQ(m_show.AuditionedChannel(), CCueAudition::kNoChannel);
    EXPECT_EQ(m_seen.auditions.back(), std::make_pair(CCueAudition::kNoChannel, true));
    EXPECT_FALSE(m_show.AuditionFile(file));
    EXPECT_FALSE(m_show.IsAuditioning());
    EXPECT_FALSE(m_show.AuditionFile(m_dir.filePath(QStringLiteral("missing.wav"))));
}
