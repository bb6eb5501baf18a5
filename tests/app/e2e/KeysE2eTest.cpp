// The keyboard from end to end: the real padora under Xvfb with its sound recorded (record: backend),
// another program holding the focus, and keys typed through XTEST.
#include "XSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kExitTimeoutMs = 5000;
constexpr int kRate = 48000;
// X keysyms.
constexpr unsigned long kKp1 = 0xffb1, kKp3 = 0xffb3, kKp5 = 0xffb5;
constexpr unsigned long kControlL = 0xffe3, kUp = 0xff52, kDown = 0xff54, kLeft = 0xff51, kRight = 0xff53;
constexpr unsigned long kSpace = 0x20, kM = 0x6d, kEscape = 0xff1b;

// A stereo 16-bit tone at 48 kHz, after some silence.
QByteArray ToneWav(double hz, double seconds, double silenceSeconds = 0.0, double amplitude = 0.5) {
    const int silent = static_cast<int>(silenceSeconds * kRate);
    const int frames = silent + static_cast<int>(seconds * kRate);
    QByteArray data(frames * 4, '\0');
    auto* pcm = reinterpret_cast<int16_t*>(data.data());
    for (int i = silent; i < frames; ++i) {
        const auto v = static_cast<int16_t>(amplitude * 32767 *
                                            std::sin(2 * std::numbers::pi * hz * (i - silent) / kRate));
        pcm[2 * i] = pcm[2 * i + 1] = v;
    }
    QByteArray wav("RIFF");
    auto put32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    put32(36 + static_cast<uint32_t>(data.size()));
    wav.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(2);
    put32(kRate);
    put32(kRate * 4);
    put16(4);
    put16(16);
    wav.append("data");
    put32(static_cast<uint32_t>(data.size()));
    return wav + data;
}

struct Channel {
    int group;   // 1-based
    int channel; // 1-based
    QString file;
    int volume = 100;
    bool repeat = false;
    bool fadeOut = false;
    double fadeOutSeconds = 1.0;
};

QByteArray GroupFile(int groups, const std::vector<Channel>& channels) {
    QString text = QStringLiteral("[GroupData]\nGroupNum=%1\n").arg(groups);
    for (int g = 1; g <= groups; ++g)
        text += QStringLiteral("GrpName%1=G%2\n").arg(g, 2, 10, QLatin1Char('0')).arg(g);
    text += QStringLiteral("[SoundData]\n");
    for (const Channel& c : channels) {
        const QString id = QStringLiteral("%1-%2")
                               .arg(c.group, 2, 10, QLatin1Char('0'))
                               .arg(c.channel, 2, 10, QLatin1Char('0'));
        text += QStringLiteral("SndName%1=%2\nSndFName%1=%3\nSndVol%1=%4\nSndPan%1=0\nSndRate%1=1.0\n"
                               "SndRepeat%1=%5\nSndFI%1=0\nSndFO%1=%6\nSndTimeFI%1=1.0\nSndTimeFO%1=%7\n")
                    .arg(id, c.file, c.file)
                    .arg(c.volume)
                    .arg(c.repeat ? 1 : 0)
                    .arg(c.fadeOut ? 1 : 0)
                    .arg(c.fadeOutSeconds, 0, 'f', 1);
    }
    return text.toUtf8();
}

// What padora has played so far: the left channel of its recording, read while it grows.
class Recording {
public:
    explicit Recording(QString path) : m_path(std::move(path)) {}

    std::vector<float> Read() const {
        QFile f(m_path);
        std::vector<float> left;
        if (!f.open(QIODevice::ReadOnly))
            return left;
        const QByteArray bytes = f.readAll();
        if (bytes.size() <= 44)
            return left;
        const auto* pcm = reinterpret_cast<const int16_t*>(bytes.constData() + 44);
        const qsizetype frames = (bytes.size() - 44) / 4;
        left.resize(static_cast<size_t>(frames));
        for (qsizetype i = 0; i < frames; ++i)
            left[static_cast<size_t>(i)] = pcm[2 * i] / 32768.0f;
        return left;
    }

    // The last ms of what has been played up to now.
    std::vector<float> Last(int ms) const {
        std::vector<float> all = Read();
        const size_t n = std::min(all.size(), static_cast<size_t>(ms) * kRate / 1000);
        return std::vector<float>(all.end() - static_cast<std::ptrdiff_t>(n), all.end());
    }

private:
    QString m_path;
};

double Rms(const std::vector<float>& s) {
    double sum = 0;
    for (float v : s)
        sum += double(v) * v;
    return s.empty() ? 0.0 : std::sqrt(sum / s.size());
}

// The frequency of a steady tone, from its rising zero crossings.
double Frequency(const std::vector<float>& s) {
    int first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (first < 0)
                first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * double(kRate) / (last - first);
}

