#include "app/settings/RemoteSettings.h"
#include "tests/app/TestSounds.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RemoteSettingsTest : public ::testing::Test {
protected:
    QByteArray ReadIni() const {
        QFile file(m_file.Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    CSettingsFile m_file{m_dir.filePath(QStringLiteral("Padora.INI"))};
};

CMidiMap::Binding Bind(const char* text) {
    return CMidiMap::Binding::FromText(QString::fromLatin1(text));
}

TEST_F(RemoteSettingsTest, MissingFileReadsAsTheDefaultsAndSavingThemWritesNoKey) {
    const CRemoteSettings r = CRemoteSettings::Load(m_file);
    EXPECT_EQ(r.nOscPort, 9000);
    EXPECT_EQ(r.strOscBind, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(r.strMidiApi, QStringLiteral("alsa"));
    EXPECT_TRUE(r.strMidiIn.isEmpty());
    EXPECT_TRUE(r.strMidiOut.isEmpty());
    for (int role = 0; role < CMidiMap::kRoleCount; ++role)
        EXPECT_EQ(r.map.At(role).kind, CMidiMap::Binding::Kind::None) << role;
    EXPECT_FALSE(CRemoteSettings::NamesOsc(m_file));
    EXPECT_FALSE(CRemoteSettings::NamesMidiPorts(m_file));

    app_test::WriteTestFile(m_file.Path(), "[Option]\r\nVolVal=3\r\n");
    ASSERT_TRUE(r.Save(m_file));
    EXPECT_EQ(ReadIni(), QByteArray("[Option]\r\nVolVal=3\r\n"));
}

TEST_F(RemoteSettingsTest, AnUnchangedSectionKeepsTheFilesBytes) {
    // Spellings that read as their values without being written that way.
    const QByteArray text = "; remote\n[remote]\nOSCPORT = 9000\nOscBind=\nMidiApi=JACK\nMidiIn= nano \n"
                            "MidiPad1=NOTE 1 60\nMidiPad2=note 1 60\nMidiStop=\nMidiMaster=cc 16 127\n"
                            "[Option]\nVolVal=3\n";
    app_test::WriteTestFile(m_file.Path(), text);
    const CRemoteSettings r = CRemoteSettings::Load(m_file);
    EXPECT_EQ(r.strOscBind, QStringLiteral("127.0.0.1")) << "an empty address is the default";
    EXPECT_EQ(r.strMidiApi, QStringLiteral("JACK"));
    EXPECT_EQ(r.strMidiIn, QStringLiteral("nano"));
    // A hand-edited file may give two roles one control: both are kept, the first acts.
    EXPECT_EQ(r.map.At(CMidiMap::kPadFirst + 1).ToText(), QStringLiteral("note 1 60"));
    EXPECT_EQ(r.map.RoleOf(Bind("note 1 60")), CMidiMap::kPadFirst);
    EXPECT_TRUE(CRemoteSettings::NamesOsc(m_file));
    EXPECT_TRUE(CRemoteSettings::NamesMidiPorts(m_file));
    ASSERT_TRUE(r.Save(m_file));
    EXPECT_EQ(ReadIni(), text);
}

TEST_F(RemoteSettingsTest, OnlyChangedKeysAreWrittenWhereTheFileHasThemOrAtTheEndOfTheSection) {
    app_test::WriteTestFile(m_file.Path(),
                            "[Remote]\nOscPort=9001\nMidiPad2=note 1 60\n[Option]\nVolVal=3\n");
    CRemoteSettings r = CRemoteSettings::Load(m_file);
    EXPECT_EQ(r.nOscPort, 9001);
    r.nOscPort = 9000;                                 // back to the default: the key the file has follows
    r.map.Set(CMidiMap::kPadFirst, Bind("note 1 60")); // pad 2 loses it
    r.map.Set(CMidiMap::kMaster, Bind("cc 16 127"));
    r.strMidiOut = QStringLiteral("lights");
    ASSERT_TRUE(r.Save(m_file));
    EXPECT_EQ(ReadIni(), QByteArray("[Remote]\nOscPort=9000\nMidiPad2=\nMidiOut=lights\nMidiPad1=note 1 60\n"
                                    "MidiMaster=cc 16 127\n[Option]\nVolVal=3\n"));
    const CRemoteSettings back = CRemoteSettings::Load(m_file);
    EXPECT_EQ(back.map.At(CMidiMap::kPadFirst).ToText(), QStringLiteral("note 1 60"));
    EXPECT_EQ(back.map.At(CMidiMap::kPadFirst + 1).kind, CMidiMap::Binding::Kind::None);
    EXPECT_EQ(back.map.At(CMidiMap::kMaster).ToText(), QStringLiteral("cc 16 127"));
    EXPECT_EQ(back.strMidiOut, QStringLiteral("lights"));
}

TEST(RemoteSettings, MapKeysNameEveryRoleOnce) {
    EXPECT_EQ(CRemoteSettings::MapKey(CMidiMap::kPadFirst), QStringLiteral("MidiPad1"));
    EXPECT_EQ(CRemoteSettings::MapKey(CMidiMap::kPadFirst + 9), QStringLiteral("MidiPad10"));
    EXPECT_EQ(CRemoteSettings::MapKey(CMidiMap::kStop), QStringLiteral("MidiStop"));
    EXPECT_EQ(CRemoteSettings::MapKey(CMidiMap::kFaderFirst), QStringLiteral("MidiFader1"));
    EXPECT_EQ(CRemoteSettings::MapKey(CMidiMap::kFaderFirst + 9), QStringLiteral("MidiFader10"));
    EXPECT_EQ(CRemoteSettings::MapKey(CMidiMap::kMaster), QStringLiteral("MidiMaster"));
}

} // namespace
