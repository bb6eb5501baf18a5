#pragma once

#include "app/remote/RemoteIntake.h"
#include "app/remote/WebRemotePairing.h"
#include "app/remote/WebRemoteState.h"
#include "app/show/ShowObserver.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class CShowSession;
class CWebRemoteServer;

// The browser remote of a show: the server on its own thread, the taps handed to the show through the
// intake (in arrival order, under its busy rules, as the keys would do them), and the state pushed to
// every browser whenever it changed, at most kPushesPerSecond times a second. Made, used and destroyed
// on the UI thread.
class CWebRemote : public QObject, public IShowObserver {
    Q_OBJECT
public:
    static constexpr int kPushMs = 50; // 20 a second at most
    static constexpr int kPushesPerSecond = 1000 / kPushMs;

    struct Config {
        int nPort = 0; // 0: off
        QString strBind = QStringLiteral("127.0.0.1");
        bool bPairLocal = false;
        bool operator==(const Config&) const = default;
    };

    // pSession (not owned) must outlive this object.
    explicit CWebRemote(CShowSession* pSession, QObject* parent = nullptr);
    ~CWebRemote() override;

    // Starts listening; false when off (port 0) or the port could not be had: Message then says why in
    // one line for the operator, and Padora runs on without the browser remote.
    bool Start(const Config& config);
    void Stop();
    bool IsListening() const { return m_nPort != 0; }
    int Port() const { return m_nPort; }
    const QString& Message() const { return m_strMessage; }
    // The address a browser opens ("http://192.168.1.5:8080/"); empty while off. For a server bound to
    // every address, the first address of this machine on a network.
    QString Url() const;
    // The code a browser elsewhere must enter; empty while off.
    QString Code() const;
    // Every browser must pair again.
    void RevokeAll();
    // Told whenever the code changed (a browser paired, the tokens were revoked).
    void SetCodeChanged(std::function<void()> changed) { m_codeChanged = std::move(changed); }
    // Open connections; any thread.
    int Connections() const;

    CRemoteIntake& Intake() { return m_intake; }
    // What the browsers are shown now.
    WebRemoteSnapshot Snapshot() const;
    // Sends the state now if it changed (the timer does this too).
    void Push();

    void OnPadChanged(int i, int state) override;
    void OnMeterChanged(int i, int level) override;
    void OnGroupChanged(int index, bool loaded) override;

private:
    void ResetPads();

    CShowSession* m_pSession;
    CRemoteIntake m_intake;
    QThread m_thread;
    std::unique_ptr<CWebRemotePairing> m_pPairing;
    // Lives on m_thread; deleted there.
    std::unique_ptr<CWebRemoteServer, std::function<void(CWebRemoteServer*)>> m_pServer;
    QHostAddress m_bind;
    int m_nPort = 0;
    QString m_strMessage;
    QString m_strLastCode;
    std::function<void()> m_codeChanged;
    QTimer m_pushTimer;
    WebRemoteSnapshot m_lastSent;
    bool m_bSent = false;
    std::array<int, WebRemoteSnapshot::kChannels> m_padState{};
    std::array<int, WebRemoteSnapshot::kChannels> m_meter{};
};
