#include "app/data/ShowCollector.h"
#include "app/data/GroupFile.h"
#include "tests/app/TestSounds.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

using Result = CShowCollector::Result;

class ShowCollectorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Path(const QString& rel) const { return m_dir.filePath(rel); }

    // A sound of its own bytes (the collector never decodes it).
    QString Sound(const QString& rel, int bytes = 1000) {
        QByteArray data(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            data[i] = static_cast<char>((i * 7 + rel.size() * 13) & 0xff);
        data.append(rel.toUtf8()); // no two sounds alike
        return app_test::WriteTestFile(Path(rel), data);
    }

    // One list of channel files per group ("" leaves the channel empty), titled after their place.
    static CGroupArray SetOf(const std::vector<QStringList>& groups) {
        CGroupArray set;
        for (size_t g = 0; g < groups.size(); ++g) {
            CGroupData group;
            group.m_strName = QStringLiteral("G%1").arg(g + 1);
            for (int c = 0; c < groups[g].size(); ++c) {
                if (groups[g][c].isEmpty())
                    continue;
                CChannelData& ch = group.m_aChannel[static_cast<size_t>(c)];
                ch.m_strTitle = QStringLiteral("T%1-%2").arg(g + 1).arg(c + 1);
                ch.m_strFile = groups[g][c];
                ch.m_nVolume = 50 + c;
            }
            set.Add(group);
        }
        return set;
    }

    static QByteArray Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    struct Stamp {
        QByteArray hash;
        QDateTime mtime;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const QString& path) {
        return {QCryptographicHash::hash(Bytes(path), QCryptographicHash::Sha256),
                QFileInfo(path).lastModified()};
    }

    static CGroupArray ReadBack(const QString& path) {
        CGroupArray set;
        EXPECT_EQ(CGroupFile::Read(path, set), CGroupFile::kOk) << path.toStdString();
        return set;
    }

    static QString FileOf(const CGroupArray& set, int g, int c) {
        return set[g].m_aChannel[static_cast<size_t>(c)].m_strFile;
    }

    // Everything in a folder, hidden entries included: a leftover temporary file shows here.
    static QStringList Entries(const QString& dir) {
        QStringList names =
            QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

    QTemporaryDir m_dir;
};

TEST_F(ShowCollectorTest, NamesClashAndRepeatsAreCopiedOnceEachUnderDistinctNamesThatResolve) {
    const QString bellA = Sound(QStringLiteral("a/bell.wav"));
    const QString bellB = Sound(QStringLiteral("b/bell.wav"), 2000);
    const QString bellC = Sound(QStringLiteral("c/Bell.WAV"), 3000); // one name on a stick without case
    const QString drum = Sound(QStringLiteral("a/drum.wav"), 500);
    ASSERT_EQ(QFile::link(bellA, Path(QStringLiteral("link.wav"))), true);
    // bell A four times: plainly, in another group, by a roundabout path and through a link.
    const CGroupArray set = SetOf({{bellA, bellB, QString(), bellC, Path(QStringLiteral("a/../a/bell.wav"))},
                                   {drum, bellA, Path(QStringLiteral("link.wav"))}});
    const QString out = Path(QStringLiteral("out"));

    const CShowCollector::Report report = CShowCollector(set, out, QStringLiteral("show")).Run();
    ASSERT_EQ(report.result, Result::Complete) << report.strError.toStdString();
    EXPECT_EQ(report.copied.size(), 4u);
    EXPECT_EQ(report.CopiedBytes(), QFileInfo(bellA).size() + QFileInfo(bellB).size() +
                                        QFileInfo(bellC).size() + QFileInfo(drum).size());
    EXPECT_EQ(report.nInPlace, 0);
    EXPECT_TRUE(report.missing.empty());
    EXPECT_EQ(report.strSetFile, out + QStringLiteral("/show.pdg"));
    EXPECT_EQ(Entries(out + QStringLiteral("/sounds")),
              QStringList({"Bell-3.WAV", "bell-2.wav", "bell.wav", "drum.wav"}));

    // Stored relative to the set file, as the relative-path option writes them.
    const QByteArray text = Bytes(report.strSetFile);
    EXPECT_TRUE(text.contains("SndFName01-01=./sounds/bell.wav")) << text.toStdString();
    EXPECT_TRUE(text.contains("SndFName01-02=./sounds/bell-2.wav"));
    EXPECT_TRUE(text.contains("SndFName01-04=./sounds/Bell-3.WAV"));
    EXPECT_TRUE(text.contains("SndFName01-05=./sounds/bell.wav"));
    EXPECT_TRUE(text.contains("SndFName02-03=./sounds/bell.wav"));

    // Read back, every channel plays the very bytes it played before, and keeps its settings.
    const CGroupArray back = ReadBack(report.strSetFile);
    ASSERT_EQ(back.GetSize(), 2);
    for (int g = 0; g < 2; ++g) {
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            const QString before = FileOf(set, g, c);
            if (before.isEmpty()) {
                EXPECT_TRUE(FileOf(back, g, c).isEmpty());
                continue;
            }
            EXPECT_TRUE(FileOf(back, g, c).startsWith(out + QStringLiteral("/sounds/")));
            EXPECT_EQ(Bytes(FileOf(back, g, c)), Bytes(before)) << g << '-' << c;
            EXPECT_EQ(back[g].m_aChannel[static_cast<size_t>(c)].m_nVolume, 50 + c);
        }
    }

    // Collecting again gives the same names: the earlier copies are replaced, not numbered on.
    const CShowCollector::Report again = CShowCollector(set, out, QStringLiteral("show")).Run();
    ASSERT_EQ(again.result, Result::Complete);
    EXPECT_EQ(Bytes(again.strSetFile), text);
    EXPECT_EQ(Entries(out + QStringLiteral("/sounds")).size(), 4);
}

