#pragma once

#include "playkit/AdxBackend.h"

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace playkit {

// No device: a thread renders one period at a time on the steady clock, as a sound card would.
class CAdxNullBackend : public CAdxBackend {
public:
    CAdxNullBackend(CAdxMixer& mixer, unsigned rate, std::size_t period);
    ~CAdxNullBackend() override { Stop(); }

    bool Start(std::string& reason) override;
    void Stop() override;
    unsigned SampleRate() const override { return m_rate; }

private:
    void Run();

    CAdxMixer& m_mixer;
    const unsigned m_rate;
    const std::size_t m_period;
    std::vector<float> m_buffer;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

} // namespace playkit
