#pragma once

#include "padkit/PadkitExport.h"
#include "padkit/util/EvdevKeyReader.h"
#include "padkit/util/InputDevice.h"
#include "padkit/util/KeyStroke.h"
#include "padkit/util/XKeyGrab.h"
#include "platform/WinTypes.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>

class QObject;

// Takes the keyboard of the whole desktop for pWnd: every key press and release, in any program, is
// withheld from its target and posted to pWnd as WM_KEYDOWN / WM_KEYUP (virtual-key code, keystroke
// data), in keystroke order. 1 when capture runs or will run as soon as the keyboard is free, 0 when no
// capture is possible here (no display, no readable keyboard). Install at most one at a time; the hook
// ends by itself when pWnd is destroyed. UI thread.
PADKIT_API BOOL PADKIT_SetKeyHook(QObject* pWnd);
// Ends the capture: 1 when one was installed, 0 when none was. UI thread.
PADKIT_API BOOL PADKIT_ResetKeyHook();
// Whether a key with this code is physically down (asked of the keyboards the capture reads, or of the
// X server). UI thread.
PADKIT_API BOOL PADKIT_IsKeyDown(UINT nVKey);

namespace padkit {

// Where and how keys are captured.
struct KeyCaptureConfig {
    bool bInputDevices = false; // read the keyboards' device nodes (Wayland) instead of grabbing X
    std::string strDisplay;     // X display; empty: $DISPLAY
    std::string strInputFolder = "/dev/input";
    InputDeviceOpener opener = OpenEvdevDevice;
    // Tells the user something once (the unreadable keyboards); UI thread.
    std::function<void(const QString& strText)> tell;

    // The session's own: input devices when WAYLAND_DISPLAY is set, the message in a message box.
    static KeyCaptureConfig FromEnvironment();
};

// What is said when the keyboards cannot be read.
PADKIT_API QString UnreadableKeyboardText();

// One system-wide capture at a time, by the configured path. UI thread.
class PADKIT_API CKeyCapture {
public:
    explicit CKeyCapture(KeyCaptureConfig config);
    ~CKeyCapture();

    BOOL Install(KeySink sink);
    BOOL Remove();
    bool IsInstalled() const { return m_pXGrab || m_pReader; }
    // The X grab holds, or a keyboard is grabbed.
    bool IsCapturing() const;
    bool IsKeyDown(UINT nVKey) const;

    CEvdevKeyReader* Reader() const { return m_pReader.get(); }

private:
    KeyCaptureConfig m_config;
    std::unique_ptr<CXKeyGrab> m_pXGrab;
    std::unique_ptr<CEvdevKeyReader> m_pReader;
    bool m_bTold = false;
};

} // namespace padkit
