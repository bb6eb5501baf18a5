// Prints where the controls of one of Padora's dialog resources sit, in pixels of the dialog's client
// area, as the program lays them out: a line "client <width> <height>", then one line
// "<id> <x> <y> <width> <height>" per control. Scripts use it to click a control of the real window.
//   padora-dialog-layout <dialog id>      (QT_QPA_PLATFORM=offscreen needs no display)
#include "app/res/Resources.h"
#include "platform/DialogTemplate.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool ok = false;
    const int id = args.size() == 2 ? args[1].toInt(&ok) : 0;
    const platform::DialogTemplate* tmpl = ok ? FindDialogResource(id) : nullptr;
    QTextStream out(stdout);
    if (!tmpl) {
        QTextStream(stderr) << "usage: padora-dialog-layout <dialog id>  (e.g. " << IDD_PADORA_DIALOG
                            << ", the main window)\n";
        return 2;
    }
    const QSize base = platform::DialogBaseUnits(platform::DialogFont(tmpl->fontName, tmpl->fontPointSize));
    const QSize client = platform::DialogUnitsToPixels(tmpl->size, base);
    out << "client " << client.width() << ' ' << client.height() << '\n';
    for (const platform::ControlTemplate& c : tmpl->controls) {
        const QRect r = platform::DialogUnitsToPixels(c.rect, base);
        out << c.id << ' ' << r.x() << ' ' << r.y() << ' ' << r.width() << ' ' << r.height() << '\n';
    }
    return 0;
}
