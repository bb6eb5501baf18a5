#pragma once

#include "platform/WinTypes.h"

// The colours of the main window, shared with the control gallery that shows its controls.
namespace wincolor {

inline constexpr COLORREF kBack = RGB(64, 64, 64);
inline constexpr COLORREF kStaticText = RGB(191, 191, 191);
// Pads and switches at rest, and under the mouse ("Hi").
inline constexpr COLORREF kGreyFace = RGB(127, 127, 127);
inline constexpr COLORREF kGreyFaceHi = RGB(96, 96, 96);
// A pad whose sound is stopped, and one that plays.
inline constexpr COLORREF kStoppedFace = RGB(128, 64, 64);
inline constexpr COLORREF kStoppedFaceHi = RGB(128, 32, 32);
inline constexpr COLORREF kPlayingFace = RGB(255, 128, 128);
inline constexpr COLORREF kPlayingFaceHi = RGB(255, 96, 96);
// A pad whose sound is being auditioned on the cue output (whatever the channel itself does).
inline constexpr COLORREF kAuditionFace = RGB(255, 200, 64);
inline constexpr COLORREF kAuditionFaceHi = RGB(232, 176, 32);
// An R, FI or FO switch that is on.
inline constexpr COLORREF kSwitchOnFace = RGB(0, 162, 232);
inline constexpr COLORREF kSwitchOnFaceHi = RGB(0, 128, 198);
inline constexpr COLORREF kAllStopFace = RGB(128, 255, 128);
inline constexpr COLORREF kAllStopFaceHi = RGB(92, 255, 92);
inline constexpr COLORREF kMonitorBack = RGB(127, 127, 127);
inline constexpr COLORREF kMonitorText = RGB(255, 255, 255);

} // namespace wincolor
