#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

using playkit::AdxBackend;
using playkit::AdxEngineConfig;
using playkit::CAdxEngine;
using Clock = std::chrono::steady_clock;

namespace {
double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

void UseBackend(AdxBackend backend) {
    AdxEngineConfig config;
    config.backend = backend;
    CAdxEngine::Configure(config);
}

// A short tone for players that only need to exist.
class CToneFile {
public:
    CToneFile() : m_dir(playkit_test::MakeTempDir()), m_path(m_dir + "/tone.wav") {
        playkit_test::WriteWav(m_path, 48000, 1, 4800, [](int f, int) {
            return static_cast<std::int16_t>(std::lrint(8000 * std::sin(f * 2 * M_PI * 440 / 48000)));
        });
    }
    ~CToneFile() { std::filesystem::remove_all(m_dir); }
    const char* Path() const { return m_path.c_str(); }

private:
    std::string m_dir, m_path;
};

double RenderRms(std::size_t frames) {
    std::vector<float> out(frames * 2);
    EXPECT_TRUE(CAdxEngine::Render(out.data(), frames));
    return playkit_test::Rms(out, 0, 0, frames);
}
} // namespace

// Offline, nobody renders: to the mixer that is a device that has stopped taking blocks.
TEST(CAdxEngineQueue, AStalledDeviceRefusesCommandsAtOnceAndLosesNoneItTook) {
    CToneFile tone;
    CAdxShow p;
    ASSERT_EQ(p.Open(tone.Path(), 1), 0);
    int accepted = 0, result = 0;
    const auto start = Clock::now();
    for (int i = 0; i < 10000; ++i) {
        result = i % 2 ? p.Pause() : p.Play();
        if (result != 0)
            break;
        ++accepted;
    }
    EXPECT_EQ(result, CAdxShow::kEngineStalled) << "a full queue must not take a command silently";
    EXPECT_EQ(p.GetErrorCode(), ADX_E_ENGINE_STALLED);
    EXPECT_GT(accepted, 1000);
    EXPECT_LT(MsSince(start), 500.0) << "the caller (the UI) must not wait for the device";
    // The refused command left the player as it was: the last one taken decides.
    const bool playing = accepted % 2 == 1;
    EXPECT_EQ(p.IsPlay(), playing ? TRUE : FALSE);
    EXPECT_EQ(p.SetCurrentTime(0.01), CAdxShow::kEngineStalled);
    EXPECT_EQ(p.Stop(), CAdxShow::kEngineStalled);

    CAdxShow q;
    EXPECT_EQ(q.Open(tone.Path(), 2), -7) << "a player the mixer never hears of must not open";
    EXPECT_EQ(q.GetErrorCode(), ADX_E_ENGINE_STALLED);
    EXPECT_EQ(q.IsRender(), FALSE);

    // A player closed now stays alive in the engine until the mixer has let go of it.
    p.Close();
    // The device takes blocks again: the queue drains and everything works as before.
    RenderRms(4800);
    RenderRms(4800);
    ASSERT_EQ(q.Open(tone.Path(), 2), 0);
    ASSERT_EQ(q.Play(), 0);
    EXPECT_GT(RenderRms(2400), 0.05);
    q.Close();
    RenderRms(480);
}

// The second player had a file open; its next open fails as the mixer takes no new player.
TEST(CAdxEngineQueue, AnOpenFailedByAStalledDeviceLeavesThePlayerAsCloseDoes) {
    CToneFile tone;
    playkit_test::CProbe q;
    ASSERT_EQ(q.Open(tone.Path(), 7), 0);
    LONG left = 0, right = 0;
    (void)q.GetVolumePeak(&left, &right); // for its side effect: the peak buffer exists from now on
    CAdxShow p;
    ASSERT_EQ(p.Open(tone.Path(), 1), 0);
    int result = 0;
    for (int i = 0; i < 10000 && result == 0; ++i)
        result = i % 2 ? p.Pause() : p.Play();
    ASSERT_EQ(result, CAdxShow::kEngineStalled);

    EXPECT_EQ(q.Open(tone.Path(), 8), -7);
    EXPECT_EQ(q.GetErrorCode(), ADX_E_ENGINE_STALLED);
    playkit_test::ExpectClosedState(q);

    p.Close();
    RenderRms(4800);
    RenderRms(4800);
}

// Two threads open players at once: the voice table never takes more than it holds, and a player
// that gets no place says so.
TEST(CAdxEngineVoices, AFullTableFailsTheOpenWithACode) {
    CToneFile tone;
    constexpr int kEach = 150;
    std::vector<CAdxShow> a(kEach), b(kEach);
    std::atomic<int> opened{0}, refused{0}, wrong{0};
    auto openAll = [&](std::vector<CAdxShow>& players) {
        for (auto& p : players) {
            const int r = p.Open(tone.Path(), 1);
            if (r == 0)
                ++opened;
            else if (r == -7 && p.GetErrorCode() == E_OUTOFMEMORY)
                ++refused;
            else
                ++wrong;
        }
        for (auto& p : players)
            p.HandOver(); // the test thread plays and closes them
    };
    std::thread ta(openAll, std::ref(a)), tb(openAll, std::ref(b));
    ta.join();
    tb.join();
    EXPECT_EQ(opened.load(), 256);
    EXPECT_EQ(refused.load(), 2 * kEach - 256);
    EXPECT_EQ(wrong.load(), 0);
    // Every open player is in the mixer: the last one opened sounds.
    CAdxShow* last = nullptr;
    for (auto* list : {&a, &b})
        for (auto& p : *list)
            if (p.IsRender())
                last = &p;
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(last->Play(), 0);
    EXPECT_GT(RenderRms(2400), 0.05);
    for (auto* list : {&a, &b})
        for (auto& p : *list)
            p.Close();
    RenderRms(480);
}

