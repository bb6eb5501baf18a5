#include "SoundWatch.h"

#include "playkit/AdxEngine.h"

#include <cmath>
#include <thread>

namespace {

// Below a 16-bit LSB: a gain ramp's first frames or a resampler's tail are not "sound".
constexpr float kSilence = 1.0f / 32768;

} // namespace

CSoundWatch::CSoundWatch() {
    playkit::CAdxEngine::SetBlockTap(&CSoundWatch::Tap, this);
}

CSoundWatch::~CSoundWatch() {
    playkit::CAdxEngine::SetBlockTap(nullptr, nullptr);
}

void CSoundWatch::Tap(void* user, const float* stereo, std::size_t frames, std::uint64_t) {
    auto* self = static_cast<CSoundWatch*>(user);
    const auto now = Clock::now();
    const int state = self->m_nState.load(std::memory_order_acquire);
    if (state != WantSilence && state != WantSound)
        return;
    std::size_t first = frames;
    for (std::size_t i = 0; i < frames; ++i) {
        if (std::fabs(stereo[2 * i]) > kSilence || std::fabs(stereo[2 * i + 1]) > kSilence) {
            first = i;
            break;
        }
    }
    if (state == WantSilence) {
        if (first == frames)
            self->m_nState.store(WantSound, std::memory_order_release);
        return;
    }
    if (first == frames)
        return;
    self->m_nSeenTicks.store(now.time_since_epoch().count(), std::memory_order_relaxed);
    self->m_nSeenOffset.store(first, std::memory_order_relaxed);
    self->m_nState.store(Seen, std::memory_order_release);
}

bool CSoundWatch::WaitFor(EState state, std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    while (m_nState.load(std::memory_order_acquire) != state) {
        if (Clock::now() > deadline)
            return false;
        // Polling finely keeps the measuring thread out of the way of the device thread on
        // a busy machine while costing it nothing in resolution (a period is 5.3 ms).
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

bool CSoundWatch::ArmAfterSilence(std::chrono::milliseconds timeout) {
    m_nState.store(WantSilence, std::memory_order_release);
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
