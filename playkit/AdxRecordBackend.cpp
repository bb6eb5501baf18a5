#include "playkit/AdxRecordBackend.h"

#include "playkit/AdxMixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <pthread.h>
#include <sched.h>

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

CAdxRecordBackend::CAdxRecordBackend(CAdxMixer& mixer, std::string path, unsigned rate, std::size_t period)
    : m_mixer(mixer), m_path(std::move(path)), m_rate(rate), m_period(period ? period : 256),
      m_ring(std::max<std::size_t>(std::size_t{rate} * kRingSeconds, m_period * 4), 2),
      m_buffer(m_period * 2) {}

bool CAdxRecordBackend::Start(std::string& reason) {
    if (m_clock.joinable())
        return true;
    if (!m_writer.Open(m_path, m_rate) || !m_writer.Sync()) {
        reason = "cannot write " + m_path;
        return false;
    }
    m_quitClock = false;
    m_quitWriter = false;
    m_writerThread = std::thread([this] { RunWriter(); });
    m_clock = std::thread([this] { RunClock(); });
    return true;
}

void CAdxRecordBackend::Stop() {
    // The clock first, so that the writer's last pass finds every frame rendered.
    m_quitClock = true;
    if (m_clock.joinable())
        m_clock.join();
    m_quitWriter = true;
    if (m_writerThread.joinable())
        m_writerThread.join();
    m_writer.Close();
    if (const std::uint64_t lost = Dropped())
        std::fprintf(stderr, "playkit: %llu frames could not be written to %s in time\n",
                     static_cast<unsigned long long>(lost), m_path.c_str());
}

// Clock thread: real-time, no I/O, no allocation.
void CAdxRecordBackend::RunClock() {
    pthread_setname_np(pthread_self(), "pk-device");
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::uint64_t frames = 0;
    while (!m_quitClock.load(std::memory_order_relaxed)) {
        m_mixer.Render(m_buffer.data(), m_period);
        if (m_ring.Free() < m_period) {
            m_dropped.fetch_add(m_period, std::memory_order_relaxed);
        } else {
            std::size_t done = 0;
            while (done < m_period) {
                std::size_t n = m_period - done;
                std::int16_t* dst = m_ring.WritePtr(n);
                for (std::size_t i = 0; i < n * 2; ++i)
                    dst[i] = ToPcm(m_buffer[done * 2 + i]);
                m_ring.Commit(n);
                done += n;
            }
        }
        frames += m_period;
        const auto due = start + std::chrono::nanoseconds(frames * 1000000000ull / m_rate);
        if (Clock::now() > due) // late for a card's two periods of buffer, as on the null clock
            m_mixer.CountDeviceXrun();
        std::this_thread::sleep_until(due);
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
                std::fprintf(stderr, "playkit: writing %s failed; the rest is not recorded\n",
                             m_path.c_str());
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
