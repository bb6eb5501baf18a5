// Start-up of `padora examples/demo.pdg` to the first painted main window with its sounds loaded: the
// time from starting the process until the X server shows the window with the first pad in the loaded
// colour. Run under an X server (xvfb-run).
#include "MainWinBenchSet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

namespace {

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

QString Title(Display* d, Window w) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    QString title;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 64, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        title = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(items));
        XFree(data);
    }
    return title;
}

long PidOf(Display* d, Window w) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                           &format, &items, &after, &data) == Success &&
        data) {
        pid = items == 1 ? static_cast<long>(*reinterpret_cast<unsigned long*>(data)) : -1;
        XFree(data);
    }
    return pid;
}

// The main window of pid once it is shown with its first pad painted in the loaded colour (dark red).
bool Ready(Display* d, long pid) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n))
        return false;
    bool ready = false;
    for (unsigned int i = 0; i < n && !ready; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable ||
            PidOf(d, children[i]) != pid || Title(d, children[i]) != QStringLiteral("Padora"))
            continue;
        // Pad 1 sits at the lower left: look along a line across it for the loaded colour.
        const int y = a.height - a.height / 30;
        for (int x = 4; x < a.width / 12 && !ready; x += 3) {
            XImage* img = XGetImage(d, children[i], x, y, 1, 1, AllPlanes, ZPixmap);
            if (!img)
                continue;
            const unsigned long p = XGetPixel(img, 0, 0);
            XDestroyImage(img);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF;
            ready = r > 90 && r < 170 && r - g > 30;
        }
    }
    XFree(children);
    return ready;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    std::vector<double> ms;
    for (int k = 0; k < runs; ++k) {
        QTemporaryDir work, runtime;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("PADORA_AUDIO"), QStringLiteral("null"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QStringLiteral(PADORA_SOURCE_DIR));
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral(PADORA_BIN), {QStringLiteral("examples/demo.pdg")});
        p.waitForStarted();
        bool ok = false;
        while (t.elapsed() < 10000 && !(ok = Ready(d, p.processId())))
            QThread::usleep(2000);
        if (ok)
            ms.push_back(t.nsecsElapsed() / 1e6);
        p.kill();
        p.waitForFinished();
    }
    XCloseDisplay(d);
    std::printf("runs=%d\nshown=%zu\nstartup_median_ms=%.0f\nstartup_max_ms=%.0f\nmet=%s\n", runs, ms.size(),
                Median(ms), Largest(ms), !ms.empty() && Median(ms) < 500 ? "yes" : "no");
    return 0;
}
