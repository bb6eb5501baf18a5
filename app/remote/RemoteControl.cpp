#include "app/remote/RemoteControl.h"

#include "app/remote/OscCodec.h"

#include <algorithm>

#include <QCoreApplication>

CRemoteControl::Config CRemoteControl::ReadConfig(const CSettingsFile& settings) {
    const CRemoteSettings remote = CRemoteSettings::Load(settings);
    return Config{remote.nOscPort, remote.strOscBind};
}

CRemoteControl::CRemoteControl(IRemoteTarget* pTarget, QObject* parent)
    : QObject(parent), m_pTarget(pTarget), m_intake(pTarget, QStringLiteral("OSC")) {
    Q_ASSERT(m_pTarget);
    m_stateTimer.setInterval(kStatePollMs);
    connect(&m_stateTimer, &QTimer::timeout, this, &CRemoteControl::CheckState);
    m_intake.SetAnswer([this](const OscPeer& peer) { Answer(peer); });
    m_intake.SetAfterTurn([this] { CheckState(); });
}

CRemoteControl::~CRemoteControl() {
    // The receiver is stopped before the intake it pushes to goes.
    m_server.Stop();
}

bool CRemoteControl::Start(const Config& config) {
    Stop();
    m_strMessage.clear();
    if (config.nPort == 0)
        return false;
    QString reason;
    const COscServer::Result r = m_server.Start(
        config.strBind, config.nPort,
        [this](std::vector<RemoteCommand> commands, const OscPeer& from) {
            // Receiver thread.
            m_intake.Push(commands, from);
        },
        &reason);
    switch (r) {
    case COscServer::Result::Ok:
        return true;
    case COscServer::Result::PortInUse:
        m_strMessage = QCoreApplication::translate(
                           "CRemoteControl",
                           "OSC のポート %1 は他のプログラムが使用中です。OSC による操作なしで続けます。")
                           .arg(config.nPort);
        break;
    case COscServer::Result::BadAddress:
        m_strMessage = QCoreApplication::translate("CRemoteControl",
                                                   "OSC の待ち受けアドレス %1 (ポート %2) は使えません (%3)。"
                                                   "OSC による操作なしで続けます。")
                           .arg(config.strBind)
                           .arg(config.nPort)
                           .arg(reason);
        break;
    case COscServer::Result::Failed:
        m_strMessage =
            QCoreApplication::translate(
                "CRemoteControl", "OSC の受信を開始できませんでした (%1)。OSC による操作なしで続けます。")
                .arg(reason);
        break;
    }
    return false;
}

void CRemoteControl::Stop() {
    m_server.Stop();
    m_stateTimer.stop();
    m_listeners.clear();
    m_intake.Clear();
}

void CRemoteControl::Answer(const OscPeer& peer) {
    if (std::find(m_listeners.begin(), m_listeners.end(), peer) == m_listeners.end()) {
        if (m_listeners.size() >= kMaxListeners)
            m_listeners.erase(m_listeners.begin());
        m_listeners.push_back(peer);
    }
    m_lastSent = CurrentState();
    m_server.SendTo(peer, osc::StateBytes(m_lastSent));
    if (!m_stateTimer.isActive())
        m_stateTimer.start();
}

void CRemoteControl::CheckState() {
    if (m_listeners.empty())
        return;
    const RemoteState state = CurrentState();
    if (state == m_lastSent)
        return;
    m_lastSent = state;
    const QByteArray bytes = osc::StateBytes(state);
    for (const OscPeer& peer : m_listeners)
        m_server.SendTo(peer, bytes);
}

RemoteState CRemoteControl::CurrentState() const {
    RemoteState state = m_pTarget->CurrentRemoteState();
    state.bBusy = m_intake.Busy();
    return state;
}
