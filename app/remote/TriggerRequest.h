#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Marks a text for the program's catalogue where no Qt is loaded (lupdate reads it as QT_TRANSLATE_NOOP).
#define PADORA_TRANSLATE_NOOP(context, text) text

// A text of the triggers (UTF-8, context "CTriggerClient") with the values of its %1, %2, ...: whoever
// prints it says it in the user's language.
struct TriggerMessage {
    const char* source = "";
    std::vector<std::string> args;
    // translated (source in some language) with the values put in.
    std::string With(std::string_view translated) const;
};

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
// Plain C++ without Qt, so that the asking side starts in moments. Any thread.
class CTriggerRequest {
public:
    static constexpr char kOk[] = "ok\n";
    static constexpr char kBusy[] = "busy\n";
    static constexpr char kBad[] = "bad\n";
    static constexpr char kStatePrefix[] = "state\t";
    static constexpr char kStateRequest[] = "state\n";
    static constexpr int kChannels = 10;
    static constexpr int kMaxVolume = 100;
    // Far beyond any set; keeps a group number a plain int.
    static constexpr int kMaxGroup = 999999;

    // What the command line asks of the running Padora.
    struct Parsed {
        enum class Result {
            None,    // no trigger option: a window run (or another option)
            Request, // line is the request to send
            Error,   // error says what is wrong with the arguments
        };
        Result result = Result::None;
        std::string line;
        TriggerMessage error;
    };

    // Options: --pad N, --stop N, --allstop, --group next|prev|N, --volume N V, --master V, --state (a
    // first value also as --pad=N); N a channel 1 to 10 or a group from 1, V 0 to 100, whole decimal
    // numbers. A trigger option found before "--" makes the whole command line a trigger: exactly one of
    // them, with its values and nothing else.
    static Parsed FromArguments(const std::vector<std::string>& args);

    // A whole decimal number from lo to hi: digits only, no sign, no blanks, at most six digits.
    static std::optional<int> Number(std::string_view text, int lo, int hi);
};
