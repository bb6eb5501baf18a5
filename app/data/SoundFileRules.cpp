#include "app/data/SoundFileRules.h"

#include "app/data/ChannelData.h"
#include "platform/CodePage.h"
#include "playkit/AdxMediaKinds.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// "*.mp3" matching any letter case: "*.[mM][pP]3". File names on this system are case-sensitive, so a
// sound saved as "BELL.WAV" is shown only through such a pattern.
QString AnyCasePattern(const QString& ext) {
    QString pattern = QStringLiteral("*.");
    for (QChar ch : ext) {
        if (ch.isLetter())
            pattern += u'[' + ch.toLower() + ch.toUpper() + u']';
        else
            pattern += ch;
    }
    return pattern;
}

} // namespace

namespace soundfile {

QString FileFilter() {
    QStringList shown;
    QStringList patterns;
    for (const playkit::MediaExtension& kind : playkit::kMediaExtensions) {
        const QString ext = QString::fromLatin1(kind.ext.data(), static_cast<qsizetype>(kind.ext.size()));
        shown << QStringLiteral("*.") + ext;
        patterns << AnyCasePattern(ext);
    }
    return QStringLiteral("Media File(%1) (%2);;All Files (*.*) (*)")
        .arg(shown.join(u';'), patterns.join(u' '));
}

QString TitleFromPath(const QString& path) {
    return platform::Cp932Left(QFileInfo(path).completeBaseName(), kTitleMaxBytes);
}

QString StoredPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void AssignSoundFile(CChannelData& channel, const QString& path) {
    channel.m_strTitle = TitleFromPath(path);
    channel.m_strFile = StoredPath(path);
}

} // namespace soundfile
