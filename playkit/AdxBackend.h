#pragma once

#include <string>

namespace playkit {

class CAdxLog;
class CAdxMixer;

// An output that drives the mixer: calls CAdxMixer::Render from its own (device) thread.
class CAdxBackend {
public:
    virtual ~CAdxBackend() = default;
    // Any thread, before Start, while another backend may still be calling the mixer: the slow part
    // of starting (finding and opening a device). Start opens too when this was not called.
    virtual bool Open(std::string&) { return true; }
    // UI thread, or the notifier's when the device went away. Starts calling the mixer; on failure
    // returns false with a one-line reason.
    virtual bool Start(std::string& reason) = 0;
    // Same threads as Start. Stops calling the mixer; returns once no render is in progress.
    virtual void Stop() = 0;
    virtual unsigned SampleRate() const = 0;
    // The stereo pairs it renders (after Open: a device may have fewer than the engine asked for).
    virtual unsigned Pairs() const { return 1; }
    // Any thread. True when the device has gone away while running.
    virtual bool Failed() const { return false; }
};

} // namespace playkit
