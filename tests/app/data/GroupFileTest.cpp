#include "ForeignLocale.h"

#include "app/data/GroupFile.h"
#include "platform/CodePage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class GroupFileTest : public ::testing::Test {
protected:
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

    QString WriteFile(const QString& name, const QByteArray& bytes) const {
        const QString path = PathOf(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A CGroupFile whose save dialog answers with m_strAnswer and records the folder it got.
    CGroupFile MakeFile() {
        return CGroupFile(m_settings, [this](QWidget*, const QString& folder) {
            ++m_nAsked;
            m_strAskedFolder = folder;
            return m_strAnswer;
        });
    }

    // Two groups; the first with three stored channels and one that must not be written.
    CGroupArray MakeSet() const {
        CGroupArray set;
        CGroupData group;
        group.m_strName = "オープニング";
        CChannelData& a = group.m_aChannel[0];
        a.m_strTitle = "ファンファーレ";
        a.m_strFile = m_dir.filePath("sounds/fanfare.wav");
        a.m_nVolume = 55;
        a.m_nPan = -20;
        a.m_dRate = 1.5;
        a.m_bRepeat = TRUE;
        a.m_bFadeIn = TRUE;
        a.m_bFadeOut = FALSE;
        a.m_dTimeFadeIn = 0.1;
        a.m_dTimeFadeOut = 60.0;
        CChannelData& b = group.m_aChannel[9];
        b.m_strTitle = "Outside";
        b.m_strFile = QFileInfo(m_dir.path()).path() + "/other/b.wav";
        b.m_nVolume = 100;
        b.m_nPan = 50;
        b.m_dRate = 10.0;
        b.m_bFadeOut = TRUE;
        b.m_dTimeFadeOut = 3.5;
        b.m_nOutPair = 4;
        group.m_aChannel[4].m_strTitle = "title but no file";
        group.m_aChannel[5].m_strFile = "/file/but/no/title.wav";
        set.Add(group);
        CGroupData second;
        second.m_strName = "Effects";
        second.m_aChannel[2].m_strTitle = "Door";
        second.m_aChannel[2].m_strFile = "/abs/door.wav";
        set.Add(second);
        return set;
    }

    static void ExpectSameSavedFields(const CGroupArray& a, const CGroupArray& b) {
        ASSERT_EQ(a.GetSize(), b.GetSize());
        for (int g = 0; g < a.GetSize(); ++g) {
            EXPECT_EQ(a[g].m_strName, b[g].m_strName);
            for (int c = 0; c < CGroupData::kChannelCount; ++c) {
                const CChannelData& x = a[g].m_aChannel[static_cast<size_t>(c)];
                const CChannelData& y = b[g].m_aChannel[static_cast<size_t>(c)];
                SCOPED_TRACE(QString("%1-%2").arg(g + 1).arg(c + 1).toStdString());
                EXPECT_EQ(x.m_strTitle, y.m_strTitle);
                EXPECT_EQ(x.m_strFile, y.m_strFile);
                EXPECT_EQ(x.m_nVolume, y.m_nVolume);
                EXPECT_EQ(x.m_nPan, y.m_nPan);
                EXPECT_DOUBLE_EQ(x.m_dRate, y.m_dRate);
                EXPECT_EQ(x.m_bRepeat, y.m_bRepeat);
                EXPECT_EQ(x.m_bFadeIn, y.m_bFadeIn);
                EXPECT_EQ(x.m_bFadeOut, y.m_bFadeOut);
                EXPECT_DOUBLE_EQ(x.m_dTimeFadeIn, y.m_dTimeFadeIn);
                EXPECT_DOUBLE_EQ(x.m_dTimeFadeOut, y.m_dTimeFadeOut);
                EXPECT_EQ(x.m_nOutPair, y.m_nOutPair);
            }
        }
    }

    // What a reload must give for MakeSet(): unstored channels come back empty with volume 70.
    CGroupArray Expected() const {
        CGroupArray set = MakeSet();
        for (int g = 0; g < set.GetSize(); ++g) {
            for (CChannelData& ch : set[g].m_aChannel) {
                if (ch.m_strTitle.isEmpty() || ch.m_strFile.isEmpty()) {
                    ch.Init();
                    ch.m_nVolume = 70;
                }
            }
        }
        return set;
    }

    QTemporaryDir m_dir;
    CSettingsFile m_settings{m_dir.filePath("Padora.INI")};
    QString m_strAnswer;
    QString m_strAskedFolder;
    int m_nAsked = 0;
};

TEST_F(GroupFileTest, WritesTheDocumentedLayout) {
    CGroupArray set;
    CGroupData group;
    group.m_strName = "Opening";
    group.m_aChannel[0].m_strTitle = "Fanfare";
    group.m_aChannel[0].m_strFile = "/show/fanfare.mp3";
    group.m_aChannel[0].m_nVolume = 70;
    group.m_aChannel[0].m_nPan = -20;
    group.m_aChannel[0].m_bFadeOut = TRUE;
    group.m_aChannel[0].m_dTimeFadeOut = 3.45;
    set.Add(group);
    CGroupData empty;
    empty.m_strName = "Effects";
    set.Add(empty);
    const QString path = PathOf("set.pdg");
    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
    EXPECT_EQ(ReadFile(path),
              QByteArray("[GroupData]\nGroupNum=2\nGrpName01=Opening\nGrpName02=Effects\n"
                         "[SoundData]\nSndName01-01=Fanfare\nSndFName01-01=/show/fanfare.mp3\n"
                         "SndVol01-01=70\nSndPan01-01=-20\nSndRate01-01=1.0\nSndRepeat01-01=0\n"
                         "SndFI01-01=0\nSndFO01-01=1\nSndTimeFI01-01=5.0\nSndTimeFO01-01=3.5\n"));

    CGroupArray one;
    one.Add(empty);
    ASSERT_EQ(CGroupFile::Write(path, one, FALSE), CGroupFile::kOk);
    EXPECT_EQ(ReadFile(path), QByteArray("[GroupData]\nGroupNum=1\nGrpName01=Effects\n"));
    CGroupArray back;
    ASSERT_EQ(CGroupFile::Read(path, back), CGroupFile::kOk);
    ASSERT_EQ(back.GetSize(), 1);
    EXPECT_EQ(back[0].m_aChannel[3].m_nVolume, 70);
}

TEST_F(GroupFileTest, EverySavedFieldSurvivesARoundTripWithAndWithoutRelativePaths) {
    for (const BOOL relative : {FALSE, TRUE}) {
        SCOPED_TRACE(relative ? "relative" : "absolute");
        const QString path = PathOf(relative ? "rel.pdg" : "abs.pdg");
        ASSERT_EQ(CGroupFile::Write(path, MakeSet(), relative), CGroupFile::kOk);
        const QByteArray text = ReadFile(path);
        if (relative) {
            EXPECT_TRUE(text.contains("\nSndFName01-01=./sounds/fanfare.wav\n")) << text.constData();
            EXPECT_TRUE(text.contains("\nSndFName01-10=../other/b.wav\n")) << text.constData();
        } else {
            EXPECT_TRUE(
                text.contains("\nSndFName01-01=" + m_dir.filePath("sounds/fanfare.wav").toUtf8() + "\n"));
        }
        EXPECT_FALSE(text.contains("01-05")) << "a channel without a file is not written";
        EXPECT_FALSE(text.contains("01-06")) << "a channel without a title is not written";
        CGroupArray back;
        ASSERT_EQ(CGroupFile::Read(path, back), CGroupFile::kOk);
        ExpectSameSavedFields(back, Expected());
    }
}

TEST_F(GroupFileTest, TitlesNamesAndPathsWithBlanksQuotesOrBackslashesSurviveRepeatedSaves) {
    CGroupArray set;
    CGroupData group;
    group.m_strName = QStringLiteral("\u3000第一部 ");
    group.m_aChannel[0].m_strTitle = QStringLiteral("   "); // blanks only: the dialog takes it
    group.m_aChannel[0].m_strFile = m_dir.filePath("sounds/bell.wav");
    group.m_aChannel[1].m_strTitle = QStringLiteral("\"Hey\"");
    group.m_aChannel[1].m_strFile = m_dir.filePath("sounds/trailing .wav ");
    group.m_aChannel[2].m_strTitle = QStringLiteral(" 開演ベル");
    group.m_aChannel[2].m_strFile = m_dir.filePath("sounds/ lead.wav");
    group.m_aChannel[3].m_strTitle = QStringLiteral("back\\slash");
    group.m_aChannel[3].m_strFile = m_dir.filePath("sounds/AC\\DC.wav"); // a legal name here
    for (CChannelData& ch : group.m_aChannel)
        ch.m_nVolume = 70; // what an unstored channel reads as
    set.Add(group);
    for (const BOOL relative : {FALSE, TRUE}) {
        SCOPED_TRACE(relative ? "relative" : "absolute");
        const QString path = PathOf("blanks.pdg");
        CGroupArray current = set;
        // Saved, loaded and saved again, as an operator does over several sessions.
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(CGroupFile::Write(path, current, relative), CGroupFile::kOk);
            CGroupArray back;
            ASSERT_EQ(CGroupFile::Read(path, back), CGroupFile::kOk);
            current = back;
        }
        ExpectSameSavedFields(current, set);
    }
}

