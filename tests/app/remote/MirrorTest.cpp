#include "app/remote/MirrorCodec.h"
#include "app/remote/MirrorFollower.h"
#include "app/remote/MirrorLink.h"
#include "app/remote/OscCodec.h"
#include "app/settings/MirrorSettings.h"
#include "app/show/ShowSession.h"

#include "tests/app/OfflineEngine.h"
#include "tests/app/TestSounds.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Kind = RemoteCommand::Kind;
constexpr int kWaitMs = 5000;

bool WaitUntil(const std::function<bool()>& done, int ms = kWaitMs) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

int FreePort() {
    QUdpSocket probe;
    return probe.bind(QHostAddress::LocalHost, 0) ? probe.localPort() : 0;
}

// A set of two groups; channel 0 of the first has a sound, and name gives channel 4 of the first
// group its file name (two machines whose sets differ in one channel).
void FillSet(CShowSession& show, const QTemporaryDir& dir, const QString& name = QStringLiteral("cue.wav")) {
    const QString tone = app_test::WriteTestFile(dir.filePath("tone.wav"), app_test::SineWav(2.0));
    CGroupData first;
    first.m_strName = QStringLiteral("開演");
    first.m_aChannel[0].m_strFile = tone;
    first.m_aChannel[0].m_nVolume = 80;
    first.m_aChannel[4].m_strFile = dir.filePath(name);
    CGroupData second;
    second.m_strName = QStringLiteral("休憩");
    show.Set().Add(first);
    show.Set().Add(second);
    show.SetCurrentGroup(0);
    show.LoadGroup();
}

struct ActionLog : IShowActionSink {
    std::vector<RemoteCommand> told;
    void OnOperatorAction(const RemoteCommand& action) override { told.push_back(action); }
};

// A main and a backup in this process, linked over the loopback on free ports.
class MirrorLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::UseOfflineEngine();
        ASSERT_TRUE(m_dirMain.isValid() && m_dirBackup.isValid());
        FillSet(m_main, m_dirMain);
        FillSet(m_backup, m_dirBackup);
        m_nMainPort = FreePort();
        m_nBackupPort = FreePort();
        m_follower.SetReport([this](const QString& line) { m_reports << line; });
    }
    void TearDown() override {
        m_link.Stop();
        m_follower.Stop();
    }
    bool StartBoth() {
        const QString mainAt = QStringLiteral("127.0.0.1:%1").arg(m_nMainPort);
        const QString backupAt = QStringLiteral("127.0.0.1:%1").arg(m_nBackupPort);
        return m_follower.Start(CMirrorSettings::FromValues({}, mainAt, QString::number(m_nBackupPort))) &&
               m_link.Start(CMirrorSettings::FromValues(backupAt, {}, QString::number(m_nMainPort)));
    }
    CChannelData& Backup(int i) { return m_backup.CurrentGroup()->m_aChannel[i]; }

    QTemporaryDir m_dirMain, m_dirBackup;
    CShowSession m_main, m_backup;
    CMirrorLink m_link{m_main};
    CMirrorFollower m_follower{m_backup};
    int m_nMainPort = 0, m_nBackupPort = 0;
    QStringList m_reports;
};

} // namespace

