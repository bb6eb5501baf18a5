#include "app/remote/WebRemote.h"
#include "app/remote/WebRemotePairing.h"
#include "app/remote/WebRemoteRequest.h"
#include "app/remote/WebRemoteState.h"
#include "app/show/ShowSession.h"
#include "tests/app/OfflineEngine.h"
#include "tests/app/TestSounds.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

using Kind = RemoteCommand::Kind;
using Parse = WebRemoteRequest::Parse;

constexpr int kWaitMs = 5000;

bool WaitFor(const std::function<bool()>& done, int ms = kWaitMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

Parse Head(const QByteArray& bytes, WebRemoteRequest* out = nullptr) {
    WebRemoteRequest r;
    const Parse p = r.ReadHead(bytes);
    if (out)
        *out = r;
    return p;
}

TEST(WebRemoteRequest, HeadsAreReadWithinBoundsAndHostileOnesRefused) {
    WebRemoteRequest r;
    EXPECT_EQ(
        Head("GET /app.js?x=1 HTTP/1.1\r\nHost: 127.0.0.1:8\r\nCookie: a=b; padora_token=t1\r\n\r\n", &r),
        Parse::Done);
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.path, "/app.js");
    EXPECT_EQ(r.query, "x=1");
    EXPECT_EQ(r.Header("host"), "127.0.0.1:8");
    EXPECT_EQ(r.Cookie("padora_token"), "t1");
    EXPECT_EQ(r.Cookie("padora"), "");
    EXPECT_FALSE(r.IsWebSocketUpgrade());
    EXPECT_EQ(
        Head("GET /ws HTTP/1.1\r\nHost: h\r\nUpgrade: WebSocket\r\nConnection: keep-alive, Upgrade\r\n\r\n",
             &r),
        Parse::Done);
    EXPECT_TRUE(r.IsWebSocketUpgrade());
    EXPECT_EQ(Head("POST /pair HTTP/1.1\r\nContent-Length: 11\r\n\r\ncode=123456", &r), Parse::Done);
    EXPECT_EQ(r.bodyBytes, 11);

    EXPECT_EQ(Head("GET / HTTP/1.1\r\nHost: x\r\n"), Parse::Incomplete);
    EXPECT_EQ(Head(""), Parse::Incomplete);
    EXPECT_EQ(Head("GET / HTTP/1.1\r\n" + QByteArray(WebRemoteRequest::kMaxBytes, 'a')), Parse::TooLarge);
    EXPECT_EQ(Head("GET / HTTP/1.1\r\nX: " + QByteArray(WebRemoteRequest::kMaxBytes, 'a') + "\r\n\r\n"),
              Parse::TooLarge);
    EXPECT_EQ(Head("POST /pair HTTP/1.1\r\nContent-Length: 1000000000000\r\n\r\n"), Parse::TooLarge);
    EXPECT_EQ(Head("POST /pair HTTP/1.1\r\nContent-Length: 65536\r\n\r\n"), Parse::TooLarge);
    EXPECT_EQ(Head("POST /pair HTTP/1.1\r\nContent-Length: -1\r\n\r\n"), Parse::Bad);
    EXPECT_EQ(Head("POST /pair HTTP/1.1\r\nContent-Length: 1x\r\n\r\n"), Parse::Bad);
    EXPECT_EQ(Head("POST /pair HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"), Parse::Bad);
    EXPECT_EQ(Head("GET / HTTP/1.1\r\nno colon here\r\n\r\n"), Parse::Bad);
    EXPECT_EQ(Head("GET /\r\n\r\n"), Parse::Bad);
    EXPECT_EQ(Head("GET http://x/ HTTP/1.1\r\n\r\n"), Parse::Bad);
    EXPECT_EQ(Head(QByteArray("GET / HTTP/1.1\r\nA\0B: c\r\n\r\n", 26)), Parse::Bad);
    QByteArray many = "GET / HTTP/1.1\r\n";
    for (int i = 0; i <= WebRemoteRequest::kMaxHeaders; ++i)
        many += "X: y\r\n";
    EXPECT_EQ(Head(many + "\r\n"), Parse::Bad);
}