TEST_F(GroupFileTest, RelativePathsResolveAgainstTheGroupFileNotTheCurrentDirectory) {
    const QString path = WriteFile("show/set.pdg", "[GroupData]\nGroupNum=1\n[SoundData]\n"
                                                   "SndName01-01=a\nSndFName01-01=x.wav\n"
                                                   "SndName01-02=b\nSndFName01-02=../up/y.wav\n"
                                                   "SndName01-03=c\nSndFName01-03=/abs/./z.wav\n");
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));
    CGroupArray set;
    ASSERT_EQ(CGroupFile::Read(path, set), CGroupFile::kOk);
    QDir::setCurrent(current);
    EXPECT_EQ(set[0].m_aChannel[0].m_strFile, m_dir.filePath("show/x.wav"));
    EXPECT_EQ(set[0].m_aChannel[1].m_strFile, m_dir.filePath("up/y.wav"));
    EXPECT_EQ(set[0].m_aChannel[2].m_strFile, "/abs/z.wav");
}

TEST_F(GroupFileTest, SetsWrittenOnWindowsLoad) {
    const QString text = "[GroupData]\r\n"
                         "GroupNum=2\r\n"
                         "GrpName01=オープニング\r\n"
                         "GrpName02=ｺｳｶｵﾝ\r\n"
                         "[SoundData]\r\n"
                         "SndName01-01=表示テスト\r\n"
                         "SndFName01-01=.\\Sounds\\ファンファーレ.mp3\r\n"
                         "SndVol01-01=80\r\n"
                         "SndPan01-01=-20\r\n"
                         "SndRate01-01=0.5\r\n"
                         "SndRepeat01-01=1\r\n"
                         "SndFI01-01=1\r\n"
                         "SndFO01-01=0\r\n"
                         "SndTimeFI01-01=2.5\r\n"
                         "SndTimeFO01-01=5.0\r\n"
                         "SndName02-10=Abs\r\n"
                         "SndFName02-10=C:\\Show\\door.wav\r\n";
    const QByteArray bytes = platform::EncodeCp932(text);
    ASSERT_FALSE(platform::IsValidUtf8(bytes));
    const QString path = WriteFile("win/set.pdg", bytes);
    CGroupArray set;
    ASSERT_EQ(CGroupFile::Read(path, set), CGroupFile::kOk);
    ASSERT_EQ(set.GetSize(), 2);
    EXPECT_EQ(set[0].m_strName, "オープニング");
    EXPECT_EQ(set[1].m_strName, "ｺｳｶｵﾝ");
    const CChannelData& ch = set[0].m_aChannel[0];
    EXPECT_EQ(ch.m_strTitle, "表示テスト");
    EXPECT_EQ(ch.m_strFile, m_dir.filePath("win/Sounds/ファンファーレ.mp3"));
    EXPECT_EQ(ch.m_nVolume, 80);
    EXPECT_EQ(ch.m_nPan, -20);
    EXPECT_DOUBLE_EQ(ch.m_dRate, 0.5);
    EXPECT_EQ(ch.m_bRepeat, 1);
    EXPECT_EQ(ch.m_bFadeIn, 1);
    EXPECT_DOUBLE_EQ(ch.m_dTimeFadeIn, 2.5);
    EXPECT_EQ(set[1].m_aChannel[9].m_strFile, "C:\\Show\\door.wav") << "a drive path is kept as written";
}

