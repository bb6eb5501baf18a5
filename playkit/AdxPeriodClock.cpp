#include "playkit/AdxPeriodClock.h"

#include "playkit/AdxMixer.h"

#include <chrono>
#include <pthread.h>
#include <sched.h>

namespace playkit {

CAdxPeriodClock::CAdxPeriodClock(CAdxMixer& mixer, unsigned rate, std::size_t period)
    : m_mixer(mixer), m_rate(rate), m_period(period), m_buffer(period * 2) {}

void CAdxPeriodClock::Start(BlockFn onBlock) {
    if (m_thread.joinable())
        return;
    m_onBlock = std::move(onBlock);
    m_quit = false;
    m_thread = std::thread([this] { Run(); });
}

void CAdxPeriodClock::Stop() {
    m_quit = true;
    if (m_thread.joinable())
        m_thread.join();
}

// Device thread.
void CAdxPeriodClock::Run() {
    pthread_setname_np(pthread_self(), "pk-device");
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::uint64_t frames = 0;
    while (!m_quit.load(std::memory_order_relaxed)) {
        m_mixer.Render(m_buffer.data(), m_period);
        if (m_onBlock)
            m_onBlock(m_buffer.data(), m_period);
        frames += m_period;
        const auto due = start + std::chrono::nanoseconds(frames * 1000000000ull / m_rate);
        // A card with two periods of buffer plays this block from the time the next one is due:
        // finished later, it would have played silence.
        if (Clock::now() > due)
            m_mixer.CountDeviceXrun();
        std::this_thread::sleep_until(due);
    }
}

} // namespace playkit