void Sleep(int ms) {
    XSession::WaitFor([] { return false; }, ms);
}

class KeysE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_x.IsOpen()) << "no X display";
        ASSERT_TRUE(m_work.isValid());
        ASSERT_TRUE(m_runtime.isValid());
        m_x.SetNumLock(true);
        m_x.SetAutoRepeat(660, 40);
        Write(QStringLiteral("a440.wav"), ToneWav(440, 3.0, 0.05));
        Write(QStringLiteral("b660.wav"), ToneWav(660, 8.0));
        Write(QStringLiteral("c880.wav"), ToneWav(880, 2.0));
        Write(QStringLiteral("d330.wav"), ToneWav(330, 3.0));
    }

    void TearDown() override {
        for (auto& p : m_processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(kExitTimeoutMs);
            }
        }
    }

    void Write(const QString& name, const QByteArray& bytes) {
        QFile f(m_work.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Padora on a set, its window up and its sounds loaded, then the key logger in front with the focus.
    void StartPadora(const QByteArray& set) {
        Write(QStringLiteral("set.pdg"), set);
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("PADORA_AUDIO"),
                   QStringLiteral("record:") + m_work.filePath(QStringLiteral("out.wav")));
        env.remove(QStringLiteral("WAYLAND_DISPLAY")); // the X grab is what is tested here
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_work.path());
        p->start(QStringLiteral(PADORA_BIN), {m_work.filePath(QStringLiteral("set.pdg"))});
        ASSERT_TRUE(p->waitForStarted(kStartTimeoutMs));
        m_padora = p.get();
        m_processes.push_back(std::move(p));
        ASSERT_TRUE(XSession::WaitFor(
            [&] { return !m_x.WindowsOf(m_padora->processId(), QStringLiteral("Padora")).empty(); },
            kStartTimeoutMs))
            << m_padora->readAllStandardError().toStdString();
        Sleep(700); // the loader's run and the capture's grab

        auto client = std::make_unique<QProcess>();
        client->start(QStringLiteral(KEYLOG_CLIENT_BIN), {});
        ASSERT_TRUE(client->waitForStarted(kStartTimeoutMs));
        m_client = client.get();
        m_processes.push_back(std::move(client));
        ASSERT_TRUE(XSession::WaitFor(
            [&] {
                m_clientLog += m_client->readAllStandardOutput();
                return m_clientLog.contains("ready");
            },
            kStartTimeoutMs));
        const QByteArray line = m_clientLog.mid(m_clientLog.indexOf("ready ") + 6).split('\n').first();
        m_clientWindow = line.toULong(nullptr, 16);
        m_x.SetFocus(m_clientWindow);
        ASSERT_EQ(m_x.Focus(), m_clientWindow);
    }

    // Key presses the key logger has received so far.
    int ClientPresses() {
        Sleep(100);
        m_clientLog += m_client->readAllStandardOutput();
        return static_cast<int>(m_clientLog.count("press"));
    }

    void Tap(unsigned long keysym, int times = 1) {
        for (int i = 0; i < times; ++i) {
            m_x.KeyDown(keysym);
            m_x.KeyUp(keysym);
            Sleep(60);
        }
    }
    void With(unsigned long held, unsigned long keysym, int times = 1) {
        m_x.KeyDown(held);
        Sleep(40);
        Tap(keysym, times);
        m_x.KeyUp(held);
        Sleep(40);
    }

    Recording Rec() const { return Recording(m_work.filePath(QStringLiteral("out.wav"))); }

    XSession& m_x = Display();
    static XSession& Display() {
        static XSession session;
        return session;
    }
    QTemporaryDir m_work;
    QTemporaryDir m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QProcess* m_padora = nullptr;
    QProcess* m_client = nullptr;
    QByteArray m_clientLog;
    XWindow m_clientWindow = 0;
};

// Keypad 1 while another program has the focus plays channel 0, and that program sees no key; Esc there
// leaves padora running; once the capture is gone (Esc in padora's window ended it) keys reach the
// other program again.
TEST_F(KeysE2e, CaptureTakesTheKeysFromTheFocusedProgramUntilItEnds) {
    StartPadora(GroupFile(1, {{1, 1, QStringLiteral("a440.wav")}}));
    Tap(kKp1);
    Sleep(300);
    EXPECT_NEAR(Frequency(Rec().Last(150)), 440.0, 5.0) << "channel 0's sound plays";
    EXPECT_EQ(ClientPresses(), 0) << "the focused program received none of the keys";
    EXPECT_EQ(m_x.Focus(), m_clientWindow) << "and kept the focus";

    // Esc typed into the other program is the operator's work there, not a close request.
    Tap(kEscape);
    XSession::WaitFor([&] { return m_padora->state() == QProcess::NotRunning; }, 500);
    ASSERT_EQ(m_padora->state(), QProcess::Running) << "an Esc in another program ended the show";
    // In padora's own window Esc ends it, taking the capture.
    const std::vector<XWindow> mains = m_x.WindowsOf(m_padora->processId(), QStringLiteral("Padora"));
    ASSERT_FALSE(mains.empty());
    m_x.SetFocus(mains.front());
    Sleep(200);
    Tap(kEscape);
    ASSERT_TRUE(XSession::WaitFor([&] { return m_padora->state() == QProcess::NotRunning; }, kExitTimeoutMs));
    m_x.SetFocus(m_clientWindow);
    Tap(kKp1);
    EXPECT_EQ(ClientPresses(), 1) << "keys reach the focused program again";
}

