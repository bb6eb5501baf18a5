#include "UiProbe.h"

#include "app/shell/InstanceClient.h"

#include <QFile>

namespace {

// The probe waits for as long as the UI thread takes; Stop ends the wait.
constexpr std::chrono::minutes kNoTimeout{60};

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(CUiProbe::Clock::now().time_since_epoch())
        .count();
}

} // namespace

CUiProbe::CUiProbe(QString socketPath) : m_path(QFile::encodeName(socketPath)), m_thread([this] { Run(); }) {}

CUiProbe::~CUiProbe() {
    Stop();
}

void CUiProbe::Stop() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<CUiProbe::Stall> CUiProbe::TakeStalls() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_stalls, {});
}

std::chrono::milliseconds CUiProbe::Waiting() const {
    const long long since = m_inFlightSinceNs.load();
    if (since == 0)
        return std::chrono::milliseconds(0);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::nanoseconds(NowNs() - since));
}

void CUiProbe::Run() {
    while (!m_stop) {
        const Clock::time_point next = Clock::now() + kInterval;
        Ping();
        while (!m_stop && Clock::now() < next)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void CUiProbe::Ping() {
    const Clock::time_point sent = Clock::now();
    m_inFlightSinceNs = NowNs();
    const CInstanceClient::Result asked =
        CInstanceClient::Ask(m_path.toStdString(), CInstanceClient::kPingRequest, kNoTimeout, &m_stop);
    const bool answered =
        asked.reply == CInstanceClient::Reply::Answered && asked.answer == CInstanceClient::kPingAnswer;
    if (asked.reply == CInstanceClient::Reply::NoListener) {
        m_inFlightSinceNs = 0;
        return;
    }
    m_inFlightSinceNs = 0;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    if (answered) {
        ++m_answered;
        if (waited.count() > m_longestMs)
            m_longestMs = waited.count();
    }
    if (waited > kStallLimit) {
        std::lock_guard lock(m_mutex);
        m_stalls.push_back({sent, waited, answered});
    }
}
