#include "JackServer.h"
#include "XSession.h"

#include "platform/DialogTemplate.h"
#include "tests/app/TestSounds.h"
#include "tests/platform/TestFifo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kStartTimeoutMs = 15000;
// X keysyms.
constexpr unsigned long kKeyEscape = 0xff1b;
constexpr unsigned long kKeyReturn = 0xff0d;
constexpr unsigned long kKeyAlt = 0xffe9, kKeyControl = 0xffe3, kKeyF4 = 0xffc1;
constexpr int kExitTimeoutMs = 5000;
const QString kMainTitle = QStringLiteral("Padora");

class PadoraE2e : public ::testing::Test {
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
                p->waitForFinished(kExitTimeoutMs);
            }
        }
    }

    // audio: the output (PADORA_AUDIO); no test plays on a real sound card. inChild runs in the
    // child before the program starts (limits).
    QProcess* Start(const QStringList& args, const QString& audio = QStringLiteral("null"),
                    std::function<void()> inChild = {}) {
        auto p = std::make_unique<QProcess>();
        if (inChild)
            p->setChildProcessModifier(inChild);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("PADORA_AUDIO"), audio);
        // Each test its own instance scope, so a Padora running elsewhere never interferes.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        // OSC off: parallel runs never compete for the default port.
        env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_runtime.path());
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_work.path());
        p->start(QStringLiteral(PADORA_BIN), args);
        EXPECT_TRUE(p->waitForStarted(kStartTimeoutMs));
        m_processes.push_back(std::move(p));
        return m_processes.back().get();
    }

    XWindow WaitForXWindow(QProcess* p, const QString& title) {
        XWindow found = 0;
        XSession::WaitFor(
            [&] {
                const auto windows = m_x.WindowsOf(p->processId(), title);
                found = windows.empty() ? 0 : windows.front();
                return found != 0 || p->state() == QProcess::NotRunning;
            },
            kStartTimeoutMs);
        return found;
    }

    XWindow WaitForAnyXWindow(QProcess* p) {
        XWindow found = 0;
        XSession::WaitFor(
            [&] {
                const auto windows = m_x.WindowsOf(p->processId());
                found = windows.empty() ? 0 : windows.front();
                return found != 0 || p->state() == QProcess::NotRunning;
            },
            kStartTimeoutMs);
        return found;
    }

    static bool WaitForExit(QProcess* p) {
        return XSession::WaitFor([p] { return p->state() == QProcess::NotRunning; }, kExitTimeoutMs);
    }

    // Presses key in window until its program ends. A key sent in the moment the window is mapped
    // but not yet active in its program is lost, so one press is not enough on a busy machine.
    bool PressUntilExit(QProcess* p, XWindow window, unsigned long key) {
        constexpr int kRetryMs = 700;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < kExitTimeoutMs) {
            m_x.SetFocus(window);
            m_x.PressKey(key);
            if (XSession::WaitFor([p] { return p->state() == QProcess::NotRunning; }, kRetryMs))
                return true;
        }
        return false;
    }
    bool AnswerUntilExit(QProcess* p, XWindow box) { return PressUntilExit(p, box, kKeyReturn); }
    bool EscapeUntilExit(QProcess* p, XWindow main) { return PressUntilExit(p, main, kKeyEscape); }

    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_work.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    // One connection for the whole run: the server resets whenever its last client leaves.
    static XSession& Display() {
        static XSession session;
        return session;
    }

    XSession& m_x = Display();
    QTemporaryDir m_work;
    QTemporaryDir m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// One decimal as the C library prints it (which rounds 1.25 to even).
QString Printf1(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return QString::fromLatin1(buf);
}

bool IsGrey(QColor c, int minLevel) {
    return qAbs(c.red() - c.green()) < 10 && qAbs(c.green() - c.blue()) < 10 && c.red() >= minLevel;
}

} // namespace