// While a modal window of padora is open (here the open dialog, from the menu) the
// capture is off and keys reach the focused program; once it closes they are captured again.
TEST_F(KeysE2e, ModalWindowsReleaseTheCapture) {
    StartPadora(GroupFile(1, {{1, 1, QStringLiteral("a440.wav")}}));
    const std::vector<XWindow> mains = m_x.WindowsOf(m_padora->processId(), QStringLiteral("Padora"));
    ASSERT_FALSE(mains.empty());
    std::vector<XWindow> before = m_x.TopLevels();
    m_x.Click(mains.front(), QPoint(20, 8)); // the "ファイル(&F)" menu
    XWindow popup = 0;
    ASSERT_TRUE(XSession::WaitFor(
        [&] {
            for (XWindow w : m_x.TopLevels()) {
                if (std::find(before.begin(), before.end(), w) == before.end() &&
                    m_x.Geometry(w).height() > 40)
                    popup = w;
            }
            return popup != 0;
        },
        kStartTimeoutMs));
    // The menu's mnemonic reaches it although the capture holds the keyboard.
    Tap('o'); // "開く(&O)..."
    XWindow dialog = 0;
    ASSERT_TRUE(XSession::WaitFor(
        [&] {
            for (XWindow w : m_x.WindowsOf(m_padora->processId())) {
                if (w != mains.front() && m_x.Geometry(w).height() > 100)
                    dialog = w;
            }
            return dialog != 0;
        },
        kStartTimeoutMs));
    Sleep(300);
    m_x.SetFocus(m_clientWindow);
    Tap(kKp1);
    EXPECT_EQ(ClientPresses(), 1) << "with the open dialog up the keys are the focused program's";

    m_x.SetFocus(dialog);
    Tap(kEscape);
    ASSERT_TRUE(XSession::WaitFor(
        [&] {
            const auto windows = m_x.WindowsOf(m_padora->processId());
            return std::find(windows.begin(), windows.end(), dialog) == windows.end();
        },
        kStartTimeoutMs));
    Sleep(300);
    m_x.SetFocus(m_clientWindow);
    Tap(kKp1);
    Sleep(300);
    EXPECT_EQ(ClientPresses(), 1) << "captured again once the dialog is gone";
    EXPECT_NEAR(Frequency(Rec().Last(150)), 440.0, 5.0);
}

// Ctrl held, then keypad 3: channel 2 stops; with its FO switch on it fades out over its fade time.
TEST_F(KeysE2e, StopKeyHeldStopsOrFadesTheChannel) {
    StartPadora(GroupFile(1, {{1, 3, QStringLiteral("b660.wav")}}));
    Tap(kKp3);
    Sleep(300);
    ASSERT_NEAR(Frequency(Rec().Last(150)), 660.0, 5.0);
    With(kControlL, kKp3);
    // A stop is silent within a block or two; a loaded machine may take a while to write them out, so
    // the record is read until it shows the silence, for less than the shortest fade would take.
    EXPECT_TRUE(XSession::WaitFor([&] { return Rms(Rec().Last(100)) < 1e-4; }, 800)) << "stopped at once";
    EXPECT_EQ(ClientPresses(), 0);
}

TEST_F(KeysE2e, StopKeyHeldFadesTheChannelOutWithFadeOutOn) {
    Channel ch{1, 3, QStringLiteral("b660.wav")};
    ch.fadeOut = true;
    ch.fadeOutSeconds = 1.0;
    StartPadora(GroupFile(1, {ch}));
    Tap(kKp3);
    Sleep(300);
    const double playing = Rms(Rec().Last(100));
    ASSERT_GT(playing, 0.2);
    With(kControlL, kKp3);
    Sleep(400);
    const double fading = Rms(Rec().Last(100));
    EXPECT_LT(fading, 0.9 * playing) << "the level falls";
    EXPECT_GT(fading, 0.1 * playing) << "but not at once";
    Sleep(1200);
    EXPECT_LT(Rms(Rec().Last(100)), 1e-4) << "silent after the fade time";
}

