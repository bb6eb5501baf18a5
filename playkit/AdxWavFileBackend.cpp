#include "playkit/AdxWavFileBackend.h"

#include "playkit/AdxLog.h"
#include "playkit/AdxMixer.h"

#include <chrono>
#include <pthread.h>

namespace playkit {

CAdxWavFileBackend::CAdxWavFileBackend(CAdxMixer& mixer, const CAdxLog& log, std::string path, unsigned rate,
                                       std::size_t period)
    : m_mixer(mixer), m_log(log), m_path(std::move(path)), m_rate(rate), m_period(period ? period : 1024),
      m_channels(mixer.Channels()), m_buffer(m_period * m_channels) {}

bool CAdxWavFileBackend::Start(std::string& reason) {
    if (m_thread.joinable())
        return true;
    if (!m_writer.Open(m_path, m_rate, static_cast<unsigned>(m_channels))) {
        reason = "cannot write " + m_path;
        return false;
    }
    m_quit = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CAdxWavFileBackend::Stop() {
    m_quit = true;
    if (m_thread.joinable())
        m_thread.join();
    m_writer.Close();
}

void CAdxWavFileBackend::Run() {
    pthread_setname_np(pthread_self(), "pk-device");
    bool diskFull = false;
    bool wasBusy = false;
    while (!m_quit.load(std::memory_order_relaxed)) {
        // Commands are applied inside Render, so render one block to learn whether anything plays;
        // the block in which the last sound ends is still written.
        m_mixer.Render(m_buffer.data(), m_period, m_channels);
        const bool busy = m_mixer.Busy();
        const bool write = busy || wasBusy;
        wasBusy = busy;
        if (write && !diskFull) {
            if (!m_writer.Write(m_buffer.data(), m_period)) {
                diskFull = true;
                m_log.Write(AdxLogLevel::Warning,
                            "playkit: writing " + m_path + " failed; the rest is not recorded");
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

} // namespace playkit
