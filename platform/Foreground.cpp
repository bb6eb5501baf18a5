#include "platform/Foreground.h"

#include <QGuiApplication>
#include <QWidget>

// After Qt: Xlib defines macros that clash with its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {

namespace {

bool WindowManagerSupports(Display* dpy, Atom feature) {
    const Atom supported = XInternAtom(dpy, "_NET_SUPPORTED", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), supported, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &after, &data) != Success ||
        !data)
        return false;
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    bool found = false;
    for (unsigned long i = 0; i < count && !found; ++i)
        found = atoms[i] == feature;
    XFree(data);
    return found;
}

// Qt stamps its own focus requests with the time of the last X event it saw, which the server ignores
// when someone changed the focus since; a request that did not come from an X event needs the current
// time instead.
void ForegroundOnX11(Display* dpy, Window win) {
    const Atom activeWindow = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    if (WindowManagerSupports(dpy, activeWindow)) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = win;
        e.xclient.message_type = activeWindow;
        e.xclient.format = 32;
        e.xclient.data.l[0] = 2; // on the user's behalf, like a task bar
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else {
        XRaiseWindow(dpy, win);
        XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
    }
    XFlush(dpy);
}

} // namespace

void SetForegroundWindow(QWidget* window) {
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->display())
        ForegroundOnX11(x11->display(), static_cast<Window>(window->winId()));
}

} // namespace platform
