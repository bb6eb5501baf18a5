#include "app/remote/RemoteControl.h"
#include "app/remote/OscCodec.h"
#include "app/remote/RemoteIntake.h"
#include "app/settings/Option.h"
#include "tests/app/TestSounds.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <lo/lo.h>

#include <functional>
#include <thread>

namespace {

using Kind = RemoteCommand::Kind;

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A UDP port nobody uses at this moment (port 0 in the settings means "off").
int FreePort() {
    QUdpSocket probe;
    return probe.bind(QHostAddress::Any, 0) ? probe.localPort() : 0;
}

QByteArray Bundle(const std::vector<QByteArray>& elements) {
    QByteArray b("#bundle\0", 8);
    b.append(QByteArray("\0\0\0\0\0\0\0\1", 8)); // "immediately"
    for (const QByteArray& e : elements) {
        const auto n = static_cast<quint32>(e.size());
        const char size[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
        b.append(size, 4).append(e);
    }
    return b;
}

std::vector<RemoteCommand> Parse(const QByteArray& bytes, int* ignored = nullptr) {
    return osc::ParsePacket(bytes.constData(), static_cast<std::size_t>(bytes.size()), ignored);
}

TEST(OscCodec, AddressesBecomeCommandsAndBadOnesAreLeftOut) {
    struct Case {
        QByteArray bytes;
        Kind kind;
        int n;
        int value;
    };
    const std::vector<Case> cases = {
        {osc::MessageBytes("/padora/pad", "i", {1}), Kind::Pad, 0, 0},
        {osc::MessageBytes("/padora/pad", "f", {10.0}), Kind::Pad, 9, 0}, // touch surfaces send floats
        {osc::MessageBytes("/padora/stopkey", "i", {1}), Kind::StopKey, 1, 0},
        {osc::MessageBytes("/padora/stopkey", "f", {0.0}), Kind::StopKey, 0, 0},
        {osc::MessageBytes("/padora/stop", "i", {3}), Kind::Stop, 2, 0},
        {osc::MessageBytes("/padora/allstop", "", {}), Kind::AllStop, 0, 0},
        {osc::MessageBytes("/padora/group/next", "", {}), Kind::GroupNext, 0, 0},
        {osc::MessageBytes("/padora/group/prev", "", {}), Kind::GroupPrev, 0, 0},
        {osc::MessageBytes("/padora/group", "i", {2}), Kind::Group, 1, 0},
        {osc::MessageBytes("/padora/volume", "if", {4, 55.4}), Kind::Volume, 3, 55},
        {osc::MessageBytes("/padora/volume", "dd", {10, 100}), Kind::Volume, 9, 100},
        {osc::MessageBytes("/padora/master", "i", {0}), Kind::Master, 0, 0},
        {osc::MessageBytes("/padora/state", "", {}), Kind::State, 0, 0},
    };
    for (const Case& c : cases) {
        int ignored = -1;
        const auto commands = Parse(c.bytes, &ignored);
        ASSERT_EQ(commands.size(), 1u) << c.bytes.toStdString();
        EXPECT_EQ(commands[0].kind, c.kind) << c.bytes.toStdString();
        EXPECT_EQ(commands[0].n, c.n) << c.bytes.toStdString();
        EXPECT_EQ(commands[0].value, c.value) << c.bytes.toStdString();
        EXPECT_EQ(ignored, 0);
    }
    for (const QByteArray& bad :
         {osc::MessageBytes("/padora/pad", "i", {0}), osc::MessageBytes("/padora/pad", "i", {11}),
          osc::MessageBytes("/padora/pad", "", {}), osc::MessageBytes("/padora/volume", "i", {1}),
          osc::MessageBytes("/padora/volume", "ii", {1, 101}), osc::MessageBytes("/padora/master", "f", {-1}),
          osc::MessageBytes("/padora/group", "i", {0}), osc::MessageBytes("/padora/pads", "i", {1}),
          osc::MessageBytes("/other/pad", "i", {1}), QByteArray("/padora/pad\0", 12), QByteArray("garbage!"),
          QByteArray(3, 'x')}) {
        int ignored = 0;
        EXPECT_TRUE(Parse(bad, &ignored).empty()) << bad.toStdString();
        EXPECT_EQ(ignored, 1) << bad.toStdString();
    }
}

TEST(OscCodec, ABundleActsInItsOrderAndADamagedOneStopsSafely) {
    const QByteArray inner =
        Bundle({osc::MessageBytes("/padora/pad", "i", {3}), osc::MessageBytes("/padora/stopkey", "i", {0})});
    const QByteArray outer =
        Bundle({osc::MessageBytes("/padora/stopkey", "i", {1}), inner, osc::MessageBytes("/nothing", "", {}),
                osc::MessageBytes("/padora/allstop", "", {})});
    int ignored = 0;
    const auto commands = Parse(outer, &ignored);
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].kind, Kind::StopKey);
    EXPECT_EQ(commands[1].kind, Kind::Pad);
    EXPECT_EQ(commands[2].kind, Kind::StopKey);
    EXPECT_EQ(commands[2].n, 0);
    EXPECT_EQ(commands[3].kind, Kind::AllStop);
    EXPECT_EQ(ignored, 1);

