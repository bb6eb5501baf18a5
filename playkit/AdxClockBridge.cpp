#include "playkit/AdxClockBridge.h"

#include "playkit/AdxBessel.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

// The resampler is the bridge's own rather than CAdxResampler: that one is built for tape speed and
// rebuilds its polyphase table whenever a ratio above the input rate moves, which a controller that
// trims the ratio every period would make it do at every call; it also keeps a planar copy of its
// input. Here the ratio only ever strays a fraction of a percent from the nominal one, so one table,
// made at construction for the nominal rates, serves for ever, and the taps read the ring in place.

namespace playkit {
namespace {
// The meters' latest values are atomics the audio threads store without a lock.
static_assert(std::atomic<double>::is_always_lock_free);
constexpr int kChannels = 2;
// The taps are summed eight at a time; each row of the table is padded with zeros to a multiple.
typedef float v8sf __attribute__((vector_size(32)));
constexpr std::size_t kLanes = 8;
// Windowed sinc: 24 taps at the input rate, Kaiser beta 8, pass band to 92 % of the lower Nyquist
// frequency: images near -80 dB, which a cue feed never hears.
constexpr int kHalf = 12;
constexpr double kBeta = 8.0;
constexpr double kCutoff = 0.92;
constexpr int kPhases = 512; // rows of taps per input frame, read with linear interpolation

// Fades at an underrun or an overflow: 2.7 ms at 48 kHz, short enough to mark the gap, long enough
// that the ramp's own slope adds under 1 % to a 1 kHz tone's steepest step.
constexpr std::size_t kFadeFrames = 128;
// The controller: critically damped, 0.02 Hz natural frequency (settles a 100 ppm offset to 1 ppm in
// about a minute), on the fill low-passed over 2 s, so that callbacks 0.5 ms early or late move the
// ratio by some 20 ppm (a thirtieth of a cent) where a quicker loop swings by a hundred. The
// correction stays within +-1000 ppm (crystal clocks are within a few hundred), and the integral only runs
// while the fill is near its target, so that a stall does not wind it up.
constexpr double kLoopHz = 0.02;
constexpr double kDamping = 1.0;
constexpr double kSmoothSeconds = 2.0;
constexpr double kMaxCorrection = 1e-3;
// A stamp the producer is in the middle of writing is read again at most this often; after that the
// consumer keeps the one it had.
constexpr int kStampTries = 4;

// The dot product is built twice, for processors with AVX2 and FMA and for the baseline; the loader
// picks one once. Not under ThreadSanitizer, whose runtime is not up when the loader picks.
#if defined(__SANITIZE_THREAD__)
#define PLAYKIT_BRIDGE_SANITIZED_THREADS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PLAYKIT_BRIDGE_SANITIZED_THREADS 1
#endif
#endif
#if defined(__x86_64__) && !defined(PLAYKIT_BRIDGE_SANITIZED_THREADS)
#define PLAYKIT_BRIDGE_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define PLAYKIT_BRIDGE_CLONES
#endif

// One output frame: the row of taps at c0, interpolated toward the next row by weight, against each
// side's frames.
PLAYKIT_BRIDGE_CLONES void Dot(const float* c0, std::size_t taps, float weight, const float* l,
                               const float* r, float& left, float& right) {
    const float* c1 = c0 + taps;
    v8sf al = {}, ar = {};
    for (std::size_t j = 0; j < taps; j += kLanes) {
        v8sf a, b, xl, xr;
        std::memcpy(&a, c0 + j, sizeof a);
        std::memcpy(&b, c1 + j, sizeof b);
        std::memcpy(&xl, l + j, sizeof xl);
        std::memcpy(&xr, r + j, sizeof xr);
        const v8sf c = a + (b - a) * weight;
        al += c * xl;
        ar += c * xr;
    }
    left = (al[0] + al[4]) + (al[1] + al[5]) + (al[2] + al[6]) + (al[3] + al[7]);
    right = (ar[0] + ar[4]) + (ar[1] + ar[5]) + (ar[2] + ar[6]) + (ar[3] + ar[7]);
}

std::size_t RoundUpPow2(std::size_t n) {
    std::size_t c = 1;
    while (c < n)
        c <<= 1;
    return c;
}

std::int64_t SteadyNanos() {
    // A vDSO clock read: no system call, safe on the audio threads.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

CAdxClockBridge::CAdxClockBridge(const AdxClockBridgeConfig& config)
    : m_producerRate(config.producerRate), m_nominalStep(config.producerRate / config.consumerRate),
      // Slowing down (a lower consumer rate) widens the filter by the step, to keep its band below
      // the consumer's Nyquist frequency.
      m_half(static_cast<int>(std::ceil(kHalf * std::max(1.0, m_nominalStep)))),
      // The consumer's period, another for the callbacks' jitter (a quarter of the producer's when that
      // is more: a long push that comes late takes its whole period's frames with it), the reserve an
      // underrun fades over and the filter's look-ahead. The fill counts the producer's frames as if
      // they came evenly across its period; what a push brings at once lies above this.
      m_target(static_cast<std::size_t>(
          std::ceil((static_cast<double>(config.consumerPeriod) +
                     static_cast<double>(std::min(kFadeFrames, config.consumerPeriod))) *
                        m_nominalStep +
                    std::max(static_cast<double>(config.consumerPeriod) * m_nominalStep,
                             static_cast<double>(config.producerPeriod) / 4) +
                    m_half + 1))),
      m_fade(kFadeFrames), m_fadeOut(std::min(kFadeFrames, config.consumerPeriod)) {
    const auto consumerIn =
        static_cast<std::size_t>(std::ceil(static_cast<double>(config.consumerPeriod) * m_nominalStep));
    // Normal use rides up to one push above the target; another push and two consumer periods of
    // lateness are tolerated before the producer drops. Past that mark it still needs room to fade.
    m_highWater = m_target + 2 * config.producerPeriod + 2 * consumerIn;
    m_capacity = RoundUpPow2(m_highWater + m_fade + 2 * static_cast<std::size_t>(m_half) + 1);
    m_mask = m_capacity - 1;
    m_rowLength = (2 * static_cast<std::size_t>(m_half) + kLanes - 1) / kLanes * kLanes;
    m_mirror = m_rowLength;
    // Planar, so that the taps read each side in a row: left (capacity + mirror) frames, then right.
    m_ring = std::make_unique<float[]>((m_capacity + m_mirror) * kChannels); // zeroed

    // rows[r][j]: the tap of input frame floor(x) - half + 1 + j at fraction r / phases of a frame.
    const double cutoff = kCutoff * std::min(1.0, 1.0 / m_nominalStep);
    const auto taps = static_cast<std::size_t>(2 * m_half);
    m_taps = std::make_unique<float[]>((kPhases + 1) * m_rowLength); // zeroed: the padding
    for (int r = 0; r <= kPhases; ++r) {
        const double frac = static_cast<double>(r) / kPhases;
        float* row = m_taps.get() + static_cast<std::size_t>(r) * m_rowLength;
        double sum = 0;
        std::vector<double> h(taps);
        for (std::size_t j = 0; j < taps; ++j) {
            const double u = static_cast<double>(j) - (m_half - 1) - frac;
            const double t = u / m_half;
            const double window =
                std::fabs(t) >= 1.0 ? 0.0 : BesselI0(kBeta * std::sqrt(1.0 - t * t)) / BesselI0(kBeta);
            const double x = M_PI * cutoff * u;
            h[j] = (u == 0.0 ? 1.0 : std::sin(x) / x) * window;
            sum += h[j];
        }
        // Each row passes DC at exactly unity, so that the phase never modulates the level.
        for (std::size_t j = 0; j < taps; ++j)
            row[j] = static_cast<float>(h[j] / sum);
    }
    m_step = m_nominalStep;
}

void CAdxClockBridge::Push(const float* frames, std::size_t count) {
    Push(frames, count, SteadyNanos());
}

void CAdxClockBridge::Push(const float* frames, std::size_t count, std::int64_t nanos) {
    m_producerRole.Check();
    // Relaxed: only this thread writes the write index.
    const std::uint64_t w = m_written.load(std::memory_order_relaxed);
    // Acquire pairs with the consumer's release of the read side: it has finished reading every slot
    // below the index we see, so they may be overwritten.
    const std::uint64_t released = m_released.load(std::memory_order_acquire);
    const std::uint64_t queued =
        w - std::min<std::uint64_t>(w, released + static_cast<std::uint64_t>(m_half));
    if (!m_dropping && queued + count > m_highWater) {
        m_dropping = true;
        m_overflows.fetch_add(1, std::memory_order_relaxed);
    } else if (m_dropping && m_inGain == 0.0f && queued <= m_target + count) {
        // Back in at the first push that finds the consumer within one push of its target: waiting for
        // the target itself would let a long push period drain the ring dry before the next look.
        m_dropping = false;
    }
    const std::size_t room = m_capacity - static_cast<std::size_t>(w - released);
    const float ramp = 1.0f / static_cast<float>(m_fade);
    std::size_t n = 0;
    for (; n < count && n < room; ++n) {
        if (m_dropping && m_inGain == 0.0f)
            break; // the rest is dropped
        const std::size_t slot = static_cast<std::size_t>((w + n) & m_mask);
        float* l = m_ring.get() + slot;
        float* r = l + m_capacity + m_mirror;
        *l = frames[kChannels * n] * m_inGain;
        *r = frames[kChannels * n + 1] * m_inGain;
        if (slot < m_mirror) {
            // The copy past the end lets the filter read its span without wrapping.
            l[m_capacity] = *l;
            r[m_capacity] = *r;
        }
        m_inGain = m_dropping ? std::max(0.0f, m_inGain - ramp) : std::min(1.0f, m_inGain + ramp);
    }
    // Release: the frames written above are visible to a consumer that acquires the new index.
    m_written.store(w + n, std::memory_order_release);

    // The stamp, as a seqlock: an odd count while it changes. Each value is a release store, so the odd
    // count (written before it) is visible to a reader that sees the value; the final release makes
    // the values visible to a reader that sees the even count.
    const std::uint64_t seq = m_stampSeq.load(std::memory_order_relaxed);
    m_stampSeq.store(seq + 1, std::memory_order_relaxed);
    m_stampWritten.store(w + n, std::memory_order_release);
    m_stampNanos.store(nanos, std::memory_order_release);
    m_stampCount.store(n, std::memory_order_release);
    m_stampSeq.store(seq + 2, std::memory_order_release);
}

double CAdxClockBridge::EstimateFill(std::int64_t nanos) {
    for (int i = 0; i < kStampTries; ++i) {
        // Acquire pairs with the producer's final release: the values below are at least that new.
        const std::uint64_t s1 = m_stampSeq.load(std::memory_order_acquire);
        if (s1 & 1)
            continue;
        // Acquire loads: the second look at the count below cannot move ahead of them, and a value of a
        // write in progress brings its odd count with it. An unchanged count means none overlapped.
        const std::uint64_t w = m_stampWritten.load(std::memory_order_acquire);
        const std::int64_t t = m_stampNanos.load(std::memory_order_acquire);
        const std::uint64_t c = m_stampCount.load(std::memory_order_acquire);
        if (m_stampSeq.load(std::memory_order_relaxed) == s1) {
            m_seenWritten = w;
            m_seenNanos = t;
            m_seenCount = c;
            break;
        }
    }
    // The producer's frames counted as if they came evenly across its period: the fill then does not
    // jump with the phase between the two callbacks, which slides slowly when the periods match.
    const double elapsed = std::clamp(static_cast<double>(nanos - m_seenNanos) * 1e-9 * m_producerRate, 0.0,
                                      static_cast<double>(m_seenCount));
    return static_cast<double>(m_seenWritten - m_seenCount) + elapsed - m_position;
}

void CAdxClockBridge::Steer(double fill, std::size_t count) {
    const double consumerRate = m_producerRate / m_nominalStep;
    const double dt = static_cast<double>(count) / consumerRate;
    const double error = fill - static_cast<double>(m_target);
    m_smoothed += std::min(1.0, dt / kSmoothSeconds) * (error - m_smoothed);
    // fill' = rate * (offset - correction): with correction = kp e + ki integral(e), a second-order loop
    // of natural frequency w and damping z takes kp = 2 z w / rate, ki = w^2 / rate.
    const double w = 2.0 * M_PI * kLoopHz;
    const double kp = 2.0 * kDamping * w / m_producerRate;
    const double ki = w * w / m_producerRate;
    // Past half the target the proportional part alone brings the fill back (at the clamp, 1000 ppm
    // drains 48 frames a second): integrating there would wind up and overshoot into an underrun.
    if (std::fabs(m_smoothed) < 0.5 * static_cast<double>(m_target))
        m_integral = std::clamp(m_integral + ki * m_smoothed * dt, -kMaxCorrection, kMaxCorrection);
    const double correction = std::clamp(kp * m_smoothed + m_integral, -kMaxCorrection, kMaxCorrection);
    m_step = m_nominalStep * (1.0 + correction);
    m_statCorrection.store(correction, std::memory_order_relaxed);
}

std::size_t CAdxClockBridge::Renderable(std::uint64_t written, double step) const {
    // Output frame i needs input up to floor(position + i * step) + half.
    const double last = static_cast<double>(written) - 1.0 - m_half - m_position;
    return last < 0 ? 0 : static_cast<std::size_t>(last / step) + 1;
}

void CAdxClockBridge::Interpolate(float& left, float& right) const {
    const double floorPos = std::floor(m_position);
    const auto i0 = static_cast<std::uint64_t>(floorPos);
    const double phase = (m_position - floorPos) * kPhases;
    const auto row = std::min(static_cast<std::size_t>(phase), static_cast<std::size_t>(kPhases - 1));
    const float* c0 = m_taps.get() + row * m_rowLength;
    const std::size_t slot = static_cast<std::size_t>((i0 - static_cast<std::uint64_t>(m_half) + 1) & m_mask);
    const float* l = m_ring.get() + slot;
    Dot(c0, m_rowLength, static_cast<float>(phase - static_cast<double>(row)), l, l + m_capacity + m_mirror,
        left, right);
}

void CAdxClockBridge::Pull(float* out, std::size_t count) {
    Pull(out, count, SteadyNanos());
}

void CAdxClockBridge::Pull(float* out, std::size_t count, std::int64_t nanos) {
    m_consumerRole.Check();
    if (count == 0)
        return;
    double fill = EstimateFill(nanos);
    // Acquire pairs with Push's release: every frame below this index is fully written. Read after the
    // stamp, so that it is never older than the stamp's own index.
    const std::uint64_t written = m_written.load(std::memory_order_acquire);
    std::size_t made = 0;
    if (m_muted) {
        // Start after the gap, with the filter's whole span on frames that came after it.
        const double from = std::max(m_position, static_cast<double>(m_resumeFrom) + m_half);
        const double resumed = fill - (from - m_position);
        if (resumed >= static_cast<double>(m_target)) {
            m_position = from;
            fill = resumed;
            m_smoothed = fill - static_cast<double>(m_target);
            m_muted = false;
            m_fadingOut = false;
        }
    }
    if (!m_muted) {
        const double from = m_step;
        Steer(fill, count);
        const double glide = (m_step - from) / static_cast<double>(count);
        const std::size_t renderable = Renderable(written, std::max(from, m_step));
        if (!m_fadingOut && renderable < count + m_fadeOut) {
            // The next period would dig into the reserve: fade out over it.
            m_fadingOut = true;
            m_underruns.fetch_add(1, std::memory_order_relaxed);
        }
        const float fadeIn = 1.0f / static_cast<float>(m_fade);
        const float fadeOut = 1.0f / static_cast<float>(m_fadeOut);
        for (; made < count; ++made) {
            if ((m_fadingOut && m_outGain == 0.0f) || made >= renderable) {
                m_muted = true;
                m_resumeFrom = written;
                break;
            }
            float l, r;
            Interpolate(l, r);
            out[kChannels * made] = l * m_outGain;
            out[kChannels * made + 1] = r * m_outGain;
            m_outGain =
                m_fadingOut ? std::max(0.0f, m_outGain - fadeOut) : std::min(1.0f, m_outGain + fadeIn);
            m_position += from + glide * static_cast<double>(made + 1);
        }
        if (m_muted)
            m_outGain = 0.0f;
    }
    std::fill(out + kChannels * made, out + kChannels * count, 0.0f);
    // Release: our reads of every slot below the filter's oldest tap happen before the producer
    // reuses them.
    const double oldest = std::floor(m_position) - m_half + 1;
    m_released.store(oldest > 0 ? static_cast<std::uint64_t>(oldest) : 0, std::memory_order_release);
    m_statFill.store(fill, std::memory_order_relaxed);
}

} // namespace playkit
