#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <Qt>

class QKeyEvent;
struct _XDisplay;

// The one mapping between the keys of this desktop (X keysyms, Qt key events, input-device key codes)
// and the Windows virtual-key codes that settings files, key messages and PADKIT_GetVKeyString use.
// Keypad keys follow Num Lock as on the desktop the codes come from: with Num Lock on they give the
// keypad digits (0x60 to 0x69) and the decimal point, with it off (or with Shift held) the navigation
// codes of the same keys (End, Down, Page Down, ..., Clear for keypad 5, Insert, Delete).
namespace padkit {

inline constexpr UINT kVkShift = 0x10;
inline constexpr UINT kVkControl = 0x11;
inline constexpr UINT kVkMenu = 0x12; // Alt
inline constexpr UINT kVkNumLock = 0x90;

// The code of an X keysym; 0 when it has none. The keysym should be the key's unshifted one, except on
// the keypad, where it is the one Num Lock selects (KP_1 or KP_End).
PADKIT_API UINT VKeyFromKeysym(unsigned long keysym);

// The code of an X key press or release: keycode and the event's modifier state, looked up in the
// server's key map of that display. Any thread that owns the connection.
PADKIT_API UINT VKeyFromXKey(_XDisplay* pDisplay, unsigned keycode, unsigned state);

// The keysym that produces a code (the keypad digit keysyms for 0x60 to 0x69); 0 for none.
PADKIT_API unsigned long KeysymFromVKey(UINT nVKey);

// The code of a Qt key; the keypad modifier tells the keypad's keys from the main keyboard's. Shifted
// symbols of a US layout give their key's code ("!" is the key "1"). 0 when it has none.
PADKIT_API UINT VKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

// The code of a key event. Under X the key's own keysyms are asked (so any layout's shifted symbols
// map to their key); on Wayland the event's keysym and Qt key (VKeyFromKeysymEvent); elsewhere the
// event's Qt key.
PADKIT_API UINT VKeyFromKeyEvent(const QKeyEvent& event);

// The code of a key event whose native virtual key is an xkb keysym, as on Wayland: keypad keys by
// their keysym (KP_1 gives 0x61, KP_End 0x23, whatever Qt made of them), other keys by their Qt key,
// keys Qt has no name for by their keysym. The native scan code is not looked at.
PADKIT_API UINT VKeyFromKeysymEvent(const QKeyEvent& event);

// The Qt key a code stands for (main keyboard; keypad digits come with Qt::KeypadModifier in
// *pModifiers when given). Qt::Key_unknown for none.
PADKIT_API int QtKeyFromVKey(UINT nVKey, Qt::KeyboardModifiers* pModifiers = nullptr);

// A key of the keyboard as the kernel's input layer numbers it (KEY_*), with its PC scan code.
struct InputKey {
    UINT nScanCode = 0;     // set-1 make code without the E0 prefix
    bool bExtended = false; // E0-prefixed: right Ctrl/Alt, the arrow block, keypad Enter and /
    UINT nVKey = 0;         // the code; for the keypad the one with Num Lock on
    UINT nVKeyNav = 0;      // keypad keys only: the code with Num Lock off; else 0
};

// The key of an input-device key code (KEY_* of linux/input-event-codes.h); a key with no code has
// nVKey 0. X servers number the same keys 8 higher (X keycode = input code + 8).
PADKIT_API InputKey InputKeyFromCode(unsigned nCode);

// The code of an input-device key with the given Num Lock and Shift state (Shift reverses Num Lock on
// the keypad, as on the desktop).
PADKIT_API UINT VKeyFromInputCode(unsigned nCode, bool bNumLock, bool bShift);

} // namespace padkit
