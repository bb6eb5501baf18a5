#include "app/remote/WebRemoteServer.h"

#include "app/remote/WebRemotePairing.h"
#include "app/remote/WebRemoteState.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>

namespace {

constexpr int kSweepMs = 1000;
constexpr int kStatusOk = 200;
constexpr int kStatusSeeOther = 303;
constexpr int kStatusBad = 400;
constexpr int kStatusForbidden = 403;
constexpr int kStatusNotFound = 404;
constexpr int kStatusMethod = 405;
constexpr int kStatusTooLarge = 413;
constexpr int kStatusTooMany = 429;
constexpr int kStatusUnavailable = 503;
const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");
const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");

struct Resource {
    const char* path;
    const char* file;
    const char* type;
};
constexpr Resource kResources[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8"},
    {"/index.html", ":/web/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/web/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/web/style.css", "text/css; charset=utf-8"},
};

// The page's texts, put in where the page has {{key}}; through the translations like the window's.
struct PageText {
    const char* key;
    const char* text;
};
constexpr PageText kPageTexts[] = {
    {"title", QT_TRANSLATE_NOOP("WebRemotePage", "Padora リモート")},
    {"allStop", QT_TRANSLATE_NOOP("WebRemotePage", "全停止")},
    {"stopKey", QT_TRANSLATE_NOOP("WebRemotePage", "停止キー")},
    {"prev", QT_TRANSLATE_NOOP("WebRemotePage", "前のグループ")},
    {"next", QT_TRANSLATE_NOOP("WebRemotePage", "次のグループ")},
    {"master", QT_TRANSLATE_NOOP("WebRemotePage", "マスター")},
    {"volume", QT_TRANSLATE_NOOP("WebRemotePage", "音量")},
    {"offline", QT_TRANSLATE_NOOP("WebRemotePage", "Padora との接続が切れました。再接続しています…")},
    {"busy", QT_TRANSLATE_NOOP("WebRemotePage", "Padora で操作中のウィンドウがあるため、パッドは使えません")},
    {"noGroup", QT_TRANSLATE_NOOP("WebRemotePage", "グループがありません")},
    {"pairTitle", QT_TRANSLATE_NOOP("WebRemotePage", "Padora リモートの登録")},
    {"pairPrompt",
     QT_TRANSLATE_NOOP("WebRemotePage",
                       "Padora の設定 (リモート) に表示されている 6 桁のコードを入力してください。")},
    {"pairButton", QT_TRANSLATE_NOOP("WebRemotePage", "登録")},
};

QString Translated(const char* text) {
    return QCoreApplication::translate("WebRemotePage", text);
}

QByteArray Fill(QByteArray page, const QString& message = {}) {
    for (const PageText& t : kPageTexts)
        page.replace("{{" + QByteArray(t.key) + "}}", Translated(t.text).toHtmlEscaped().toUtf8());
    page.replace("{{message}}", message.toHtmlEscaped().toUtf8());
    return page;
}

// Whether host (the Host header) names this server by an address or as localhost, not by a name
// some other site's DNS could point here (a page of that site would be same-origin with us).
bool IsPlainHost(const QByteArray& host) {
    QByteArray h = host;
    if (h.startsWith('[')) {
        const qsizetype close = h.indexOf(']');
        if (close < 0)
            return false;
        return !QHostAddress(QString::fromLatin1(h.mid(1, close - 1))).isNull();
    }
    const qsizetype colon = h.lastIndexOf(':');
    if (colon >= 0)
        h = h.left(colon);
    return h == "localhost" || !QHostAddress(QString::fromLatin1(h)).isNull();
}

} // namespace

CWebRemoteServer::CWebRemoteServer(CWebRemotePairing* pPairing, Sink sink)
    : m_pPairing(pPairing), m_sink(std::move(sink)) {
    m_pSockets = new QWebSocketServer(QStringLiteral("Padora"), QWebSocketServer::NonSecureMode, this);
    connect(m_pSockets, &QWebSocketServer::newConnection, this, &CWebRemoteServer::OnWebSocket);
    m_pSweep = new QTimer(this);
    m_pSweep->setInterval(kSweepMs);
    connect(m_pSweep, &QTimer::timeout, this, &CWebRemoteServer::Sweep);
    setMaxPendingConnections(kMaxConnections);
}

CWebRemoteServer::~CWebRemoteServer() {
    Stop();
}

bool CWebRemoteServer::Start(const QHostAddress& address, quint16 port, QString* pError) {
    Stop();
    if (!listen(address, port)) {
        if (pError)
            *pError = errorString();
        return false;
    }
    m_pSweep->start();
    return true;
}

