#include "padkit/util/KeyTable.h"
#include "padkit/util/VKeyString.h"

#include <QKeyEvent>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

namespace {

using namespace padkit;

// Every code that has a name can be reached from a keysym and back, and from a Qt key and back, so
// that a key captured anywhere shows under the name it was assigned with.
TEST(KeyTableTest, EveryNamedCodeRoundTripsThroughKeysymsAndQtKeys) {
    int named = 0;
    for (UINT vk = 1; vk < 0x100; ++vk) {
        if (PADKIT_GetVKeyString(vk).isEmpty())
            continue;
        ++named;
        // Codes a Windows keyboard sends but no X key produces as such.
        if (vk == 0x2A || vk == 0xA0 || vk == 0xA1 || vk == 0xA2 || vk == 0xA3 || vk == 0xA4 || vk == 0xA5)
            continue;
        const unsigned long keysym = KeysymFromVKey(vk);
        ASSERT_NE(keysym, 0UL) << "no keysym for " << std::hex << vk;
        EXPECT_EQ(VKeyFromKeysym(keysym), vk) << std::hex << vk;
        if (vk == 0x6C) // the keypad separator has no Qt key
            continue;
        Qt::KeyboardModifiers modifiers;
        const int qtKey = QtKeyFromVKey(vk, &modifiers);
        ASSERT_NE(qtKey, Qt::Key_unknown) << std::hex << vk;
        EXPECT_EQ(VKeyFromQtKey(qtKey, modifiers), vk) << std::hex << vk;
    }
    EXPECT_GT(named, 100);
}

TEST(KeyTableTest, KeysymsGiveTheKeysPositionCode) {
    EXPECT_EQ(VKeyFromKeysym(XK_a), 'A');
    EXPECT_EQ(VKeyFromKeysym(XK_Z), 'Z');
    EXPECT_EQ(VKeyFromKeysym(XK_1), '1');
    EXPECT_EQ(VKeyFromKeysym(XK_KP_1), 0x61u);
    EXPECT_EQ(VKeyFromKeysym(XK_KP_0), 0x60u);
    EXPECT_EQ(VKeyFromKeysym(XK_Control_L), kVkControl);
    EXPECT_EQ(VKeyFromKeysym(XK_Control_R), kVkControl);
    EXPECT_EQ(VKeyFromKeysym(XK_Alt_R), kVkMenu);
    EXPECT_EQ(VKeyFromKeysym(XK_KP_Enter), 0x0Du);
    EXPECT_EQ(VKeyFromKeysym(XK_F24), 0x87u);
    EXPECT_EQ(VKeyFromKeysym(XK_plus), 0xBBu);
    EXPECT_EQ(VKeyFromKeysym(XK_VoidSymbol), 0u);
    EXPECT_EQ(VKeyFromKeysym(0), 0u);
}

// Num Lock off, the keypad gives the navigation codes, not its digits.
TEST(KeyTableTest, KeypadWithoutNumLockGivesNavigationCodes) {
    EXPECT_EQ(VKeyFromKeysym(XK_KP_End), 0x23u);
    EXPECT_EQ(VKeyFromKeysym(XK_KP_Down), 0x28u);
    EXPECT_EQ(VKeyFromKeysym(XK_KP_Begin), 0x0Cu);
    EXPECT_EQ(VKeyFromKeysym(XK_KP_Insert), 0x2Du);
    EXPECT_EQ(VKeyFromKeysym(XK_KP_Delete), 0x2Eu);

    EXPECT_EQ(VKeyFromQtKey(Qt::Key_1, Qt::KeypadModifier), 0x61u);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_End, Qt::KeypadModifier), 0x23u);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_Clear, Qt::KeypadModifier), 0x0Cu);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_Enter, Qt::KeypadModifier), 0x0Du);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_Asterisk, Qt::KeypadModifier), 0x6Au);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_Asterisk, Qt::NoModifier), '8') << "Shift+8 of the main block";

    // Input devices: the reader keeps Num Lock itself; Shift reverses it on the keypad.
    EXPECT_EQ(VKeyFromInputCode(KEY_KP1, true, false), 0x61u);
    EXPECT_EQ(VKeyFromInputCode(KEY_KP1, false, false), 0x23u);
    EXPECT_EQ(VKeyFromInputCode(KEY_KP1, true, true), 0x23u);
    EXPECT_EQ(VKeyFromInputCode(KEY_KP1, false, true), 0x61u);
    EXPECT_EQ(VKeyFromInputCode(KEY_KP5, false, false), 0x0Cu);
    EXPECT_EQ(VKeyFromInputCode(KEY_KPDOT, false, false), 0x2Eu);
    EXPECT_EQ(VKeyFromInputCode(KEY_KPPLUS, false, false), 0x6Bu) << "operators ignore Num Lock";
    EXPECT_EQ(VKeyFromInputCode(KEY_1, false, true), '1');
}

