#include "playkit/AdxPeriodClock.h"

#include "playkit/AdxRenderSource.h"

#include <chrono>
#include <pthread.h>
#include <sched.h>

namespace playkit {
namespace {
// While catching up: how long to wait for the consumer's room, and how much of the owed time is
// rendered back to back before the thread rests, so that other threads get the core.
constexpr auto kRoomWait = std::chrono::milliseconds(1);
constexpr auto kCatchUpRest = std::chrono::milliseconds(1);
constexpr std::uint64_t kCatchUpChunkMs = 100;
} // namespace

CAdxPeriodClock::CAdxPeriodClock(IAdxRenderSource& mixer, unsigned rate, std::size_t period, NowFn now)
    : m_mixer(mixer), m_rate(rate), m_period(period), m_channels(mixer.Channels()),
      m_buffer(period * m_channels), m_now(now ? std::move(now) : NowFn([] { return Clock::now(); })) {}

void CAdxPeriodClock::Start(BlockFn onBlock, RoomFn hasRoom) {
    if (m_thread.joinable())
        return;
    m_onBlock = std::move(onBlock);
    m_hasRoom = std::move(hasRoom);
    m_quit = false;
    m_thread = std::thread([this] { Run(); });
}

void CAdxPeriodClock::Stop() {
    m_quit = true;
    if (m_thread.joinable())
        m_thread.join();
}

// Device thread.
void CAdxPeriodClock::Run() {
    pthread_setname_np(pthread_self(), "pk-device");
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    const auto start = m_now();
    const auto dueAt = [&](std::uint64_t frames) {
        return start + std::chrono::nanoseconds(frames * 1000000000ull / m_rate);
    };
    const std::uint64_t chunkFrames = std::uint64_t{m_rate} * kCatchUpChunkMs / 1000;
    const auto period = std::chrono::nanoseconds(m_period * 1000000000ull / m_rate);
    std::uint64_t frames = 0;
    std::uint64_t sinceRest = 0;
    while (!m_quit.load(std::memory_order_relaxed)) {
        const auto lag = m_now() - dueAt(frames);
        if (lag > kMaxCatchUp) {
            // Too long asleep to render it all: the timeline goes on from a minute ago.
            const auto skip = std::chrono::duration_cast<std::chrono::nanoseconds>(lag - kMaxCatchUp);
            const std::uint64_t owed = static_cast<std::uint64_t>(skip.count()) * m_rate / 1000000000ull;
            const std::uint64_t skipped = owed / m_period * m_period;
            frames += skipped;
            m_skipped.fetch_add(skipped, std::memory_order_relaxed);
        }
        const bool catchingUp = lag > period;
        if (catchingUp && m_hasRoom && !m_hasRoom()) {
            std::this_thread::sleep_for(kRoomWait);
            continue;
        }
        m_mixer.Render(m_buffer.data(), m_period, m_channels);
        if (m_onBlock)
            m_onBlock(m_buffer.data(), m_period);
        frames += m_period;
        const auto due = dueAt(frames);
        const auto now = m_now();
        // A card with two periods of buffer plays this block from the time the next one is due:
        // finished later, it would have played silence.
        if (now > due) {
            m_mixer.CountDeviceXrun();
            sinceRest += m_period;
            if (sinceRest >= chunkFrames) {
                sinceRest = 0;
                std::this_thread::sleep_for(kCatchUpRest);
            }
        } else {
            sinceRest = 0;
            std::this_thread::sleep_for(due - now);
        }
    }
}

} // namespace playkit
