#include "platform/HandOff.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // No test plays on a real sound card: without a device the engine would keep looking for one
    // (every 2 s, also on any JACK server a test runs) for the whole run. Tests that want another
    // output choose it themselves.
    if (qEnvironmentVariableIsEmpty("PADORA_AUDIO"))
        qputenv("PADORA_AUDIO", "null");
    platform::CApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
