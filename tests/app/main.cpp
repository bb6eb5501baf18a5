#include "playkit/AdxEngine.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // No test plays to a device: sounds are mixed only when a test renders them.
    playkit::AdxEngineConfig config;
    config.backend = playkit::AdxBackend::Offline;
    playkit::CAdxEngine::Configure(config);
    return RUN_ALL_TESTS();
}
