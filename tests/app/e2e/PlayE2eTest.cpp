#include "E2eRecording.h"
#include "MainLayout.h"
#include "XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

// The operator plays a show with the mouse. What was heard is read back from the recording that the
// record: output writes while Padora runs.
namespace {

constexpr int kTimeoutMs = 15000;
constexpr int kRate = 48000;
constexpr unsigned long kKeyReturn = 0xff0d;
const QString kMainTitle = QStringLiteral("Padora");
constexpr const int (&kStripX)[10] = e2e::CMainLayout::kStripX;

using e2e::MakeWav;
using e2e::Recording;
using e2e::Sine;

class PlayE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_x.IsOpen()) << "no X display";
        ASSERT_TRUE(m_work.isValid());
        ASSERT_TRUE(m_runtime.isValid());
    }

    void TearDown() override {
        for (auto& p : m_processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    QProcess* Start(const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        // OSC off: parallel runs never compete for the default port.
        env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("PADORA_AUDIO"), QStringLiteral("record:") + RecordPath());
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_work.path());
        // These flows use the menus from the keyboard; background key capture has tests of its own.
        if (!QFile::exists(m_work.filePath(QStringLiteral("Padora.INI"))))
            Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=0\n");
        p->start(QStringLiteral(PADORA_BIN), args);
        EXPECT_TRUE(p->waitForStarted(kTimeoutMs));
        m_processes.push_back(std::move(p));
        return m_processes.back().get();
    }

    QString RecordPath() const { return m_work.filePath(QStringLiteral("heard.wav")); }

    XWindow WaitForWindow(QProcess* p, const QString& title) {
        XWindow found = 0;
        XSession::WaitFor(
            [&] {
                const auto windows = m_x.WindowsOf(p->processId(), title);
                found = windows.empty() ? 0 : windows.front();
                return found != 0 || p->state() == QProcess::NotRunning;
            },
            kTimeoutMs);
        return found;
    }

    // Answers a message box of the program by its title with a key; false when none came.
    bool Answer(QProcess* p, const QString& title, unsigned long keysym) {
        const XWindow box = WaitForWindow(p, title);
        if (!box)
            return false;
        m_x.SetFocus(box);
        QThread::msleep(100);
        m_x.PressKey(keysym);
        // That box goes; another with the same title may follow at once.
        return XSession::WaitFor(
            [&] {
                const auto windows = m_x.WindowsOf(p->processId(), title);
                return std::find(windows.begin(), windows.end(), box) == windows.end();
            },
            kTimeoutMs);
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_work.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    // Encodes a WAV into another format with the ffmpeg command line.
    QString Encode(const QString& wav, const QString& name) {
        const QString out = m_work.filePath(name);
        QProcess ff;
        ff.start(QStringLiteral("ffmpeg"), {QStringLiteral("-loglevel"), QStringLiteral("error"),
                                            QStringLiteral("-y"), QStringLiteral("-i"), wav, out});
        EXPECT_TRUE(ff.waitForFinished(60000));
        EXPECT_EQ(ff.exitCode(), 0) << ff.readAllStandardError().toStdString();
        return out;
    }

    // A point of the main window's client area given in dialog units.
    QPoint At(XWindow main, double xUnits, double yUnits) const {
        return m_layout.At(m_x.Geometry(main).height(), xUnits, yUnits);
    }
    QColor ColorAt(XWindow main, double xUnits, double yUnits) const {
        const QPoint p = At(main, xUnits, yUnits);
        return m_x.Capture(main).pixelColor(p);
    }
    // The pad's face, away from its caption and gloss.
    QColor PadColor(XWindow main, int i) const { return ColorAt(main, kStripX[i] + 4, 303); }
    // Pad faces, also lightened while the mouse rests on the pad.
    static bool IsPlayingColor(QColor c) { return c.red() > 190 && c.red() - c.green() > 60; }
    static bool IsStoppedColor(QColor c) {
        return c.red() > 100 && c.red() < 170 && c.red() - c.green() > 30;
    }
    static bool IsGreyColor(QColor c) {
        return qAbs(c.red() - c.green()) < 12 && qAbs(c.green() - c.blue()) < 12;
    }
    bool WaitForPad(XWindow main, int i, bool (*is)(QColor)) const {
        return XSession::WaitFor([&] { return is(PadColor(main, i)); }, kTimeoutMs);
    }

    // Clicks, then rests the mouse on the background so that no button shows its hover colour.
    void ClickAndLeave(XWindow main, QPoint p) {
        m_x.Click(main, p);
        m_x.MoveMouse(main, At(main, 1, 311));
    }
    void ClickPad(XWindow main, int i) { ClickAndLeave(main, m_layout.Pad(m_x.Geometry(main).height(), i)); }
    void ClickSwitch(XWindow main, int i, int row) {
        ClickAndLeave(main, At(main, kStripX[i] + 26, 174 + 13 * row));
    }
    void ClickAllStop(XWindow main) {
        ClickAndLeave(main, At(main, e2e::CMainLayout::kAllStopX, e2e::CMainLayout::kPadY));
    }

    XSession& Display() {
        static XSession session;
        return session;
    }

    XSession& m_x = Display();
    QTemporaryDir m_work;
    QTemporaryDir m_runtime;
    e2e::CMainLayout m_layout;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// Group file text: each channel as (title, file, volume, repeat, fade-in, fade-in time).
struct Ch {
    QString title;
    QString file;
    int volume = 100;
    int fadeIn = 0;
    double timeFadeIn = 5.0;
    int pan = 0;
    int repeat = 0;
};

QByteArray GroupFile(const QList<QPair<QString, QList<Ch>>>& groups) {
    QByteArray out = "[GroupData]\nGroupNum=" + QByteArray::number(groups.size()) + "\n";
    for (int g = 0; g < groups.size(); ++g)
        out += QStringLiteral("GrpName%1=%2\n")
                   .arg(g + 1, 2, 10, QLatin1Char('0'))
                   .arg(groups[g].first)
                   .toUtf8();
    out += "[SoundData]\n";
    for (int g = 0; g < groups.size(); ++g) {
        for (int c = 0; c < groups[g].second.size(); ++c) {
            const Ch& ch = groups[g].second[c];
            const QString key = QStringLiteral("%1-%2")
                                    .arg(g + 1, 2, 10, QLatin1Char('0'))
                                    .arg(c + 1, 2, 10, QLatin1Char('0'));
            out += QStringLiteral("SndName%1=%2\nSndFName%1=%3\nSndVol%1=%4\nSndPan%1=%7\nSndRate%1=1.0\n"
                                  "SndRepeat%1=%8\nSndFI%1=%5\nSndFO%1=0\nSndTimeFI%1=%6\nSndTimeFO%1=5.0\n")
                       .arg(key, ch.title, ch.file)
                       .arg(ch.volume)
                       .arg(ch.fadeIn)
                       .arg(ch.timeFadeIn, 0, 'f', 1)
                       .arg(ch.pan)
                       .arg(ch.repeat)
                       .toUtf8();
        }
    }
    return out;
}

} // namespace

