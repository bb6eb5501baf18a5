#include "app/remote/MidiControl.h"
#include "app/settings/Option.h"
#include "tests/app/TestSounds.h"
#include "tests/playkit/JackServer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <rtmidi/RtMidi.h>

#include <functional>
#include <mutex>

namespace {

using Kind = RemoteCommand::Kind;
using Bytes = std::vector<unsigned char>;

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

class FakeTarget : public IRemoteTarget {
public:
    void RemoteCommandArrived(const RemoteCommand& command) override {
        commands.push_back(command);
        if (command.kind == Kind::Pad)
            state.aPlay[static_cast<size_t>(command.n)] = 1;
    }
    RemoteState CurrentRemoteState() override { return state; }
    std::vector<RemoteCommand> commands;
    RemoteState state;
};

void Quiet(RtMidiError::Type, const std::string&, void*) {}

// A JACK server with the dummy driver, of this test run alone, and a controller played by the test.
class MidiJackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("jackd")).isEmpty())
            GTEST_SKIP() << "jackd is not installed";
        std::string error;
        ASSERT_TRUE(m_jackd.Start(error)) << error;
        // Up once one client sees the port of another.
        ASSERT_TRUE(WaitFor([&] {
            try {
                RtMidiIn port(RtMidi::UNIX_JACK, "probe");
                port.setErrorCallback(&Quiet, nullptr);
                port.openVirtualPort("probe");
                RtMidiOut seer(RtMidi::UNIX_JACK, "probe-seer");
                seer.setErrorCallback(&Quiet, nullptr);
                return seer.getPortCount() > 0;
            } catch (const RtMidiError&) {
                return false;
            }
        }));
    }
    void TearDown() override {
        m_pPlayer.reset();
        m_pLights.reset();
        m_jackd.Stop();
    }

    // The controller: its keys and knobs go to "Padora in", its lights come from "Padora out".
    void ConnectController() {
        m_pPlayer = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "controller");
        m_pLights = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "controller-lights");
        m_pLights->setCallback(
            [](double, Bytes* m, void* user) {
                auto* self = static_cast<MidiJackTest*>(user);
                std::lock_guard lock(self->m_mutex);
                self->m_lit.push_back(*m);
            },
            this);
        auto open = [](auto& port, const char* name) {
            for (unsigned i = 0; i < port.getPortCount(); ++i)
                if (port.getPortName(i).find(name) != std::string::npos) {
                    port.openPort(i, "controller");
                    return true;
                }
            return false;
        };
        ASSERT_TRUE(open(*m_pPlayer, "Padora in"));
        ASSERT_TRUE(open(*m_pLights, "Padora out"));
        // A connection takes effect at one of the server's next cycles: a note sent sooner is lost.
        WaitFor([] { return false; }, 300);
    }
    void Play(Bytes m) { m_pPlayer->sendMessage(&m); }
    // The last velocity the controller was sent for a note, -1 when none.
    int LitVelocity(int note) {
        std::lock_guard lock(m_mutex);
        for (auto it = m_lit.rbegin(); it != m_lit.rend(); ++it)
            if (it->size() == 3 && ((*it)[0] & 0xF0) == 0x90 && (*it)[1] == note)
                return (*it)[2];
        return -1;
    }

    playkit_test::CJackServer m_jackd;
    std::unique_ptr<RtMidiOut> m_pPlayer;
    std::unique_ptr<RtMidiIn> m_pLights;
    std::mutex m_mutex;
    std::vector<Bytes> m_lit;
};

