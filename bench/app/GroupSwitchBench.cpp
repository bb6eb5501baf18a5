// Group switch on the real main window: stop all, close ten players, open the other group's ten through
// the loader, repaint. With --keep-playing (sounds go on across groups) the ten sounds of a third group
// play in the background all along while the shown group switches and loads ten. Run under an X server
// (xvfb-run) with QT_QPA_PLATFORM=xcb.
#include "MainWinBenchSet.h"

#include "app/main/MainDlg.h"
#include "padkit/util/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    setenv("PADORA_AUDIO", "null", 0);
    QApplication app(argc, argv);
    int switches = 40;
    bool keepPlaying = false;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--keep-playing") == 0)
            keepPlaying = true;
        else
            switches = std::atoi(argv[a]);
    }
    const QString set = MakeBenchSet(keepPlaying ? 3 : 2);
    if (set.isEmpty()) {
        std::fprintf(stderr, "could not make the sounds\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Padora.INI"));
    if (keepPlaying) {
        QFile f(ini);
        if (!f.open(QIODevice::WriteOnly) || f.write("[Show]\r\nKeepPlaying=1\r\n") < 0)
            return 1;
    }
    CMessageBoxResponder quiet; // a failure would be counted, not shown
    CMainDlg dlg(nullptr, nullptr, CSettingsFile(ini));
    dlg.Create({set});
    dlg.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QApplication::processEvents();
    if (keepPlaying) {
        // The first group's ten go on in the background from here on.
        for (int i = 0; i < CMainDlg::kChannelCount; ++i)
            dlg.PlayChannel(i);
        dlg.SelectGroup(1);
    }

    std::vector<double> ms;
    for (int k = 0; k < switches; ++k) {
        // Sounds play while the operator switches, as in a show; kept playing, they would come back
        // at the next switch instead of loading.
        if (!keepPlaying)
            for (int i = 0; i < CMainDlg::kChannelCount; ++i)
                dlg.PlayChannel(i);
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        dlg.SelectGroup(keepPlaying ? 1 + (k + 1) % 2 : (k + 1) % 2);
        dlg.repaint();
        QApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    const double median = Median(ms);
    const double largest = Largest(ms);
    std::printf("platform=%s\nswitches=%d\nbackground=%d\nfailures=%d\nswitch_median_ms=%.1f\n"
                "switch_max_ms=%.1f\nmet=%s\n",
                qPrintable(QGuiApplication::platformName()), switches, dlg.BackgroundCount(), quiet.Count(),
                median, largest, median < 60 && largest < 150 && quiet.Count() == 0 ? "yes" : "no");
    return 0;
}
