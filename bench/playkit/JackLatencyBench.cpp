// padora-bench-jack-latency [PLAYS] [--period FRAMES] [--server jackd|pipewire] [--path jack|alsa|native]
//                           [--listen input|monitor]
// Time from Play to the first frame carrying the sound in a JACK client that records it, on a sound
// server of its own (48 kHz, 256-frame period by default; started and stopped here under a name of its
// own): jackd with the dummy driver, the recorder on Padora's output ports; or PipeWire with
// WirePlumber and a null sink at a fixed quantum, the engine on the sink through PipeWire's JACK layer
// (--path jack), its ALSA layer (--path alsa, ALSA's default device) or a PipeWire stream of the
// engine's own, what the default device is on a PipeWire desktop (--path native), and the recorder, through
// PipeWire's JACK library (the program runs itself again with it when another libjack is loaded), on
// the ports that feed the sink (what the sink takes in) or on the sink's monitor (--listen monitor). The
// frame's time is the server's: the start of the cycle that carries it plus its place in the cycle
// (jack_frames_to_time; on PipeWire jack_get_cycle_times taken in that cycle), on the same microsecond clock
// as the time taken before Play. Plays start at random phases of the period; after each the player is
// stopped, which cues it at 0.
#include "BenchEngine.h"
#include "InputCache.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "PipeWireServer.h"
#include "ProcessStats.h"

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kDefaultPeriod = 256;
constexpr int kDefaultPlays = 200;
constexpr const char* kJackdDevice = "system"; // PortAudio's device for jackd's playback ports
constexpr auto kTimeout = std::chrono::milliseconds(2000);
constexpr float kSounding = 1e-3f;
constexpr unsigned kShortPeriod = 64;
constexpr double kShortTargetMs = 3.0;
constexpr double kMarginMs(bool pipewire) {
    return pipewire ? 2.0 : 1.0;
}

// The first recorded frame louder than the floor, or -1.
long FirstSounding(const std::vector<float>& stereo) {
    for (std::size_t f = 0; f < stereo.size() / 2; ++f)
        if (std::fabs(stereo[2 * f]) > kSounding || std::fabs(stereo[2 * f + 1]) > kSounding)
            return static_cast<long>(f);
    return -1;
}

struct SOptions {
    int plays = kDefaultPlays;
    unsigned period = kDefaultPeriod;
    bool pipewire = false;
    bool alsa = false;
    bool native = false;
    bool monitor = false;
};

bool Parse(int argc, char** argv, SOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--period" && hasValue)
            o.period = static_cast<unsigned>(std::max(16, std::atoi(argv[++i])));
        else if (a == "--server" && hasValue)
            o.pipewire = std::string_view(argv[++i]) == "pipewire";
        else if (a == "--path" && hasValue) {
            const std::string_view path = argv[++i];
            o.alsa = path == "alsa";
            o.native = path == "native";
        } else if (a == "--listen" && hasValue)
            o.monitor = std::string_view(argv[++i]) == "monitor";
        else if (!a.empty() && a[0] != '-')
            o.plays = std::max(1, std::atoi(argv[i]));
        else
            return false;
    }
    return (!o.alsa && !o.native && !o.monitor) || o.pipewire;
}

} // namespace

