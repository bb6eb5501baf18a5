#include "E2eRecording.h"
#include "MainLayout.h"
#include "XSession.h"
#include "tests/app/QrReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

// The browser remote of the real program, driven from Debian's headless chromium by puppeteer-core
// (tests/app/e2e/browser/remote.js), heard in what padora recorded and seen in its window.
namespace {

constexpr int kTimeoutMs = 15000;
constexpr unsigned long kKeyAlt = 0xffe9;
constexpr unsigned long kKeyEscape = 0xff1b;
constexpr int kBrowserTimeoutMs = 90000;
const QString kScript = QStringLiteral(PADORA_SOURCE_DIR "/tests/app/e2e/browser/remote.js");
const QString kModules =
    QStringLiteral(PADORA_SOURCE_DIR "/tests/app/e2e/browser/node_modules/puppeteer-core");

// One run of remote.js: the JSON line of each step, by name.
struct BrowserRun {
    int status = -1;
    qint64 ms = 0;
    std::map<QString, QJsonObject> steps;
    QString output;
};

class WebRemoteE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_x.IsOpen()) << "no X display";
        ASSERT_TRUE(m_work.isValid());
        ASSERT_TRUE(QFileInfo::exists(QStringLiteral("/usr/bin/chromium")))
            << "chromium is missing: scripts/install-deps.sh installs it";
        ASSERT_TRUE(QFileInfo::exists(kModules))
            << "puppeteer-core is missing: scripts/install-deps.sh installs it";
    }

    void TearDown() override {
        if (!m_padora)
            return;
        if (m_padora->state() != QProcess::NotRunning) {
            m_padora->kill();
            m_padora->waitForFinished(5000);
        }
        if (HasFailure())
            std::fprintf(stderr, "padora said:\n%s\n", qPrintable(m_err));
    }

    void Write(const QString& name, const QByteArray& bytes) const {
        QFile f(m_work.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Padora on a set of two groups whose first pad holds a tone, its browser remote on a free port;
    // its main window, once the remote listens.
    XWindow StartPadora(const QByteArray& ini) {
        Write(QStringLiteral("tone.wav"),
              e2e::MakeWav(8.0, [](double t) { return e2e::Sine(t, 440, -6.0); }));
        Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=0\n" + ini);
        Write(QStringLiteral("set.pdg"),
              "[GroupData]\nGroupNum=2\nGrpName01=開演\nGrpName02=休憩\n[SoundData]\n"
              "SndName01-01=ベル\nSndFName01-01=./tone.wav\nSndVol01-01=100\n");
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        m_nPort = probe.serverPort();
        probe.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_work.path());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_work.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("PADORA_WEB_PORT"), QString::number(m_nPort));
        env.insert(QStringLiteral("PADORA_AUDIO"), QStringLiteral("record:") + RecordPath());
        m_padora = std::make_unique<QProcess>();
        m_padora->setProcessEnvironment(env);
        m_padora->setWorkingDirectory(m_work.path());
        m_padora->start(QStringLiteral(PADORA_BIN), {QStringLiteral("set.pdg")});
        EXPECT_TRUE(m_padora->waitForStarted(kTimeoutMs));
        XWindow main = 0;
        XSession::WaitFor(
            [&] {
                const auto w = m_x.WindowsOf(m_padora->processId(), QStringLiteral("Padora"));
                main = w.empty() ? 0 : w.front();
                return main != 0;
            },
            kTimeoutMs);
        EXPECT_TRUE(XSession::WaitFor(
            [&] {
                m_err += QString::fromUtf8(m_padora->readAllStandardError());
                return m_err.contains(QStringLiteral("ブラウザ リモート:"));
            },
            kTimeoutMs))
            << "the browser remote did not start";
        return main;
    }

    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_nPort); }
    QString RecordPath() const { return m_work.filePath(QStringLiteral("heard.wav")); }
    // The code padora gave for a browser that must pair.
    QString Code() const {
        const auto m = QRegularExpression(QStringLiteral("コード (\\d{6})")).match(m_err);
        return m.hasMatch() ? m.captured(1) : QString();
    }

    BrowserRun Browser(const QStringList& args) const {
        QProcess node;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PUPPETEER_SKIP_DOWNLOAD"), QStringLiteral("1"));
        env.insert(QStringLiteral("HOME"), m_work.path()); // chromium's profile stays in the test's folder
        node.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        node.start(QStringLiteral("node"), QStringList{kScript} + args);
        BrowserRun run;
        // The test's own event loop keeps going: padora is another process, but the waits are alike.
        const bool ended =
            e2e::WaitUntil([&] { return node.state() == QProcess::NotRunning; }, kBrowserTimeoutMs);
        if (!ended) {
            node.kill();
            node.waitForFinished();
        }
        run.ms = timer.elapsed();
        run.status = ended && node.exitStatus() == QProcess::NormalExit ? node.exitCode() : -1;
        run.output = QString::fromUtf8(node.readAllStandardOutput() + node.readAllStandardError());
        for (const QString& line : run.output.split(QLatin1Char('\n'))) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            if (o.contains(QLatin1String("step")))
                run.steps[o[QLatin1String("step")].toString()] = o;
        }
        std::fprintf(stderr, "[ browser  ] node remote.js %s: %lld ms\n", qPrintable(args.front()),
                     static_cast<long long>(run.ms));
        return run;
    }

    static bool IsPlayingColor(QColor c) { return c.red() > 190 && c.red() - c.green() > 60; }

    XSession m_x;
    QTemporaryDir m_work;
    std::unique_ptr<QProcess> m_padora;
    QString m_err;
    int m_nPort = 0;
};

