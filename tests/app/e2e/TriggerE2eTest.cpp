#include "E2eRecording.h"
#include "XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

// Command-line triggers fired from a second process at the real program, heard in what it recorded.
namespace {

constexpr int kTimeoutMs = 15000;
constexpr int kRate = 48000;
// A trigger has no window to wait for: it is over in moments, or something is wrong.
constexpr int kTriggerTimeoutMs = 5000;

struct TriggerRun {
    int status = -1;
    QString out;
    QString err;
    qint64 ms = -1;
};

class TriggerE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_x.IsOpen()) << "no X display";
        ASSERT_TRUE(m_work.isValid());
        ASSERT_TRUE(m_runtime.isValid());
    }

    void TearDown() override {
        if (!m_padora)
            return;
        const bool ran = m_padora->state() != QProcess::NotRunning;
        if (ran) {
            m_padora->kill();
            m_padora->waitForFinished(5000);
        }
        // What the program said tells why a trigger found nobody.
        if (HasFailure())
            std::fprintf(stderr, "padora %s (status %d):\n%s\n", ran ? "was running" : "had ended",
                         m_padora->exitCode(), m_padora->readAllStandardError().constData());
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("PADORA_AUDIO"), QStringLiteral("record:") + RecordPath());
        return env;
    }

    // Padora on a set of two groups; channel 1 of the first repeats a tone.
    void StartPadora() {
        Write(QStringLiteral("tone.wav"),
              e2e::MakeWav(4.0, [](double t) { return e2e::Sine(t, 440, -6.0); }));
        Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=0\n");
        Write(QStringLiteral("set.pdg"),
              "[GroupData]\nGroupNum=2\nGrpName01=トリガー\nGrpName02=Second\n[SoundData]\n"
              "SndName01-01=tone\nSndFName01-01=./tone.wav\nSndVol01-01=100\nSndPan01-01=0\n"
              "SndRate01-01=1.0\nSndRepeat01-01=1\nSndFI01-01=0\nSndFO01-01=0\n"
              "SndTimeFI01-01=1.0\nSndTimeFO01-01=1.0\n");
        m_padora = std::make_unique<QProcess>();
        m_padora->setProcessEnvironment(Environment());
        m_padora->setWorkingDirectory(m_work.path());
        m_padora->start(QStringLiteral(PADORA_BIN), {QStringLiteral("set.pdg")});
        ASSERT_TRUE(m_padora->waitForStarted(kTimeoutMs));
        ASSERT_TRUE(
            XSession::WaitFor([&] { return !m_x.WindowsOf(m_padora->processId()).empty(); }, kTimeoutMs))
            << "no main window";
        // Until the window has started its remotes, triggers are refused.
        ASSERT_TRUE(
            XSession::WaitFor([&] { return Trigger({QStringLiteral("--state")}).status == 0; }, kTimeoutMs));
    }

    // program ARGS from a second process; without a display unless withDisplay, so that a trigger that
    // tried to open one would fail. locale: LANG, with the other locale variables unset (none: as the
    // test runs).
    TriggerRun Trigger(const QStringList& args, bool withDisplay = false, const char* program = PADORA_BIN,
                       const QString& locale = {}) const {
        QProcessEnvironment env = Environment();
        if (!locale.isEmpty()) {
            for (const char* var : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
                env.remove(QString::fromLatin1(var));
            env.insert(QStringLiteral("LANG"), locale);
        }
        if (!withDisplay) {
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_work.path());
        QElapsedTimer timer;
        timer.start();
        p.start(QString::fromUtf8(program), args);
        TriggerRun run;
        if (!p.waitForFinished(kTriggerTimeoutMs) || p.exitStatus() != QProcess::NormalExit) {
            p.kill();
            p.waitForFinished();
            return run;
        }
        run.ms = timer.elapsed();
        run.status = p.exitCode();
        run.out = QString::fromUtf8(p.readAllStandardOutput());
        run.err = QString::fromUtf8(p.readAllStandardError());
        return run;
    }

    // The fields of the state line: group, name, ten play states, busy, sounds of other groups.
    QStringList State() const {
        const TriggerRun run = Trigger({QStringLiteral("--state")});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.endsWith(QLatin1Char('\n')));
        return run.out.chopped(1).split(QLatin1Char('\t'));
    }

    QString RecordPath() const { return m_work.filePath(QStringLiteral("heard.wav")); }

    void Write(const QString& name, const QByteArray& bytes) const {
        QFile f(m_work.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Frames recorded so far: as good as now on the recording's clock (its header follows within 20 ms).
    qint64 Frames() const { return std::max<qint64>(0, (QFileInfo(RecordPath()).size() - 44) / 4); }

    // RMS of the left side over [from, from + seconds), waiting until it is recorded.
    double Rms(qint64 from, double seconds) const {
        const auto count = static_cast<qint64>(seconds * kRate);
        if (!XSession::WaitFor([&] { return Frames() >= from + count; }, kTimeoutMs))
            return -1;
        QFile f(RecordPath());
        if (!f.open(QIODevice::ReadOnly) || !f.seek(44 + from * 4))
            return -1;
        const QByteArray bytes = f.read(count * 4);
        double sum = 0;
        for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) {
            const double s = qFromLittleEndian<std::int16_t>(bytes.constData() + i) / 32768.0;
            sum += s * s;
        }
        return std::sqrt(sum / static_cast<double>(count));
    }

    XSession m_x;
    QTemporaryDir m_work;
    QTemporaryDir m_runtime; // private to the user, as $XDG_RUNTIME_DIR is
    std::unique_ptr<QProcess> m_padora;
};

} // namespace

