#include "app/data/LoudnessCache.h"

#include "platform/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

constexpr int kFields = 4;

bool StatOf(const QString& file, qint64& size, qint64& mtime) {
    const QFileInfo info(file);
    if (!info.isFile())
        return false;
    size = info.size();
    mtime = info.lastModified().toMSecsSinceEpoch();
    return true;
}

} // namespace

QString CLoudnessCache::DefaultPath() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/padora/loudness.tsv");
}

CLoudnessCache::CLoudnessCache(QString path) : m_strPath(std::move(path)) {
    QFile file;
    if (platform::OpenRegularFile(m_strPath, file) != platform::OpenResult::Opened)
        return;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(QLatin1Char('\t'));
        if (f.size() < kFields)
            continue;
        bool okL = false, okS = false, okM = false;
        const Entry e{f[0].toDouble(&okL), f[1].toLongLong(&okS), f[2].toLongLong(&okM)};
        // The path is the last field and may itself hold a tab.
        const QString path = f.mid(kFields - 1).join(QLatin1Char('\t'));
        if (okL && okS && okM && !path.isEmpty())
            m_entries.insert(path, e);
    }
}

std::optional<double> CLoudnessCache::Find(const QString& file) const {
    const auto it = m_entries.constFind(file);
    qint64 size = 0, mtime = 0;
    if (it == m_entries.constEnd() || !StatOf(file, size, mtime) || it->size != size || it->mtime != mtime)
        return std::nullopt;
    return it->lufs;
}

bool CLoudnessCache::Store(const QString& file, double lufs) {
    qint64 size = 0, mtime = 0;
    if (!StatOf(file, size, mtime))
        return false;
    m_entries.insert(file, Entry{lufs, size, mtime});
    Save();
    return true;
}

bool CLoudnessCache::Save() const {
    // A FIFO or a device in the cache's place is the user's, not ours to replace.
    if (platform::KindOfFile(m_strPath) == platform::FileKind::Other)
        return false;
    if (!QDir().mkpath(QFileInfo(m_strPath).absolutePath()))
        return false;
    // Not QSaveFile: it reports success when its last write or sync fails and leaves an empty file.
    QByteArray text;
    for (auto it = m_entries.constBegin(); it != m_entries.constEnd(); ++it) {
        if (it.key().contains(QLatin1Char('\n')))
            continue;
        text += QString::number(it->lufs, 'f', 2).toUtf8() + '\t' + QByteArray::number(it->size) + '\t' +
                QByteArray::number(it->mtime) + '\t' + it.key().toUtf8() + '\n';
    }
    return platform::WriteFileAtomically(m_strPath, text);
}
