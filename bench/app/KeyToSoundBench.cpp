// Key to sound: from an XTEST press of keypad 1 (another window has the focus, background capture on) to
// the first sounding frame of channel 0 in padora's record: output. Run on an X display, for instance
//   xvfb-run -a build/bin/padora-bench-keys [PRESSES]
#include "SoundOnsetProbe.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr double kTargetP99Ms = 12.0;

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    Display* pDisplay = XOpenDisplay(nullptr);
    if (!pDisplay) {
        std::fprintf(stderr, "padora-bench-keys: no X display (run it under xvfb-run -a)\n");
        return 2;
    }
    CSoundOnsetProbe probe("padora-bench-keys");
    if (!probe.Start({{"PADORA_OSC_PORT", "0"}})) // not competing for the OSC port
        return 1;

    // Another window in front with the focus; Num Lock on for the keypad digits.
    const Window window = XCreateSimpleWindow(pDisplay, DefaultRootWindow(pDisplay), 0, 0, 100, 100, 0, 0, 0);
    XMapRaised(pDisplay, window);
    XSync(pDisplay, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    XSetInputFocus(pDisplay, window, RevertToParent, CurrentTime);
    const unsigned numLock = XkbKeysymToModifiers(pDisplay, XK_Num_Lock);
    XkbLockModifiers(pDisplay, XkbUseCoreKbd, numLock, numLock);
    XSync(pDisplay, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    const KeyCode kp1 = XKeysymToKeycode(pDisplay, XK_KP_1);
    const bool pressed = probe.Press(presses, [&] {
        XTestFakeKeyEvent(pDisplay, kp1, True, CurrentTime);
        XFlush(pDisplay);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        XTestFakeKeyEvent(pDisplay, kp1, False, CurrentTime);
        XFlush(pDisplay);
        return true;
    });
    const CSoundOnsetProbe::Result result = probe.Finish();
    return pressed && probe.Report(result, "key_to_sound", kTargetP99Ms) ? 0 : 1;
}