TEST_F(TriggerE2e, PadStopGroupAndStateFromASecondProcessActOnTheRunningShow) {
    ASSERT_NO_FATAL_FAILURE(StartPadora());
    QStringList state = State();
    ASSERT_EQ(state.size(), 14) << state.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(state[0], QStringLiteral("1"));
    EXPECT_EQ(state[1], QStringLiteral("トリガー"));
    EXPECT_EQ(state.mid(2, 10).join(QLatin1Char(' ')), QStringLiteral("0 -1 -1 -1 -1 -1 -1 -1 -1 -1"));
    EXPECT_EQ(state[12], QStringLiteral("0")) << "busy";
    EXPECT_EQ(state[13], QStringLiteral("0")) << "sounds of other groups";
    const qint64 quiet = Frames();
    EXPECT_LT(Rms(quiet, 0.2), 0.001) << "sound before any trigger";

    // Channel 1, as its key plays it; heard at once.
    const qint64 before = Frames();
    const TriggerRun pad = Trigger({QStringLiteral("--pad"), QStringLiteral("1")});
    EXPECT_EQ(pad.status, 0) << pad.err.toStdString();
    EXPECT_TRUE(pad.out.isEmpty() && pad.err.isEmpty()) << pad.err.toStdString();
    std::printf("trigger run: %lld ms\n", static_cast<long long>(pad.ms));
    EXPECT_GT(Rms(before + kRate / 10, 0.3), 0.05) << "the pad was not heard";
    EXPECT_EQ(State().value(2), QStringLiteral("1")) << "channel 1 not playing";

    // The pad with the stop key held: it stops, and the recording goes quiet.
    const TriggerRun stop = Trigger({QStringLiteral("--stop"), QStringLiteral("1")});
    EXPECT_EQ(stop.status, 0) << stop.err.toStdString();
    const qint64 stopped = Frames();
    EXPECT_LT(Rms(stopped + kRate / 10, 0.3), 0.001) << "still heard after --stop 1";
    EXPECT_EQ(State().value(2), QStringLiteral("0"));

    // Groups from 1; one the set does not have is refused as a bad argument and changes nothing.
    // The window program takes the same options and acts the same, as a second start does.
    EXPECT_EQ(Trigger({QStringLiteral("--group"), QStringLiteral("2")}, false, PADORA_WINDOW_BIN).status, 0);
    ASSERT_TRUE(XSession::WaitFor([&] { return State().value(1) == QStringLiteral("Second"); }, kTimeoutMs));
    EXPECT_EQ(State().value(0), QStringLiteral("2"));
    const TriggerRun missing = Trigger({QStringLiteral("--group"), QStringLiteral("3")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_FALSE(missing.err.isEmpty());
    EXPECT_EQ(Trigger({QStringLiteral("--group"), QStringLiteral("prev")}).status, 0);
    ASSERT_TRUE(XSession::WaitFor([&] { return State().value(0) == QStringLiteral("1"); }, kTimeoutMs));

    // The program still runs its one show.
    EXPECT_EQ(m_padora->state(), QProcess::Running);
    EXPECT_FALSE(m_x.WindowsOf(m_padora->processId()).empty());
}

TEST_F(TriggerE2e, WithoutAPadoraOrWithBadArgumentsATriggerEndsAtOnceWithoutAWindow) {
    const std::size_t windows = m_x.TopLevels().size();
    const TriggerRun none = Trigger({QStringLiteral("--pad"), QStringLiteral("1")}, true);
    EXPECT_EQ(none.status, 1);
    EXPECT_FALSE(none.err.isEmpty());
    EXPECT_TRUE(none.out.isEmpty());

    EXPECT_EQ(Trigger({QStringLiteral("--state")}, true, PADORA_WINDOW_BIN).status, 1);
    EXPECT_EQ(Trigger({QStringLiteral("--master"), QStringLiteral("101")}, true, PADORA_WINDOW_BIN).status,
              2);
    for (const QStringList& args : {QStringList{QStringLiteral("--pad"), QStringLiteral("11")},
                                    QStringList{QStringLiteral("--volume"), QStringLiteral("1")},
                                    QStringList{QStringLiteral("--group"), QStringLiteral("first")},
                                    QStringList{QStringLiteral("--state"), QStringLiteral("set.pdg")}}) {
        const TriggerRun bad = Trigger(args, true);
        EXPECT_EQ(bad.status, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(bad.err.contains(QStringLiteral("padora: "))) << bad.err.toStdString();
    }
    EXPECT_EQ(m_x.TopLevels().size(), windows) << "a trigger run made a window";

    // In the language the window program would speak: the desktop's, or the one its settings choose.
    const QStringList pad = {QStringLiteral("--pad"), QStringLiteral("1")};
    const QStringList volume = {QStringLiteral("--volume"), QStringLiteral("1")};
    EXPECT_EQ(Trigger(pad, true, PADORA_BIN, QStringLiteral("C.UTF-8")).err,
              QStringLiteral("padora: Padora は起動していません。\n"));
    EXPECT_EQ(Trigger(pad, true, PADORA_BIN, QStringLiteral("en_GB.UTF-8")).err,
              QStringLiteral("padora: Padora is not running.\n"));
    Write(QStringLiteral("Padora.INI"), "[UI]\r\nLanguage=en\r\n");
    EXPECT_EQ(Trigger(volume, true, PADORA_BIN, QStringLiteral("ja_JP.UTF-8")).err,
              QStringLiteral("padora: --volume needs a channel number (1 to 10) and a volume (0 to 100).\n"));
    EXPECT_EQ(Trigger(volume, true, PADORA_WINDOW_BIN, QStringLiteral("ja_JP.UTF-8")).err,
              QStringLiteral("padora: --volume needs a channel number (1 to 10) and a volume (0 to 100).\n"
                             "See padora --help for more.\n"));
    QFile::remove(m_work.filePath(QStringLiteral("Padora.INI")));
}
