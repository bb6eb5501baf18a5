#pragma once

#include "padkit/PadkitExport.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace padkit {

// How long a probe may go unanswered before the UI counts as hung, and how often one is sent.
struct UiWatchdogTiming {
    std::chrono::milliseconds stallLimit{2000};
    std::chrono::milliseconds probeEvery{250};
};

// Tells a capture thread whether the UI thread still answers, so that a hung window never keeps the
// desktop's keyboard: the capture thread posts a probe to an object on the UI thread, which stamps the
// steady clock when it handles it. A probe left unanswered for the stall limit means the UI hangs;
// the answer to that probe, whenever it comes, means it is back. One probe is out at a time.
class PADKIT_API CUiWatchdog {
public:
    using Clock = std::chrono::steady_clock;

    using Timing = UiWatchdogTiming;

    // The answering object lives on the thread that makes the watchdog. UI thread.
    explicit CUiWatchdog(Timing timing = {});
    // Once the capture thread has stopped calling. UI thread.
    ~CUiWatchdog();
    CUiWatchdog(const CUiWatchdog&) = delete;
    CUiWatchdog& operator=(const CUiWatchdog&) = delete;

    // Sends a probe when one is due; false while a probe has gone unanswered for the stall limit.
    // Capture thread.
    bool Check();
    // Milliseconds (at least 1) until Check may answer differently: the next probe is due, or the
    // probe out goes over the limit. What the capture thread's poll() waits at most. Capture thread.
    int WaitMs() const;

    const Timing& Timings() const { return m_timing; }

private:
    class CResponder;

    Timing m_timing;
    std::atomic<Clock::rep> m_answeredAt{0}; // written by the UI thread, read by the capture thread
    std::unique_ptr<CResponder> m_pResponder;
    Clock::time_point m_sentAt{}; // capture thread
    bool m_bOut = false;          // capture thread: a probe has not been answered yet
};

} // namespace padkit
