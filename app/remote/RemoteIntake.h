#pragma once

#include "app/remote/OscServer.h"
#include "app/remote/RemoteCommand.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Where remote commands enter the show, whatever brought them (OSC, MIDI). Receiving threads push;
// the UI thread acts on each command when it can, or not at all:
// - while the window is busy (a modal window or the loader runs a loop, or a command is under way)
//   pads, stops and group selections are refused and counted, volume and master still apply and the
//   state is always answered;
// - the queue between the threads holds kCapacity commands; beyond it the oldest are dropped;
// - group selections in a row, in one batch, or arriving while one of them loads, become the last of
//   them; what arrived before a selection (a bundle of a group and its pad) acts after it, in order;
// - each turn of the event loop takes at most kMaxPerTurn commands or kTurnBudgetMs, so that the
//   window keeps answering under any burst.
// Refusals and drops are told on one line each per burst. Made, used and destroyed on the UI thread;
// Push is for any thread.
class CRemoteIntake : public QObject {
public:
    static constexpr std::size_t kCapacity = 256;
    static constexpr int kMaxPerTurn = 64;
    static constexpr int kTurnBudgetMs = 20;
    // A burst is over after this long without trouble; it is told at least this often.
    static constexpr int kBurstQuietMs = 200;
    static constexpr int kReportEveryMs = 1000;

    // UI thread. A source's own message (RemoteCommand::Kind::Raw) made a command, or none.
    using Decode = std::function<std::optional<RemoteCommand>(const RemoteCommand& raw)>;
    // UI thread. Answers a /padora/state request from peer.
    using Answer = std::function<void(const OscPeer& peer)>;
    // UI thread. One line for the operator (standard error unless set).
    using Report = std::function<void(const QString& line)>;

    // pTarget (not owned) must outlive this object. source names the way in ("OSC", "MIDI") in reports.
    CRemoteIntake(IRemoteTarget* pTarget, QString source, QObject* parent = nullptr);
    ~CRemoteIntake() override;

    // A follower (a backup taking its main's actions) keeps every command: none is merged into a later
    // group selection, and what arrives while a group loads acts after it, in its order, instead of
    // being refused. UI thread.
    void KeepEveryCommand(bool keep) { m_bKeepEvery = keep; }
    void SetDecode(Decode decode) { m_decode = std::move(decode); }
    void SetAnswer(Answer answer) { m_answer = std::move(answer); }
    void SetReport(Report report) { m_report = std::move(report); }
    // UI thread. Runs after every turn that handled commands.
    void SetAfterTurn(std::function<void()> after) { m_afterTurn = std::move(after); }

    // Any thread. Queues commands in their order and wakes the UI thread once for all that wait.
    void Push(const std::vector<RemoteCommand>& commands, const OscPeer& from = {});
    // UI thread. Forgets what waits.
    void Clear();

    // How a command from a sender that waits for its answer is taken.
    enum class Admission {
        Acted,     // it acts now (a group selection: it has begun)
        AfterLoad, // a group selection that acts once the one being loaded is there
        Refused,   // the window is busy: nothing acts
    };
    // UI thread. Takes one command at once under the rules above (not a state request). told hears the
    // admission before the command acts, so that the sender is answered before a group loads.
    Admission Take(const RemoteCommand& command, const std::function<void(Admission)>& told);

    // UI thread. Whether pads, stops and group selections would be refused now.
    bool Busy() const;
    // Totals since made. Dropped: any thread; Refused: UI thread.
    std::size_t Dropped() const;
    std::size_t Refused() const { return m_nRefused; }

protected:
    bool event(QEvent* e) override;

private:
    struct Arrival {
        RemoteCommand command;
        OscPeer from;
    };
    void Turn();
    // True when the command was a group selection that ran: it ends the turn.
    bool Handle(const Arrival& a);
    // Whether a pad, stop or group selection may act now; counts and tells a refusal.
    Admission Admit(const Arrival& a);
    // Acts on an admitted command; true when it was a group selection.
    bool Act(const RemoteCommand& command);
    void Deliver(const RemoteCommand& command);
    void WakeIfWaiting();
    void NoteTrouble();
    void TellTrouble();

    IRemoteTarget* m_pTarget;
    QString m_strSource;
    Decode m_decode;
    Answer m_answer;
    Report m_report;
    std::function<void()> m_afterTurn;

    mutable std::mutex m_mutex; // guards the members up to m_nDroppedUntold
    std::deque<Arrival> m_queue;
    bool m_bWakePosted = false;
    std::size_t m_nDropped = 0;
    std::size_t m_nDroppedUntold = 0;

    std::deque<Arrival> m_batch; // taken from the queue for this turn and the next ones
    int m_nDeliverDepth = 0;
    int m_nSwitchDepth = 0;
    std::optional<Arrival> m_nextGroup; // the last selection that arrived while one loaded
    bool m_bKeepEvery = false;
    std::size_t m_nRefused = 0;
    std::size_t m_nRefusedUntold = 0;
    std::size_t m_nDroppedInBurst = 0;
    QElapsedTimer m_burst;
    QTimer m_reportTimer;
};
