#include "app/remote/MirrorLink.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>

#include <chrono>
#include <limits>

namespace mirror {
std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace mirror

namespace {
// The link listens on every IPv4 interface: the backups are other machines.
const QString kBindAny = QStringLiteral("0.0.0.0");
constexpr std::int64_t kNsPerMs = 1000000;
} // namespace

CMirrorLink::CMirrorLink(CShowSession& session, QObject* parent) : QObject(parent), m_session(session) {
    m_timer.setInterval(mirror::kCheckMs);
    connect(&m_timer, &QTimer::timeout, this, &CMirrorLink::Tick);
}

CMirrorLink::~CMirrorLink() {
    Stop();
}

bool CMirrorLink::Start(const CMirrorSettings& settings) {
    Stop();
    QStringList problems;
    for (const CMirrorSettings::Address& a : settings.peers) {
        auto peer = std::make_unique<Peer>();
        QString why;
        if (!mirror::Resolve(a.strHost, a.nPort, &peer->addr, &why)) {
            problems << why;
            continue;
        }
        m_peers.push_back(std::move(peer));
    }
    if (m_peers.empty()) {
        problems.prepend(QCoreApplication::translate("CMirrorLink", "バックアップへ送れません。"));
        m_strMessage = problems.join(QLatin1Char(' '));
        return false;
    }
    QString reason;
    if (m_server.StartRaw(
            kBindAny, settings.nPort,
            [this](const char* data, std::size_t size, const OscPeer& from) { Receive(data, size, from); },
            &reason) != COscServer::Result::Ok) {
        m_peers.clear();
        m_strMessage =
            QCoreApplication::translate("CMirrorLink",
                                        "バックアップ連動のポート %1 を開けません (%2)。連動なしで続けます。")
                .arg(settings.nPort)
                .arg(reason);
        return false;
    }
    m_strMessage = problems.join(QLatin1Char(' '));
    m_nEpoch =
        static_cast<std::int32_t>(QRandomGenerator::global()->bounded(1, std::numeric_limits<int>::max()));
    m_nSeq = 0;
    m_nTicks = 0;
    m_hashes = mirror::ChannelHashes(m_session.Set());
    m_set = mirror::Identity(m_hashes);
    m_session.SetActionSink(this);
    m_state = EMirrorState::Lost;
    m_timer.start();
    Beat();
    return true;
}

void CMirrorLink::Stop() {
    m_timer.stop();
    m_session.SetActionSink(nullptr);
    m_server.Stop();
    m_peers.clear();
}

QString CMirrorLink::StatusText() const {
    switch (m_state) {
    case EMirrorState::Connected:
        return QCoreApplication::translate("CMirrorLink", "バックアップ: 接続");
    case EMirrorState::Lost:
        return QCoreApplication::translate("CMirrorLink", "バックアップ: 断");
    case EMirrorState::Mismatch:
        return QCoreApplication::translate("CMirrorLink", "バックアップ: セット違い");
    }
    return QString();
}

// Receiver thread.
void CMirrorLink::Receive(const char* data, std::size_t size, const OscPeer& from) {
    const mirror::Packet packet = mirror::Parse(data, size);
    if (packet.kind != mirror::Packet::Kind::Beat && packet.kind != mirror::Packet::Kind::Which)
        return;
    for (const auto& peer : m_peers) {
        if (!(peer->addr == from))
            continue;
        if (packet.kind == mirror::Packet::Kind::Beat) {
            peer->set.store(packet.set, std::memory_order_relaxed);
            peer->heardNs.store(mirror::NowNs(), std::memory_order_release);
        } else {
            peer->wantsChannels.store(true, std::memory_order_release);
        }
        return;
    }
}

void CMirrorLink::OnOperatorAction(const RemoteCommand& action) {
    // Out before the action acts here: the backup's way to its players is the longer one.
    const QByteArray bytes = mirror::ActBytes(m_set, m_nEpoch, m_nSeq + 1, action);
    if (bytes.isEmpty())
        return;
    ++m_nSeq;
    for (const auto& peer : m_peers)
        m_server.SendTo(peer->addr, bytes);
}

void CMirrorLink::Beat() {
    m_hashes = mirror::ChannelHashes(m_session.Set());
    m_set = mirror::Identity(m_hashes);
    const QByteArray beat = mirror::BeatBytes(m_set, m_nEpoch, m_nSeq);
    QByteArray channels;
    for (const auto& peer : m_peers) {
        m_server.SendTo(peer->addr, beat);
        if (peer->wantsChannels.exchange(false, std::memory_order_acq_rel)) {
            if (channels.isEmpty())
                channels = mirror::ChannelsBytes(m_hashes);
            m_server.SendTo(peer->addr, channels);
        }
    }
}

void CMirrorLink::Tick() {
    if (++m_nTicks * mirror::kCheckMs >= mirror::kBeatMs) {
        m_nTicks = 0;
        Beat();
    }
    const std::int64_t now = mirror::NowNs();
    EMirrorState state = EMirrorState::Connected;
    for (const auto& peer : m_peers) {
        const std::int64_t heard = peer->heardNs.load(std::memory_order_acquire);
        if (heard == 0 || now - heard > mirror::kLostMs * kNsPerMs) {
            state = EMirrorState::Lost;
            break;
        }
        if (peer->set.load(std::memory_order_relaxed) != m_set)
            state = EMirrorState::Mismatch;
    }
    if (state == m_state)
        return;
    m_state = state;
    if (m_stateChanged)
        m_stateChanged();
}
