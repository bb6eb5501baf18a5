// Group switch on the real main window: stop all, close ten players, open the other group's ten through
// the loader, repaint. Run under an X server (xvfb-run) with QT_QPA_PLATFORM=xcb.
#include "MainWinBenchSet.h"

#include "app/main/MainDlg.h"
#include "padkit/util/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("PADORA_AUDIO", "null", 0);
    QApplication app(argc, argv);
    const int switches = argc > 1 ? std::atoi(argv[1]) : 40;
    const QString set = MakeBenchSet();
    if (set.isEmpty()) {
        std::fprintf(stderr, "could not make the sounds\n");
        return 1;
    }
    QTemporaryDir dir;
    CMessageBoxResponder quiet; // a failure would be counted, not shown
    CMainDlg dlg(nullptr, nullptr, CSettingsFile(dir.filePath(QStringLiteral("Padora.INI"))));
    dlg.Create({set});
    dlg.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QApplication::processEvents();

    std::vector<double> ms;
    for (int k = 0; k < switches; ++k) {
        // Sounds play while the operator switches, as in a show.
        for (int i = 0; i < CMainDlg::kChannelCount; ++i)
            dlg.PlayChannel(i);
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        dlg.SelectGroup((k + 1) % 2);
        dlg.repaint();
        QApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    const double median = Median(ms);
    const double largest = Largest(ms);
    std::printf("platform=%s\nswitches=%d\nfailures=%d\nswitch_median_ms=%.1f\nswitch_max_ms=%.1f\nmet=%s\n",
                qPrintable(QGuiApplication::platformName()), switches, quiet.Count(), median, largest,
                median < 60 && largest < 150 && quiet.Count() == 0 ? "yes" : "no");
    return 0;
}