TEST_F(PadoraE2e, MainWindowShowsTheSamplerFrame) {
    QProcess* padora = Start({});
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();

    // Only the main sampler window shows; the frame stays hidden and no message box came up.
    EXPECT_EQ(m_x.WindowsOf(padora->processId()).size(), 1u);

    const QSize base = platform::DialogBaseUnits(platform::DialogFont(QStringLiteral("ＭＳ ゴシック"), 12));
    const QSize client = platform::DialogUnitsToPixels(QSize(397, 313), base);
    // Mapped is not yet painted: wait for the first paint to reach the screen.
    QImage shot;
    XSession::WaitFor(
        [&] {
            shot = m_x.Capture(main);
            return !shot.isNull() &&
                   shot.pixelColor(shot.width() / 2, shot.height() - 2) != QColor(Qt::black);
        },
        kStartTimeoutMs);
    ASSERT_FALSE(shot.isNull());
    shot.save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-main-window.png"));

    EXPECT_EQ(shot.width(), client.width());
    const int menuHeight = shot.height() - client.height();
    EXPECT_GT(menuHeight, 10);
    EXPECT_LT(menuHeight, 60);

    auto at = [&](int xUnits, int yUnits) {
        const QRect r = platform::DialogUnitsToPixels(QRect(xUnits, yUnits, 1, 1), base);
        return shot.pixelColor(r.x(), r.y() + menuHeight);
    };
    // The dark background between the strips and beside the master fader.
    EXPECT_EQ(at(38, 215), QColor(64, 64, 64));
    EXPECT_EQ(at(360, 200), QColor(64, 64, 64));
    // Ten grey pads (no sound loaded) along the bottom, the green all-stop button beside them.
    const int stripX[10] = {6, 40, 74, 108, 143, 178, 212, 247, 282, 317};
    for (int x : stripX)
        EXPECT_TRUE(IsGrey(at(x + 6, 282), 90)) << "pad at " << x;
    const QColor allStop = at(359 + 6, 282);
    EXPECT_GT(allStop.green(), allStop.red() + 40);
    // The monitor list's grey field (between its grid lines).
    int grey = 0;
    for (int y = 90; y < 100; y += 2)
        grey += at(200, y) == QColor(127, 127, 127) ? 1 : 0;
    EXPECT_GE(grey, 3);
}

TEST_F(PadoraE2e, SecondStartRaisesTheRunningWindowAndExitsWithFailureWithinASecond) {
    QProcess* first = Start({});
    const XWindow main = WaitForXWindow(first, kMainTitle);
    ASSERT_NE(main, 0u);

    // Another window now covers Padora and has the focus.
    const XWindow cover = m_x.CoverScreen();
    ASSERT_GT(m_x.StackIndex(cover), m_x.StackIndex(main));
    ASSERT_EQ(m_x.Focus(), cover);

    QElapsedTimer timer;
    timer.start();
    QProcess* second = Start({});
    ASSERT_TRUE(WaitForExit(second));
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
    EXPECT_LT(elapsed, 1000);
    EXPECT_TRUE(m_x.WindowsOf(second->processId()).empty());

    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return m_x.StackIndex(main) > m_x.StackIndex(cover) && m_x.Focus() == main; }, kExitTimeoutMs))
        << "main window stacked at " << m_x.StackIndex(main) << " under cover at " << m_x.StackIndex(cover);
    m_x.Destroy(cover);
}

// A first Padora that is stopped takes the connection into the kernel's queue but never answers: the
// later start must not claim to have raised it.
TEST_F(PadoraE2e, SecondStartWhileTheFirstIsStoppedSaysItDoesNotAnswer) {
    QProcess* first = Start({});
    ASSERT_NE(WaitForXWindow(first, kMainTitle), 0u);
    ASSERT_EQ(::kill(static_cast<pid_t>(first->processId()), SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    QProcess* second = Start({});
    const bool ended = WaitForExit(second);
    ::kill(static_cast<pid_t>(first->processId()), SIGCONT);
    ASSERT_TRUE(ended);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(second->exitCode(), 1);
    const QString err = QString::fromUtf8(second->readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("応答がありません"))) << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("前面に出しました"))) << err.toStdString();

    // Going on again, it answers the next start.
    QProcess* third = Start({});
    ASSERT_TRUE(WaitForExit(third));
    EXPECT_TRUE(
        QString::fromUtf8(third->readAllStandardError()).contains(QStringLiteral("前面に出しました")));
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(PadoraE2e, EscapeInTheMainWindowEndsTheProgramWithStatusZero) {
    QProcess* padora = Start({});
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u);
    ASSERT_TRUE(EscapeUntilExit(padora, main));
    EXPECT_EQ(padora->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(padora->exitCode(), 0);
}

