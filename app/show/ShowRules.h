#pragma once

#include "app/res/MeterScale.h"
#include "platform/WinTypes.h"
#include "playkit/AdxTypes.h"

// The show's conversions between what the operator sets and what the players take.
namespace show {
// The loop that follows the players, steps fades and moves the meters.
inline constexpr int kTimerPeriodMs = 100;
// The meter of a channel fader, in dB below full scale.
inline constexpr int kMeterFloor = meterscale::kFloor;
// Volumes and balances as the player takes them, in hundredths of a decibel.
inline constexpr LONG kSilence = kAdxSilence;
inline constexpr LONG kFullBalance = kAdxFullBalance;
inline constexpr int kPanMax = 50;
inline constexpr int kMaxVolume = 100;
} // namespace show

// The player's attenuation in hundredths of a decibel (0 to -10000) for a channel volume 0 to 100 under
// the master volume 0 to 100: 2000 log10 of the product, truncated; -10000 when either is 0.
LONG ChannelAttenuation(int volume, int master);
// The player's balance for a pan of -50 (left) to 50 (right): the far side is attenuated by
// 2000 log10 of the distance from the edge, truncated; +-10000 at the edges.
LONG ChannelBalance(int pan);
// The SPD knob's position for a speed: tenths, truncated.
int SpeedKnobPos(double rate);
// The meter position for a peak sample 0 to 32768 at a channel volume: its dB below full scale (floor
// -48) with the 48 dB above the floor scaled by the volume, truncated.
int MeterLevel(int peak, int volume);
// How far one 100 ms timer step moves a fade to target over seconds: at least 1; a fade shorter
// than one step (or a bad time) covers the whole distance at once.
int FadeStep(int target, double seconds);
