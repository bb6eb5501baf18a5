#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"
#include "playkit/AdxWavSource.h"
#include "playkit/AdxWavWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

using playkit::AdxBackend;
using playkit::AdxEngineConfig;
using playkit::CAdxEngine;

namespace {
// Switches the engine to another backend for one test and back to offline rendering after it.
class CBackendScope {
public:
    explicit CBackendScope(AdxEngineConfig config) { m_ok = CAdxEngine::Configure(config); }
    ~CBackendScope() {
        AdxEngineConfig offline;
        offline.backend = AdxBackend::Offline;
        CAdxEngine::Configure(offline);
    }
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
};

struct TapCount {
    std::atomic<std::uint64_t> blocks{0};
    std::atomic<std::uint64_t> frames{0};
    static void Tap(void* user, const float*, std::size_t frames, std::size_t, std::uint64_t) {
        auto* t = static_cast<TapCount*>(user);
        ++t->blocks;
        t->frames += frames;
    }
};
} // namespace

TEST(CAdxEngine, ReadsItsBackendFromTheEnvironment) {
    setenv("PADORA_AUDIO", "null", 1);
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().backend, AdxBackend::Null);
    setenv("PADORA_AUDIO", "wav:/tmp/x.wav", 1);
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().backend, AdxBackend::WavFile);
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().wavPath, "/tmp/x.wav");
    setenv("PADORA_AUDIO", "portaudio:USB", 1);
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().backend, AdxBackend::PortAudio);
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().device, "USB");
    unsetenv("PADORA_AUDIO");
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().backend, AdxBackend::PortAudio);
    EXPECT_TRUE(CAdxEngine::ConfigFromEnvironment().device.empty());
}

TEST(CAdxEngine, PlaysInRealTimeOnTheNullClock) {
    const std::string dir = playkit_test::MakeTempDir();
    const std::string path = dir + "/short.wav";
    playkit_test::WriteWav(path, 48000, 2, 4800, [](int f, int) { return std::int16_t(f % 100 * 100); });
    AdxEngineConfig config;
    config.backend = AdxBackend::Null;
    config.periodFrames = 256;
    CBackendScope scope(config);
    ASSERT_TRUE(scope.Ok());
    TapCount tap;
    CAdxEngine::SetBlockTap(&TapCount::Tap, &tap);
    {
        CAdxShow p;
        ASSERT_EQ(p.Open(path.c_str(), 1), 0);
        ASSERT_EQ(p.Play(), 0);
        // The end arrives through the notifier, on its own, with nobody rendering by hand.
        LONG code = 0, a = 0, b = 0;
        ASSERT_EQ(p.GetEvent(&code, &a, &b, 5000), 0);
        EXPECT_EQ(code, EC_COMPLETE);
        EXPECT_NEAR(p.GetTickCount(), 0.1, 1e-9);
    }
    CAdxEngine::SetBlockTap(nullptr, nullptr);
    EXPECT_GT(tap.blocks.load(), 0u);
    EXPECT_EQ(tap.frames.load() % 256, 0u);
    EXPECT_GT(CAdxEngine::Counters().callbacks, 0u);
    std::filesystem::remove_all(dir);
}

TEST(CAdxEngine, RecordsIntoAWavFileWhileSomethingPlays) {
    const std::string dir = playkit_test::MakeTempDir();
    const std::string in = dir + "/in.wav", out = dir + "/out.wav";
    playkit_test::WriteWav(in, 48000, 1, 9600, [](int, int) { return std::int16_t(8192); });
    {
        AdxEngineConfig config;
        config.backend = AdxBackend::WavFile;
        config.wavPath = out;
        CBackendScope scope(config);
        ASSERT_TRUE(scope.Ok());
        CAdxShow p;
        ASSERT_EQ(p.Open(in.c_str(), 1), 0);
        ASSERT_EQ(p.Play(), 0);
        LONG code = 0, a = 0, b = 0;
        ASSERT_EQ(p.GetEvent(&code, &a, &b, 5000), 0);
        EXPECT_EQ(code, EC_COMPLETE);
    } // back to offline: the file is closed
    auto s = playkit::CAdxWavSource::Open(out);
    ASSERT_TRUE(s);
    // The 0.2 s of sound, on both sides, and nothing of the idle time before or after it.
    EXPECT_GE(s->Duration(), 0.2);
    EXPECT_LT(s->Duration(), 0.2 + 0.05);
    std::vector<std::int16_t> pcm(2 * 4800);
    ASSERT_EQ(s->Read(pcm.data(), 4800), 4800u);
    int loud = 0;
    for (std::size_t i = 0; i < pcm.size(); i += 2)
        loud += pcm[i] == 8192 && pcm[i + 1] == 8192;
    EXPECT_GT(loud, 4000);
    std::filesystem::remove_all(dir);
}

