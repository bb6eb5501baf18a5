#include "app/remote/TriggerControl.h"

#include "app/remote/TriggerRequest.h"

CTriggerControl::CTriggerControl(IRemoteTarget* pTarget)
    : m_pTarget(pTarget), m_intake(pTarget, QString::fromUtf8(kSourceName)) {
    Q_ASSERT(m_pTarget);
}

bool CTriggerControl::Take(const QByteArray& line, const std::function<void(const QByteArray&)>& reply) {
    const std::optional<RemoteCommand> command = CTriggerRequest::Decode(line);
    if (!command)
        return false;
    RemoteState state = m_pTarget->CurrentRemoteState();
    if (command->kind == RemoteCommand::Kind::State) {
        state.bBusy = m_intake.Busy();
        reply(CTriggerRequest::StateLine(state));
        return true;
    }
    // A group the set does not have would select nothing; the sender learns that it asked amiss.
    if (command->kind == RemoteCommand::Kind::Group && command->n >= state.nGroups) {
        reply(CTriggerRequest::kBad);
        return true;
    }
    m_intake.Take(*command, [&reply](CRemoteIntake::Admission admission) {
        reply(admission == CRemoteIntake::Admission::Refused ? CTriggerRequest::kBusy : CTriggerRequest::kOk);
    });
    return true;
}
