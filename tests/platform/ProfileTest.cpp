#include "platform/Profile.h"
#include "platform/CodePage.h"
#include "platform/SafeFile.h"
#include "tests/platform/FileEvents.h"
#include "tests/platform/TestFifo.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace platform;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    QString PathOf(const QString& name) const { return m_dir.filePath(name); }

    QString Write(const QString& name, const QByteArray& bytes) const {
        const QString path = PathOf(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(ProfileTest, HandEditedFileReadsAsTheDesktopReadsIt) {
    const QString path = Write("hand.ini", "; settings written by hand\r\n"
                                           "\r\n"
                                           "  [ option ]  \r\n"
                                           "  masterkey =  66  \r\n"
                                           "StopKey=17\r\n"
                                           "stopkey=99\r\n"
                                           "Quoted=\"  spaced  \"\r\n"
                                           "Single='x'\r\n"
                                           "Half=\"open\r\n"
                                           "NoEquals\r\n"
                                           "Empty=\r\n"
                                           "[Other]\r\n"
                                           "MasterKey=1\r\n");
    CProfileFile file(path);
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("OPTION", "MasterKey", "d"), "66");
    EXPECT_EQ(file.GetInt("Option", "MASTERKEY", 0), 66);
    EXPECT_EQ(file.GetInt("Option", "StopKey", 0), 17) << "the first of duplicate keys wins";
    EXPECT_EQ(file.GetString("Option", "Quoted", "d"), "  spaced  ");
    EXPECT_EQ(file.GetString("Option", "Single", "d"), "x");
    EXPECT_EQ(file.GetString("Option", "Half", "d"), "\"open");
    EXPECT_EQ(file.GetString("Option", "NoEquals", "d"), "d");
    EXPECT_EQ(file.GetString("Option", "Empty", "d"), "");
    EXPECT_EQ(file.GetInt("Option", "Empty", 5), 5);
    EXPECT_EQ(file.GetString("Option", "Missing", "d"), "d");
    EXPECT_EQ(file.GetString("Nowhere", "MasterKey", "d"), "d");
    EXPECT_EQ(file.GetInt("Other", "MasterKey", 0), 1);
}

TEST_F(ProfileTest, IntegersAreTheLeadingNumberWithAnOptionalSign) {
    EXPECT_EQ(ParseLeadingInt("42"), 42);
    EXPECT_EQ(ParseLeadingInt("-20"), -20);
    EXPECT_EQ(ParseLeadingInt("+7"), 7);
    EXPECT_EQ(ParseLeadingInt("  12abc"), 12);
    EXPECT_EQ(ParseLeadingInt("1.9"), 1);
    EXPECT_EQ(ParseLeadingInt("abc"), 0);
    EXPECT_EQ(ParseLeadingInt("-"), 0);
    EXPECT_EQ(ParseLeadingInt("0x10"), 0);
    EXPECT_EQ(ParseLeadingInt("4294967297"), 1) << "wraps to 32 bits like the desktop";
    EXPECT_EQ(ParseLeadingInt("2147483647"), 2147483647);
}

TEST_F(ProfileTest, DecimalsAreReadLikeAtofWithAPoint) {
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(" -0.25x"), -0.25);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("2e1"), 20.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("fast"), 0.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(""), 0.0);
    EXPECT_EQ(FormatFixed(1.0, 1), "1.0");
    EXPECT_EQ(FormatFixed(3.45, 1), "3.5"); // 3.4500000000000001776...
    EXPECT_EQ(FormatFixed(0.25, 1), "0.2"); // an exact tie rounds to even, as printf does
    EXPECT_EQ(FormatFixed(-0.04, 1), "-0.0");
    EXPECT_EQ(FormatFixed(0.5, 6), "0.500000");
}