TEST(CAdxEngine, DamagedMidiFilesAreRefusedOrPlayedWithoutHarm) {
    const std::string dir = playkit_test::MakeTempDir();
    CAdxShow p;
    unsigned seed = 3;
    for (int n = 0; n < 20; ++n) {
        // A valid header and a track of noise: the parser must stay inside the bytes.
        std::string file("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x40", 22);
        for (int i = 0; i < 64; ++i) {
            seed = seed * 1103515245u + 12345u;
            file.push_back(static_cast<char>(seed >> 16));
        }
        const std::string path = dir + "/bad" + std::to_string(n) + ".mid";
        std::ofstream(path, std::ios::binary) << file;
        if (p.Open(path.c_str(), 1) == 0) {
            EXPECT_EQ(p.Play(), 0);
            std::vector<float> buf(2 * 4800);
            for (int k = 0; k < 10; ++k)
                ASSERT_TRUE(CAdxEngine::Render(buf.data(), 4800));
        }
    }
    p.Close();
    std::filesystem::remove_all(dir);
}

TEST(CAdxEngine, WithoutASoundCardFallsBackToTheNullClock) {
    AdxEngineConfig config;
    config.backend = AdxBackend::PortAudio;
    config.device = "no such device anywhere";
    CBackendScope scope(config);
    EXPECT_FALSE(scope.Ok());
    EXPECT_EQ(CAdxEngine::Current().backend, AdxBackend::Null);
}

TEST(CAdxEngine, OfflineRenderRefusedOnALiveBackend) {
    AdxEngineConfig config;
    config.backend = AdxBackend::Null;
    CBackendScope scope(config);
    float buf[64];
    EXPECT_FALSE(CAdxEngine::Render(buf, 32));
}

TEST(CAdxWavWriter, WritesAFileThatReadsBackTheSame) {
    const std::string dir = playkit_test::MakeTempDir();
    const std::string path = dir + "/w.wav";
    {
        playkit::CAdxWavWriter w;
        ASSERT_TRUE(w.Open(path, 44100));
        const float frames[8] = {0.f, -1.f, 0.5f, -0.5f, 2.f, -2.f, 0.25f, 1.f}; // clipped beyond full scale
        ASSERT_TRUE(w.Write(frames, 2));
        ASSERT_TRUE(w.Write(frames + 4, 2));
        ASSERT_TRUE(w.Close());
    }
    auto s = playkit::CAdxWavSource::Open(path);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->SampleRate(), 44100);
    EXPECT_EQ(s->Channels(), 2);
    std::int16_t out[8] = {};
    ASSERT_EQ(s->Read(out, 4), 4u);
    const std::int16_t want[8] = {0, -32768, 16384, -16384, 32767, -32768, 8192, 32767};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(out[i], want[i]) << i;
    EXPECT_TRUE(s->AtEnd());
    EXPECT_FALSE(playkit::CAdxWavWriter().Open(dir + "/missing/dir/x.wav", 48000));
    std::filesystem::remove_all(dir);
}

TEST(CAdxEngine, ASoundCuedAgainAfterPlayingGoesOnPastItsHeadWithoutAGap) {
    // A player that has played a while has a full ring of what came next; cued to 0 and played again,
    // its first frames come from the head and the rest must be decoded by then. With the old frames
    // holding the ring, the decoder could start only when the head ran out: a gap every time.
    const std::string dir = playkit_test::MakeTempDir();
    const std::string path = dir + "/long.wav";
    playkit_test::WriteWav(path, 48000, 2, 48000 * 6, [](int f, int) { return std::int16_t(f % 200 * 50); });
    AdxEngineConfig config;
    config.backend = AdxBackend::Null;
    config.periodFrames = 256;
    CBackendScope scope(config);
    ASSERT_TRUE(scope.Ok());
    {
        CAdxShow p;
        ASSERT_EQ(p.Open(path.c_str(), 1), 0);
        for (int turn = 0; turn < 2; ++turn) {
            ASSERT_EQ(p.Play(), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // the ring (1.4 s) is full
            // Stopped (a fade-out's end), the pad a while later: time enough for the decoder.
            ASSERT_EQ(p.Stop(), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            CAdxEngine::ResetCounters();
            ASSERT_EQ(p.Play(), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            EXPECT_EQ(CAdxEngine::Counters().underruns, 0u) << "turn " << turn;
            ASSERT_EQ(p.Stop(), 0);
        }
    }
    std::filesystem::remove_all(dir);
}
