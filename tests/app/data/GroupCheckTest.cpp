#include "app/data/GroupCheck.h"
#include "app/data/SoundFinder.h"
#include "platform/CodePage.h"
#include "playkit/AdxEngine.h"
#include "tests/app/TestSounds.h"
#include "tests/platform/TestFifo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <sys/resource.h>

namespace {

using app_test::SineWav;

class GroupCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Sounds are opened, never played: no sound card needed.
        playkit::AdxEngineConfig config;
        config.backend = playkit::AdxBackend::Null;
        playkit::CAdxEngine::Configure(config);
    }

    QString WriteFile(const QString& name, const QByteArray& bytes) const {
        return app_test::WriteTestFile(m_dir.filePath(name), bytes);
    }

    QByteArray ReadFile(const QString& name) const {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int Check(const QString& path) {
        m_strOut.clear();
        m_strErr.clear();
        QTextStream out(&m_strOut);
        QTextStream err(&m_strErr);
        return RunGroupCheck(path, out, err);
    }

    int Fix(const QString& path, const QString& dir) {
        m_strOut.clear();
        m_strErr.clear();
        QTextStream out(&m_strOut);
        QTextStream err(&m_strErr);
        return RunGroupFix(path, dir, out, err);
    }

    QStringList Lines() const { return m_strOut.split('\n', Qt::SkipEmptyParts); }

    QTemporaryDir m_dir;
    QString m_strOut;
    QString m_strErr;
};

TEST_F(GroupCheckTest, ListsGroupsAndChannelsOfAWindowsSet) {
    WriteFile("show/Sounds/ファンファーレ.wav", SineWav(1.5));
    const QString text = "[GroupData]\r\nGroupNum=2\r\nGrpName01=オープニング\r\nGrpName02=Effects\r\n"
                         "[SoundData]\r\n"
                         "SndName01-01=開幕\r\nSndFName01-01=.\\Sounds\\ファンファーレ.wav\r\n"
                         "SndVol01-01=80\r\nSndPan01-01=-20\r\nSndRate01-01=1.25\r\nSndRepeat01-01=1\r\n"
                         "SndFI01-01=1\r\nSndFO01-01=0\r\nSndTimeFI01-01=2.5\r\n"
                         "SndName01-03=No file\r\n"
                         "SndName02-10=Door\r\nSndFName02-10=..\\gone\\door.wav\r\n";
    const QString path = WriteFile("show/set.pdg", platform::EncodeCp932(text));
    EXPECT_EQ(Check(path), kCheckSomeMissing);
    const QString show = m_dir.filePath("show");
    EXPECT_EQ(m_strOut, "group\t1\tオープニング\n"
                        "channel\t1-1\t開幕\t" +
                            show +
                            "/Sounds/ファンファーレ.wav\tvol=80\tpan=-20\trate=1.2\t"
                            "repeat=1\tfi=1\tfo=0\ttfi=2.5\ttfo=5.0\tok\tlen=1.5\n"
                            "group\t2\tEffects\n"
                            "channel\t2-10\tDoor\t" +
                            m_dir.filePath("gone/door.wav") +
                            "\tvol=70\tpan=0\trate=1.0\t"
                            "repeat=0\tfi=0\tfo=0\ttfi=5.0\ttfo=5.0\tmissing\tlen=-\n");
    EXPECT_TRUE(m_strErr.isEmpty());

    WriteFile("gone/door.wav", SineWav(0.25, -20.0, 1, 22050));
    EXPECT_EQ(Check(path), kCheckAllPresent);
    EXPECT_TRUE(m_strOut.endsWith("\tok\tlen=0.2\n")) << m_strOut.toStdString();
}

