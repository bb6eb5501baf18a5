#include "app/shell/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

// The whole hand-over of a later start stays well within a second.
constexpr int kConnectTimeoutMs = 300;
constexpr int kAnswerTimeoutMs = 300;
constexpr int kHandOverBudgetMs = 800;
constexpr int kRetryPauseMs = 20;

QString DefaultDir() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

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

CSingleInstance::Result CSingleInstance::Claim(std::function<void()> onRaise) {
    m_pLock = std::make_unique<QLockFile>(LockPath());
    // A lock whose process has gone is stale whatever its age; a live holder keeps it for good.
    m_pLock->setStaleLockTime(0);
    if (!m_pLock->tryLock(0)) {
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

    // We hold the lock, so any socket file is a leftover of a crashed instance.
    QLocalServer::removeServer(SocketPath());
    m_pServer = std::make_unique<QLocalServer>();
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pServer->listen(SocketPath())) {
        m_pServer.reset();
        m_pLock.reset();
        return Result::Failed;
    }
    m_onRaise = std::move(onRaise);
    connect(m_pServer.get(), &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return Result::First;
}

bool CSingleInstance::AskRunningToRaise() {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(kConnectTimeoutMs))
        return false;
    // The answer only confirms; the request has been delivered either way.
    socket.waitForReadyRead(kAnswerTimeoutMs);
    socket.disconnectFromServer();
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
            }
            socket->disconnectFromServer();
        });
    }
}