TEST_F(PlayE2e, AnOperatorPlaysAShowWithTheMouse) {
    // Channel 1: a loud quarter second, then near silence, so that a restart is heard.
    const QString restart = Write(QStringLiteral("restart.wav"),
                                  MakeWav(2.0, [](double t) { return Sine(t, 1000, t < 0.25 ? -6 : -46); }));
    // Channel 2: a short ogg for repeat. Channel 3: an mp3 to fade in. Channel 4: a long tone.
    const QString shortOgg = Encode(
        Write(QStringLiteral("short-src.wav"), MakeWav(0.3, [](double t) { return Sine(t, 440, -6); })),
        QStringLiteral("short.ogg"));
    const QString riseMp3 = Encode(
        Write(QStringLiteral("rise-src.wav"), MakeWav(3.0, [](double t) { return Sine(t, 1000, -6); })),
        QStringLiteral("rise.mp3"));
    const QString tone =
        Write(QStringLiteral("tone.wav"), MakeWav(12.0, [](double t) { return Sine(t, 500, -6); }));
    const QString other =
        Write(QStringLiteral("other.wav"), MakeWav(3.0, [](double t) { return Sine(t, 2000, -6); }));
    const QString set = Write(
        QStringLiteral("show.pdg"),
        GroupFile({{QStringLiteral("G1"),
                    {Ch{QStringLiteral("Restart"), restart}, Ch{QStringLiteral("Loop"), shortOgg},
                     Ch{QStringLiteral("Rise"), riseMp3, 100, 0, 1.0}, Ch{QStringLiteral("Tone"), tone}}},
                   {QStringLiteral("SecondGroupWithALongName"), {Ch{QStringLiteral("Other"), other, 100}}}}));

    QProcess* padora = Start({set});
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor)) << "sounds not loaded";
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(IsStoppedColor(PadColor(main, i))) << i;
    EXPECT_TRUE(IsGreyColor(PadColor(main, 4)));
    const Recording rec(RecordPath());
    ASSERT_TRUE(XSession::WaitFor([&] { return rec.Frames() > 0; }, kTimeoutMs));

    // A pad: the playing colour and the sound; pressed again, it starts over.
    qint64 mark = rec.Frames();
    ClickPad(main, 0);
    EXPECT_TRUE(WaitForPad(main, 0, IsPlayingColor)) << PadColor(main, 0).name().toStdString();
    EXPECT_GT(rec.Rms(mark, 0.5), 0.2) << "the first quarter second is loud";
    QThread::msleep(400);
    const qint64 quiet = rec.Frames();
    EXPECT_LT(rec.Rms(quiet, 0.1), 0.02) << "then near silence";
    mark = rec.Frames();
    ClickPad(main, 0);
    EXPECT_GT(rec.Rms(mark, 0.4), 0.15) << "the loud start again: restarted";
    ClickAllStop(main);
    EXPECT_TRUE(WaitForPad(main, 0, IsStoppedColor));

    // R on: a 0.3 s sound is still heard a second after it started.
    ClickSwitch(main, 1, 0);
    mark = rec.Frames();
    ClickPad(main, 1);
    EXPECT_GT(rec.Rms(mark + Recording::FramesOf(0.9), 0.5), 0.1) << "repeats";
    ClickAllStop(main);

    // FI on (1 s): the level rises over the fade time.
    ClickSwitch(main, 2, 1);
    QThread::msleep(100);
    mark = rec.Frames();
    ClickPad(main, 2);
    const double early = rec.Rms(mark + Recording::FramesOf(0.1), 0.25);
    const double middle = rec.Rms(mark + Recording::FramesOf(0.45), 0.25);
    const double full = rec.Rms(mark + Recording::FramesOf(1.4), 0.3);
    EXPECT_LT(early, middle * 0.8);
    EXPECT_LT(middle, full * 0.9);
    EXPECT_GT(full, 0.25);
    ClickAllStop(main);

    // A long tone: the fader lowers it, the master silences it and brings it back.
    ClickPad(main, 3);
    QThread::msleep(300);
    const double before = rec.Rms(rec.Frames(), 0.2);
    EXPECT_GT(before, 0.3);
    const QPoint faderTop = At(main, kStripX[3] + 8.5, 170);
    m_x.Drag(main, faderTop, At(main, kStripX[3] + 8.5, 221));
    QThread::msleep(250);
    const double lowered = rec.Rms(rec.Frames(), 0.2);
    EXPECT_LT(lowered, before * 0.7) << "fader down";
    EXPECT_GT(lowered, 0.005);
    m_x.Drag(main, At(main, 374.5, 170), At(main, 374.5, 276));
    QThread::msleep(250);
    EXPECT_LT(rec.Rms(rec.Frames(), 0.2), 1e-3) << "master at 0";
    m_x.Drag(main, At(main, 374.5, 274), At(main, 374.5, 150));
    QThread::msleep(250);
    EXPECT_NEAR(rec.Rms(rec.Frames(), 0.2), lowered, lowered * 0.2) << "master back";

    // The monitor list: the time column moves once a second while the tone plays, and nothing else does.
    const QRect list(At(main, 4, 30), At(main, 393, 150));
    std::vector<qint64> changes;
    QImage last = m_x.Capture(main).copy(list);
    QElapsedTimer watch;
    watch.start();
    while (watch.elapsed() < 2600) {
        QThread::msleep(50);
        const QImage now = m_x.Capture(main).copy(list);
        if (now != last)
            changes.push_back(watch.elapsed());
        last = now;
    }
    ASSERT_GE(changes.size(), 2u);
    for (std::size_t i = 1; i < changes.size(); ++i)
        EXPECT_NEAR(changes[i] - changes[i - 1], 1000, 350) << "list redrawn at " << changes[i];

    // The PAN knob turned fully right: the left side falls silent. The SPD knob from 10 to 20: pitch doubles.
    const QPoint pan = At(main, kStripX[3] + 26, 265);
    m_x.Drag(main, pan, pan - QPoint(0, 70));
    QThread::msleep(250);
    qint64 now = rec.Frames();
    EXPECT_LT(rec.Rms(now, 0.2, 0), 1e-3);
    EXPECT_GT(rec.Rms(now, 0.2, 1), 0.005);
    EXPECT_NEAR(rec.Frequency(now, 0.2, 1), 500, 30);
    const QPoint spd = At(main, kStripX[3] + 26, 240);
    m_x.Drag(main, spd, spd - QPoint(0, 10));
    QThread::msleep(250);
    now = rec.Frames();
    EXPECT_NEAR(rec.Frequency(now, 0.2, 1), 1000, 50) << "rate 2.0";

    // A tab clicked while the tone plays: it stops, the other group's sound is loaded and plays.
    const QPoint secondTab = At(main, 60, 6);
    m_x.Capture(main).save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-playing.png"));
    m_x.Click(main, secondTab);
    ASSERT_TRUE(WaitForPad(main, 1, IsGreyColor));
    EXPECT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    QThread::msleep(200);
    EXPECT_LT(rec.Rms(rec.Frames(), 0.2), 1e-3) << "the first group stopped";
    mark = rec.Frames();
    ClickPad(main, 0);
    QThread::msleep(100);
    EXPECT_NEAR(rec.Frequency(mark + Recording::FramesOf(0.2), 0.3, 0), 2000, 60);

    // New: the knobs changed the set, so it asks; No discards it: one group, ten grey pads.
    m_x.Click(main, QPoint(20, 8)); // "ファイル(&F)"
    QThread::msleep(300);
    m_x.PressKey('n'); // 新規作成(&N)
    ASSERT_TRUE(Answer(padora, QStringLiteral("確認"), 'n'));
    EXPECT_TRUE(WaitForPad(main, 0, IsGreyColor));
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(IsGreyColor(PadColor(main, i))) << i;
    m_x.RequestClose(main);
    EXPECT_TRUE(XSession::WaitFor([&] { return padora->state() == QProcess::NotRunning; }, kTimeoutMs));
}

