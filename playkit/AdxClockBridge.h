#pragma once

#include "playkit/AdxThreadRole.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace playkit {

// The rates and periods a bridge is made for. The producer is the thread that renders the audio (on
// the main device's clock), the consumer the callback of a second device on a clock of its own.
struct AdxClockBridgeConfig {
    double producerRate = 48000;
    std::size_t producerPeriod = 256;
    double consumerRate = 48000;
    std::size_t consumerPeriod = 256;
};

// Hands interleaved stereo float frames from one device's thread to another device's callback when
// the two run on clocks of their own. A lock-free single-producer single-consumer ring carries the
// frames; the consumer plays them through a fractional resampler whose ratio a slow PI controller
// trims so that the ring stays near its target fill: the two clocks may differ by hundreds of ppm
// for hours without the fill drifting. Neither side ever waits for the other.
//
// Underrun: the consumer keeps a fade's worth of input in reserve; when the next period would dig
// into it, it fades out over that reserve and then plays silence until the ring is back at its
// target, and fades in again. Overflow (the consumer stalled): the producer drops the newest frames
// and keeps what is queued, since only the consumer may move the read side of the ring; it keeps a
// fade's worth of room free, so that it can always fade out before it drops, and fades in again once
// the consumer has drained the ring to its target. Both edges are ramps, never steps.
//
// All memory is allocated in the constructor; Push and Pull never allocate, lock, log or block.
class CAdxClockBridge {
public:
    explicit CAdxClockBridge(const AdxClockBridgeConfig& config);
    CAdxClockBridge(const CAdxClockBridge&) = delete;
    CAdxClockBridge& operator=(const CAdxClockBridge&) = delete;

    // Producer thread (the main render). Copies count interleaved stereo frames in, stamped with the
    // steady clock's time now.
    void Push(const float* frames, std::size_t count);
    // Producer thread. The same, stamped with the given time (ns on any clock the consumer's stamps
    // share): a simulated timeline in tests and benchmarks.
    void Push(const float* frames, std::size_t count, std::int64_t nanos);

    // Consumer thread (the second device's callback). Writes count interleaved stereo frames.
    void Pull(float* out, std::size_t count);
    // Consumer thread, stamped with the given time (see Push).
    void Pull(float* out, std::size_t count, std::int64_t nanos);

    // Any thread, once the producer's or the consumer's thread is gone (a device restarted): the
    // next call from either side may come from a new thread.
    void ReleaseProducer() noexcept { m_producerRole.Release(); }
    void ReleaseConsumer() noexcept { m_consumerRole.Release(); }

    // What the bridge was made with: ring capacity and target fill, in producer frames.
    std::size_t Capacity() const { return m_capacity; }
    std::size_t TargetFill() const { return m_target; }
    // The frames each side fades over at an underrun or an overflow.
    std::size_t FadeFrames() const { return m_fade; }

    // Any thread (latest values, for meters and tests). The consumer's estimate of the fill at its
    // last Pull (producer frames, the producer's frames not yet pushed counted), the ratio's
    // correction (consumed input over nominal, less 1), and the events so far.
    double Fill() const { return m_statFill.load(std::memory_order_relaxed); }
    double Correction() const { return m_statCorrection.load(std::memory_order_relaxed); }
    std::uint64_t Underruns() const { return m_underruns.load(std::memory_order_relaxed); }
    std::uint64_t Overflows() const { return m_overflows.load(std::memory_order_relaxed); }

private:
    // Consumer thread.
    double EstimateFill(std::int64_t nanos);
    void Steer(double fill, std::size_t count);
    std::size_t Renderable(std::uint64_t written, double step) const;
    void Interpolate(float& left, float& right) const;

    // Set at construction.
    const double m_producerRate;
    const double m_nominalStep; // producer frames per consumer frame at the nominal rates
    const int m_half;           // filter taps each side of the position
    const std::size_t m_target;
    std::size_t m_highWater = 0; // queued frames above which the producer fades out and drops
    const std::size_t m_fade;    // producer side and consumer fade-in, frames
    const std::size_t m_fadeOut; // consumer's reserve and fade-out, consumer frames
    std::size_t m_capacity = 0;  // ring frames, a power of two
    std::size_t m_mask = 0;
    std::size_t m_rowLength = 0;     // taps per row of the table, padded
    std::size_t m_mirror = 0;        // frames at the ring's start copied past its end (one row)
    std::unique_ptr<float[]> m_ring; // (capacity + mirror) frames of each side, planar
    std::unique_ptr<float[]> m_taps; // (phases + 1) rows of the filter's taps

    // The ring's indices count frames since construction and never wrap (64 bits).
    alignas(64) std::atomic<std::uint64_t> m_written{0};
    alignas(64) std::atomic<std::uint64_t> m_released{0}; // the oldest frame the consumer still reads
    // The write index and time of the producer's last push, as one consistent pair (seqlock).
    alignas(64) std::atomic<std::uint64_t> m_stampSeq{0};
    std::atomic<std::uint64_t> m_stampWritten{0};
    std::atomic<std::int64_t> m_stampNanos{0};
    std::atomic<std::uint64_t> m_stampCount{0};
    // Consumer thread only: the last consistent stamp read.
    std::uint64_t m_seenWritten = 0, m_seenCount = 0;
    std::int64_t m_seenNanos = 0;

    // Producer thread only.
    alignas(64) float m_inGain = 1.0f;
    bool m_dropping = false;
    CAdxThreadRole m_producerRole;

    // Consumer thread only.
    alignas(64) double m_position = 0; // input frame of the next output frame
    double m_step = 1;                 // input frames per output frame, last applied
    double m_smoothed = 0;             // fill error, low-passed
    double m_integral = 0;
    float m_outGain = 0.0f;
    bool m_muted = true;
    bool m_fadingOut = false;
    std::uint64_t m_resumeFrom = 0; // the first frame after the last gap
    CAdxThreadRole m_consumerRole;

    std::atomic<double> m_statFill{0};
    std::atomic<double> m_statCorrection{0};
    std::atomic<std::uint64_t> m_underruns{0};
    std::atomic<std::uint64_t> m_overflows{0};
};

} // namespace playkit