TEST_F(GroupFileTest, ValueRules) {
    const QString path =
        WriteFile("rules.pdg", "[groupdata]\ngroupnum=3\nGrpName01=One\nGrpName04=Ignored\n"
                               "[SoundData]\n"
                               "sndvol01-01=150\nSndVol01-02=-5\nSndPan01-02=-20\n"
                               "SndRate01-03=fast\nSndTimeFI01-03=1,5\nSndTimeFO01-03=2.25\n"
                               "SndName01-04=r\nSndFName01-04=/r.wav\nSndRate01-04=0.123\nSndVol04-01=10\n");
    CGroupArray set;
    ASSERT_EQ(CGroupFile::Read(path, set), CGroupFile::kOk);
    ASSERT_EQ(set.GetSize(), 3) << "keys beyond GroupNum are ignored";
    EXPECT_EQ(set[0].m_aChannel[0].m_nVolume, 100);
    EXPECT_EQ(set[0].m_aChannel[1].m_nVolume, 0);
    EXPECT_EQ(set[0].m_aChannel[1].m_nPan, -20);
    EXPECT_EQ(set[0].m_aChannel[2].m_dRate, 0.0);
    EXPECT_EQ(set[0].m_aChannel[2].m_dTimeFadeIn, 1.0) << "a comma is no decimal point";
    EXPECT_EQ(set[0].m_aChannel[2].m_dTimeFadeOut, 2.25);
    EXPECT_EQ(set[0].m_aChannel[5].m_nVolume, 70);
    EXPECT_EQ(set[0].m_aChannel[5].m_dRate, 1.0);
    EXPECT_EQ(set[0].m_aChannel[5].m_dTimeFadeIn, 5.0);
    EXPECT_EQ(set[2].m_strName, "") << "a listed group without keys still becomes a group";
    EXPECT_EQ(set[2].m_aChannel[0].m_nVolume, 70);

    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
    CGroupArray back;
    ASSERT_EQ(CGroupFile::Read(path, back), CGroupFile::kOk);
    EXPECT_DOUBLE_EQ(back[0].m_aChannel[3].m_dRate, 0.1) << "more decimals come back rounded to one";
}

