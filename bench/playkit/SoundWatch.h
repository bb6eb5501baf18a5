#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

// Watches the engine's output at the device callback for the first block that carries sound
// after a stretch of silence. The owner arms it, waits until the output is silent, fires the
// sound and waits for the watch to see it. Tap is installed as the engine's block tap with
// the watch as its user pointer.
class CSoundWatch {
public:
    using Clock = std::chrono::steady_clock;

    struct SSeen {
        Clock::time_point tBlock; // when the tap got the block (just after it was mixed)
        std::size_t nOffset = 0;  // frames into the block before the first non-silent one
    };

    CSoundWatch() = default;
    CSoundWatch(const CSoundWatch&) = delete;
    CSoundWatch& operator=(const CSoundWatch&) = delete;

    // Device thread: the engine's block tap.
    static void Tap(void* user, const float* frames, std::size_t count, std::size_t channels,
                    std::uint64_t firstFrame);
    // Device thread: one mixed block of interleaved frames; sound on any channel counts. No lock,
    // no allocation.
    void OnBlock(const float* frames, std::size_t count, Clock::time_point now, std::size_t channels = 2);

    // Caller's thread. Forgets any earlier sound; from now on a silent block is awaited.
    void Arm();
    // Caller's thread. Waits until a whole block was silent since Arm.
    bool WaitUntilSilent(std::chrono::milliseconds timeout) const;
    // Caller's thread. Waits for the first block with sound after the silent one.
    bool WaitForSound(std::chrono::milliseconds timeout, SSeen& seen);

private:
    enum EState : int { Idle, WantSilence, WantSound, Seen };

    bool WaitFor(EState state, std::chrono::milliseconds timeout) const;

    std::atomic<int> m_nState{Idle};
    std::atomic<Clock::rep> m_nSeenTicks{0};
    std::atomic<std::size_t> m_nSeenOffset{0};
};
