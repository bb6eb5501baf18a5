#include "app/remote/RemoteIntake.h"

#include "platform/HandOff.h"
#include "platform/NestedLoop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTextStream>

#include <algorithm>

namespace {

using Kind = RemoteCommand::Kind;

// Tells the UI thread that commands wait; one is under way at a time.
class WakeEvent : public QEvent {
public:
    WakeEvent() : QEvent(Type()) {}
    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
};

bool IsGroup(Kind kind) {
    return kind == Kind::Group || kind == Kind::GroupNext || kind == Kind::GroupPrev;
}

} // namespace

CRemoteIntake::CRemoteIntake(IRemoteTarget* pTarget, QString source, QObject* parent)
    : QObject(parent), m_pTarget(pTarget), m_strSource(std::move(source)) {
    Q_ASSERT(m_pTarget);
    m_report = [](const QString& line) { QTextStream(stderr) << line << '\n'; };
    m_reportTimer.setSingleShot(true);
    connect(&m_reportTimer, &QTimer::timeout, this, &CRemoteIntake::TellTrouble);
}

CRemoteIntake::~CRemoteIntake() {
    TellTrouble();
}

void CRemoteIntake::Push(const std::vector<RemoteCommand>& commands, const OscPeer& from) {
    bool post = false;
    {
        const std::lock_guard lock(m_mutex);
        for (const RemoteCommand& c : commands) {
            if (IsGroup(c.kind) && !m_queue.empty() && IsGroup(m_queue.back().command.kind)) {
                m_queue.back() = {c, from};
                continue;
            }
            if (m_queue.size() >= kCapacity) {
                m_queue.pop_front();
                ++m_nDropped;
                ++m_nDroppedUntold;
            }
            m_queue.push_back({c, from});
        }
        if (!m_bWakePosted && !m_queue.empty()) {
            m_bWakePosted = true;
            post = true;
        }
    }
    if (post)
        platform::PostEvent(this, new WakeEvent);
}

void CRemoteIntake::Clear() {
    const std::lock_guard lock(m_mutex);
    m_queue.clear();
    m_batch.clear();
    m_nextGroup.reset();
}

bool CRemoteIntake::Busy() const {
    return m_nDeliverDepth > 0 || platform::NestedLoopRunning() || m_pTarget->RemoteBusy();
}

std::size_t CRemoteIntake::Dropped() const {
    const std::lock_guard lock(m_mutex);
    return m_nDropped;
}

bool CRemoteIntake::event(QEvent* e) {
    if (e->type() != WakeEvent::Type())
        return QObject::event(e);
    Turn();
    return true;
}

