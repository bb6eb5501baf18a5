#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QString>

#include <array>

namespace padkit {

// The roles that a desktop's global shortcuts stand for, one shortcut each.
enum class EShortcut {
    Pad1,
    Pad10 = Pad1 + 9,
    Stop,
    AllStop,
    GroupPrev,
    GroupNext,
    VolumeUp,
    VolumeDown,
    Master,
};
inline constexpr int kShortcutCount = static_cast<int>(EShortcut::Master) + 1;

// The ids the desktop keeps the user's bindings under, in EShortcut order: pad1 … pad10, stop,
// allstop, group-prev, group-next, volume-up, volume-down, master. They never change.
PADKIT_API const std::array<const char*, kShortcutCount>& ShortcutIds();
// The role of an id; -1 for an id that is none of ours.
PADKIT_API int ShortcutIndex(const QString& strId);

// The key code each role has in the settings (0: no key), in EShortcut order.
struct ShortcutKeys {
    std::array<UINT, kShortcutCount> aVKey{};
    bool operator==(const ShortcutKeys&) const = default;
};

// What the desktop tells of each role's binding (empty: not bound, or not told), in EShortcut order.
using ShortcutTriggers = std::array<QString, kShortcutCount>;

// A key code in the syntax of desktop shortcut triggers: the xkbcommon keysym name ("KP_1", "F5",
// "a", "Control_L"). Empty for no key or a code with no keysym.
PADKIT_API QString PreferredTrigger(UINT nVKey);

} // namespace padkit
