#include "XSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cstdio>

// After Qt: Xlib defines macros that clash with its headers.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {
// Windows come and go while the tests look at them (a loading dialog lives for a fraction of a second):
// a request about a window that has just gone fails, which is no reason to end the test program.
int IgnoreVanishedWindows(Display*, XErrorEvent* e) {
    if (e->error_code == BadWindow || e->error_code == BadDrawable || e->error_code == BadMatch)
        return 0;
    std::fprintf(stderr, "X error %d (request %d)\n", e->error_code, e->request_code);
    return 0;
}
} // namespace

XSession::XSession() : m_display(XOpenDisplay(nullptr)) {
    XSetErrorHandler(IgnoreVanishedWindows);
}

XSession::~XSession() {
    if (m_display)
        XCloseDisplay(m_display);
}

std::vector<XWindow> XSession::TopLevels() const {
    std::vector<XWindow> result;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count)) {
        result.assign(children, children + count);
        XFree(children);
    }
    return result;
}

std::vector<XWindow> XSession::WindowsOf(qint64 pid, const QString& title) const {
    const Atom pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
    std::vector<XWindow> result;
    for (Window w : TopLevels()) {
        XWindowAttributes attr;
        if (!XGetWindowAttributes(m_display, w, &attr) || attr.map_state != IsViewable)
            continue;
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_display, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &data) != Success ||
            !data)
            continue;
        const qint64 owner = items == 1 ? static_cast<qint64>(*reinterpret_cast<unsigned long*>(data)) : -1;
        XFree(data);
        if (owner == pid && (title.isNull() || Title(w) == title))
            result.push_back(w);
    }
    return result;
}

QString XSession::Title(XWindow w) const {
    const Atom nameAtom = XInternAtom(m_display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    QString title;
    if (XGetWindowProperty(m_display, w, nameAtom, 0, 1024, False, utf8, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        title = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(items));
        XFree(data);
    }
    return title;
}

QString XSession::LegacyTitle(XWindow w) const {
    // WM_NAME may be UTF8_STRING, STRING or COMPOUND_TEXT (Qt writes Japanese titles as the latter).
    XTextProperty prop{};
    QString title;
    if (!XGetWMName(m_display, w, &prop) || !prop.value)
        return title;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(m_display, &prop, &list, &count) >= Success && list) {
        if (count > 0)
            title = QString::fromUtf8(list[0]);
        XFreeStringList(list);
    }
    XFree(prop.value);
    return title;
}

QRect XSession::Geometry(XWindow w) const {
    XWindowAttributes attr;
    if (!XGetWindowAttributes(m_display, w, &attr))
        return {};
    return QRect(attr.x, attr.y, attr.width, attr.height);
}

XWindow XSession::Focus() const {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    return focus;
}

int XSession::StackIndex(XWindow w) const {
    const std::vector<XWindow> all = TopLevels();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == w)
            return static_cast<int>(i);
    }
    return -1;
}

XWindow XSession::CoverScreen() {
    const int screen = DefaultScreen(m_display);
    const Window w = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0,
                                         DisplayWidth(m_display, screen), DisplayHeight(m_display, screen), 0,
                                         BlackPixel(m_display, screen), WhitePixel(m_display, screen));
    XMapRaised(m_display, w);
    XSync(m_display, False);
    WaitFor(
        [&] {
            XWindowAttributes attr;
            return XGetWindowAttributes(m_display, w, &attr) && attr.map_state == IsViewable;
        },
        2000);
    SetFocus(w);
    return w;
}

void XSession::Destroy(XWindow w) {
    XDestroyWindow(m_display, w);
    XSync(m_display, False);
}

void XSession::SetFocus(XWindow w) {
    XSetInputFocus(m_display, w, RevertToParent, CurrentTime);
    XSync(m_display, False);
}

void XSession::PressKey(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    XSync(m_display, False);
}

void XSession::KeyDown(unsigned long keysym) {
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), True, CurrentTime);
    XSync(m_display, False);
}

void XSession::KeyUp(unsigned long keysym) {
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), False, CurrentTime);
    XSync(m_display, False);
}

void XSession::SetNumLock(bool on) {
    const unsigned mask = XkbKeysymToModifiers(m_display, XK_Num_Lock);
    XkbLockModifiers(m_display, XkbUseCoreKbd, mask, on ? mask : 0);
    XSync(m_display, False);
}

