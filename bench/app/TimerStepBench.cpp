// The main window's 100 ms step with ten channels playing and their peak levels arriving: the time of
// each step (play state, play time, fades) and the UI thread's CPU time per 100 ms, peaks and repaints
// included. Run under an X server (xvfb-run) with QT_QPA_PLATFORM=xcb, or offscreen.
#include "MainWinBenchSet.h"

#include "app/main/MainDlg.h"
#include "padkit/util/MessageBox.h"
#include "platform/Message.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Counts the peak messages the window takes.
class PeakCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == platform::MessageEvent::eventType() &&
            static_cast<platform::MessageEvent*>(e)->message() == CMainDlg::WM_PEAK_NOTIFY)
            ++count;
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    setenv("PADORA_AUDIO", "null", 0);
    QApplication app(argc, argv);
    const int steps = argc > 1 ? std::atoi(argv[1]) : 100;
    const QString set = MakeBenchSet();
    if (set.isEmpty()) {
        std::fprintf(stderr, "could not make the sounds\n");
        return 1;
    }
    QTemporaryDir dir;
    CMessageBoxResponder quiet;
    CMainDlg dlg(nullptr, nullptr, CSettingsFile(dir.filePath(QStringLiteral("Padora.INI"))));
    dlg.Create({set});
    dlg.show();
    PeakCounter peaks;
    dlg.installEventFilter(&peaks);
    // The window's own timer is replaced by one that measures each step.
    dlg.PlayTimer().stop();
    for (int i = 0; i < CMainDlg::kChannelCount; ++i)
        dlg.PlayChannel(i);

    std::vector<double> stepMs;
    std::vector<double> windowCpuMs;
    double lastCpu = ThreadCpuMs();
    int done = 0;
    QTimer timer;
    timer.setInterval(CMainDlg::kTimerPeriodMs);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QElapsedTimer t;
        t.start();
        dlg.RefreshPlayState();
        dlg.RefreshPlayTime();
        dlg.StepFades();
        stepMs.push_back(t.nsecsElapsed() / 1e6);
        const double cpu = ThreadCpuMs();
        windowCpuMs.push_back(cpu - lastCpu);
        lastCpu = cpu;
        if (++done >= steps)
            QCoreApplication::exit(0); // quit() would ask the window to close
    });
    timer.start();
    app.exec();
    // The first windows still carry the start-up.
    windowCpuMs.erase(windowCpuMs.begin(),
                      windowCpuMs.begin() + std::min<std::size_t>(5, windowCpuMs.size()));
    std::printf("platform=%s\nsteps=%d\npeak_messages_per_s=%.0f\nstep_median_ms=%.3f\nstep_max_ms=%.3f\n"
                "ui_cpu_per_100ms_median_ms=%.3f\nui_cpu_per_100ms_max_ms=%.3f\nmet=%s\n",
                qPrintable(QGuiApplication::platformName()), steps, peaks.count / (steps * 0.1),
                Median(stepMs), Largest(stepMs), Median(windowCpuMs), Largest(windowCpuMs),
                Median(stepMs) < 0.5 ? "yes" : "no");
    return 0;
}
