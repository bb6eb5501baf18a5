#include "playkit/AdxCueOutput.h"

#include "playkit/AdxClockBridge.h"
#include "playkit/AdxPortAudioBackend.h"
#include "playkit/AdxRecordBackend.h"

#include <cassert>
#include <cstring>

namespace playkit {

CAdxCueOutput::CAdxCueOutput(const CAdxLog& log, std::string device, unsigned mainRate, std::size_t period)
    : m_log(log), m_device(std::move(device)), m_mainRate(mainRate), m_period(period) {}

CAdxCueOutput::~CAdxCueOutput() {
    Stop();
}

bool CAdxCueOutput::Open(std::string& reason) {
    if (m_bridge)
        return true;
    if (m_device.rfind(kRecordPrefix, 0) == 0) {
        m_backend = std::make_unique<CAdxRecordBackend>(
            *this, m_log, m_device.substr(std::strlen(kRecordPrefix)), m_mainRate, m_period);
    } else {
        m_backend = std::make_unique<CAdxPortAudioBackend>(*this, m_log, m_device, m_mainRate, m_period);
    }
    if (!m_backend->Open(reason)) {
        m_backend.reset();
        return false;
    }
    AdxClockBridgeConfig config;
    config.producerRate = m_mainRate;
    config.producerPeriod = m_period;
    config.consumerRate = m_backend->SampleRate();
    config.consumerPeriod = m_period;
    m_bridge = std::make_unique<CAdxClockBridge>(config);
    return true;
}

bool CAdxCueOutput::Start(std::string& reason) {
    if (!Open(reason))
        return false;
    if (!m_backend->Start(reason)) {
        Stop();
        return false;
    }
    return true;
}

void CAdxCueOutput::Stop() {
    if (m_backend)
        m_backend->Stop();
    m_backend.reset();
    // The main render may still hold the bridge: the engine takes it back from the mixer first.
    m_bridge.reset();
}

bool CAdxCueOutput::Failed() const {
    return m_backend && m_backend->Failed();
}

void CAdxCueOutput::Render(float* out, std::size_t frames, std::size_t channels) {
    assert(channels == 2);
    (void)channels;
    m_bridge->Pull(out, frames);
}

} // namespace playkit
