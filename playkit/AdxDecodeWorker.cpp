#include "playkit/AdxDecodeWorker.h"

#include "playkit/AdxVoice.h"

#include <algorithm>
#include <chrono>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace playkit {
namespace {
// Frames decoded for one voice before the worker turns to the next, so that no voice starves.
constexpr std::size_t kSlice = 8192;
// With nothing to do the worker looks again after this long: a ring holds over a second at
// normal speed and 140 ms at ten times, so a few milliseconds keep every ring well ahead.
constexpr auto kIdle = std::chrono::milliseconds(4);
// Ahead of ordinary programs (a build, a browser) where the system allows it: under their load a
// decoder at the default priority fell behind by more than a head's length. A nice value rather than
// real-time scheduling: a decoder stuck on a bad file must not take a whole CPU from everything else.
constexpr int kDecoderNice = -10;
} // namespace

CAdxDecodeWorker::CAdxDecodeWorker() : m_thread([this] { Run(); }) {}

CAdxDecodeWorker::~CAdxDecodeWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void CAdxDecodeWorker::Add(std::shared_ptr<CAdxVoice> v) {
    {
        std::lock_guard lock(m_mutex);
        m_voices.push_back(std::move(v));
        m_wake = true;
    }
    m_cv.notify_all();
}

void CAdxDecodeWorker::Remove(const CAdxVoice* v) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_voices, [v](const std::shared_ptr<CAdxVoice>& p) { return p.get() == v; });
}

void CAdxDecodeWorker::Wake() {
    {
        std::lock_guard lock(m_mutex);
        m_wake = true;
    }
    m_cv.notify_all();
}

void CAdxDecodeWorker::Run() {
    pthread_setname_np(pthread_self(), "pk-decode");
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kDecoderNice); // refused: goes on as it is
    std::vector<std::shared_ptr<CAdxVoice>> voices;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (m_quit)
                return;
            voices = m_voices;
            m_wake = false;
        }
        bool worked = false;
        for (const auto& v : voices)
            worked = v->Produce(kSlice) || worked;
        voices.clear(); // a closed voice may go now
        if (!worked) {
            std::unique_lock lock(m_mutex);
            m_cv.wait_for(lock, kIdle, [this] { return m_wake || m_quit; });
        }
    }
}

} // namespace playkit
