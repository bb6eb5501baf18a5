#pragma once

#include "padkit/PadkitExport.h"
#include "platform/WinTypes.h"

#include <QString>

// The short name of a virtual-key code as the key settings show it ("A", "Num 1", "F12", "Space",
// "←"); the empty string for a code without a name.
PADKIT_API QString PADKIT_GetVKeyString(UINT nVKey);
