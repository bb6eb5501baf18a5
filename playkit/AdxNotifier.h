#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace playkit {

class CAdxVoice;

// The thread that turns what the mixer recorded into notices: peak buffers handed to each
// player's sample callback, and end-of-media events queued and announced to the owner's window.
// Nothing of this ever runs on the device thread.
class CAdxNotifier {
public:
    // idle runs on the notifier thread after every pass (the engine frees closed voices there
    // and watches the device).
    explicit CAdxNotifier(std::function<void()> idle);
    ~CAdxNotifier();
    CAdxNotifier(const CAdxNotifier&) = delete;
    CAdxNotifier& operator=(const CAdxNotifier&) = delete;

    // UI thread.
    void Add(std::shared_ptr<CAdxVoice> v);
    void Remove(const CAdxVoice* v);
    // Any thread but the notifier's: returns after a full pass that started after the call.
    void Flush();

    // Notifier thread (also used by tests through Flush).
    static void Deliver(CAdxVoice& v);

private:
    void Run();

    std::function<void()> m_idle;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::condition_variable m_doneCv;
    std::vector<std::shared_ptr<CAdxVoice>> m_voices;
    std::uint64_t m_requested = 0;
    std::uint64_t m_completed = 0;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace playkit
