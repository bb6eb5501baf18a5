#pragma once

#include "app/settings/Option.h"
#include "padkit/util/ShortcutKeys.h"
#include "platform/WinTypes.h"

// What a key press does in the main window, by the key assignments.
enum class EKeyRole { None, Stop, VolumeUp, VolumeDown, AllStop, GroupBack, GroupNext, Master, Channel };

struct KeyRole {
    EKeyRole role = EKeyRole::None;
    int nChannel = -1; // EKeyRole::Channel: 0 to 9
};

// The role of a key, the assignments compared in a fixed order (stop, volume up, volume down, all-stop,
// previous group, next group, master, channels 0 to 9) so that a key that holds two roles acts in the
// first only. Code 0 (no key) has none.
KeyRole FindKeyRole(const OPTIONDATA& option, UINT nVKey);

// A volume after one volume-key press: + nStep while volume-up is held, - nStep while volume-down is,
// limited to 0..100 (both held: unchanged).
int StepVolume(int nVolume, int nStep, BOOL bUp, BOOL bDown);

// The key of each role as the desktop's global shortcuts bind them (pad1 … pad10, stop, all-stop, the
// group keys, the volume keys, master). Negative codes count as no key.
padkit::ShortcutKeys ShortcutKeysOf(const OPTIONDATA& option);
