#include "playkit/AdxNotifier.h"

#include "playkit/AdxShow.h"
#include "playkit/AdxVoice.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <pthread.h>

namespace playkit {
namespace {
// Meters move at about 23 blocks a second; a 10 ms pass delivers each within a frame of video.
constexpr auto kPass = std::chrono::milliseconds(10);
} // namespace

CAdxNotifier::CAdxNotifier(std::function<void()> idle)
    : m_idle(std::move(idle)), m_thread([this] { Run(); }) {}

CAdxNotifier::~CAdxNotifier() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void CAdxNotifier::Add(std::shared_ptr<CAdxVoice> v) {
    std::lock_guard lock(m_mutex);
    m_voices.push_back(std::move(v));
}

void CAdxNotifier::Remove(const CAdxVoice* v) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_voices, [v](const std::shared_ptr<CAdxVoice>& p) { return p.get() == v; });
}

void CAdxNotifier::Flush() {
    std::unique_lock lock(m_mutex);
    const std::uint64_t ticket = ++m_requested;
    m_cv.notify_all();
    m_doneCv.wait(lock, [&] { return m_completed >= ticket || m_quit; });
}

void CAdxNotifier::Run() {
    pthread_setname_np(pthread_self(), "pk-notify");
    std::vector<std::shared_ptr<CAdxVoice>> voices;
    for (;;) {
        std::uint64_t serving;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait_for(lock, kPass, [this] { return m_quit || m_requested > m_completed; });
            if (m_quit)
                break;
            serving = m_requested;
            voices = m_voices;
        }
        for (const auto& v : voices)
            Deliver(*v);
        voices.clear();
        if (m_idle)
            m_idle();
        {
            std::lock_guard lock(m_mutex);
            m_completed = serving;
        }
        m_doneCv.notify_all();
    }
    std::lock_guard lock(m_mutex);
    m_completed = m_requested;
    m_doneCv.notify_all();
}

void CAdxNotifier::Deliver(CAdxVoice& v) {
    while (AdxPeakBlock* b = v.m_peaks.Front()) {
        const std::size_t bytes = b->frames * static_cast<std::size_t>(v.m_channels) * sizeof(std::int16_t);
        {
            std::lock_guard lock(v.m_lastMutex);
            v.m_lastBuffer.resize(bytes);
            std::memcpy(v.m_lastBuffer.data(), b->samples.data(), bytes);
            v.m_haveLast = true;
        }
        {
            std::lock_guard lock(v.m_callbackMutex);
            if (v.m_callback)
                v.m_callback->BufferCB(b->time, v.m_lastBuffer.data(), static_cast<LONG>(bytes));
        }
        v.m_peaks.Pop();
    }
    // Acquire pairs with the mixer's release of the completion.
    const std::uint64_t complete = v.m_complete.load(std::memory_order_acquire);
    // A stream that failed after the open (its instrument did not load) says so before it ends:
    // the decoder recorded the failure before the end the mixer completed on.
    if (const int failure = v.m_failure.exchange(0, std::memory_order_relaxed)) {
        {
            std::lock_guard lock(v.m_eventMutex);
            // Set before the owner can learn of the error: a Play in answer to it is refused.
            v.m_brokenWith.store(failure, std::memory_order_relaxed);
            v.m_events.push_back({EC_ERRORABORT, failure, 0});
            if (v.m_notifyWnd)
                v.m_notifyWnd->PostMessage(v.m_notifyMsg, 0, 0);
        }
        v.m_eventCv.notify_all();
    }
    if (complete == v.m_seenComplete)
        return;
    v.m_seenComplete = complete;
    // A failed stream ends with its EC_ERRORABORT alone: an EC_COMPLETE after it would start a
    // repeating channel again, only to fail again.
    if (v.m_brokenWith.load(std::memory_order_relaxed) != 0)
        return;
    // An end reached before the owner moved the position again is stale: drop it.
    if ((complete & kGenMask) != v.m_uiGen.load(std::memory_order_acquire))
        return;
    {
        // Posted under the lock, so that once the owner has cleared its window no notice reaches it.
        std::lock_guard lock(v.m_eventMutex);
        v.m_events.push_back({EC_COMPLETE, 0, 0});
        if (v.m_notifyWnd)
            v.m_notifyWnd->PostMessage(v.m_notifyMsg, 0, 0);
    }
    v.m_eventCv.notify_all();
}

} // namespace playkit
