#include "app/data/ShowCollector.h"

#include "app/data/GroupFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Big enough that a long sound is copied in few calls, small enough that the progress moves.
constexpr qint64 kChunkBytes = qint64{1} << 20;
// "bell-2.wav" up to "bell-<n>.wav"; more sounds of one name than this in one set is not a show.
constexpr int kMaxNameNumber = 100000;
// Beside the destination, hidden, so that a half-copied sound is never taken for a sound.
constexpr const char* kTempPattern = "/.padora-collect-XXXXXX";
constexpr const char* kDefaultSetName = "show";

// Identity of a file on disk: one file reached by two paths (a link, "a/../a") is one sound.
struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// What is at path itself, a link not followed.
enum class Entry { None, RegularFile, Other };
Entry EntryAt(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return Entry::None;
    return S_ISREG(st.st_mode) ? Entry::RegularFile : Entry::Other;
}

struct Source {
    QString strPath; // absolute
    FileId id;
    qint64 nBytes = 0;
    QString strDest; // absolute, in the sounds folder
    bool bInPlace = false;
};

// "bell.wav", 2 -> "bell-2.wav"; "bell" -> "bell-2"; ".wav" stays a name without suffix.
QString NumberedName(const QString& name, int n) {
    if (n <= 1)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return name + QStringLiteral("-%1").arg(n);
    return name.left(dot) + QStringLiteral("-%1").arg(n) + name.mid(dot);
}

// A stored relative path reads '\' as a separator; such a name would be written absolute.
QString StorableName(QString name) {
    return name.replace(u'\\', u'_');
}

// Names are compared without case: a show is often carried on a stick whose file system has none.
QString NameKey(const QString& name) {
    return name.toCaseFolded();
}

bool SameFolder(const QString& a, const QString& b) {
    if (QDir::cleanPath(a) == QDir::cleanPath(b))
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

enum class CopyResult { Ok, Failed, Cancelled };

class CCopier {
public:
    CCopier(const CShowCollector::Progress& progress, qint64 total) : m_progress(progress), m_nTotal(total) {}

    // Copies from to a temporary file beside to, then renames it into place: to is either untouched or
    // whole. Any thread.
    CopyResult Copy(const QString& from, const QString& to, QString& error) {
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly)) {
            error = ReadError(from, in.errorString());
            return CopyResult::Failed;
        }
        QTemporaryFile out(QFileInfo(to).absolutePath() + QLatin1String(kTempPattern));
        if (!out.open()) {
            error = WriteError(to, out.errorString());
            return CopyResult::Failed;
        }
        QByteArray chunk;
        for (;;) {
            chunk = in.read(kChunkBytes);
            if (chunk.isEmpty()) {
                if (!in.atEnd() || in.error() != QFileDevice::NoError) {
                    error = ReadError(from, in.errorString());
                    return CopyResult::Failed;
                }
                break;
            }
            errno = 0;
            if (out.write(chunk) != chunk.size() || !out.flush()) {
                // The toolkit's text for a full disk is "Unknown error"; the system's says what happened.
                error = WriteError(to, errno != 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                                  : out.errorString());
                return CopyResult::Failed;
            }
            m_nDone += chunk.size();
            if (m_progress && !m_progress(m_nDone, m_nTotal))
                return CopyResult::Cancelled;
        }
        // A full disk may only show when the data reaches it.
        if (::fsync(out.handle()) != 0) {
            error = WriteError(to, QString::fromLocal8Bit(std::strerror(errno)));
            return CopyResult::Failed;
        }
        out.setPermissions(in.permissions());
        out.close();
        if (std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(to).constData()) !=
            0) {
            error = WriteError(to, QString::fromLocal8Bit(std::strerror(errno)));
            return CopyResult::Failed;
        }
        out.setAutoRemove(false); // it is the destination now
        return CopyResult::Ok;
    }

private:
    static QString ReadError(const QString& path, const QString& reason) {
        return QCoreApplication::translate("CShowCollector", "%1 を読み込めません: %2").arg(path, reason);
    }
    static QString WriteError(const QString& path, const QString& reason) {
        return QString::fromUtf8(CGroupFile::kWriteErrorText) + QLatin1Char('\n') +
               QStringLiteral("%1: %2").arg(path, reason);
    }

    const CShowCollector::Progress& m_progress;
    qint64 m_nTotal;
    qint64 m_nDone = 0;
};

