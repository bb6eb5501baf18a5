#pragma once

#include "padkit/PadkitExport.h"

#include <functional>
#include <memory>
#include <string>

struct input_event;

namespace padkit {

// One keyboard read from its input-device node.
class PADKIT_API IInputDevice {
public:
    enum class ReadResult { Event, None, Gone };

    virtual ~IInputDevice() = default;

    // What poll() waits on.
    virtual int Fd() const = 0;
    // The next event: Event (stored in ev), None for now, or Gone (unplugged).
    virtual ReadResult Next(input_event& ev) = 0;
    // Takes (or gives back) the device for this process alone; false when that failed.
    virtual bool Grab(bool bOn) = 0;
    // Whether any key of the device is down at the moment.
    virtual bool AnyKeyDown() const = 0;
    virtual bool KeyDown(unsigned nCode) const = 0;
    // The Num Lock light: 1 on, 0 off, -1 the device has none.
    virtual int NumLockLed() const = 0;
    virtual void SetNumLockLed(bool bOn) = 0;
};

// Opens the node at path. Null when it is not a keyboard (*pErrno 0) or cannot be opened (*pErrno the
// error, EACCES when the user may not read it).
using InputDeviceOpener = std::function<std::unique_ptr<IInputDevice>(const std::string& path, int* pErrno)>;

// The real opener: the node through libevdev; a device counts as a keyboard when it has a space bar,
// letters or a keypad (so mice, power buttons and lid switches are left alone).
PADKIT_API std::unique_ptr<IInputDevice> OpenEvdevDevice(const std::string& path, int* pErrno);

} // namespace padkit