    // An element longer than what is left of the packet.
    QByteArray cut = outer;
    cut[19] = 0x7f;
    EXPECT_TRUE(Parse(cut, &ignored).empty());
    EXPECT_EQ(ignored, 1);
    // Bundles nested without end are not followed down.
    QByteArray deep = osc::MessageBytes("/padora/allstop", "", {});
    for (int i = 0; i < 20; ++i)
        deep = Bundle({deep});
    EXPECT_TRUE(Parse(deep).empty());
}

TEST(OscCodec, StateMessageCarriesGroupNameAndPlayStates) {
    RemoteState state;
    state.nGroup = 1;
    state.strGroup = QStringLiteral("効果音");
    state.aPlay = {1, 0, -1, -1, -1, -1, -1, -1, -1, 0};
    state.nBackground = 3;
    const QByteArray bytes = osc::StateBytes(state);
    QByteArray copy = bytes;
    int result = 0;
    lo_message m = lo_message_deserialise(copy.data(), static_cast<size_t>(copy.size()), &result);
    ASSERT_TRUE(m);
    EXPECT_STREQ(copy.constData(), "/padora/state");
    EXPECT_STREQ(lo_message_get_types(m), "isiiiiiiiiiiii");
    lo_arg** argv = lo_message_get_argv(m);
    EXPECT_EQ(argv[0]->i, 2);
    EXPECT_EQ(QString::fromUtf8(&argv[1]->s), state.strGroup);
    EXPECT_EQ(argv[2]->i, 1);
    EXPECT_EQ(argv[4]->i, -1);
    EXPECT_EQ(argv[11]->i, 0);
    EXPECT_EQ(argv[12]->i, 0); // not busy
    EXPECT_EQ(argv[13]->i, 3); // sounds playing in other groups, after what older peers read
    lo_message_free(m);
}

// Stands in for the main window: records what arrives, on which thread, and has a state to report.
class FakeTarget : public IRemoteTarget {
public:
    void RemoteCommandArrived(const RemoteCommand& command) override {
        commands.push_back(command);
        onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
        if (command.kind == Kind::Pad)
            state.aPlay[static_cast<size_t>(command.n)] = 1;
    }
    RemoteState CurrentRemoteState() override { return state; }
    bool RemoteBusy() override { return busy; }

    std::vector<RemoteCommand> commands;
    bool busy = false;
    bool onUiThread = true;
    RemoteState state;
};

// A loopback OSC client with a socket of its own, so that answers come back to it.
class Client {
public:
    Client() : m_server(lo_server_new_with_proto(nullptr, LO_UDP, nullptr)) {}
    ~Client() {
        if (m_target)
            lo_address_free(m_target);
        lo_server_free(m_server);
    }
    void Target(const char* host, int port) {
        if (m_target)
            lo_address_free(m_target);
        m_target = lo_address_new(host, QByteArray::number(port).constData());
    }
    void Send(const char* path, const char* types = "", int a = 0, int b = 0) {
        lo_message m = lo_message_new();
        if (types[0] == 'i')
            lo_message_add_int32(m, a);
        if (types[0] && types[1] == 'i')
            lo_message_add_int32(m, b);
        lo_send_message_from(m_target, m_server, path, m);
        lo_message_free(m);
    }
    // The next /padora/state that comes back, as its int arguments (group first), empty on time-out.
    std::vector<int> NextState(int ms = 3000) {
        m_last.clear();
        lo_server_add_method(m_server, "/padora/state", nullptr, &Client::OnState, this);
        QElapsedTimer t;
        t.start();
        while (m_last.empty() && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            lo_server_recv_noblock(m_server, 5);
        }
        lo_server_del_method(m_server, "/padora/state", nullptr);
        return m_last;
    }

private:
    static int OnState(const char*, const char* types, lo_arg** argv, int argc, lo_message, void* user) {
        auto* self = static_cast<Client*>(user);
        for (int i = 0; i < argc; ++i)
            if (types[i] == LO_INT32)
                self->m_last.push_back(argv[i]->i);
        return 0;
    }

