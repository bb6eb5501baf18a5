#include "SoundWatch.h"

#include <cmath>
#include <thread>

namespace {

// Below a 16-bit LSB: a gain ramp's first frames or a resampler's tail are not "sound".
constexpr float kSilence = 1.0f / 32768;

} // namespace

void CSoundWatch::Tap(void* user, const float* frames, std::size_t count, std::size_t channels,
                      std::uint64_t) {
    static_cast<CSoundWatch*>(user)->OnBlock(frames, count, Clock::now(), channels);
}

void CSoundWatch::OnBlock(const float* frames, std::size_t count, Clock::time_point now,
                          std::size_t channels) {
    const int state = m_nState.load(std::memory_order_acquire);
    if (state != WantSilence && state != WantSound)
        return;
    std::size_t first = count;
    for (std::size_t i = 0; i < count && first == count; ++i) {
        for (std::size_t c = 0; c < channels; ++c) {
            if (std::fabs(frames[i * channels + c]) > kSilence) {
                first = i;
                break;
            }
        }
    }
    if (state == WantSilence) {
        if (first == count)
            m_nState.store(WantSound, std::memory_order_release);
        return;
    }
    if (first == count)
        return;
    m_nSeenTicks.store(now.time_since_epoch().count(), std::memory_order_relaxed);
    m_nSeenOffset.store(first, std::memory_order_relaxed);
    m_nState.store(Seen, std::memory_order_release);
}

bool CSoundWatch::WaitFor(EState state, std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    while (m_nState.load(std::memory_order_acquire) != state) {
        if (Clock::now() >= deadline)
            return false;
        // Polling finely keeps the measuring thread out of the way of the device thread on
        // a busy machine while costing it nothing in resolution (a period is 5.3 ms).
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

void CSoundWatch::Arm() {
    m_nState.store(WantSilence, std::memory_order_release);
}

bool CSoundWatch::WaitUntilSilent(std::chrono::milliseconds timeout) const {
    return WaitFor(WantSound, timeout);
}

bool CSoundWatch::WaitForSound(std::chrono::milliseconds timeout, SSeen& seen) {
    if (!WaitFor(Seen, timeout))
        return false;
    seen.tBlock = Clock::time_point(Clock::duration(m_nSeenTicks.load(std::memory_order_relaxed)));
    seen.nOffset = m_nSeenOffset.load(std::memory_order_relaxed);
    m_nState.store(Idle, std::memory_order_release);
    return true;
}