TEST(WebRemoteState, MessagesBecomeTheCommandsOfTheirKeysAndAnythingElseNone) {
    struct Case {
        const char* text;
        Kind kind;
        int n;
        int value;
    };
    const std::vector<Case> cases = {
        {R"({"do":"pad","n":0})", Kind::Pad, 0, 0},
        {R"({"do":"pad","n":9})", Kind::Pad, 9, 0},
        {R"({"do":"stopkey","on":true})", Kind::StopKey, 1, 0},
        {R"({"do":"stopkey","on":false})", Kind::StopKey, 0, 0},
        {R"({"do":"allstop"})", Kind::AllStop, 0, 0},
        {R"({"do":"next"})", Kind::GroupNext, 0, 0},
        {R"({"do":"prev"})", Kind::GroupPrev, 0, 0},
        {R"({"do":"group","n":3})", Kind::Group, 3, 0},
        {R"({"do":"volume","n":4,"value":55})", Kind::Volume, 4, 55},
        {R"({"do":"master","value":0})", Kind::Master, 0, 0},
    };
    for (const Case& c : cases) {
        const auto command = webremote::ParseCommand(c.text);
        ASSERT_TRUE(command) << c.text;
        EXPECT_EQ(command->kind, c.kind) << c.text;
        EXPECT_EQ(command->n, c.n) << c.text;
        EXPECT_EQ(command->value, c.value) << c.text;
    }
    for (const char* bad :
         {"", "{", "[]", "null", R"({"do":"pad"})", R"({"do":"pad","n":10})", R"({"do":"pad","n":-1})",
          R"({"do":"pad","n":1.5})", R"({"do":"pad","n":"1"})", R"({"do":"volume","n":1,"value":101})",
          R"({"do":"volume","n":1})", R"({"do":"master","value":-1})", R"({"do":"stopkey","on":1})",
          R"({"do":"group","n":1e12})", R"({"do":"state"})", R"({"do":"raw"})"})
        EXPECT_FALSE(webremote::ParseCommand(bad)) << bad;
}

TEST(WebRemotePairing, AWrongCodeIsLimitedPerAddressAndInAllAndATokenLastsUntilRevoked) {
    CWebRemotePairing pairing;
    const QHostAddress phone(QStringLiteral("192.168.1.20"));
    const QHostAddress other(QStringLiteral("192.168.1.21"));
    EXPECT_FALSE(pairing.NeedsToken(QHostAddress(QStringLiteral("127.0.0.1"))));
    EXPECT_FALSE(pairing.NeedsToken(QHostAddress(QStringLiteral("127.0.0.2"))));
    EXPECT_FALSE(pairing.NeedsToken(QHostAddress(QStringLiteral("::1"))));
    EXPECT_FALSE(pairing.NeedsToken(QHostAddress(QStringLiteral("::ffff:127.0.0.1"))));
    EXPECT_TRUE(pairing.NeedsToken(phone));
    EXPECT_TRUE(pairing.NeedsToken(QHostAddress(QStringLiteral("::ffff:192.168.1.20"))));
    EXPECT_TRUE(CWebRemotePairing(true).NeedsToken(QHostAddress(QStringLiteral("127.0.0.1"))));

    const QString code = pairing.Code();
    ASSERT_EQ(code.size(), CWebRemotePairing::kCodeDigits);
    const QString wrong =
        code == QStringLiteral("000000") ? QStringLiteral("000001") : QStringLiteral("000000");
    const auto t0 = CWebRemotePairing::Clock::now();
    QByteArray token;
    for (int i = 0; i < CWebRemotePairing::kWrongPerAddress; ++i)
        EXPECT_EQ(pairing.Pair(phone, wrong, &token, t0), CWebRemotePairing::Result::WrongCode);
    // Beyond the limit even the right code is refused, so that guessing gains nothing.
    EXPECT_EQ(pairing.Pair(phone, code, &token, t0), CWebRemotePairing::Result::TooManyTries);
    EXPECT_TRUE(token.isEmpty());
    EXPECT_EQ(pairing.Pair(other, code, &token, t0), CWebRemotePairing::Result::Paired);
    EXPECT_EQ(token.size(), 2 * CWebRemotePairing::kTokenBytes);
    EXPECT_TRUE(pairing.IsValidToken(token));
    EXPECT_FALSE(pairing.IsValidToken(token.left(token.size() - 1) + (token.endsWith('0') ? "1" : "0")));
    EXPECT_FALSE(pairing.IsValidToken({}));
    EXPECT_NE(pairing.Code(), code) << "a code that paired one browser pairs no other";

    const QString next = pairing.Code();
    const auto later = t0 + CWebRemotePairing::kWindow;
    QByteArray second;
    EXPECT_EQ(pairing.Pair(phone, next, &second, later), CWebRemotePairing::Result::Paired);
    EXPECT_NE(second, token);

    // Many addresses together are held back too.
    const QString now = pairing.Code();
    const QString miss =
        now == QStringLiteral("999999") ? QStringLiteral("999998") : QStringLiteral("999999");
    for (int i = 0; i < CWebRemotePairing::kWrongInAll; ++i)
        pairing.Pair(QHostAddress(QStringLiteral("10.0.%1.%2").arg(i / 200).arg(i % 200 + 1)), miss, nullptr,
                     later);
    EXPECT_EQ(pairing.Pair(QHostAddress(QStringLiteral("10.9.9.9")), now, nullptr, later),
              CWebRemotePairing::Result::TooManyTries);

    pairing.RevokeAll();
    EXPECT_FALSE(pairing.IsValidToken(token));
    EXPECT_FALSE(pairing.IsValidToken(second));
    EXPECT_EQ(pairing.TokenCount(), 0u);
}