TEST_F(WebRemoteE2e, ATapOnAPhoneIsHeardAndThePadPlaysInThePageTheWindowAndASecondPage) {
    const XWindow main = StartPadora({});
    ASSERT_NE(main, 0u);
    const e2e::Recording heard(RecordPath());
    ASSERT_TRUE(heard.WaitFor(e2e::Recording::FramesOf(0.5)));
    const QString shot = QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-web-remote-phone.png");
    QFile::remove(shot);

    const BrowserRun run = Browser({QStringLiteral("tap"), Url(), shot});
    ASSERT_EQ(run.status, 0) << run.output.toStdString();
    const QJsonObject loaded = run.steps.at(QStringLiteral("loaded"));
    EXPECT_EQ(loaded[QLatin1String("status")].toInt(), 200) << "on loopback nothing is asked";
    EXPECT_EQ(loaded[QLatin1String("before")].toString(), QStringLiteral("0")) << "loaded, not playing";
    EXPECT_EQ(loaded[QLatin1String("title")].toString(), QStringLiteral("ベル"));
    const QJsonObject playing = run.steps.at(QStringLiteral("playing"));
    EXPECT_EQ(playing[QLatin1String("colour")].toString(), QStringLiteral("rgb(255, 128, 128)"))
        << "the window's playing colour";
    EXPECT_EQ(playing[QLatin1String("other")].toString(), QStringLiteral("1")) << "the second page agrees";
    EXPECT_EQ(playing[QLatin1String("tabs")].toVariant().toStringList(),
              (QStringList{QStringLiteral("開演"), QStringLiteral("休憩")}));
    EXPECT_TRUE(QFileInfo(shot).size() > 0) << "no screenshot";

    // Heard: the tone plays on (eight seconds) at -6 dBFS, about 0.35 RMS.
    const qint64 now = heard.Frames();
    EXPECT_GT(heard.Rms(now, 0.2), 0.2) << "the tap was not heard";
    // And the window's pad shows it.
    const e2e::CMainLayout layout;
    const QPoint pad = layout.At(m_x.Geometry(main).height(), e2e::CMainLayout::kStripX[0] + 4, 303);
    EXPECT_TRUE(
        XSession::WaitFor([&] { return IsPlayingColor(m_x.Capture(main).pixelColor(pad)); }, kTimeoutMs))
        << "the window's pad is not in the playing colour";
}

TEST_F(WebRemoteE2e, ABrowserThatMustPairIsRefusedAWrongCodeAndRunsOnceTheRightOneIsEntered) {
    const XWindow main = StartPadora("[Web]\nPairLocal=1\n");
    ASSERT_NE(main, 0u);
    const QString code = Code();
    ASSERT_EQ(code.size(), 6) << m_err.toStdString();
    const QString wrong =
        code == QStringLiteral("000000") ? QStringLiteral("111111") : QStringLiteral("000000");

    const BrowserRun run = Browser({QStringLiteral("pair"), Url(), wrong, code});
    ASSERT_EQ(run.status, 0) << run.output.toStdString();
    const QJsonObject asked = run.steps.at(QStringLiteral("asked"));
    EXPECT_EQ(asked[QLatin1String("status")].toInt(), 403);
    EXPECT_TRUE(asked[QLatin1String("form")].toBool());
    const QJsonObject refused = run.steps.at(QStringLiteral("wrong"));
    EXPECT_EQ(refused[QLatin1String("status")].toInt(), 403);
    EXPECT_EQ(refused[QLatin1String("message")].toString(), QStringLiteral("コードが違います。"));
    const QJsonObject paired = run.steps.at(QStringLiteral("paired"));
    EXPECT_EQ(paired[QLatin1String("status")].toInt(), 200);
    EXPECT_EQ(paired[QLatin1String("url")].toString(), Url());
    EXPECT_EQ(paired[QLatin1String("group")].toInt(), 0);
}

// The menu's "ブラウザ リモート" window as a phone's camera sees it: the code on the screen reads as the
// address the remote listens on, and the window closes back to the show.
TEST_F(WebRemoteE2e, TheMenuShowsTheAddressAsAQrCodeThatReadsBack) {
    const XWindow main = StartPadora({});
    ASSERT_NE(main, 0u);
    XWindow box = 0;
    for (int attempt = 0; attempt < 5 && !box; ++attempt) {
        m_x.SetFocus(main);
        XSession::WaitFor([] { return false; }, 200);
        m_x.KeyDown(kKeyAlt);
        m_x.PressKey('o'); // "オプション(&O)"
        m_x.KeyUp(kKeyAlt);
        XSession::WaitFor([] { return false; }, 200);
        m_x.PressKey('w'); // "ブラウザ リモート(&W)..."
        XSession::WaitFor(
            [&] {
                const auto w = m_x.WindowsOf(m_padora->processId(), QStringLiteral("ブラウザ リモート"));
                box = w.empty() ? 0 : w.front();
                return box != 0;
            },
            2000);
    }
    ASSERT_NE(box, 0u) << "no browser remote window";
    std::optional<QString> read;
    QImage seen;
    XSession::WaitFor(
        [&] {
            seen = m_x.Capture(box);
            read = ReadQrCode(seen);
            return read.has_value();
        },
        kTimeoutMs);
    seen.save(QStringLiteral(PADORA_E2E_OUTPUT_DIR "/e2e-web-remote-qr.png"));
    EXPECT_EQ(read, Url());
    m_x.SetFocus(box);
    m_x.PressKey(kKeyEscape);
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return m_x.WindowsOf(m_padora->processId(), QStringLiteral("ブラウザ リモート")).empty(); },
        kTimeoutMs));
    EXPECT_EQ(m_padora->state(), QProcess::Running);
}

} // namespace
