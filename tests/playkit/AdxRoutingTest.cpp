// Output pairs: each player plays on one stereo pair of an output with several, offline, into a
// recorded WAV file and through a JACK server with eight playback ports; a set that does not route
// renders exactly as it did on a stereo output.
#include "HangGuard.h"
#include "HeardSound.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using playkit::AdxBackend;
using playkit::AdxEngineConfig;
using playkit::CAdxEngine;
using playkit_test::CEngineOn;
using playkit_test::PairOf;
using playkit_test::WaitUntil;

namespace {
constexpr int kRate = 48000;
constexpr std::size_t kPairs = 4;
constexpr std::size_t kChannels = 2 * kPairs;

AdxEngineConfig Offline(unsigned pairs) {
    AdxEngineConfig c;
    c.backend = AdxBackend::Offline;
    c.sampleRate = kRate;
    c.pairs = pairs;
    return c;
}

// Media made once: a mono tone, a stereo chirp, and constant levels that tell the players apart.
class OutputPairs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = playkit_test::MakeTempDir();
        playkit_test::WriteWav(Tone(), kRate, 1, kRate, [](int f, int) {
            return static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * 440.0 * f / kRate)));
        });
        playkit_test::WriteWav(Chirp(), 44100, 2, 44100, [](int f, int c) {
            const double t = f / 44100.0;
            return static_cast<std::int16_t>(
                std::lround((c ? 9000 : 15000) * std::sin(2 * M_PI * (200 + 400 * t) * t)));
        });
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(s_dir); }

    static std::string Tone() { return s_dir + "/tone.wav"; }
    static std::string Chirp() { return s_dir + "/chirp.wav"; }
    // A mono file of one constant sample value, long enough for any test here.
    static std::string Level(int value) {
        const std::string path = s_dir + "/level" + std::to_string(value) + ".wav";
        if (!std::filesystem::exists(path))
            playkit_test::WriteWav(path, kRate, 1, kRate * 20,
                                   [value](int, int) { return std::int16_t(value); });
        return path;
    }

    // A short show on whatever output is configured: two players with volume, pan and rate, a fader
    // move, a stop in flight and a restart, each on the pair asked for. Returns every frame rendered.
    static std::vector<float> RenderShow(std::size_t channels, int pairA, int pairB) {
        std::vector<float> out;
        auto render = [&](std::size_t frames) {
            std::vector<float> block(frames * channels);
            EXPECT_TRUE(CAdxEngine::Render(block.data(), frames));
            out.insert(out.end(), block.begin(), block.end());
        };
        CAdxShow a, b;
        EXPECT_EQ(a.Open(Tone().c_str(), 1), 0);
        EXPECT_EQ(b.Open(Chirp().c_str(), 2), 0);
        EXPECT_EQ(a.SetOutputPair(pairA), 0);
        EXPECT_EQ(b.SetOutputPair(pairB), 0);
        EXPECT_EQ(a.SetVolume(-600), 0);
        EXPECT_EQ(a.SetBalance(-2500), 0);
        EXPECT_EQ(b.SetRate(1.3), 0);
        EXPECT_EQ(a.Play(), 0);
        render(3000);
        EXPECT_EQ(b.Play(), 0);
        render(2500);
        EXPECT_EQ(a.SetVolume(-2000), 0); // ramped over the next block
        EXPECT_EQ(b.SetBalance(3000), 0);
        render(4100);
        EXPECT_EQ(a.Stop(), 0); // its tail fades out in the next block
        render(1000);
        EXPECT_EQ(a.Play(), 0);
        render(6000);
        a.Close();
        b.Close();
        render(512);
        return out;
    }

    static std::string s_dir;
};
std::string OutputPairs::s_dir;

bool Silent(const std::vector<float>& stereo) {
    for (float v : stereo)
        if (v != 0.0f)
            return false;
    return true;
}
} // namespace