TEST_F(PlayE2e, SaveAsAndOpenRoundTripTheSetThroughTheFileDialogs) {
    const QString tone =
        Write(QStringLiteral("tone.wav"), MakeWav(1.0, [](double t) { return Sine(t, 500, -6); }));
    const QString set = Write(
        QStringLiteral("show.pdg"),
        GroupFile({{QStringLiteral("G1"), {Ch{QStringLiteral("Tone"), tone}}}, {QStringLiteral("G2"), {}}}));
    QProcess* padora = Start({set});
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u);
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    // The SPD knob changes the set.
    const QPoint spd = At(main, kStripX[0] + 26, 240);
    m_x.Drag(main, spd, spd - QPoint(0, 5));

    const QString saved = m_work.filePath(QStringLiteral("copy.pdg"));
    m_x.Click(main, QPoint(20, 8));
    QThread::msleep(300);
    m_x.PressKey('a'); // 名前を付けて保存(&A)...
    XWindow dialog = 0;
    ASSERT_TRUE(XSession::WaitFor(
        [&] {
            for (XWindow w : m_x.WindowsOf(padora->processId()))
                if (w != main)
                    dialog = w;
            return dialog != 0;
        },
        kTimeoutMs));
    // Qt's file dialog speaks the program's language.
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return !m_x.WindowsOf(padora->processId(), QStringLiteral("名前を付けて保存")).empty(); },
        kTimeoutMs));
    m_x.SetFocus(dialog);
    QThread::msleep(300);
    m_x.TypeText(saved);
    m_x.PressKey(kKeyReturn);
    ASSERT_TRUE(XSession::WaitFor([&] { return QFile::exists(saved); }, kTimeoutMs));
    const QByteArray text = [&] {
        QFile f(saved);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_TRUE(text.contains("GrpName02=G2")) << text.toStdString();
    EXPECT_TRUE(text.contains("SndRate01-01=1.5")) << text.toStdString();

    // New (saved: no question), then Open the copy: the sound is back.
    m_x.Click(main, QPoint(20, 8));
    QThread::msleep(300);
    m_x.PressKey('n');
    ASSERT_TRUE(WaitForPad(main, 0, IsGreyColor));
    EXPECT_TRUE(m_x.WindowsOf(padora->processId(), QStringLiteral("確認")).empty());
    m_x.Click(main, QPoint(20, 8));
    QThread::msleep(300);
    m_x.PressKey('o');
    dialog = 0;
    ASSERT_TRUE(XSession::WaitFor(
        [&] {
            for (XWindow w : m_x.WindowsOf(padora->processId()))
                if (w != main)
                    dialog = w;
            return dialog != 0;
        },
        kTimeoutMs));
    m_x.SetFocus(dialog);
    QThread::msleep(300);
    m_x.TypeText(saved);
    m_x.PressKey(kKeyReturn);
    EXPECT_TRUE(WaitForPad(main, 0, IsStoppedColor));
}

