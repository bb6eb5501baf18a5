#pragma once

#include "padkit/PadkitExport.h"
#include "padkit/util/EvdevKeyReader.h"
#include "padkit/util/InputDevice.h"
#include "padkit/util/KeyStroke.h"
#include "padkit/util/ShortcutKeys.h"
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

class CPortalShortcuts;

// The key code of each role, for a capture through the desktop's global shortcuts, which binds roles
// rather than taking every key. Takes effect at once for the codes posted, and for the desktop at its
// next binding. UI thread.
PADKIT_API void SetHookShortcutKeys(const ShortcutKeys& keys);
// Whether the last capture went through the desktop's global shortcuts, and what the desktop said each
// role is bound to (kept after the capture ends). UI thread.
PADKIT_API bool HookUsesPortal();
PADKIT_API ShortcutTriggers HookShortcutTriggers();

// Where and how keys are captured.
struct KeyCaptureConfig {
    bool bInputDevices = false; // read the keyboards' device nodes (Wayland) instead of grabbing X
    bool bPortal = false;       // before the devices, try the desktop's global shortcuts (Wayland)
    QString strBusAddress;      // the D-Bus session bus of the portal; empty: the session's own
    std::string strDisplay;     // X display; empty: $DISPLAY
    std::string strInputFolder = "/dev/input";
    InputDeviceOpener opener = OpenEvdevDevice;
    // Tells the user something once (the unreadable keyboards); UI thread.
    std::function<void(const QString& strText)> tell;

    // The session's own: the portal and then input devices when WAYLAND_DISPLAY is set, the message
    // in a message box.
    static KeyCaptureConfig FromEnvironment();
};

// What is said when the keyboards cannot be read (and, where the portal was tried, it was not offered
// either).
PADKIT_API QString UnreadableKeyboardText(bool bPortalTried = false);
// What is said when the portal stops serving; bDevices: the keyboards are read instead.
PADKIT_API QString PortalLostText(bool bDevices);

// One system-wide capture at a time, by the configured path. UI thread.
class PADKIT_API CKeyCapture {
public:
    explicit CKeyCapture(KeyCaptureConfig config);
    ~CKeyCapture();

    BOOL Install(KeySink sink);
    // Lets the keys go. A portal session stays bound but muted, for the next Install to take up again
    // (so that the desktop is not asked to bind again for every dialog); Close ends it.
    BOOL Remove();
    void Close();
    bool IsInstalled() const { return m_pXGrab || m_pReader || (m_pPortal && !m_bParked); }
    bool HasParkedSession() const { return m_pPortal && m_bParked; }
    // The X grab holds, or a keyboard is grabbed.
    bool IsCapturing() const;
    bool IsKeyDown(UINT nVKey) const;

    CEvdevKeyReader* Reader() const { return m_pReader.get(); }
    CPortalShortcuts* Portal() const { return m_pPortal.get(); }

    void SetShortcutKeys(const ShortcutKeys& keys);
    // Whether the last install went through the portal, and the bindings it told (kept after Remove).
    bool UsedPortal() const { return m_bUsedPortal; }
    const ShortcutTriggers& Triggers() const { return m_triggers; }

private:
    bool InstallPortal();
    BOOL InstallReader(bool bPortalTried);
    void PortalEnded();

    KeyCaptureConfig m_config;
    KeySink m_sink;
    ShortcutKeys m_keys;
    std::unique_ptr<CXKeyGrab> m_pXGrab;
    std::unique_ptr<CEvdevKeyReader> m_pReader;
    std::unique_ptr<CPortalShortcuts> m_pPortal;
    ShortcutTriggers m_triggers;
    bool m_bUsedPortal = false;
    bool m_bParked = false; // m_pPortal is muted, between a Remove and the next Install
    bool m_bTold = false;
    bool m_bToldLost = false;
};

} // namespace padkit
