#include "app/settings/Option.h"
#include "app/data/LoudnessMatcher.h"
#include "app/remote/MidiControl.h"
#include "app/remote/MidiMap.h"
#include "app/remote/RemoteControl.h"
#include "app/settings/AudioSettings.h"
#include "app/settings/RemoteSettings.h"
#include "tests/platform/FileEvents.h"
#include "tests/platform/TestFifo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

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

namespace {

// What this process writes to standard error while the object lives.
class CStderrCapture {
public:
    CStderrCapture() : m_file(std::tmpfile()), m_saved(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        ::dup2(fileno(m_file), STDERR_FILENO);
    }
    ~CStderrCapture() {
        Restore();
        std::fclose(m_file);
    }
    CStderrCapture(const CStderrCapture&) = delete;
    CStderrCapture& operator=(const CStderrCapture&) = delete;
    QString Text() {
        Restore();
        std::rewind(m_file);
        QByteArray bytes;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
            bytes.append(buffer, static_cast<qsizetype>(n));
        return QString::fromUtf8(bytes);
    }

private:
    void Restore() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    std::FILE* m_file;
    int m_saved;
};

} // namespace

TEST_F(OptionTest, ASettingsFileOverTheBoundIsNeitherReadNorReplaced) {
    QByteArray text = "[Option]\nMasterKey=5\n[FilePath]\nGrpFolder=/show\n";
    const QByteArray filler = "; " + QByteArray(77, 'x') + "\n";
    while (text.size() <= CSettingsFile::kMaxBytes)
        text += filler;
    WriteIni(text);
    OPTIONDATA option;
    AUDIOSETTINGS audio;
    QString said;
    {
        CStderrCapture err;
        EXPECT_EQ(LoadOption(option, m_file), 1);
        EXPECT_EQ(GetGrpFolder(m_file), QDir::currentPath());
        LoadAudioSettings(audio, m_file);
        said = err.Text();
    }
    EXPECT_EQ(option.nMasterKey, 77) << "the defaults are used";
    EXPECT_EQ(said.count(QString::fromUtf8(CSettingsFile::kTooLargeText)), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(m_file.Path()));

    option.nMasterKey = 78;
    EXPECT_EQ(SaveOption(option, m_file), 0);
    EXPECT_EQ(SetGrpFolder(QStringLiteral("/other"), m_file), FALSE);
    EXPECT_FALSE(SaveAudioSettings(audio, m_file));
    EXPECT_FALSE(CRemoteSettings().Save(m_file));
    EXPECT_EQ(ReadIni(), text) << "the file is left as it was";
}

TEST_F(OptionTest, OneLoadReadsTheFileOnceForAllItsLookups) {
    WriteIni("[Option]\nMasterKey=5\n[Audio]\nPeriod=512\n[Remote]\nOscPort=9100\nMidiIn=x\n"
             "[Loudness]\nTarget=-16\n[FilePath]\nGrpFolder=/show\n");
    const platform_test::CFileEvents opens(m_file.Path(), IN_OPEN);
    OPTIONDATA option;
    AUDIOSETTINGS audio;
    CMidiMap map;
    {
        const CSettingsFile::CLoadScope load(m_file);
        const CSettingsFile copy = m_file; // the window's own copy shares the load
        LoadAudioSettings(audio, copy);
        LoadOption(option, copy);
        map = CRemoteSettings::Load(copy).map;
        EXPECT_EQ(CMidiControl::ReadConfig(copy).strIn, "x");
        EXPECT_TRUE(CMidiControl::IsWanted(copy, map));
        EXPECT_EQ(CRemoteControl::ReadConfig(copy).nPort, 9100);
        EXPECT_EQ(CLoudnessMatcher::ReadTarget(copy), -16.0);
        EXPECT_EQ(GetGrpFolder(copy), "/show");
        GetSndFolder(copy);
        EXPECT_EQ(opens.Take().size(), 1) << "one reading of the file";

        // What is written during the load is what it reads from then on.
        ASSERT_TRUE(SetGrpFolder(QStringLiteral("/next"), copy));
        const platform_test::CFileEvents written(m_file.Path(), IN_OPEN); // the new file
        EXPECT_EQ(GetGrpFolder(copy), "/next");
        EXPECT_EQ(written.Take().size(), 0);
    }
    EXPECT_EQ(option.nMasterKey, 5);
    EXPECT_EQ(audio.nPeriod, 512);
    // After the load, a lookup reads the file as it is now.
    WriteIni("[FilePath]\nGrpFolder=/edited\n");
    const platform_test::CFileEvents later(m_file.Path(), IN_OPEN);
    EXPECT_EQ(GetGrpFolder(m_file), "/edited");
    EXPECT_EQ(later.Take().size(), 1);
}
