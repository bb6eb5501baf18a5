#include <QGuiApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The test's own Qt only measures fonts; the program under test gets the X display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
