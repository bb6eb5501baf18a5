#pragma once

#include "playkit/AdxBackend.h"

#include <atomic>
#include <cstddef>
#include <string>

namespace playkit {

// The sound card through PortAudio: one output stream, opened once and kept for the whole run.
// Its callback is a thin adapter around the mixer's Render.
class CAdxPortAudioBackend : public CAdxBackend {
public:
    CAdxPortAudioBackend(CAdxMixer& mixer, std::string device, unsigned rate, std::size_t period);
    ~CAdxPortAudioBackend() override;

    bool Start(std::string& reason) override;
    void Stop() override;
    unsigned SampleRate() const override { return m_rate; }
    bool Failed() const override { return m_failed.load(std::memory_order_relaxed); }

    // Device thread (PortAudio's callbacks).
    int Callback(float* out, unsigned long frames, bool underflow);
    void Finished();

private:
    CAdxMixer& m_mixer;
    const std::string m_device;
    unsigned m_rate;
    const std::size_t m_period;
    void* m_stream = nullptr;
    bool m_initialised = false;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_failed{false};
};

} // namespace playkit