void CWebRemoteServer::Stop() {
    close();
    m_pSweep->stop();
    for (const QPointer<QWebSocket>& ws : m_clients)
        if (ws) {
            ws->disconnect(this);
            ws->abort();
            ws->deleteLater();
        }
    m_clients.clear();
    for (auto& [socket, connection] : m_http) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_http.clear();
    Count();
}

void CWebRemoteServer::Count() {
    m_nConnections.store(static_cast<int>(m_http.size() + m_clients.size()), std::memory_order_relaxed);
}

void CWebRemoteServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    if (Connections() >= kMaxConnections) {
        // Answered at once and closed: the connections already open go on.
        socket->write(WebRemoteRequest::Response(kStatusUnavailable, kText, "busy\n"));
        socket->disconnectFromHost();
        return;
    }
    // Nothing beyond one request is ever kept: the kernel holds back the rest.
    socket->setReadBufferSize(WebRemoteRequest::kMaxBytes + 1);
    m_http[socket] = Connection{QDateTime::currentMSecsSinceEpoch() + kHeadTimeoutMs, false};
    Count();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadable(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_http.erase(socket);
        Count();
    });
}

void CWebRemoteServer::OnReadable(QTcpSocket* socket) {
    const auto it = m_http.find(socket);
    if (it == m_http.end() || it->second.answered)
        return; // answered already: what else it sends is not read
    WebRemoteRequest request;
    // Peeked, not read: a WebSocket upgrade goes on to its server with its head untouched.
    const QByteArray bytes = socket->peek(WebRemoteRequest::kMaxBytes + 1);
    switch (request.ReadHead(bytes)) {
    case WebRemoteRequest::Parse::Incomplete:
        return;
    case WebRemoteRequest::Parse::Bad:
        Finish(socket, kStatusBad);
        return;
    case WebRemoteRequest::Parse::TooLarge:
        Finish(socket, kStatusTooLarge);
        return;
    case WebRemoteRequest::Parse::Done:
        break;
    }
    if (bytes.size() < request.headBytes + request.bodyBytes)
        return; // the body is still coming
    if (!Allowed(socket->peerAddress(), request) && request.path != "/pair") {
        Finish(socket, kStatusForbidden, PairPage({}));
        return;
    }
    if (request.IsWebSocketUpgrade()) {
        Upgrade(socket, request);
        return;
    }
    Answer(socket, request, bytes.mid(request.headBytes, request.bodyBytes));
}

bool CWebRemoteServer::Allowed(const QHostAddress& peer, const WebRemoteRequest& request) const {
    if (!IsPlainHost(request.Header("host")))
        return false;
    if (!m_pPairing->NeedsToken(peer))
        return true;
    return m_pPairing->IsValidToken(request.Cookie(kTokenCookie));
}

bool CWebRemoteServer::SameOrigin(const WebRemoteRequest& request) {
    const QByteArray origin = request.Header("origin");
    return origin.isEmpty() || origin == "http://" + request.Header("host");
}

void CWebRemoteServer::Answer(QTcpSocket* socket, const WebRemoteRequest& request, const QByteArray& body) {
    if (request.path == "/pair") {
        if (!IsPlainHost(request.Header("host")) || !SameOrigin(request)) {
            Finish(socket, kStatusForbidden);
            return;
        }
        if (request.method == "GET") {
            Finish(socket, kStatusOk, PairPage({}));
            return;
        }
        if (request.method != "POST") {
            Finish(socket, kStatusMethod);
            return;
        }
        const QString code = QUrlQuery(QString::fromUtf8(body)).queryItemValue(QStringLiteral("code"));
        QByteArray token;
        switch (m_pPairing->Pair(socket->peerAddress(), code, &token)) {
        case CWebRemotePairing::Result::Paired:
            Finish(socket, kStatusSeeOther, {}, kText,
                   "Location: /\r\nSet-Cookie: " + QByteArray(kTokenCookie) + '=' + token +
                       "; Path=/; HttpOnly; SameSite=Strict; Max-Age=31536000\r\n");
            return;
        case CWebRemotePairing::Result::WrongCode:
            Finish(socket, kStatusForbidden,
                   PairPage(QCoreApplication::translate("WebRemotePage", "コードが違います。")));
            return;
        case CWebRemotePairing::Result::TooManyTries:
            Finish(socket, kStatusTooMany,
                   PairPage(QCoreApplication::translate(
                       "WebRemotePage", "間違いが多すぎます。1 分ほど待ってから入力してください。")));
            return;
        }
    }
    if (request.method != "GET" && request.method != "HEAD") {
        Finish(socket, kStatusMethod);
        return;
    }
    for (const Resource& r : kResources) {
        if (request.path == r.path) {
            const QByteArray page = Page(QString::fromLatin1(r.file), {});
            Finish(socket, kStatusOk, request.method == "HEAD" ? QByteArray() : page, r.type,
                   "Content-Security-Policy: default-src 'self'; connect-src 'self' ws: wss:; "
                   "frame-ancestors 'none'\r\n");
            return;
        }
    }
    Finish(socket, kStatusNotFound);
}

