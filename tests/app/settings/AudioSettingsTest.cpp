#include "app/settings/AudioSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class AudioSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The tests decide themselves whether the environment overrides.
        const char* env = std::getenv(kAudioEnvironment);
        m_savedEnv = env ? QByteArray(env) : QByteArray();
        m_hadEnv = env != nullptr;
        unsetenv(kAudioEnvironment);
    }
    void TearDown() override {
        if (m_hadEnv)
            setenv(kAudioEnvironment, m_savedEnv.constData(), 1);
    }
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
    QByteArray m_savedEnv;
    bool m_hadEnv = false;
};

} // namespace

TEST_F(AudioSettingsTest, DeviceNameAndPeriodSurviveTheFileAndTheOtherLinesStay) {
    WriteIni("[Option]\nVKey=97,98\n\n[FilePath]\nGrpFolder=/shows\n");
    AUDIOSETTINGS audio;
    // Names as drivers give them: colons, brackets, an equals sign, non-ASCII text.
    audio.strDevice = QStringLiteral("USB オーディオ: Out=1 (hw:2,0)");
    audio.nPeriod = 128;
    ASSERT_TRUE(SaveAudioSettings(audio, m_file));
    AUDIOSETTINGS back;
    LoadAudioSettings(back, m_file);
    EXPECT_EQ(back.strDevice, audio.strDevice);
    EXPECT_EQ(back.nPeriod, 128);
    const QByteArray ini = ReadIni();
    EXPECT_TRUE(ini.startsWith("[Option]\nVKey=97,98\n\n[FilePath]\nGrpFolder=/shows\n")) << ini.constData();
    EXPECT_TRUE(ini.contains("[Audio]\nDevice=USB オーディオ: Out=1 (hw:2,0)\nPeriod=128\n"))
        << ini.constData();
}

TEST_F(AudioSettingsTest, MissingOrUnusableValuesGiveTheDefaultDeviceAndPeriod) {
    AUDIOSETTINGS audio;
    LoadAudioSettings(audio, m_file); // no file at all
    EXPECT_TRUE(audio.strDevice.isEmpty());
    EXPECT_EQ(audio.nPeriod, kDefaultAudioPeriod);
    for (const char* period : {"0", "-256", "32", "2048", "abc", ""}) {
        WriteIni(QByteArray("[Audio]\nDevice=system\nPeriod=") + period + "\n");
        LoadAudioSettings(audio, m_file);
        EXPECT_EQ(audio.nPeriod, kDefaultAudioPeriod) << period;
        EXPECT_EQ(audio.strDevice, QStringLiteral("system"));
    }
    WriteIni("[audio]\nperiod=64\n"); // sections and keys are case-insensitive
    LoadAudioSettings(audio, m_file);
    EXPECT_EQ(audio.nPeriod, 64);
}

TEST_F(AudioSettingsTest, TheEnvironmentOverridesTheStoredChoice) {
    AUDIOSETTINGS audio;
    audio.strDevice = QStringLiteral("system");
    audio.nPeriod = 512;
    playkit::AdxEngineConfig config = AudioEngineConfig(audio);
    EXPECT_FALSE(AudioOverridden());
    EXPECT_EQ(config.backend, playkit::AdxBackend::PortAudio);
    EXPECT_EQ(config.device, "system");
    EXPECT_EQ(config.periodFrames, 512u);

    setenv(kAudioEnvironment, "null", 1);
    EXPECT_TRUE(AudioOverridden());
    EXPECT_EQ(AudioEngineConfig(audio).backend, playkit::AdxBackend::Null);
    setenv(kAudioEnvironment, "portaudio:hw:1", 1);
    config = AudioEngineConfig(audio);
    EXPECT_EQ(config.backend, playkit::AdxBackend::PortAudio);
    EXPECT_EQ(config.device, "hw:1");
    setenv(kAudioEnvironment, "", 1); // set but empty: as if unset
    EXPECT_FALSE(AudioOverridden());
    unsetenv(kAudioEnvironment);
}

