#include "app/show/ShowRules.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {
constexpr double kFullScale = 32768.0;
constexpr double kStepsPerSecond = 1000.0 / show::kTimerPeriodMs;
} // namespace

LONG ChannelAttenuation(int volume, int master) {
    if (volume <= 0 || master <= 0)
        return show::kSilence;
    // Integer product first: 1 at master 1 must give exactly -8000.
    return static_cast<LONG>(2000.0 * std::log10(static_cast<double>(volume) * master / 10000.0));
}

LONG ChannelBalance(int pan) {
    using show::kPanMax;
    if (pan == 0)
        return 0;
    if (pan >= kPanMax)
        return show::kFullBalance;
    if (pan <= -kPanMax)
        return -show::kFullBalance;
    if (pan > 0)
        return std::abs(
            static_cast<LONG>(2000.0 * std::log10((kPanMax - pan) / static_cast<double>(kPanMax))));
    return static_cast<LONG>(2000.0 * std::log10((pan + kPanMax) / static_cast<double>(kPanMax)));
}

int SpeedKnobPos(double rate) {
    // A tiny allowance so that a stored 0.3 (2.9999... tenths) shows as 3, as it was set. A rate from a
    // file can be anything: out of int's range the conversion would be undefined, so it is bounded first
    // (the knob then shows its end).
    const double tenths = rate * 10.0 + 1e-9;
    if (!(tenths > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return tenths < std::numeric_limits<int>::max() ? static_cast<int>(tenths)
                                                    : std::numeric_limits<int>::max();
}

int MeterLevel(int peak, int volume) {
    using show::kMeterFloor;
    double c = peak > 0 ? 20.0 * std::log10(peak / kFullScale) : kMeterFloor;
    if (c < kMeterFloor)
        c = kMeterFloor;
    const int d = static_cast<int>((c - kMeterFloor) * volume / 100.0 + kMeterFloor);
    return d < kMeterFloor ? kMeterFloor : d;
}

int FadeStep(int target, double seconds) {
    const double steps = seconds * kStepsPerSecond;
    // Fewer than one timer step (a group file may hold 0 or less): the fade ends at its first step.
    if (!(steps >= 1.0))
        return target > 1 ? target : 1;
    const int n = steps >= INT_MAX ? INT_MAX : static_cast<int>(steps);
    const int step = target / n;
    return step > 0 ? step : 1;
}
