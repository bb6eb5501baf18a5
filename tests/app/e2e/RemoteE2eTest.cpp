#include "XSession.h"

#include "tests/app/TestSounds.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtEndian>

#include <gtest/gtest.h>

#include <lo/lo.h>

#include <cmath>
#include <cstring>

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kExitTimeoutMs = 5000;
constexpr unsigned long kKeyEscape = 0xff1b;
constexpr int kRate = 48000;
constexpr unsigned long kKeyAlt = 0xffe9;
constexpr int kStateInts = 13; // group, ten play states, busy, sounds playing in other groups

// The samples of a 16-bit stereo WAV file being recorded (its header may lag behind the data).
std::vector<std::int16_t> RecordedSamples(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    const qsizetype data = bytes.indexOf("data");
    if (data < 0)
        return {};
    std::vector<std::int16_t> samples(static_cast<size_t>((bytes.size() - data - 8) / 2));
    std::memcpy(samples.data(), bytes.constData() + data + 8, samples.size() * 2);
    return samples;
}

// Peak of the last `seconds` of the recording (both sides).
int PeakOfLast(const std::vector<std::int16_t>& s, double seconds) {
    const auto n = std::min(s.size(), static_cast<size_t>(seconds * kRate * 2));
    int peak = 0;
    for (size_t i = s.size() - n; i < s.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    return peak;
}

class OscClient {
public:
    explicit OscClient(int port)
        : m_server(lo_server_new_with_proto(nullptr, LO_UDP, nullptr)),
          m_target(lo_address_new("127.0.0.1", QByteArray::number(port).constData())) {
        lo_server_add_method(m_server, "/padora/state", nullptr, &OscClient::OnState, this);
    }
    ~OscClient() {
        lo_address_free(m_target);
        lo_server_free(m_server);
    }
    void Send(const char* path, int arg = -1) {
        lo_message m = lo_message_new();
        if (arg >= 0)
            lo_message_add_int32(m, arg);
        lo_send_message_from(m_target, m_server, path, m);
        lo_message_free(m);
    }
    // Waits for a state message that satisfies want; the last state received.
    bool WaitForState(const std::function<bool(const std::vector<int>&)>& want, int ms = 5000) {
        return XSession::WaitFor(
            [&] {
                lo_server_recv_noblock(m_server, 10);
                return !m_state.empty() && want(m_state);
            },
            ms);
    }
    const std::vector<int>& State() const { return m_state; }
    const QString& Group() const { return m_group; }

private:
    static int OnState(const char*, const char* types, lo_arg** argv, int argc, lo_message, void* user) {
        auto* self = static_cast<OscClient*>(user);
        self->m_state.clear();
        for (int i = 0; i < argc; ++i) {
            if (types[i] == LO_INT32)
                self->m_state.push_back(argv[i]->i);
            else if (types[i] == LO_STRING)
                self->m_group = QString::fromUtf8(&argv[i]->s);
        }
        return 0;
    }

    lo_server m_server;
    lo_address m_target;
    std::vector<int> m_state;
    QString m_group;
};

// One connection for the whole run: the server resets whenever its last client leaves.
XSession& Display() {
    static XSession session;
    return session;
}

int FreePort() {
    QUdpSocket probe;
    return probe.bind(QHostAddress::LocalHost, 0) ? probe.localPort() : 0;
}

// Starts the real program in work on set, listening for OSC on port, playing to audio; its main window,
// 0 when none showed.
XWindow StartPadora(QProcess& padora, const QTemporaryDir& work, const QTemporaryDir& runtime,
                    const QString& audio, int port, const QString& set) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_CACHE_HOME", runtime.path());
    env.insert("PADORA_AUDIO", audio);
    env.insert("PADORA_OSC_PORT", QString::number(port));
    padora.setProcessEnvironment(env);
    padora.setWorkingDirectory(work.path());
    padora.start(QStringLiteral(PADORA_BIN), {set});
    if (!padora.waitForStarted(kStartTimeoutMs))
        return 0;
    XWindow main = 0;
    XSession::WaitFor(
        [&] {
            const auto w = Display().WindowsOf(padora.processId(), QStringLiteral("Padora"));
            main = w.empty() ? 0 : w.front();
            return main != 0;
        },
        kStartTimeoutMs);
    return main;
}

// The real program, played over OSC from this test on the loopback, heard through the record backend.
// Esc in the main window ends Padora. A press sent before the window manager has made the window active
// is not Padora's (a captured Esc from another program is dropped): pressed again until it ends.
bool EndWithEscape(XSession& x, XWindow main, QProcess& padora) {
    return XSession::WaitFor(
        [&] {
            if (padora.state() == QProcess::NotRunning)
                return true;
            x.SetFocus(main);
            XSession::WaitFor([] { return false; }, 100);
            x.PressKey(kKeyEscape);
            return padora.waitForFinished(400);
        },
        kExitTimeoutMs);
}