// A set without routing sounds the same on a four-pair output as on a stereo one, sample for sample,
// with nothing on the other pairs.
TEST_F(OutputPairs, UnroutedSetRendersIdenticallyOnMorePairs) {
    std::vector<float> stereo, wide;
    {
        CEngineOn engine(Offline(1));
        ASSERT_EQ(CAdxEngine::OutputPairs(), 1u);
        stereo = RenderShow(2, 0, 0);
    }
    {
        CEngineOn engine(Offline(kPairs));
        ASSERT_EQ(CAdxEngine::OutputPairs(), kPairs);
        wide = RenderShow(kChannels, 0, 0);
    }
    ASSERT_EQ(wide.size(), stereo.size() * kPairs);
    EXPECT_FALSE(Silent(stereo));
    EXPECT_TRUE(PairOf(wide, kChannels, 0) == stereo) << "pair 0 differs from the stereo render";
    for (std::size_t p = 1; p < kPairs; ++p)
        EXPECT_TRUE(Silent(PairOf(wide, kChannels, p))) << "pair " << p;
}

// Routed, each player is heard on its own pair only and exactly as it sounds alone on a stereo
// output; one naming a pair the output lacks is heard on pair 0.
TEST_F(OutputPairs, EachPlayerIsHeardOnItsPairOnly) {
    std::vector<float> routed, beyond;
    {
        CEngineOn engine(Offline(kPairs));
        routed = RenderShow(kChannels, 3, 1);
        beyond = RenderShow(kChannels, 0, 9); // pair 9 of 4: pair 0
    }
    std::vector<float> stereoBoth;
    {
        CEngineOn engine(Offline(1));
        stereoBoth = RenderShow(2, 0, 0);
    }
    EXPECT_TRUE(Silent(PairOf(routed, kChannels, 0)));
    EXPECT_TRUE(Silent(PairOf(routed, kChannels, 2)));
    const std::vector<float> tone = PairOf(routed, kChannels, 3), chirp = PairOf(routed, kChannels, 1);
    ASSERT_FALSE(Silent(tone));
    ASSERT_FALSE(Silent(chirp));
    // The two pairs add up to the stereo mix (to float rounding: the sum is formed in another order).
    const std::size_t frames = stereoBoth.size() / 2;
    double worst = 0;
    for (std::size_t i = 0; i < frames * 2; ++i)
        worst = std::max(worst, static_cast<double>(std::fabs(tone[i] + chirp[i] - stereoBoth[i])));
    EXPECT_LT(worst, 1e-6);
    // The tone starts 3000 frames before the chirp: until then only pair 3 sounds.
    EXPECT_GT(playkit_test::Rms(tone, 0, 0, 3000), 0.01);
    EXPECT_EQ(playkit_test::Rms(chirp, 0, 0, 3000), 0.0);
    // Beyond the output: on pair 0, the same as both there.
    EXPECT_TRUE(PairOf(beyond, kChannels, 0) == stereoBoth);
}

// A player moved to another pair while it plays is heard there from the next block; the stop's
// fade-out stays on the pair it played on.
TEST_F(OutputPairs, MovingAPlayingPlayerAndStoppingIt) {
    CEngineOn engine(Offline(kPairs));
    CAdxShow p;
    ASSERT_EQ(p.Open(Level(8192).c_str(), 1), 0);
    ASSERT_EQ(p.Play(), 0);
    std::vector<float> block(1024 * kChannels);
    ASSERT_TRUE(CAdxEngine::Render(block.data(), 1024));
    EXPECT_NEAR(PairOf(block, kChannels, 0)[1000], 0.25, 1e-4);
    ASSERT_EQ(p.SetOutputPair(2), 0);
    EXPECT_EQ(p.GetOutputPair(), 2);
    ASSERT_TRUE(CAdxEngine::Render(block.data(), 1024));
    EXPECT_TRUE(Silent(PairOf(block, kChannels, 0)));
    EXPECT_NEAR(PairOf(block, kChannels, 2)[1001], 0.25, 1e-4);
    ASSERT_EQ(p.Stop(), 0);
    ASSERT_TRUE(CAdxEngine::Render(block.data(), 1024));
    const std::vector<float> tail = PairOf(block, kChannels, 2);
    EXPECT_GT(tail[0], 0.2f);      // the fade starts near full level on pair 2
    EXPECT_EQ(tail[2 * 200], 0.f); // and is over within its 128 frames
    EXPECT_TRUE(Silent(PairOf(block, kChannels, 0)));
    EXPECT_EQ(p.SetOutputPair(-1), AdxResult::kBadValue);
    EXPECT_EQ(p.SetOutputPair(static_cast<int>(playkit::kAdxMaxOutputPairs)), AdxResult::kBadValue);
    EXPECT_EQ(p.GetOutputPair(), 2);
}