TEST_F(PlayE2e, AMissingAndAnUnsupportedFileAreReportedAndTheRestLoads) {
    const QString tone =
        Write(QStringLiteral("tone.wav"), MakeWav(1.0, [](double t) { return Sine(t, 500, -6); }));
    const QString notes = Write(QStringLiteral("notes.xyz"), "text");
    const QString set =
        Write(QStringLiteral("show.pdg"),
              GroupFile({{QStringLiteral("G1"),
                          {Ch{QStringLiteral("Gone"), m_work.filePath(QStringLiteral("gone.wav"))},
                           Ch{QStringLiteral("Notes"), notes}, Ch{QStringLiteral("Tone"), tone}}}}));
    QProcess* padora = Start({set});
    // Two boxes with the application title, one after the other, while the sounds load.
    ASSERT_TRUE(Answer(padora, kMainTitle, kKeyReturn));
    ASSERT_TRUE(Answer(padora, kMainTitle, kKeyReturn));
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u);
    EXPECT_TRUE(WaitForPad(main, 2, IsStoppedColor));
    EXPECT_TRUE(IsGreyColor(PadColor(main, 0)));
    EXPECT_TRUE(IsGreyColor(PadColor(main, 1)));
}

TEST_F(PlayE2e, SoundFilesDraggedFromAFileManagerOntoAPadLoadThereAndPlay) {
    const QString tone =
        Write(QStringLiteral("tone.wav"), MakeWav(2.0, [](double t) { return Sine(t, 500, -6); }));
    const QString bell =
        Write(QStringLiteral("drop/bell.wav"), MakeWav(4.0, [](double t) { return Sine(t, 1000, -6); }));
    const QString wind =
        Write(QStringLiteral("drop/wind.wav"), MakeWav(4.0, [](double t) { return Sine(t, 300, -6); }));
    const QString set = Write(QStringLiteral("show.pdg"),
                              GroupFile({{QStringLiteral("G1"), {Ch{QStringLiteral("Tone"), tone}}}}));
    // Background key capture on, as Padora starts by default: it takes the keyboard, not the mouse.
    Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=1\n");

    QProcess* padora = Start({set});
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    const Recording rec(RecordPath());
    ASSERT_TRUE(XSession::WaitFor([&] { return rec.Frames() > 0; }, kTimeoutMs));

    QProcess source;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    source.setProcessEnvironment(env);
    source.start(QStringLiteral(DRAG_SOURCE_BIN), {bell, wind});
    ASSERT_TRUE(source.waitForStarted(kTimeoutMs));
    const XWindow from = WaitForWindow(&source, QStringLiteral("drag-source"));
    ASSERT_NE(from, 0u);
    QThread::msleep(200);

    // Onto pad "3": it takes the first file, the next empty pad the second.
    m_x.Drag(from, QPoint(80, 60), main, At(main, kStripX[2] + 16, 292));
    ASSERT_TRUE(source.waitForFinished(kTimeoutMs));
    m_x.MoveMouse(main, At(main, 1, 311)); // off the pad: no hover colour
    EXPECT_EQ(source.readAllStandardOutput().trimmed().split('\n').last(),
              QByteArray("copy")); // the file manager keeps its files
    EXPECT_TRUE(WaitForPad(main, 2, IsStoppedColor)) << PadColor(main, 2).name().toStdString();
    EXPECT_TRUE(WaitForPad(main, 3, IsStoppedColor)) << PadColor(main, 3).name().toStdString();
    EXPECT_TRUE(IsGreyColor(PadColor(main, 1)));
    EXPECT_TRUE(IsGreyColor(PadColor(main, 4)));

    // The dropped sound plays from its pad.
    const qint64 mark = rec.Frames();
    ClickPad(main, 2);
    EXPECT_TRUE(WaitForPad(main, 2, IsPlayingColor));
    ASSERT_TRUE(rec.WaitFor(mark + 48000));
    EXPECT_NEAR(rec.Frequency(mark + 12000, 0.5, 0), 1000.0, 20.0);
}

