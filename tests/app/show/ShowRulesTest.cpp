#include "app/show/ShowRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ShowRules, VolumePanSpeedAndMeterConvertAsTheOperatorExpects) {
    // Channel volume under the master, in hundredths of a decibel.
    EXPECT_EQ(ChannelAttenuation(100, 100), 0);
    EXPECT_EQ(ChannelAttenuation(70, 100), -309);
    EXPECT_EQ(ChannelAttenuation(50, 100), -602);
    EXPECT_EQ(ChannelAttenuation(100, 50), -602);
    EXPECT_EQ(ChannelAttenuation(1, 100), -4000);
    EXPECT_EQ(ChannelAttenuation(1, 1), -8000);
    EXPECT_EQ(ChannelAttenuation(0, 100), -10000);
    EXPECT_EQ(ChannelAttenuation(100, 0), -10000);
    // Pan: the far side is attenuated.
    EXPECT_EQ(ChannelBalance(0), 0);
    EXPECT_EQ(ChannelBalance(1), 17);
    EXPECT_EQ(ChannelBalance(25), 602);
    EXPECT_EQ(ChannelBalance(49), 3397);
    EXPECT_EQ(ChannelBalance(50), 10000);
    EXPECT_EQ(ChannelBalance(-25), -602);
    EXPECT_EQ(ChannelBalance(-50), -10000);
    // Speed knob tenths.
    EXPECT_EQ(SpeedKnobPos(1.25), 12);
    EXPECT_EQ(SpeedKnobPos(0.1), 1);
    EXPECT_EQ(SpeedKnobPos(0.3), 3);
    EXPECT_EQ(SpeedKnobPos(10.0), 100);
    EXPECT_EQ(SpeedKnobPos(3e8), std::numeric_limits<int>::max()); // a rate from a damaged file
    EXPECT_EQ(SpeedKnobPos(-3e8), std::numeric_limits<int>::min());
    // Meter: peak in dB, the span above -48 scaled by the channel volume.
    EXPECT_EQ(MeterLevel(32768, 100), 0);
    EXPECT_EQ(MeterLevel(16384, 100), -6);
    EXPECT_EQ(MeterLevel(3277, 100), -19);
    EXPECT_EQ(MeterLevel(100, 100), -48);
    EXPECT_EQ(MeterLevel(1, 100), -48);
    EXPECT_EQ(MeterLevel(0, 100), -48);
    EXPECT_EQ(MeterLevel(32768, 50), -24);
    EXPECT_EQ(MeterLevel(16384, 50), -27);
    EXPECT_EQ(MeterLevel(32768, 0), -48);
}

TEST(ShowRules, FadesMoveInWholeStepsAndNeverDivideByZero) {
    EXPECT_EQ(FadeStep(100, 5.0), 2);
    EXPECT_EQ(FadeStep(70, 5.0), 1);
    EXPECT_EQ(FadeStep(30, 5.0), 1);
    EXPECT_EQ(FadeStep(100, 0.1), 100);
    EXPECT_EQ(FadeStep(0, 5.0), 1);
    // Shorter than one timer step, zero, negative or not a number: over at the first step.
    for (double t : {0.05, 0.0, -3.0, std::nan("")}) {
        EXPECT_EQ(FadeStep(100, t), 100) << t;
        EXPECT_EQ(FadeStep(0, t), 1) << t;
    }
}