    lo_server m_server;
    lo_address m_target = nullptr;
    std::vector<int> m_last;
};

TEST(RemoteControl, CommandsFromALoopbackClientArriveInOrderOnTheUiThread) {
    FakeTarget target;
    CRemoteControl remote(&target);
    ASSERT_TRUE(remote.Start({FreePort(), QStringLiteral("127.0.0.1")})) << remote.Message().toStdString();
    ASSERT_GT(remote.Port(), 0);
    Client client;
    client.Target("127.0.0.1", remote.Port());
    client.Send("/padora/stopkey", "i", 1);
    client.Send("/padora/stop", "i", 4);
    client.Send("/padora/stopkey", "i", 0);
    for (int i = 1; i <= 10; ++i)
        client.Send("/padora/volume", "ii", i, 10 * i);
    client.Send("/padora/group", "i", 3);
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() >= 14; }));
    EXPECT_TRUE(target.onUiThread);
    EXPECT_EQ(target.commands[0].kind, Kind::StopKey);
    EXPECT_EQ(target.commands[1].kind, Kind::Stop);
    EXPECT_EQ(target.commands[1].n, 3);
    EXPECT_EQ(target.commands[2].kind, Kind::StopKey);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(target.commands[3 + i].n, i);
        EXPECT_EQ(target.commands[3 + i].value, 10 * (i + 1));
    }
    EXPECT_EQ(target.commands[13].kind, Kind::Group);
    EXPECT_EQ(target.commands[13].n, 2);
}

TEST(RemoteControl, CommandsWhileTheWindowIsBusyAreRefusedNotLateAndNeverOvertake) {
    // A command that opens a modal window: its nested loop takes the next datagrams meanwhile.
    class ModalTarget : public FakeTarget {
    public:
        void RemoteCommandArrived(const RemoteCommand& command) override {
            FakeTarget::RemoteCommandArrived(command);
            if (command.kind != Kind::AllStop)
                return;
            if (meanwhile)
                meanwhile();
            WaitFor([] { return false; }, 300);
        }
        std::function<void()> meanwhile;
    } target;
    CRemoteControl remote(&target);
    ASSERT_TRUE(remote.Start({FreePort(), QStringLiteral("127.0.0.1")}));
    std::vector<QString> told;
    remote.Intake().SetReport([&](const QString& line) { told.push_back(line); });
    Client client;
    client.Target("127.0.0.1", remote.Port());
    target.busy = true;
    client.Send("/padora/group", "i", 2);
    client.Send("/padora/pad", "i", 1);
    client.Send("/padora/volume", "ii", 3, 40);
    WaitFor([] { return false; }, 200);
    target.busy = false;
    WaitFor([] { return false; }, 100);
    // Only the fader moved, then or later.
    ASSERT_EQ(target.commands.size(), 1u);
    EXPECT_EQ(target.commands[0].kind, Kind::Volume);
    EXPECT_EQ(remote.Intake().Refused(), 2u);
    ASSERT_TRUE(WaitFor([&] { return !told.empty(); }, 2000));
    EXPECT_EQ(told, std::vector<QString>{
                        QStringLiteral("padora: OSC: 操作中のウィンドウがあるため無視しました (2 件)")});

    target.meanwhile = [&] { client.Send("/padora/pad", "i", 2); };
    client.Send("/padora/allstop");
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() == 2; }));
    client.Send("/padora/pad", "i", 3);
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() >= 3; }));
    WaitFor([] { return false; }, 100);
    ASSERT_EQ(target.commands.size(), 3u);
    EXPECT_EQ(target.commands[2].kind, Kind::Pad);
    EXPECT_EQ(target.commands[2].n, 2);
}