TEST_F(MidiJackTest, LearntControlsFirePadsStopMoveFadersAndLightThePads) {
    FakeTarget target;
    target.state.aPlay[0] = 0;
    CMidiControl midi(&target);
    CMidiControl::Config config;
    config.strApi = QStringLiteral("jack");
    ASSERT_TRUE(midi.Open(config)) << midi.Message().toStdString();
    ConnectController();

    int learnt = -1;
    auto learn = [&](int role, Bytes m) {
        midi.StartLearning([&, role](const CMidiMap::Binding& b) {
            CMidiMap map = midi.Map();
            map.Set(role, b);
            midi.SetMap(map);
            learnt = role;
        });
        Play(std::move(m));
        const bool ok = WaitFor([&] { return learnt == role && !midi.IsLearning(); });
        midi.StopLearning();
        return ok;
    };
    ASSERT_TRUE(learn(CMidiMap::kPadFirst, {0x90, 60, 100}));
    ASSERT_TRUE(learn(CMidiMap::kStop, {0x90, 61, 100}));
    Play({0x80, 61, 0});
    ASSERT_TRUE(learn(CMidiMap::kFaderFirst + 2, {0xB1, 7, 30}));
    ASSERT_TRUE(learn(CMidiMap::kMaster, {0xB0, 10, 90}));
    EXPECT_EQ(midi.Map().At(CMidiMap::kPadFirst).ToText(), QStringLiteral("note 1 60"));
    EXPECT_EQ(midi.Map().At(CMidiMap::kFaderFirst + 2).ToText(), QStringLiteral("cc 2 7"));
    // Learning touches nothing else.
    WaitFor([] { return false; }, 100);
    EXPECT_TRUE(target.commands.empty());
    // The loaded pad is lit dimly once it has a note.
    EXPECT_TRUE(WaitFor([&] { return LitVelocity(60) == CMidiControl::kVelocityLoaded; }));

    Play({0x90, 60, 99});  // pad 1
    Play({0x90, 61, 127}); // stop note held ...
    Play({0x90, 60, 99});  // ... pad 1 again: stops it
    Play({0x90, 61, 0});   // released (note-on with velocity 0)
    Play({0xB1, 7, 127});  // fader 3 to the top
    Play({0xB1, 7, 64});   // halfway
    Play({0xB0, 10, 0});   // master down
    Play({0x90, 62, 100}); // not mapped
    ASSERT_TRUE(WaitFor([&] { return target.commands.size() >= 7; }));
    const std::vector<std::tuple<Kind, int, int>> expected = {
        {Kind::Pad, 0, 0},      {Kind::StopKey, 1, 0}, {Kind::Pad, 0, 0},    {Kind::StopKey, 0, 0},
        {Kind::Volume, 2, 100}, {Kind::Volume, 2, 50}, {Kind::Master, 0, 0},
    };
    ASSERT_EQ(target.commands.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(target.commands[i].kind, std::get<0>(expected[i])) << i;
        EXPECT_EQ(target.commands[i].n, std::get<1>(expected[i])) << i;
        EXPECT_EQ(target.commands[i].value, std::get<2>(expected[i])) << i;
    }
    // Playing lights it fully, stopping dims it, no sound puts it out.
    EXPECT_TRUE(WaitFor([&] { return LitVelocity(60) == CMidiControl::kVelocityPlaying; }));
    target.state.aPlay[0] = 0;
    EXPECT_TRUE(WaitFor([&] { return LitVelocity(60) == CMidiControl::kVelocityLoaded; }));
    target.state.aPlay[0] = -1;
    EXPECT_TRUE(WaitFor([&] { return LitVelocity(60) == CMidiControl::kVelocityOff; }));

    // Under a modal window (設定, where learning happens) a pad is refused, not kept for later; a
    // fader moves and learning goes on.
    target.commands.clear();
    midi.Intake().SetReport([](const QString&) {});
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        Play({0x90, 60, 99});
        Play({0xB1, 7, 127});
        WaitFor([&] { return !target.commands.empty(); });
        EXPECT_TRUE(learn(CMidiMap::kFaderFirst + 3, {0xB1, 8, 1}));
        dialog.reject();
    });
    dialog.exec();
    WaitFor([] { return false; }, 100);
    ASSERT_EQ(target.commands.size(), 1u);
    EXPECT_EQ(target.commands[0].kind, Kind::Volume);
    EXPECT_EQ(midi.Intake().Refused(), 1u);
}

