#include "HangGuard.h"

#include <cstdio>

namespace playkit_test {

CHangGuard::CHangGuard(std::string test, std::chrono::seconds limit, std::function<void()> cleanUp,
                       std::function<void()> end, Say say)
    : m_test(std::move(test)), m_limit(limit), m_cleanUp(std::move(cleanUp)), m_end(std::move(end)),
      m_say(std::move(say)), m_thread([this] { Run(); }) {}

CHangGuard::~CHangGuard() {
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void CHangGuard::Run() {
    std::unique_lock lock(m_mutex);
    if (m_cv.wait_for(lock, m_limit, [this] { return m_done; }))
        return;
    const std::string line =
        "FAILED: " + m_test + " did not finish within " + std::to_string(m_limit.count()) +
        " s; it was stuck at: " + m_step.load(std::memory_order_relaxed) + ". Ending the test program.";
    if (m_say) {
        m_say(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
    if (m_cleanUp)
        m_cleanUp();
    std::fflush(stdout);
    m_end();
}

} // namespace playkit_test