TEST_F(GroupCheckTest, EachSoundIsOpenedWithThePlayerAndItsFaultNamed) {
    WriteFile("ok.wav", SineWav(2.0));
    WriteFile("notes.txt", "a cue list, not a sound");
    WriteFile("header-only.wav", "RIFF");
    WriteFile("noise.mp3", QByteArray(4096, '\x5a'));
    QDir().mkpath(m_dir.filePath("folder.wav"));
    const QString path = WriteFile("set.pdg", "[GroupData]\nGroupNum=1\nGrpName01=G\n[SoundData]\n"
                                              "SndName01-01=Ok\nSndFName01-01=ok.wav\n"
                                              "SndName01-02=Text\nSndFName01-02=notes.txt\n"
                                              "SndName01-03=Cut\nSndFName01-03=header-only.wav\n"
                                              "SndName01-04=Noise\nSndFName01-04=noise.mp3\n"
                                              "SndName01-05=Folder\nSndFName01-05=folder.wav\n"
                                              "SndName01-06=Gone\nSndFName01-06=gone.ogg\n");
    EXPECT_EQ(Check(path), kCheckSomeMissing);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 7) << m_strOut.toStdString();
    auto fields = [&](int i) { return lines[i].split('\t'); };
    // The thirteen fields of the older format stay where they were.
    EXPECT_EQ(fields(1).mid(12), QStringList({"ok", "len=2.0"}));
    EXPECT_EQ(fields(2).mid(12), QStringList({"unsupported", "len=-", "extension .txt not accepted"}));
    for (int i : {3, 4, 5}) {
        ASSERT_EQ(fields(i).size(), 15) << lines[i].toStdString();
        EXPECT_EQ(fields(i)[12], "unplayable") << lines[i].toStdString();
        EXPECT_FALSE(fields(i)[14].trimmed().isEmpty()) << lines[i].toStdString();
    }
    EXPECT_EQ(fields(6).mid(12), QStringList({"missing", "len=-"}));
}

// Descriptors this process holds now.
int OpenDescriptors() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n;
}

// Lowers the soft limit on descriptors for the life of the object.
class CDescriptorLimit {
public:
    explicit CDescriptorLimit(rlim_t limit) {
        getrlimit(RLIMIT_NOFILE, &m_old);
        rlimit lowered = m_old;
        lowered.rlim_cur = std::min(limit, m_old.rlim_cur);
        m_bSet = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~CDescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_old); }
    CDescriptorLimit(const CDescriptorLimit&) = delete;
    CDescriptorLimit& operator=(const CDescriptorLimit&) = delete;
    bool Set() const { return m_bSet; }

private:
    rlimit m_old{};
    bool m_bSet = false;
};

TEST_F(GroupCheckTest, ALargeSetChecksEveryChannelWithOnePlayerOpenAtATime) {
    constexpr int kGroups = 200;
    constexpr int kChannels = 10;
    WriteFile("tick.wav", SineWav(0.05, -6.0, 1, 8000));
    QByteArray text = "[GroupData]\nGroupNum=" + QByteArray::number(kGroups) + "\n";
    QByteArray sounds = "[SoundData]\n";
    for (int g = 1; g <= kGroups; ++g) {
        text += QStringLiteral("GrpName%1=G%2\n").arg(g, 2, 10, QLatin1Char('0')).arg(g).toUtf8();
        for (int c = 1; c <= kChannels; ++c) {
            const QString key =
                QStringLiteral("%1-%2").arg(g, 2, 10, QLatin1Char('0')).arg(c, 2, 10, QLatin1Char('0'));
            sounds += QStringLiteral("SndName%1=T\nSndFName%1=./tick.wav\n").arg(key).toUtf8();
        }
    }
    const QString path = WriteFile("large.pdg", text + sounds);
    // As the program checks: no device and no engine thread.
    playkit::AdxEngineConfig config;
    config.backend = playkit::AdxBackend::Offline;
    playkit::CAdxEngine::Configure(config);
    int status = -1;
    {
        // A player left open per channel would run out of descriptors long before the end.
        const CDescriptorLimit limit(static_cast<rlim_t>(OpenDescriptors() + 128));
        ASSERT_TRUE(limit.Set());
        status = Check(path);
    }
    EXPECT_EQ(status, kCheckAllPresent);
    EXPECT_EQ(m_strOut.count(QStringLiteral("\tok\tlen=")), kGroups * kChannels);
    EXPECT_FALSE(m_strOut.contains(QStringLiteral("unplayable"))) << m_strOut.left(2000).toStdString();
}