TEST_F(ProfileTest, BufferSizeCutsWholeCharactersOnly) {
    const QString path = Write("buf.ini", QString("[S]\nK=abあい\n").toUtf8());
    CProfileFile file(path);
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("S", "K", "", 6), "abあ") << "5 bytes fit, the next character would not";
    EXPECT_EQ(file.GetString("S", "K", "", 7), "abあい");
    EXPECT_EQ(file.GetString("S", "Missing", "123456", 4), "123") << "defaults are cut too";
}

TEST_F(ProfileTest, WritingKeepsEveryOtherLine) {
    const QByteArray before = "; comment\r\n"
                              "[Option]\r\n"
                              "  MasterKey = 77\r\n"
                              "Odd line\r\n"
                              "\r\n"
                              "[FilePath]\r\n"
                              "GrpFolder=/a\r\n";
    const QString path = Write("keep.ini", before);
    CProfileFile file(path);
    ASSERT_TRUE(file.Load());
    file.SetString("option", "masterkey", "66");
    file.SetString("Option", "StopKey", "18");
    file.SetString("New", "Key", "v");
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(Read(path), QByteArray("; comment\r\n"
                                     "[Option]\r\n"
                                     "MasterKey=66\r\n"
                                     "Odd line\r\n"
                                     "StopKey=18\r\n"
                                     "\r\n"
                                     "[FilePath]\r\n"
                                     "GrpFolder=/a\r\n"
                                     "[New]\r\n"
                                     "Key=v\r\n"));
}

TEST_F(ProfileTest, FirstWriteCreatesTheFileAndReadsBack) {
    const QString path = PathOf("new.ini");
    EXPECT_EQ(GetPrivateProfileString("S", "K", "def", 0, path), "def");
    EXPECT_EQ(GetPrivateProfileInt("S", "N", 9, path), 9);
    EXPECT_EQ(WritePrivateProfileString("S", "K", "value one", path), TRUE);
    EXPECT_EQ(WritePrivateProfileString("S", "N", "-3", path), TRUE);
    EXPECT_EQ(WritePrivateProfileString("S", "Multi", "a\nb", path), TRUE);
    EXPECT_EQ(Read(path), QByteArray("[S]\nK=value one\nN=-3\nMulti=a b\n"));
    EXPECT_EQ(GetPrivateProfileString("s", "k", "def", 0, path), "value one");
    EXPECT_EQ(GetPrivateProfileInt("S", "N", 9, path), -3);
}

TEST_F(ProfileTest, ValuesTheReaderWouldChangeAreWrittenInQuotes) {
    // The reader trims values and takes one pair of enclosing quotes off; what it would change is
    // written in double quotes, which it takes off again (so does the desktop's reader).
    const QStringList values = {" lead", "trail ",     "   ",       "\tx\t",  "\"quoted\"", "'single'",
                                "\"\"",  "\u3000全角", "a \"b\" c", "\"half", "plain",      ""};
    const QString path = PathOf("quote.ini");
    CProfileFile file(path);
    for (qsizetype i = 0; i < values.size(); ++i)
        file.SetString("S", QStringLiteral("K%1").arg(i), values.at(i));
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(file.GetString("S", QStringLiteral("K%1").arg(i), "d"), values.at(i)) << "in memory: " << i;
    ASSERT_TRUE(file.Save());
    CProfileFile back(path);
    ASSERT_TRUE(back.Load());
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.GetString("S", QStringLiteral("K%1").arg(i), "d"), values.at(i)) << "read back: " << i;
    const QByteArray text = Read(path);
    EXPECT_TRUE(text.contains("\nK0=\" lead\"\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nK4=\"\"quoted\"\"\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nK8=a \"b\" c\n")) << "only what needs it is quoted";
    EXPECT_TRUE(text.contains("\nK10=plain\n"));
    EXPECT_TRUE(text.contains("\nK11=\n"));
}

