#include "padkit/util/KeyTable.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <linux/input-event-codes.h>

// Xlib's macros clash with Qt's names below.
#undef None
#undef KeyPress
#undef KeyRelease

namespace padkit {
namespace {

struct KeysymCode {
    unsigned long keysym;
    UINT nVKey;
};

// Rows that share a code list the keysym KeysymFromVKey gives first.
constexpr KeysymCode kKeysymCode[] = {
    {XK_BackSpace, 0x08},
    {XK_Tab, 0x09},
    {XK_ISO_Left_Tab, 0x09},
    {XK_Clear, 0x0C},
    {XK_Return, 0x0D},
    {XK_KP_Enter, 0x0D},
    {XK_Shift_L, 0x10},
    {XK_Shift_R, 0x10},
    {XK_Control_L, 0x11},
    {XK_Control_R, 0x11},
    {XK_Alt_L, 0x12},
    {XK_Alt_R, 0x12},
    {XK_Meta_L, 0x12},
    {XK_Meta_R, 0x12},
    {XK_ISO_Level3_Shift, 0x12},
    {XK_Pause, 0x13},
    {XK_Break, 0x13},
    {XK_Caps_Lock, 0x14},
    {XK_Henkan_Mode, 0x1C},
    {XK_Muhenkan, 0x1D},
    {XK_Escape, 0x1B},
    {XK_space, 0x20},
    {XK_Prior, 0x21},
    {XK_Next, 0x22},
    {XK_End, 0x23},
    {XK_Home, 0x24},
    {XK_Left, 0x25},
    {XK_Up, 0x26},
    {XK_Right, 0x27},
    {XK_Down, 0x28},
    {XK_Select, 0x29},
    {XK_Execute, 0x2B},
    {XK_Print, 0x2C},
    {XK_Sys_Req, 0x2C},
    {XK_Insert, 0x2D},
    {XK_Delete, 0x2E},
    {XK_Help, 0x2F},
    {XK_Super_L, 0x5B},
    {XK_Super_R, 0x5C},
    {XK_Menu, 0x5D},
    {XF86XK_Sleep, 0x5F},
    {XK_KP_Multiply, 0x6A},
    {XK_KP_Add, 0x6B},
    {XK_KP_Separator, 0x6C},
    {XK_KP_Subtract, 0x6D},
    {XK_KP_Decimal, 0x6E},
    {XK_KP_Divide, 0x6F},
    // The keypad with Num Lock off.
    {XK_KP_Home, 0x24},
    {XK_KP_Up, 0x26},
    {XK_KP_Prior, 0x21},
    {XK_KP_Left, 0x25},
    {XK_KP_Begin, 0x0C},
    {XK_KP_Right, 0x27},
    {XK_KP_End, 0x23},
    {XK_KP_Down, 0x28},
    {XK_KP_Next, 0x22},
    {XK_KP_Insert, 0x2D},
    {XK_KP_Delete, 0x2E},
    {XK_Num_Lock, 0x90},
    {XK_Scroll_Lock, 0x91},
    {XK_semicolon, 0xBA},
    {XK_equal, 0xBB},
    {XK_plus, 0xBB},
    {XK_comma, 0xBC},
    {XK_minus, 0xBD},
    {XK_period, 0xBE},
    {XK_slash, 0xBF},
    {XK_grave, 0xC0},
    {XK_bracketleft, 0xDB},
    {XK_backslash, 0xDC},
    {XK_bracketright, 0xDD},
    {XK_apostrophe, 0xDE},
    {XK_less, 0xE2},
};

struct QtCode {
    int qtKey;
    UINT nVKey;
};

constexpr QtCode kQtCode[] = {
    {Qt::Key_Backspace, 0x08},
    {Qt::Key_Tab, 0x09},
    {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},
    {Qt::Key_Control, 0x11},
    {Qt::Key_Alt, 0x12},
    {Qt::Key_AltGr, 0x12},
    {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Henkan, 0x1C},
    {Qt::Key_Muhenkan, 0x1D},
    {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},
    {Qt::Key_Select, 0x29},
    {Qt::Key_Printer, 0x2A},
    {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C},
    {Qt::Key_SysReq, 0x2C},
    {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F},
    {Qt::Key_Super_L, 0x5B},
    {Qt::Key_Meta, 0x5B},
    {Qt::Key_Super_R, 0x5C},
    {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F},
    {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
    // The shifted digits of a US layout.
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
};

// The keypad's keys as Qt reports them with Qt::KeypadModifier; digits are handled before.
constexpr QtCode kQtKeypadCode[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},   {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E},   {Qt::Key_Comma, 0x6E},  {Qt::Key_Slash, 0x6F},
    {Qt::Key_Enter, 0x0D},    {Qt::Key_Return, 0x0D}, {Qt::Key_Clear, 0x0C},
};

// Indexed by input key code; scan codes of the main block equal the code.
struct InputRow {
    unsigned nCode;
    InputKey key;
};

constexpr InputRow kInputRow[] = {
    {KEY_ESC, {0x01, false, 0x1B, 0}},        {KEY_1, {0x02, false, '1', 0}},
    {KEY_2, {0x03, false, '2', 0}},           {KEY_3, {0x04, false, '3', 0}},
    {KEY_4, {0x05, false, '4', 0}},           {KEY_5, {0x06, false, '5', 0}},
    {KEY_6, {0x07, false, '6', 0}},           {KEY_7, {0x08, false, '7', 0}},
    {KEY_8, {0x09, false, '8', 0}},           {KEY_9, {0x0A, false, '9', 0}},
    {KEY_0, {0x0B, false, '0', 0}},           {KEY_MINUS, {0x0C, false, 0xBD, 0}},
    {KEY_EQUAL, {0x0D, false, 0xBB, 0}},      {KEY_BACKSPACE, {0x0E, false, 0x08, 0}},
    {KEY_TAB, {0x0F, false, 0x09, 0}},        {KEY_Q, {0x10, false, 'Q', 0}},
    {KEY_W, {0x11, false, 'W', 0}},           {KEY_E, {0x12, false, 'E', 0}},
    {KEY_R, {0x13, false, 'R', 0}},           {KEY_T, {0x14, false, 'T', 0}},
    {KEY_Y, {0x15, false, 'Y', 0}},           {KEY_U, {0x16, false, 'U', 0}},
    {KEY_I, {0x17, false, 'I', 0}},           {KEY_O, {0x18, false, 'O', 0}},
    {KEY_P, {0x19, false, 'P', 0}},           {KEY_LEFTBRACE, {0x1A, false, 0xDB, 0}},
    {KEY_RIGHTBRACE, {0x1B, false, 0xDD, 0}}, {KEY_ENTER, {0x1C, false, 0x0D, 0}},
    {KEY_LEFTCTRL, {0x1D, false, 0x11, 0}},   {KEY_A, {0x1E, false, 'A', 0}},
    {KEY_S, {0x1F, false, 'S', 0}},           {KEY_D, {0x20, false, 'D', 0}},
    {KEY_F, {0x21, false, 'F', 0}},           {KEY_G, {0x22, false, 'G', 0}},
    {KEY_H, {0x23, false, 'H', 0}},           {KEY_J, {0x24, false, 'J', 0}},
    {KEY_K, {0x25, false, 'K', 0}},           {KEY_L, {0x26, false, 'L', 0}},
    {KEY_SEMICOLON, {0x27, false, 0xBA, 0}},  {KEY_APOSTROPHE, {0x28, false, 0xDE, 0}},
    {KEY_GRAVE, {0x29, false, 0xC0, 0}},      {KEY_LEFTSHIFT, {0x2A, false, 0x10, 0}},
    {KEY_BACKSLASH, {0x2B, false, 0xDC, 0}},  {KEY_Z, {0x2C, false, 'Z', 0}},
    {KEY_X, {0x2D, false, 'X', 0}},           {KEY_C, {0x2E, false, 'C', 0}},
    {KEY_V, {0x2F, false, 'V', 0}},           {KEY_B, {0x30, false, 'B', 0}},
    {KEY_N, {0x31, false, 'N', 0}},           {KEY_M, {0x32, false, 'M', 0}},
    {KEY_COMMA, {0x33, false, 0xBC, 0}},      {KEY_DOT, {0x34, false, 0xBE, 0}},
    {KEY_SLASH, {0x35, false, 0xBF, 0}},      {KEY_RIGHTSHIFT, {0x36, false, 0x10, 0}},
    {KEY_KPASTERISK, {0x37, false, 0x6A, 0}}, {KEY_LEFTALT, {0x38, false, 0x12, 0}},
    {KEY_SPACE, {0x39, false, 0x20, 0}},      {KEY_CAPSLOCK, {0x3A, false, 0x14, 0}},
    {KEY_F1, {0x3B, false, 0x70, 0}},         {KEY_F2, {0x3C, false, 0x71, 0}},
    {KEY_F3, {0x3D, false, 0x72, 0}},         {KEY_F4, {0x3E, false, 0x73, 0}},
    {KEY_F5, {0x3F, false, 0x74, 0}},         {KEY_F6, {0x40, false, 0x75, 0}},
    {KEY_F7, {0x41, false, 0x76, 0}},         {KEY_F8, {0x42, false, 0x77, 0}},
    {KEY_F9, {0x43, false, 0x78, 0}},         {KEY_F10, {0x44, false, 0x79, 0}},
    {KEY_NUMLOCK, {0x45, true, 0x90, 0}},     {KEY_SCROLLLOCK, {0x46, false, 0x91, 0}},
    {KEY_KP7, {0x47, false, 0x67, 0x24}},     {KEY_KP8, {0x48, false, 0x68, 0x26}},
    {KEY_KP9, {0x49, false, 0x69, 0x21}},     {KEY_KPMINUS, {0x4A, false, 0x6D, 0}},
    {KEY_KP4, {0x4B, false, 0x64, 0x25}},     {KEY_KP5, {0x4C, false, 0x65, 0x0C}},
    {KEY_KP6, {0x4D, false, 0x66, 0x27}},     {KEY_KPPLUS, {0x4E, false, 0x6B, 0}},
    {KEY_KP1, {0x4F, false, 0x61, 0x23}},     {KEY_KP2, {0x50, false, 0x62, 0x28}},
    {KEY_KP3, {0x51, false, 0x63, 0x22}},     {KEY_KP0, {0x52, false, 0x60, 0x2D}},
    {KEY_KPDOT, {0x53, false, 0x6E, 0x2E}},   {KEY_102ND, {0x56, false, 0xE2, 0}},
    {KEY_F11, {0x57, false, 0x7A, 0}},        {KEY_F12, {0x58, false, 0x7B, 0}},
    {KEY_HENKAN, {0x79, false, 0x1C, 0}},     {KEY_MUHENKAN, {0x7B, false, 0x1D, 0}},
    {KEY_KPENTER, {0x1C, true, 0x0D, 0}},     {KEY_RIGHTCTRL, {0x1D, true, 0x11, 0}},
    {KEY_KPSLASH, {0x35, true, 0x6F, 0}},     {KEY_SYSRQ, {0x37, true, 0x2C, 0}},
    {KEY_RIGHTALT, {0x38, true, 0x12, 0}},    {KEY_HOME, {0x47, true, 0x24, 0}},
    {KEY_UP, {0x48, true, 0x26, 0}},          {KEY_PAGEUP, {0x49, true, 0x21, 0}},
    {KEY_LEFT, {0x4B, true, 0x25, 0}},        {KEY_RIGHT, {0x4D, true, 0x27, 0}},
    {KEY_END, {0x4F, true, 0x23, 0}},         {KEY_DOWN, {0x50, true, 0x28, 0}},
    {KEY_PAGEDOWN, {0x51, true, 0x22, 0}},    {KEY_INSERT, {0x52, true, 0x2D, 0}},
    {KEY_DELETE, {0x53, true, 0x2E, 0}},      {KEY_PAUSE, {0x45, false, 0x13, 0}},
    {KEY_LEFTMETA, {0x5B, true, 0x5B, 0}},    {KEY_RIGHTMETA, {0x5C, true, 0x5C, 0}},
    {KEY_COMPOSE, {0x5D, true, 0x5D, 0}},     {KEY_SLEEP, {0x5F, true, 0x5F, 0}},
    {KEY_F13, {0x64, false, 0x7C, 0}},        {KEY_F14, {0x65, false, 0x7D, 0}},
    {KEY_F15, {0x66, false, 0x7E, 0}},        {KEY_F16, {0x67, false, 0x7F, 0}},
    {KEY_F17, {0x68, false, 0x80, 0}},        {KEY_F18, {0x69, false, 0x81, 0}},
    {KEY_F19, {0x6A, false, 0x82, 0}},        {KEY_F20, {0x6B, false, 0x83, 0}},
    {KEY_F21, {0x6C, false, 0x84, 0}},        {KEY_F22, {0x6D, false, 0x85, 0}},
    {KEY_F23, {0x6E, false, 0x86, 0}},        {KEY_F24, {0x76, false, 0x87, 0}},
};

} // namespace

UINT VKeyFromKeysym(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z)
        return static_cast<UINT>('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z)
        return static_cast<UINT>('A' + (keysym - XK_A));
    if (keysym >= XK_0 && keysym <= XK_9)
        return static_cast<UINT>('0' + (keysym - XK_0));
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return static_cast<UINT>(0x60 + (keysym - XK_KP_0));
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return static_cast<UINT>(0x70 + (keysym - XK_F1));
    for (const KeysymCode& row : kKeysymCode) {
        if (row.keysym == keysym)
            return row.nVKey;
    }
    return 0;
}

unsigned long KeysymFromVKey(UINT nVKey) {
    if (nVKey >= 'A' && nVKey <= 'Z')
        return XK_a + (nVKey - 'A');
    if (nVKey >= '0' && nVKey <= '9')
        return XK_0 + (nVKey - '0');
    if (nVKey >= 0x60 && nVKey <= 0x69)
        return XK_KP_0 + (nVKey - 0x60);
    if (nVKey >= 0x70 && nVKey <= 0x87)
        return XK_F1 + (nVKey - 0x70);
    for (const KeysymCode& row : kKeysymCode) {
        if (row.nVKey == nVKey)
            return row.keysym;
    }
    return 0;
}

UINT VKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return static_cast<UINT>(0x60 + (qtKey - Qt::Key_0));
        for (const QtCode& row : kQtKeypadCode) {
            if (row.qtKey == qtKey)
                return row.nVKey;
        }
        // Num Lock off: Home, End, arrows, Insert, Delete fall through to the main table.
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<UINT>('A' + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<UINT>('0' + (qtKey - Qt::Key_0));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<UINT>(0x70 + (qtKey - Qt::Key_F1));
    for (const QtCode& row : kQtCode) {
        if (row.qtKey == qtKey)
            return row.nVKey;
    }
    return 0;
}

int QtKeyFromVKey(UINT nVKey, Qt::KeyboardModifiers* pModifiers) {
    if (pModifiers)
        *pModifiers = Qt::NoModifier;
    if (nVKey >= 'A' && nVKey <= 'Z')
        return Qt::Key_A + static_cast<int>(nVKey - 'A');
    if (nVKey >= '0' && nVKey <= '9')
        return Qt::Key_0 + static_cast<int>(nVKey - '0');
    if (nVKey >= 0x70 && nVKey <= 0x87)
        return Qt::Key_F1 + static_cast<int>(nVKey - 0x70);
    const bool bKeypad = (nVKey >= 0x60 && nVKey <= 0x6F && nVKey != 0x6C);
    if (bKeypad && pModifiers)
        *pModifiers = Qt::KeypadModifier;
    if (nVKey >= 0x60 && nVKey <= 0x69)
        return Qt::Key_0 + static_cast<int>(nVKey - 0x60);
    for (const QtCode& row : kQtKeypadCode) {
        if (bKeypad && row.nVKey == nVKey)
            return row.qtKey;
    }
    for (const QtCode& row : kQtCode) {
        if (row.nVKey == nVKey)
            return row.qtKey;
    }
    return Qt::Key_unknown;
}

InputKey InputKeyFromCode(unsigned nCode) {
    for (const InputRow& row : kInputRow) {
        if (row.nCode == nCode)
            return row.key;
    }
    return {};
}

UINT VKeyFromInputCode(unsigned nCode, bool bNumLock, bool bShift) {
    const InputKey key = InputKeyFromCode(nCode);
    if (key.nVKeyNav != 0 && bNumLock == bShift)
        return key.nVKeyNav;
    return key.nVKey;
}

// The unshifted keysym of the key decides, except on the keypad, where Num Lock and Shift select.
UINT VKeyFromXKey(Display* pDisplay, unsigned keycode, unsigned state) {
    const KeySym base = XkbKeycodeToKeysym(pDisplay, static_cast<KeyCode>(keycode), 0, 0);
    if (base >= XK_KP_Space && base <= XK_KP_Equal) {
        unsigned mods = 0;
        KeySym keysym = 0;
        if (XkbLookupKeySym(pDisplay, static_cast<KeyCode>(keycode), state, &mods, &keysym))
            return VKeyFromKeysym(keysym);
    }
    return VKeyFromKeysym(base);
}

UINT VKeyFromKeysymEvent(const QKeyEvent& event) {
    const unsigned long keysym = event.nativeVirtualKey();
    // Qt reports a keypad digit as the digit, not always with the keypad modifier; the keysym says
    // which key it was and what Num Lock made of it.
    if (keysym >= XK_KP_Space && keysym <= XK_KP_Equal) {
        if (const UINT nVKey = VKeyFromKeysym(keysym))
            return nVKey;
    }
    if (const UINT nVKey = VKeyFromQtKey(event.key(), event.modifiers()))
        return nVKey;
    return VKeyFromKeysym(keysym);
}

UINT VKeyFromKeyEvent(const QKeyEvent& event) {
    if (!qGuiApp)
        return VKeyFromQtKey(event.key(), event.modifiers());
    if (event.nativeScanCode() != 0) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (Display* pDisplay = x11->display()) {
                const UINT nVKey = VKeyFromXKey(pDisplay, event.nativeScanCode(), event.nativeModifiers());
                if (nVKey != 0)
                    return nVKey;
            }
        }
    }
    // Both xkb platforms carry the keysym in the native virtual key; the scan code of a Wayland event is
    // a key code of whatever key map the compositor handed over (a virtual keyboard numbers its keys as
    // it likes), so it says nothing about the key.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
        return VKeyFromKeysymEvent(event);
    return VKeyFromQtKey(event.key(), event.modifiers());
}

} // namespace padkit