// Pairs: a whole number from 1 to 16, anything else the one pair; the engine gets them whatever
// output PADORA_AUDIO chooses.
TEST_F(AudioSettingsTest, PairsAreAWholeNumberAndReachTheEngineUnderTheOverrideToo) {
    const std::pair<const char*, int> cases[] = {{"4", 4},   {" 16 ", 16}, {"17", 1}, {"0", 1},  {"-3", 1},
                                                 {"abc", 1}, {"3x", 1},    {"", 1},   {"2.5", 1}};
    for (const auto& [text, pairs] : cases) {
        WriteIni(QByteArray("[Audio]\nPairs=") + text + "\n");
        AUDIOSETTINGS audio;
        LoadAudioSettings(audio, m_file);
        EXPECT_EQ(audio.nPairs, pairs) << '"' << text << '"';
    }
    AUDIOSETTINGS audio;
    audio.nPairs = 3;
    ASSERT_TRUE(SaveAudioSettings(audio, m_file));
    EXPECT_TRUE(ReadIni().contains("\nPairs=3\n"));
    EXPECT_EQ(AudioEngineConfig(audio).pairs, 3u);
    setenv(kAudioEnvironment, "record:/tmp/x.wav", 1);
    EXPECT_EQ(AudioEngineConfig(audio).backend, playkit::AdxBackend::Record);
    EXPECT_EQ(AudioEngineConfig(audio).pairs, 3u);
    unsetenv(kAudioEnvironment);
    EXPECT_EQ(AudioPairsOf(0), 1);
    EXPECT_EQ(AudioPairsOf(1), 1);
    EXPECT_EQ(AudioPairsOf(8), 4);
    EXPECT_EQ(AudioPairsOf(9), 4);
    EXPECT_EQ(AudioPairsOf(128), 16);
}

TEST_F(AudioSettingsTest, TheCueKeysAreWrittenOnlyOnceUsedAndDamagedOnesGiveNoCue) {
    WriteIni("[Audio]\nDevice=\nPeriod=256\n");
    AUDIOSETTINGS audio;
    LoadAudioSettings(audio, m_file);
    EXPECT_TRUE(audio.strCueDevice.isEmpty());
    EXPECT_EQ(audio.nCuePair, 0);
    EXPECT_EQ(audio.nCueKey, kDefaultCueKey);
    ASSERT_TRUE(SaveAudioSettings(audio, m_file));
    EXPECT_FALSE(ReadIni().contains("Cue")) << ReadIni().constData();

    audio.strCueDevice = QStringLiteral("USB Headset: Audio (hw:3,0)");
    audio.nCuePair = 2;
    audio.nCueKey = kCueKeyAlt;
    ASSERT_TRUE(SaveAudioSettings(audio, m_file));
    AUDIOSETTINGS back;
    LoadAudioSettings(back, m_file);
    EXPECT_EQ(back.strCueDevice, audio.strCueDevice);
    EXPECT_EQ(back.nCuePair, 2);
    EXPECT_EQ(back.nCueKey, kCueKeyAlt);
    const playkit::AdxEngineConfig config = AudioEngineConfig(back);
    EXPECT_EQ(config.cueDevice, "USB Headset: Audio (hw:3,0)");
    EXPECT_EQ(config.cuePair, 2u);
    // Back to no cue: the keys that are there say so.
    back.strCueDevice.clear();
    back.nCuePair = 0;
    back.nCueKey = kDefaultCueKey;
    ASSERT_TRUE(SaveAudioSettings(back, m_file));
    EXPECT_TRUE(ReadIni().contains("\nCuePair=0\n")) << ReadIni().constData();

    WriteIni("[Audio]\nCuePair=17\nCueKey=65\n");
    LoadAudioSettings(back, m_file);
    EXPECT_EQ(back.nCuePair, 0);
    EXPECT_EQ(back.nCueKey, kDefaultCueKey) << "only Shift, Alt or none";
    WriteIni("[Audio]\nCuePair=2x\nCueKey=0\n");
    LoadAudioSettings(back, m_file);
    EXPECT_EQ(back.nCuePair, 0);
    EXPECT_EQ(back.nCueKey, 0);
}