TEST_F(ProfileTest, FilesWrittenInCp932AreRead) {
    // [グループ] / 名前=効果音 in Shift_JIS: not valid UTF-8.
    const QByteArray sjis = EncodeCp932(QString("[Sec]\r\n名前=効果音 ｱｲｳ\r\n表=\\\r\n"));
    ASSERT_FALSE(IsValidUtf8(sjis));
    const QString path = Write("sjis.ini", sjis);
    CProfileFile file(path);
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("Sec", "名前", ""), "効果音 ｱｲｳ");
    EXPECT_EQ(file.GetString("Sec", "表", ""), "\\") << "表 ends in byte 0x5C and must not swallow the '='";
}

TEST_F(ProfileTest, FailedWritesLeaveTheOldFileByteForByte) {
    const QByteArray old = "[S]\nK=old\n";
    const QString path = Write("ro.ini", old);
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_EQ(WritePrivateProfileString("S", "K", "new", path), FALSE);
    EXPECT_EQ(Read(path), old);

    // A file too large to be a profile file is neither read nor replaced.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::resize(path, CProfileFile::kMaxFileBytes + 1));
    CProfileFile big(path);
    EXPECT_FALSE(big.Load());
    EXPECT_EQ(WritePrivateProfileString("S", "K", "new", path), FALSE);
    EXPECT_EQ(QFileInfo(path).size(), CProfileFile::kMaxFileBytes + 1);
    QFile::resize(path, old.size());

    ASSERT_TRUE(QDir(m_dir.path()).mkdir("dir.ini"));
    QString error;
    EXPECT_FALSE(WriteFileAtomically(PathOf("dir.ini"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(WriteFileAtomically(PathOf("missing/x.ini"), "x"));
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files).contains("ro.ini"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";
}

TEST_F(ProfileTest, TemporaryFilesAreRecognisablyOursAndStaleOnesOfTheTargetGo) {
    const QString path = Write("set.pdg", "[S]\nK=old\n");
    const QDateTime old = QDateTime::currentDateTime().addSecs(-600);
    auto leave = [&](const QString& name, const QDateTime& when) {
        const QString p = Write(name, "half a save");
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime));
        return p;
    };
    const QString stale = leave("set.pdg.padora-a1B2c3", old);
    const QStringList kept = {
        leave("set.pdg.padora-Zz9Yy8", QDateTime::currentDateTime()), // a save in progress, maybe
        leave("set.pdg.padora-a1B2c", old),                           // not the pattern
        leave("set.pdg.a1B2c3", old),                                 // not ours
        leave("other.pdg.padora-a1B2c3", old),                        // another target's
        leave("xset.pdg.padora-a1B2c3", old),
    };
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("set.pdg.padora-d1r000"));

    const platform_test::CFileEvents created(m_dir.path(), IN_CREATE);
    ASSERT_TRUE(WriteFileAtomically(path, "[S]\nK=new\n"));
    EXPECT_EQ(Read(path), "[S]\nK=new\n");
    const QStringList names = created.Take();
    ASSERT_EQ(names.size(), 1) << names.join(' ').toStdString();
    EXPECT_TRUE(QRegularExpression("^set\\.pdg\\.padora-[A-Za-z0-9]{6}$").match(names[0]).hasMatch())
        << names[0].toStdString();
    EXPECT_EQ(TempFilePattern(path), path + ".padora-XXXXXX");

    EXPECT_FALSE(QFileInfo::exists(stale));
    for (const QString& p : kept)
        EXPECT_TRUE(QFileInfo::exists(p)) << p.toStdString();
    EXPECT_TRUE(QFileInfo(PathOf("set.pdg.padora-d1r000")).isDir());
}

// Binds a Unix socket at path; the descriptor is closed with the object, the file stays.
class CBoundSocket {
public:
    explicit CBoundSocket(const QString& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd < 0 || static_cast<size_t>(name.size()) >= sizeof addr.sun_path)
            return;
        std::memcpy(addr.sun_path, name.constData(), static_cast<size_t>(name.size()));
        m_bBound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~CBoundSocket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CBoundSocket(const CBoundSocket&) = delete;
    CBoundSocket& operator=(const CBoundSocket&) = delete;
    bool Bound() const { return m_bBound; }

private:
    int m_fd;
    bool m_bBound = false;
};

