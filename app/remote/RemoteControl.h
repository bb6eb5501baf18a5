#pragma once

#include "app/remote/OscServer.h"
#include "app/remote/RemoteCommand.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <vector>

class CSettingsFile;

// Remote control over OSC: listens where Padora.INI's section "Remote" says, hands every command to
// the target on the UI thread in arrival order, answers /padora/state and sends each later change of
// the state to every address that asked for it. Made, used and destroyed on the UI thread.
class CRemoteControl : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultPort = 9000;
    static constexpr const char* kDefaultBind = "127.0.0.1";
    // How often the state is compared with what the remotes were last told.
    static constexpr int kStatePollMs = 50;
    // Addresses that asked for the state; the oldest is forgotten beyond this.
    static constexpr std::size_t kMaxListeners = 16;
    // How often waiting commands are offered again to a busy target.
    static constexpr int kBusyRetryMs = 10;

    struct Config {
        int nPort = kDefaultPort; // 0: off
        QString strBind = QString::fromLatin1(kDefaultBind);
    };
    // "Remote"/"OscPort" and "Remote"/"OscBind" of the settings file.
    static Config ReadConfig(const CSettingsFile& settings);

    // pTarget (not owned) must outlive this object.
    explicit CRemoteControl(IRemoteTarget* pTarget, QObject* parent = nullptr);
    ~CRemoteControl() override;

    // Starts listening; false when OSC is off (port 0) or the socket could not be had: Message then
    // says why in one line for the operator, and Padora runs on without OSC.
    bool Start(const Config& config);
    void Stop();
    bool IsListening() const { return m_server.IsRunning(); }
    int Port() const { return m_server.Port(); }
    const QString& Message() const { return m_strMessage; }

    // Sends the state to the listeners now if it changed (the timer does this too).
    void CheckState();

protected:
    bool event(QEvent* e) override;

private:
    struct Pending {
        RemoteCommand command;
        OscPeer from;
    };
    // Hands the waiting commands to the target, in order, while it can take them.
    void Dispatch();
    void Answer(const OscPeer& peer);

    IRemoteTarget* m_pTarget;
    COscServer m_server;
    QString m_strMessage;
    std::vector<OscPeer> m_listeners;
    RemoteState m_lastSent;
    QTimer m_stateTimer;
    std::deque<Pending> m_pending;
    bool m_bDispatching = false;
    QTimer m_retryTimer; // while the target is busy
};