void CRemoteIntake::Turn() {
    {
        const std::lock_guard lock(m_mutex);
        m_bWakePosted = false;
        m_nDroppedInBurst += m_nDroppedUntold;
        if (m_nDroppedUntold > 0)
            NoteTrouble();
        m_nDroppedUntold = 0;
    }
    // A turn run by the loop of a command under way takes only what arrived since; what came before
    // that command waits in the batch for its end, in its order.
    const bool nested = m_nDeliverDepth > 0;
    QElapsedTimer turn;
    turn.start();
    for (int handled = 0; handled < kMaxPerTurn && turn.elapsed() < kTurnBudgetMs;) {
        Arrival a;
        if (!nested && !m_batch.empty()) {
            a = m_batch.front();
            m_batch.pop_front();
        } else if (!nested && m_nextGroup) {
            a = *m_nextGroup;
            m_nextGroup.reset();
        } else {
            const std::lock_guard lock(m_mutex);
            if (m_queue.empty())
                break;
            if (!nested) {
                const auto n = std::min(m_queue.size(), static_cast<std::size_t>(kMaxPerTurn - handled));
                m_batch.assign(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
                m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
                if (m_bKeepEvery)
                    continue;
                // One group switch a batch at most: the last selection stands for the others.
                const auto last = std::find_if(m_batch.rbegin(), m_batch.rend(),
                                               [](const Arrival& b) { return IsGroup(b.command.kind); });
                if (last != m_batch.rend())
                    m_batch.erase(std::remove_if(m_batch.begin(), std::prev(last.base()),
                                                 [](const Arrival& b) { return IsGroup(b.command.kind); }),
                                  std::prev(last.base()));
                continue;
            }
            a = m_queue.front();
            m_queue.pop_front();
        }
        ++handled;
        if (a.command.kind == Kind::Raw) {
            const std::optional<RemoteCommand> decoded = m_decode ? m_decode(a.command) : std::nullopt;
            if (!decoded)
                continue;
            a.command = *decoded;
        }
        if (Handle(a))
            break;
    }
    WakeIfWaiting();
    if (m_afterTurn)
        m_afterTurn();
}

bool CRemoteIntake::Handle(const Arrival& a) {
    if (a.command.kind == Kind::State) {
        if (m_answer)
            m_answer(a.from);
        return false;
    }
    return Admit(a) == Admission::Acted && Act(a.command);
}

CRemoteIntake::Admission CRemoteIntake::Take(const RemoteCommand& command,
                                             const std::function<void(Admission)>& told) {
    Q_ASSERT(command.kind != Kind::State && command.kind != Kind::Raw);
    const Admission admission = Admit({command, {}});
    if (told)
        told(admission);
    if (admission == Admission::Acted) {
        Act(command);
        // A selection kept while this one loaded waits for the next turn.
        WakeIfWaiting();
        if (m_afterTurn)
            m_afterTurn();
    }
    return admission;
}

CRemoteIntake::Admission CRemoteIntake::Admit(const Arrival& a) {
    const Kind kind = a.command.kind;
    if (m_bKeepEvery && m_nSwitchDepth > 0 && m_batch.size() < kCapacity) {
        // Behind what the batch still holds, which arrived before it.
        m_batch.push_back(a);
        return Admission::AfterLoad;
    }
    if (IsGroup(kind) && m_nSwitchDepth > 0) {
        m_nextGroup = a;
        return Admission::AfterLoad;
    }
    // A fader or knob may move under a dialog, but not into a group that is being loaded.
    const bool knob = kind == Kind::Volume || kind == Kind::Master || kind == Kind::Pan || kind == Kind::Rate;
    if (Busy() && !(knob && m_nSwitchDepth == 0)) {
        ++m_nRefused;
        ++m_nRefusedUntold;
        NoteTrouble();
        return Admission::Refused;
    }
    return Admission::Acted;
}

bool CRemoteIntake::Act(const RemoteCommand& command) {
    const bool group = IsGroup(command.kind);
    if (group)
        ++m_nSwitchDepth;
    Deliver(command);
    if (group)
        --m_nSwitchDepth;
    return group;
}

void CRemoteIntake::Deliver(const RemoteCommand& command) {
    // A command may open a modal window (the loader of a group switch) whose loop runs further turns:
    // what arrives meanwhile finds the window busy instead of overtaking the command under way.
    ++m_nDeliverDepth;
    m_pTarget->RemoteCommandArrived(command);
    --m_nDeliverDepth;
}

void CRemoteIntake::WakeIfWaiting() {
    bool post = false;
    {
        const std::lock_guard lock(m_mutex);
        const bool waiting =
            !m_queue.empty() || (m_nDeliverDepth == 0 && (!m_batch.empty() || m_nextGroup.has_value()));
        if (waiting && !m_bWakePosted) {
            m_bWakePosted = true;
            post = true;
        }
    }
    if (post)
        platform::PostEvent(this, new WakeEvent);
}

void CRemoteIntake::NoteTrouble() {
    if (!m_burst.isValid())
        m_burst.start();
    const qint64 left = kReportEveryMs - m_burst.elapsed();
    m_reportTimer.start(static_cast<int>(std::clamp<qint64>(left, 0, kBurstQuietMs)));
}

void CRemoteIntake::TellTrouble() {
    m_reportTimer.stop();
    m_burst.invalidate();
    if (m_nRefusedUntold > 0 && m_report)
        m_report(QCoreApplication::translate("CRemoteIntake",
                                             "padora: %1: 操作中のウィンドウがあるため無視しました (%2 件)")
                     .arg(m_strSource)
                     .arg(m_nRefusedUntold));
    if (m_nDroppedInBurst > 0 && m_report)
        m_report(QCoreApplication::translate("CRemoteIntake",
                                             "padora: %1: 受信が多すぎるため古いものを捨てました (%2 件)")
                     .arg(m_strSource)
                     .arg(m_nDroppedInBurst));
    m_nRefusedUntold = 0;
    m_nDroppedInBurst = 0;
}
