#pragma once

#include "app/remote/MirrorCodec.h"
#include "app/remote/MirrorLink.h"
#include "app/remote/OscServer.h"
#include "app/remote/RemoteIntake.h"
#include "app/settings/MirrorSettings.h"
#include "app/show/ShowSession.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// The backup's side of the link: listens on the link's port, takes actions only from Main's address
// (others are refused and counted) and only while they carry the identity of its own set (others are
// refused, and the main is asked for its channels' hashes so that the operator is told which channels
// differ); what it takes acts through its own intake, as a remote's commands do, and is not sent on to
// backups of its own. It answers the main's heartbeat with its own every kBeatMs. Whatever it plays goes
// on when the link is lost. Made, used and destroyed on the UI thread.
class CMirrorFollower : public QObject, private IRemoteTarget {
public:
    // UI thread. One line for the operator (standard error unless set).
    using Report = std::function<void(const QString& line)>;

    explicit CMirrorFollower(CShowSession& session, QObject* parent = nullptr);
    ~CMirrorFollower() override;
    CMirrorFollower(const CMirrorFollower&) = delete;
    CMirrorFollower& operator=(const CMirrorFollower&) = delete;

    // Looks Main up and binds the link's port. False, with Message, when either fails.
    bool Start(const CMirrorSettings& settings);
    void Stop();
    bool IsRunning() const { return m_server.IsRunning(); }
    int Port() const { return m_server.Port(); }
    const QString& Message() const { return m_strMessage; }
    void SetReport(Report report) { m_report = std::move(report); }

    EMirrorState State() const { return m_state; }
    QString StatusText() const;
    void SetStateChanged(std::function<void()> changed) { m_stateChanged = std::move(changed); }

    // Totals since the start. Any thread.
    std::size_t RefusedFromOthers() const { return m_nRefused.load(std::memory_order_relaxed); }
    std::size_t RefusedForSet() const { return m_nMismatched.load(std::memory_order_relaxed); }
    // The channels that differ from the main's set, as last told (empty while the sets agree).
    const std::vector<mirror::ChannelRef>& Differences() const { return m_differences; }

    // UI thread. Looks at what was heard now (the timer does this every kCheckMs).
    void Check();

private:
    // Receiver thread.
    void Receive(const char* data, std::size_t size, const OscPeer& from);
    bool FromMain(const OscPeer& from) const;
    void TellRefused();
    void CompareChannels();

    void RemoteCommandArrived(const RemoteCommand& command) override;
    RemoteState CurrentRemoteState() override { return m_session.CurrentRemoteState(); }
    bool RemoteBusy() override { return m_session.RemoteBusy(); }

    CShowSession& m_session;
    COscServer m_server;
    CRemoteIntake m_intake;
    QString m_strMessage;
    Report m_report;
    OscPeer m_main;           // fixed while the receiver runs
    bool m_bMainPort = false; // whether Main named its port

    std::atomic<std::int64_t> m_heardNs{0};
    std::atomic<mirror::SetId> m_mainSet{0};
    std::atomic<mirror::SetId> m_mySet{0};
    std::atomic<std::size_t> m_nRefused{0};
    std::atomic<std::size_t> m_nMismatched{0};
    std::atomic<std::int32_t> m_nActedSeq{0};
    // Receiver thread only: the run and the last action taken from it.
    std::int32_t m_nEpoch = 0;
    std::int32_t m_nSeq = 0;

    mutable std::mutex m_mutex; // guards the members up to m_bHashesNew
    OscPeer m_replyTo;          // where the main's beats came from
    bool m_bHeard = false;
    QString m_strRefusedFrom;
    std::vector<std::uint32_t> m_theirHashes;
    bool m_bHashesNew = false;

    std::vector<std::uint32_t> m_myHashes;
    mirror::SetId m_askedFor = 0; // the main's set whose hashes were asked for
    std::vector<mirror::ChannelRef> m_differences;
    std::size_t m_nRefusedTold = 0;
    std::size_t m_nMismatchedTold = 0;
    int m_nTicks = 0;
    int m_nReportTicks = 0;
    EMirrorState m_state = EMirrorState::Lost;
    std::function<void()> m_stateChanged;
    QTimer m_timer;
};
