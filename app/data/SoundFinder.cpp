#include "app/data/SoundFinder.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>

namespace {

QStringList PiecesOf(const QString& path) {
    static const QRegularExpression kSeparators(QStringLiteral("[/\\\\]"));
    return path.split(kSeparators, Qt::SkipEmptyParts);
}

// How many of the last folders of two paths agree, ignoring case (the file names agree already).
int CommonTail(const QStringList& a, const QStringList& b) {
    int n = 0;
    for (qsizetype i = a.size() - 2, j = b.size() - 2; i >= 0 && j >= 0; --i, --j, ++n)
        if (a[i].compare(b[j], Qt::CaseInsensitive) != 0)
            break;
    return n;
}

} // namespace

CSoundFinder::CSoundFinder(const QString& root) {
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QFileInfo(it.next()).absoluteFilePath();
        m_byLowerName[QFileInfo(path).fileName().toLower()].append(path);
        ++m_nFiles;
    }
    for (QStringList& paths : m_byLowerName)
        paths.sort();
}

QString CSoundFinder::Find(const QString& stored) const {
    const QStringList pieces = PiecesOf(stored);
    if (pieces.isEmpty())
        return QString();
    const QString name = pieces.last();
    const auto it = m_byLowerName.constFind(name.toLower());
    if (it == m_byLowerName.constEnd())
        return QString();
    QString best;
    auto bestScore = std::make_tuple(-1, -1, 0);
    for (const QString& path : *it) {
        const QStringList candidate = PiecesOf(path);
        // Larger is better: exact case, folders in common, then fewer characters.
        const auto score = std::make_tuple(candidate.last() == name ? 1 : 0, CommonTail(pieces, candidate),
                                           -static_cast<int>(path.size()));
        if (score > bestScore) {
            bestScore = score;
            best = path;
        }
    }
    return best;
}
