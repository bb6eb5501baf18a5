#include "app/shell/PadoraApp.h"

#include <QApplication>

int CPadoraApp::Run(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
