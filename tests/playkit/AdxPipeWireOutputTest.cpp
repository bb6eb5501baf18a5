// Playkit on a real PipeWire server with WirePlumber (a null sink on a dummy clock), heard on the
// sink's monitor as a recorder on the desktop would: through the engine's own PipeWire stream (the
// default device while a server runs), PipeWire's ALSA layer (the ALSA `pipewire` device, PortAudio's
// ALSA host API) and its JACK layer (PipeWire's libjack in the place of JACK's), and what happens when
// the server goes away and comes back while a sound plays.
#include "HangGuard.h"
#include "HeardSound.h"
#include "PipeWireServer.h"
#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>

using playkit::AdxBackend;
using playkit::AdxEngineConfig;
using playkit::CAdxEngine;
using playkit_test::CEngineOn;
using playkit_test::CHangGuard;
using playkit_test::CPipeWireRecorder;
using playkit_test::CPipeWireServer;
using playkit_test::FirstSounding;
using playkit_test::Heard;
using playkit_test::Sleep;
using playkit_test::WaitUntil;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kRate = 48000;
constexpr unsigned kQuantum = 256;
constexpr double kToneHz = 1000.0;
constexpr std::int16_t kToneAmplitude = 16384;  // -6 dBFS
constexpr const char* kAlsaDevice = "pipewire"; // pipewire-alsa's PCM
constexpr const char* kAlsaHostApi = "ALSA";
constexpr const char* kJackHostApi = "JACK";
constexpr const char* kStreamDevice = "PipeWire"; // the engine's own stream, as the device list names it
// Far beyond what a test takes on a busy machine (20 s at most), far below ctest's limit for the binary.
constexpr auto kTestLimit = std::chrono::seconds(120);
constexpr double kLevelQuantile = 0.9;

double FullScaleRms() {
    return kToneAmplitude / 32768.0 / std::sqrt(2.0);
}

AdxEngineConfig OutputOn(const std::string& device) {
    AdxEngineConfig c;
    c.backend = AdxBackend::PortAudio;
    c.device = device;
    c.sampleRate = kRate;
    c.periodFrames = kQuantum;
    return c;
}

// One server for the suite, started for each test; the JACK-layer tests only where this process's
// JACK library is PipeWire's (ctest runs them a second time so).
class PipeWireOutput : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() {
        s_dir = playkit_test::MakeTempDir();
        s_tone = s_dir + "/tone.wav";
        playkit_test::WriteWav(s_tone, kRate, 1, kRate * 30, [](int f, int) {
            return static_cast<std::int16_t>(
                std::lround(kToneAmplitude * std::sin(2 * M_PI * kToneHz * f / kRate)));
        });
        s_server = std::make_unique<CPipeWireServer>(kRate, kQuantum);
    }
    static void TearDownTestSuite() {
        s_server.reset();
        std::filesystem::remove_all(s_dir);
    }
    void SetUp() override {
        if (!CPipeWireServer::Installed())
            GTEST_SKIP() << "pipewire, wireplumber or pw-record is not installed";
        if (Device() == CPipeWireServer::kSinkName && !CPipeWireServer::JackIsPipeWire())
            GTEST_SKIP() << "the JACK library is not PipeWire's (run with pw-jack)";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_guard = std::make_unique<CHangGuard>(std::string(info->test_suite_name()) + "." + info->name(),
                                               kTestLimit, [] { s_server->Abandon(); });
        Step("starting the server");
        std::string error;
        ASSERT_TRUE(s_server->Start(error)) << error;
        Step("running");
    }
    void TearDown() override {
        Step("stopping the server");
        if (s_server)
            s_server->Stop();
        m_guard.reset();
    }
    void Step(const char* what) {
        if (m_guard)
            m_guard->Step(what);
    }
    // The device under test: "" (the default: the engine's own stream), the ALSA `pipewire` device, or
    // the sink as PipeWire's JACK layer shows it.
    static std::string Device() { return GetParam(); }
    static bool Jack() { return Device() == CPipeWireServer::kSinkName; }

    static void OpenTone(CAdxShow& p, LONG volume, LONG balance) {
        ASSERT_EQ(p.Open(s_tone.c_str(), 1), 0);
        ASSERT_EQ(p.SetVolume(volume), 0);
        ASSERT_EQ(p.SetBalance(balance), 0);
    }
    // What the sink's monitor carries for about the given time, from the first sounding frame on.
    static Heard Listen(double seconds, std::string& error) {
        CPipeWireRecorder rec(s_dir + "/monitor.wav");
        if (!rec.Start(*s_server, error))
            return {};
        Sleep(seconds);
        const std::vector<float> frames = rec.Stop();
        const std::size_t first = FirstSounding(frames);
        if (first == std::string::npos || frames.size() / 2 < first + kRate / 5) {
            error = "the sink's monitor carried no sound";
            return {};
        }
        // The dummy driver has no real-time priority here: on a busy machine late graph cycles leave
        // short gaps in most windows, so the level is taken from the louder ones.
        return playkit_test::Measure(frames, first, frames.size() / 2, kRate, kLevelQuantile);
    }

    std::unique_ptr<CHangGuard> m_guard;
    static std::unique_ptr<CPipeWireServer> s_server;
    static std::string s_dir;
    static std::string s_tone;
};
std::unique_ptr<CPipeWireServer> PipeWireOutput::s_server;
std::string PipeWireOutput::s_dir;
std::string PipeWireOutput::s_tone;

} // namespace