void CWebRemoteServer::Finish(QTcpSocket* socket, int status, const QByteArray& body, const QByteArray& type,
                              const QByteArray& extraHeaders) {
    const bool html = body.startsWith("<!DOCTYPE");
    socket->write(WebRemoteRequest::Response(
        status,
        !type.isEmpty() ? type
        : html          ? kHtml
                        : kText,
        body.isEmpty() && type.isEmpty() ? QByteArray::number(status) + '\n' : body, extraHeaders));
    socket->disconnectFromHost();
    // Nothing more of it is read; a browser that does not take the answer is dropped in time.
    Connection& c = m_http[socket];
    c.answered = true;
    c.deadline = QDateTime::currentMSecsSinceEpoch() + kHeadTimeoutMs;
}

void CWebRemoteServer::Upgrade(QTcpSocket* socket, const WebRemoteRequest& request) {
    if (request.path != "/ws" || !SameOrigin(request)) {
        Finish(socket, kStatusForbidden);
        return;
    }
    m_http.erase(socket);
    Count();
    // From here the WebSocket server owns the connection.
    socket->disconnect();
    socket->setReadBufferSize(0);
    m_pSockets->handleConnection(socket);
}

void CWebRemoteServer::OnWebSocket() {
    while (QWebSocket* ws = m_pSockets->nextPendingConnection()) {
        ws->setParent(this);
        ws->setMaxAllowedIncomingFrameSize(WebRemoteRequest::kMaxBytes);
        ws->setMaxAllowedIncomingMessageSize(WebRemoteRequest::kMaxBytes);
        ws->setReadBufferSize(WebRemoteRequest::kMaxBytes);
        connect(ws, &QWebSocket::textMessageReceived, this, &CWebRemoteServer::OnMessage);
        connect(ws, &QWebSocket::binaryMessageReceived, this, [this] { ++m_nRejected; });
        connect(ws, &QWebSocket::disconnected, this, [this, ws] {
            std::erase_if(m_clients, [ws](const QPointer<QWebSocket>& c) { return c.isNull() || c == ws; });
            Count();
            ws->deleteLater();
        });
        std::erase_if(m_clients, [](const QPointer<QWebSocket>& c) { return c.isNull(); });
        m_clients.emplace_back(ws);
        Count();
        if (!m_state.isEmpty())
            ws->sendTextMessage(QString::fromUtf8(m_state));
    }
}

void CWebRemoteServer::OnMessage(const QString& text) {
    const std::optional<RemoteCommand> command = webremote::ParseCommand(text.toUtf8());
    if (!command) {
        ++m_nRejected;
        return;
    }
    m_sink({*command});
}

void CWebRemoteServer::Broadcast(const QByteArray& state) {
    m_state = state;
    const QString text = QString::fromUtf8(state);
    std::erase_if(m_clients, [](const QPointer<QWebSocket>& c) { return c.isNull(); });
    for (const QPointer<QWebSocket>& ws : m_clients)
        if (ws->state() == QAbstractSocket::ConnectedState && ws->bytesToWrite() < kMaxUnsentBytes)
            ws->sendTextMessage(text);
}

void CWebRemoteServer::DropPaired() {
    for (const QPointer<QWebSocket>& ws : m_clients)
        if (ws && m_pPairing->NeedsToken(ws->peerAddress()))
            ws->close(QWebSocketProtocol::CloseCodePolicyViolated);
}

void CWebRemoteServer::Sweep() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::vector<QTcpSocket*> late;
    for (const auto& [socket, connection] : m_http)
        if (connection.deadline < now)
            late.push_back(socket);
    for (QTcpSocket* socket : late)
        socket->abort(); // disconnected follows and forgets it
}

QByteArray CWebRemoteServer::Page(const QString& resource, const QString& message) {
    QFile f(resource);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return Fill(f.readAll(), message);
}

QByteArray CWebRemoteServer::PairPage(const QString& message) {
    return Page(QStringLiteral(":/web/pair.html"), message);
}
