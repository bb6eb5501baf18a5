#pragma once

#include "app/shell/InstanceClient.h"

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <sys/types.h>

#include <deque>
#include <functional>
#include <memory>

class QLocalSocket;

// One running Padora per user. The first instance holds a lock file and listens on a local socket next to
// it; a later start finds the lock taken, asks the running instance through the socket to bring its main
// window to the front, and gives up. A socket or lock left behind by a crashed instance is taken over.
// Whoever else connects gets a line of a few KB, a few seconds and one of a few places; the listener
// comes back when it fails or its socket file goes, for as long as this instance runs.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    // dir: where the lock and socket live; by default the user's runtime folder ($XDG_RUNTIME_DIR).
    explicit CSingleInstance(QString dir = QString(), QObject* parent = nullptr);
    ~CSingleInstance() override;

    enum class Result {
        First,            // this process is the one instance
        AnotherRuns,      // another instance runs and answered the request to come to the front
        AnotherUnreached, // another instance holds the lock but did not answer in time
        Failed,           // the lock could not be set up (the folder is not usable)
    };

    // Claims the instance or hands over to the running one, within about a second. Needs no application
    // object, so that a second start ends before it connects to the display. Main thread.
    Result Claim();

    // After a successful Claim, with the application object running: takes requests to come to the front
    // and calls onRaise for each, and answers pings (which raise nothing). False when the socket cannot be
    // set up. UI thread.
    bool Serve(std::function<void()> onRaise);

    // UI thread, for any other request line (with its newline): answers it through reply (at most once;
    // more than kMaxLineBytes are cut). The connection is closed after it, answered or not.
    using Reply = std::function<void(const QByteArray& answer)>;
    using RequestHandler = std::function<void(const QByteArray& line, const Reply& reply)>;
    void SetRequestHandler(RequestHandler handler) { m_onRequest = std::move(handler); }

    QString SocketPath() const;
    QString LockPath() const;

    // Limits on who connects. A request is one short line, and a later start is done within a second.
    static constexpr qint64 kMaxLineBytes = 4096;
    static constexpr int kMaxClients = 16;
    static constexpr int kHoldMs = 2000;
    // How often the listener is looked at (still listening, its socket file still the one it made).
    static constexpr int kWatchMs = 1000;

    // What a later start sends and what the running instance answers.
    static constexpr auto& kRaiseRequest = CInstanceClient::kRaiseRequest;
    static constexpr auto& kRaiseAnswer = CInstanceClient::kRaiseAnswer;
    static constexpr auto& kPingRequest = CInstanceClient::kPingRequest;
    static constexpr auto& kPingAnswer = CInstanceClient::kPingAnswer;

private:
    bool Listen();
    void Watch();
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    // Hands a request line to the request handler and closes the connection after its answer. UI thread.
    void Answer(QLocalSocket* socket, const QByteArray& line);
    void Drop(QLocalSocket* socket);

    QString m_strDir;
    std::unique_ptr<QLockFile> m_pLock;
    std::unique_ptr<QLocalServer> m_pServer;
    std::function<void()> m_onRaise;
    RequestHandler m_onRequest;
    // Oldest first; children of the server.
    std::deque<QLocalSocket*> m_clients;
    QTimer m_watch;
    ino_t m_socketInode = 0;
    bool m_bToldLost = false;
};
