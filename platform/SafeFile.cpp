#include "platform/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {

bool Fail(QString* error, const QString& what, int err) {
    if (error)
        *error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(err)));
    return false;
}

// A descriptor that closes itself; the temporary file it names is removed unless kept.
class CTempFile {
public:
    CTempFile(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}
    ~CTempFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // Closes the descriptor; false (errno set) when the last of the data could not be stored.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    void Keep() { m_kept = true; }

private:
    std::string m_path;
    int m_fd;
    bool m_kept = false;
};

// A temporary file is "<name>.padora-" and six random letters or digits: recognisably ours, and
// tied to the one file it was to replace.
constexpr char kTempInfix[] = ".padora-";
constexpr char kTempTemplate[] = "XXXXXX";
// Older than this, a temporary file of the same target is left from a save that never ended (a
// kill, a crash): a save in progress writes its file within seconds.
constexpr qint64 kStaleTempSeconds = 60;

// Removes what earlier saves of target left behind; nothing but regular files that match its
// exact pattern and are older than kStaleTempSeconds.
void RemoveStaleTemps(const QString& target) {
    const QFileInfo info(target);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName() + QLatin1String(kTempInfix)) +
        QStringLiteral("[A-Za-z0-9]{6}")));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-kStaleTempSeconds);
    const QDir folder = info.absoluteDir();
    const QString nameFilter = info.fileName() + QLatin1String(kTempInfix) + QStringLiteral("*");
    for (const QFileInfo& temp :
         folder.entryInfoList({nameFilter}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (pattern.match(temp.fileName()).hasMatch() && KindOfFile(temp.filePath()) == FileKind::Regular &&
            temp.lastModified().toUTC() < before)
            QFile::remove(temp.filePath());
    }
}

// Fills the template's last six characters until a name is free and creates that file. Not mkostemp:
// a plain open lets a ThreadSanitizer build see the descriptor made, which it otherwise takes for
// the one of the same number another thread opened and Qt closed before.
int OpenNewTemp(std::string& name) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int kTries = 100;
    constexpr size_t kRandom = sizeof(kTempTemplate) - 1;
    if (name.size() < kRandom)
        return (errno = EINVAL, -1);
    for (int attempt = 0; attempt < kTries; ++attempt) {
        for (size_t i = name.size() - kRandom; i < name.size(); ++i)
            name[i] = kLetters[QRandomGenerator::system()->bounded(static_cast<int>(sizeof(kLetters) - 1))];
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return (errno = EEXIST, -1);
}

} // namespace

QString TempFilePattern(const QString& path) {
    return path + QLatin1String(kTempInfix) + QLatin1String(kTempTemplate);
}

FileKind KindOfFile(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Other;
    return S_ISREG(st.st_mode) ? FileKind::Regular : FileKind::Other;
}

OpenResult OpenRegularFile(const QString& path, QFile& file) {
    // Asked first so that a device is not even opened: opening some has effects of its own.
    switch (KindOfFile(path)) {
    case FileKind::Missing:
        return OpenResult::Missing;
    case FileKind::Other:
        return OpenResult::NotRegular;
    case FileKind::Regular:
        break;
    }
    // The path may have been replaced since: O_NONBLOCK keeps a FIFO put there from holding the open,
    // and the descriptor itself is asked what it is. Straight system calls: Qt closes the descriptor,
    // out of a ThreadSanitizer build's sight, so its whole life stays out of sight; else the sanitizer
    // takes the next descriptor of the same number, made on another thread, for a race with this one.
    const int fd = static_cast<int>(::syscall(SYS_openat, AT_FDCWD, QFile::encodeName(path).constData(),
                                              O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return OpenResult::Missing;
        return errno == ENXIO ? OpenResult::NotRegular : OpenResult::Failed;
    }
    struct stat st {};
    if (::syscall(SYS_newfstatat, fd, "", &st, AT_EMPTY_PATH) != 0 || !S_ISREG(st.st_mode)) {
        ::syscall(SYS_close, fd);
        return OpenResult::NotRegular;
    }
    const long flags = ::syscall(SYS_fcntl, fd, F_GETFL);
    if (flags >= 0)
        ::syscall(SYS_fcntl, fd, F_SETFL, flags & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::syscall(SYS_close, fd);
        return OpenResult::Failed;
    }
    return OpenResult::Opened;
}

// Plain POSIX calls, each checked: Qt's QSaveFile (6.4) reports success when the write of its
// buffer or the sync fails at commit, and then puts an empty file in place of the old one.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    // A file marked read-only is not replaced, whoever runs the program (root may write anywhere,
    // but the mark is the user's wish to keep the file as it is).
    const QFileInfo old(path);
    if (old.exists() && old.isFile() && !(old.permissions() & QFileDevice::WriteOwner)) {
        if (error)
            *error = QStringLiteral("%1 is read-only").arg(path);
        return false;
    }
    switch (KindOfFile(path)) {
    case FileKind::Regular:
    case FileKind::Missing:
        break;
    case FileKind::Other:
        // A folder, a FIFO or a device is not replaced by a file.
        if (old.isDir())
            return Fail(error, path, EISDIR);
        if (error)
            *error = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    // Through a link, the file it points to is replaced and the link stays.
    const QString target = old.isSymLink() ? old.canonicalFilePath() : path;
    const QByteArray finalName = QFile::encodeName(target);
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());

    RemoveStaleTemps(target);
    std::string temp = QFile::encodeName(TempFilePattern(target)).toStdString();
    const int fd = OpenNewTemp(temp);
    if (fd < 0)
        return Fail(error, path, errno);
    CTempFile file(temp, fd);
    // The new file keeps the old one's permissions; a new file gets the usual ones.
    struct stat st {};
    const mode_t umaskNow = ::umask(0);
    ::umask(umaskNow);
    const mode_t mode = ::stat(finalName.constData(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~umaskNow);
    if (::fchmod(fd, mode) != 0)
        return Fail(error, path, errno);

    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(error, path, n < 0 ? errno : ENOSPC);
        p += n;
        left -= n;
    }
    // On disk before it takes the old file's name: a crash then leaves the old file or the new one.
    if (::fsync(fd) != 0)
        return Fail(error, path, errno);
    if (!file.Close())
        return Fail(error, path, errno);
    if (::rename(file.Path().c_str(), finalName.constData()) != 0)
        return Fail(error, path, errno);
    file.Keep();
    // The rename itself is made durable; the file is in place whatever this answers.
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace platform