TEST_F(ShowCollectorTest, MissingSoundsAreListedAndTheRestIsCollected) {
    const QString bell = Sound(QStringLiteral("bell.wav"));
    QDir().mkpath(Path(QStringLiteral("folder.wav")));
    CGroupArray set =
        SetOf({{bell, Path(QStringLiteral("gone.wav"))}, {QString(), Path(QStringLiteral("folder.wav"))}});
    // A file without a title is not part of the set file, so not of the show either.
    set[1].m_aChannel[5].m_strFile = Path(QStringLiteral("untitled-and-gone.wav"));
    const QString out = Path(QStringLiteral("out"));

    const CShowCollector::Report report = CShowCollector(set, out, QStringLiteral("show")).Run();
    ASSERT_EQ(report.result, Result::SomeMissing) << report.strError.toStdString();
    ASSERT_EQ(report.missing.size(), 2u);
    EXPECT_EQ(report.missing[0].nGroup, 0);
    EXPECT_EQ(report.missing[0].nChannel, 1);
    EXPECT_EQ(report.missing[0].strPath, Path(QStringLiteral("gone.wav")));
    EXPECT_EQ(report.missing[1].nGroup, 1);
    EXPECT_EQ(report.missing[1].nChannel, 1);
    EXPECT_EQ(report.copied.size(), 1u);

    // The missing ones still name where they were, so that they play once they are back.
    const CGroupArray back = ReadBack(report.strSetFile);
    EXPECT_EQ(Bytes(FileOf(back, 0, 0)), Bytes(bell));
    EXPECT_EQ(FileOf(back, 0, 1), Path(QStringLiteral("gone.wav")));
    EXPECT_EQ(FileOf(back, 1, 1), Path(QStringLiteral("folder.wav")));
}

TEST_F(ShowCollectorTest, SourcesAreNeverWrittenEvenWhenTheyLieInTheTargetFolder) {
    const QString dir = Path(QStringLiteral("show"));
    const QString outside = Sound(QStringLiteral("show/bell.wav"));
    const QString placed = Sound(QStringLiteral("show/sounds/bell.wav"), 1500);
    const QString drum = Sound(QStringLiteral("show/sounds/drum.wav"), 700);
    const QString hardLink = Path(QStringLiteral("elsewhere.wav"));
    ASSERT_EQ(::link(QFile::encodeName(drum).constData(), QFile::encodeName(hardLink).constData()), 0);
    const CGroupArray set = SetOf({{outside, placed, drum, hardLink}});
    const QString groupFile = dir + QStringLiteral("/show.pdg");
    ASSERT_EQ(CGroupFile::Write(groupFile, set, FALSE), CGroupFile::kOk);
    const QStringList sources = {outside, placed, drum, hardLink, groupFile};
    std::vector<Stamp> before;
    for (const QString& s : sources)
        before.push_back(StampOf(s));

    // The set file would land on the group file it came from: refused before anything is done.
    const CShowCollector::Report onItself = CShowCollector(set, dir, QStringLiteral("show"), groupFile).Run();
    EXPECT_EQ(onItself.result, Result::Failed);
    EXPECT_TRUE(onItself.strError.contains(groupFile));
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/sounds/bell-2.wav")));

    // Sounds already in the sounds folder stay (under one name or another); the one beside it is copied
    // to a name they leave free.
    const CShowCollector::Report report =
        CShowCollector(set, dir, QStringLiteral("collected"), groupFile).Run();
    ASSERT_EQ(report.result, Result::Complete) << report.strError.toStdString();
    EXPECT_EQ(report.nInPlace, 2);
    ASSERT_EQ(report.copied.size(), 1u);
    EXPECT_EQ(report.copied[0].strTo, dir + QStringLiteral("/sounds/bell-2.wav"));
    EXPECT_EQ(Entries(dir + QStringLiteral("/sounds")), QStringList({"bell-2.wav", "bell.wav", "drum.wav"}));
    const QByteArray text = Bytes(report.strSetFile);
    EXPECT_TRUE(text.contains("SndFName01-01=./sounds/bell-2.wav")) << text.toStdString();
    EXPECT_TRUE(text.contains("SndFName01-02=./sounds/bell.wav"));
    EXPECT_TRUE(text.contains("SndFName01-03=./sounds/drum.wav"));
    EXPECT_TRUE(text.contains("SndFName01-04=./sounds/drum.wav"));

    for (qsizetype i = 0; i < sources.size(); ++i)
        EXPECT_TRUE(StampOf(sources[i]) == before[static_cast<size_t>(i)]) << sources[i].toStdString();
}

