// Another program on the desktop for the key tests: a window that takes the focus and prints each key it
// receives ("press 0xffb1"), so a test can tell whether keys reached it or were captured.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

int main() {
    Display* pDisplay = XOpenDisplay(nullptr);
    if (!pDisplay)
        return 1;
    const Window window =
        XCreateSimpleWindow(pDisplay, DefaultRootWindow(pDisplay), 600, 0, 200, 100, 0, 0, 0xFFFFFF);
    XStoreName(pDisplay, window, "keylog");
    XSelectInput(pDisplay, window, KeyPressMask | StructureNotifyMask);
    XMapRaised(pDisplay, window);
    for (;;) {
        XEvent event;
        XNextEvent(pDisplay, &event);
        if (event.type == MapNotify) {
            XSetInputFocus(pDisplay, window, RevertToParent, CurrentTime);
            XSync(pDisplay, False);
            std::printf("ready 0x%lx\n", window);
        } else if (event.type == KeyPress) {
            std::printf("press 0x%lx\n", XLookupKeysym(&event.xkey, 0));
        }
        std::fflush(stdout);
    }
}
