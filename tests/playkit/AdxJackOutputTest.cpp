// Playkit through PortAudio's JACK host API on a real JACK server (dummy driver), heard by a JACK
// client of the test: what arrives on padora's ports, and what happens when the server goes away
// and comes back while a sound plays.
#include "HangGuard.h"
#include "HeardSound.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

using playkit::AdxBackend;
using playkit::AdxEngineConfig;
using playkit::CAdxEngine;
using playkit_test::CEngineOn;
using playkit_test::CHangGuard;
using playkit_test::CJackRecorder;
using playkit_test::CJackServer;
using playkit_test::FirstSounding;
using playkit_test::Heard;
using playkit_test::Sleep;
using playkit_test::SoundingFrames;
using playkit_test::WaitUntil;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kRate = 48000;
constexpr double kToneHz = 1000.0;
constexpr std::int16_t kToneAmplitude = 16384; // -6 dBFS
constexpr const char* kJackClient = "padora";
constexpr const char* kJackDevice = "system"; // PortAudio's device for the server's playback ports
// Far beyond what a test takes on a busy machine (20 s at most), far below ctest's limit for the binary.
constexpr auto kTestLimit = std::chrono::seconds(120);

// The 16-bit stereo frames of a WAV file the record backend wrote.
std::vector<float> ReadWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> out;
    if (b.size() < 44 || std::memcmp(b.data() + 36, "data", 4) != 0)
        return out;
    const std::size_t samples = (b.size() - 44) / 2;
    out.resize(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        std::int16_t v;
        std::memcpy(&v, b.data() + 44 + 2 * i, 2);
        out[i] = v / 32768.0f;
    }
    return out;
}

AdxEngineConfig JackConfig() {
    AdxEngineConfig c;
    c.backend = AdxBackend::PortAudio;
    c.device = kJackDevice;
    c.sampleRate = kRate;
    c.periodFrames = 256;
    return c;
}

class JackOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = playkit_test::MakeTempDir();
        s_tone = s_dir + "/tone.wav";
        playkit_test::WriteWav(s_tone, kRate, 1, kRate * 30, [](int f, int) {
            return static_cast<std::int16_t>(
                std::lround(kToneAmplitude * std::sin(2 * M_PI * kToneHz * f / kRate)));
        });
        s_server = std::make_unique<CJackServer>(kRate, 256);
    }
    static void TearDownTestSuite() {
        s_server.reset();
        std::filesystem::remove_all(s_dir);
    }
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_guard = std::make_unique<CHangGuard>(std::string(info->test_suite_name()) + "." + info->name(),
                                               kTestLimit, [] { s_server->Abandon(); });
        Step("starting the server");
        std::string error;
        ASSERT_TRUE(s_server->Start(error)) << error;
        Step("running");
    }
    void TearDown() override { m_guard.reset(); }
    void Step(const char* what) { m_guard->Step(what); }

    // Opens the tone with the settings; the engine (and its JACK client) starts with the first player.
    static void OpenTone(CAdxShow& p, LONG volume, LONG balance, double rate) {
        ASSERT_EQ(p.Open(s_tone.c_str(), 1), 0);
        ASSERT_EQ(p.SetVolume(volume), 0);
        ASSERT_EQ(p.SetBalance(balance), 0);
        ASSERT_EQ(p.SetRate(rate), 0);
    }

    std::unique_ptr<CHangGuard> m_guard;
    static std::unique_ptr<CJackServer> s_server;
    static std::string s_dir;
    static std::string s_tone;
};
std::unique_ptr<CJackServer> JackOutput::s_server;
std::string JackOutput::s_dir;
std::string JackOutput::s_tone;

} // namespace

TEST_F(JackOutput, DevicesListTheServerBesideTheOtherHostApis) {
    bool found = false;
    for (const playkit::AdxOutputDevice& d : CAdxEngine::OutputDevices()) {
        if (d.hostApi.find("JACK") != std::string::npos && d.name == kJackDevice) {
            found = true;
            EXPECT_EQ(d.channels, 2);
            EXPECT_EQ(d.defaultRate, kRate);
        }
    }
    EXPECT_TRUE(found);
}

namespace {
struct ToneCase {
    LONG volume, balance;
    double rate;
};
} // namespace

