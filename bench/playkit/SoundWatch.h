#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

// Watches the engine's output at the device callback for the first block that carries sound
// after a stretch of silence. The owner arms it, waits until the output is silent, fires the
// sound and waits for the watch to see it.
class CSoundWatch {
public:
    using Clock = std::chrono::steady_clock;

    struct SSeen {
        Clock::time_point tBlock; // when the tap got the block (just after it was mixed)
        std::size_t nOffset = 0;  // frames into the block before the first non-silent one
    };

    CSoundWatch();
    ~CSoundWatch();
    CSoundWatch(const CSoundWatch&) = delete;
    CSoundWatch& operator=(const CSoundWatch&) = delete;

    // Caller's thread. Forgets any earlier sound and waits until a whole block is silent;
    // false when the output does not fall silent within the time-out.
    bool ArmAfterSilence(std::chrono::milliseconds timeout);
    // Caller's thread. Waits for the first block with sound since ArmAfterSilence.
    bool WaitForSound(std::chrono::milliseconds timeout, SSeen& seen);

private:
    enum EState : int { Idle, WantSilence, WantSound, Seen };

    // Device thread: no lock, no allocation, only atomics.
    static void Tap(void* user, const float* stereo, std::size_t frames, std::uint64_t firstFrame);
    bool WaitFor(EState state, std::chrono::milliseconds timeout) const;

    std::atomic<int> m_nState{Idle};
    std::atomic<Clock::rep> m_nSeenTicks{0};
    std::atomic<std::size_t> m_nSeenOffset{0};
};
