#include "app/remote/TriggerControl.h"

#include "app/remote/TriggerRequest.h"

#include <QCoreApplication>
#include <QList>

using Kind = RemoteCommand::Kind;

static_assert(CTriggerRequest::kChannels == RemoteState::kChannels);

CTriggerControl::CTriggerControl(IRemoteTarget* pTarget)
    : m_pTarget(pTarget), m_intake(pTarget, QCoreApplication::translate("CTriggerControl", kSourceName)) {
    Q_ASSERT(m_pTarget);
}

bool CTriggerControl::Take(const QByteArray& line, const std::function<void(const QByteArray&)>& reply) {
    const std::optional<RemoteCommand> command = Decode(line);
    if (!command)
        return false;
    RemoteState state = m_pTarget->CurrentRemoteState();
    if (command->kind == RemoteCommand::Kind::State) {
        state.bBusy = m_intake.Busy();
        reply(StateLine(state));
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

std::optional<RemoteCommand> CTriggerControl::Decode(QByteArrayView line) {
    if (!line.endsWith('\n'))
        return std::nullopt;
    line.chop(1);
    const QList<QByteArrayView> words = [&] {
        QList<QByteArrayView> w;
        qsizetype from = 0;
        for (qsizetype i = 0; i <= line.size(); ++i)
            if (i == line.size() || line[i] == ' ') {
                w << line.sliced(from, i - from);
                from = i + 1;
            }
        return w;
    }();
    const QByteArrayView verb = words.first();
    auto arg = [&](int i, int lo, int hi) {
        return i < words.size()
                   ? CTriggerRequest::Number(
                         std::string_view(words[i].data(), static_cast<std::size_t>(words[i].size())), lo, hi)
                   : std::nullopt;
    };
    std::optional<RemoteCommand> c;
    if (verb == "pad" || verb == "stop") {
        if (const auto n = arg(1, 1, CTriggerRequest::kChannels); n && words.size() == 2)
            c = RemoteCommand{verb == "pad" ? Kind::Pad : Kind::Stop, *n - 1, 0};
    } else if (verb == "allstop" && words.size() == 1) {
        c = RemoteCommand{Kind::AllStop, 0, 0};
    } else if (verb == "state" && words.size() == 1) {
        c = RemoteCommand{Kind::State, 0, 0};
    } else if (verb == "group" && words.size() == 2) {
        if (words[1] == "next")
            c = RemoteCommand{Kind::GroupNext, 0, 0};
        else if (words[1] == "prev")
            c = RemoteCommand{Kind::GroupPrev, 0, 0};
        else if (const auto g = arg(1, 1, CTriggerRequest::kMaxGroup))
            c = RemoteCommand{Kind::Group, *g - 1, 0};
    } else if (verb == "volume" && words.size() == 3) {
        const auto n = arg(1, 1, CTriggerRequest::kChannels);
        const auto v = arg(2, 0, CTriggerRequest::kMaxVolume);
        if (n && v)
            c = RemoteCommand{Kind::Volume, *n - 1, *v};
    } else if (verb == "master" && words.size() == 2) {
        if (const auto v = arg(1, 0, CTriggerRequest::kMaxVolume))
            c = RemoteCommand{Kind::Master, 0, *v};
    }
    return c;
}

QByteArray CTriggerControl::StateLine(const RemoteState& state) {
    // A tab or line break inside the name would shift the fields or end the line.
    QString name = state.strGroup.left(kMaxNameChars);
    // Not half a surrogate pair at the cut.
    if (!name.isEmpty() && name.back().isHighSurrogate())
        name.chop(1);
    for (QChar& c : name)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    QByteArray line = CTriggerRequest::kStatePrefix;
    line += QByteArray::number(state.nGroup + 1) + '\t' + name.toUtf8();
    for (const int play : state.aPlay)
        line += '\t' + QByteArray::number(play);
    line +=
        '\t' + QByteArray::number(state.bBusy ? 1 : 0) + '\t' + QByteArray::number(state.nBackground) + '\n';
    return line;
}