TEST_F(ProfileTest, WhatIsNoRegularFileIsNeitherWaitedOnNorReadNorReplaced) {
    platform_test::CTestFifo fifo(PathOf("fifo.ini"));
    ASSERT_TRUE(fifo.Made());
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("dir.ini"));
    CBoundSocket socket(PathOf("socket.ini"));
    ASSERT_TRUE(socket.Bound());
    ASSERT_TRUE(QFile::link(fifo.Path(), PathOf("link.ini")));
    for (const QString& path : {fifo.Path(), PathOf("dir.ini"), PathOf("socket.ini"), PathOf("link.ini"),
                                QStringLiteral("/dev/null")}) {
        CProfileFile file(path);
        EXPECT_FALSE(file.Load()) << path.toStdString();
        EXPECT_EQ(GetPrivateProfileInt("S", "K", 7, path), 7) << path.toStdString();
        EXPECT_EQ(WritePrivateProfileString("S", "K", "new", path), FALSE) << path.toStdString();
        QString error;
        EXPECT_FALSE(WriteFileAtomically(path, "[S]\nK=new\n", &error)) << path.toStdString();
        EXPECT_FALSE(error.isEmpty());
        QFile opened;
        EXPECT_EQ(OpenRegularFile(path, opened), OpenResult::NotRegular) << path.toStdString();
        EXPECT_FALSE(opened.isOpen());
    }
    EXPECT_FALSE(fifo.ReaderWasStuck()) << "a FIFO was opened as if it were a file";
    EXPECT_EQ(QFileInfo(PathOf("link.ini")).symLinkTarget(), fifo.Path());
    EXPECT_FALSE(QFileInfo(fifo.Path()).isFile()) << "the FIFO was replaced";
    EXPECT_FALSE(QFileInfo(PathOf("socket.ini")).isFile());

    QFile file;
    EXPECT_EQ(OpenRegularFile(PathOf("none.ini"), file), OpenResult::Missing);
    EXPECT_EQ(OpenRegularFile(PathOf("none/x.ini"), file), OpenResult::Missing);
    EXPECT_EQ(OpenRegularFile(Write("plain.ini", "[S]\nK=1\n"), file), OpenResult::Opened);
    EXPECT_EQ(file.readAll(), "[S]\nK=1\n");
}

TEST(CodePageTest, CountsAndCutsCp932Bytes) {
    EXPECT_EQ(Cp932Length("abc"), 3);
    EXPECT_EQ(Cp932Length("あいう"), 6);
    EXPECT_EQ(Cp932Length("ｱｲｳ"), 3) << "half-width katakana is one byte";
    EXPECT_EQ(Cp932Left("aあb", 2), "a");
    EXPECT_EQ(Cp932Left("aあb", 3), "aあ");
    EXPECT_EQ(Cp932Left(QString::fromUtf8("a\xF0\x9F\x8E\xB5"), 2), "a") << "a surrogate pair stays whole";
    EXPECT_EQ(Cp932Left("abc", 0), "");
}

TEST(CodePageTest, DecodesUtf8WithBomAndCp932) {
    EXPECT_EQ(DecodeText("\xEF\xBB\xBFGroup"), "Group");
    EXPECT_EQ(DecodeText("\x82\xA0\x83\x41"), "あア");
    EXPECT_EQ(DecodeText(QByteArray("\xFF\xFE[\0S\0]\0", 8)), "[S]");
    EXPECT_EQ(DecodeCp932(EncodeCp932("ﾃｽﾄ・表示①")), "ﾃｽﾄ・表示①");
    EXPECT_EQ(DecodeText("a\x82"), QString("a") + QChar(0xFFFD))
        << "a cut character is replaced, not lost silently";
}

} // namespace