// Level, balance and pitch as the engine set them: what arrives on the server is what the record
// backend writes for the same player settings.
TEST_F(JackOutput, APlayedSoundArrivesAsTheEngineRendersIt) {
    for (const ToneCase c : {ToneCase{0, 0, 1.0}, ToneCase{-600, 2000, 1.5}, ToneCase{-1200, -1000, 0.5}}) {
        SCOPED_TRACE(testing::Message()
                     << "volume " << c.volume << " balance " << c.balance << " rate " << c.rate);
        Heard jack, recorded;
        {
            CEngineOn engine(JackConfig());
            ASSERT_TRUE(engine.Ok());
            CAdxShow p;
            OpenTone(p, c.volume, c.balance, c.rate);
            ASSERT_FALSE(CAdxEngine::OutputLost());
            CJackRecorder rec;
            std::string error;
            ASSERT_TRUE(rec.Open(1.5, error)) << error;
            ASSERT_TRUE(rec.ConnectFrom(kJackClient));
            rec.Start();
            ASSERT_EQ(p.Play(), 0);
            // Frames, not wall time: a busy machine may run the server late.
            EXPECT_TRUE(WaitUntil([&] { return SoundingFrames(rec.Frames()) > kRate * 6 / 10; },
                                  std::chrono::seconds(10)));
            rec.Stop();
            p.Close();
            const std::vector<float> frames = rec.Frames();
            const std::size_t first = FirstSounding(frames);
            ASSERT_NE(first, std::string::npos);
            ASSERT_GT(frames.size() / 2, first + kRate / 2);
            // Past the start: a stretch of 0.4 s.
            jack =
                playkit_test::Measure(frames, first + kRate / 20, first + kRate / 20 + kRate * 2 / 5, kRate);
        }
        {
            const std::string path = s_dir + "/record.wav";
            AdxEngineConfig config;
            config.backend = AdxBackend::Record;
            config.wavPath = path;
            {
                CEngineOn engine(config);
                ASSERT_TRUE(engine.Ok());
                CAdxShow p;
                OpenTone(p, c.volume, c.balance, c.rate);
                ASSERT_EQ(p.Play(), 0);
                EXPECT_TRUE(WaitUntil([&] { return SoundingFrames(ReadWav(path)) > kRate * 6 / 10; },
                                      std::chrono::seconds(10)));
                p.Close();
            }
            const std::vector<float> frames = ReadWav(path);
            const std::size_t first = FirstSounding(frames);
            ASSERT_NE(first, std::string::npos);
            ASSERT_GT(frames.size() / 2, first + kRate / 2);
            recorded =
                playkit_test::Measure(frames, first + kRate / 20, first + kRate / 20 + kRate * 2 / 5, kRate);
        }
        EXPECT_NEAR(playkit_test::Db(jack.rmsLeft / recorded.rmsLeft), 0.0, 0.1);
        EXPECT_NEAR(playkit_test::Db(jack.rmsRight / recorded.rmsRight), 0.0, 0.1);
        EXPECT_NEAR(jack.hz, recorded.hz, 0.5);
        // and both as set: the tone's pitch times the rate, the level in hundredths of a dB.
        EXPECT_NEAR(jack.hz, kToneHz * c.rate, 1.0);
        const double full = kToneAmplitude / 32768.0 / std::sqrt(2.0);
        const double louder = c.volume / 100.0, quieter = (c.volume - std::abs(c.balance)) / 100.0;
        EXPECT_NEAR(playkit_test::Db(jack.rmsLeft / full), c.balance > 0 ? quieter : louder, 0.2);
        EXPECT_NEAR(playkit_test::Db(jack.rmsRight / full), c.balance < 0 ? quieter : louder, 0.2);
    }
}