TEST(RemoteE2e, OscFromALoopbackClientPlaysStopsAndSwitchesGroupsAndIsTold) {
    XSession& x = Display();
    ASSERT_TRUE(x.IsOpen());
    QTemporaryDir work, runtime;
    const QString tone = app_test::WriteTestFile(work.filePath("tone.wav"), app_test::SineWav(20.0, -6.0));
    app_test::WriteTestFile(work.filePath("other.wav"), app_test::SineWav(1.0, -6.0));
    const QString set = app_test::WriteTestFile(work.filePath("show.pdg"),
                                                "[GroupData]\nGroupNum=2\nGrpName01=One\nGrpName02=Two\n"
                                                "[SoundData]\nSndName01-01=Tone\nSndFName01-01=tone.wav\n"
                                                "SndVol01-01=100\n"
                                                "SndName02-03=Other\nSndFName02-03=other.wav\n");
    const QString record = work.filePath("heard.wav");
    const int port = FreePort();
    ASSERT_GT(port, 0);

    QProcess padora;
    const XWindow main = StartPadora(padora, work, runtime, "record:" + record, port, set);
    ASSERT_NE(main, 0u) << padora.readAllStandardError().toStdString();

    OscClient client(port);
    client.Send("/padora/state");
    ASSERT_TRUE(client.WaitForState([](const auto& s) { return s.size() == kStateInts && s[1] == 0; }));
    EXPECT_EQ(client.State()[0], 1);
    EXPECT_EQ(client.Group(), QStringLiteral("One"));
    EXPECT_EQ(client.State()[2], -1);

    // A pad: the client sees it light up, and the sound is heard.
    client.Send("/padora/pad", 1);
    ASSERT_TRUE(client.WaitForState([](const auto& s) { return s[1] == 1; }));
    XSession::WaitFor([] { return false; }, 400);
    const int playing = PeakOfLast(RecordedSamples(record), 0.2);
    // -6 dBFS at volume 100.
    EXPECT_GT(playing, 12000) << "nothing heard";

    // With the stop key held the pad stops its channel; the recording falls silent.
    client.Send("/padora/stopkey", 1);
    client.Send("/padora/pad", 1);
    client.Send("/padora/stopkey", 0);
    ASSERT_TRUE(client.WaitForState([](const auto& s) { return s[1] == 0; }));
    XSession::WaitFor([] { return false; }, 400);
    EXPECT_EQ(PeakOfLast(RecordedSamples(record), 0.2), 0);

    // The master fader and the next group, as their keys would.
    client.Send("/padora/pad", 1);
    client.Send("/padora/master", 0);
    ASSERT_TRUE(client.WaitForState([](const auto& s) { return s[1] == 1; }));
    XSession::WaitFor([] { return false; }, 400);
    EXPECT_EQ(PeakOfLast(RecordedSamples(record), 0.2), 0) << "master at 0 still heard";
    client.Send("/padora/group/next");
    // Told as the group loads, and again once its sounds are in.
    ASSERT_TRUE(client.WaitForState([](const auto& s) { return s[0] == 2 && s[3] == 0; }));
    EXPECT_EQ(client.Group(), QStringLiteral("Two"));
    EXPECT_EQ(client.State()[1], -1);
    XSession::WaitFor([] { return false; }, 300);

    ASSERT_TRUE(EndWithEscape(x, main, padora));
    EXPECT_EQ(padora.exitCode(), 0);
}