// The record backend with four pairs writes every channel: an extensible WAV file with a channel
// mask, each pair carrying the player routed to it.
TEST_F(OutputPairs, RecordWritesEveryPairToAnExtensibleWav) {
    const std::string path = s_dir + "/record4.wav";
    constexpr std::array<int, kPairs> kLevel = {2000, 4000, 0, 12000}; // pair 2: nobody
    {
        AdxEngineConfig config;
        config.backend = AdxBackend::Record;
        config.wavPath = path;
        config.pairs = kPairs;
        CEngineOn engine(config);
        ASSERT_TRUE(engine.Ok());
        EXPECT_EQ(CAdxEngine::OutputPairs(), kPairs);
        std::vector<std::unique_ptr<CAdxShow>> players;
        for (std::size_t p = 0; p < kPairs; ++p) {
            if (!kLevel[p])
                continue;
            players.push_back(std::make_unique<CAdxShow>());
            ASSERT_EQ(players.back()->Open(Level(kLevel[p]).c_str(), 1), 0);
            ASSERT_EQ(players.back()->SetOutputPair(static_cast<int>(p)), 0);
        }
        for (auto& p : players)
            ASSERT_EQ(p->Play(), 0);
        playkit_test::SWrittenWav wav;
        EXPECT_TRUE(
            WaitUntil([&] { return playkit_test::ReadWrittenWav(path, wav) && wav.Frames() > kRate / 2; },
                      std::chrono::seconds(10)));
        for (auto& p : players)
            p->Close();
    }
    playkit_test::SWrittenWav wav;
    ASSERT_TRUE(playkit_test::ReadWrittenWav(path, wav));
    EXPECT_EQ(wav.formatTag, 0xFFFE);
    EXPECT_EQ(wav.subFormatTag, 1); // PCM
    EXPECT_EQ(wav.channels, static_cast<int>(kChannels));
    EXPECT_EQ(wav.channelMask, 0xFFu);
    EXPECT_EQ(wav.rate, static_cast<unsigned>(kRate));
    // Where all of them sound (they started in one block, a frame or two apart at most).
    std::size_t from = 0;
    while (from < wav.Frames() && wav.samples[from * kChannels + 6] == 0.f)
        ++from;
    ASSERT_LT(from + kRate / 4, wav.Frames());
    for (std::size_t p = 0; p < kPairs; ++p) {
        const std::vector<float> pair = PairOf(wav.samples, kChannels, p);
        for (int side = 0; side < 2; ++side)
            EXPECT_NEAR(playkit_test::Rms(pair, side, from + 512, from + kRate / 4), kLevel[p] / 32768.0,
                        1e-4)
                << "pair " << p << " side " << side;
    }
}

// A stereo output still writes the plain PCM layout that every reader knows.
TEST_F(OutputPairs, StereoRecordingKeepsThePlainLayout) {
    const std::string path = s_dir + "/render2.wav";
    CEngineOn engine(Offline(1));
    CAdxShow p;
    ASSERT_EQ(p.Open(Level(4000).c_str(), 1), 0);
    ASSERT_EQ(p.Play(), 0);
    ASSERT_TRUE(CAdxEngine::RenderToWav(path.c_str(), 4800));
    p.Close();
    playkit_test::SWrittenWav wav;
    ASSERT_TRUE(playkit_test::ReadWrittenWav(path, wav));
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.Frames(), 4800u);
}