TEST_F(GroupCheckTest, APathClimbingAboveTheRootIsPrintedResolved) {
    const QString sound = WriteFile("x.wav", SineWav(0.1));
    // Far more ".." than the set's folder is deep: they stop at the root.
    const QString stored = QString("../").repeated(64) + sound.mid(1);
    const QString path = WriteFile(
        "set.pdg",
        "[GroupData]\nGroupNum=1\n[SoundData]\nSndName01-01=X\nSndFName01-01=" + stored.toUtf8() + "\n");
    EXPECT_EQ(Check(path), kCheckAllPresent);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].split('\t').value(3), sound);
}

TEST_F(GroupCheckTest, AFileWithoutGroupsExitsWithTwo) {
    EXPECT_EQ(Check(m_dir.filePath("none.pdg")), kCheckNoGroup);
    EXPECT_TRUE(m_strOut.isEmpty());
    EXPECT_EQ(m_strErr, "ファイル読込中にエラーが発生しました。\n");
    EXPECT_EQ(Check(WriteFile("zero.pdg", "[GroupData]\nGroupNum=0\n")), kCheckNoGroup);
    EXPECT_EQ(Fix(m_dir.filePath("none.pdg"), m_dir.path()), kCheckNoGroup);

    EXPECT_EQ(Check(WriteFile("bare.pdg", "[GroupData]\nGroupNum=1\n")), kCheckAllPresent);
    EXPECT_EQ(m_strOut, "group\t1\t\n");
}

TEST_F(GroupCheckTest, AGroupFileThatIsNoRegularFileIsRefusedAsAMissingOneIs) {
    platform_test::CTestFifo fifo(m_dir.filePath("fifo.pdg"));
    ASSERT_TRUE(fifo.Made());
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("dir.pdg"));
    for (const QString& path : {fifo.Path(), m_dir.filePath("dir.pdg"), QStringLiteral("/dev/zero")}) {
        EXPECT_EQ(Check(path), kCheckNoGroup) << path.toStdString();
        EXPECT_TRUE(m_strOut.isEmpty());
        EXPECT_EQ(m_strErr, "ファイル読込中にエラーが発生しました。\n");
        EXPECT_EQ(Fix(path, m_dir.path()), kCheckNoGroup);
    }
    EXPECT_FALSE(fifo.ReaderWasStuck()) << "the group file was opened as if it were a file";
}

TEST_F(GroupCheckTest, ATabInANameOrTitleKeepsTheFieldsOfItsLine) {
    WriteFile("a.wav", SineWav(0.5));
    EXPECT_EQ(Check(WriteFile("tab.pdg", "[GroupData]\nGroupNum=1\nGrpName01=Act\t1\n[SoundData]\n"
                                         "SndName01-01=Bell\tring\nSndFName01-01=a.wav\n")),
              kCheckAllPresent);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "group\t1\tAct 1");
    EXPECT_EQ(lines[1].split('\t').size(), 14);
    EXPECT_TRUE(lines[1].startsWith("channel\t1-1\tBell ring\t"));
}