namespace {

// Music for the background: a sweep from 300 Hz up by 50 Hz a second, so that where it is can be heard;
// a restart would fall back to 300 Hz, a pause would lag behind the clock.
double SweepAt(double t) {
    return std::pow(10.0, -6.0 / 20.0) * std::sin(2.0 * std::numbers::pi * (300.0 * t + 25.0 * t * t));
}

} // namespace

// The music in group 1 is panned hard left, the effect in group 2 hard right: each side is one sound.
class KeepPlayingE2e : public PlayE2e {
protected:
    QProcess* StartShow(bool keepPlaying) {
        const QString music = Write(QStringLiteral("music.wav"), MakeWav(8.0, SweepAt));
        const QString effect =
            Write(QStringLiteral("door.wav"), MakeWav(4.0, [](double t) { return Sine(t, 2000, -6); }));
        const QString set = Write(
            QStringLiteral("show.pdg"),
            GroupFile({{QStringLiteral("G1"), {Ch{QStringLiteral("Music"), music, 100, 0, 5.0, -50, 1}}},
                       {QStringLiteral("SecondGroupWithALongName"),
                        {Ch{QStringLiteral("Door"), effect, 100, 0, 5.0, 50, 0}}}}));
        Write(QStringLiteral("Padora.INI"),
              QByteArray("[Option]\nGetNoActive=0\n[Show]\nKeepPlaying=") + (keepPlaying ? "1" : "0") + "\n");
        return Start({set});
    }
    QPoint FirstTab(XWindow main) const { return At(main, 6, 6); }
    QPoint SecondTab(XWindow main) const { return At(main, 60, 6); }
};