// Where each distinct source goes: sounds already in the sounds folder keep their names, the others
// take the first free name, a free name being one no other sound takes and no file but a plain one
// (replaced: a leftover of an earlier collection) holds.
void AssignDestinations(std::vector<Source>& sources, const QString& soundsDir) {
    QSet<QString> taken;
    for (Source& s : sources) {
        if (SameFolder(QFileInfo(s.strPath).absolutePath(), soundsDir)) {
            s.bInPlace = true;
            s.strDest = s.strPath;
            taken.insert(NameKey(QFileInfo(s.strPath).fileName()));
        }
    }
    auto isSource = [&sources](const std::optional<FileId>& id) {
        return id &&
               std::any_of(sources.begin(), sources.end(), [&](const Source& s) { return s.id == *id; });
    };
    for (Source& s : sources) {
        if (s.bInPlace)
            continue;
        const QString name = StorableName(QFileInfo(s.strPath).fileName());
        for (int n = 1; n <= kMaxNameNumber; ++n) {
            const QString candidate = NumberedName(name, n);
            if (taken.contains(NameKey(candidate)))
                continue;
            const QString dest = soundsDir + QLatin1Char('/') + candidate;
            const Entry entry = EntryAt(dest);
            if (entry == Entry::Other)
                continue;
            if (entry == Entry::RegularFile) {
                const std::optional<FileId> id = IdOf(dest);
                if (id && *id == s.id) {
                    s.bInPlace = true; // a second name of this very file: nothing to copy
                } else if (isSource(id)) {
                    continue;
                }
            }
            taken.insert(NameKey(candidate));
            s.strDest = dest;
            break;
        }
    }
}

} // namespace

qint64 CShowCollector::Report::CopiedBytes() const {
    qint64 n = 0;
    for (const Copied& c : copied)
        n += c.nBytes;
    return n;
}

CShowCollector::CShowCollector(CGroupArray set, QString dir, QString setName, QString sourceSetFile)
    : m_aGroup(std::move(set)), m_strDir(std::move(dir)), m_strSetName(std::move(setName)),
      m_strSourceSetFile(std::move(sourceSetFile)) {}

QString CShowCollector::SetNameFor(const QString& groupFile, const QString& dir) {
    QString name = groupFile.isEmpty() ? QDir(QDir(dir).absolutePath()).dirName()
                                       : QFileInfo(groupFile).completeBaseName();
    return name.isEmpty() ? QString::fromLatin1(kDefaultSetName) : name;
}

QString CShowCollector::SetFilePath(const QString& dir, const QString& setName) {
    return QDir::cleanPath(QDir(dir).absolutePath()) + QLatin1Char('/') + setName + QLatin1String(kSetSuffix);
}