namespace {
constexpr auto kJackTestLimit = std::chrono::seconds(120);
constexpr std::array<double, kPairs> kJackHz = {500.0, 0.0, 1000.0, 1500.0}; // pair 1: nobody
} // namespace

// Through a JACK server whose device has eight playback ports: padora registers out_0 … out_7, wires
// them to playback_1 … playback_8 in order, and each player arrives on its pair's two ports only.
TEST_F(OutputPairs, JackDevicePortsCarryEachPairSeparately) {
    playkit_test::CJackServer server(kRate, 256, kChannels);
    playkit_test::CHangGuard guard("OutputPairs.JackDevicePortsCarryEachPairSeparately", kJackTestLimit,
                                   [&] { server.Abandon(); });
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    std::vector<std::string> tones;
    for (std::size_t p = 0; p < kPairs; ++p) {
        tones.push_back(s_dir + "/jack" + std::to_string(p) + ".wav");
        const double hz = kJackHz[p];
        playkit_test::WriteWav(tones.back(), kRate, 1, kRate * 20, [hz](int f, int) {
            return static_cast<std::int16_t>(std::lround(8000 * std::sin(2 * M_PI * hz * f / kRate)));
        });
    }
    AdxEngineConfig config;
    config.backend = AdxBackend::PortAudio;
    config.device = "system";
    config.sampleRate = kRate;
    config.pairs = kPairs;
    CEngineOn engine(config);
    ASSERT_TRUE(engine.Ok());
    std::vector<std::unique_ptr<CAdxShow>> players;
    for (std::size_t p = 0; p < kPairs; ++p) {
        if (kJackHz[p] == 0.0)
            continue;
        players.push_back(std::make_unique<CAdxShow>());
        ASSERT_EQ(players.back()->Open(tones[p].c_str(), 1), 0);
        ASSERT_EQ(players.back()->SetOutputPair(static_cast<int>(p)), 0);
    }
    ASSERT_FALSE(CAdxEngine::OutputLost());
    EXPECT_EQ(CAdxEngine::OutputPairs(), kPairs);
    playkit_test::CJackRecorder rec(static_cast<int>(kChannels));
    ASSERT_TRUE(rec.Open(1.5, error)) << error;
    // What feeds the device's ports, port by port: this proves padora's wiring as well.
    ASSERT_TRUE(rec.ConnectAlongside("system"));
    rec.Start();
    for (auto& p : players)
        ASSERT_EQ(p->Play(), 0);
    EXPECT_TRUE(WaitUntil([&] { return rec.FrameCount() >= static_cast<std::size_t>(kRate); },
                          std::chrono::seconds(10)));
    rec.Stop();
    for (auto& p : players)
        p->Close();
    const std::vector<float> frames = rec.Frames();
    const std::size_t n = frames.size() / kChannels;
    const double full = 8000 / 32768.0 / std::sqrt(2.0);
    for (std::size_t p = 0; p < kPairs; ++p) {
        SCOPED_TRACE(testing::Message() << "pair " << p);
        const std::vector<float> pair = PairOf(frames, kChannels, p);
        if (kJackHz[p] == 0.0) {
            EXPECT_EQ(playkit_test::FirstSounding(pair), std::string::npos);
            continue;
        }
        const std::size_t first = playkit_test::FirstSounding(pair);
        ASSERT_NE(first, std::string::npos);
        ASSERT_GT(n, first + kRate / 2);
        const playkit_test::Heard heard =
            playkit_test::Measure(pair, first + kRate / 20, first + kRate / 20 + kRate * 2 / 5, kRate);
        EXPECT_NEAR(heard.hz, kJackHz[p], 1.0);
        EXPECT_NEAR(playkit_test::Db(heard.rmsLeft / full), 0.0, 0.2);
        EXPECT_NEAR(playkit_test::Db(heard.rmsRight / full), 0.0, 0.2);
    }
}
