#include "app/settings/Option.h"
#include "app/settings/AudioSettings.h"
#include "tests/platform/TestFifo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class OptionTest : public ::testing::Test {
protected:
    void WriteIni(const QByteArray& bytes) {
        QFile file(m_file.Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray ReadIni() const {
        QFile file(m_file.Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    CSettingsFile m_file{m_dir.filePath("Padora.INI")};
};

TEST_F(OptionTest, WithoutAFileEveryFieldHasItsDefault) {
    OPTIONDATA option;
    EXPECT_EQ(LoadOption(option, m_file), 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(option.nVKey[i], kDefaultVKey[i]);
    // Keypad 1 to 9, then keypad 0.
    EXPECT_EQ(option.nVKey[0], 97);
    EXPECT_EQ(option.nVKey[8], 105);
    EXPECT_EQ(option.nVKey[9], 96);
    EXPECT_EQ(option.nMasterKey, 77);
    EXPECT_EQ(option.nStopKey, 17);
    EXPECT_EQ(option.nAllStopKey, 32);
    EXPECT_EQ(option.nGrpBackKey, 37);
    EXPECT_EQ(option.nGrpNextKey, 39);
    EXPECT_EQ(option.nVolUpKey, 38);
    EXPECT_EQ(option.nVolDownKey, 40);
    EXPECT_EQ(option.nVolVal, 1);
    EXPECT_EQ(option.bGetNoActive, 1);
    EXPECT_EQ(option.bGetNAKey, 1);
    EXPECT_EQ(option.bGetNAStop, 0);
    EXPECT_EQ(option.bGetNAGrp, 0);
    EXPECT_EQ(option.bRelative, 0);
    EXPECT_FALSE(QFile::exists(m_file.Path())) << "reading creates no file";
}

TEST_F(OptionTest, ShortOrBrokenVKeyListsLeaveTheRestWithoutAKey) {
    OPTIONDATA option;
    WriteIni("[Option]\r\nVKey=49,50\r\n");
    LoadOption(option, m_file);
    EXPECT_EQ(option.nVKey[0], 49);
    EXPECT_EQ(option.nVKey[1], 50);
    for (int i = 2; i < 10; ++i)
        EXPECT_EQ(option.nVKey[i], 0) << i;

    WriteIni("[option]\nvkey= 1, -2,3 ,4\nmasterkey=x\nVolVal=+5z\n");
    LoadOption(option, m_file);
    EXPECT_EQ(option.nVKey[0], 1);
    EXPECT_EQ(option.nVKey[1], -2);
    EXPECT_EQ(option.nVKey[2], 3);
    EXPECT_EQ(option.nVKey[3], 0) << "a blank before the comma stops the scan";
    EXPECT_EQ(option.nMasterKey, 0) << "a value that is not a number reads as 0";
    EXPECT_EQ(option.nVolVal, 5);
    EXPECT_EQ(option.nStopKey, 17);
}

TEST_F(OptionTest, SavingWritesAllKeysInOrderAndKeepsTheFilePaths) {
    WriteIni("[FilePath]\nGrpFolder=/show\n[Option]\nMasterKey=1\n");
    OPTIONDATA option;
    LoadOption(option, m_file);
    option.nVKey[9] = 48;
    option.bRelative = 1;
    option.nVolVal = -3;
    EXPECT_EQ(SaveOption(option, m_file), 1);
    EXPECT_EQ(ReadIni(), QByteArray("[FilePath]\nGrpFolder=/show\n[Option]\nMasterKey=1\n"
                                    "VKey=97,98,99,100,101,102,103,104,105,48\nStopKey=17\nAllStopKey=32\n"
                                    "GrpBackKey=37\nGrpNextKey=39\nVolUpKey=38\nVolDownKey=40\nVolVal=-3\n"
                                    "GetNoActive=1\nGetNAKey=1\nGetNAStop=0\nGetNAGrp=0\nRelative=1\n"));
    OPTIONDATA back;
    LoadOption(back, m_file);
    EXPECT_EQ(0, memcmp(&option, &back, sizeof option));
    EXPECT_EQ(GetGrpFolder(m_file), "/show");
}

TEST_F(OptionTest, FoldersDefaultToTheCurrentDirectoryAndReadBack) {
    EXPECT_EQ(GetGrpFolder(m_file), QDir::currentPath());
    EXPECT_EQ(GetSndFolder(m_file), QDir::currentPath());
    EXPECT_EQ(SetGrpFolder("/show/sets", m_file), TRUE);
    EXPECT_EQ(SetSndFolder("/show/効果音", m_file), TRUE);
    EXPECT_EQ(GetGrpFolder(m_file), "/show/sets");
    EXPECT_EQ(GetSndFolder(m_file), "/show/効果音");

    const QString longFolder = "/" + QString(300, 'a') + "/" + QString(200, 'b');
    SetGrpFolder(longFolder, m_file);
    EXPECT_EQ(GetGrpFolder(m_file), longFolder) << "a long folder is not cut at 260 bytes";
}

} // namespace

TEST_F(OptionTest, AWriteThatFailsSaysSoAndLeavesTheFileAsItWas) {
    // The folder of the file is missing.
    OPTIONDATA option;
    LoadOption(option, m_file);
    const CSettingsFile nowhere(m_dir.filePath("missing/Padora.INI"));
    EXPECT_EQ(SaveOption(option, nowhere), 0);
    EXPECT_FALSE(QFile::exists(nowhere.Path()));

    // A settings file that cannot be read is not replaced from an empty document.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("Padora.INI"));
    EXPECT_EQ(SaveOption(option, m_file), 0);
    EXPECT_TRUE(QFileInfo(m_file.Path()).isDir());
}

TEST_F(OptionTest, ASettingsFileThatIsAFifoIsNeitherWaitedOnNorReadNorReplaced) {
    platform_test::CTestFifo fifo(m_file.Path());
    ASSERT_TRUE(fifo.Made());
    OPTIONDATA option;
    EXPECT_EQ(LoadOption(option, m_file), 1);
    EXPECT_EQ(option.nMasterKey, 77);
    EXPECT_EQ(option.nVKey[9], 96);
    EXPECT_EQ(GetGrpFolder(m_file), QDir::currentPath());
    AUDIOSETTINGS audio;
    LoadAudioSettings(audio, m_file);
    EXPECT_EQ(audio.nPeriod, AUDIOSETTINGS().nPeriod);

    option.nMasterKey = 78;
    EXPECT_EQ(SaveOption(option, m_file), 0);
    EXPECT_EQ(SetGrpFolder(QStringLiteral("/show"), m_file), FALSE);
    EXPECT_FALSE(SaveAudioSettings(audio, m_file));
    EXPECT_FALSE(fifo.ReaderWasStuck()) << "Padora.INI was opened as if it were a file";
    EXPECT_FALSE(QFileInfo(m_file.Path()).isFile()) << "the FIFO was replaced";
}
