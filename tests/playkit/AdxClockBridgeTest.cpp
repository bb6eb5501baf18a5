// The cue bridge between two device clocks 100 ppm apart, ten minutes of a 1 kHz tone on a simulated
// timeline: it starts with an underrun (the producer comes late), overflows once (the consumer's
// callbacks stop for 300 ms) and underruns again (the producer's stop for 50 ms). After that the fill
// must hold its target, the tone come out at its own pitch, and no edge click.
#include "playkit/CueDrift.h"

#include <gtest/gtest.h>

#include <tuple>

using playkit_test::CueDriftResult;
using playkit_test::CueDriftSetup;
using playkit_test::RunCueDrift;

namespace {
// A fade's own slope and the correction's pitch may steepen the tone's steepest step a little; a
// click (a step of the tone's amplitude) is tens of times more.
constexpr double kStepMargin = 1.01;
constexpr double kPitchPpm = 3.0;

// Producer period, consumer period, how much faster the consumer's clock runs (ppm).
using Case = std::tuple<std::size_t, std::size_t, double>;
class CAdxClockBridgeDrift : public testing::TestWithParam<Case> {};
} // namespace

TEST_P(CAdxClockBridgeDrift, HoldsTheFillAndThePitchWithoutAClick) {
    CueDriftSetup setup;
    std::tie(setup.producerPeriod, setup.consumerPeriod, setup.ppm) = GetParam();
    const CueDriftResult r = RunCueDrift(setup);

    // The events happened and were recovered from.
    EXPECT_GE(r.underruns, 1u); // the start is silence until the target, not an underrun
    EXPECT_GE(r.overflows, 1u);
    EXPECT_EQ(r.settledUnderruns, 0u);
    EXPECT_EQ(r.settledOverflows, 0u);

    EXPECT_LE(r.maxDrift, static_cast<double>(setup.consumerPeriod)) << "target " << r.target;
    EXPECT_LE(r.maxStep, r.signalStep * kStepMargin);
    EXPECT_NEAR(r.frequencyPpm, 0.0, kPitchPpm);
    EXPECT_NEAR(r.correctionPpm, r.clockPpm, 1.0);
    EXPECT_GE(r.ratioSettle, 0.0);
    EXPECT_LT(r.ratioSettle, setup.settleAfter);
}

INSTANTIATE_TEST_SUITE_P(Periods, CAdxClockBridgeDrift,
                         testing::Values(Case{256, 256, 100}, Case{256, 256, -100}, Case{64, 512, 100},
                                         Case{512, 64, -100}));
