#pragma once

#include "app/remote/RemoteCommand.h"
#include "app/remote/RemoteIntake.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

// The command-line triggers that reach the show over the instance socket: each request line becomes the
// command of the key or control it stands for and goes through an intake of its own, under the rules
// OSC has (refused while a modal window holds the show), and the sender hears how it was taken. Made,
// used and destroyed on the UI thread.
class CTriggerControl {
public:
    // The name the intake's reports give this way in.
    static constexpr const char* kSourceName = QT_TRANSLATE_NOOP("CTriggerControl", "コマンドライン");

    // pTarget (not owned) must outlive this object.
    explicit CTriggerControl(IRemoteTarget* pTarget);

    // UI thread. Answers one request line (with its newline) through reply, before a command acts, with
    // one of the lines of CTriggerRequest; false when the line is no trigger request (reply then unused).
    bool Take(const QByteArray& line, const std::function<void(const QByteArray& answer)>& reply);

    CRemoteIntake& Intake() { return m_intake; }

    // A group name longer than this is cut in the state line, so that the answer stays one short line.
    static constexpr int kMaxNameChars = 256;
    // The command a request line (with its newline) stands for (State for "state"); nothing when it is
    // not one exactly. Any thread.
    static std::optional<RemoteCommand> Decode(QByteArrayView line);
    // The state answer line, with its newline. Any thread.
    static QByteArray StateLine(const RemoteState& state);

private:
    IRemoteTarget* m_pTarget;
    CRemoteIntake m_intake;
};
