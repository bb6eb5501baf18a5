#include "app/data/SoundFileRules.h"
#include "app/data/ChannelData.h"
#include "platform/CodePage.h"
#include "playkit/AdxShow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The player's answer to a name whose extension it does not take.
constexpr int kRefusedExtension = -31;

TEST(SoundFileRules, TitleFromAFileNameIsCutAt64BytesNeverInsideACharacter) {
    const QString ascii(70, QChar(u'k'));
    EXPECT_EQ(soundfile::TitleFromPath(QStringLiteral("/s/") + ascii + QStringLiteral(".wav")),
              QString(64, QChar(u'k')));
    // 1 + 2·40 bytes: the character at bytes 64 and 65 is left out whole.
    const QString wide = QStringLiteral("x") + QString(40, QChar(u'鐘'));
    const QString title = soundfile::TitleFromPath(QStringLiteral("/s/") + wide + QStringLiteral(".mp3"));
    EXPECT_EQ(title, QStringLiteral("x") + QString(31, QChar(u'鐘')));
    EXPECT_EQ(platform::Cp932Length(title), 63);
    EXPECT_EQ(soundfile::TitleFromPath(QStringLiteral("/s/act.1.bell.ogg")), QStringLiteral("act.1.bell"));
}

TEST(SoundFileRules, AChannelTakesTheCleanAbsolutePathAndKeepsTheRest) {
    CChannelData channel;
    channel.m_nVolume = 33;
    channel.m_dTimeFadeIn = 2.5;
    soundfile::AssignSoundFile(channel, QStringLiteral("/show/./cues/../BELL.Take2.WAV"));
    EXPECT_EQ(channel.m_strFile, QStringLiteral("/show/BELL.Take2.WAV"));
    EXPECT_EQ(channel.m_strTitle, QStringLiteral("BELL.Take2"));
    EXPECT_EQ(channel.m_nVolume, 33);
    EXPECT_EQ(channel.m_dTimeFadeIn, 2.5);
    EXPECT_EQ(soundfile::StoredPath(QStringLiteral("cue.mp3")), QDir::current().absoluteFilePath("cue.mp3"));
}

// The dialog's filter and the player share one list: what the one offers, the other takes, whatever
// the letter case of the name.
TEST(SoundFileRules, EveryKindTheFilterOffersIsOneThePlayerTakes) {
    const QString filter = soundfile::FileFilter();
    const QString shown =
        filter.mid(filter.indexOf(u'(') + 1, filter.indexOf(u')') - filter.indexOf(u'(') - 1);
    const QStringList kinds = shown.split(u';');
    ASSERT_EQ(kinds.size(), 9) << shown.toStdString();
    QTemporaryDir dir;
    for (const QString& kind : kinds) {
        ASSERT_TRUE(kind.startsWith(QStringLiteral("*.")));
        for (const QString& ext : {kind.mid(2), kind.mid(2).toUpper()}) {
            // A missing file: refused for being missing, never for its name.
            const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("none.") + ext));
            CAdxShow show;
            EXPECT_NE(show.Open(path.constData(), 0), kRefusedExtension) << path.constData();
        }
    }
    CAdxShow show;
    EXPECT_EQ(show.Open(QFile::encodeName(dir.filePath(QStringLiteral("none.flac"))).constData(), 0),
              kRefusedExtension);
}

} // namespace