TEST(MirrorCodec, NewRemoteMessagesReadBackAsTheyWereMadeAndOutOfRangeValuesAreLeftOut) {
    const std::vector<RemoteCommand> all = {
        {Kind::Pad, 9, 0},    {Kind::StopKey, 1, 0}, {Kind::Stop, 0, 0},    {Kind::AllStop, 0, 0},
        {Kind::Group, 3, 0},  {Kind::Volume, 2, 55}, {Kind::Master, 0, 70}, {Kind::Pan, 1, -50},
        {Kind::Pan, 1, 50},   {Kind::Rate, 4, 100},  {Kind::Rate, 4, 1337}, {Kind::Rate, 4, 10000},
        {Kind::Repeat, 5, 1}, {Kind::FadeIn, 6, 0},  {Kind::FadeOut, 7, 1},
    };
    for (const RemoteCommand& c : all) {
        const QByteArray bytes = osc::CommandBytes(c);
        ASSERT_FALSE(bytes.isEmpty());
        const auto back = osc::ParsePacket(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        ASSERT_EQ(back.size(), 1u) << static_cast<int>(c.kind);
        EXPECT_EQ(back[0], c) << static_cast<int>(c.kind);
    }
    // A float speed keeps its thousandths; a pan or speed out of range, a channel 0 or 11, is no command.
    int ignored = 0;
    const QByteArray speed = osc::MessageBytes("/padora/speed", "if", {3, 0.25});
    const auto parsed = osc::ParsePacket(speed.constData(), static_cast<std::size_t>(speed.size()));
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0], (RemoteCommand{Kind::Rate, 2, 250}));
    for (const QByteArray& bad :
         {osc::MessageBytes("/padora/pan", "ii", {1, 51}), osc::MessageBytes("/padora/pan", "ii", {11, 0}),
          osc::MessageBytes("/padora/speed", "id", {1, 0.05}),
          osc::MessageBytes("/padora/speed", "id", {1, 10.5}), osc::MessageBytes("/padora/repeat", "i", {1}),
          osc::MessageBytes("/padora/fadein", "ii", {0, 1})}) {
        EXPECT_TRUE(
            osc::ParsePacket(bad.constData(), static_cast<std::size_t>(bad.size()), &ignored).empty());
        EXPECT_EQ(ignored, 1);
    }
    EXPECT_TRUE(osc::CommandBytes({Kind::State, 0, 0}).isEmpty());
}

TEST(MirrorCodec, LinkMessagesReadBackAndAnythingMalformedIsNoMessage) {
    const mirror::SetId set = 0xfedcba9876543210ull;
    const QByteArray act = mirror::ActBytes(set, 77, 12, {Kind::Volume, 3, 42});
    mirror::Packet p = mirror::Parse(act.constData(), static_cast<std::size_t>(act.size()));
    ASSERT_EQ(p.kind, mirror::Packet::Kind::Act);
    EXPECT_EQ(p.set, set);
    EXPECT_EQ(p.nEpoch, 77);
    EXPECT_EQ(p.nSeq, 12);
    ASSERT_EQ(p.commands.size(), 1u);
    EXPECT_EQ(p.commands[0], (RemoteCommand{Kind::Volume, 3, 42}));

    const QByteArray beat = mirror::BeatBytes(set, 5, 9);
    p = mirror::Parse(beat.constData(), static_cast<std::size_t>(beat.size()));
    EXPECT_EQ(p.kind, mirror::Packet::Kind::Beat);
    EXPECT_EQ(p.set, set);
    EXPECT_EQ(p.nSeq, 9);

    std::vector<std::uint32_t> hashes(20);
    for (std::size_t k = 0; k < hashes.size(); ++k)
        hashes[k] = static_cast<std::uint32_t>(k * 2654435761u);
    const QByteArray channels = mirror::ChannelsBytes(hashes);
    p = mirror::Parse(channels.constData(), static_cast<std::size_t>(channels.size()));
    EXPECT_EQ(p.kind, mirror::Packet::Kind::Channels);
    EXPECT_EQ(p.hashes, hashes);

    // Every cut of a valid datagram, the header of an action without its bundle, an action bundle
    // with a foreign or no message, and random bytes are no message (and nothing crashes).
    for (const QByteArray& valid : {act, beat, channels}) {
        for (qsizetype n = 0; n < valid.size(); n += 4)
            EXPECT_EQ(mirror::Parse(valid.constData(), static_cast<std::size_t>(n)).kind,
                      mirror::Packet::Kind::None)
                << n;
    }
    const QByteArray header = act.mid(20, act.indexOf("/padora/volume") - 24);
    EXPECT_EQ(mirror::Parse(header.constData(), static_cast<std::size_t>(header.size())).kind,
              mirror::Packet::Kind::None);
    QByteArray noAction = act.left(act.indexOf("/padora/volume") - 4);
    EXPECT_EQ(mirror::Parse(noAction.constData(), static_cast<std::size_t>(noAction.size())).kind,
              mirror::Packet::Kind::None);
    QByteArray foreign = act;
    foreign.replace("/padora/volume", "/padora/vXlume");
    EXPECT_EQ(mirror::Parse(foreign.constData(), static_cast<std::size_t>(foreign.size())).kind,
              mirror::Packet::Kind::None);
    QByteArray lying = channels;
    lying[lying.indexOf(",ib") + 7] = 3; // three groups claimed, two sent
    EXPECT_EQ(mirror::Parse(lying.constData(), static_cast<std::size_t>(lying.size())).kind,
              mirror::Packet::Kind::None);
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray noise = act;
        for (int flips = 0; flips < 4; ++flips)
            noise[static_cast<qsizetype>(random() % noise.size())] = static_cast<char>(random());
        (void)mirror::Parse(noise.constData(), static_cast<std::size_t>(noise.size()));
    }
}

