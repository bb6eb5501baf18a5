#pragma once

class QWidget;

namespace platform {

// Brings a top-level window to the front and gives it the keyboard focus, restoring it when minimised.
// Meant for a request the user made elsewhere (starting the program again), so it is not subject to a
// window manager's focus-stealing rules. UI thread.
void SetForegroundWindow(QWidget* window);

} // namespace platform