// The output pair is written only off the first pair, after the channel's other keys; values that are
// no pair number play on the first pair, and an unrouted set comes back to the same bytes.
TEST_F(GroupFileTest, OutputPairsAreStoredOnlyWhereRouted) {
    CGroupArray set = MakeSet();
    const QString path = PathOf("routed.pdg");
    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
    const QByteArray text = ReadFile(path);
    EXPECT_TRUE(text.contains("\nSndTimeFO01-10=3.5\nSndOut01-10=4\n")) << text.constData();
    EXPECT_EQ(text.count("SndOut"), 1) << "channels on 1–2 write no key";

    const QString foreign =
        WriteFile("foreign.pdg", "[GroupData]\nGroupNum=1\n[SoundData]\n"
                                 "SndOut01-01=16\nSndOut01-02=17\nSndOut01-03=0\nSndOut01-04=-2\n"
                                 "SndOut01-05=abc\nSndOut01-06=3x\nSndOut01-07= 5 \nSndOut01-08=\n"
                                 "sndout01-09=2\n");
    CGroupArray back;
    ASSERT_EQ(CGroupFile::Read(foreign, back), CGroupFile::kOk);
    const int expected[CGroupData::kChannelCount] = {16, 1, 1, 1, 1, 1, 5, 1, 2, 1};
    for (int c = 0; c < CGroupData::kChannelCount; ++c)
        EXPECT_EQ(back[0].m_aChannel[static_cast<size_t>(c)].m_nOutPair, expected[c]) << "channel " << c + 1;

    // An unrouted set (every channel back on 1–2) is written byte for byte as without the feature.
    const QString plain = PathOf("plain.pdg"), again = PathOf("again.pdg");
    set[0].m_aChannel[9].m_nOutPair = CChannelData::kDefaultOutPair;
    ASSERT_EQ(CGroupFile::Write(plain, set, FALSE), CGroupFile::kOk);
    EXPECT_FALSE(ReadFile(plain).contains("SndOut"));
    CGroupArray reread;
    ASSERT_EQ(CGroupFile::Read(plain, reread), CGroupFile::kOk);
    ASSERT_EQ(CGroupFile::Write(again, reread, FALSE), CGroupFile::kOk);
    EXPECT_EQ(ReadFile(again), ReadFile(plain));
}

