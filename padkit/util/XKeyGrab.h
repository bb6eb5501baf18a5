#pragma once

#include "padkit/PadkitExport.h"
#include "padkit/util/KeyStroke.h"
#include "padkit/util/UiWatchdog.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

struct _XDisplay;

namespace padkit {

// Captures the keyboard of an X display: an active grab on the root window, held by a thread with a
// display connection of its own, withholds every key from every other client and hands each press and
// release to the sink. A grab that fails because another client holds the keyboard for a moment (an
// open menu, a drag) is tried again in the background until it holds or the capture ends. With a
// watchdog, the grab is let go while the UI thread stops answering (the keys held then are posted as
// released) and taken again once it answers.
class PADKIT_API CXKeyGrab {
public:
    static constexpr int kRetryMs = 50;

    // Null when the display cannot be opened. displayName empty: $DISPLAY. UI thread.
    static std::unique_ptr<CXKeyGrab> Open(const std::string& displayName, KeySink sink,
                                           std::unique_ptr<CUiWatchdog> pWatchdog = nullptr);
    // Releases the grab; no sink call happens after it returns. UI thread.
    ~CXKeyGrab();
    CXKeyGrab(const CXKeyGrab&) = delete;
    CXKeyGrab& operator=(const CXKeyGrab&) = delete;

    // Whether the grab holds at the moment. Any thread.
    bool IsGrabbed() const { return m_bGrabbed.load(std::memory_order_acquire); }

    // Whether a key with this code is physically down on the display, as the server sees it (keypad
    // keys by the current Num Lock state). Any thread that owns pDisplay.
    static bool IsKeyDown(_XDisplay* pDisplay, UINT nVKey);

private:
    CXKeyGrab(_XDisplay* pDisplay, int nWakeFd, KeySink sink, std::unique_ptr<CUiWatchdog> pWatchdog);
    void Run(); // the capture thread
    void Handle(const void* pXEvent);
    void LetGo();

    _XDisplay* m_pDisplay;
    int m_nWakeFd;
    KeySink m_sink;
    std::unique_ptr<CUiWatchdog> m_pWatchdog;
    CKeyStroke m_stroke;
    std::array<UINT, 256> m_aPressedVKey{}; // the code each held keycode went down with
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bGrabbed{false};
    std::thread m_thread;
};

} // namespace padkit
