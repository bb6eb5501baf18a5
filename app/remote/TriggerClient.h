#pragma once

#include "app/remote/TriggerTexts.h"

#include <cstdio>
#include <string>
#include <vector>

// The asking side of a trigger: hands one request line to the running Padora and says what came of it.
// Plain C++ without Qt and without an application object, so that a key binding's run is over in
// moments. Any thread.
class CTriggerClient {
public:
    static constexpr int kExitOk = 0;
    static constexpr int kExitNotRunning = 1;   // no Padora runs, or it does not answer
    static constexpr int kExitBadArguments = 2; // the arguments, or a group the set does not have
    static constexpr int kExitRefused = 3;      // a modal window holds the show: nothing acted
    // How long the running Padora's answer is waited for (it answers before it acts).
    static constexpr int kTimeoutMs = 1500;
    // Pause before asking again when the socket's queue is full just now.
    static constexpr int kRetryMs = 5;

    // Sends request (a line of CTriggerRequest) to the socket at socketPath (empty: the folder is not to
    // be trusted); prints the state a "state" request is answered with on out, what went wrong on err.
    // The exit status.
    // What is printed is said in texts' language.
    static int Run(const std::string& request, const std::string& socketPath, std::FILE* out, std::FILE* err,
                   const CTriggerTexts& texts = CTriggerTexts(false));

    // A whole trigger command line (the arguments after the program's name): parses it, asks the
    // running Padora through the default socket, and returns the exit status. -h/--help alone prints
    // the usage; anything but one trigger is a bad argument. It speaks the window program's language.
    static int Main(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

    // The options, exit statuses, state line and key bindings, as part of a --help text (UTF-8).
    static const char* UsageText();
};