TEST_F(KeepPlayingE2e, MusicGoesOnUnderAnotherGroupsEffectAndComesBackToItsStrip) {
    QProcess* padora = StartShow(true);
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor)) << "sounds not loaded";
    const Recording rec(RecordPath());
    ASSERT_TRUE(XSession::WaitFor([&] { return rec.Frames() > 0; }, kTimeoutMs));

    ClickPad(main, 0);
    ASSERT_TRUE(WaitForPad(main, 0, IsPlayingColor));
    QThread::msleep(500);
    const qint64 before = rec.Frames();
    const double sweepBefore = rec.Frequency(before, 0.2, 0);

    ClickAndLeave(main, SecondTab(main));
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor)) << "the effects group is shown";
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return m_x.Title(main) == kMainTitle + QStringLiteral("（他のグループで再生中: 1）"); },
        kTimeoutMs))
        << m_x.Title(main).toStdString();
    const qint64 fired = rec.Frames();
    ClickPad(main, 0);
    ASSERT_TRUE(WaitForPad(main, 0, IsPlayingColor));
    EXPECT_GT(rec.Rms(fired + Recording::FramesOf(0.3), 0.2, 1), 0.2) << "the effect is heard";
    const qint64 after = rec.Frames();
    const double sweepAfter = rec.Frequency(after, 0.2, 0);

    // The music's side, from before the switch to after the effect: no block of silence, and the sweep
    // has gone on with the clock.
    const double step = 0.01;
    double quietest = 1.0;
    for (qint64 f = before; f + Recording::FramesOf(step) <= after + Recording::FramesOf(0.2);
         f += Recording::FramesOf(step))
        quietest = std::min(quietest, rec.Rms(f, step, 0));
    EXPECT_GT(quietest, 0.2) << "a gap in the music";
    const double elapsed = static_cast<double>(after - before) / kRate;
    EXPECT_NEAR(sweepAfter - sweepBefore, 50.0 * elapsed, 12.0)
        << "before " << sweepBefore << " Hz, after " << sweepAfter << " Hz, " << elapsed << " s apart";

    // Back in group 1: the pad is lit, the list's time moves on, and the music still plays; the effect
    // now plays in the background.
    ClickAndLeave(main, FirstTab(main));
    EXPECT_TRUE(WaitForPad(main, 0, IsPlayingColor));
    const QRect list(At(main, 4, 30), At(main, 393, 42));
    const QImage row = m_x.Capture(main).copy(list);
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Capture(main).copy(list) != row; }, 2500))
        << "the time column moves";
    EXPECT_GT(rec.Rms(rec.Frames(), 0.2, 0), 0.2);
    EXPECT_GT(rec.Rms(rec.Frames(), 0.2, 1), 0.2);

    ClickAllStop(main);
    EXPECT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    QThread::msleep(150);
    const qint64 stopped = rec.Frames();
    EXPECT_LT(rec.Rms(stopped, 0.3, 0), 1e-3) << "all-stop silences the music";
    EXPECT_LT(rec.Rms(stopped, 0.3, 1), 1e-3) << "and the other group's effect";
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Title(main) == kMainTitle; }, kTimeoutMs));
    m_x.RequestClose(main);
    EXPECT_TRUE(XSession::WaitFor([&] { return padora->state() == QProcess::NotRunning; }, kTimeoutMs));
}