// The answer of one request on its own connection: status line, headers and body as received.
struct Reply {
    int status = 0;
    QByteArray head;
    QByteArray body;
    bool closed = false;
};

Reply Request(int port, const QByteArray& bytes, int ms = kWaitMs) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    Reply r;
    if (!s.waitForConnected(ms))
        return r;
    s.write(bytes);
    s.waitForBytesWritten(ms);
    QByteArray all;
    QElapsedTimer t;
    t.start();
    while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < ms) {
        s.waitForReadyRead(50);
        all += s.readAll();
    }
    all += s.readAll();
    r.closed = s.state() != QAbstractSocket::ConnectedState;
    const qsizetype end = all.indexOf("\r\n\r\n");
    r.head = all.left(end);
    r.body = end < 0 ? QByteArray() : all.mid(end + 4);
    const QList<QByteArray> first = all.left(all.indexOf("\r\n")).split(' ');
    r.status = first.size() > 1 ? first[1].toInt() : 0;
    return r;
}

QByteArray Get(const QByteArray& path, const QByteArray& extra = {}, int port = 0) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n" + extra +
           "\r\n";
}

// A browser's WebSocket: the states it was pushed, the last one parsed.
struct Browser {
    QWebSocket socket;
    std::vector<QJsonObject> states;
    bool closed = false;

    Browser(int port, const QByteArray& cookie = {}) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            states.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
        QNetworkRequest request(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
        if (!cookie.isEmpty())
            request.setRawHeader("Cookie", cookie);
        socket.open(request);
    }
    bool Connected() {
        return WaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; });
    }
    bool WaitForState(const std::function<bool(const QJsonObject&)>& want) {
        return WaitFor([&] { return !states.empty() && want(states.back()); });
    }
    int Pad(int i) const {
        return states.back()[QLatin1String("pads")].toArray()[i].toObject()["state"].toInt();
    }
    void Send(const char* json) { socket.sendTextMessage(QString::fromLatin1(json)); }
};

