#include "HangGuard.h"

#include <cstdio>

namespace playkit_test {

CHangGuard::CHangGuard(std::string test, std::chrono::seconds limit, std::function<void()> cleanUp,
                       std::function<void()> end)
    : m_test(std::move(test)), m_limit(limit), m_cleanUp(std::move(cleanUp)), m_end(std::move(end)),
      m_thread([this] { Run(); }) {}

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
    std::fprintf(
        stderr, "FAILED: %s did not finish within %lld s; it was stuck at: %s. Ending the test program.\n",
        m_test.c_str(), static_cast<long long>(m_limit.count()), m_step.load(std::memory_order_relaxed));
    std::fflush(stderr);
    if (m_cleanUp)
        m_cleanUp();
    std::fflush(stdout);
    m_end();
}

} // namespace playkit_test
