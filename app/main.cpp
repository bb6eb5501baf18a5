#include "app/shell/PadoraApp.h"
#include "platform/Allocator.h"

int main(int argc, char** argv) {
    platform::SetUpAllocator(); // before Qt or the engine start a thread
    CPadoraApp app;
    return app.Run(argc, argv);
}
