#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kRunTimeoutMs = 60000;
const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QString& program, const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(kRunTimeoutMs) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class InstallE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        // A blank in the prefix: the desktop entry must quote the program's path.
        m_prefix = m_tmp.filePath(QStringLiteral("pre fix"));
        const ToolRun r = RunTool(QStringLiteral(PADORA_CMAKE),
                                  {QStringLiteral("--install"), QStringLiteral(PADORA_BUILD_DIR),
                                   QStringLiteral("--prefix"), m_prefix});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
    }
    QString Path(const char* rel) const { return m_prefix + QLatin1Char('/') + QString::fromUtf8(rel); }

    QTemporaryDir m_tmp;
    QString m_prefix;
};

} // namespace

TEST_F(InstallE2e, InstalledProgramRunsFromThePrefixWithItsOwnLibraries) {
    const QString bin = Path(PADORA_INSTALL_BINDIR "/padora");
    ASSERT_TRUE(QFileInfo(bin).isExecutable());
    // The libraries in a folder of Padora's own: no other program's loader finds them by accident.
    for (const char* lib : {"/libpadkit.so.2", "/libplaykit.so.2"}) {
        EXPECT_TRUE(QFileInfo::exists(Path(PADORA_INSTALL_PKGLIBDIR) + QLatin1String(lib))) << lib;
        EXPECT_FALSE(QFileInfo::exists(Path(PADORA_INSTALL_LIBDIR) + QLatin1String(lib))) << lib;
    }

    // Nothing points the loader anywhere: the run path alone must find the installed libraries.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    const ToolRun version = RunTool(bin, {QStringLiteral("--version")}, env);
    EXPECT_EQ(version.status, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("Padora Version "))) << version.out.toStdString();

    // padora answers the triggers itself and hands every other run to the window program beside it:
    // only that one loads the libraries.
    const ToolRun launcher = RunTool(QStringLiteral("ldd"), {bin}, env);
    ASSERT_EQ(launcher.status, 0);
    EXPECT_FALSE(launcher.out.contains(QStringLiteral("libQt6"))) << launcher.out.toStdString();
    const ToolRun ldd = RunTool(QStringLiteral("ldd"), {Path(PADORA_INSTALL_BINDIR "/padora-window")}, env);
    ASSERT_EQ(ldd.status, 0);
    for (const QString& lib : {QStringLiteral("libpadkit.so.2"), QStringLiteral("libplaykit.so.2")}) {
        const QString line =
            ldd.out.section(lib + QStringLiteral(" => "), 1, 1).section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(QDir::cleanPath(line).startsWith(QDir::cleanPath(Path(PADORA_INSTALL_PKGLIBDIR))))
            << line.toStdString();
    }
}

TEST_F(InstallE2e, DesktopEntryIsValidAndStartsTheInstalledProgramWithAFile) {
    const QString entry = Path(PADORA_INSTALL_DATADIR "/applications/" PADORA_APP_ID ".desktop");
    const ToolRun check = RunTool(QStringLiteral("desktop-file-validate"), {entry});
    EXPECT_EQ(check.status, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.isEmpty() && check.err.isEmpty()) << check.out.toStdString();

    const QString text = ReadText(entry);
    const QString bin = Path(PADORA_INSTALL_BINDIR "/padora");
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"%1\" %f\n").arg(bin))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=padora\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nMimeType=application/x-padora-group;\n")));
    // Software centres find the description by the entry's name.
    EXPECT_TRUE(ReadText(Path(PADORA_INSTALL_DATADIR "/metainfo/" PADORA_APP_ID ".metainfo.xml"))
                    .contains(QStringLiteral("<launchable type=\"desktop-id\">" PADORA_APP_ID ".desktop<")));
}

TEST_F(InstallE2e, IconsAreTheProgramsMarkInEverySize) {
    for (int size : kIconSizes) {
        const QString file = Path(PADORA_INSTALL_DATADIR "/icons/hicolor/") +
                             QStringLiteral("%1x%1/apps/padora.png").arg(size);
        const QImage img(file);
        ASSERT_FALSE(img.isNull()) << file.toStdString();
        EXPECT_EQ(img.size(), QSize(size, size));
        // The lit pad at the top left, a dark pad at the bottom right, (nearly) transparent corners.
        const QColor lit = img.pixelColor(size * 3 / 10, size * 3 / 10);
        const QColor dark = img.pixelColor(size * 7 / 10, size * 7 / 10);
        EXPECT_GT(lit.red(), 200) << size;
        EXPECT_LT(dark.red(), 160) << size;
        EXPECT_LT(img.pixelColor(0, 0).alpha(), 32) << size;
    }
}

TEST_F(InstallE2e, GroupFilesAreKnownAsTheirOwnType) {
    const QString mime = Path(PADORA_INSTALL_DATADIR "/mime");
    ASSERT_TRUE(QFileInfo::exists(mime + QStringLiteral("/packages/padora.xml")));
    // The database tool refuses a malformed package; built here in the temporary prefix only.
    const ToolRun update = RunTool(QStringLiteral("update-mime-database"), {mime});
    ASSERT_EQ(update.status, 0) << update.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(mime + QStringLiteral("/application/x-padora-group.xml")));
    EXPECT_TRUE(ReadText(mime + QStringLiteral("/globs2"))
                    .contains(QStringLiteral("application/x-padora-group:*.pdg")));
}