TEST_F(GroupFileTest, RefusedFilesChangeNothing) {
    const QByteArray sound = QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16) + QByteArray(64, '\0');
    const QString big = QString::number(CGroupFile::kMaxGroups + 1);
    const QStringList refused = {
        PathOf("does-not-exist.pdg"),
        WriteFile("nonum.pdg",
                  "[GroupData]\nGrpName01=A\n[SoundData]\nSndName01-01=x\nSndFName01-01=/a.wav\n"),
        WriteFile("zero.pdg", "[GroupData]\nGroupNum=0\nGrpName01=A\n"),
        WriteFile("negative.pdg", "[GroupData]\nGroupNum=-3\n"),
        WriteFile("huge.pdg", "[GroupData]\nGroupNum=2000000000\n"),
        WriteFile("toomany.pdg", "[GroupData]\nGroupNum=" + big.toLatin1() + "\n"),
        WriteFile("foreign.pdg", sound),
        WriteFile("empty.pdg", ""),
        m_dir.path(),
    };
    const CGroupArray live = MakeSet();
    ASSERT_TRUE(SetGrpFolder("/previous", m_settings));
    const QByteArray ini = ReadFile(m_settings.Path());
    for (const QString& path : refused) {
        SCOPED_TRACE(path.toStdString());
        CGroupArray set = live;
        QString current = "/previous/set.pdg";
        EXPECT_EQ(MakeFile().Load(path, set, current), CGroupFile::kReadError);
        ExpectSameSavedFields(set, live);
        EXPECT_EQ(current, "/previous/set.pdg");
        EXPECT_EQ(ReadFile(m_settings.Path()), ini);
    }
    CGroupArray set;
    const QString most = WriteFile("most.pdg", "[GroupData]\nGroupNum=999\n");
    EXPECT_EQ(CGroupFile::Read(most, set), CGroupFile::kOk);
    EXPECT_EQ(set.GetSize(), CGroupFile::kMaxGroups);
}

TEST_F(GroupFileTest, LoadUpdatesTheLiveSetPathAndFolder) {
    const QString path = PathOf("load.pdg");
    ASSERT_EQ(CGroupFile::Write(path, MakeSet(), TRUE), CGroupFile::kOk);
    CGroupArray live;
    live.Add(CGroupData());
    QString current;
    ASSERT_EQ(MakeFile().Load(path, live, current), CGroupFile::kOk);
    ExpectSameSavedFields(live, Expected());
    EXPECT_EQ(current, path);
    EXPECT_EQ(GetGrpFolder(m_settings), m_dir.path());
}

TEST_F(GroupFileTest, DecimalsIgnoreTheProcessLocale) {
    const CForeignLocale locale;
    EXPECT_TRUE(locale.Active()) << "no comma locale could be made; only Qt's default was switched";
    const QString path = PathOf("locale.pdg");
    ASSERT_EQ(CGroupFile::Write(path, MakeSet(), FALSE), CGroupFile::kOk);
    const QByteArray text = ReadFile(path);
    EXPECT_TRUE(text.contains("\nSndRate01-01=1.5\n"));
    EXPECT_TRUE(text.contains("\nSndTimeFI01-01=0.1\n"));
    EXPECT_TRUE(text.contains("\nSndTimeFO01-10=3.5\n"));
    CGroupArray back;
    ASSERT_EQ(CGroupFile::Read(path, back), CGroupFile::kOk);
    ExpectSameSavedFields(back, Expected());

    const QString comma = WriteFile("comma.pdg", "[GroupData]\nGroupNum=1\n[SoundData]\nSndRate01-01=1,5\n");
    ASSERT_EQ(CGroupFile::Read(comma, back), CGroupFile::kOk);
    EXPECT_EQ(back[0].m_aChannel[0].m_dRate, 1.0);
}

