#include "playkit/AdxNullBackend.h"

namespace playkit {

CAdxNullBackend::CAdxNullBackend(IAdxRenderSource& mixer, unsigned rate, std::size_t period)
    : m_rate(rate), m_clock(mixer, rate, period ? period : 256) {}

bool CAdxNullBackend::Start(std::string&) {
    m_clock.Start({});
    return true;
}

void CAdxNullBackend::Stop() {
    m_clock.Stop();
}

} // namespace playkit
