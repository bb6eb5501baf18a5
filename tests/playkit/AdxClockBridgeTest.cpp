// The cue bridge between two device clocks 100 ppm apart, ten minutes of a 1 kHz tone on a simulated
// timeline whose callbacks come up to 0.5 ms early or late: it starts with an underrun (the producer comes
// late), overflows once (the consumer's callbacks stop for 300 ms) and underruns again (the producer's stop
// for 50 ms). After that the fill must hold its target, the tone come out at its own pitch, and no edge
// click.
#include "playkit/AdxClockBridge.h"
#include "playkit/CueDrift.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <tuple>
#include <vector>

using playkit_test::CueDriftResult;
using playkit_test::CueDriftSetup;
using playkit_test::RunCueDrift;

namespace {
// A fade's own slope and the correction's pitch may steepen the tone's steepest step a little; a
// click (a step of the tone's amplitude) is tens of times more.
constexpr double kStepMargin = 1.01;
constexpr double kPitchPpm = 3.0;
constexpr double kWanderPpm = 40.0;

// Producer period, consumer period, how much faster the consumer's clock runs (ppm).
using Case = std::tuple<std::size_t, std::size_t, double>;
class CAdxClockBridgeDrift : public testing::TestWithParam<Case> {};
} // namespace

TEST_P(CAdxClockBridgeDrift, HoldsTheFillAndThePitchWithoutAClick) {
    CueDriftSetup setup;
    std::tie(setup.producerPeriod, setup.consumerPeriod, setup.ppm) = GetParam();
    const CueDriftResult r = RunCueDrift(setup);

    // The producer's stall only: the start is silence until the target fill, not an underrun, and
    // the recoveries never overshoot into another.
    EXPECT_EQ(r.underruns, 1u);
    EXPECT_EQ(r.overflows, 1u);
    EXPECT_EQ(r.settledUnderruns, 0u);
    EXPECT_EQ(r.settledOverflows, 0u);

    EXPECT_LE(r.maxDrift, static_cast<double>(setup.consumerPeriod)) << "target " << r.target;
    EXPECT_LE(r.maxStep, r.signalStep * kStepMargin);
    EXPECT_NEAR(r.frequencyPpm, 0.0, kPitchPpm);
    // The callbacks' jitter moves the ratio by tens of ppm at most (a twentieth of a cent); an unsteady
    // loop swings by hundreds.
    EXPECT_LE(r.correctionWander, kWanderPpm);
}

INSTANTIATE_TEST_SUITE_P(Periods, CAdxClockBridgeDrift,
                         testing::Values(Case{256, 256, 100}, Case{256, 256, -100}, Case{64, 512, 100},
                                         Case{512, 64, -100}));

TEST(CAdxClockBridge, TwoThreadsRacingPlayOnlyWhatWasPushed) {
    // The producer and the consumer on threads of their own, as fast as they go (no clock between
    // them: the ring overflows and underruns over and over); under ThreadSanitizer this is the
    // hand-off's race check. Every frame pushed is the same level, left and right opposite, so that
    // whatever the consumer plays, fades included, lies between silence and that level (but for the
    // filter's ripple at a fade's corners) with its sides mirrored.
    constexpr float kLevel = 0.5f;
    constexpr std::size_t kPeriod = 64;
    constexpr int kPeriods = 20000;
    constexpr float kRipple = 0.002f;
    playkit::CAdxClockBridge bridge(playkit::AdxClockBridgeConfig{48000, kPeriod, 48000, kPeriod});
    std::thread producer([&] {
        std::vector<float> in(2 * kPeriod);
        for (std::size_t i = 0; i < kPeriod; ++i) {
            in[2 * i] = kLevel;
            in[2 * i + 1] = -kLevel;
        }
        for (int n = 0; n < kPeriods; ++n)
            bridge.Push(in.data(), kPeriod);
    });
    std::vector<float> out(2 * kPeriod);
    float lowest = 0, highest = 0;
    for (int n = 0; n < kPeriods; ++n) {
        bridge.Pull(out.data(), kPeriod);
        for (std::size_t i = 0; i < kPeriod; ++i) {
            highest = std::max(highest, out[2 * i]);
            lowest = std::min(lowest, out[2 * i]);
            ASSERT_NEAR(out[2 * i], -out[2 * i + 1], 1e-6f);
        }
    }
    producer.join();
    EXPECT_GE(lowest, -kLevel * kRipple);
    EXPECT_LE(highest, kLevel * (1 + kRipple));
    EXPECT_GT(highest, kLevel * (1 - kRipple)); // it did play
}
