#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <bitset>
#include <functional>

namespace padkit {

// Where captured keystrokes go: WM_KEYDOWN / WM_KEYUP, the virtual-key code and the keystroke-data
// word. Called on the capture thread, in keystroke order.
using KeySink = std::function<void(UINT nMessage, WPARAM wParam, LPARAM lParam)>;

// Bits of the keystroke-data word (lParam of a key message).
inline constexpr DWORD kKeyDataRepeatOne = 0x00000001;
inline constexpr int kKeyDataScanShift = 16;
inline constexpr DWORD kKeyDataExtended = 1u << 24;
inline constexpr DWORD kKeyDataAlt = 1u << 29;
inline constexpr DWORD kKeyDataPrevious = 1u << 30; // the key was down before this message
inline constexpr DWORD kKeyDataRelease = 1u << 31;

// The up/down state of the physical keys of one capture, which turns each press or release into the
// key message the desktop would send: an auto-repeated press has the previous-state bit, a release
// has bits 30 and 31, bit 29 is set while an Alt key is down. Used by one capture thread only.
class PADKIT_API CKeyStroke {
public:
    static constexpr unsigned kKeyCount = 1024; // input codes up to KEY_MAX, X keycodes up to 255

    struct Message {
        UINT nMessage;
        WPARAM wParam;
        LPARAM lParam;
    };

    // A press (auto-repeated or not) or a release of the physical key nKey (an X keycode or an input
    // code), whose code is nVKey.
    Message Make(unsigned nKey, UINT nVKey, UINT nScanCode, bool bExtended, bool bPress);

    bool IsDown(unsigned nKey) const { return nKey < kKeyCount && m_down.test(nKey); }
    bool AnyDown() const { return m_down.any(); }
    void Reset();

private:
    std::bitset<kKeyCount> m_down;
    std::bitset<kKeyCount> m_altDown;
};

} // namespace padkit
