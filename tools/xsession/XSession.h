#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

// Xlib's types without its macros, which clash with Qt's headers.
struct _XDisplay;
using XWindow = unsigned long;

// The X display the tests and the monkey run on (xvfb-run's): finds the program's windows, looks at them,
// and drives them with real input, as an operator's desktop would.
class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool IsOpen() const { return m_display != nullptr; }

    // Top-level windows from bottom to top.
    std::vector<XWindow> TopLevels() const;
    // Mapped top-level windows of a process, optionally with an exact title.
    std::vector<XWindow> WindowsOf(qint64 pid, const QString& title = QString()) const;
    // The title as a window manager reads it: _NET_WM_NAME, and the older WM_NAME.
    QString Title(XWindow w) const;
    QString LegacyTitle(XWindow w) const;
    QRect Geometry(XWindow w) const;
    XWindow Focus() const;
    // Position in the stacking order (higher is nearer the top), -1 when not a top-level window.
    int StackIndex(XWindow w) const;

    // A plain window of the test's own that covers the screen, raised and given the focus.
    XWindow CoverScreen();
    void Destroy(XWindow w);

    void SetFocus(XWindow w);
    // Presses and releases a key through the XTEST extension.
    void PressKey(unsigned long keysym);
    // Holds a key down or lets it go (XTEST), for keys held together.
    void KeyDown(unsigned long keysym);
    void KeyUp(unsigned long keysym);
    // Num Lock's state on the server (the keypad digits need it on).
    void SetNumLock(bool on);
    // Auto-repeat of held keys: first repeat after delayMs, then every intervalMs.
    void SetAutoRepeat(int delayMs, int intervalMs);
    // The mouse, at points of a window (window coordinates), through the XTEST extension.
    void MoveMouse(XWindow w, QPoint p);
    // button: 1 left, 2 middle, 3 right.
    void Click(XWindow w, QPoint p, unsigned button = 1);
    // One notch of the mouse wheel (buttons 4 and 5).
    void Wheel(XWindow w, QPoint p, bool up);
    // Presses at from, moves to to in small steps, releases.
    void Drag(XWindow w, QPoint from, QPoint to);
    // The same from a point of one window to a point of another (a file dragged onto a program).
    void Drag(XWindow fromWindow, QPoint from, XWindow toWindow, QPoint to);
    // Types printable ASCII text into the window that has the focus.
    void TypeText(const QString& text);
    // Asks the window to close as a window manager does (WM_DELETE_WINDOW).
    void RequestClose(XWindow w);

    QImage Capture(XWindow w) const;

    // Polls until done() or the timeout. True when done.
    static bool WaitFor(const std::function<bool()>& done, int timeoutMs);

private:
    _XDisplay* m_display = nullptr;
};
