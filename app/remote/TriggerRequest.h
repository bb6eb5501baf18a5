#pragma once

#include "app/remote/RemoteCommand.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// The command-line triggers and their lines on the instance socket. A trigger run sends one request
// line and reads one answer line:
//
//   pad i   stop i   allstop   group next   group prev   group g   volume i v   master v   state
//
// Channels i and groups g count from 1, volumes v are 0 to 100, as over OSC. The answers:
//   ok        it acts (a group selection: it has begun, or comes once the group being loaded is there)
//   busy      a modal window holds the show: nothing acts
//   bad       the request is not understood, or names a group the set does not have
//   state\tg\tname\ts1 ... s10\tbusy\tbackground   (tab-separated; what --state prints without "state\t")
// Any thread.
class CTriggerRequest {
public:
    static constexpr char kOk[] = "ok\n";
    static constexpr char kBusy[] = "busy\n";
    static constexpr char kBad[] = "bad\n";
    static constexpr char kStatePrefix[] = "state\t";
    // A group name longer than this is cut in the state line, so that the answer stays one short line.
    static constexpr int kMaxNameChars = 256;

    // What the command line asks of the running Padora.
    struct Parsed {
        enum class Result {
            None,    // no trigger option: a window run (or another option)
            Request, // line is the request to send
            Error,   // strError says what is wrong with the arguments
        };
        Result result = Result::None;
        QByteArray line;
        QString strError;
    };

    // Options: --pad N, --stop N, --allstop, --group next|prev|N, --volume N V, --master V, --state (a
    // value also as --pad=N); N a channel 1 to 10 or a group from 1, V 0 to 100, whole decimal numbers.
    // A trigger option found before "--" makes the whole command line a trigger: exactly one of them, with
    // its values and nothing else.
    static Parsed FromArguments(const QStringList& args);

    // The command a request line stands for (State for "state"); nothing when it is not one exactly.
    static std::optional<RemoteCommand> Decode(QByteArrayView line);

    // The state answer line, with its newline.
    static QByteArray StateLine(const RemoteState& state);
};