TEST_F(PadoraE2e, WindowManagerCloseEndsTheProgramWithStatusZero) {
    QProcess* padora = Start({});
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u);
    m_x.RequestClose(main);
    ASSERT_TRUE(WaitForExit(padora));
    EXPECT_EQ(padora->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(padora->exitCode(), 0);

    // The instance is free again.
    QProcess* again = Start({});
    EXPECT_NE(WaitForXWindow(again, kMainTitle), 0u);
}

TEST_F(PadoraE2e, NamedFileThatCannotBeOpenedIsReportedAndEndsWithFailure) {
    const QString missing = m_work.filePath(QStringLiteral("nowhere/show.pdg"));
    QProcess* padora = Start({missing});
    // A message box, not the main window.
    const XWindow box = WaitForAnyXWindow(padora);
    ASSERT_NE(box, 0u);
    // Far smaller than the main sampler window.
    EXPECT_LT(m_x.Geometry(box).width(), 600);
    ASSERT_TRUE(AnswerUntilExit(padora, box));
    EXPECT_EQ(padora->exitCode(), 1);
    const QString err = QString::fromUtf8(padora->readAllStandardError());
    EXPECT_TRUE(err.contains(missing)) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("ファイルを開けませんでした。"))) << err.toStdString();
}

TEST_F(PadoraE2e, FifosInThePlaceOfItsFilesAreRefusedWithoutWaitingOnThem) {
    platform_test::CTestFifo group(m_work.filePath(QStringLiteral("show.pdg")));
    ASSERT_TRUE(group.Made());
    QProcess* named = Start({group.Path()});
    const XWindow box = WaitForAnyXWindow(named);
    ASSERT_NE(box, 0u);
    EXPECT_LT(m_x.Geometry(box).width(), 600) << "a message box, not the main window";
    ASSERT_TRUE(AnswerUntilExit(named, box));
    EXPECT_EQ(named->exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(named->readAllStandardError())
                    .contains(QStringLiteral("ファイルを開けませんでした。")));

    QProcess* check = Start({QStringLiteral("--check"), group.Path()});
    ASSERT_TRUE(WaitForExit(check));
    EXPECT_EQ(check->exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(check->readAllStandardError())
                    .contains(QStringLiteral("ファイル読込中にエラーが発生しました。")));
    EXPECT_FALSE(group.ReaderWasStuck());

    // Settings and the loudness cache: the program starts with the defaults and ends at once.
    platform_test::CTestFifo settings(m_work.filePath(QStringLiteral("Padora.INI")));
    ASSERT_TRUE(QDir().mkpath(m_runtime.filePath(QStringLiteral("padora"))));
    platform_test::CTestFifo cache(m_runtime.filePath(QStringLiteral("padora/loudness.tsv")));
    ASSERT_TRUE(settings.Made() && cache.Made());
    QProcess* padora = Start({});
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    ASSERT_TRUE(EscapeUntilExit(padora, main));
    EXPECT_EQ(padora->exitCode(), 0);
    EXPECT_FALSE(settings.ReaderWasStuck()) << "Padora.INI was waited on";
    EXPECT_FALSE(cache.ReaderWasStuck()) << "the loudness cache was waited on";
    EXPECT_FALSE(QFileInfo(settings.Path()).isFile());
    EXPECT_FALSE(QFileInfo(cache.Path()).isFile());
}

