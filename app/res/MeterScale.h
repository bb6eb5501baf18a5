#pragma once

// The level meter of a channel fader, in dB below full scale: it rests at the floor, and its top
// runs yellow, then red.
namespace meterscale {

inline constexpr int kFloor = -48;
inline constexpr int kYellowMin = -18;
inline constexpr int kRedMin = -8;

} // namespace meterscale