TEST_F(GroupCheckTest, AMovedShowIsMendedIntoACopyAndTheOriginalKept) {
    // Written on Windows with absolute paths, then moved here under another folder.
    const QString text = "[GroupData]\r\nGroupNum=1\r\nGrpName01=Show\r\n[SoundData]\r\n"
                         "SndName01-01=Bell\r\nSndFName01-01=D:\\Shows\\Hamlet\\Sounds\\Bell.wav\r\n"
                         "SndVol01-01=90\r\n"
                         "SndName01-02=Rain\r\nSndFName01-02=D:\\Shows\\Hamlet\\Sounds\\rain.wav\r\n"
                         "SndName01-03=Here\r\nSndFName01-03=./here.wav\r\n";
    const QString path = WriteFile("show/hamlet.pdg", platform::EncodeCp932(text));
    WriteFile("show/here.wav", SineWav(0.5));
    const QString bell = WriteFile("disk/Hamlet/Sounds/Bell.wav", SineWav(1.0));
    // Decoys: the same name in another case, and in folders that match less of the stored path.
    WriteFile("disk/Hamlet/Sounds/bell.WAV", SineWav(1.0));
    WriteFile("disk/Other/Bell.wav", SineWav(1.0));
    const QByteArray original = ReadFile("show/hamlet.pdg");

    EXPECT_EQ(Fix(path, m_dir.filePath("disk")), kCheckSomeMissing);
    const QString copy = m_dir.filePath("show/hamlet-fixed.pdg");
    EXPECT_EQ(CorrectedCopyPath(path), copy);
    const QStringList lines = Lines();
    ASSERT_GE(lines.size(), 3) << m_strOut.toStdString();
    EXPECT_EQ(lines[0], "found\t1-1\t" + bell);
    EXPECT_EQ(lines[1], "notfound\t1-2\tD:\\Shows\\Hamlet\\Sounds\\rain.wav");
    EXPECT_EQ(lines[2], "written\t" + copy);
    EXPECT_TRUE(m_strOut.contains("channel\t1-1\tBell\t" + bell + "\tvol=90\t")) << m_strOut.toStdString();
    EXPECT_TRUE(m_strOut.contains("\t1-2\tRain\tD:\\Shows\\Hamlet\\Sounds\\rain.wav\t"));
    EXPECT_EQ(ReadFile("show/hamlet.pdg"), original);
    // The copy stores paths relative to itself, so the show folder can move on.
    EXPECT_TRUE(ReadFile("show/hamlet-fixed.pdg").contains("SndFName01-01=../disk/Hamlet/Sounds/Bell.wav"));

    // With the last sound there as well, the copy checks clean.
    WriteFile("disk/Sounds/rain.wav", SineWav(0.5));
    EXPECT_EQ(Fix(path, m_dir.filePath("disk")), kCheckAllPresent) << m_strOut.toStdString();
    EXPECT_EQ(Check(copy), kCheckAllPresent);

    // Nothing missing: nothing written, the set is checked as it is.
    QFile::remove(copy);
    EXPECT_EQ(Fix(WriteFile("clean.pdg", "[GroupData]\nGroupNum=1\n"), m_dir.filePath("disk")),
              kCheckAllPresent);
    EXPECT_FALSE(m_strOut.contains("written"));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("clean-fixed.pdg")));
}

TEST(SoundFinder, PrefersTheExactNameThenTheMostFoldersInCommon) {
    QTemporaryDir dir;
    const QString a = app_test::WriteTestFile(dir.filePath("x/Act1/cue.wav"), "1");
    const QString b = app_test::WriteTestFile(dir.filePath("Act2/cue.wav"), "2");
    const QString upper = app_test::WriteTestFile(dir.filePath("Act1/CUE.WAV"), "3");
    const CSoundFinder finder(dir.path());
    EXPECT_EQ(finder.FileCount(), 3);
    EXPECT_EQ(finder.Find("C:\\show\\Act1\\cue.wav"), a);
    EXPECT_EQ(finder.Find("/old/Act2/cue.wav"), b);
    EXPECT_EQ(finder.Find("/old/Act1/CUE.WAV"), upper);
    EXPECT_EQ(finder.Find("cue.wav"), b); // no folder to go by: the shorter path
    EXPECT_EQ(finder.Find("Cue.Wav").isEmpty(), false);
    EXPECT_TRUE(finder.Find("/old/none.wav").isEmpty());
    EXPECT_TRUE(finder.Find("").isEmpty());
}

} // namespace