// The server stops in the middle of a sound: the player goes on on the clock, the engine says the
// output is lost, and when the server is back the engine returns to it by itself, the sound still
// playing where the clock has brought it.
TEST_F(JackOutput, ServerStoppedAndStartedAgainMidPlay) {
    CEngineOn engine(JackConfig());
    ASSERT_TRUE(engine.Ok());
    CAdxShow p;
    OpenTone(p, -600, 0, 1.0);
    ASSERT_EQ(p.Play(), 0);
    const auto playedAt = Clock::now();
    auto sincePlay = [&] { return std::chrono::duration<double>(Clock::now() - playedAt).count(); };
    Heard before;
    {
        CJackRecorder rec;
        std::string error;
        ASSERT_TRUE(rec.Open(1.0, error)) << error;
        ASSERT_TRUE(rec.ConnectFrom(kJackClient));
        rec.Start();
        EXPECT_TRUE(WaitUntil([&] { return rec.FrameCount() >= kRate / 2; }, std::chrono::seconds(10)));
        rec.Stop();
        before = playkit_test::Measure(rec.Frames(), 0, rec.FrameCount(), kRate);
    }
    ASSERT_NEAR(playkit_test::Db(before.rmsLeft / (kToneAmplitude / 32768.0 / std::sqrt(2.0))), -6.0, 0.2);

    s_server->Stop();
    ASSERT_TRUE(WaitUntil([] { return CAdxEngine::OutputLost(); }, std::chrono::seconds(5)));
    EXPECT_EQ(CAdxEngine::Current().backend, AdxBackend::Null);
    EXPECT_TRUE(p.IsPlay());
    // On the clock: the position moves at the speed of the wall clock.
    const auto wallAt = Clock::now();
    const double lostAt = p.GetTickCount();
    Sleep(0.5);
    const double lostLater = p.GetTickCount();
    EXPECT_NEAR(lostLater - lostAt, std::chrono::duration<double>(Clock::now() - wallAt).count(), 0.1);
    // A server that stays away is tried again and again, harmlessly.
    Sleep(2.5);
    EXPECT_TRUE(CAdxEngine::OutputLost());

    std::string error;
    ASSERT_TRUE(s_server->Start(error)) << error;
    ASSERT_TRUE(WaitUntil([] { return !CAdxEngine::OutputLost(); }, std::chrono::seconds(10)));
    EXPECT_EQ(CAdxEngine::Current().backend, AdxBackend::PortAudio);
    EXPECT_TRUE(p.IsPlay());
    const double back = p.GetTickCount();
    // Kept its place: further on than while lost, never further than the time since Play.
    EXPECT_GT(back, lostLater);
    EXPECT_LT(back, sincePlay() + 0.05);

    CJackRecorder rec;
    ASSERT_TRUE(rec.Open(1.0, error)) << error;
    ASSERT_TRUE(rec.ConnectFrom(kJackClient));
    rec.Start();
    EXPECT_TRUE(WaitUntil([&] { return rec.FrameCount() >= kRate / 2; }, std::chrono::seconds(10)));
    rec.Stop();
    const Heard after = playkit_test::Measure(rec.Frames(), 0, rec.FrameCount(), kRate);
    EXPECT_NEAR(playkit_test::Db(after.rmsLeft / before.rmsLeft), 0.0, 0.1);
    EXPECT_NEAR(playkit_test::Db(after.rmsRight / before.rmsRight), 0.0, 0.1);
    EXPECT_NEAR(after.hz, kToneHz, 1.0);
    EXPECT_GT(p.GetTickCount() - back, 0.4); // and runs on with the server's clock
    p.Close();
}

// The cue on the JACK server, the house on a recording: the server going away loses the cue only, the
// house plays on, and the cue comes back by itself.
TEST_F(JackOutput, ACueDeviceLostAndBackLeavesTheHouseAlone) {
    AdxEngineConfig config;
    config.backend = AdxBackend::Record;
    config.wavPath = playkit_test::MakeTempDir() + "/house.wav";
    config.cueDevice = kJackDevice;
    CEngineOn engine(config);
    ASSERT_TRUE(engine.Ok());
    EXPECT_FALSE(CAdxEngine::CueLost());
    CAdxShow house;
    OpenTone(house, 0, 0, 1.0);
    ASSERT_EQ(house.Play(), 0);

    s_server->Stop();
    ASSERT_TRUE(WaitUntil([] { return CAdxEngine::CueLost(); }, std::chrono::seconds(5)));
    EXPECT_FALSE(CAdxEngine::OutputLost());
    const double lostAt = house.GetTickCount();
    Sleep(0.5);
    EXPECT_NEAR(house.GetTickCount() - lostAt, 0.5, 0.1);

    std::string error;
    ASSERT_TRUE(s_server->Start(error)) << error;
    ASSERT_TRUE(WaitUntil([] { return !CAdxEngine::CueLost(); }, std::chrono::seconds(10)));
    EXPECT_TRUE(house.IsPlay());
    // The auditioned sound reaches the server's ports again.
    CAdxShow cue;
    OpenTone(cue, -600, 0, 1.0);
    ASSERT_EQ(cue.SetAudition(TRUE), 0);
    ASSERT_EQ(cue.Play(), 0);
    CJackRecorder rec;
    ASSERT_TRUE(rec.Open(1.0, error)) << error;
    ASSERT_TRUE(rec.ConnectFrom(kJackClient));
    rec.Start();
    EXPECT_TRUE(WaitUntil([&] { return rec.FrameCount() >= kRate / 2; }, std::chrono::seconds(10)));
    rec.Stop();
    const Heard heard = playkit_test::Measure(rec.Frames(), kRate / 10, rec.FrameCount(), kRate);
    EXPECT_NEAR(playkit_test::Db(heard.rmsLeft / (kToneAmplitude / 32768.0 / std::sqrt(2.0))), -6.0, 0.5);
    cue.Close();
    house.Close();
}

