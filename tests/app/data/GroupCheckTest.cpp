#include "app/data/GroupCheck.h"
#include "platform/CodePage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

class GroupCheckTest : public ::testing::Test {
protected:
    QString WriteFile(const QString& name, const QByteArray& bytes) const {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    int Check(const QString& path) {
        m_strOut.clear();
        m_strErr.clear();
        QTextStream out(&m_strOut);
        QTextStream err(&m_strErr);
        return RunGroupCheck(path, out, err);
    }

    QTemporaryDir m_dir;
    QString m_strOut;
    QString m_strErr;
};

TEST_F(GroupCheckTest, ListsGroupsAndChannelsOfAWindowsSet) {
    WriteFile("show/Sounds/ファンファーレ.wav", "RIFF");
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
                            "repeat=1\tfi=1\tfo=0\ttfi=2.5\ttfo=5.0\tok\n"
                            "group\t2\tEffects\n"
                            "channel\t2-10\tDoor\t" +
                            m_dir.filePath("gone/door.wav") +
                            "\tvol=70\tpan=0\trate=1.0\t"
                            "repeat=0\tfi=0\tfo=0\ttfi=5.0\ttfo=5.0\tmissing\n");
    EXPECT_TRUE(m_strErr.isEmpty());

    WriteFile("gone/door.wav", "RIFF");
    EXPECT_EQ(Check(path), kCheckAllPresent);
    EXPECT_TRUE(m_strOut.endsWith("\tok\n"));
}

TEST_F(GroupCheckTest, AFileWithoutGroupsExitsWithTwo) {
    EXPECT_EQ(Check(m_dir.filePath("none.pdg")), kCheckNoGroup);
    EXPECT_TRUE(m_strOut.isEmpty());
    EXPECT_EQ(m_strErr, "ファイル読込中にエラーが発生しました。\n");
    EXPECT_EQ(Check(WriteFile("zero.pdg", "[GroupData]\nGroupNum=0\n")), kCheckNoGroup);

    EXPECT_EQ(Check(WriteFile("bare.pdg", "[GroupData]\nGroupNum=1\n")), kCheckAllPresent);
    EXPECT_EQ(m_strOut, "group\t1\t\n");
}

TEST_F(GroupCheckTest, ATabInANameOrTitleKeepsTheFieldsOfItsLine) {
    WriteFile("a.wav", "RIFF");
    EXPECT_EQ(Check(WriteFile("tab.pdg", "[GroupData]\nGroupNum=1\nGrpName01=Act\t1\n[SoundData]\n"
                                         "SndName01-01=Bell\tring\nSndFName01-01=a.wav\n")),
              kCheckAllPresent);
    const QStringList lines = m_strOut.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "group\t1\tAct 1");
    EXPECT_EQ(lines[1].split('\t').size(), 13);
    EXPECT_TRUE(lines[1].startsWith("channel\t1-1\tBell ring\t"));
}

} // namespace
