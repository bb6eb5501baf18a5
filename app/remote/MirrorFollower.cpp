#include "app/remote/MirrorFollower.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
const QString kBindAny = QStringLiteral("0.0.0.0");
constexpr std::int64_t kNsPerMs = 1000000;
// Refusals are told at most this often.
constexpr int kReportEveryMs = 1000;
} // namespace

CMirrorFollower::CMirrorFollower(CShowSession& session, QObject* parent)
    : QObject(parent), m_session(session),
      m_intake(this, QCoreApplication::translate("CMirrorFollower", "主機")) {
    m_report = [](const QString& line) { QTextStream(stderr) << line << '\n'; };
    // The main acted on each of them: the backup must too, even if its own loader is slower.
    m_intake.KeepEveryCommand(true);
    m_timer.setInterval(mirror::kCheckMs);
    connect(&m_timer, &QTimer::timeout, this, &CMirrorFollower::Check);
}

CMirrorFollower::~CMirrorFollower() {
    // The receiver is stopped before the intake it pushes to goes.
    Stop();
}

bool CMirrorFollower::Start(const CMirrorSettings& settings) {
    Stop();
    QString why;
    // The port only matters when Main names it; the lookup wants one.
    if (!mirror::Resolve(settings.main.strHost, settings.main.nPort, &m_main, &why)) {
        m_strMessage =
            QCoreApplication::translate("CMirrorFollower", "主機のアドレスを使えません: %1").arg(why);
        return false;
    }
    m_bMainPort = settings.main.nPort != 0;
    m_myHashes = mirror::ChannelHashes(m_session.Set());
    m_mySet.store(mirror::Identity(m_myHashes));
    m_heardNs.store(0);
    m_nEpoch = 0;
    m_nSeq = 0;
    QString reason;
    if (m_server.StartRaw(
            kBindAny, settings.nPort,
            [this](const char* data, std::size_t size, const OscPeer& from) { Receive(data, size, from); },
            &reason) != COscServer::Result::Ok) {
        m_strMessage =
            QCoreApplication::translate("CMirrorFollower",
                                        "バックアップ連動のポート %1 を開けません (%2)。連動なしで続けます。")
                .arg(settings.nPort)
                .arg(reason);
        return false;
    }
    m_strMessage.clear();
    m_state = EMirrorState::Lost;
    m_timer.start();
    return true;
}

void CMirrorFollower::Stop() {
    m_timer.stop();
    m_server.Stop();
    m_intake.Clear();
}

QString CMirrorFollower::StatusText() const {
    switch (m_state) {
    case EMirrorState::Connected:
        return QCoreApplication::translate("CMirrorFollower", "主機: 接続");
    case EMirrorState::Lost:
        return QCoreApplication::translate("CMirrorFollower", "主機: 断");
    case EMirrorState::Mismatch:
        return QCoreApplication::translate("CMirrorFollower", "主機: セット違い");
    }
    return QString();
}

bool CMirrorFollower::FromMain(const OscPeer& from) const {
    return m_bMainPort ? from == m_main : mirror::SameHost(from, m_main);
}

