#pragma once

#include "app/remote/RemoteCommand.h"
#include "app/remote/WebRemoteRequest.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <map>
#include <vector>

class CWebRemotePairing;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

// The browser remote's sockets: the page (compiled in), pairing, and the WebSockets that carry taps
// in and the state out. Every request is read into bounded memory (kMaxBytes, kMaxConnections, a head
// that does not end in time is dropped); one request a connection. Lives on a thread of its own, so
// that no burst of requests ever holds up the window: every method but the constructor runs there.
class CWebRemoteServer : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 100;
    static constexpr int kHeadTimeoutMs = 10000;
    // A browser that reads less than it is sent is skipped until it has caught up.
    static constexpr qint64 kMaxUnsentBytes = 256 * 1024;
    static constexpr const char* kTokenCookie = "padora_token";

    // Server thread: the commands of one message, in arrival order.
    using Sink = std::function<void(const std::vector<RemoteCommand>& commands)>;

    // pPairing (not owned) must outlive this object. Any thread (before it is moved).
    CWebRemoteServer(CWebRemotePairing* pPairing, Sink sink);
    ~CWebRemoteServer() override;

    // Server thread. Starts listening; false with *pError for the operator.
    bool Start(const QHostAddress& address, quint16 port, QString* pError);
    // Server thread. Closes every connection.
    void Stop();
    // Server thread. Sends state to every WebSocket and to those that come later.
    void Broadcast(const QByteArray& state);
    // Server thread. Closes the WebSockets of browsers that had to pair (their tokens were revoked).
    void DropPaired();
    // Any thread. Open connections (HTTP and WebSocket).
    int Connections() const { return m_nConnections.load(std::memory_order_relaxed); }
    // Any thread. Messages from browsers that were no command.
    std::size_t Rejected() const { return m_nRejected.load(std::memory_order_relaxed); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection {
        qint64 deadline; // when it is dropped unless it has gone
        bool answered;
    };
    void OnReadable(QTcpSocket* socket);
    void Answer(QTcpSocket* socket, const WebRemoteRequest& request, const QByteArray& body);
    // Writes the one response of the connection and closes it once sent.
    void Finish(QTcpSocket* socket, int status, const QByteArray& body = {}, const QByteArray& type = {},
                const QByteArray& extraHeaders = {});
    void Count();
    void Upgrade(QTcpSocket* socket, const WebRemoteRequest& request);
    void OnWebSocket();
    void OnMessage(const QString& text);
    void Sweep();
    bool Allowed(const QHostAddress& peer, const WebRemoteRequest& request) const;
    static bool SameOrigin(const WebRemoteRequest& request);
    static QByteArray Page(const QString& resource, const QString& message);
    static QByteArray PairPage(const QString& message);

    CWebRemotePairing* m_pPairing;
    Sink m_sink;
    QWebSocketServer* m_pSockets = nullptr;   // child
    std::map<QTcpSocket*, Connection> m_http; // connections not (or not yet) WebSockets
    std::vector<QPointer<QWebSocket>> m_clients;
    QByteArray m_state;
    QTimer* m_pSweep = nullptr; // child
    std::atomic<int> m_nConnections{0};
    std::atomic<std::size_t> m_nRejected{0};
};
