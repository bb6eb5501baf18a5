#pragma once

#include "playkit/AdxBackend.h"
#include "playkit/AdxPeriodClock.h"
#include "playkit/AdxRing.h"
#include "playkit/AdxWavWriter.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace playkit {

// No device, but everything it would have played goes into a WAV file, every output channel: a clock thread
// renders one period at a time in real time (as the null backend does) and hands the frames through a ring to
// a writer thread, which appends them and keeps the header's sizes true after every chunk, so that the file
// can be read while it grows. The clock thread does no I/O. After a stall the clock renders what it owes only
// as fast as the writer takes it, so that the file keeps the wall clock's timeline.
class CAdxRecordBackend : public CAdxBackend {
public:
    // now: the clock's time source, the steady clock when empty.
    CAdxRecordBackend(IAdxRenderSource& mixer, const CAdxLog& log, std::string path, unsigned rate,
                      std::size_t period, CAdxPeriodClock::NowFn now = {});
    ~CAdxRecordBackend() override { Stop(); }

    bool Start(std::string& reason) override;
    void Stop() override;
    unsigned SampleRate() const override { return m_rate; }
    unsigned Pairs() const override { return m_channels / 2; }

    // Any thread. Frames lost because the disk could not keep up (the ring was full).
    std::uint64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }
    // Any thread. Frames of a stall longer than the clock catches up, missing from the file.
    std::uint64_t Skipped() const { return m_clock.Skipped(); }

private:
    // Clock thread: converts a rendered block into the ring; no I/O, no allocation.
    void Keep(const float* block, std::size_t frames);
    void RunWriter();
    // Writer thread: appends what the ring holds; false when the disk refused it.
    bool Drain();

    const CAdxLog& m_log;
    const std::string m_path;
    const unsigned m_rate;
    const std::size_t m_period;
    const unsigned m_channels; // every output channel of the mixer, as it was when the backend was made
    CAdxRing m_ring;
    CAdxWavWriter m_writer;
    std::atomic<bool> m_quitWriter{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::thread m_writerThread;
    CAdxPeriodClock m_clock; // last: stopped before the ring and the writer go
};

} // namespace playkit