// A pad sent while 設定 is open is refused, not played when the dialog closes; the state is answered.
TEST(RemoteE2e, APadSentDuringTheOptionsDialogIsRefusedAndTheStateIsAnswered) {
    XSession& x = Display();
    ASSERT_TRUE(x.IsOpen());
    QTemporaryDir work, runtime;
    app_test::WriteTestFile(work.filePath("tone.wav"), app_test::SineWav(20.0, -6.0));
    const QString set = app_test::WriteTestFile(work.filePath("show.pdg"),
                                                "[GroupData]\nGroupNum=1\nGrpName01=One\n"
                                                "[SoundData]\nSndName01-01=Tone\nSndFName01-01=tone.wav\n");
    const int port = FreePort();
    ASSERT_GT(port, 0);
    QProcess padora;
    const XWindow main = StartPadora(padora, work, runtime, "null", port, set);
    ASSERT_NE(main, 0u) << padora.readAllStandardError().toStdString();
    OscClient client(port);
    client.Send("/padora/state");
    ASSERT_TRUE(client.WaitForState([](const auto& s) { return s.size() == kStateInts && s[1] == 0; }));

    x.SetFocus(main);
    XSession::WaitFor([] { return false; }, 200);
    x.KeyDown(kKeyAlt);
    x.PressKey('o');
    x.KeyUp(kKeyAlt);
    XSession::WaitFor([] { return false; }, 200);
    x.PressKey('s');
    XWindow options = 0;
    ASSERT_TRUE(XSession::WaitFor(
        [&] {
            const auto w = x.WindowsOf(padora.processId(), QStringLiteral("設定"));
            options = w.empty() ? 0 : w.front();
            return options != 0;
        },
        kStartTimeoutMs));

    client.Send("/padora/pad", 1);
    client.Send("/padora/state");
    EXPECT_TRUE(client.WaitForState([](const auto& s) { return s.size() == kStateInts && s[11] == 1; }, 2000))
        << "no state answered while the dialog is open";
    XSession::WaitFor([] { return false; }, 300);
    x.SetFocus(options);
    XSession::WaitFor([] { return false; }, 200);
    x.PressKey(kKeyEscape);
    ASSERT_TRUE(XSession::WaitFor(
        [&] { return x.WindowsOf(padora.processId(), QStringLiteral("設定")).empty(); }, kStartTimeoutMs));

    // Long enough for a late cue to have shown.
    XSession::WaitFor([] { return false; }, 500);
    client.Send("/padora/state");
    ASSERT_TRUE(client.WaitForState([](const auto& s) { return s.size() == kStateInts && s[11] == 0; }));
    EXPECT_EQ(client.State()[1], 0) << "the pad sent during the dialog played when it closed";
    XSession::WaitFor([] { return false; }, 300);
    const QString err = QString::fromUtf8(padora.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("padora: OSC: 操作中のウィンドウがあるため無視しました (1 件)")))
        << err.toStdString();

    ASSERT_TRUE(EndWithEscape(x, main, padora));
}

// Another program holds the port: Padora says so once and runs on.
TEST(RemoteE2e, APortInUseIsToldOnceAndPadoraRunsOn) {
    XSession& x = Display();
    ASSERT_TRUE(x.IsOpen());
    QTemporaryDir work, runtime;
    QUdpSocket taken;
    ASSERT_TRUE(taken.bind(QHostAddress::LocalHost, 0));
    QProcess padora;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_CACHE_HOME", runtime.path());
    env.insert("PADORA_AUDIO", "null");
    padora.setProcessEnvironment(env);
    padora.setWorkingDirectory(work.path());
    app_test::WriteTestFile(work.filePath("Padora.INI"),
                            "[Remote]\nOscPort=" + QByteArray::number(taken.localPort()) + "\n");
    padora.start(QStringLiteral(PADORA_BIN), {});
    ASSERT_TRUE(padora.waitForStarted(kStartTimeoutMs));
    // The main window and, once it has started, one message box over it.
    const bool two =
        XSession::WaitFor([&] { return x.WindowsOf(padora.processId()).size() == 2; }, kStartTimeoutMs);
    ASSERT_TRUE(two) << padora.readAllStandardError().toStdString();
    XSession::WaitFor([&] { return padora.state() == QProcess::NotRunning; }, 300);
    EXPECT_EQ(padora.state(), QProcess::Running);
    const QString err = QString::fromUtf8(padora.readAllStandardError());
    EXPECT_EQ(err.count(QStringLiteral("padora: OSC")), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QString::number(taken.localPort()))) << err.toStdString();
    // MIDI was never set up: whether or not this machine has it, nothing is said of it.
    EXPECT_FALSE(err.contains(QStringLiteral("MIDI")) || err.contains(QStringLiteral("ALSA")))
        << err.toStdString();
    // The box has the keys while it is open: Esc answers it and leaves the show running.
    XWindow box = 0;
    // The box is the smaller of the two (both bear the program's title).
    for (XWindow w : x.WindowsOf(padora.processId()))
        if (box == 0 || x.Geometry(w).height() < x.Geometry(box).height())
            box = w;
    ASSERT_NE(box, 0u);
    x.SetFocus(box);
    XSession::WaitFor([] { return false; }, 200);
    x.PressKey(kKeyEscape);
    EXPECT_TRUE(
        XSession::WaitFor([&] { return x.WindowsOf(padora.processId()).size() == 1; }, kStartTimeoutMs));
    XSession::WaitFor([&] { return padora.state() == QProcess::NotRunning; }, 500);
    EXPECT_EQ(padora.state(), QProcess::Running) << "Esc in the message box ended padora";
    padora.kill();
    padora.waitForFinished(kExitTimeoutMs);
}

} // namespace
