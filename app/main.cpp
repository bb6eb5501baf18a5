#include "app/shell/PadoraApp.h"

int main(int argc, char** argv) {
    CPadoraApp app;
    return app.Run(argc, argv);
}
