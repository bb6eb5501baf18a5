#pragma once

#include "playkit/PlaykitExport.h"

#include <memory>
#include <string>

namespace playkit {

// A short tone on a chosen output device, opened beside the engine's own output, so that an operator
// hears which device a choice names before using it. The tone ends by itself; destroying the object
// closes the device.
class PLAYKIT_API CAdxTestTone {
public:
    static constexpr double kFrequency = 880.0; // Hz
    static constexpr double kSeconds = 0.4;
    static constexpr float kLevel = 0.25f; // -12 dBFS

    CAdxTestTone();
    ~CAdxTestTone();
    CAdxTestTone(const CAdxTestTone&) = delete;
    CAdxTestTone& operator=(const CAdxTestTone&) = delete;

    // UI thread. Plays the tone on the device (a name as PortAudio lists it, or a part of it; empty for
    // the default device) with blocks of period frames. A tone still playing is cut off. False with
    // a one-line reason when the device cannot be opened.
    bool Play(const std::string& device, unsigned period, std::string& reason);
    // Any thread. True until the last frame of the tone has been handed to the device.
    bool Playing() const;

    struct Stream; // the open device and the tone's state, seen by the device callback

private:
    void Close();
    std::unique_ptr<Stream> m_stream;
};

} // namespace playkit
