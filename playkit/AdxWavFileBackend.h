#pragma once

#include "playkit/AdxBackend.h"
#include "playkit/AdxWavWriter.h"

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace playkit {

// Renders into a WAV file as fast as the CPU allows, but only while something plays, so that an
// idle program does not write endless silence.
class CAdxWavFileBackend : public CAdxBackend {
public:
    CAdxWavFileBackend(CAdxMixer& mixer, const CAdxLog& log, std::string path, unsigned rate,
                       std::size_t period);
    ~CAdxWavFileBackend() override { Stop(); }

    bool Start(std::string& reason) override;
    void Stop() override;
    unsigned SampleRate() const override { return m_rate; }
    unsigned Pairs() const override { return static_cast<unsigned>(m_channels / 2); }

private:
    void Run();

    CAdxMixer& m_mixer;
    const CAdxLog& m_log;
    const std::string m_path;
    const unsigned m_rate;
    const std::size_t m_period;
    const std::size_t m_channels; // every output channel the engine is configured for
    CAdxWavWriter m_writer;
    std::vector<float> m_buffer;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

} // namespace playkit
