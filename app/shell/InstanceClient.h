#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>

// The asking side of the instance socket: sends one request line and reads one answer line. Plain POSIX
// without Qt, so that a second start asks before any application object exists and a trigger run starts
// in moments; callable from any thread.
class CInstanceClient {
public:
    enum class Reply {
        Answered,   // a whole answer line came back
        NoListener, // nobody listens on the socket (none there, or its queue is full)
        NoAnswer,   // the request went out, but no whole line came back in time
    };
    struct Result {
        Reply reply = Reply::NoListener;
        std::string answer;    // the line with its newline, when answered
        int nConnectError = 0; // NoListener: the connect's errno (EAGAIN: its queue is full just now)
    };

    // The lines of the instance socket. A ping is answered by the UI thread's event loop, so a watchdog
    // learns from its delay whether the UI responds.
    static constexpr char kRaiseRequest[] = "raise\n";
    static constexpr char kRaiseAnswer[] = "ok\n";
    static constexpr char kPingRequest[] = "ping\n";
    static constexpr char kPingAnswer[] = "ok\n";

    // Where the lock and socket live by default: $XDG_RUNTIME_DIR, else a folder of the user's own
    // under /tmp. Needs no application object.
    static std::string DefaultDir();
    // The folder for temporary files ($TMPDIR, else /tmp), without a slash at its end.
    static std::string TempDir();
    // Whether dir is a real folder of this user that nobody else may enter.
    static bool IsPrivateFolder(const std::string& dir);
    // The instance socket in dir (by default DefaultDir()); empty when that is a folder under the
    // temporary folder that this user cannot trust, where a socket could answer in Padora's name.
    static std::string SocketPathIn(const std::string& dir = std::string());

    // Never blocks beyond timeout; stop, when given, ends the wait early (as NoAnswer).
    static Result Ask(std::string_view socketPath, std::string_view request,
                      std::chrono::milliseconds timeout, const std::atomic<bool>* stop = nullptr);
};
