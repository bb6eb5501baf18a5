#include "app/shell/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The whole hand-over of a later start stays well within a second.
constexpr int kHandOverBudgetMs = 700;
constexpr int kAnswerTimeoutMs = 200;
constexpr int kRetryPauseMs = 20;

QString DefaultDir() {
    // Without an application object Qt cannot name the runtime folder; it is $XDG_RUNTIME_DIR.
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QDir::tempPath() + QStringLiteral("/padora-") + QString::number(getuid());
    return dir;
}

bool IsPrivateFolder(const QString& dir) {
    const QFileInfo info(dir);
    const auto othersAccess = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                              QFile::WriteOther | QFile::ExeOther;
    return info.isDir() && !info.isSymLink() && info.ownerId() == getuid() &&
           !(info.permissions() & othersAccess);
}

// A file descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

CSingleInstance::CSingleInstance(QString dir, QObject* parent)
    : QObject(parent), m_strDir(dir.isEmpty() ? DefaultDir() : std::move(dir)) {}

CSingleInstance::~CSingleInstance() {
    if (m_pServer)
        m_pServer->close();
}

QString CSingleInstance::SocketPath() const {
    return QDir(m_strDir).filePath(QStringLiteral("padora.sock"));
}

QString CSingleInstance::LockPath() const {
    return QDir(m_strDir).filePath(QStringLiteral("padora.lock"));
}

CSingleInstance::Result CSingleInstance::Claim() {
    // The fallback folder under /tmp is made private to the user. One that somebody else made there first
    // (another owner, or open to others) is not trusted with our lock and socket.
    if (m_strDir.startsWith(QDir::tempPath())) {
        if (!QDir(m_strDir).exists()) {
            QDir().mkpath(m_strDir);
            QFile::setPermissions(m_strDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        if (!IsPrivateFolder(m_strDir))
            return Result::Failed;
    }
    m_pLock = std::make_unique<QLockFile>(LockPath());
    // A lock whose process has gone is stale whatever its age; a live holder keeps it for good.
    m_pLock->setStaleLockTime(0);
    if (m_pLock->tryLock(0))
        return Result::First;

    const QLockFile::LockError error = m_pLock->error();
    m_pLock.reset();
    if (error != QLockFile::LockFailedError)
        return Result::Failed;
    // The holder may still be starting and not yet listening: retry within the budget.
    const QDeadlineTimer deadline(kHandOverBudgetMs);
    while (!deadline.hasExpired()) {
        if (AskRunningToRaise())
            return Result::AnotherRuns;
        QThread::msleep(kRetryPauseMs);
    }
    return Result::AnotherUnreached;
}

bool CSingleInstance::Serve(std::function<void()> onRaise) {
    if (!m_pLock)
        return false;
    // We hold the lock, so any socket file is a leftover of a crashed instance.
    QLocalServer::removeServer(SocketPath());
    m_pServer = std::make_unique<QLocalServer>();
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pServer->listen(SocketPath())) {
        m_pServer.reset();
        return false;
    }
    m_onRaise = std::move(onRaise);
    connect(m_pServer.get(), &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return true;
}

// Plain POSIX: this runs before any application object exists.
bool CSingleInstance::AskRunningToRaise() const {
    const QByteArray path = QFile::encodeName(SocketPath());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= static_cast<int>(sizeof(addr.sun_path)))
        return false;
    std::memcpy(addr.sun_path, path.constData(), path.size());

    const Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0 || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0)
        return false;
    const size_t length = sizeof(kRaiseRequest) - 1;
    if (::send(fd.get(), kRaiseRequest, length, MSG_NOSIGNAL) != static_cast<ssize_t>(length))
        return false;
    // The answer only confirms; the request has been delivered either way.
    pollfd p{fd.get(), POLLIN, 0};
    ::poll(&p, 1, kAnswerTimeoutMs);
    return true;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine();
            if (line == kRaiseRequest) {
                socket->write(kRaiseAnswer);
                socket->flush();
                if (m_onRaise)
                    m_onRaise();
            } else if (line == kPingRequest) {
                socket->write(kPingAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}