// A server that stops answering in the middle of a sound (its process frozen): the engine gives it up
// within seconds, even though the client library cannot close its client while the server is frozen, and
// the player goes on on the clock. The server, thawed, still has its clients' calls to answer.
TEST_F(JackOutput, AFrozenServerIsGivenUpWithinSeconds) {
    CEngineOn engine(JackConfig());
    ASSERT_TRUE(engine.Ok());
    CAdxShow p;
    OpenTone(p, -600, 0, 1.0);
    ASSERT_EQ(p.Play(), 0);
    Sleep(0.3);
    Step("freezing the server");
    s_server->Freeze();
    Step("waiting for the engine to give the frozen server up");
    EXPECT_TRUE(WaitUntil([] { return CAdxEngine::OutputLost(); }, std::chrono::seconds(8)));
    const double at = p.GetTickCount();
    Sleep(0.5);
    EXPECT_GT(p.GetTickCount() - at, 0.3) << "the player stopped with the server";
    Step("closing the player");
    p.Close();
    Step("choosing the null output");
    AdxEngineConfig null;
    null.backend = AdxBackend::Null;
    EXPECT_TRUE(CAdxEngine::Configure(null));
    // Thawed, the server answers the calls of the client left behind, which then closes: only then
    // does it end on SIGTERM (killed, it would keep its entry in JACK's table of servers).
    Step("thawing the server");
    s_server->Thaw();
    Sleep(2.0);
    Step("stopping the thawed server");
    s_server->Stop();
    Step("going back to offline rendering");
}

// A server that is not there when the engine starts is waited for the same way.
TEST_F(JackOutput, EngineStartedWithoutTheServerReturnsWhenItComes) {
    Step("stopping the server");
    s_server->Stop();
    Step("starting the engine without a server");
    CEngineOn engine(JackConfig());
    CAdxShow p;
    Step("opening a player");
    OpenTone(p, 0, 0, 1.0);
    EXPECT_TRUE(CAdxEngine::OutputLost());
    ASSERT_EQ(p.Play(), 0);
    std::string error;
    Step("starting the server again");
    ASSERT_TRUE(s_server->Start(error)) << error;
    Step("waiting for the engine to return to the server");
    ASSERT_TRUE(WaitUntil([] { return !CAdxEngine::OutputLost(); }, std::chrono::seconds(10)));
    EXPECT_EQ(CAdxEngine::Current().backend, AdxBackend::PortAudio);
    EXPECT_TRUE(p.IsPlay());
    Step("closing the player");
    p.Close();
    // A choice of another output while the card is lost ends the waiting.
    Step("stopping the server under the running engine");
    s_server->Stop();
    Step("waiting for the engine to notice the loss");
    ASSERT_TRUE(WaitUntil([] { return CAdxEngine::OutputLost(); }, std::chrono::seconds(5)));
    AdxEngineConfig null;
    null.backend = AdxBackend::Null;
    Step("choosing the null output");
    EXPECT_TRUE(CAdxEngine::Configure(null));
    EXPECT_FALSE(CAdxEngine::OutputLost());
    Step("going back to offline rendering");
}