TEST_F(ShowCollectorTest, AFolderThatCannotHoldTheSoundsIsAFailureWithNothingWritten) {
    const QString bell = Sound(QStringLiteral("bell.wav"));
    const QString dir = Path(QStringLiteral("out"));
    app_test::WriteTestFile(dir + QStringLiteral("/sounds"), "not a folder");
    const CShowCollector::Report report = CShowCollector(SetOf({{bell}}), dir, QStringLiteral("show")).Run();
    EXPECT_EQ(report.result, Result::Failed);
    EXPECT_TRUE(report.strError.contains(dir + QStringLiteral("/sounds")));
    EXPECT_EQ(Entries(dir), QStringList({"sounds"}));
}

TEST_F(ShowCollectorTest, CancellingLeavesNoSetFileAndNoHalfCopiedSound) {
    const QString big = Sound(QStringLiteral("big.wav"), 3 * 1024 * 1024);
    const QString small = Sound(QStringLiteral("small.wav"));
    const QString dir = Path(QStringLiteral("out"));
    int calls = 0;
    qint64 lastTotal = 0;
    const CShowCollector::Report report = CShowCollector(SetOf({{small, big}}), dir, QStringLiteral("show"))
                                              .Run([&](qint64 done, qint64 total) {
                                                  lastTotal = total;
                                                  EXPECT_LE(done, total);
                                                  return ++calls < 2; // within the big one
                                              });
    EXPECT_EQ(report.result, Result::Cancelled);
    EXPECT_EQ(lastTotal, QFileInfo(big).size() + QFileInfo(small).size());
    EXPECT_FALSE(QFileInfo::exists(CShowCollector::SetFilePath(dir, QStringLiteral("show"))));
    EXPECT_EQ(Entries(dir + QStringLiteral("/sounds")), QStringList({"small.wav"}));
}

TEST_F(ShowCollectorTest, AFullDiskStopsWithTheWriteErrorAndLeavesNothingHalfWritten) {
    const QString mountPoint = Path(QStringLiteral("small"));
    QDir().mkpath(mountPoint);
    if (geteuid() != 0 || mount("padora-test", mountPoint.toUtf8().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "needs root and a tmpfs mount";
    struct Unmount {
        QByteArray at;
        ~Unmount() { umount2(at.constData(), MNT_DETACH); }
    } unmount{mountPoint.toUtf8()};
    const QString fits = Sound(QStringLiteral("fits.wav"), 8 * 1024);
    const QString tooBig = Sound(QStringLiteral("big.wav"), 256 * 1024);
    const QString setFile = CShowCollector::SetFilePath(mountPoint, QStringLiteral("show"));
    app_test::WriteTestFile(setFile, "[GroupData]\nGroupNum=1\nGrpName01=old\n");
    const QByteArray oldSet = Bytes(setFile);

    const CShowCollector::Report report =
        CShowCollector(SetOf({{fits, tooBig}}), mountPoint, QStringLiteral("show")).Run();
    EXPECT_EQ(report.result, Result::Failed);
    EXPECT_TRUE(report.strError.startsWith(QString::fromUtf8(CGroupFile::kWriteErrorText)))
        << report.strError.toStdString();
    EXPECT_TRUE(report.strError.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
        << report.strError.toStdString();
    EXPECT_TRUE(report.strSetFile.isEmpty());
    EXPECT_EQ(Bytes(setFile), oldSet);
    // The whole copy stays; of the one that did not fit nothing is left, not even its temporary file.
    EXPECT_EQ(Entries(mountPoint + QStringLiteral("/sounds")), QStringList({"fits.wav"}));
    EXPECT_EQ(Bytes(mountPoint + QStringLiteral("/sounds/fits.wav")), Bytes(fits));
}

TEST(ShowCollectorName, TheGroupFilesNameOrForAnUnsavedSetTheFolders) {
    EXPECT_EQ(CShowCollector::SetNameFor(QStringLiteral("/shows/gala.dat"), QStringLiteral("/media/usb")),
              QStringLiteral("gala"));
    EXPECT_EQ(CShowCollector::SetNameFor(QString(), QStringLiteral("/media/usb/spring/")),
              QStringLiteral("spring"));
    EXPECT_EQ(CShowCollector::SetNameFor(QString(), QStringLiteral("/")), QStringLiteral("show"));
    EXPECT_EQ(CShowCollector::SetFilePath(QStringLiteral("/media/usb/"), QStringLiteral("gala")),
              QStringLiteral("/media/usb/gala.pdg"));
}

} // namespace
