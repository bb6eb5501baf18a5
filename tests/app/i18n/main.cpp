#include "app/shell/UiTranslator.h"
#include "platform/HandOff.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("PADORA_AUDIO"))
        qputenv("PADORA_AUDIO", "null");
    platform::CApplication app(argc, argv);
    // Before any resource is looked up: the resources measure their labels in the user's language.
    CUiTranslator english(CUiSettings::Language::English);
    english.Install();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