TEST_P(PipeWireOutput, DevicesListTheServer) {
    const std::string api = Jack() ? kJackHostApi : Device().empty() ? kStreamDevice : kAlsaHostApi;
    const std::string name = Device().empty() ? kStreamDevice : Device();
    bool found = false;
    int defaults = 0;
    for (const playkit::AdxOutputDevice& d : CAdxEngine::OutputDevices()) {
        if (d.hostApi.find(api) != std::string::npos && d.name == name) {
            found = true;
            EXPECT_GE(d.channels, 2);
        }
        if (d.isDefault) {
            ++defaults;
            EXPECT_EQ(d.name, kStreamDevice) << "the default device is not the engine's own stream";
        }
    }
    EXPECT_TRUE(found) << name << " on " << api;
    EXPECT_EQ(defaults, 1);
}

// Level, balance and pitch as the engine set them, at the sink.
TEST_P(PipeWireOutput, APlayedSoundReachesTheSink) {
    CEngineOn engine(OutputOn(Device()));
    ASSERT_TRUE(engine.Ok());
    CAdxShow p;
    OpenTone(p, -600, 1000);
    ASSERT_FALSE(CAdxEngine::OutputLost());
    EXPECT_EQ(CAdxEngine::SampleRate(), static_cast<unsigned>(kRate));
    ASSERT_EQ(p.Play(), 0);
    Step("recording the sink's monitor");
    std::string error;
    const Heard heard = Listen(1.0, error);
    ASSERT_TRUE(error.empty()) << error;
    p.Close();
    // Balance 1000 toward the right: the left side 10 dB under the volume.
    EXPECT_NEAR(playkit_test::Db(heard.rmsRight / FullScaleRms()), -6.0, 0.3);
    EXPECT_NEAR(playkit_test::Db(heard.rmsLeft / FullScaleRms()), -16.0, 0.3);
    EXPECT_NEAR(heard.hz, kToneHz, 1.0);
}

// The server stops in the middle of a sound: the player goes on on the clock, the engine says the
// output is lost, and when the server is back the engine returns to it by itself, the sound still
// playing where the clock has brought it.
TEST_P(PipeWireOutput, ServerStoppedAndStartedAgainMidPlay) {
    CEngineOn engine(OutputOn(Device()));
    ASSERT_TRUE(engine.Ok());
    CAdxShow p;
    OpenTone(p, -600, 0);
    ASSERT_EQ(p.Play(), 0);
    const auto playedAt = Clock::now();
    auto sincePlay = [&] { return std::chrono::duration<double>(Clock::now() - playedAt).count(); };
    std::string error;
    const Heard before = Listen(0.5, error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_NEAR(playkit_test::Db(before.rmsLeft / FullScaleRms()), -6.0, 0.3);

    Step("stopping the server");
    s_server->Stop();
    Step("waiting for the engine to notice the loss");
    ASSERT_TRUE(WaitUntil([] { return CAdxEngine::OutputLost(); }, std::chrono::seconds(5)));
    EXPECT_EQ(CAdxEngine::Current().backend, AdxBackend::Null);
    EXPECT_TRUE(p.IsPlay());
    const auto wallAt = Clock::now();
    const double lostAt = p.GetTickCount();
    Sleep(0.5);
    const double lostLater = p.GetTickCount();
    EXPECT_NEAR(lostLater - lostAt, std::chrono::duration<double>(Clock::now() - wallAt).count(), 0.1);
    // A server that stays away is tried again, harmlessly.
    Sleep(2.2);
    EXPECT_TRUE(CAdxEngine::OutputLost());

    Step("starting the server again");
    ASSERT_TRUE(s_server->Start(error)) << error;
    Step("waiting for the engine to return to the server");
    ASSERT_TRUE(WaitUntil([] { return !CAdxEngine::OutputLost(); }, std::chrono::seconds(10)));
    EXPECT_EQ(CAdxEngine::Current().backend, AdxBackend::PortAudio);
    EXPECT_TRUE(p.IsPlay());
    const double back = p.GetTickCount();
    EXPECT_GT(back, lostLater);
    EXPECT_LT(back, sincePlay() + 0.05);

    Step("recording the sink's monitor again");
    const Heard after = Listen(0.5, error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_NEAR(playkit_test::Db(after.rmsLeft / before.rmsLeft), 0.0, 0.2);
    EXPECT_NEAR(playkit_test::Db(after.rmsRight / before.rmsRight), 0.0, 0.2);
    EXPECT_NEAR(after.hz, kToneHz, 1.0);
    EXPECT_TRUE(p.IsPlay());
    p.Close();
}

INSTANTIATE_TEST_SUITE_P(, PipeWireOutput,
                         ::testing::Values(std::string(), std::string(kAlsaDevice),
                                           std::string(CPipeWireServer::kSinkName)),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             if (info.param.empty())
                                 return std::string("StreamByDefault");
                             return std::string(info.param == kAlsaDevice ? "AlsaPipeWire" : "Jack");
                         });
