#include "padkit/util/KeyStroke.h"

#include "padkit/util/KeyTable.h"
#include "platform/Message.h"

namespace padkit {

CKeyStroke::Message CKeyStroke::Make(unsigned nKey, UINT nVKey, UINT nScanCode, bool bExtended, bool bPress) {
    const bool bInRange = nKey < kKeyCount;
    const bool bWasDown = bInRange && m_down.test(nKey);
    if (bInRange) {
        m_down.set(nKey, bPress);
        m_altDown.set(nKey, bPress && nVKey == kVkMenu);
    }
    DWORD data = kKeyDataRepeatOne | ((nScanCode & 0xFF) << kKeyDataScanShift);
    if (bExtended)
        data |= kKeyDataExtended;
    if (m_altDown.any())
        data |= kKeyDataAlt;
    if (bWasDown || !bPress)
        data |= kKeyDataPrevious;
    if (!bPress)
        data |= kKeyDataRelease;
    return {bPress ? platform::WM_KEYDOWN : platform::WM_KEYUP, nVKey, static_cast<LPARAM>(data)};
}

void CKeyStroke::Reset() {
    m_down.reset();
    m_altDown.reset();
}

} // namespace padkit