TEST(MidiControl, WithoutItsServerMidiIsOffWithOneMessage) {
    qputenv("JACK_DEFAULT_SERVER",
            QByteArray("padora-none-") + QByteArray::number(QCoreApplication::applicationPid()));
    qputenv("JACK_NO_START_SERVER", "1");
    FakeTarget target;
    CMidiControl midi(&target);
    CMidiControl::Config config;
    config.strApi = QStringLiteral("jack");
    EXPECT_FALSE(midi.Open(config));
    EXPECT_FALSE(midi.IsOpen());
    EXPECT_TRUE(midi.Message().startsWith(QStringLiteral("MIDI を使えません")))
        << midi.Message().toStdString();
    config.strApi = QStringLiteral("off");
    EXPECT_FALSE(midi.Open(config));
    EXPECT_TRUE(midi.Message().isEmpty());
    config.strApi = QStringLiteral("coreaudio");
    EXPECT_FALSE(midi.Open(config));
    EXPECT_FALSE(midi.Message().isEmpty());
    qunsetenv("JACK_DEFAULT_SERVER");
}

// A Padora nobody set up for MIDI tries it quietly; naming it in the settings or learning a control
// makes its failure worth a message.
TEST(MidiControl, OnlyAnOperatorWhoAskedForMidiIsToldItCannotBeHad) {
    QTemporaryDir dir;
    const CSettingsFile settings(dir.filePath(QStringLiteral("Padora.INI")));
    EXPECT_FALSE(CMidiControl::IsWanted(settings, CMidiMap())); // no settings file at all
    struct Case {
        const char* ini;
        bool wanted;
    };
    const Case cases[] = {
        {"[Option]\nVolVal=3\n", false},
        {"[Option]\nMidiApi=alsa\n", false}, // not the remote section
        // What the options dialog leaves when nothing was learnt.
        {"[Remote]\nOscPort=9000\nOscBind=127.0.0.1\nMidiPad1=\nMidiStop=\nMidiMaster=\n", false},
        {"[Remote]\nMidiPad3=pitch 1 2\n", false},
        {"[Remote]\nMidiApi=alsa\n", true},
        {"[Remote]\nMidiApi=off\n", true},
        {"[remote]\nmidiin=nanoKONTROL\n", true},
        {"[Remote]\nMidiOut=\n", true},
        {"[Remote]\nMidiPad1=\nMidiFader4=cc 1 7\n", true},
    };
    for (const Case& c : cases) {
        app_test::WriteTestFile(settings.Path(), c.ini);
        EXPECT_EQ(CMidiControl::IsWanted(settings, CRemoteSettings::Load(settings).map), c.wanted) << c.ini;
    }
}

// RtMidi and ALSA report a missing sequencer on standard error themselves; that text belongs in the
// message, which Padora shows or not.
TEST(MidiControl, OpeningWritesNothingOnStandardError) {
    FakeTarget target;
    CMidiControl midi(&target);
    ::testing::internal::CaptureStderr();
    const bool open = midi.Open(CMidiControl::Config());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "");
    EXPECT_EQ(midi.IsOpen(), open);
    if (!open && !QFile::exists(QStringLiteral("/dev/snd/seq"))) {
        EXPECT_TRUE(midi.Message().contains(QStringLiteral("/dev/snd/seq"))) << midi.Message().toStdString();
    }
}

TEST(MidiMap, BindingsAreOneRoleEach) {
    CMidiMap map;
    map.Set(CMidiMap::kPadFirst + 1, CMidiMap::Binding::FromText(QStringLiteral("note 1 60")));
    // The same key learnt for pad 1 leaves pad 2.
    map.Set(CMidiMap::kPadFirst, CMidiMap::Binding::FromText(QStringLiteral("note 1 60")));
    EXPECT_EQ(map.At(CMidiMap::kPadFirst + 1).kind, CMidiMap::Binding::Kind::None);
    map.Set(CMidiMap::kMaster, CMidiMap::Binding::FromText(QStringLiteral("CC 16 127")));
    EXPECT_EQ(map.At(CMidiMap::kMaster).ToText(), QStringLiteral("cc 16 127"));
    EXPECT_EQ(map.RoleOf(CMidiMap::Binding::FromText(QStringLiteral("cc 16 127"))), CMidiMap::kMaster);

    for (const char* bad : {"note 0 60", "note 17 1", "cc 1 128", "pitch 1 2", "note 1", ""})
        EXPECT_EQ(CMidiMap::Binding::FromText(QString::fromLatin1(bad)).kind, CMidiMap::Binding::Kind::None)
            << bad;
    EXPECT_FALSE(CMidiMap::BindingOf(0xE0, 0)); // pitch bend is no control to learn
}

} // namespace
