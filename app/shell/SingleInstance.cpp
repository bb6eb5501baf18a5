#include "app/shell/SingleInstance.h"

#include "app/shell/InstanceClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The whole hand-over of a later start stays well within a second.
constexpr int kHandOverBudgetMs = 700;
constexpr int kAnswerTimeoutMs = 200;
constexpr int kRetryPauseMs = 20;

// The inode of the socket file at path, or 0 when there is none.
ino_t SocketInode(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return 0;
    return st.st_ino;
}

} // namespace

CSingleInstance::CSingleInstance(QString dir, QObject* parent)
    : QObject(parent),
      m_strDir(dir.isEmpty() ? QFile::decodeName(CInstanceClient::DefaultDir().c_str()) : std::move(dir)) {
    m_watch.setInterval(kWatchMs);
    connect(&m_watch, &QTimer::timeout, this, &CSingleInstance::Watch);
}

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
    if (m_strDir.startsWith(QFile::decodeName(CInstanceClient::TempDir().c_str()))) {
        if (!QDir(m_strDir).exists()) {
            QDir().mkpath(m_strDir);
            QFile::setPermissions(m_strDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        if (!CInstanceClient::IsPrivateFolder(QFile::encodeName(m_strDir).toStdString()))
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
    // Only an answer counts: a stopped or hung holder takes the connection into its queue all the same.
    const std::string socketPath = QFile::encodeName(SocketPath()).toStdString();
    const QDeadlineTimer deadline(kHandOverBudgetMs);
    while (!deadline.hasExpired()) {
        const CInstanceClient::Result asked =
            CInstanceClient::Ask(socketPath, kRaiseRequest,
                                 std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 1)));
        if (asked.reply == CInstanceClient::Reply::Answered)
            return asked.answer == kRaiseAnswer ? Result::AnotherRuns : Result::AnotherUnreached;
        if (asked.reply == CInstanceClient::Reply::NoAnswer)
            return Result::AnotherUnreached;
        QThread::msleep(kRetryPauseMs);
    }
    return Result::AnotherUnreached;
}

bool CSingleInstance::Serve(std::function<void()> onRaise) {
    if (!m_pLock)
        return false;
    if (!Listen())
        return false;
    m_onRaise = std::move(onRaise);
    m_watch.start();
    return true;
}

bool CSingleInstance::Listen() {
    // We hold the lock, so any socket file is a leftover of a crashed instance or of our own listener.
    m_pServer.reset();
    QLocalServer::removeServer(SocketPath());
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(SocketPath()))
        return false;
    connect(server.get(), &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    m_pServer = std::move(server);
    m_socketInode = SocketInode(SocketPath());
    return true;
}

// Qt closes a listener whose accept fails (no descriptors left) and removes its socket file; somebody
// may also remove or replace the file. Either way a later start could no longer reach us. UI thread.
void CSingleInstance::Watch() {
    if (m_pServer && m_pServer->isListening() && m_socketInode != 0 &&
        SocketInode(SocketPath()) == m_socketInode)
        return;
    if (Listen()) {
        if (m_bToldLost)
            QTextStream(stderr)
                << "padora: "
                << QCoreApplication::translate("CSingleInstance", "%1 を開き直しました。").arg(SocketPath())
                << "\n";
        m_bToldLost = false;
    } else if (!m_bToldLost) {
        QTextStream(stderr) << "padora: "
                            << QCoreApplication::translate(
                                   "CSingleInstance", "%1 を開けません。開けるようになるまで試し続けます。")
                                   .arg(SocketPath())
                            << "\n";
        m_bToldLost = true;
    }
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        // Ours, not the listener's, so that a listener set up anew leaves the talks under way alone.
        socket->setParent(this);
        // Qt reads no further than this, so a line without its end costs no more.
        socket->setReadBufferSize(kMaxLineBytes);
        // The place goes to the newcomer: a later start only talks for a moment, a holder for long.
        if (static_cast<int>(m_clients.size()) >= kMaxClients)
            Drop(m_clients.front());
        m_clients.push_back(socket);
        // Queued: the socket may still be inside its own disconnect when it tells of it.
        connect(
            socket, &QLocalSocket::disconnected, socket, [this, socket] { Drop(socket); },
            Qt::QueuedConnection);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { OnReadyRead(socket); });
        QTimer::singleShot(kHoldMs, socket, [this, socket] { Drop(socket); });
        // Bytes that came with the connection are there before anything tells of them.
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void CSingleInstance::OnReadyRead(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= kMaxLineBytes)
            Drop(socket);
        return;
    }
    const QByteArray line = socket->readLine(kMaxLineBytes);
    // One request a connection: whatever follows it is not read.
    disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
    if (line == kRaiseRequest) {
        socket->write(kRaiseAnswer);
        socket->flush();
        if (m_onRaise)
            m_onRaise();
    } else if (line == kPingRequest) {
        socket->write(kPingAnswer);
        socket->flush();
    } else if (m_onRequest) {
        // Handled from the event loop, not inside the socket's own notification: what the request sets
        // off may run a loop of its own (a group's loader), in which this socket can be let go and
        // deleted, which must not happen under its own feet.
        QMetaObject::invokeMethod(
            socket, [this, socket, line] { Answer(socket, line); }, Qt::QueuedConnection);
        return;
    }
    socket->disconnectFromServer();
}

void CSingleInstance::Answer(QLocalSocket* socket, const QByteArray& line) {
    const QPointer<QLocalSocket> guard(socket);
    bool answered = false;
    m_onRequest(line, [&guard, &answered](const QByteArray& answer) {
        if (!guard || answered)
            return;
        answered = true;
        guard->write(answer.left(kMaxLineBytes));
        guard->flush();
    });
    if (guard)
        guard->disconnectFromServer();
}

void CSingleInstance::Drop(QLocalSocket* socket) {
    const auto it = std::find(m_clients.begin(), m_clients.end(), socket);
    if (it == m_clients.end())
        return;
    m_clients.erase(it);
    socket->disconnect();
    socket->abort();
    socket->deleteLater();
}