void XSession::SetAutoRepeat(int delayMs, int intervalMs) {
    XAutoRepeatOn(m_display);
    XkbSetAutoRepeatRate(m_display, XkbUseCoreKbd, static_cast<unsigned>(delayMs),
                         static_cast<unsigned>(intervalMs));
    XSync(m_display, False);
}

void XSession::MoveMouse(XWindow w, QPoint p) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, w, DefaultRootWindow(m_display), p.x(), p.y(), &x, &y, &child);
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), x, y, CurrentTime);
    XSync(m_display, False);
}

void XSession::Click(XWindow w, QPoint p, unsigned button) {
    MoveMouse(w, p);
    QThread::msleep(30);
    XTestFakeButtonEvent(m_display, button, True, CurrentTime);
    XSync(m_display, False);
    QThread::msleep(30);
    XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    XSync(m_display, False);
}

void XSession::Wheel(XWindow w, QPoint p, bool up) {
    constexpr unsigned kWheelUp = 4, kWheelDown = 5;
    MoveMouse(w, p);
    QThread::msleep(10);
    XTestFakeButtonEvent(m_display, up ? kWheelUp : kWheelDown, True, CurrentTime);
    XTestFakeButtonEvent(m_display, up ? kWheelUp : kWheelDown, False, CurrentTime);
    XSync(m_display, False);
}

void XSession::Drag(XWindow w, QPoint from, QPoint to) {
    MoveMouse(w, from);
    QThread::msleep(30);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    XSync(m_display, False);
    constexpr int kSteps = 12;
    for (int i = 1; i <= kSteps; ++i) {
        QThread::msleep(15);
        MoveMouse(w, from + (to - from) * i / kSteps);
    }
    QThread::msleep(30);
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    XSync(m_display, False);
}

void XSession::Drag(XWindow fromWindow, QPoint from, XWindow toWindow, QPoint to) {
    auto root = [this](XWindow w, QPoint p) {
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, w, DefaultRootWindow(m_display), p.x(), p.y(), &x, &y, &child);
        return QPoint(x, y);
    };
    const QPoint a = root(fromWindow, from);
    const QPoint b = root(toWindow, to);
    MoveMouse(fromWindow, from);
    QThread::msleep(50);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    XSync(m_display, False);
    // Slow enough for the drag protocol's round trips between the two programs.
    constexpr int kSteps = 30;
    for (int i = 1; i <= kSteps; ++i) {
        QThread::msleep(30);
        const QPoint p = a + (b - a) * i / kSteps;
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display), p.x(), p.y(), CurrentTime);
        XSync(m_display, False);
    }
    QThread::msleep(300);
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    XSync(m_display, False);
}

void XSession::TypeText(const QString& text) {
    const KeyCode shift = XKeysymToKeycode(m_display, XK_Shift_L);
    for (const QChar ch : text) {
        const KeySym sym = ch.unicode();
        const KeyCode code = XKeysymToKeycode(m_display, sym);
        if (!code)
            continue;
        const bool shifted = XkbKeycodeToKeysym(m_display, code, 0, 0) != sym;
        if (shifted)
            XTestFakeKeyEvent(m_display, shift, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        if (shifted)
            XTestFakeKeyEvent(m_display, shift, False, CurrentTime);
        XSync(m_display, False);
        QThread::msleep(5);
    }
}

void XSession::RequestClose(XWindow w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, w, False, NoEventMask, &e);
    XSync(m_display, False);
}

QImage XSession::Capture(XWindow w) const {
    const QRect g = Geometry(w);
    if (g.isEmpty())
        return {};
    XImage* xi = XGetImage(m_display, w, 0, 0, g.width(), g.height(), AllPlanes, ZPixmap);
    if (!xi)
        return {};
    QImage image(g.width(), g.height(), QImage::Format_RGB32);
    for (int y = 0; y < g.height(); ++y) {
        for (int x = 0; x < g.width(); ++x) {
            const unsigned long p = XGetPixel(xi, x, y);
            image.setPixel(x, y, qRgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        }
    }
    XDestroyImage(xi);
    return image;
}

bool XSession::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(20);
    }
    return true;
}
