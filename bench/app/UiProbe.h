#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// Asks a running Padora "ping" on its single-instance socket about four times a second, from a thread of
// its own, and measures how long the answer takes. The socket is served by the UI thread's event loop, so
// a late answer means the UI thread is busy or blocked. No socket (Padora starting or gone) is no stall.
class CUiProbe {
public:
    using Clock = std::chrono::steady_clock;

    // A ping answered later than the limit, or not at all.
    struct Stall {
        Clock::time_point sent;
        std::chrono::milliseconds waited{0};
        bool answered = false; // false: the connection ended (or the probe stopped) without an answer
    };

    explicit CUiProbe(QString socketPath);
    ~CUiProbe();
    CUiProbe(const CUiProbe&) = delete;
    CUiProbe& operator=(const CUiProbe&) = delete;

    // Ends the pings; one in flight is given up (and reported when it has waited too long). Main thread.
    void Stop();
    // The stalls seen so far, each once. Any thread.
    std::vector<Stall> TakeStalls();
    // How long the ping now in flight has waited (zero when none is). Any thread.
    std::chrono::milliseconds Waiting() const;
    std::chrono::milliseconds Longest() const { return std::chrono::milliseconds(m_longestMs.load()); }
    int Answered() const { return m_answered.load(); }

    static constexpr std::chrono::milliseconds kInterval{250};
    static constexpr std::chrono::milliseconds kStallLimit{1000};

private:
    void Run(); // probe thread
    // One ping: connect, ask, wait for the answer. Probe thread.
    void Ping();

    const QByteArray m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_inFlightSinceNs{0}; // steady clock, 0 when no ping is in flight
    std::atomic<long long> m_longestMs{0};
    std::atomic<int> m_answered{0};
    mutable std::mutex m_mutex;
    std::vector<Stall> m_stalls;
    std::thread m_thread;
};