TEST_F(PadoraE2e, TooFewFileDescriptorsEndTheStartWithAWordAndALowSoftLimitIsRaised) {
    constexpr rlim_t kStarved = 16;
    QProcess* starved = Start({}, QStringLiteral("null"), [] {
        const rlimit lim{kStarved, kStarved};
        setrlimit(RLIMIT_NOFILE, &lim);
    });
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(WaitForExit(starved)) << "waited on the display";
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(starved->exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(starved->readAllStandardError()),
              QStringLiteral("padora: 開けるファイルの数が足りないため起動できません。\n"));

    // Only the soft limit low: it is raised within the hard one and the window shows.
    QProcess* soft = Start({}, QStringLiteral("null"), [] {
        rlimit lim{};
        getrlimit(RLIMIT_NOFILE, &lim);
        lim.rlim_cur = kStarved;
        setrlimit(RLIMIT_NOFILE, &lim);
    });
    const XWindow main = WaitForXWindow(soft, kMainTitle);
    ASSERT_NE(main, 0u) << soft->readAllStandardError().toStdString();
    ASSERT_TRUE(EscapeUntilExit(soft, main)) << soft->readAllStandardError().toStdString();
    EXPECT_EQ(soft->exitCode(), 0);
}

TEST_F(PadoraE2e, TooLittleAddressSpaceEndsTheStartWithAWord) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory does not start under an address-space limit";
#endif
    // Enough to load the program and its libraries, not enough to show the window: the toolkit
    // failed a thread here and waited for ever, or aborted.
    constexpr rlim_t kLimit = rlim_t{270} * 1024 * 1024;
    QProcess* padora = Start({}, QStringLiteral("null"), [] {
        rlimit lim{};
        getrlimit(RLIMIT_AS, &lim);
        lim.rlim_cur = kLimit;
        setrlimit(RLIMIT_AS, &lim);
    });
    ASSERT_TRUE(WaitForExit(padora)) << "hung";
    EXPECT_EQ(padora->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(padora->exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(padora->readAllStandardError()),
              QStringLiteral("padora: メモリが足りないため起動できません。\n"));
}

TEST_F(PadoraE2e, CaptionsReachTheWindowManagerExactlyAsGiven) {
    // An empty file is no group file: the main window reports it in a box captioned "エラー".
    const QString empty = WriteFile(QStringLiteral("empty.pdg"), "");
    QProcess* padora = Start({empty});
    XWindow box = 0;
    QStringList titles;
    XSession::WaitFor(
        [&] {
            titles.clear();
            for (XWindow w : m_x.WindowsOf(padora->processId())) {
                titles << m_x.Title(w);
                if (m_x.Title(w).startsWith(QStringLiteral("エラー")))
                    box = w;
            }
            return box != 0;
        },
        kStartTimeoutMs);
    ASSERT_NE(box, 0u) << titles.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(m_x.Title(box).toStdString(), "エラー");
    EXPECT_EQ(m_x.LegacyTitle(box).toStdString(), "エラー");

    m_x.SetFocus(box);
    m_x.PressKey(kKeyReturn);
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u);
    EXPECT_EQ(m_x.LegacyTitle(main).toStdString(), "Padora");
    m_x.RequestClose(main);
    ASSERT_TRUE(WaitForExit(padora));
}