TEST_F(GroupFileTest, FailedSavesLeaveTheOldFileByteForByte) {
    const QString path = PathOf("keep.pdg");
    ASSERT_EQ(CGroupFile::Write(path, MakeSet(), FALSE), CGroupFile::kOk);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    const QByteArray old = ReadFile(path);
    ASSERT_TRUE(SetGrpFolder("/previous", m_settings));
    CGroupArray changed = MakeSet();
    changed[0].m_strName = "changed";

    // A save that works keeps the file's permissions.
    const QFileDevice::Permissions perms = QFile::permissions(path);
    QString current = path;
    ASSERT_EQ(MakeFile().Save(nullptr, current, MakeSet(), FALSE, FALSE), CGroupFile::kOk);
    EXPECT_EQ(QFile::permissions(path), perms);
    EXPECT_EQ(m_nAsked, 0) << "saving to the current file shows no dialog";

    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_EQ(MakeFile().Save(nullptr, current, changed, FALSE, FALSE), CGroupFile::kWriteError);
    EXPECT_EQ(ReadFile(path), old) << "a read-only file is not replaced";

    ASSERT_TRUE(QDir(m_dir.path()).mkdir("dir.pdg"));
    ASSERT_TRUE(SetGrpFolder("/previous", m_settings));
    for (const QString& target : {PathOf("dir.pdg"), PathOf("missing/x.pdg")}) {
        m_strAnswer = target;
        QString strFilePath = path;
        EXPECT_EQ(MakeFile().Save(nullptr, strFilePath, changed, FALSE, TRUE), CGroupFile::kWriteError);
        EXPECT_EQ(strFilePath, path);
        EXPECT_EQ(GetGrpFolder(m_settings), "/previous");
    }
    EXPECT_EQ(ReadFile(path), old);
    QStringList left = QDir(m_dir.path()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, QStringList({"Padora.INI", "keep.pdg"})) << "no temporary file is left behind";

    CGroupArray tooMany;
    for (int i = 0; i <= CGroupFile::kMaxGroups; ++i)
        tooMany.Add(CGroupData());
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(CGroupFile::Write(path, tooMany, FALSE), CGroupFile::kWriteError)
        << "a set that could not be read back is not written";
    EXPECT_EQ(ReadFile(path), old);

    // A line break in a sound's name would come back as another name: the save fails whole.
    for (const QString& name : {QStringLiteral("two\nlines.wav"), QStringLiteral("cr\r.wav")}) {
        for (const BOOL relative : {FALSE, TRUE}) {
            CGroupArray odd = MakeSet();
            odd[0].m_aChannel[1].m_strTitle = QStringLiteral("Odd");
            odd[0].m_aChannel[1].m_strFile = m_dir.filePath(name);
            QString reason;
            EXPECT_EQ(CGroupFile::Write(path, odd, relative, &reason), CGroupFile::kWriteError);
            EXPECT_TRUE(reason.contains(QString::fromUtf8(CGroupFile::kUnstorableNameText)))
                << reason.toStdString();
            QString strFilePath = path;
            EXPECT_EQ(MakeFile().Save(nullptr, strFilePath, odd, relative, FALSE), CGroupFile::kWriteError);
            EXPECT_EQ(ReadFile(path), old);
        }
    }
}

TEST_F(GroupFileTest, SaveDialogStep) {
    CGroupArray set = MakeSet();
    QString current;

    m_strAnswer.clear();
    EXPECT_EQ(MakeFile().Save(nullptr, current, set, FALSE, FALSE), CGroupFile::kCancelled);
    EXPECT_EQ(m_nAsked, 1) << "a new set asks for a name";
    EXPECT_EQ(m_strAskedFolder, QDir::currentPath()) << "no GrpFolder yet: the current directory";
    EXPECT_TRUE(current.isEmpty());
    EXPECT_FALSE(QFile::exists(m_settings.Path())) << "cancelling writes nothing";

    m_strAnswer = PathOf("sub/named.pdg");
    QDir(m_dir.path()).mkdir("sub");
    ASSERT_EQ(MakeFile().Save(nullptr, current, set, FALSE, FALSE), CGroupFile::kOk);
    EXPECT_EQ(current, m_strAnswer);
    EXPECT_EQ(GetGrpFolder(m_settings), PathOf("sub"));

    // Save As asks again, starting in the folder remembered.
    m_strAnswer = PathOf("other.pdg");
    set[0].m_aChannel[0].m_strFile.clear();
    ASSERT_EQ(MakeFile().Save(nullptr, current, set, FALSE, TRUE), CGroupFile::kOk);
    EXPECT_EQ(m_strAskedFolder, PathOf("sub"));
    EXPECT_EQ(current, PathOf("other.pdg"));
    EXPECT_FALSE(ReadFile(current).contains("01-01=")) << "an emptied channel disappears from the file";

    EXPECT_EQ(CGroupFile::FolderOf("set.pdg"), "");
    EXPECT_EQ(CGroupFile::FolderOf("/set.pdg"), "/");
    EXPECT_EQ(CGroupFile::DialogFilter(), "ｸﾞﾙｰﾌﾟﾃﾞｰﾀ ﾌｧｲﾙ(*.pdg,*.dat) (*.pdg *.dat)");
}

} // namespace
