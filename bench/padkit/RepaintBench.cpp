// Time to repaint ten level faders at a new level, as the main window's meters do many times a second.
// Prints name=value lines. Run with QT_QPA_PLATFORM=offscreen for a display-free figure and with
// QT_SCALE_FACTOR=2 for a scaled screen.

#include "padkit/controls/LevelFaderCtrl.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

constexpr int kFaders = 10;

// Counts the paints the faders receive, to be sure every iteration repaints all ten.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Stats {
    double mean = 0, median = 0, p99 = 0, max = 0;
};

Stats Summarise(std::vector<double> ms) {
    Stats s;
    std::sort(ms.begin(), ms.end());
    s.mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
    s.median = ms[ms.size() / 2];
    s.p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    s.max = ms.back();
    return s;
}

int LevelFor(int iteration, int fader) {
    return -48 + (iteration * 7 + fader * 5) % 49;
}

void Print(const char* name, const Stats& s, double paintsPerIteration) {
    std::printf(
        "%s_ms_median=%.4f\n%s_ms_mean=%.4f\n%s_ms_p99=%.4f\n%s_ms_max=%.4f\n%s_paints_per_iteration=%.2f\n",
        name, s.median, name, s.mean, name, s.p99, name, s.max, name, paintsPerIteration);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Repaint time of ten level faders."));
    parser.addHelpOption();
    const QCommandLineOption iterationsOpt(QStringLiteral("iterations"), QStringLiteral("Timed iterations."),
                                           QStringLiteral("n"), QStringLiteral("2000"));
    parser.addOption(iterationsOpt);
    parser.process(app);
    const int iterations = std::max(10, parser.value(iterationsOpt).toInt());

    QWidget window;
    auto* row = new QHBoxLayout(&window);
    std::vector<CLevelFaderCtrl*> faders;
    PaintCounter counter;
    for (int i = 0; i < kFaders; ++i) {
        auto* f = new CLevelFaderCtrl(&window);
        f->setFixedSize(32, 160);
        f->SetLevelRange(-48, 0);
        f->SetLevelRangeR(-8, 0);
        f->SetLevelRangeY(-18, -8);
        f->SetLevelRangeG(-48, -18);
        f->installEventFilter(&counter);
        row->addWidget(f);
        faders.push_back(f);
    }
    window.show();
    QApplication::processEvents();

    // The program's path: set the ten levels, then let the event loop paint what changed.
    auto viaEventLoop = [&](int it) {
        for (int k = 0; k < kFaders; ++k)
            faders[static_cast<size_t>(k)]->SetLevelPos(LevelFor(it, k));
        QApplication::processEvents();
    };
    // Whole faders painted at once, thumb and all.
    auto viaRepaint = [&](int it) {
        for (int k = 0; k < kFaders; ++k) {
            faders[static_cast<size_t>(k)]->SetLevelPos(LevelFor(it, k));
            faders[static_cast<size_t>(k)]->repaint();
        }
    };

    auto run = [&](const char* name, auto&& step) {
        for (int i = 0; i < 200; ++i)
            step(i);
        counter.paints = 0;
        std::vector<double> ms;
        ms.reserve(static_cast<size_t>(iterations));
        QElapsedTimer timer;
        for (int i = 0; i < iterations; ++i) {
            timer.start();
            step(i + 1);
            ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        Print(name, Summarise(ms), static_cast<double>(counter.paints) / iterations);
    };

    std::printf("faders=%d\niterations=%d\ndevice_pixel_ratio=%.2f\nplatform=%s\nstyle=%s\n", kFaders,
                iterations, window.devicePixelRatioF(), qPrintable(QGuiApplication::platformName()),
                qPrintable(QApplication::style()->name()));
    run("ten_faders_event_loop", viaEventLoop);
    run("ten_faders_repaint", viaRepaint);
    return 0;
}
