#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace playkit_test {

// Ends the test program with a clear message when a test has not finished in time: a call stuck in a
// library (a sound server that went away mid-call) cannot be interrupted, and the test run must not
// wait for ctest's own timeout. Before the program ends, the given clean-up runs (a server of the test
// is stopped, so that nothing of the run stays behind).
class CHangGuard {
public:
    // Where the message goes (standard error unless given).
    using Say = std::function<void(const std::string& line)>;
    // end ends the program; tests of the guard itself pass their own, and their own say: what a thread
    // writes to standard error is not reliably caught by a capture while other tests' threads still write.
    CHangGuard(
        std::string test, std::chrono::seconds limit, std::function<void()> cleanUp,
        std::function<void()> end = [] { std::_Exit(1); }, Say say = {});
    ~CHangGuard();
    CHangGuard(const CHangGuard&) = delete;
    CHangGuard& operator=(const CHangGuard&) = delete;

    // Any thread: what the test is doing now, named in the message should it hang there.
    void Step(const char* what) { m_step.store(what, std::memory_order_relaxed); }

private:
    void Run();

    const std::string m_test;
    const std::chrono::seconds m_limit;
    const std::function<void()> m_cleanUp;
    const std::function<void()> m_end;
    const Say m_say;
    std::atomic<const char*> m_step{"starting"};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread; // last: starts once the members above exist
};

} // namespace playkit_test