// Up held + keypad 5 three times: channel 4 from volume 50 to 53, measured in what is heard. Master: "M"
// alone does nothing; with Down held it goes down a step per press, with Up held up again.
TEST_F(KeysE2e, VolumeKeysHeldChangeTheChannelAndTheMaster) {
    Channel ch{1, 5, QStringLiteral("c880.wav")};
    ch.volume = 50;
    ch.repeat = true;
    StartPadora(GroupFile(1, {ch}));
    Tap(kKp5);
    Sleep(400);
    const double at50 = Rms(Rec().Last(200));
    ASSERT_GT(at50, 0.05);
    // Attenuation in hundredths of a dB, truncated: 50 → -602, 53 → -551.
    With(kUp, kKp5, 3);
    Sleep(300);
    EXPECT_NEAR(Rms(Rec().Last(200)) / at50, std::pow(10.0, 51 / 2000.0), 0.01);

    Tap(kM);
    Sleep(300);
    EXPECT_NEAR(Rms(Rec().Last(200)) / at50, std::pow(10.0, 51 / 2000.0), 0.01) << "M alone";
    // Master 100 → 90 with channel 53: -551 → 2000 log10(0.477) = -642.
    With(kDown, kM, 10);
    Sleep(300);
    EXPECT_NEAR(Rms(Rec().Last(200)) / at50, std::pow(10.0, (602 - 642) / 2000.0), 0.01);
    // → 95: 2000 log10(0.5035) = -596.
    With(kUp, kM, 5);
    Sleep(300);
    EXPECT_NEAR(Rms(Rec().Last(200)) / at50, std::pow(10.0, (602 - 596) / 2000.0), 0.01);
    EXPECT_EQ(ClientPresses(), 0);
}

// Space stops everything; Left / Right step through the groups, doing nothing at the first / last tab.
// The program that has the focus keeps it, although each switch shows the loader.
TEST_F(KeysE2e, AllStopAndGroupKeys) {
    StartPadora(GroupFile(2, {{1, 1, QStringLiteral("a440.wav")},
                              {1, 3, QStringLiteral("b660.wav")},
                              {2, 1, QStringLiteral("d330.wav")}}));
    Tap(kKp1);
    Tap(kKp3);
    Sleep(300);
    ASSERT_GT(Rms(Rec().Last(100)), 0.2);
    Tap(kSpace);
    Sleep(250);
    EXPECT_LT(Rms(Rec().Last(100)), 1e-4);

    Tap(kLeft); // first tab: nothing
    Sleep(300);
    Tap(kKp1);
    Sleep(300);
    EXPECT_NEAR(Frequency(Rec().Last(150)), 440.0, 5.0);

    Tap(kRight); // to the second group: what played stops
    Sleep(700);
    EXPECT_LT(Rms(Rec().Last(100)), 1e-4);
    Tap(kKp1);
    Sleep(300);
    EXPECT_NEAR(Frequency(Rec().Last(150)), 330.0, 5.0) << "pad 1 of the second group";

    Tap(kRight); // last tab: nothing, the sound goes on
    Sleep(300);
    EXPECT_NEAR(Frequency(Rec().Last(150)), 330.0, 5.0);

    Tap(kLeft);
    Sleep(700);
    Tap(kKp1);
    Sleep(300);
    EXPECT_NEAR(Frequency(Rec().Last(150)), 440.0, 5.0) << "back in the first group";
    EXPECT_EQ(ClientPresses(), 0);
    EXPECT_EQ(m_x.Focus(), m_clientWindow) << "the loader of each switch left the focus where it was";
}

// A held channel key restarts its sound at every auto-repeat: the sound's leading 50 ms of silence
// comes back again and again.
TEST_F(KeysE2e, AutoRepeatRestartsTheSound) {
    StartPadora(GroupFile(1, {{1, 1, QStringLiteral("a440.wav")}}));
    m_x.SetAutoRepeat(200, 150);
    const size_t before = Rec().Read().size();
    m_x.KeyDown(kKp1);
    Sleep(1300);
    m_x.KeyUp(kKp1);
    Sleep(200);
    const std::vector<float> all = Rec().Read();
    ASSERT_GT(all.size(), before);
    // Silent stretches of at least 20 ms after sound began.
    int gaps = 0, silentRun = 0;
    bool sounded = false;
    for (size_t i = before; i < all.size(); ++i) {
        if (std::abs(all[i]) > 1e-3) {
            if (sounded && silentRun > kRate / 50)
                ++gaps;
            sounded = true;
            silentRun = 0;
        } else {
            ++silentRun;
        }
    }
    EXPECT_GE(gaps, 4) << "restarted at the repeats";
    EXPECT_EQ(ClientPresses(), 0);
}

} // namespace
