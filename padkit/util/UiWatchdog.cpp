#include "padkit/util/UiWatchdog.h"

#include "platform/Message.h"

#include <QObject>

#include <algorithm>

namespace padkit {
namespace {

constexpr UINT kProbeMessage = platform::WM_APP + 0x3F0;

} // namespace

class CUiWatchdog::CResponder final : public QObject {
public:
    explicit CResponder(std::atomic<Clock::rep>& answeredAt) : m_answeredAt(answeredAt) {}

    // UI thread.
    bool event(QEvent* pEvent) override {
        if (pEvent->type() != platform::MessageEvent::eventType() ||
            static_cast<platform::MessageEvent*>(pEvent)->message() != kProbeMessage)
            return QObject::event(pEvent);
        m_answeredAt.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
        return true;
    }

private:
    std::atomic<Clock::rep>& m_answeredAt;
};

CUiWatchdog::CUiWatchdog(Timing timing)
    : m_timing(timing), m_pResponder(std::make_unique<CResponder>(m_answeredAt)) {}

// Probes still queued for the responder go with it.
CUiWatchdog::~CUiWatchdog() = default;

// Capture thread.
bool CUiWatchdog::Check() {
    const Clock::time_point now = Clock::now();
    if (m_bOut) {
        const Clock::time_point answeredAt{Clock::duration{m_answeredAt.load(std::memory_order_acquire)}};
        if (answeredAt < m_sentAt)
            return now - m_sentAt < m_timing.stallLimit;
        m_bOut = false;
    }
    if (m_sentAt == Clock::time_point{} || now - m_sentAt >= m_timing.probeEvery) {
        m_sentAt = now;
        m_bOut = true;
        platform::PostMessage(m_pResponder.get(), kProbeMessage, 0, 0);
    }
    return true;
}

// Capture thread.
int CUiWatchdog::WaitMs() const {
    using std::chrono::milliseconds;
    const Clock::time_point now = Clock::now();
    Clock::time_point next = m_sentAt + m_timing.probeEvery;
    if (m_bOut && now >= next) {
        // Unanswered so far: the limit next, and past it a look every probe interval for the answer.
        const Clock::time_point limit = m_sentAt + m_timing.stallLimit;
        next = now < limit ? limit : now + m_timing.probeEvery;
    }
    const auto wait = std::chrono::ceil<milliseconds>(next - now).count();
    return static_cast<int>(
        std::max<decltype(wait)>(1, std::min<decltype(wait)>(wait, m_timing.stallLimit.count())));
}

} // namespace padkit