TEST_F(PadoraE2e, CheckPrintsGroupsAndChannelsAndReportsMissingSounds) {
    const QString bell = WriteFile(QStringLiteral("show/sounds/bell.wav"), app_test::SineWav(1.0));
    const QByteArray firstGroup = "[GroupData]\r\n"
                                  "GroupNum=2\r\n"
                                  "GrpName01=Opening\r\n"
                                  "GrpName02=効果\r\n"
                                  "[SoundData]\r\n"
                                  "SndName01-01=Bell\r\n"
                                  "SndFName01-01=sounds\\bell.wav\r\n"
                                  "SndVol01-01=80\r\n"
                                  "SndPan01-01=-20\r\n"
                                  "SndRate01-01=1.25\r\n"
                                  "SndRepeat01-01=1\r\n"
                                  "SndFI01-01=0\r\n"
                                  "SndFO01-01=1\r\n"
                                  "SndTimeFI01-01=5.0\r\n"
                                  "SndTimeFO01-01=3.5\r\n";
    const QString allThere = WriteFile(QStringLiteral("show/ok.pdg"), firstGroup);
    const QString withMissing =
        WriteFile(QStringLiteral("show/missing.pdg"),
                  firstGroup + "SndName02-10=Gone\r\nSndFName02-10=/nonexistent/gone.wav\r\n");
    const QString noGroup = WriteFile(QStringLiteral("show/empty.pdg"), "[GroupData]\r\nGroupNum=0\r\n");

    // 1.25 is shown as "%.1f" shows it.
    const QString bellLine =
        QStringLiteral("channel\t1-1\tBell\t%1\tvol=80\tpan=-20\trate=%2\trepeat=1\tfi=0\t"
                       "fo=1\ttfi=5.0\ttfo=3.5\tok\tlen=1.0")
            .arg(QFileInfo(bell).absoluteFilePath(), Printf1(1.25));

    QProcess* ok = Start({QStringLiteral("--check"), allThere});
    ASSERT_TRUE(WaitForExit(ok));
    EXPECT_EQ(ok->exitCode(), 0);
    const QStringList okLines =
        QString::fromUtf8(ok->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(okLines.size(), 3);
    EXPECT_EQ(okLines[0], QStringLiteral("group\t1\tOpening"));
    EXPECT_EQ(okLines[1].toStdString(), bellLine.toStdString());
    EXPECT_EQ(okLines[2], QStringLiteral("group\t2\t効果"));
    // No window for a check.
    EXPECT_TRUE(m_x.WindowsOf(ok->processId()).empty());

    QProcess* missing = Start({QStringLiteral("--check"), withMissing});
    ASSERT_TRUE(WaitForExit(missing));
    EXPECT_EQ(missing->exitCode(), 1);
    const QStringList lines =
        QString::fromUtf8(missing->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[3].toStdString(),
              QStringLiteral("channel\t2-10\tGone\t/nonexistent/gone.wav\tvol=70\tpan=0\trate=1.0\t"
                             "repeat=0\tfi=0\tfo=0\ttfi=5.0\ttfo=5.0\tmissing\tlen=-")
                  .toStdString());

    QProcess* empty = Start({QStringLiteral("--check"), noGroup});
    ASSERT_TRUE(WaitForExit(empty));
    EXPECT_EQ(empty->exitCode(), 2);
    EXPECT_TRUE(empty->readAllStandardOutput().isEmpty());
    EXPECT_TRUE(QString::fromUtf8(empty->readAllStandardError())
                    .contains(QStringLiteral("ファイル読込中にエラーが発生しました。")));

    QProcess* usage = Start({QStringLiteral("--check")});
    ASSERT_TRUE(WaitForExit(usage));
    EXPECT_EQ(usage->exitCode(), 2);

    // The missing sound turns up on another disk: a corrected copy checks clean, the original is kept.
    const QString gone = WriteFile(QStringLiteral("usb/old/gone.wav"), app_test::SineWav(0.5));
    QProcess* fix = Start({QStringLiteral("--check"), withMissing, QStringLiteral("--fix-paths"),
                           m_work.filePath(QStringLiteral("usb"))});
    ASSERT_TRUE(WaitForExit(fix));
    const QString fixOut = QString::fromUtf8(fix->readAllStandardOutput());
    EXPECT_EQ(fix->exitCode(), 0) << fixOut.toStdString();
    EXPECT_TRUE(fixOut.startsWith(QStringLiteral("found\t2-10\t") + gone + '\n')) << fixOut.toStdString();
    EXPECT_TRUE(QFileInfo::exists(m_work.filePath(QStringLiteral("show/missing-fixed.pdg"))));
    QProcess* again = Start({QStringLiteral("--check"), withMissing});
    ASSERT_TRUE(WaitForExit(again));
    EXPECT_EQ(again->exitCode(), 1);
}

TEST_F(PadoraE2e, CollectPutsTheSetAndItsSoundsInOneFolderThatChecksClean) {
    const QString bellA = WriteFile(QStringLiteral("here/bell.wav"), app_test::SineWav(0.5));
    const QString bellB = WriteFile(QStringLiteral("there/bell.wav"), app_test::SineWav(0.3, -12.0));
    const QByteArray set = "[GroupData]\r\nGroupNum=2\r\nGrpName01=Opening\r\nGrpName02=End\r\n"
                           "[SoundData]\r\n"
                           "SndName01-01=A\r\nSndFName01-01=../here/bell.wav\r\n"
                           "SndName01-02=B\r\nSndFName01-02=../there/bell.wav\r\n"
                           "SndName02-01=A again\r\nSndFName02-01=../here/bell.wav\r\n";
    const QString groupFile = WriteFile(QStringLiteral("sets/gala.pdg"), set);
    const QString out = m_work.filePath(QStringLiteral("usb"));

    QProcess* collect = Start({QStringLiteral("--collect"), groupFile, out});
    ASSERT_TRUE(WaitForExit(collect));
    const QString printed = QString::fromUtf8(collect->readAllStandardOutput());
    EXPECT_EQ(collect->exitCode(), 0) << printed.toStdString();
    const qint64 bytes = QFileInfo(bellA).size() + QFileInfo(bellB).size();
    EXPECT_TRUE(printed.endsWith(
        QStringLiteral("written\t%1/gala.pdg\ntotal\tcopied=2\tbytes=%2\tmissing=0\n").arg(out).arg(bytes)))
        << printed.toStdString();
    // No window for a collection.
    EXPECT_TRUE(m_x.WindowsOf(collect->processId()).empty());

    QProcess* check = Start({QStringLiteral("--check"), out + QStringLiteral("/gala.pdg")});
    ASSERT_TRUE(WaitForExit(check));
    const QString checked = QString::fromUtf8(check->readAllStandardOutput());
    EXPECT_EQ(check->exitCode(), 0) << checked.toStdString();
    EXPECT_EQ(checked.count(QStringLiteral("\tok\tlen=")), 3) << checked.toStdString();
    EXPECT_TRUE(checked.contains(out + QStringLiteral("/sounds/bell-2.wav\t")));

    // A sound gone: listed, the rest collected, status 1, and the check of the result says which.
    QFile::remove(bellB);
    QProcess* partly =
        Start({QStringLiteral("--collect"), groupFile, m_work.filePath(QStringLiteral("usb2"))});
    ASSERT_TRUE(WaitForExit(partly));
    const QString partlyOut = QString::fromUtf8(partly->readAllStandardOutput());
    EXPECT_EQ(partly->exitCode(), 1) << partlyOut.toStdString();
    EXPECT_TRUE(partlyOut.contains(QStringLiteral("missing\t1-2\t%1\n").arg(bellB)))
        << partlyOut.toStdString();
    QProcess* checkPartly =
        Start({QStringLiteral("--check"), m_work.filePath(QStringLiteral("usb2/gala.pdg"))});
    ASSERT_TRUE(WaitForExit(checkPartly));
    EXPECT_EQ(checkPartly->exitCode(), 1);

    // Arguments missing, or a set that cannot be read: status 2 and a word on standard error.
    QProcess* usage = Start({QStringLiteral("--collect"), groupFile});
    ASSERT_TRUE(WaitForExit(usage));
    EXPECT_EQ(usage->exitCode(), 2);
    QProcess* unreadable =
        Start({QStringLiteral("--collect"), m_work.filePath(QStringLiteral("none.pdg")), out});
    ASSERT_TRUE(WaitForExit(unreadable));
    EXPECT_EQ(unreadable->exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(unreadable->readAllStandardError())
                    .contains(QStringLiteral("ファイル読込中にエラーが発生しました。")));
}

TEST_F(PadoraE2e, DemoSetIsCompleteAndOpensWithoutErrors) {
    const QString demo = QStringLiteral(PADORA_SOURCE_DIR "/examples/demo.pdg");
    QProcess* check = Start({QStringLiteral("--check"), demo});
    ASSERT_TRUE(WaitForExit(check));
    const QString out = QString::fromUtf8(check->readAllStandardOutput());
    EXPECT_EQ(check->exitCode(), 0) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("group\t")), 3);
    EXPECT_EQ(out.count(QStringLiteral("\tok\tlen=")), out.count(QStringLiteral("channel\t")));
    // Every format the demo shows off opens: wav, mid, mp3 and ogg.
    for (const char* ext : {".wav\t", ".mid\t", ".mp3\t", ".ogg\t"})
        EXPECT_TRUE(out.contains(QLatin1String(ext))) << ext;
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("repeat=1\tfi=1\t[^\n]*\tok\t"))));

    QProcess* padora = Start({demo});
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    EXPECT_EQ(m_x.WindowsOf(padora->processId()).size(), 1u);
}