TEST(RemoteControl, DuringAModalDialogPadsAreRefusedFadersMoveAndTheStateSaysBusy) {
    FakeTarget target;
    target.state.nGroup = 0;
    CRemoteControl remote(&target);
    ASSERT_TRUE(remote.Start({FreePort(), QStringLiteral("127.0.0.1")}));
    std::vector<QString> told;
    remote.Intake().SetReport([&](const QString& line) { told.push_back(line); });
    Client client;
    client.Target("127.0.0.1", remote.Port());
    QDialog dialog;
    std::vector<int> stateMeanwhile;
    QTimer::singleShot(0, &dialog, [&] {
        client.Send("/padora/pad", "i", 1);
        client.Send("/padora/master", "i", 30);
        client.Send("/padora/group/next");
        client.Send("/padora/state");
        stateMeanwhile = client.NextState();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(stateMeanwhile, (std::vector<int>{1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 0}));
    // The state tells listeners when the window can take commands again.
    EXPECT_EQ(client.NextState(), (std::vector<int>{1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0}));
    ASSERT_EQ(target.commands.size(), 1u);
    EXPECT_EQ(target.commands[0].kind, Kind::Master);
    EXPECT_EQ(target.commands[0].value, 30);
    ASSERT_TRUE(WaitFor([&] { return !told.empty(); }, 2000));
    EXPECT_TRUE(told[0].contains(QStringLiteral("(2 件)"))) << told[0].toStdString();
}

TEST(RemoteIntake, TheQueueKeepsTheNewestWithinItsBoundAndWakesOncePerBatch) {
    FakeTarget target;
    CRemoteIntake intake(&target, QStringLiteral("OSC"));
    std::vector<QString> told;
    intake.SetReport([&](const QString& line) { told.push_back(line); });
    int turns = 0;
    intake.SetAfterTurn([&] { ++turns; });
    constexpr int kSent = static_cast<int>(CRemoteIntake::kCapacity) + 44;
    // Another thread, while this one takes nothing: one datagram's worth at a time.
    std::thread sender([&] {
        for (int i = 0; i < kSent; ++i)
            intake.Push({{Kind::Volume, i % RemoteState::kChannels, i}});
    });
    sender.join();
    EXPECT_EQ(intake.Dropped(), 44u);
    // At most kMaxPerTurn a turn, and no turn without work.
    QCoreApplication::processEvents();
    EXPECT_LE(target.commands.size(), static_cast<std::size_t>(CRemoteIntake::kMaxPerTurn));
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() == CRemoteIntake::kCapacity; }));
    EXPECT_EQ(target.commands.front().value, 44);
    EXPECT_EQ(target.commands.back().value, kSent - 1);
    const int busyTurns = turns;
    EXPECT_GE(busyTurns, static_cast<int>(CRemoteIntake::kCapacity) / CRemoteIntake::kMaxPerTurn);
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(turns, busyTurns);
    ASSERT_TRUE(WaitFor([&] { return !told.empty(); }, 2000));
    EXPECT_EQ(told, std::vector<QString>{
                        QStringLiteral("padora: OSC: 受信が多すぎるため古いものを捨てました (44 件)")});
}

TEST(RemoteIntake, GroupSelectionsInARowOrWhileOneLoadsBecomeTheLastOfThem) {
    // A group switch runs the loader's loop; selections and pads arrive meanwhile.
    class LoadingTarget : public FakeTarget {
    public:
        void RemoteCommandArrived(const RemoteCommand& command) override {
            FakeTarget::RemoteCommandArrived(command);
            if (command.kind == Kind::Group && command.n == 0 && meanwhile)
                std::exchange(meanwhile, nullptr)();
            if (command.kind == Kind::Group && command.n == 0)
                WaitFor([] { return false; }, 100);
        }
        std::function<void()> meanwhile;
    } target;
    CRemoteIntake intake(&target, QStringLiteral("OSC"));
    intake.SetReport([](const QString&) {});
    intake.Push({{Kind::Group, 4},
                 {Kind::GroupNext},
                 {Kind::Group, 2},
                 {Kind::Pad, 1},
                 {Kind::GroupPrev},
                 {Kind::Group, 3}});
    // One switch a batch: the pad acts in the group it finds.
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() == 2; }));
    WaitFor([] { return false; }, 50);
    ASSERT_EQ(target.commands.size(), 2u);
    EXPECT_EQ(target.commands[0].kind, Kind::Pad);
    EXPECT_EQ(target.commands[1].kind, Kind::Group);
    EXPECT_EQ(target.commands[1].n, 3);

    target.commands.clear();
    target.meanwhile = [&] {
        intake.Push({{Kind::Group, 5}});
        intake.Push({{Kind::Pad, 2}});
        intake.Push({{Kind::Group, 6}});
        intake.Push({{Kind::Pad, 3}});
        intake.Push({{Kind::GroupNext}});
    };
    intake.Push({{Kind::Group, 0}});
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() == 2; }));
    WaitFor([] { return false; }, 100);
    ASSERT_EQ(target.commands.size(), 2u);
    EXPECT_EQ(target.commands[0].kind, Kind::Group);
    EXPECT_EQ(target.commands[1].kind, Kind::GroupNext);
    EXPECT_EQ(intake.Refused(), 2u);

    // A group and its pad in one bundle: the pad acts once the group is in, though a question for the
    // state (answered at once) arrives while it loads.
    target.commands.clear();
    int answered = 0;
    intake.SetAnswer([&](const OscPeer&) { ++answered; });
    target.meanwhile = [&] { intake.Push({{Kind::State}}); };
    intake.Push({{Kind::Group, 0}, {Kind::Pad, 4}});
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() == 2; }));
    EXPECT_EQ(target.commands[1].kind, Kind::Pad);
    EXPECT_EQ(target.commands[1].n, 4);
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(intake.Refused(), 2u);
}

