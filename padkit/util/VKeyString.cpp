#include "padkit/util/VKeyString.h"

namespace {

struct KeyName {
    UINT nVKey;
    const char* pszName; // UTF-8
};

constexpr KeyName kKeyName[] = {
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
    {0x5B, "Left Windows"},
    {0x5C, "Right Windows"},
    {0x5D, "App"},
    {0x5F, "Sleep"},
    {0x6A, "Num *"},
    {0x6B, "Num +"},
    {0x6C, "Num Enter"},
    {0x6D, "Num -"},
    {0x6E, "Num ."},
    {0x6F, "Num /"},
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

} // namespace

QString PADKIT_GetVKeyString(UINT nVKey) {
    if ((nVKey >= 0x30 && nVKey <= 0x39) || (nVKey >= 0x41 && nVKey <= 0x5A))
        return QString(QChar(static_cast<char16_t>(nVKey)));
    if (nVKey >= 0x60 && nVKey <= 0x69)
        return QStringLiteral("Num %1").arg(nVKey - 0x60);
    if (nVKey >= 0x70 && nVKey <= 0x87)
        return QStringLiteral("F%1").arg(nVKey - 0x6F);
    for (const KeyName& key : kKeyName) {
        if (key.nVKey == nVKey)
            return QString::fromUtf8(key.pszName);
    }
    return QString();
}
