#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace playkit {

// A thread of its own that calls a function at a fixed interval until destroyed: the engine tries to
// open a lost sound card again there, because a device scan can take longer than the notifier or
// the UI may wait.
class CAdxReopener {
public:
    CAdxReopener(std::chrono::milliseconds interval, std::function<void()> attempt);
    ~CAdxReopener();
    CAdxReopener(const CAdxReopener&) = delete;
    CAdxReopener& operator=(const CAdxReopener&) = delete;

private:
    void Run();

    const std::chrono::milliseconds m_interval;
    std::function<void()> m_attempt;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace playkit
