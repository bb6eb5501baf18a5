#include "playkit/AdxReopener.h"

#include <pthread.h>

namespace playkit {

CAdxReopener::CAdxReopener(std::chrono::milliseconds interval, std::function<void()> attempt)
    : m_interval(interval), m_attempt(std::move(attempt)), m_thread([this] { Run(); }) {}

CAdxReopener::~CAdxReopener() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void CAdxReopener::Run() {
    pthread_setname_np(pthread_self(), "pk-reopen");
    std::unique_lock lock(m_mutex);
    while (!m_cv.wait_for(lock, m_interval, [this] { return m_quit; })) {
        lock.unlock();
        m_attempt();
        lock.lock();
    }
}

} // namespace playkit
