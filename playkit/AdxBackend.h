#pragma once

#include <string>

namespace playkit {

class CAdxMixer;

// An output that drives the mixer: calls CAdxMixer::Render from its own (device) thread.
class CAdxBackend {
public:
    virtual ~CAdxBackend() = default;
    // Starts calling the mixer. On failure returns false with a one-line reason.
    virtual bool Start(std::string& reason) = 0;
    // Stops calling the mixer; returns once no render is in progress.
    virtual void Stop() = 0;
    virtual unsigned SampleRate() const = 0;
    // True when the device has gone away while running.
    virtual bool Failed() const { return false; }
};

} // namespace playkit
