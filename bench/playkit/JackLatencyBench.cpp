// padora-bench-jack-latency [PLAYS]
// Time from Play to the first frame carrying the sound in a JACK client that records Padora's output
// ports, on a JACK server of its own (dummy driver, 48 kHz, 256-frame period; started and stopped
// here under a name of its own). The frame's time is JACK's (jack_frames_to_time): the start of
// the server cycle that carries it, on the same microsecond clock as the time taken before Play.
// Plays start at random phases of the period; after each the player is stopped, which cues it at 0.
#include "BenchEngine.h"
#include "InputCache.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "ProcessStats.h"

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kPeriod = 256;
constexpr int kDefaultPlays = 200;
constexpr auto kTimeout = std::chrono::milliseconds(2000);
constexpr float kSounding = 1e-3f;

// The first recorded frame louder than the floor, or -1.
long FirstSounding(const std::vector<float>& stereo) {
    for (std::size_t f = 0; f < stereo.size() / 2; ++f)
        if (std::fabs(stereo[2 * f]) > kSounding || std::fabs(stereo[2 * f + 1]) > kSounding)
            return static_cast<long>(f);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int plays = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultPlays;
    CInputCache cache;
    const std::string file = cache.Sine(1000, 48000, 2.0, 0.5);
    playkit_test::CJackServer server(kRate, kPeriod);
    std::string error;
    if (file.empty() || !server.Start(error)) {
        std::fprintf(stderr, "no JACK server: %s\n", error.c_str());
        return 1;
    }
    playkit::AdxEngineConfig config;
    config.backend = playkit::AdxBackend::PortAudio;
    config.device = "system";
    config.sampleRate = kRate;
    config.periodFrames = kPeriod;
    playkit::CAdxEngine::Configure(config);
    auto player = OpenPlayer(file, 1);
    if (!player || playkit::CAdxEngine::OutputLost()) {
        std::fprintf(stderr, "the engine cannot play on the JACK server\n");
        return 1;
    }
    playkit_test::CJackRecorder rec;
    if (!rec.Open(1.0, error) || !rec.ConnectFrom("padora")) {
        std::fprintf(stderr, "no recorder: %s\n", error.c_str());
        return 1;
    }

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> phaseUs(0, static_cast<int>(1e6 * kPeriod / kRate));
    std::vector<double> latency;
    int lost = 0;
    playkit::CAdxEngine::ResetCounters();
    for (int i = 0; i < plays; ++i) {
        // Cued again after Stop, and the stop's fade long gone from the recording.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        rec.Start();
        std::this_thread::sleep_for(std::chrono::microseconds(phaseUs(random)));
        const jack_time_t played = jack_get_time();
        // Results go unread: the players are open, the values in range, and a refusal shows in the figures.
        (void)player->Play();
        const auto deadline = std::chrono::steady_clock::now() + kTimeout;
        long first = -1;
        while (first < 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            first = FirstSounding(rec.Frames());
        }
        rec.Stop();
        (void)player->Stop();
        if (first < 0) {
            ++lost;
            continue;
        }
        const jack_time_t heard =
            jack_frames_to_time(rec.Client(), rec.FirstFrameTime() + static_cast<jack_nframes_t>(first));
        latency.push_back((static_cast<double>(heard) - static_cast<double>(played)) / 1000.0);
    }
    const auto counters = playkit::CAdxEngine::Counters();
    player->Close();
    playkit::CAdxEngine::Shutdown();

    std::printf("backend=jack server=dummy period_frames=%u rate=%u plays=%d lost=%d underruns=%llu "
                "device_xruns=%llu\n",
                kPeriod, kRate, plays, lost, static_cast<unsigned long long>(counters.underruns),
                static_cast<unsigned long long>(counters.deviceXruns));
    PrintQuantiles("latency_ms", latency, {50, 90, 99});
    const double target = 1000.0 * kPeriod / kRate + 1.0;
    const double p99 = Quantile(latency, 0.99);
    std::printf("target_p99_ms=%.3f met=%s\n", target, lost == 0 && p99 <= target ? "yes" : "no");
    return 0;
}
