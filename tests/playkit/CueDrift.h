#pragma once

#include <cstddef>

// A cue bridge between two simulated device clocks: the producer renders a sine in periods on one
// clock and pushes it, the consumer pulls periods on a clock ppm apart, the two driven in the order a
// shared timeline gives them. Deterministic; shared by the bridge's tests and its benchmark.
namespace playkit_test {

struct CueDriftSetup {
    double seconds = 600;
    double ppm = 100; // how much faster the consumer's clock runs than the producer's (negative: slower)
    double rate = 48000;
    std::size_t producerPeriod = 256;
    std::size_t consumerPeriod = 256;
    double toneHz = 1000;
    float amplitude = 0.5f;
    // Each callback comes up to this much early or late (a fixed pseudo-random pattern), as real
    // device threads do; at most half the shorter period.
    double jitter = 0.0005;
    // The producer starts late: the consumer underruns from its first period.
    double producerStart = 0.1;
    // The consumer's callbacks stop for a while (the ring overflows), then the producer's (it underruns).
    double consumerStallAt = 20, consumerStallSeconds = 0.3;
    double producerStallAt = 40, producerStallSeconds = 0.05;
    // Figures marked "settled" count from here on.
    double settleAfter = 120;
    // The ratio counts as settled once its correction stays this near the clocks' (ppm).
    double settleBand = 10;
    // Without the start delay and the stalls: the ratio's settling from a cold start alone.
    bool events = true;
};

struct CueDriftResult {
    double target = 0;           // the bridge's target fill, producer frames
    double maxDrift = 0;         // largest distance of the fill from the target, settled, frames
    double finalDrift = 0;       // the distance at the end, frames
    double maxStep = 0;          // largest sample-to-sample step of the output, the whole run
    double maxStepSettled = 0;   // the same, settled
    double signalStep = 0;       // largest step of the input sine
    double frequencyPpm = 0;     // output tone against the input's, settled (both in real time)
    double ratioSettle = -1;     // seconds until the correction stays within the settle band of the clocks'
    double correctionPpm = 0;    // the correction at the end
    double correctionWander = 0; // largest distance of the correction from the clocks', settled, ppm
    double clockPpm = 0;         // the correction the two clocks call for
    std::size_t underruns = 0, overflows = 0;               // the whole run
    std::size_t settledUnderruns = 0, settledOverflows = 0; // after settling
};

CueDriftResult RunCueDrift(const CueDriftSetup& setup);

} // namespace playkit_test
