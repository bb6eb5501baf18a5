#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace playkit {

class CAdxVoice;

// The thread that decodes ahead of every open voice: follows seek requests and keeps each ring
// filled. It never touches the device; the mixer only reads what it left in the rings.
class CAdxDecodeWorker {
public:
    CAdxDecodeWorker();
    ~CAdxDecodeWorker();
    CAdxDecodeWorker(const CAdxDecodeWorker&) = delete;
    CAdxDecodeWorker& operator=(const CAdxDecodeWorker&) = delete;

    // UI thread.
    void Add(std::shared_ptr<CAdxVoice> v);
    void Remove(const CAdxVoice* v);
    // Any thread: look at the voices now (a seek was requested, or an offline render waits).
    void Wake();

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::shared_ptr<CAdxVoice>> m_voices;
    bool m_wake = false;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace playkit
