#include "padkit/util/VKeyString.h"

#include <gtest/gtest.h>

namespace {

TEST(VKeyStringTest, RangesAndTheirEdges) {
    EXPECT_EQ(PADKIT_GetVKeyString(0x30), "0");
    EXPECT_EQ(PADKIT_GetVKeyString(0x31), "1");
    EXPECT_EQ(PADKIT_GetVKeyString(0x39), "9");
    EXPECT_EQ(PADKIT_GetVKeyString(0x41), "A");
    EXPECT_EQ(PADKIT_GetVKeyString(0x5A), "Z");
    EXPECT_EQ(PADKIT_GetVKeyString(0x40), "");
    EXPECT_EQ(PADKIT_GetVKeyString(0x5B), "Left Windows");
    EXPECT_EQ(PADKIT_GetVKeyString(0x60), "Num 0");
    EXPECT_EQ(PADKIT_GetVKeyString(0x61), "Num 1");
    EXPECT_EQ(PADKIT_GetVKeyString(0x69), "Num 9");
    EXPECT_EQ(PADKIT_GetVKeyString(0x6A), "Num *");
    EXPECT_EQ(PADKIT_GetVKeyString(0x6C), "Num Enter");
    EXPECT_EQ(PADKIT_GetVKeyString(0x6F), "Num /");
    EXPECT_EQ(PADKIT_GetVKeyString(0x70), "F1");
    EXPECT_EQ(PADKIT_GetVKeyString(0x7A), "F11");
    EXPECT_EQ(PADKIT_GetVKeyString(0x87), "F24");
    EXPECT_EQ(PADKIT_GetVKeyString(0x88), "");
    EXPECT_EQ(PADKIT_GetVKeyString(0), "");
    EXPECT_EQ(PADKIT_GetVKeyString(0xBF), "");
    EXPECT_EQ(PADKIT_GetVKeyString(0x141), "") << "only the low byte range has names";
}

TEST(VKeyStringTest, NamedKeys) {
    const std::pair<UINT, const char*> named[] = {
        {0x08, "Back space"},
        {0x09, "Tab"},
        {0x0C, "Clear"},
        {0x0D, "Enter"},
        {0x10, "Shift"},
        {0x11, "Ctrl"},
        {0x12, "Alt"},
        {0x13, "Pause"},
        {0x14, "Caps Lock"},
        {0x1B, "Esc"},
        {0x20, "Space"},
        {0x21, "Page Up"},
        {0x22, "Page Down"},
        {0x23, "End"},
        {0x24, "Home"},
        {0x25, "←"},
        {0x26, "↑"},
        {0x27, "→"},
        {0x28, "↓"},
        {0x29, "Select"},
        {0x2A, "Print"},
        {0x2B, "Execute"},
        {0x2C, "Print Screen"},
        {0x2D, "Insert"},
        {0x2E, "Delete"},
        {0x2F, "Help"},
        {0x5C, "Right Windows"},
        {0x5D, "App"},
        {0x5F, "Sleep"},
        {0x6B, "Num +"},
        {0x6D, "Num -"},
        {0x6E, "Num ."},
        {0x90, "Num Lock"},
        {0x91, "Scroll Lock"},
        {0xA0, "Left Shift"},
        {0xA1, "Right Shift"},
        {0xA2, "Left Ctrl"},
        {0xA3, "Right Ctrl"},
        {0xA4, "Left Alt"},
        {0xA5, "Right Alt"},
        {0xBB, "+"},
        {0xBC, ","},
        {0xBD, "-"},
        {0xBE, "."},
    };
    for (const auto& [code, name] : named)
        EXPECT_EQ(PADKIT_GetVKeyString(code), QString::fromUtf8(name)) << code;
    int unnamed = 0;
    for (UINT code = 0; code < 0x100; ++code)
        unnamed += PADKIT_GetVKeyString(code).isEmpty() ? 1 : 0;
    EXPECT_EQ(unnamed, 256 - 10 - 26 - 10 - 24 - 48) << "no code outside the table has a name";
}

} // namespace
