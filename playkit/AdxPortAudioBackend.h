#pragma once

#include "playkit/AdxBackend.h"
#include "playkit/AdxEngine.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace playkit {

// The sound card through PortAudio: one output stream. Opening (PortAudio's device scan, the stream)
// is separate from starting, so that the engine can open a device that returned while the null
// clock still plays, and switch over in a moment. Its callback is a thin adapter around the mixer's
// Render. A device of PortAudio's JACK host API is played through the JACK client library
// (CAdxJackOutput), so that the loss of its server never blocks the engine. With a PipeWire server
// running, the default device (and the device "PipeWire") is a stream on it (CAdxPipeWireOutput).
class CAdxJackOutput;
class CAdxPipeWireOutput;
class CPortAudioSession;

class CAdxPortAudioBackend : public CAdxBackend {
public:
    CAdxPortAudioBackend(CAdxMixer& mixer, const CAdxLog& log, std::string device, unsigned rate,
                         std::size_t period);
    ~CAdxPortAudioBackend() override;

    // Any thread but the device's; not the mixer's caller yet. Finds the device and opens the
    // stream; false with a one-line reason when there is no such device or it refuses.
    bool Open(std::string& reason) override;
    // Opens if not yet open, then starts calling the mixer.
    bool Start(std::string& reason) override;
    void Stop() override;
    unsigned SampleRate() const override { return m_rate; }
    unsigned Pairs() const override { return static_cast<unsigned>(m_channels / 2); }
    bool Failed() const override;

    // Device thread (PortAudio's callbacks).
    int Callback(float* out, unsigned long frames, bool underflow);
    void Finished();

    // Any thread but a device's: the output devices PortAudio sees now.
    static std::vector<AdxOutputDevice> Devices();

private:
    CAdxMixer& m_mixer;
    const CAdxLog& m_log;
    const std::string m_device;
    unsigned m_rate;
    const std::size_t m_period;
    std::size_t m_channels; // the engine's when made; fewer after Open when the device has fewer
    std::unique_ptr<CPortAudioSession> m_session;
    std::unique_ptr<CAdxJackOutput> m_jack; // a device of the JACK host API
    std::unique_ptr<CAdxPipeWireOutput> m_pipewire;
    void* m_stream = nullptr;
    bool m_started = false;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_failed{false};
};

} // namespace playkit
