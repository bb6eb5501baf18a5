#pragma once

#include "playkit/AdxBackend.h"
#include "playkit/AdxPeriodClock.h"

#include <cstddef>

namespace playkit {

// No device: the mixer is rendered one period at a time on the steady clock, as a sound card would ask
// for it, and the frames go nowhere.
class CAdxNullBackend : public CAdxBackend {
public:
    CAdxNullBackend(IAdxRenderSource& mixer, unsigned rate, std::size_t period);
    ~CAdxNullBackend() override { Stop(); }

    bool Start(std::string& reason) override;
    void Stop() override;
    unsigned SampleRate() const override { return m_rate; }
    unsigned Pairs() const override { return static_cast<unsigned>(m_clock.Channels() / 2); }

private:
    const unsigned m_rate;
    CAdxPeriodClock m_clock;
};

} // namespace playkit
