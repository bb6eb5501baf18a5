#include "tests/app/e2e/E2eRecording.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

// The Debian package, made from this build tree as a user makes it: checked as Debian checks
// packages, installed with apt, started from its menu entry, heard in what it recorded, and purged.
namespace {

constexpr int kToolTimeoutMs = 300000;
constexpr int kStartTimeoutMs = 20000;
constexpr int kTriggerTimeoutMs = 5000;
// The demo set's first pad (a chime of about 0.7 s at -2 dB) against the silence before it.
constexpr double kHeardRms = 0.05;
constexpr double kSilentRms = 0.001;
constexpr double kQuietBefore = 0.3;
constexpr double kRmsWindow = 0.05;
constexpr double kChimeSearch = 1.5;

const QString kPackage = QStringLiteral("padora");
const QString kPrefix = QStringLiteral("/usr");
const QString kDesktopEntry = QStringLiteral("/usr/share/applications/" PADORA_APP_ID ".desktop");
const QString kDemoSet = QStringLiteral("/usr/share/doc/padora/examples/demo.pdg");

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QString& program, const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                int timeoutMs = kToolTimeoutMs) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit) {
        const bool started = p.error() != QProcess::FailedToStart;
        p.kill();
        p.waitForFinished();
        r.err = started
                    ? QStringLiteral("%1 did not finish").arg(program)
                    : QStringLiteral("%1 is not installed (scripts/install-deps.sh --tests)").arg(program);
        return r;
    }
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

std::string Said(const ToolRun& r) {
    return (r.out + r.err).toStdString();
}

QString ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The value of KEY= in a desktop entry's main group.
QString EntryValue(const QString& entry, const QString& key) {
    for (const QString& line : entry.split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    return {};
}

// The package, made once for the suite into a folder of its own.
class DebPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        if (!s_dir->isValid())
            return;
        s_made = RunTool(QStringLiteral("cpack"),
                         {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                          QStringLiteral(PADORA_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                          s_dir->path()});
        const ToolRun arch = RunTool(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
        s_deb = s_dir->filePath(
            QStringLiteral("padora_%1_%2.deb").arg(QStringLiteral(PADORA_VERSION), arch.out.trimmed()));
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override {
        ASSERT_EQ(s_made.status, 0) << Said(s_made);
        ASSERT_TRUE(QFileInfo::exists(s_deb)) << s_deb.toStdString() << " not made; "
                                              << QDir(s_dir->path()).entryList().join(' ').toStdString();
    }

    // The package's contents, unpacked into a folder of the test's own.
    QString Unpacked() {
        const ToolRun x =
            RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), s_deb, m_unpacked.path()});
        EXPECT_EQ(x.status, 0) << Said(x);
        return m_unpacked.path();
    }
    QString Field(const QString& name) const {
        return RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), s_deb, name}).out.trimmed();
    }

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline ToolRun s_made;
    static inline QString s_deb;
    QTemporaryDir m_unpacked;
};

// Root's commands: as root, or through sudo where it asks for no password.
class AsRoot {
public:
    AsRoot() {
        if (::geteuid() == 0)
            m_available = true;
        else if (RunTool(QStringLiteral("sudo"), {QStringLiteral("-n"), QStringLiteral("true")}).status == 0)
            m_available = m_sudo = true;
    }
    bool Available() const { return m_available; }
    ToolRun Run(const QString& program, const QStringList& args) const {
        // apt asks nothing; env hands the variable through sudo, which does not pass the caller's on.
        QStringList all{QStringLiteral("env"), QStringLiteral("DEBIAN_FRONTEND=noninteractive"), program};
        all += args;
        if (m_sudo)
            all.prepend(QStringLiteral("-n"));
        const QString first = m_sudo ? QStringLiteral("sudo") : all.takeFirst();
        return RunTool(first, all);
    }

private:
    bool m_available = false;
    bool m_sudo = false;
};

bool Installed() {
    return RunTool(QStringLiteral("dpkg-query"),
                   {QStringLiteral("-W"), QStringLiteral("-f=${Status}"), kPackage})
        .out.contains(QStringLiteral("install ok installed"));
}

// Purges the package when the test ends, whatever it ended with, so that no failed run leaves it
// installed on the machine.
class PurgeAtEnd {
public:
    explicit PurgeAtEnd(const AsRoot& root) : m_root(root) {}
    ~PurgeAtEnd() {
        if (!m_purged && Installed())
            Purge();
    }
    ToolRun Purge() {
        m_purged = true;
        return m_root.Run(QStringLiteral("apt-get"),
                          {QStringLiteral("purge"), QStringLiteral("-y"), kPackage});
    }

private:
    const AsRoot& m_root;
    bool m_purged = false;
};

} // namespace