// The chosen sound card is not there: the caption says so, no message box interrupts, and the set
// opens and plays on the clock.
TEST_F(PadoraE2e, AnAbsentSoundCardMarksTheCaptionInsteadOfABox) {
    const QString demo = QStringLiteral(PADORA_SOURCE_DIR "/examples/demo.pdg");
    QProcess* padora =
        Start({demo}, QStringLiteral("portaudio:no-such-card-%1").arg(QCoreApplication::applicationPid()));
    const XWindow main = WaitForXWindow(padora, kMainTitle + QStringLiteral("（出力なし）"));
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    EXPECT_EQ(m_x.WindowsOf(padora->processId()).size(), 1u);
}

// The default output on a machine without a sound card (or with one): the caption is the program's own.
// Only a card chosen by name that is missing, or a card lost while playing, marks it.
TEST_F(PadoraE2e, TheDefaultOutputLeavesTheCaptionUnmarked) {
    const QString demo = QStringLiteral(PADORA_SOURCE_DIR "/examples/demo.pdg");
    QProcess* padora = Start({demo}, QStringLiteral("portaudio"));
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    QThread::msleep(1200); // a timer tick or two: the caption would have gained the mark by now
    EXPECT_EQ(m_x.Title(main), kMainTitle);
}

// A JACK server of the test's own stops while Padora runs on it and starts again: the caption gains
// the mark and loses it again by itself.
TEST_F(PadoraE2e, CaptionFollowsTheJackServerGoingAndComing) {
    playkit_test::CJackServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    const QString demo = QStringLiteral(PADORA_SOURCE_DIR "/examples/demo.pdg");
    QProcess* padora = Start({demo}, QStringLiteral("portaudio:system"));
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
    const QString marked = kMainTitle + QStringLiteral("（出力なし）");
    // Running on the server: no mark (the players are open, so the engine is too).
    QThread::msleep(1500);
    EXPECT_EQ(m_x.Title(main), kMainTitle);

    server.Stop();
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Title(main) == marked; }, 8000))
        << m_x.Title(main).toStdString();
    ASSERT_TRUE(server.Start(error)) << error;
    EXPECT_TRUE(XSession::WaitFor([&] { return m_x.Title(main) == kMainTitle; }, 10000))
        << m_x.Title(main).toStdString();
    EXPECT_EQ(m_x.WindowsOf(padora->processId()).size(), 1u);
}