// A show of two groups played on the offline engine, its browser remote listening on a free port.
class WebRemoteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        app_test::UseOfflineEngine();
        CGroupData first;
        first.m_strName = QStringLiteral("開演");
        first.m_aChannel[0].m_strFile =
            app_test::WriteTestFile(m_dir.filePath(QStringLiteral("tone.wav")), app_test::SineWav(3.0, -6.0));
        first.m_aChannel[0].m_strTitle = QStringLiteral("ベル");
        first.m_aChannel[0].m_nVolume = 100;
        CGroupData second;
        second.m_strName = QStringLiteral("効果音");
        m_show.Set().Add(first);
        m_show.Set().Add(second);
        m_show.SetCurrentGroup(0);
        m_show.LoadGroup();
    }
    void Start(bool pairLocal = false) {
        m_web = std::make_unique<CWebRemote>(&m_show);
        ASSERT_FALSE(m_web->Start({0, QStringLiteral("127.0.0.1"), pairLocal})) << "port 0 is off";
        // Port 0 is off in the settings: a free port is found by listening on one.
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        m_nPort = probe.serverPort();
        probe.close();
        ASSERT_TRUE(m_web->Start({m_nPort, QStringLiteral("127.0.0.1"), pairLocal}))
            << m_web->Message().toStdString();
    }
    QByteArray Cookie() {
        const Reply r =
            Request(m_nPort, "POST /pair HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 11\r\n\r\ncode=" +
                                 m_web->Code().toLatin1());
        EXPECT_EQ(r.status, 303) << r.head.toStdString();
        const qsizetype at = r.head.indexOf("padora_token=");
        return at < 0 ? QByteArray() : r.head.mid(at, r.head.indexOf(';', at) - at);
    }

    QTemporaryDir m_dir;
    CShowSession m_show;
    std::unique_ptr<CWebRemote> m_web;
    int m_nPort = 0;
};

TEST_F(WebRemoteTest, OffByDefaultAndABadAddressOrATakenPortIsToldAndPadoraGoesOn) {
    CWebRemote web(&m_show);
    EXPECT_FALSE(web.Start({}));
    EXPECT_TRUE(web.Message().isEmpty());
    EXPECT_FALSE(web.Start({8080, QStringLiteral("not an address"), false}));
    EXPECT_TRUE(web.Message().contains(QStringLiteral("not an address")));
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    EXPECT_FALSE(web.Start({taken.serverPort(), QStringLiteral("127.0.0.1"), false}));
    EXPECT_TRUE(web.Message().contains(QString::number(taken.serverPort())));
    EXPECT_FALSE(web.IsListening());
    EXPECT_TRUE(web.Url().isEmpty());
}

