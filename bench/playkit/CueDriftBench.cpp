// padora-bench-cue-drift [SECONDS [PPM [PRODUCER_PERIOD CONSUMER_PERIOD]]]
// The cue bridge between two simulated device clocks PPM apart (default 600 s, 100 ppm, periods of 256
// at 48 kHz), a 1 kHz tone, with the events of its test: a late producer, a 300 ms stall of the
// consumer at 20 s (overflow) and a 50 ms stall of the producer at 40 s (underrun); figures marked
// settled count from 120 s on; each callback comes up to 0.5 ms early or late (from a fifth of the run when
// it is shorter than 10 minutes). Prints name=value lines; met=yes when the fill stayed within one consumer
// period, no step came out steeper than the tone's own (1 % margin) and the pitch is within 3 ppm. A second
// run without the events gives the ratio's settling time from a cold start on exact callback times (clean_…:
// within 1 ppm of the clocks' ratio for the rest of the run).
#include "CueDrift.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr double kDefaultSeconds = 600;
constexpr double kDefaultPpm = 100;
constexpr double kSettle = 120;
constexpr double kStepMargin = 1.01;
constexpr double kPitchPpm = 3.0;
} // namespace

int main(int argc, char** argv) {
    playkit_test::CueDriftSetup setup;
    setup.seconds = argc > 1 ? std::atof(argv[1]) : kDefaultSeconds;
    setup.ppm = argc > 2 ? std::atof(argv[2]) : kDefaultPpm;
    if (argc > 4) {
        setup.producerPeriod = static_cast<std::size_t>(std::atoi(argv[3]));
        setup.consumerPeriod = static_cast<std::size_t>(std::atoi(argv[4]));
    }
    if (setup.seconds < 60 || setup.producerPeriod < 1 || setup.consumerPeriod < 1 ||
        setup.producerPeriod > 8192 || setup.consumerPeriod > 8192) {
        std::fprintf(stderr,
                     "usage: %s [SECONDS (>= 60) [PPM [PRODUCER_PERIOD CONSUMER_PERIOD (1..8192)]]]\n",
                     argv[0]);
        return 2;
    }
    setup.settleAfter = std::min(kSettle, setup.seconds / 5);
    const auto t0 = std::chrono::steady_clock::now();
    const playkit_test::CueDriftResult r = playkit_test::RunCueDrift(setup);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // The ratio's settling from a cold start alone, without the events.
    playkit_test::CueDriftSetup clean = setup;
    clean.events = false;
    clean.jitter = 0;
    clean.settleBand = 1;
    const playkit_test::CueDriftResult c = playkit_test::RunCueDrift(clean);

    std::printf("seconds=%.0f ppm=%.1f producer_period=%zu consumer_period=%zu rate=%.0f jitter_ms=%.2f\n",
                setup.seconds, setup.ppm, setup.producerPeriod, setup.consumerPeriod, setup.rate,
                setup.jitter * 1e3);
    std::printf("target_fill_frames=%.0f settled_from_s=%.0f\n", r.target, setup.settleAfter);
    std::printf("drift_final_frames=%.3f drift_max_frames=%.3f\n", r.finalDrift, r.maxDrift);
    std::printf("step_max=%.6f step_max_settled=%.6f signal_step=%.6f step_ratio=%.5f\n", r.maxStep,
                r.maxStepSettled, r.signalStep, r.maxStep / r.signalStep);
    std::printf("pitch_error_ppm=%.4f correction_ppm=%.4f clocks_ppm=%.4f correction_wander_ppm=%.3f\n",
                r.frequencyPpm, r.correctionPpm, r.clockPpm, r.correctionWander);
    std::printf("clean_ratio_settle_s=%.2f clean_drift_max_frames=%.3f clean_step_ratio=%.5f\n",
                c.ratioSettle, c.maxDrift, c.maxStep / c.signalStep);
    std::printf("underruns=%zu overflows=%zu settled_underruns=%zu settled_overflows=%zu\n", r.underruns,
                r.overflows, r.settledUnderruns, r.settledOverflows);
    const bool met = r.maxDrift <= static_cast<double>(setup.consumerPeriod) &&
                     r.maxStep <= r.signalStep * kStepMargin && std::abs(r.frequencyPpm) <= kPitchPpm &&
                     r.settledUnderruns == 0 && r.settledOverflows == 0;
    std::printf("wall_s=%.2f simulated_x=%.0f met=%s\n", wall, setup.seconds / wall, met ? "yes" : "no");
    return met ? 0 : 1;
}
