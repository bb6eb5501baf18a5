#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace playkit {

class IAdxRenderSource;

// The device thread where there is no sound card: renders one period of the mixer at a time in real
// time, as a card's callback would be asked for it. It asks for real-time scheduling (and goes on
// without it), keeps deadlines counted from its start so that it does not drift with scheduling jitter,
// and counts a block finished after the next one was due as the card's underrun. Woken late (the
// process was stopped, the machine suspended) it renders the frames it owes, up to a minute of them,
// so that its timeline stays the wall clock's; beyond that the rest is skipped and counted.
class CAdxPeriodClock {
public:
    using Clock = std::chrono::steady_clock;
    // Device thread: each rendered block, period frames of the mixer's channels (its count when the
    // clock was made), interleaved. No I/O, lock or allocation.
    using BlockFn = std::function<void(const float* block, std::size_t frames)>;
    // Device thread: whether the consumer can take a block now; while catching up the clock waits
    // for it rather than hand over blocks it would have to throw away.
    using RoomFn = std::function<bool()>;
    // Device thread: the time now (tests pass one that jumps to wake the clock late).
    using NowFn = std::function<Clock::time_point()>;

    static constexpr std::chrono::seconds kMaxCatchUp{60};

    CAdxPeriodClock(IAdxRenderSource& mixer, unsigned rate, std::size_t period, NowFn now = {});
    ~CAdxPeriodClock() { Stop(); }
    CAdxPeriodClock(const CAdxPeriodClock&) = delete;
    CAdxPeriodClock& operator=(const CAdxPeriodClock&) = delete;

    // Starts the thread; nothing when it runs already. onBlock and hasRoom may be empty.
    void Start(BlockFn onBlock, RoomFn hasRoom = {});
    // Returns once the thread has rendered its last block.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    std::size_t Channels() const { return m_channels; }
    // Any thread. Frames of the timeline not rendered because the clock woke more than kMaxCatchUp late.
    std::uint64_t Skipped() const { return m_skipped.load(std::memory_order_relaxed); }

private:
    void Run();

    IAdxRenderSource& m_mixer;
    const unsigned m_rate;
    const std::size_t m_period;
    const std::size_t m_channels; // the mixer's when the clock was made
    std::vector<float> m_buffer;
    const NowFn m_now;
    BlockFn m_onBlock;
    RoomFn m_hasRoom;
    std::atomic<bool> m_quit{false};
    std::atomic<std::uint64_t> m_skipped{0};
    std::thread m_thread;
};

} // namespace playkit
