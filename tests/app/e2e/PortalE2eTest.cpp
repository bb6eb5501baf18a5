#include "E2eRecording.h"
#include "XSession.h"
#include "tests/padkit/util/FakePortal.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>

// Background keys on a Wayland session through the desktop's global shortcuts: the real program, its
// capture on, talks to a stand-in portal on a bus of the test's own; what the shortcuts do is heard in
// what it recorded.
namespace {

using e2e::Recording;

constexpr int kTimeoutMs = 15000;
constexpr unsigned long kKeyReturn = 0xff0d;
const QString kMainTitle = QStringLiteral("Padora");
constexpr int kRoleCount = 17; // ten pads and seven other roles

class PortalE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_x.IsOpen()) << "no X display";
        ASSERT_TRUE(m_work.isValid() && m_runtime.isValid());
        ASSERT_FALSE(m_bus.Address().isEmpty()) << "dbus-daemon did not start";
        m_portal = std::make_unique<CFakePortal>(m_bus.Address());
        ASSERT_TRUE(m_portal->IsServing());
    }
    void TearDown() override {
        if (m_padora.state() != QProcess::NotRunning) {
            m_padora.kill();
            m_padora.waitForFinished(5000);
        }
        if (HasFailure())
            std::fprintf(stderr, "padora said:\n%s\n", m_padora.readAllStandardError().constData());
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_work.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    // A set of one group: a 1000 Hz tone hard left on channel 1, a 500 Hz one hard right on channel 3.
    QString WriteSet() {
        const QString left = Write(QStringLiteral("left.wav"),
                                   e2e::MakeWav(6.0, [](double t) { return e2e::Sine(t, 1000, -6); }));
        const QString right = Write(QStringLiteral("right.wav"),
                                    e2e::MakeWav(6.0, [](double t) { return e2e::Sine(t, 500, -6); }));
        QByteArray set = "[GroupData]\nGroupNum=1\nGrpName01=G1\n[SoundData]\n";
        const auto channel = [&](int c, const QString& file, int pan) {
            set += QStringLiteral("SndName01-%1=S%1\nSndFName01-%1=%2\nSndVol01-%1=100\nSndPan01-%1=%3\n"
                                  "SndRate01-%1=1.0\nSndRepeat01-%1=0\nSndFI01-%1=0\nSndFO01-%1=0\n"
                                  "SndTimeFI01-%1=5.0\nSndTimeFO01-%1=5.0\n")
                       .arg(c, 2, 10, QLatin1Char('0'))
                       .arg(file)
                       .arg(pan)
                       .toUtf8();
        };
        channel(1, left, -50);
        channel(3, right, 50);
        return Write(QStringLiteral("show.pdg"), set);
    }

    // Padora with the capture on, on an X display but in a session that says it is Wayland's, so the
    // capture asks the portal; the session bus is the test's.
    void Start() {
        Write(QStringLiteral("Padora.INI"), "[Option]\nGetNoActive=1\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("padora-e2e-no-compositor"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.Address());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("PADORA_AUDIO"), QStringLiteral("record:") + RecordPath());
        m_padora.setProcessEnvironment(env);
        m_padora.setWorkingDirectory(m_work.path());
        m_padora.start(QStringLiteral(PADORA_BIN), {WriteSet()});
        ASSERT_TRUE(m_padora.waitForStarted(kTimeoutMs));
    }
    QString RecordPath() const { return m_work.filePath(QStringLiteral("heard.wav")); }

    std::vector<XWindow> Windows() const { return m_x.WindowsOf(m_padora.processId()); }
    // A press of the shortcut, as the desktop reports one: activated, a moment held, deactivated.
    void Press(const QString& id) {
        m_portal->Activate(id);
        QThread::msleep(80);
        m_portal->Deactivate(id);
    }

    XSession& Display() {
        static XSession session;
        return session;
    }

    XSession& m_x = Display();
    QTemporaryDir m_work;
    QTemporaryDir m_runtime;
    CPrivateSessionBus m_bus;
    std::unique_ptr<CFakePortal> m_portal;
    QProcess m_padora;
};

} // namespace

TEST_F(PortalE2e, TheDesktopsShortcutsPlayAndStopPadsAndAVanishedPortalIsToldOnce) {
    Start();
    // The main window alone, once the loader of the set has gone.
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return Windows().size() == 1 && m_x.Title(Windows().front()) == kMainTitle; }, kTimeoutMs));
    const XWindow main = Windows().front();
    ASSERT_TRUE(e2e::WaitUntil([&] { return m_portal->Recorded().bound.size() == kRoleCount; }, kTimeoutMs))
        << m_portal->Recorded().bound.size() << " shortcuts bound";
    QStringList ids;
    for (const CFakePortal::Bound& b : m_portal->Recorded().bound)
        ids << b.strId;
    for (const char* id : {"pad1", "pad3", "pad10", "stop", "allstop", "group-next", "master"})
        EXPECT_TRUE(ids.contains(QString::fromLatin1(id))) << id;
    const Recording rec(RecordPath());
    ASSERT_TRUE(rec.WaitFor(1));

    // pad1 and pad3 pressed on the desktop: both are heard, each on its side.
    qint64 mark = rec.Frames();
    Press(QStringLiteral("pad1"));
    Press(QStringLiteral("pad3"));
    EXPECT_GT(rec.Rms(mark + Recording::FramesOf(0.4), 0.3, 0), 0.2) << "pad 1 not heard";
    EXPECT_GT(rec.Rms(mark + Recording::FramesOf(0.4), 0.3, 1), 0.2) << "pad 3 not heard";
    EXPECT_NEAR(rec.Frequency(mark + Recording::FramesOf(0.4), 0.3, 0), 1000, 40);

    // With stop held, pad3 stops channel 3; channel 1 plays on.
    m_portal->Activate(QStringLiteral("stop"));
    QThread::msleep(80);
    Press(QStringLiteral("pad3"));
    m_portal->Deactivate(QStringLiteral("stop"));
    QThread::msleep(200);
    mark = rec.Frames();
    EXPECT_LT(rec.Rms(mark, 0.3, 1), 1e-3) << "channel 3 still heard";
    EXPECT_GT(rec.Rms(mark, 0.3, 0), 0.2) << "channel 1 stopped too";

    // The portal leaves the bus: Padora says so in one box, and runs on.
    m_portal->Vanish();
    ASSERT_TRUE(e2e::WaitUntil([&] { return Windows().size() == 2; }, kTimeoutMs)) << "nothing said";
    const std::vector<XWindow> shown = Windows();
    const auto box = std::ranges::find_if(shown, [&](XWindow w) { return w != main; });
    ASSERT_NE(box, shown.end());
    const XWindow said = *box;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            m_x.SetFocus(said);
            QThread::msleep(150);
            m_x.PressKey(kKeyReturn);
            return e2e::WaitUntil([&] { return Windows().size() == 1; }, 500);
        },
        kTimeoutMs));
    QThread::msleep(1000);
    EXPECT_EQ(Windows().size(), 1u) << "said more than once";
    EXPECT_EQ(m_padora.state(), QProcess::Running);
}
