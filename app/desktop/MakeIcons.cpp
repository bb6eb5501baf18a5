// Build tool: draws the program's icon into an icon theme folder, one PNG per size asked for
// (<dir>/<n>x<n>/apps/padora.png), so that desktops show the same mark as the window.
#include "app/res/Resources.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: padora-make-icons THEME_DIR SIZE...\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "padora-make-icons: not an icon size: %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString file = dir + QStringLiteral("/padora.png");
        if (!QDir().mkpath(dir) || !AppIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "padora-make-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