TEST(KeyTableTest, QtKeysOfTheMainKeyboard) {
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_M, Qt::NoModifier), 'M');
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_Exclam, Qt::ShiftModifier), '1');
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_Up, Qt::NoModifier), 0x26u);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_Backtab, Qt::ShiftModifier), 0x09u);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_F12, Qt::NoModifier), 0x7Bu);
    EXPECT_EQ(VKeyFromQtKey(Qt::Key_unknown, Qt::NoModifier), 0u);

    // Off-screen there is no X display: the event's Qt key decides.
    const QKeyEvent keypad(QEvent::KeyPress, Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(VKeyFromKeyEvent(keypad), 0x63u);
    const QKeyEvent digit(QEvent::KeyPress, Qt::Key_3, Qt::NoModifier);
    EXPECT_EQ(VKeyFromKeyEvent(digit), '3');
    const QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(VKeyFromKeyEvent(ctrl), kVkControl);
}

// Wayland key events as Qt's Wayland platform makes them: the native virtual key is the keysym, the scan
// code a key code of the compositor's key map (a virtual keyboard such as wtype's numbers each key it
// types from 9 up, so keypad 1 may carry the code of Esc), and keypad digits come as plain digits.
QKeyEvent WaylandKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 keysym, quint32 scanCode = 9) {
    return QKeyEvent(QEvent::KeyPress, qtKey, modifiers, scanCode, keysym, 0);
}

TEST(KeyTableTest, WaylandKeypadDigitsGiveTheKeypadCodes) {
    constexpr unsigned kKeypadCode[10] = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                                          KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
    for (int d = 0; d <= 9; ++d) {
        // A virtual keyboard's key: no keypad modifier, a scan code of its own.
        EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_0 + d, Qt::NoModifier, XK_KP_0 + d)), 0x60u + d)
            << d;
        // A real keyboard (input code + 8), and Qt versions that add the keypad modifier.
        EXPECT_EQ(VKeyFromKeysymEvent(
                      WaylandKey(Qt::Key_0 + d, Qt::KeypadModifier, XK_KP_0 + d, kKeypadCode[d] + 8)),
                  0x60u + d)
            << d;
    }
    // Num Lock off, as the compositor applied it: the navigation codes, as on X.
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_End, Qt::NoModifier, XK_KP_End)), 0x23u);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Clear, Qt::NoModifier, XK_KP_Begin)), 0x0Cu);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Insert, Qt::KeypadModifier, XK_KP_Insert)), 0x2Du);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Enter, Qt::NoModifier, XK_KP_Enter)), 0x0Du);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Asterisk, Qt::NoModifier, XK_KP_Multiply)), 0x6Au);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Period, Qt::NoModifier, XK_KP_Decimal)), 0x6Eu);
}

TEST(KeyTableTest, WaylandMainKeysKeepTheirCodesWhateverTheScanCode) {
    // Scan code 9 is Esc on a real keyboard and any key on a virtual one: it never decides.
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_1, Qt::NoModifier, XK_1)), '1');
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Escape, Qt::NoModifier, XK_Escape, 20)), 0x1Bu);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Exclam, Qt::ShiftModifier, XK_exclam)), '1');
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_M, Qt::NoModifier, XK_m)), 'M');
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Control, Qt::ControlModifier, XK_Control_R)),
              kVkControl);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_Space, Qt::NoModifier, XK_space)), 0x20u);
    // A key Qt has no name for still has its keysym's code; one with neither has none.
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_unknown, Qt::NoModifier, XK_Henkan_Mode)), 0x1Cu);
    EXPECT_EQ(VKeyFromKeysymEvent(WaylandKey(Qt::Key_unknown, Qt::NoModifier, XK_VoidSymbol)), 0u);
    // Synthetic events (no keysym) are read by their Qt key.
    EXPECT_EQ(VKeyFromKeysymEvent(QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier)), 0x67u);
}

// Scan codes and the extended bit as a PC keyboard reports them: the dedicated arrows, right Ctrl
// and keypad Enter are extended, the keypad's own arrows are not.
TEST(KeyTableTest, InputCodesCarryScanCodeAndExtendedBit) {
    EXPECT_EQ(InputKeyFromCode(KEY_A).nScanCode, 0x1Eu);
    EXPECT_FALSE(InputKeyFromCode(KEY_A).bExtended);
    EXPECT_EQ(InputKeyFromCode(KEY_KP1).nScanCode, 0x4Fu);
    EXPECT_FALSE(InputKeyFromCode(KEY_KP1).bExtended);
    EXPECT_EQ(InputKeyFromCode(KEY_END).nScanCode, 0x4Fu);
    EXPECT_TRUE(InputKeyFromCode(KEY_END).bExtended);
    EXPECT_EQ(InputKeyFromCode(KEY_END).nVKey, 0x23u);
    EXPECT_TRUE(InputKeyFromCode(KEY_RIGHTCTRL).bExtended);
    EXPECT_EQ(InputKeyFromCode(KEY_RIGHTCTRL).nVKey, kVkControl);
    EXPECT_TRUE(InputKeyFromCode(KEY_KPENTER).bExtended);
    EXPECT_EQ(InputKeyFromCode(KEY_KPENTER).nVKey, 0x0Du);
    EXPECT_EQ(InputKeyFromCode(KEY_MUTE).nVKey, 0u) << "keys with no code are not invented";
    // Every keypad digit and letter of the input layer has a code.
    for (unsigned code :
         {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4, KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9}) {
        const UINT vk = VKeyFromInputCode(code, true, false);
        EXPECT_TRUE(vk >= 0x60 && vk <= 0x69) << code;
        EXPECT_EQ(PADKIT_GetVKeyString(vk), QStringLiteral("Num %1").arg(vk - 0x60));
    }
}

} // namespace
