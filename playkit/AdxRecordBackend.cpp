#include "playkit/AdxRecordBackend.h"

#include "playkit/AdxLog.h"
#include "playkit/AdxRenderSource.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <pthread.h>
#include <string>

namespace playkit {
namespace {
// Two seconds in the ring: the writer may stall that long on a slow disk before frames are lost.
constexpr unsigned kRingSeconds = 2;
// How often the writer appends what has come and rewrites the header.
constexpr auto kWriterPeriod = std::chrono::milliseconds(20);

std::int16_t ToPcm(float v) {
    return static_cast<std::int16_t>(std::lrintf(std::clamp(v * 32768.0f, -32768.0f, 32767.0f)));
}
} // namespace

CAdxRecordBackend::CAdxRecordBackend(IAdxRenderSource& mixer, const CAdxLog& log, std::string path,
                                     unsigned rate, std::size_t period, CAdxPeriodClock::NowFn now)
    : m_log(log), m_path(std::move(path)), m_rate(rate), m_period(period ? period : 256),
      m_channels(static_cast<unsigned>(mixer.Channels())),
      m_ring(std::max<std::size_t>(std::size_t{rate} * kRingSeconds, m_period * 4),
             static_cast<int>(m_channels)),
      m_clock(mixer, rate, m_period, std::move(now)) {}

bool CAdxRecordBackend::Start(std::string& reason) {
    if (m_clock.IsRunning())
        return true;
    if (!m_writer.Open(m_path, m_rate, m_channels) || !m_writer.Sync()) {
        reason = "cannot write " + m_path;
        return false;
    }
    m_quitWriter = false;
    m_writerThread = std::thread([this] { RunWriter(); });
    m_clock.Start([this](const float* block, std::size_t frames) { Keep(block, frames); },
                  [this] { return m_ring.Free() >= m_period; });
    return true;
}

void CAdxRecordBackend::Stop() {
    if (!m_clock.IsRunning() && !m_writerThread.joinable())
        return; // stopped already: told once
    // The clock first, so that the writer's last pass finds every frame rendered.
    m_clock.Stop();
    m_quitWriter = true;
    if (m_writerThread.joinable())
        m_writerThread.join();
    m_writer.Close();
    if (const std::uint64_t lost = Dropped())
        m_log.Write(AdxLogLevel::Warning, "playkit: " + std::to_string(lost) +
                                              " frames could not be written to " + m_path + " in time");
    if (const std::uint64_t skipped = Skipped())
        m_log.Write(AdxLogLevel::Warning, "playkit: " + std::to_string(skipped) +
                                              " frames of a stall longer than a minute are missing from " +
                                              m_path);
}

void CAdxRecordBackend::Keep(const float* block, std::size_t frames) {
    if (m_ring.Free() < frames) {
        m_dropped.fetch_add(frames, std::memory_order_relaxed);
        return;
    }
    std::size_t done = 0;
    while (done < frames) {
        std::size_t n = frames - done;
        std::int16_t* dst = m_ring.WritePtr(n);
        for (std::size_t i = 0; i < n * m_channels; ++i)
            dst[i] = ToPcm(block[done * m_channels + i]);
        m_ring.Commit(n);
        done += n;
    }
}

bool CAdxRecordBackend::Drain() {
    std::uint64_t read = m_writer.Frames();
    const std::uint64_t written = m_ring.Written();
    bool ok = true;
    while (read < written && ok) {
        std::size_t n = static_cast<std::size_t>(written - read);
        const std::int16_t* src = m_ring.ReadPtr(read, n);
        ok = m_writer.WritePcm(src, n);
        read += n;
        m_ring.Consume(read);
    }
    return ok;
}

// Writer thread.
void CAdxRecordBackend::RunWriter() {
    pthread_setname_np(pthread_self(), "pk-record");
    bool failed = false;
    for (;;) {
        // Read the flag before draining: once it is seen, the clock has stopped and this pass is the last.
        const bool last = m_quitWriter.load(std::memory_order_acquire);
        const std::uint64_t before = m_writer.Frames();
        if (!failed) {
            if (!Drain() || (m_writer.Frames() != before && !m_writer.Sync())) {
                failed = true;
                m_log.Write(AdxLogLevel::Warning,
                            "playkit: writing " + m_path + " failed; the rest is not recorded");
            }
        }
        if (failed) // keep the ring moving so that the clock does not count the frames as dropped
            m_ring.Consume(m_ring.Written());
        if (last)
            return;
        std::this_thread::sleep_for(kWriterPeriod);
    }
}

} // namespace playkit