int main(int argc, char** argv) {
    SOptions o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: padora-bench-jack-latency [PLAYS] [--period FRAMES] [--server jackd|pipewire] "
                     "[--path jack|alsa|native] [--listen input|monitor] (path and listen: pipewire only)\n");
        return 2;
    }
    if (o.pipewire && !playkit_test::CPipeWireServer::JackIsPipeWire()) {
        // As pw-jack would start it: PipeWire's libjack found before JACK's.
        const std::string dir = playkit_test::CPipeWireServer::JackLibraryDir();
        if (dir.empty() || !playkit_test::CPipeWireServer::Installed()) {
            std::fprintf(stderr, "PipeWire (pipewire, wireplumber, pipewire-jack) is not installed\n");
            return 1;
        }
        const char* old = std::getenv("LD_LIBRARY_PATH");
        std::string path = dir;
        if (old && *old)
            path.append(":").append(old);
        setenv("LD_LIBRARY_PATH", path.c_str(), 1);
        execv("/proc/self/exe", argv);
        std::perror("padora-bench-jack-latency: exec");
        return 1;
    }
    const unsigned kPeriod = o.period;
    const int plays = o.plays;
    CInputCache cache;
    const std::string file = cache.Sine(1000, 48000, 2.0, 0.5);
    std::unique_ptr<playkit_test::CJackServer> jackd;
    std::unique_ptr<playkit_test::CPipeWireServer> pipewire;
    std::string error;
    bool started = false;
    if (o.pipewire) {
        pipewire = std::make_unique<playkit_test::CPipeWireServer>(kRate, kPeriod);
        started = pipewire->Start(error);
    } else {
        jackd = std::make_unique<playkit_test::CJackServer>(kRate, kPeriod);
        started = jackd->Start(error);
    }
    if (file.empty() || !started) {
        std::fprintf(stderr, "no sound server: %s\n", error.c_str());
        return 1;
    }
    playkit::AdxEngineConfig config;
    config.backend = playkit::AdxBackend::PortAudio;
    config.device = o.native     ? ""
                    : o.alsa     ? "default"
                    : o.pipewire ? playkit_test::CPipeWireServer::kSinkName
                                 : kJackdDevice;
    config.sampleRate = kRate;
    config.periodFrames = kPeriod;
    playkit::CAdxEngine::Configure(config);
    auto player = OpenPlayer(file, 1);
    if (!player || playkit::CAdxEngine::OutputLost()) {
        std::fprintf(stderr, "the engine cannot play on the sound server\n");
        return 1;
    }
    playkit_test::CJackRecorder rec;
    if (!rec.Open(1.0, error)) {
        std::fprintf(stderr, "no recorder: %s\n", error.c_str());
        return 1;
    }
    const char* sink = playkit_test::CPipeWireServer::kSinkName;
    if (!(o.pipewire ? (o.monitor ? rec.ConnectFrom(sink) : rec.ConnectAlongside(sink))
                     : rec.ConnectFrom("padora"))) {
        std::fprintf(stderr, "the recorder finds nothing to listen to\n");
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
        // jackd maps any frame to its time; PipeWire's library only the frames of the cycle it is in.
        const double heard =
            o.pipewire ? static_cast<double>(rec.FirstCycleTime()) + 1e6 * static_cast<double>(first) / kRate
                       : static_cast<double>(jack_frames_to_time(
                             rec.Client(), rec.FirstFrameTime() + static_cast<jack_nframes_t>(first)));
        latency.push_back((heard - static_cast<double>(played)) / 1000.0);
    }
    const auto counters = playkit::CAdxEngine::Counters();
    player->Close();
    playkit::CAdxEngine::Shutdown();

    std::printf("backend=%s server=%s listen=%s period_frames=%u rate=%u plays=%d lost=%d underruns=%llu "
                "device_xruns=%llu\n",
                o.native ? "native"
                : o.alsa ? "alsa"
                         : "jack",
                o.pipewire ? "pipewire" : "jackd-dummy",
                !o.pipewire ? "engine-ports"
                : o.monitor ? "sink-monitor"
                            : "sink-input",
                kPeriod, kRate, plays, lost, static_cast<unsigned long long>(counters.underruns),
                static_cast<unsigned long long>(counters.deviceXruns));
    PrintQuantiles("latency_ms", latency, {50, 90, 99});
    // One period, and a margin for the server's own hand-offs (PipeWire's graph has more of them); at
    // the short periods of a live rig, 3 ms at most.
    const double period = 1000.0 * kPeriod / kRate;
    const double target = kPeriod <= kShortPeriod ? std::min(kShortTargetMs, period + kMarginMs(o.pipewire))
                                                  : period + kMarginMs(o.pipewire);
    const double p99 = Quantile(latency, 0.99);
    std::printf("target_p99_ms=%.3f met=%s\n", target, lost == 0 && p99 <= target ? "yes" : "no");
    return 0;
}