namespace {
// How many of this process's descriptors are open on path.
int OpenCount(const std::string& path) {
    int n = 0;
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec))
        if (std::filesystem::read_symlink(fd.path(), ec) == path)
            ++n;
    return n;
}
} // namespace

// A closed group's players let go of their files and decoders when asked, before the next group
// is loaded. Offline nothing is let go of until the caller renders, and the call does not wait.
TEST(CAdxEngineVoices, ClosedPlayersAreFreedWhenAsked) {
    CToneFile tone;
    {
        CAdxShow p;
        ASSERT_EQ(p.Open(tone.Path(), 1), 0);
        ASSERT_EQ(p.Play(), 0);
        p.Close();
        const auto start = Clock::now();
        EXPECT_FALSE(CAdxEngine::FreeClosedPlayers(2000));
        EXPECT_LT(MsSince(start), 500.0);
        EXPECT_GT(OpenCount(tone.Path()), 0);
        RenderRms(256);
        bool freed = false;
        for (int i = 0; i < 100 && !freed; ++i)
            if (!(freed = CAdxEngine::FreeClosedPlayers(0)))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(freed);
        EXPECT_EQ(OpenCount(tone.Path()), 0);
    }
    UseBackend(AdxBackend::Null);
    for (int round = 0; round < 3; ++round) {
        std::vector<CAdxShow> group(10);
        for (auto& p : group) {
            ASSERT_EQ(p.Open(tone.Path(), 1), 0);
            ASSERT_EQ(p.Play(), 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_GT(OpenCount(tone.Path()), 0);
        for (auto& p : group)
            p.Close();
        EXPECT_TRUE(CAdxEngine::FreeClosedPlayers(2000)) << round;
        EXPECT_EQ(OpenCount(tone.Path()), 0) << round;
    }
    UseBackend(AdxBackend::Offline);
}

namespace {
// Each tap checks that it is called with its own user data, and counts its calls on leaving.
struct TapState {
    int tag;
    std::atomic<int> calls{0};
    static std::atomic<int> mismatches;
    template <int Tag> static void Tap(void* user, const float*, std::size_t, std::size_t, std::uint64_t) {
        auto* s = static_cast<TapState*>(user);
        if (s->tag != Tag)
            ++mismatches;
        std::this_thread::sleep_for(std::chrono::microseconds(300)); // widen the window
        ++s->calls;
    }
};
std::atomic<int> TapState::mismatches{0};
} // namespace

// While blocks run: once SetBlockTap returns, the old tap is never called again, and a tap never
// meets the other's user data.
TEST(CAdxEngineTap, ASwappedTapIsNeverCalledAfterTheSwapReturns) {
    UseBackend(AdxBackend::Null);
    TapState one{1}, two{2};
    int lateCalls = 0;
    for (int i = 0; i < 40; ++i) {
        TapState& from = i % 2 ? two : one;
        ASSERT_TRUE(i % 2 ? CAdxEngine::SetBlockTap(&TapState::Tap<1>, &one)
                          : CAdxEngine::SetBlockTap(&TapState::Tap<2>, &two));
        const int before = from.calls.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        lateCalls += from.calls.load() - before;
    }
    ASSERT_TRUE(CAdxEngine::SetBlockTap(nullptr, nullptr));
    EXPECT_EQ(lateCalls, 0);
    EXPECT_EQ(TapState::mismatches.load(), 0);
    EXPECT_GT(one.calls.load() + two.calls.load(), 0);
    UseBackend(AdxBackend::Offline);
}

// A position far beyond anything a frame count holds plays as at the end, and the clock never
// shows a negative time.
TEST(CAdxEngineSeek, AHugeTimeIsHeldAtTheEnd) {
    CToneFile tone;
    CAdxShow p;
    ASSERT_EQ(p.Open(tone.Path(), 1), 0);
    for (double t : {1e300, 1e12, 4e9}) {
        ASSERT_EQ(p.SetCurrentTime(t), 0) << t;
        EXPECT_GE(p.GetTickCount(), 0.0) << t;
        EXPECT_TRUE(std::isfinite(p.GetTickCount())) << t;
    }
    ASSERT_EQ(p.SetCurrentTime(1e300), 0);
    ASSERT_EQ(p.Play(), 0);
    EXPECT_LT(RenderRms(4800), 1e-4) << "nothing is left to play past the end";
    LONG code = 0, a = 0, b = 0;
    EXPECT_EQ(p.GetEvent(&code, &a, &b, 0), 0);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_GE(p.GetTickCount(), 0.0);
    p.Close();
}