TEST(MirrorCodec, TheIdentityFollowsTheSoundsNotTheFoldersOrTheFadersAndNamesTheChannelsThatDiffer) {
    app_test::UseOfflineEngine();
    QTemporaryDir a, b, c;
    CShowSession one, other, changed;
    FillSet(one, a);
    FillSet(other, b); // the same files in another folder
    FillSet(changed, c, QStringLiteral("another.wav"));
    const auto hashes = mirror::ChannelHashes(one.Set());
    EXPECT_EQ(hashes.size(), 20u);
    EXPECT_EQ(mirror::Identity(hashes), mirror::Identity(mirror::ChannelHashes(other.Set())));
    other.SetChannelVolume(0, 10);
    other.SetChannelPan(0, 30);
    other.SetSwitch(0, EShowSwitch::Repeat, TRUE);
    EXPECT_EQ(mirror::Identity(hashes), mirror::Identity(mirror::ChannelHashes(other.Set())));

    const auto theirs = mirror::ChannelHashes(changed.Set());
    EXPECT_NE(mirror::Identity(hashes), mirror::Identity(theirs));
    EXPECT_EQ(mirror::DifferingChannels(hashes, theirs), (std::vector<mirror::ChannelRef>{{0, 4}}));
    // A group only one side has: each of its channels differs.
    std::vector<std::uint32_t> longer = hashes;
    longer.resize(30, 1);
    EXPECT_EQ(mirror::DifferingChannels(hashes, longer).size(), 10u);
    EXPECT_EQ(mirror::DescribeChannels({{0, 4}}), QStringLiteral("グループ 1 のチャンネル 5"));
    EXPECT_TRUE(mirror::DescribeChannels(mirror::DifferingChannels(hashes, longer), 2).endsWith("8 か所"));
}

TEST(MirrorSettings, PeersAndMainAreReadAndWhatCannotBeReadIsNamed) {
    const CMirrorSettings s =
        CMirrorSettings::FromValues(QStringLiteral(" 10.0.0.2:9100, backup.local  ,,10.0.0.2:9100"),
                                    QStringLiteral("10.0.0.1"), QStringLiteral("7800"));
    ASSERT_EQ(s.peers.size(), 2u);
    EXPECT_EQ(s.peers[0], (CMirrorSettings::Address{QStringLiteral("10.0.0.2"), 9100}));
    EXPECT_EQ(s.peers[1],
              (CMirrorSettings::Address{QStringLiteral("backup.local"), CMirrorSettings::kDefaultPort}));
    EXPECT_EQ(s.main, (CMirrorSettings::Address{QStringLiteral("10.0.0.1"), 0}));
    EXPECT_EQ(s.nPort, 7800);
    EXPECT_TRUE(s.errors.isEmpty());

    const CMirrorSettings bad =
        CMirrorSettings::FromValues(QStringLiteral("host:0 host:70000 [::1]:7000 a/b ok:1"),
                                    QStringLiteral("main:x"), QStringLiteral("-3"));
    ASSERT_EQ(bad.peers.size(), 1u);
    EXPECT_EQ(bad.peers[0].strHost, QStringLiteral("ok"));
    EXPECT_FALSE(bad.IsBackup());
    EXPECT_EQ(bad.nPort, CMirrorSettings::kDefaultPort);
    EXPECT_EQ(bad.errors.size(), 6);
    EXPECT_TRUE(bad.errors[0].contains("host:0"));
}

