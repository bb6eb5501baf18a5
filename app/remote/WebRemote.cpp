#include "app/remote/WebRemote.h"

#include "app/lists/ChannelCellText.h"
#include "app/remote/WebRemoteServer.h"
#include "app/show/ShowRules.h"
#include "app/show/ShowSession.h"
#include "platform/HandOff.h"

#include <QCoreApplication>
#include <QNetworkInterface>

CWebRemote::CWebRemote(CShowSession* pSession, QObject* parent)
    : QObject(parent), m_pSession(pSession), m_intake(pSession, QStringLiteral("Web")) {
    Q_ASSERT(m_pSession);
    m_pushTimer.setInterval(kPushMs);
    connect(&m_pushTimer, &QTimer::timeout, this, &CWebRemote::Push);
    m_thread.setObjectName(QStringLiteral("padora-web"));
    ResetPads();
    m_pSession->AddObserver(this);
}

CWebRemote::~CWebRemote() {
    Stop();
    m_pSession->RemoveObserver(this);
}

bool CWebRemote::Start(const Config& config) {
    Stop();
    m_strMessage.clear();
    if (config.nPort <= 0)
        return false;
    m_bind = QHostAddress(config.strBind.trimmed());
    if (m_bind.isNull() || config.nPort > 65535) {
        m_strMessage = tr("ブラウザ リモートの待ち受けアドレス %1 (ポート %2) は使えません。"
                          "ブラウザ リモートなしで続けます。")
                           .arg(config.strBind)
                           .arg(config.nPort);
        return false;
    }
    m_pPairing = std::make_unique<CWebRemotePairing>(config.bPairLocal);
    m_strLastCode = m_pPairing->Code();
    m_thread.start();
    auto* server = new CWebRemoteServer(m_pPairing.get(), [this](const std::vector<RemoteCommand>& commands) {
        // Server thread.
        m_intake.Push(commands);
    });
    server->moveToThread(&m_thread);
    m_pServer = {server, [this](CWebRemoteServer* s) {
                     // The server's sockets belong to its thread: it ends there.
                     QMetaObject::invokeMethod(s, platform::CHandedOff([s] { delete s; }),
                                               Qt::BlockingQueuedConnection);
                     m_thread.quit();
                     m_thread.wait();
                 }};
    bool ok = false;
    QString error;
    const QHostAddress bind = m_bind;
    const auto port = static_cast<quint16>(config.nPort);
    QMetaObject::invokeMethod(server, platform::CHandedOff([&] { ok = server->Start(bind, port, &error); }),
                              Qt::BlockingQueuedConnection);
    if (!ok) {
        m_pServer.reset();
        m_pPairing.reset();
        m_strMessage = tr("ブラウザ リモートのポート %1 (%2) で待ち受けられません (%3)。ブラウザ "
                          "リモートなしで続けます。")
                           .arg(config.nPort)
                           .arg(config.strBind, error);
        return false;
    }
    QMetaObject::invokeMethod(server, platform::CHandedOff([&] { m_nPort = server->serverPort(); }),
                              Qt::BlockingQueuedConnection);
    m_bSent = false;
    Push();
    m_pushTimer.start();
    return true;
}

void CWebRemote::Stop() {
    m_pushTimer.stop();
    // The server goes first: nothing pushes to the intake after this.
    m_pServer.reset();
    m_pPairing.reset();
    m_intake.Clear();
    m_nPort = 0;
}

QString CWebRemote::Url() const {
    if (!IsListening())
        return {};
    QHostAddress shown = m_bind;
    if (m_bind == QHostAddress::AnyIPv4 || m_bind == QHostAddress::Any || m_bind == QHostAddress::AnyIPv6) {
        shown = QHostAddress::LocalHost;
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
                shown = a;
                break;
            }
    }
    const QString host = shown.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(shown.toString())
                             : shown.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(m_nPort);
}

QString CWebRemote::Code() const {
    return m_pPairing ? m_pPairing->Code() : QString();
}

void CWebRemote::RevokeAll() {
    if (!m_pPairing)
        return;
    m_pPairing->RevokeAll();
    CWebRemoteServer* server = m_pServer.get();
    QMetaObject::invokeMethod(server, platform::CHandedOff([server] { server->DropPaired(); }));
    Push();
}

int CWebRemote::Connections() const {
    return m_pServer ? m_pServer->Connections() : 0;
}

void CWebRemote::ResetPads() {
    m_meter.fill(show::kMeterFloor);
    const CGroupData* g = m_pSession->CurrentGroup();
    for (int i = 0; i < WebRemoteSnapshot::kChannels; ++i)
        m_padState[static_cast<size_t>(i)] = g ? g->m_aChannel[i].m_nPlayState : CChannelData::kNoMedia;
}

void CWebRemote::OnPadChanged(int i, int state) {
    if (i >= 0 && i < WebRemoteSnapshot::kChannels)
        m_padState[static_cast<size_t>(i)] = state;
}

void CWebRemote::OnMeterChanged(int i, int level) {
    if (i >= 0 && i < WebRemoteSnapshot::kChannels)
        m_meter[static_cast<size_t>(i)] = level;
}

void CWebRemote::OnGroupChanged(int /*index*/, bool /*loaded*/) {
    ResetPads();
}

WebRemoteSnapshot CWebRemote::Snapshot() const {
    WebRemoteSnapshot s;
    const CGroupArray& set = m_pSession->Set();
    for (int g = 0; g < set.GetSize(); ++g)
        s.tabs << set[g].m_strName;
    s.master = m_pSession->MasterVolume();
    s.stopKey = m_pSession->StopKeyHeld();
    s.busy = m_intake.Busy();
    s.meterFloor = show::kMeterFloor;
    const CGroupData* g = m_pSession->CurrentGroup();
    if (!g)
        return s;
    s.group = m_pSession->CurrentGroupIndex();
    for (int i = 0; i < WebRemoteSnapshot::kChannels; ++i) {
        const CChannelData& ch = g->m_aChannel[i];
        WebRemoteSnapshot::Pad& p = s.pads[static_cast<size_t>(i)];
        p.title = ch.m_strTitle;
        p.volume = ch.m_nVolume;
        const int state = m_padState[static_cast<size_t>(i)];
        p.state = state == CChannelData::kPlaying && ch.m_nFadeMode != 0 ? WebRemoteSnapshot::kFading : state;
        p.meter = state == CChannelData::kPlaying ? m_meter[static_cast<size_t>(i)] : show::kMeterFloor;
        if (state != CChannelData::kNoMedia)
            p.time = QString::fromLatin1(lists::PlayTimeText(ch.m_dPlayTime, ch.m_dEndTime));
    }
    return s;
}

void CWebRemote::Push() {
    if (m_pPairing && m_pPairing->Code() != m_strLastCode) {
        m_strLastCode = m_pPairing->Code();
        if (m_codeChanged)
            m_codeChanged();
    }
    if (!m_pServer)
        return;
    const WebRemoteSnapshot s = Snapshot();
    if (m_bSent && s == m_lastSent)
        return;
    m_lastSent = s;
    m_bSent = true;
    CWebRemoteServer* server = m_pServer.get();
    QMetaObject::invokeMethod(server,
                              platform::CHandedOff([server, json = s.ToJson()] { server->Broadcast(json); }));
}