TEST_F(WebRemoteTest, OnLoopbackThePageIsServedAndTapsPlayAsTheKeysDoAndEveryBrowserIsTold) {
    Start();
    EXPECT_EQ(m_web->Url(), QStringLiteral("http://127.0.0.1:%1/").arg(m_nPort));
    const Reply page = Request(m_nPort, Get("/", {}, m_nPort));
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.closed);
    EXPECT_TRUE(page.body.contains("/app.js"));
    EXPECT_TRUE(page.body.contains(QStringLiteral("全停止").toUtf8())) << "texts put in";
    EXPECT_FALSE(page.body.contains("{{"));
    EXPECT_EQ(Request(m_nPort, Get("/app.js", {}, m_nPort)).status, 200);
    EXPECT_EQ(Request(m_nPort, Get("/style.css", {}, m_nPort)).status, 200);
    EXPECT_EQ(Request(m_nPort, Get("/../etc/passwd", {}, m_nPort)).status, 404);
    EXPECT_EQ(Request(m_nPort, "DELETE / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").status, 405);
    // A name another site's DNS could point here is not this server.
    EXPECT_EQ(Request(m_nPort, "GET / HTTP/1.1\r\nHost: evil.example:80\r\n\r\n").status, 403);

    Browser a(m_nPort), b(m_nPort);
    ASSERT_TRUE(a.Connected());
    ASSERT_TRUE(b.Connected());
    ASSERT_TRUE(a.WaitForState([](const QJsonObject& s) { return s["group"].toInt() == 0; }));
    const QJsonObject s = a.states.back();
    EXPECT_EQ(s["tabs"].toArray().size(), 2);
    EXPECT_EQ(s["tabs"].toArray()[1].toString(), QStringLiteral("効果音"));
    EXPECT_EQ(s["pads"].toArray()[0].toObject()["title"].toString(), QStringLiteral("ベル"));
    EXPECT_EQ(a.Pad(0), CChannelData::kStopped);
    EXPECT_EQ(a.Pad(1), CChannelData::kNoMedia);

    a.Send(R"({"do":"pad","n":0})");
    ASSERT_TRUE(b.WaitForState([&](const QJsonObject&) { return b.Pad(0) == CChannelData::kPlaying; }))
        << "the other browser sees the pad play";
    EXPECT_EQ(m_show.CurrentGroup()->m_aChannel[0].m_nPlayState, CChannelData::kPlaying);
    EXPECT_GT(app_test::Rms(app_test::RenderOffline(0.2)), 0.1) << "the tap is heard";

    // The stop key as a toggle: held, the pad stops its sound; the master as its fader.
    a.Send(R"({"do":"stopkey","on":true})");
    ASSERT_TRUE(a.WaitForState([](const QJsonObject& st) { return st["stopKey"].toBool(); }));
    a.Send(R"({"do":"pad","n":0})");
    a.Send(R"({"do":"stopkey","on":false})");
    a.Send(R"({"do":"master","value":40})");
    ASSERT_TRUE(b.WaitForState([&](const QJsonObject& st) {
        return b.Pad(0) == CChannelData::kStopped && !st["stopKey"].toBool() && st["master"].toInt() == 40;
    }));
    EXPECT_EQ(m_show.MasterVolume(), 40);
    a.Send(R"({"do":"volume","n":0,"value":30})");
    a.Send(R"({"do":"next"})");
    ASSERT_TRUE(b.WaitForState([](const QJsonObject& st) { return st["group"].toInt() == 1; }));
    EXPECT_EQ(m_show.CurrentGroupIndex(), 1);
    EXPECT_EQ(m_show.Set()[0].m_aChannel[0].m_nVolume, 30);
    a.Send(R"({"do":"group","n":0})");
    ASSERT_TRUE(b.WaitForState([](const QJsonObject& st) { return st["group"].toInt() == 0; }));
    a.Send(R"({"do":"group","n":7})"); // a group the set lacks: nothing happens
    a.Send("not json at all");
    a.Send(R"({"do":"pad","n":0})");
    ASSERT_TRUE(b.WaitForState([&](const QJsonObject&) { return b.Pad(0) == CChannelData::kPlaying; }));
    EXPECT_EQ(m_show.CurrentGroupIndex(), 0);
    a.Send(R"({"do":"allstop"})");
    ASSERT_TRUE(b.WaitForState([&](const QJsonObject&) { return b.Pad(0) == CChannelData::kStopped; }));
}

TEST_F(WebRemoteTest, WhenPairingIsAskedNothingIsServedWithoutATokenUntilTheCodeIsEnteredAndRevokedEnds) {
    Start(true);
    const Reply refused = Request(m_nPort, Get("/", {}, m_nPort));
    EXPECT_EQ(refused.status, 403);
    EXPECT_TRUE(refused.body.contains("action=\"/pair\"")) << "the page to pair with";
    EXPECT_EQ(Request(m_nPort, Get("/app.js", {}, m_nPort)).status, 403);
    EXPECT_EQ(
        Request(m_nPort, Get("/app.js", "Cookie: padora_token=" + QByteArray(64, 'a') + "\r\n", m_nPort))
            .status,
        403);
    Browser stranger(m_nPort);
    EXPECT_TRUE(WaitFor(
        [&] { return stranger.closed || stranger.socket.error() != QAbstractSocket::UnknownSocketError; }));
    EXPECT_TRUE(stranger.states.empty());

    const QString code = m_web->Code();
    const QByteArray wrong = code == QStringLiteral("123456") ? "654321" : "123456";
    const Reply bad =
        Request(m_nPort, "POST /pair HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 11\r\n\r\ncode=" + wrong);
    EXPECT_EQ(bad.status, 403);
    EXPECT_TRUE(bad.body.contains(QStringLiteral("コードが違います").toUtf8()));
    // A page of another site cannot pair this browser behind the operator's back.
    EXPECT_EQ(Request(m_nPort, "POST /pair HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://evil.example\r\n"
                               "Content-Length: 11\r\n\r\ncode=" +
                                   code.toLatin1())
                  .status,
              403);

    QString changed;
    m_web->SetCodeChanged([&] { changed = m_web->Code(); });
    const QByteArray cookie = Cookie();
    ASSERT_FALSE(cookie.isEmpty());
    EXPECT_EQ(Request(m_nPort, Get("/", "Cookie: " + cookie + "\r\n", m_nPort)).status, 200);
    Browser paired(m_nPort, cookie);
    ASSERT_TRUE(paired.Connected());
    ASSERT_TRUE(paired.WaitForState([](const QJsonObject& s) { return s["group"].toInt() == 0; }));
    EXPECT_TRUE(WaitFor([&] { return !changed.isEmpty(); })) << "the window is told the new code";
    EXPECT_NE(changed, code);

    m_web->RevokeAll();
    EXPECT_TRUE(WaitFor([&] { return paired.closed; })) << "a revoked browser is let go";
    EXPECT_EQ(Request(m_nPort, Get("/", "Cookie: " + cookie + "\r\n", m_nPort)).status, 403);
}

