#pragma once

#include <cstddef>

namespace playkit {

// What an output device's callback renders from: the mixer for the main output, the cue's hand-over
// for a second device.
class IAdxRenderSource {
public:
    // Device thread. Fills frames of interleaved float of `channels` channels (what Channels() said
    // when the device opened) into out, overwriting it.
    virtual void Render(float* out, std::size_t frames, std::size_t channels) = 0;
    // Any thread. The channels a device opened now should carry.
    virtual std::size_t Channels() const = 0;
    // Device thread: the device reported an underflow.
    virtual void CountDeviceXrun() = 0;

protected:
    ~IAdxRenderSource() = default;
};

} // namespace playkit