TEST_F(KeepPlayingE2e, WithTheOptionOffTheSwitchStopsTheMusic) {
    QProcess* padora = StartShow(false);
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    const Recording rec(RecordPath());
    ClickPad(main, 0);
    ASSERT_TRUE(WaitForPad(main, 0, IsPlayingColor));
    ClickAndLeave(main, SecondTab(main));
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    QThread::msleep(150);
    EXPECT_LT(rec.Rms(rec.Frames(), 0.3, 0), 1e-3) << "the music stopped at the switch";
    EXPECT_EQ(m_x.Title(main), kMainTitle);
    ClickAndLeave(main, FirstTab(main));
    EXPECT_TRUE(WaitForPad(main, 0, IsStoppedColor)) << "loaded again, not playing";
    m_x.RequestClose(main);
    EXPECT_TRUE(XSession::WaitFor([&] { return padora->state() == QProcess::NotRunning; }, kTimeoutMs));
}

// An operator auditions a sound on headphones (a second output, recorded here) with Shift held on the
// pad: heard there and never in the house; the pad shows it; a plain click then plays the house.
TEST_F(PlayE2e, ShiftOnAPadAuditionsOnTheCueOutputOnly) {
    constexpr unsigned long kKeyShift = 0xffe1;
    const QString tone =
        Write(QStringLiteral("tone.wav"), MakeWav(6.0, [](double t) { return Sine(t, 1000, -6); }));
    const QString set = Write(QStringLiteral("show.pdg"),
                              GroupFile({{QStringLiteral("G1"), {Ch{QStringLiteral("Bell"), tone}}}}));
    const QString cuePath = m_work.filePath(QStringLiteral("cue.wav"));
    Write(QStringLiteral("Padora.INI"),
          ("[Option]\nGetNoActive=0\n[Audio]\nCueDevice=record:" + cuePath + "\n").toUtf8());
    QProcess* padora = Start({set});
    const XWindow main = WaitForWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    const Recording house(RecordPath()), cue(cuePath);
    ASSERT_TRUE(XSession::WaitFor([&] { return house.Frames() > 0 && cue.Frames() > 0; }, kTimeoutMs));

    m_x.SetFocus(0);
    m_x.SetFocus(main);
    QThread::msleep(100);
    m_x.KeyDown(kKeyShift);
    QThread::msleep(50);
    ClickPad(main, 0);
    m_x.KeyUp(kKeyShift);
    const auto isAudition = [](QColor c) { return c.red() > 190 && c.green() > 150 && c.blue() < 110; };
    ASSERT_TRUE(WaitForPad(main, 0, isAudition)) << "the pad shows the audition";
    const qint64 cueAt = cue.Frames(), houseAt = house.Frames();
    EXPECT_GT(cue.Rms(cueAt + Recording::FramesOf(0.1), 0.3, 0), 0.2) << "heard on the cue";
    EXPECT_NEAR(cue.Frequency(cueAt + Recording::FramesOf(0.1), 0.3, 0), 1000, 5);
    EXPECT_EQ(house.Rms(houseAt, 0.5, 0), 0.0) << "nothing of it in the house";

    // A plain click plays the channel in the house; the audition goes on on the cue until all-stop.
    ClickPad(main, 0);
    ASSERT_TRUE(WaitForPad(main, 0, IsPlayingColor) || WaitForPad(main, 0, isAudition));
    EXPECT_GT(house.Rms(house.Frames() + Recording::FramesOf(0.1), 0.3, 0), 0.2) << "the house plays";
    ClickAllStop(main);
    ASSERT_TRUE(WaitForPad(main, 0, IsStoppedColor));
    QThread::msleep(200);
    EXPECT_LT(cue.Rms(cue.Frames(), 0.3, 0), 1e-3) << "all-stop ends the audition";
    EXPECT_LT(house.Rms(house.Frames(), 0.3, 0), 1e-3);
    m_x.RequestClose(main);
    EXPECT_TRUE(XSession::WaitFor([&] { return padora->state() == QProcess::NotRunning; }, kTimeoutMs));
}