TEST_F(WebRemoteTest, OversizedRequestsConnectionFloodsBadFramesAndTapFloodsAreBounded) {
    Start();
    // Over 64 KB of head, or a body said to be larger: refused without reading it all.
    const Reply big = Request(m_nPort, "GET / HTTP/1.1\r\nX: " + QByteArray(70 * 1024, 'a') + "\r\n\r\n");
    EXPECT_EQ(big.status, 413);
    EXPECT_TRUE(big.closed);
    EXPECT_EQ(Request(m_nPort, "POST /pair HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 999999999\r\n\r\n")
                  .status,
              413);
    EXPECT_EQ(Request(m_nPort, "NOT HTTP\r\n\r\n").status, 400);

    // A hundred connections that say nothing hold every place; the next is turned away at once.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 100; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_nPort));
        ASSERT_TRUE(idle.back()->waitForConnected(kWaitMs));
    }
    ASSERT_TRUE(WaitFor([&] { return m_web->Connections() == 100; })) << m_web->Connections();
    EXPECT_EQ(Request(m_nPort, Get("/", {}, m_nPort)).status, 503);
    idle.clear();
    ASSERT_TRUE(WaitFor([&] { return m_web->Connections() == 0; })) << m_web->Connections();
    EXPECT_EQ(Request(m_nPort, Get("/", {}, m_nPort)).status, 200) << "served again once they have gone";

    // A frame that breaks the protocol (unmasked from a client, reserved bits set) ends its socket only.
    Browser good(m_nPort);
    ASSERT_TRUE(good.Connected());
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_nPort));
    ASSERT_TRUE(raw.waitForConnected(kWaitMs));
    raw.write("GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
              "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
    ASSERT_TRUE(WaitFor([&] { return raw.bytesAvailable() > 0 && raw.peek(64).startsWith("HTTP/1.1 101"); }));
    raw.readAll();
    raw.write(QByteArray("\xF1\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10));
    EXPECT_TRUE(WaitFor([&] { return raw.state() != QAbstractSocket::ConnectedState; }))
        << "a malformed frame is not waited on";
    EXPECT_FALSE(good.closed);

    // Ten thousand taps while the window is held up: the intake keeps its bound and drops the oldest,
    // the server goes on answering.
    constexpr int kTaps = 10000;
    for (int i = 0; i < kTaps; ++i)
        good.Send(i % 2 ? R"({"do":"pad","n":0})" : R"({"do":"volume","n":0,"value":50})");
    const auto dropped = static_cast<std::size_t>(kTaps) - CRemoteIntake::kCapacity;
    QElapsedTimer flood;
    flood.start();
    while (m_web->Intake().Dropped() < dropped && flood.elapsed() < 20000) {
        good.socket.flush();
        QThread::msleep(10);
    }
    EXPECT_EQ(m_web->Intake().Dropped(), dropped);
    EXPECT_EQ(Request(m_nPort, Get("/", {}, m_nPort)).status, 200);
    good.Send(R"({"do":"master","value":7})");
    EXPECT_TRUE(good.WaitForState([](const QJsonObject& s) { return s["master"].toInt() == 7; }));
}

} // namespace
