#pragma once

#include "app/remote/MirrorCodec.h"
#include "app/remote/OscServer.h"
#include "app/settings/MirrorSettings.h"
#include "app/show/ShowSession.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// How a backup link stands, as either side's caption shows it.
enum class EMirrorState {
    Connected, // heard within kLostMs, same set
    Lost,      // not heard for kLostMs (or never)
    Mismatch,  // heard, but the other side has another set
};

namespace mirror {
inline constexpr int kBeatMs = 250;
// How often the link looks at what it has heard: a lost link shows within kLostMs + kCheckMs.
inline constexpr int kCheckMs = 50;
inline constexpr int kLostMs = 750;
// The steady clock in nanoseconds. Any thread.
std::int64_t NowNs();
} // namespace mirror

// The main machine's side of the backup link: every operator action of the show goes out at once, before
// it acts here, to each backup in Peers, stamped with the set's identity; a heartbeat goes out every
// kBeatMs and each backup's is heard on the link's port. A backup that asks for the channels' hashes
// (its set differs) is sent them. Made, used and destroyed on the UI thread.
class CMirrorLink : public QObject, private IShowActionSink {
public:
    explicit CMirrorLink(CShowSession& session, QObject* parent = nullptr);
    ~CMirrorLink() override;
    CMirrorLink(const CMirrorLink&) = delete;
    CMirrorLink& operator=(const CMirrorLink&) = delete;

    // Binds the link's port and looks the peers up; the session's actions go out from now on. False,
    // with Message, when the port cannot be had or no peer can be reached (the show runs on alone);
    // peers that cannot be looked up are left out and named in Message.
    bool Start(const CMirrorSettings& settings);
    void Stop();
    bool IsRunning() const { return m_server.IsRunning(); }
    int Port() const { return m_server.Port(); }
    const QString& Message() const { return m_strMessage; }

    // Lost when any backup is; Mismatch when one has another set.
    EMirrorState State() const { return m_state; }
    // The caption's mark for State.
    QString StatusText() const;
    // Runs on the UI thread when State changed.
    void SetStateChanged(std::function<void()> changed) { m_stateChanged = std::move(changed); }
    // The identity the actions carry now.
    mirror::SetId Identity() const { return m_set; }
    // Actions sent since the start (to all peers, counted once).
    std::int32_t Sent() const { return m_nSeq; }

private:
    struct Peer {
        OscPeer addr;
        std::atomic<std::int64_t> heardNs{0}; // 0: never
        std::atomic<mirror::SetId> set{0};
        std::atomic<bool> wantsChannels{false};
    };
    // Receiver thread.
    void Receive(const char* data, std::size_t size, const OscPeer& from);
    void OnOperatorAction(const RemoteCommand& action) override;
    void Tick();
    void Beat();

    CShowSession& m_session;
    COscServer m_server;
    // Fixed while the receiver runs: it is started after they are made and stopped before they go.
    std::vector<std::unique_ptr<Peer>> m_peers;
    QString m_strMessage;
    mirror::SetId m_set = 0;
    std::vector<std::uint32_t> m_hashes;
    std::int32_t m_nEpoch = 0;
    std::int32_t m_nSeq = 0;
    int m_nTicks = 0;
    EMirrorState m_state = EMirrorState::Lost;
    std::function<void()> m_stateChanged;
    QTimer m_timer;
};