TEST_F(DebPackage, PassesLintianAndHoldsEveryPartWhereTheSystemLooksForIt) {
    const ToolRun lint =
        RunTool(QStringLiteral("lintian"), {QStringLiteral("--no-tag-display-limit"), s_deb});
    EXPECT_FALSE((QLatin1Char('\n') + lint.out).contains(QStringLiteral("\nE: "))) << Said(lint);
    EXPECT_NE(lint.status, -1) << Said(lint);

    EXPECT_EQ(Field(QStringLiteral("Package")), kPackage);
    EXPECT_EQ(Field(QStringLiteral("Version")), QStringLiteral(PADORA_VERSION));
    // Computed from the binaries: Qt, the audio libraries; and never Padora's own libraries, which are
    // in the package itself.
    const QString depends = Field(QStringLiteral("Depends"));
    for (const char* dep :
         {"libqt6widgets6", "libportaudio2", "libfluidsynth3", "libavcodec", "fonts-ipafont-gothic"})
        EXPECT_TRUE(depends.contains(QLatin1String(dep))) << dep << " not in " << depends.toStdString();
    EXPECT_FALSE(depends.contains(QStringLiteral("padkit")) || depends.contains(QStringLiteral("playkit")))
        << depends.toStdString();

    const QString root = Unpacked();
    for (const char* file :
         {"/usr/bin/padora", "/usr/bin/padora-window", "/usr/share/icons/hicolor/48x48/apps/padora.png",
          "/usr/share/mime/packages/padora.xml", "/usr/share/man/man1/padora.1.gz",
          "/usr/share/man/man1/padora-window.1.gz", "/usr/share/doc/padora/copyright",
          "/usr/share/doc/padora/changelog.gz", "/usr/share/doc/padora/examples/sounds/chime.wav"})
        EXPECT_TRUE(QFileInfo::exists(root + QLatin1String(file))) << file;

    // The libraries in a folder of Padora's own, out of every other program's loader path, and the
    // window program's run path pointing there from wherever it is installed.
    const QString privateLibs = QStringLiteral("/usr/" PADORA_INSTALL_PKGLIBDIR);
    for (const char* lib : {"libpadkit.so.2", "libplaykit.so.2"}) {
        EXPECT_TRUE(QFileInfo::exists(root + privateLibs + QLatin1Char('/') + QLatin1String(lib))) << lib;
        EXPECT_FALSE(
            QFileInfo::exists(root + QStringLiteral("/usr/" PADORA_INSTALL_LIBDIR "/") + QLatin1String(lib)));
    }
    const ToolRun dyn = RunTool(QStringLiteral("readelf"),
                                {QStringLiteral("-d"), root + QStringLiteral("/usr/bin/padora-window")});
    EXPECT_TRUE(dyn.out.contains(QStringLiteral("[$ORIGIN/../" PADORA_INSTALL_PKGLIBDIR "]"))) << Said(dyn);

    // The menu entry names the installed program, not the folder the package was made in.
    const QString entryFile = root + kDesktopEntry;
    const ToolRun entryCheck = RunTool(QStringLiteral("desktop-file-validate"), {entryFile});
    EXPECT_EQ(entryCheck.status, 0) << Said(entryCheck);
    EXPECT_EQ(EntryValue(ReadText(entryFile), QStringLiteral("Exec")), QStringLiteral("/usr/bin/padora %f"));

    const QString metainfo = root + QStringLiteral("/usr/share/metainfo/" PADORA_APP_ID ".metainfo.xml");
    const ToolRun meta = RunTool(QStringLiteral("appstreamcli"),
                                 {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    EXPECT_EQ(meta.status, 0) << Said(meta);
    EXPECT_TRUE(ReadText(metainfo).contains(
        QStringLiteral("<launchable type=\"desktop-id\">" PADORA_APP_ID ".desktop<")));

    // The manual page reads without a complaint from groff.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    const ToolRun man =
        RunTool(QStringLiteral("man"),
                {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                 QStringLiteral("-l"), root + QStringLiteral("/usr/share/man/man1/padora.1.gz")},
                env);
    EXPECT_EQ(man.status, 0) << Said(man);
    EXPECT_TRUE(man.err.isEmpty()) << man.err.toStdString();
    EXPECT_TRUE(man.out.contains(QStringLiteral("--pad N"))) << man.out.toStdString();
}

TEST_F(DebPackage, InstalledWithAptPlaysTheDemoSetFromItsMenuEntryAndPurgesWithoutATrace) {
    const AsRoot root;
    if (!root.Available())
        GTEST_SKIP() << "installing the package needs root or sudo without a password";
    if (Installed())
        GTEST_SKIP() << "a padora package is installed on this machine; the test would replace it";
    PurgeAtEnd purgeAtEnd(root);

    const ToolRun install =
        root.Run(QStringLiteral("apt-get"), {QStringLiteral("install"), QStringLiteral("-y"),
                                             QStringLiteral("--no-install-recommends"), s_deb});
    ASSERT_EQ(install.status, 0) << Said(install);
    ASSERT_TRUE(Installed());
    const QStringList owned = RunTool(QStringLiteral("dpkg"), {QStringLiteral("-L"), kPackage})
                                  .out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_TRUE(owned.contains(QStringLiteral("/usr/bin/padora-window"))) << owned.join(' ').toStdString();

    // Started as a desktop starts it from its menu entry, on the installed demo set.
    QStringList command = QProcess::splitCommand(EntryValue(ReadText(kDesktopEntry), QStringLiteral("Exec")));
    ASSERT_FALSE(command.isEmpty());
    command.replaceInStrings(QStringLiteral("%f"), kDemoSet);
    const QString program = command.takeFirst();

    QTemporaryDir work;
    QTemporaryDir runtime;
    ASSERT_TRUE(work.isValid() && runtime.isValid());
    const QString heard = work.filePath(QStringLiteral("heard.wav"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("PADORA_OSC_PORT"), QStringLiteral("0"));
    env.insert(QStringLiteral("PADORA_AUDIO"), QStringLiteral("record:") + heard);
    QProcess padora;
    padora.setProcessEnvironment(env);
    padora.setWorkingDirectory(work.path());
    padora.start(program, command);
    ASSERT_TRUE(padora.waitForStarted(kStartTimeoutMs)) << program.toStdString();

    // The installed launcher's triggers reach it once its window has started its remotes.
    const QString launcher = kPrefix + QStringLiteral("/bin/padora");
    auto trigger = [&](const QStringList& args) { return RunTool(launcher, args, env, kTriggerTimeoutMs); };
    ToolRun state;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (state = trigger({QStringLiteral("--state")})).status == 0; },
                               kStartTimeoutMs))
        << Said(state) << padora.readAllStandardError().toStdString();
    const QStringList fields = state.out.trimmed().split(QLatin1Char('\t'));
    ASSERT_GE(fields.size(), 3) << state.out.toStdString();
    EXPECT_EQ(fields[0], QStringLiteral("1"));
    EXPECT_EQ(fields[2], QStringLiteral("0"))
        << "the chime is not loaded: " << padora.readAllStandardError().toStdString();

    const e2e::Recording recording(heard);
    ASSERT_TRUE(recording.WaitFor(e2e::Recording::FramesOf(kQuietBefore)));
    const qint64 at = recording.Frames();
    EXPECT_EQ(trigger({QStringLiteral("--pad"), QStringLiteral("1")}).status, 0);
    double loudest = 0;
    for (double t = 0; t < kChimeSearch; t += kRmsWindow)
        loudest = std::max(loudest, recording.Rms(at + e2e::Recording::FramesOf(t), kRmsWindow));
    EXPECT_GT(loudest, kHeardRms);
    EXPECT_LT(recording.Rms(at - e2e::Recording::FramesOf(kQuietBefore), kQuietBefore), kSilentRms);

    padora.kill();
    padora.waitForFinished();

    const ToolRun purge = purgeAtEnd.Purge();
    ASSERT_EQ(purge.status, 0) << Said(purge);
    EXPECT_FALSE(Installed());
    // Nothing of it is left: what is still there is a folder another package owns (/usr/share/man/man1).
    for (const QString& path : owned) {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        EXPECT_TRUE(info.isDir() && !info.isSymLink()) << path.toStdString() << " is left";
        if (info.isDir()) {
            EXPECT_EQ(RunTool(QStringLiteral("dpkg-query"), {QStringLiteral("-S"), path}).status, 0)
                << path.toStdString() << " is left and no other package owns it";
        }
    }
}