TEST(MirrorActions, OnlyTheOperatorsOwnActionsAreToldOnceEachAndNotTheShowsOwnSteps) {
    app_test::UseOfflineEngine();
    QTemporaryDir dir;
    CShowSession show;
    FillSet(show, dir);
    ActionLog log;
    show.SetActionSink(&log);
    show.SetMasterVolume(50); // it sets every channel's volume on the way
    show.SetChannelVolume(0, 60);
    show.SetSwitch(0, EShowSwitch::FadeIn, TRUE);
    show.Pad(0); // a fade-in: volume 0 and the pan and speed are set on the way
    show.Step(); // the fade's step is the show's own
    show.SetChannelRate(0, 1.5);
    show.StopPad(0);
    show.RemoteCommandArrived({Kind::StopKey, 1, 0});
    show.NextGroup(); // told as the group it selects
    show.StopAll();
    {
        const CShowSession::CActionScope quiet(show); // as a backup acts on its main's actions
        show.SetChannelVolume(1, 20);
    }
    show.SetActionSink(nullptr);
    const std::vector<RemoteCommand> expected = {
        {Kind::Master, 0, 50}, {Kind::Volume, 0, 60}, {Kind::FadeIn, 0, 1},
        {Kind::Pad, 0, 0},     {Kind::Rate, 0, 1500}, {Kind::Stop, 0, 0},
        {Kind::StopKey, 1, 0}, {Kind::Group, 1, 0},   {Kind::AllStop, 0, 0},
    };
    EXPECT_EQ(log.told, expected);
}

TEST_F(MirrorLinkTest, EveryKindOfActionReachesTheBackupAndTheCaptionsSayConnected) {
    ASSERT_TRUE(StartBoth()) << m_link.Message().toStdString() << m_follower.Message().toStdString();
    ASSERT_TRUE(WaitUntil([&] {
        return m_link.State() == EMirrorState::Connected && m_follower.State() == EMirrorState::Connected;
    }));
    EXPECT_EQ(m_link.StatusText(), QStringLiteral("バックアップ: 接続"));
    EXPECT_EQ(m_follower.StatusText(), QStringLiteral("主機: 接続"));
    // The backup as a main of its own: what its main sent is not sent on.
    ActionLog onward;
    m_backup.SetActionSink(&onward);

    m_main.SetChannelVolume(2, 40);
    m_main.SetChannelPan(1, -20);
    m_main.SetChannelRate(3, 2.0);
    m_main.SetSwitch(5, EShowSwitch::Repeat, TRUE);
    m_main.SetSwitch(5, EShowSwitch::FadeOut, TRUE);
    m_main.SetMasterVolume(70);
    m_main.Pad(0);
    EXPECT_TRUE(WaitUntil([&] { return Backup(0).m_nPlayState == CChannelData::kPlaying; }));
    EXPECT_EQ(Backup(2).m_nVolume, 40);
    EXPECT_EQ(Backup(1).m_nPan, -20);
    EXPECT_DOUBLE_EQ(Backup(3).m_dRate, 2.0);
    EXPECT_TRUE(Backup(5).m_bRepeat);
    EXPECT_TRUE(Backup(5).m_bFadeOut);
    EXPECT_EQ(m_backup.MasterVolume(), 70);
    m_main.SelectGroup(1);
    EXPECT_TRUE(WaitUntil([&] { return m_backup.CurrentGroupIndex() == 1; }));
    EXPECT_TRUE(onward.told.empty());
    m_backup.SetActionSink(nullptr);
    EXPECT_EQ(m_follower.RefusedFromOthers(), 0u);
    EXPECT_EQ(m_follower.RefusedForSet(), 0u);
}

