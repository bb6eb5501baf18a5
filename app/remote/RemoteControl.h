#pragma once

#include "app/remote/OscServer.h"
#include "app/remote/RemoteCommand.h"
#include "app/remote/RemoteIntake.h"
#include "app/settings/RemoteSettings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

// Remote control over OSC: listens where the remote settings say, hands the commands to
// the target through the intake (which refuses what a busy window cannot take), answers /padora/state
// and sends each later change of the state to every address that asked for it. Made, used and
// destroyed on the UI thread.
class CRemoteControl : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultPort = CRemoteSettings::kDefaultOscPort;
    static constexpr const char* kDefaultBind = CRemoteSettings::kDefaultOscBind;
    // How often the state is compared with what the remotes were last told.
    static constexpr int kStatePollMs = 50;
    // Addresses that asked for the state; the oldest is forgotten beyond this.
    static constexpr std::size_t kMaxListeners = 16;

    struct Config {
        int nPort = kDefaultPort; // 0: off
        QString strBind = QString::fromLatin1(kDefaultBind);
    };
    // Where the settings file says to listen.
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

    CRemoteIntake& Intake() { return m_intake; }

private:
    void Answer(const OscPeer& peer);
    RemoteState CurrentState() const;

    IRemoteTarget* m_pTarget;
    COscServer m_server;
    QString m_strMessage;
    std::vector<OscPeer> m_listeners;
    RemoteState m_lastSent;
    QTimer m_stateTimer;
    CRemoteIntake m_intake;
};
