#pragma once

#include <sys/types.h>

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Runs the real padora on a one-channel set (a square wave that is loud from its first frame) with
// PADORA_AUDIO=record:FILE, places the recording's frame 0 on the monotonic clock and finds, for each
// press of the pad, the first sounding frame after it. The recording's writer appends what the
// real-time clock rendered, so frame N can never be on disk before start + (N - period) / rate: the least
// of now - (frames - period) / rate over many looks at the file's size is the start, from above.
class CSoundOnsetProbe {
public:
    static constexpr int kRate = 48000;
    static constexpr int kPeriod = 256;

    // name starts every message on standard error ("padora-bench-keys").
    explicit CSoundOnsetProbe(std::string name);
    ~CSoundOnsetProbe();
    CSoundOnsetProbe(const CSoundOnsetProbe&) = delete;
    CSoundOnsetProbe& operator=(const CSoundOnsetProbe&) = delete;

    // Starts padora on an X display with env added to its environment and waits until half a second
    // has been recorded (the set is loaded, the window shown). False, with a message, when it made no
    // recording.
    bool Start(const std::vector<std::pair<std::string, std::string>>& env);
    // Follows the recording's growth and fires the pad presses times through press, each after a random
    // 150-260 ms pause (so that presses land at every phase of the period), noting the time just before
    // each. False when press fails.
    bool Press(int presses, const std::function<bool()>& press);
    // For a padora that another one drives (a backup): follows the recording's growth, and takes the
    // times of the presses from whoever makes them.
    void Watch();
    void NotePress(double t) { m_aPressedAt.push_back(t); }

    struct Result {
        std::vector<double> latencyMs;  // sorted
        std::vector<double> perPressMs; // in the order of the presses; NaN for a missed one
        int missed = 0;                 // triggers with no sound within 100 ms
    };
    // The folder padora runs in, which is also its XDG_RUNTIME_DIR (its instance socket is there).
    const std::string& Dir() const { return m_strDir; }

    // Lets the last sound out, stops padora and measures each press.
    Result Finish();

    // Prints presses=, heard=, missed=, <figure>_p50_ms, _p99_ms, _max_ms, _min_ms and met= (p99 under
    // targetP99Ms, nothing missed). False when nothing was heard.
    bool Report(const Result& result, const char* figure, double targetP99Ms) const;

    // The monotonic clock in seconds, as the presses are noted.
    static double Now();
    // A loopback port of type (SOCK_DGRAM, SOCK_STREAM) that nothing holds just now, so that parallel
    // runs never meet; -1 when none could be had.
    static int FreePort(int type);
    // "/padora/pad" with one int32 argument 1, as any OSC client sends it (strings NUL-padded to four
    // bytes, numbers big-endian).
    static constexpr std::array<char, 20> kOscPad1 = {'/', 'p',  'a', 'd', 'o',  'r',  'a', '/', 'p', 'a',
                                                      'd', '\0', ',', 'i', '\0', '\0', 0,   0,   0,   1};

private:
    void Stop();

    std::string m_strName;
    std::string m_strDir;
    std::string m_strRecord;
    pid_t m_pid = -1;
    std::atomic<bool> m_bWatching{false};
    std::atomic<double> m_dStart{1e300}; // the recording's frame 0 on the monotonic clock (an upper bound)
    std::thread m_watcher;
    std::vector<double> m_aPressedAt; // on the monotonic clock
};