TEST_F(MirrorLinkTest, ABackupRefusesOtherAddressesAndAnotherSetAndSaysWhichChannelsDiffer) {
    // Another set: channel 5 of the first group holds another file.
    m_backup.Set().RemoveAll();
    QTemporaryDir other;
    FillSet(m_backup, other, QStringLiteral("another.wav"));
    ASSERT_TRUE(StartBoth());
    ASSERT_TRUE(WaitUntil([&] { return m_follower.State() == EMirrorState::Mismatch; }));
    ASSERT_TRUE(WaitUntil([&] { return !m_follower.Differences().empty(); }));
    EXPECT_EQ(m_follower.Differences(), (std::vector<mirror::ChannelRef>{{0, 4}}));
    EXPECT_EQ(m_follower.StatusText(), QStringLiteral("主機: セット違い"));
    ASSERT_TRUE(WaitUntil([&] { return m_link.State() == EMirrorState::Mismatch; }));
    ASSERT_FALSE(m_reports.isEmpty());
    EXPECT_TRUE(m_reports.front().contains(QStringLiteral("グループ 1 のチャンネル 5")))
        << m_reports.front().toStdString();
    m_main.SetChannelVolume(2, 33);
    EXPECT_TRUE(WaitUntil([&] { return m_follower.RefusedForSet() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_NE(Backup(2).m_nVolume, 33);

    // The right set, but from an address that is not Main's (another port of the same host).
    m_backup.Set().RemoveAll();
    QTemporaryDir same;
    FillSet(m_backup, same);
    ASSERT_TRUE(WaitUntil([&] { return m_follower.State() == EMirrorState::Connected; }));
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress::LocalHost, 0));
    const QByteArray act = mirror::ActBytes(m_link.Identity(), 1, 1000, {Kind::Volume, 2, 11});
    stranger.writeDatagram(act, QHostAddress::LocalHost, static_cast<quint16>(m_nBackupPort));
    EXPECT_TRUE(WaitUntil([&] { return m_follower.RefusedFromOthers() >= 1; }));
    QCoreApplication::processEvents();
    EXPECT_NE(Backup(2).m_nVolume, 11);
}

// A backup whose loader is slow: it runs the event loop for a while before it loads, as the window's
// loader does, and is busy meanwhile.
struct SlowLoader : IShowHost {
    explicit SlowLoader(CShowSession& show) : show(show) {}
    void RunLoad() override {
        busy = true;
        if (++loads == 1 && whileFirstLoads)
            whileFirstLoads();
        WaitUntil([] { return false; }, 300);
        for (int i = 0; i < CShowSession::kChannelCount; ++i)
            show.LoadChannel(i);
        busy = false;
    }
    bool IsBusy() const override { return busy; }
    CShowSession& show;
    std::function<void()> whileFirstLoads;
    int loads = 0;
    bool busy = false;
};

TEST_F(MirrorLinkTest, WhatTheMainDoesWhileTheBackupStillLoadsActsThereAfterTheLoadInItsOrder) {
    SlowLoader loader(m_backup);
    m_backup.SetHost(&loader);
    ASSERT_TRUE(StartBoth());
    ASSERT_TRUE(WaitUntil([&] { return m_follower.State() == EMirrorState::Connected; }));
    // Away and back, then the first group's sound and its fader: the main loads at once, the backup
    // is still in its first load when the rest arrives.
    loader.whileFirstLoads = [this] {
        m_main.SelectGroup(0);
        m_main.Pad(0);
        m_main.SetChannelVolume(0, 55);
    };
    m_main.SelectGroup(1);
    ASSERT_TRUE(WaitUntil([&] { return loader.loads == 2 && !loader.busy; }));
    EXPECT_TRUE(WaitUntil([&] { return Backup(0).m_nPlayState == CChannelData::kPlaying; }));
    EXPECT_EQ(m_backup.CurrentGroupIndex(), 0);
    EXPECT_EQ(Backup(0).m_nVolume, 55);
    m_backup.SetHost(nullptr);
}

TEST_F(MirrorLinkTest, AMainThatGoesAwayShowsLostOnTheBackupWhichPlaysOn) {
    ASSERT_TRUE(StartBoth());
    ASSERT_TRUE(WaitUntil([&] { return m_follower.State() == EMirrorState::Connected; }));
    m_main.Pad(0);
    ASSERT_TRUE(WaitUntil([&] { return Backup(0).m_nPlayState == CChannelData::kPlaying; }));
    m_link.Stop();
    ASSERT_TRUE(WaitUntil([&] { return m_follower.State() == EMirrorState::Lost; }));
    EXPECT_EQ(m_follower.StatusText(), QStringLiteral("主機: 断"));
    m_backup.Step();
    EXPECT_EQ(Backup(0).m_nPlayState, CChannelData::kPlaying);
}