// Receiver thread.
void CMirrorFollower::Receive(const char* data, std::size_t size, const OscPeer& from) {
    if (!FromMain(from)) {
        m_nRefused.fetch_add(1, std::memory_order_relaxed);
        const std::lock_guard lock(m_mutex);
        m_strRefusedFrom = mirror::Describe(from);
        return;
    }
    mirror::Packet packet = mirror::Parse(data, size);
    switch (packet.kind) {
    case mirror::Packet::Kind::Beat: {
        m_mainSet.store(packet.set, std::memory_order_relaxed);
        m_heardNs.store(mirror::NowNs(), std::memory_order_release);
        const std::lock_guard lock(m_mutex);
        m_replyTo = from;
        m_bHeard = true;
        break;
    }
    case mirror::Packet::Kind::Act:
        if (packet.set != m_mySet.load(std::memory_order_relaxed)) {
            m_nMismatched.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        // A datagram of this run that is not newer than the last one taken is a late or doubled copy.
        if (packet.nEpoch == m_nEpoch && packet.nSeq <= m_nSeq)
            return;
        m_nEpoch = packet.nEpoch;
        m_nSeq = packet.nSeq;
        m_nActedSeq.store(packet.nSeq, std::memory_order_relaxed);
        m_intake.Push(packet.commands, from);
        break;
    case mirror::Packet::Kind::Channels: {
        const std::lock_guard lock(m_mutex);
        m_theirHashes = std::move(packet.hashes);
        m_bHashesNew = true;
        break;
    }
    case mirror::Packet::Kind::Which:
    case mirror::Packet::Kind::None:
        break;
    }
}

void CMirrorFollower::RemoteCommandArrived(const RemoteCommand& command) {
    // Already the main's action: not one of this machine's operator's to send on.
    const CShowSession::CActionScope quiet(m_session);
    m_session.RemoteCommandArrived(command);
}

void CMirrorFollower::Check() {
    OscPeer replyTo;
    bool heard = false;
    {
        const std::lock_guard lock(m_mutex);
        replyTo = m_replyTo;
        heard = m_bHeard;
    }
    if (++m_nTicks * mirror::kCheckMs >= mirror::kBeatMs) {
        m_nTicks = 0;
        m_myHashes = mirror::ChannelHashes(m_session.Set());
        m_mySet.store(mirror::Identity(m_myHashes), std::memory_order_relaxed);
        // To the port Main names, else to the one the main's beats come from.
        if (m_bMainPort || heard)
            m_server.SendTo(m_bMainPort ? m_main : replyTo,
                            mirror::BeatBytes(m_mySet.load(std::memory_order_relaxed), 0,
                                              m_nActedSeq.load(std::memory_order_relaxed)));
    }
    const std::int64_t heardNs = m_heardNs.load(std::memory_order_acquire);
    const mirror::SetId theirs = m_mainSet.load(std::memory_order_relaxed);
    const mirror::SetId mine = m_mySet.load(std::memory_order_relaxed);
    EMirrorState state = EMirrorState::Connected;
    if (heardNs == 0 || mirror::NowNs() - heardNs > mirror::kLostMs * kNsPerMs)
        state = EMirrorState::Lost;
    else if (theirs != mine)
        state = EMirrorState::Mismatch;
    if (state == EMirrorState::Mismatch && m_askedFor != theirs && heard) {
        m_askedFor = theirs;
        m_server.SendTo(replyTo, mirror::WhichBytes());
    }
    if (state == EMirrorState::Connected && !m_differences.empty())
        m_differences.clear();
    CompareChannels();
    if (++m_nReportTicks * mirror::kCheckMs >= kReportEveryMs) {
        m_nReportTicks = 0;
        TellRefused();
    }
    if (state == m_state)
        return;
    m_state = state;
    if (state == EMirrorState::Connected)
        m_askedFor = 0;
    if (m_stateChanged)
        m_stateChanged();
}

void CMirrorFollower::CompareChannels() {
    std::vector<std::uint32_t> theirs;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_bHashesNew)
            return;
        m_bHashesNew = false;
        theirs = m_theirHashes;
    }
    m_differences = mirror::DifferingChannels(m_myHashes, theirs);
    if (m_differences.empty() || !m_report)
        return;
    m_report(QCoreApplication::translate("CMirrorFollower",
                                         "padora: 主機とセットが違います (%1)。主機からの操作は受けません。")
                 .arg(mirror::DescribeChannels(m_differences)));
}

void CMirrorFollower::TellRefused() {
    const std::size_t refused = m_nRefused.load(std::memory_order_relaxed);
    const std::size_t mismatched = m_nMismatched.load(std::memory_order_relaxed);
    if (refused > m_nRefusedTold && m_report) {
        QString from;
        {
            const std::lock_guard lock(m_mutex);
            from = m_strRefusedFrom;
        }
        m_report(QCoreApplication::translate("CMirrorFollower",
                                             "padora: 主機ではない %1 から届いた連動を拒否しました (%2 件)")
                     .arg(from)
                     .arg(refused - m_nRefusedTold));
    }
    if (mismatched > m_nMismatchedTold && m_report)
        m_report(QCoreApplication::translate("CMirrorFollower",
                                             "padora: 主機とセットが違うため操作を受けませんでした (%1 件)")
                     .arg(mismatched - m_nMismatchedTold));
    m_nRefusedTold = refused;
    m_nMismatchedTold = mismatched;
}