namespace {

// Alt with a letter, or Ctrl with one, pressed together.
void Chord(XSession& x, unsigned long modifier, unsigned long key) {
    x.KeyDown(modifier);
    x.PressKey(key);
    x.KeyUp(modifier);
}

} // namespace

// The about box, opened from the menu with its mnemonics, answered with each key and control that
// closes a window, with background capture on and off: the box goes, the show runs on, and the main
// window still ends with Esc.
TEST_F(PadoraE2e, TheAboutBoxTakesEveryClosingKeyAndTheShowRunsOn) {
    const QString aboutTitle = QStringLiteral("バージョン情報 Padora");
    for (const bool capture : {true, false}) {
        SCOPED_TRACE(capture ? "capture on" : "capture off");
        WriteFile(QStringLiteral("Padora.INI"), capture ? "" : "[Option]\nGetNoActive=0\n");
        QProcess* padora = Start({});
        const XWindow main = WaitForXWindow(padora, kMainTitle);
        ASSERT_NE(main, 0u) << padora->readAllStandardError().toStdString();
        enum class How { Escape, Enter, CloseBox, AltF4 };
        for (const How how : {How::Escape, How::Enter, How::CloseBox, How::AltF4}) {
            SCOPED_TRACE(static_cast<int>(how));
            m_x.SetFocus(main);
            XSession::WaitFor([] { return false; }, 200);
            Chord(m_x, kKeyAlt, 'h'); // "ヘルプ(&H)"
            XSession::WaitFor([] { return false; }, 200);
            m_x.PressKey('a'); // "バージョン情報(&A)..."
            const XWindow about = WaitForXWindow(padora, aboutTitle);
            ASSERT_NE(about, 0u);
            m_x.SetFocus(about);
            XSession::WaitFor([] { return false; }, 200);
            switch (how) {
            case How::Escape:
                m_x.PressKey(kKeyEscape);
                break;
            case How::Enter:
                m_x.PressKey(kKeyReturn);
                break;
            case How::CloseBox:
                m_x.RequestClose(about);
                break;
            case How::AltF4:
                // Without a window manager nobody closes on it; it must not reach the main window.
                Chord(m_x, kKeyAlt, kKeyF4);
                XSession::WaitFor([] { return false; }, 300);
                m_x.PressKey(kKeyEscape);
                break;
            }
            EXPECT_TRUE(XSession::WaitFor(
                [&] { return m_x.WindowsOf(padora->processId(), aboutTitle).empty(); }, kExitTimeoutMs));
            XSession::WaitFor([&] { return padora->state() == QProcess::NotRunning; }, 500);
            ASSERT_EQ(padora->state(), QProcess::Running) << padora->readAllStandardError().toStdString();
        }
        ASSERT_TRUE(EscapeUntilExit(padora, main));
        EXPECT_EQ(padora->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(padora->exitCode(), 0);
    }
}

// The menu's shortcuts in the main window, also while the capture holds the keyboard: Ctrl+O asks for
// a set to open, Ctrl+S for a name to save a new set under.
TEST_F(PadoraE2e, MenuShortcutsWorkWithTheCaptureOn) {
    QProcess* padora = Start({});
    const XWindow main = WaitForXWindow(padora, kMainTitle);
    ASSERT_NE(main, 0u);
    for (const unsigned long key : {static_cast<unsigned long>('o'), static_cast<unsigned long>('s')}) {
        XWindow dialog = 0;
        const auto dialogShown = [&] {
            for (XWindow w : m_x.WindowsOf(padora->processId()))
                if (w != main && m_x.Geometry(w).height() > 100)
                    dialog = w;
            return dialog != 0;
        };
        // A chord typed while the new set still loads (its loader holds the keys) or before the window
        // is active is not the window's: typed again until the dialog comes. There is no window manager:
        // the focus is taken away first, so that giving it to the main window is an event even when X
        // had already given it back there as the dialog closed.
        ASSERT_TRUE(XSession::WaitFor(
            [&] {
                m_x.SetFocus(0);
                m_x.SetFocus(main);
                XSession::WaitFor([] { return false; }, 200);
                Chord(m_x, kKeyControl, key);
                return XSession::WaitFor(dialogShown, 1500);
            },
            kStartTimeoutMs))
            << "no file dialog for Ctrl+" << char(key);
        m_x.SetFocus(dialog);
        XSession::WaitFor([] { return false; }, 300);
        m_x.PressKey(kKeyEscape);
        ASSERT_TRUE(XSession::WaitFor([&] { return m_x.WindowsOf(padora->processId()).size() == 1; },
                                      kExitTimeoutMs));
    }
    EXPECT_EQ(padora->state(), QProcess::Running);
}