CShowCollector::Report CShowCollector::Run(const Progress& progress) const {
    Report report;
    const QString dir = QDir::cleanPath(QDir(m_strDir).absolutePath());
    const QString soundsDir = dir + QLatin1Char('/') + QLatin1String(kSoundsFolder);
    const QString setFile = SetFilePath(dir, m_strSetName);
    if (m_strDir.isEmpty() || m_strSetName.isEmpty() || m_strSetName.contains(u'/')) {
        report.strError = QCoreApplication::translate(
            "CShowCollector", "収集先のフォルダまたはグループファイルの名前が正しくありません。");
        return report;
    }

    // The distinct sources, and which one each channel plays (-1: none or missing).
    std::vector<Source> sources;
    std::vector<std::vector<int>> channelSource(static_cast<size_t>(m_aGroup.GetSize()));
    for (int g = 0; g < m_aGroup.GetSize(); ++g) {
        auto& row = channelSource[static_cast<size_t>(g)];
        row.assign(CGroupData::kChannelCount, -1);
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            const CChannelData& ch = m_aGroup[g].m_aChannel[static_cast<size_t>(c)];
            // What the set file would not hold is not part of the show.
            if (ch.m_strTitle.isEmpty() || ch.m_strFile.isEmpty())
                continue;
            const QFileInfo info(ch.m_strFile);
            const std::optional<FileId> id = IdOf(ch.m_strFile);
            if (!id || !info.isFile() || !info.isReadable()) {
                report.missing.push_back({g, c, ch.m_strFile});
                continue;
            }
            const auto same =
                std::find_if(sources.begin(), sources.end(), [&](const Source& s) { return s.id == *id; });
            if (same != sources.end()) {
                row[static_cast<size_t>(c)] = static_cast<int>(same - sources.begin());
                continue;
            }
            row[static_cast<size_t>(c)] = static_cast<int>(sources.size());
            sources.push_back({QDir::cleanPath(info.absoluteFilePath()), *id, info.size(), QString(), false});
        }
    }

    // The set file must not replace what the set comes from.
    if (const std::optional<FileId> setId = IdOf(setFile)) {
        const std::optional<FileId> sourceSetId =
            m_strSourceSetFile.isEmpty() ? std::nullopt : IdOf(m_strSourceSetFile);
        const bool isSound =
            std::any_of(sources.begin(), sources.end(), [&](const Source& s) { return s.id == *setId; });
        if (isSound || (sourceSetId && *sourceSetId == *setId)) {
            report.strError = QCoreApplication::translate(
                                  "CShowCollector",
                                  "%1 は元のファイルです。上書きしないよう、別のフォルダを選んでください。")
                                  .arg(setFile);
            return report;
        }
    }

    if (!QDir().mkpath(soundsDir) || !QFileInfo(soundsDir).isDir()) {
        report.strError =
            QCoreApplication::translate("CShowCollector", "フォルダ %1 を作成できません。").arg(soundsDir);
        return report;
    }
    AssignDestinations(sources, soundsDir);
    qint64 total = 0;
    for (const Source& s : sources) {
        if (s.strDest.isEmpty()) {
            report.strError =
                QCoreApplication::translate("CShowCollector", "%1 の保存先の名前が見つかりません。")
                    .arg(s.strPath);
            return report;
        }
        if (!s.bInPlace)
            total += s.nBytes;
    }

    CCopier copier(progress, total);
    for (const Source& s : sources) {
        if (s.bInPlace) {
            ++report.nInPlace;
            continue;
        }
        QString error;
        const CopyResult r = copier.Copy(s.strPath, s.strDest, error);
        if (r == CopyResult::Cancelled) {
            report.result = Result::Cancelled;
            return report;
        }
        if (r == CopyResult::Failed) {
            report.strError = error;
            return report;
        }
        report.copied.push_back({s.strPath, s.strDest, QFileInfo(s.strDest).size()});
    }

    CGroupArray collected;
    collected.Copy(m_aGroup);
    for (int g = 0; g < collected.GetSize(); ++g) {
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            const int i = channelSource[static_cast<size_t>(g)][static_cast<size_t>(c)];
            if (i >= 0)
                collected[g].m_aChannel[static_cast<size_t>(c)].m_strFile =
                    sources[static_cast<size_t>(i)].strDest;
        }
    }
    QString reason;
    if (CGroupFile::Write(setFile, collected, TRUE, &reason) != CGroupFile::kOk) {
        report.strError = QString::fromUtf8(CGroupFile::kWriteErrorText) + QLatin1Char('\n') +
                          QStringLiteral("%1: %2").arg(setFile, reason);
        return report;
    }
    report.strSetFile = setFile;
    report.result = report.missing.empty() ? Result::Complete : Result::SomeMissing;
    return report;
}

int CShowCollector::RunCommandLine(const QString& groupFile, const QString& dir, QTextStream& out,
                                   QTextStream& err) {
    CGroupArray set;
    if (CGroupFile::Read(groupFile, set) != CGroupFile::kOk) {
        err << groupFile << ": " << QString::fromUtf8(CGroupFile::kReadErrorText) << '\n';
        err.flush();
        return kExitFailed;
    }
    const CShowCollector collector(set, dir, SetNameFor(groupFile, dir), groupFile);
    const Report report = collector.Run();
    for (const Copied& c : report.copied)
        out << "copied\t" << c.strFrom << '\t' << c.strTo << '\t' << c.nBytes << '\n';
    if (report.nInPlace > 0)
        out << "inplace\t" << report.nInPlace << '\n';
    for (const Missing& m : report.missing)
        out << "missing\t" << m.nGroup + 1 << '-' << m.nChannel + 1 << '\t' << m.strPath << '\n';
    if (!report.strSetFile.isEmpty())
        out << "written\t" << report.strSetFile << '\n';
    out << "total\tcopied=" << report.copied.size() << "\tbytes=" << report.CopiedBytes()
        << "\tmissing=" << report.missing.size() << '\n';
    out.flush();
    switch (report.result) {
    case Result::Complete:
        return kExitComplete;
    case Result::SomeMissing:
        return kExitSomeMissing;
    case Result::Failed:
    case Result::Cancelled:
        break;
    }
    err << report.strError << '\n';
    err.flush();
    return kExitFailed;
}
