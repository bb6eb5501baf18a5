#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace playkit {

class CAdxMixer;

// The device thread where there is no sound card: renders one period of the mixer at a time in real
// time, as a card's callback would be asked for it. It asks for real-time scheduling (and goes on
// without it), keeps deadlines counted from its start so that it does not drift with scheduling jitter,
// and counts a block finished after the next one was due as the card's underrun.
class CAdxPeriodClock {
public:
    // Device thread: each rendered block, period frames of interleaved stereo. No I/O, lock or allocation.
    using BlockFn = std::function<void(const float* block, std::size_t frames)>;

    CAdxPeriodClock(CAdxMixer& mixer, unsigned rate, std::size_t period);
    ~CAdxPeriodClock() { Stop(); }
    CAdxPeriodClock(const CAdxPeriodClock&) = delete;
    CAdxPeriodClock& operator=(const CAdxPeriodClock&) = delete;

    // Starts the thread; nothing when it runs already. onBlock may be empty.
    void Start(BlockFn onBlock);
    // Returns once the thread has rendered its last block.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    void Run();

    CAdxMixer& m_mixer;
    const unsigned m_rate;
    const std::size_t m_period;
    std::vector<float> m_buffer;
    BlockFn m_onBlock;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

} // namespace playkit
