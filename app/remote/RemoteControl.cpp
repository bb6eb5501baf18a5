#include "app/remote/RemoteControl.h"

#include "app/remote/OscCodec.h"
#include "app/settings/Option.h"
#include "platform/HandOff.h"
#include "platform/Profile.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("Remote");
constexpr int kBindBufferBytes = 64;

// The commands of one datagram on their way from the receiver thread to the UI thread.
class RemoteEvent : public QEvent {
public:
    RemoteEvent(std::vector<RemoteCommand> commands, const OscPeer& from)
        : QEvent(Type()), m_commands(std::move(commands)), m_from(from) {}
    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    std::vector<RemoteCommand> m_commands;
    OscPeer m_from;
};

} // namespace

CRemoteControl::Config CRemoteControl::ReadConfig(const CSettingsFile& settings) {
    Config config;
    const auto profile = settings.Document();
    config.nPort = profile->GetInt(kSection, QStringLiteral("OscPort"), kDefaultPort);
    config.strBind = profile
                         ->GetString(kSection, QStringLiteral("OscBind"), QString::fromLatin1(kDefaultBind),
                                     kBindBufferBytes)
                         .trimmed();
    if (config.strBind.isEmpty())
        config.strBind = QString::fromLatin1(kDefaultBind);
    return config;
}

CRemoteControl::CRemoteControl(IRemoteTarget* pTarget, QObject* parent)
    : QObject(parent), m_pTarget(pTarget) {
    Q_ASSERT(m_pTarget);
    m_stateTimer.setInterval(kStatePollMs);
    connect(&m_stateTimer, &QTimer::timeout, this, &CRemoteControl::CheckState);
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(kBusyRetryMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &CRemoteControl::Dispatch);
}

CRemoteControl::~CRemoteControl() {
    // The receiver is stopped before the events it may have posted are dropped with this object.
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
            // Receiver thread: posted, so that the UI thread takes them in arrival order.
            platform::PostEvent(this, new RemoteEvent(std::move(commands), from));
        },
        &reason);
    switch (r) {
    case COscServer::Result::Ok:
        return true;
    case COscServer::Result::PortInUse:
        m_strMessage =
            QStringLiteral("OSC のポート %1 は他のプログラムが使用中です。OSC による操作なしで続けます。")
                .arg(config.nPort);
        break;
    case COscServer::Result::BadAddress:
        m_strMessage = QStringLiteral("OSC の待ち受けアドレス %1 (ポート %2) は使えません (%3)。"
                                      "OSC による操作なしで続けます。")
                           .arg(config.strBind)
                           .arg(config.nPort)
                           .arg(reason);
        break;
    case COscServer::Result::Failed:
        m_strMessage = QStringLiteral("OSC の受信を開始できませんでした (%1)。OSC による操作なしで続けます。")
                           .arg(reason);
        break;
    }
    return false;
}

void CRemoteControl::Stop() {
    m_server.Stop();
    m_stateTimer.stop();
    m_retryTimer.stop();
    m_listeners.clear();
    m_pending.clear();
}

bool CRemoteControl::event(QEvent* e) {
    if (e->type() != RemoteEvent::Type())
        return QObject::event(e);
    const auto* remote = static_cast<RemoteEvent*>(e);
    for (const RemoteCommand& command : remote->m_commands)
        m_pending.push_back({command, remote->m_from});
    Dispatch();
    return true;
}

void CRemoteControl::Dispatch() {
    // A command may open a modal window (the loader of a group switch) whose nested loop delivers the
    // next datagrams here: they wait behind the one under way instead of overtaking it.
    if (m_bDispatching)
        return;
    m_bDispatching = true;
    while (!m_pending.empty()) {
        if (m_pTarget->RemoteBusy()) {
            m_retryTimer.start();
            break;
        }
        const Pending next = m_pending.front();
        m_pending.pop_front();
        if (next.command.kind == RemoteCommand::Kind::State)
            Answer(next.from);
        else
            m_pTarget->RemoteCommandArrived(next.command);
    }
    m_bDispatching = false;
    CheckState();
}

void CRemoteControl::Answer(const OscPeer& peer) {
    if (std::find(m_listeners.begin(), m_listeners.end(), peer) == m_listeners.end()) {
        if (m_listeners.size() >= kMaxListeners)
            m_listeners.erase(m_listeners.begin());
        m_listeners.push_back(peer);
    }
    m_lastSent = m_pTarget->CurrentRemoteState();
    m_server.SendTo(peer, osc::StateBytes(m_lastSent));
    if (!m_stateTimer.isActive())
        m_stateTimer.start();
}

void CRemoteControl::CheckState() {
    if (m_listeners.empty())
        return;
    const RemoteState state = m_pTarget->CurrentRemoteState();
    if (state == m_lastSent)
        return;
    m_lastSent = state;
    const QByteArray bytes = osc::StateBytes(state);
    for (const OscPeer& peer : m_listeners)
        m_server.SendTo(peer, bytes);
}