TEST(RemoteControl, StateIsAnsweredAndEveryChangeFollows) {
    FakeTarget target;
    target.state.nGroup = 0;
    target.state.strGroup = QStringLiteral("G1");
    target.state.aPlay[0] = 0;
    CRemoteControl remote(&target);
    ASSERT_TRUE(remote.Start({FreePort(), QStringLiteral("127.0.0.1")}));
    Client client;
    client.Target("127.0.0.1", remote.Port());
    client.Send("/padora/state");
    EXPECT_EQ(client.NextState(), (std::vector<int>{1, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0}));

    // A pad fired remotely lights up at the client.
    client.Send("/padora/pad", "i", 1);
    EXPECT_EQ(client.NextState(), (std::vector<int>{1, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0}));
    // So does a change made elsewhere (a key, the end of a sound), found by the timer.
    target.state.nGroup = 1;
    target.state.aPlay.fill(-1);
    EXPECT_EQ(client.NextState(), (std::vector<int>{2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0}));
    // No change, no message.
    EXPECT_TRUE(client.NextState(300).empty());
}

TEST(RemoteControl, APortInUseGetsOneMessageAndNothingListens) {
    QUdpSocket taken;
    ASSERT_TRUE(taken.bind(QHostAddress::LocalHost, 0));
    FakeTarget target;
    CRemoteControl remote(&target);
    EXPECT_FALSE(remote.Start({taken.localPort(), QStringLiteral("127.0.0.1")}));
    EXPECT_FALSE(remote.IsListening());
    EXPECT_TRUE(remote.Message().contains(QString::number(taken.localPort())))
        << remote.Message().toStdString();
    EXPECT_TRUE(remote.Message().contains(QStringLiteral("使用中")));

    EXPECT_FALSE(remote.Start({9000, QStringLiteral("padora.example")}));
    EXPECT_TRUE(remote.Message().contains(QStringLiteral("padora.example")));
    EXPECT_FALSE(remote.Start({0x10000, QStringLiteral("127.0.0.1")}));
    EXPECT_FALSE(remote.Message().isEmpty());
}

TEST(RemoteControl, AnotherHostIsNotHeardByDefault) {
    // This machine's own address on a network: a datagram to it counts as coming from that network.
    QHostAddress external;
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            external = a;
    if (external.isNull())
        GTEST_SKIP() << "no network address besides the loopback";

    FakeTarget target;
    CRemoteControl remote(&target);
    const CRemoteControl::Config defaults =
        CRemoteControl::ReadConfig(CSettingsFile(QStringLiteral("/nonexistent/Padora.INI")));
    EXPECT_EQ(defaults.nPort, 9000);
    EXPECT_EQ(defaults.strBind, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(remote.Start({FreePort(), defaults.strBind}));
    Client client;
    client.Target(external.toString().toLatin1().constData(), remote.Port());
    client.Send("/padora/allstop");
    WaitFor([] { return false; }, 300);
    EXPECT_TRUE(target.commands.empty());
    client.Target("127.0.0.1", remote.Port());
    client.Send("/padora/allstop");
    EXPECT_TRUE(WaitFor([&] { return target.commands.size() == 1; }));

    // Allowed by the operator: listening on every address.
    CRemoteControl open(&target);
    ASSERT_TRUE(open.Start({FreePort(), QStringLiteral("0.0.0.0")}));
    client.Target(external.toString().toLatin1().constData(), open.Port());
    client.Send("/padora/allstop");
    EXPECT_TRUE(WaitFor([&] { return target.commands.size() == 2; }));
}

TEST(RemoteControl, SettingsComeFromSectionRemote) {
    QTemporaryDir dir;
    const CSettingsFile settings(dir.filePath(QStringLiteral("Padora.INI")));
    app_test::WriteTestFile(settings.Path(), "[Remote]\nOscPort=0\nOscBind= 0.0.0.0 \n");
    const auto config = CRemoteControl::ReadConfig(settings);
    EXPECT_EQ(config.nPort, 0);
    EXPECT_EQ(config.strBind, QStringLiteral("0.0.0.0"));
    FakeTarget target;
    CRemoteControl remote(&target);
    EXPECT_FALSE(remote.Start(config));
    EXPECT_TRUE(remote.Message().isEmpty());
}

} // namespace
