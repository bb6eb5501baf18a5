#include "CueDrift.h"

#include "playkit/AdxClockBridge.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace playkit_test {
namespace {

bool Within(double t, double from, double seconds) {
    return t >= from && t < from + seconds;
}

// A fixed pattern in [-1, 1] for callback n of a side (a 64-bit mix of the index).
double Wobble(std::uint64_t n, std::uint64_t side) {
    std::uint64_t x = (n + 1) * 0x9E3779B97F4A7C15ull ^ side;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return static_cast<double>(x >> 11) / static_cast<double>(1ull << 52) - 1.0;
}
} // namespace

CueDriftResult RunCueDrift(const CueDriftSetup& s) {
    playkit::AdxClockBridgeConfig config;
    config.producerRate = s.rate;
    config.consumerRate = s.rate;
    config.producerPeriod = s.producerPeriod;
    config.consumerPeriod = s.consumerPeriod;
    playkit::CAdxClockBridge bridge(config);

    CueDriftResult r;
    r.target = static_cast<double>(bridge.TargetFill());
    // Real rates of the two clocks; both count the nominal rate's frames.
    const double producerHz = s.rate;
    const double consumerHz = s.rate * (1.0 + s.ppm * 1e-6);
    r.clockPpm = (producerHz / consumerHz - 1.0) * 1e6;
    const double producerPeriodSeconds = static_cast<double>(s.producerPeriod) / producerHz;
    const double consumerPeriodSeconds = static_cast<double>(s.consumerPeriod) / consumerHz;

    // The tone as a rotating phasor, renormalised every period: exact enough, and cheap.
    const double omega = 2.0 * M_PI * s.toneHz / s.rate;
    const std::complex<double> turn = std::polar(1.0, omega);
    std::complex<double> phasor{0.0, -1.0}; // starts at a zero crossing going up
    r.signalStep = 2.0 * s.amplitude * std::sin(omega / 2.0);

    std::vector<float> in(2 * s.producerPeriod), out(2 * s.consumerPeriod);
    std::uint64_t producerTicks = 0, consumerTicks = 0;
    const auto producerStartTicks =
        s.events ? static_cast<std::uint64_t>(std::ceil(s.producerStart / producerPeriodSeconds)) : 0;
    const double jitter = std::min(s.jitter, 0.5 * std::min(producerPeriodSeconds, consumerPeriodSeconds));
    float previous = 0.0f;
    bool sounded = false;
    std::uint64_t outFrames = 0;
    // Rising zero crossings of the settled output, in output frames.
    double firstCrossing = -1, lastCrossing = -1;
    std::uint64_t crossings = 0;
    double lastUnsettled = 0;
    for (;;) {
        const double tp = static_cast<double>(producerStartTicks + producerTicks) * producerPeriodSeconds +
                          jitter * Wobble(producerTicks, 1);
        const double tc =
            static_cast<double>(consumerTicks) * consumerPeriodSeconds + jitter * Wobble(consumerTicks, 2);
        const double t = std::min(tp, tc);
        if (t >= s.seconds)
            break;
        const auto nanos = static_cast<std::int64_t>(std::llround(t * 1e9));
        const bool settled = t >= s.settleAfter;
        if (tp <= tc) {
            ++producerTicks;
            if (s.events && Within(t, s.producerStallAt, s.producerStallSeconds))
                continue; // the render did not run; its tone goes on where it was
            for (std::size_t i = 0; i < s.producerPeriod; ++i) {
                const auto v = static_cast<float>(s.amplitude * phasor.imag());
                in[2 * i] = v;
                in[2 * i + 1] = -v;
                phasor *= turn;
            }
            phasor /= std::abs(phasor);
            const std::size_t overflowsBefore = bridge.Overflows();
            bridge.Push(in.data(), s.producerPeriod, nanos);
            if (settled)
                r.settledOverflows += bridge.Overflows() - overflowsBefore;
            continue;
        }
        ++consumerTicks;
        if (s.events && Within(t, s.consumerStallAt, s.consumerStallSeconds))
            continue; // the device missed these periods
        const std::size_t underrunsBefore = bridge.Underruns();
        bridge.Pull(out.data(), s.consumerPeriod, nanos);
        const double correction = bridge.Correction();
        if (std::fabs(correction - r.clockPpm * 1e-6) > s.settleBand * 1e-6)
            lastUnsettled = t;
        if (settled) {
            r.settledUnderruns += bridge.Underruns() - underrunsBefore;
            const double drift = std::fabs(bridge.Fill() - r.target);
            r.maxDrift = std::max(r.maxDrift, drift);
            r.correctionWander = std::max(r.correctionWander, std::fabs(correction * 1e6 - r.clockPpm));
        }
        for (std::size_t i = 0; i < s.consumerPeriod; ++i, ++outFrames) {
            const float v = out[2 * i];
            if (v != 0.0f)
                sounded = true;
            if (sounded) {
                const double step = std::fabs(static_cast<double>(v) - previous);
                r.maxStep = std::max(r.maxStep, step);
                if (settled)
                    r.maxStepSettled = std::max(r.maxStepSettled, step);
            }
            if (settled && previous < 0.0f && v >= 0.0f) {
                const double at = static_cast<double>(outFrames) - 1.0 + previous / (previous - v);
                if (firstCrossing < 0)
                    firstCrossing = at;
                lastCrossing = at;
                ++crossings;
            }
            previous = v;
        }
    }
    r.finalDrift = bridge.Fill() - r.target;
    r.correctionPpm = bridge.Correction() * 1e6;
    r.ratioSettle = lastUnsettled;
    r.underruns = bridge.Underruns();
    r.overflows = bridge.Overflows();
    if (crossings > 1) {
        // Cycles per output frame, against the input tone heard on the consumer's clock.
        const double measured = static_cast<double>(crossings - 1) / (lastCrossing - firstCrossing);
        const double expected = s.toneHz / s.rate * producerHz / consumerHz;
        r.frequencyPpm = (measured / expected - 1.0) * 1e6;
    }
    return r;
}

} // namespace playkit_test
