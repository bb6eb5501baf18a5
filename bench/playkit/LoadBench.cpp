// padora-bench-load [SECONDS] [--pairs N] [--players N] [--audition CUEDEVICE | --audition-pair P]
// Real-time load of the engine on the null backend: CPU time of every engine thread (device
// callback, decoders, notifier: all threads but this program's own) while ten players play
// 3-minute files (4 mp3, 3 ogg, 3 wav) at rate 1.0 and at rate 10.0, over SECONDS of wall
// time each (default 6), as a percentage of one core. An idle phase (players open, nothing
// playing) is measured first as the baseline. With --pairs N the output has N stereo pairs (1 to 16)
// and the players are spread over them in turn. With --audition an eleventh player plays the same
// way auditioned, on a cue device of its own clock (e.g. record:/tmp/cue.wav), through the hand-over;
// with --audition-pair on pair P (1-based) of the main output instead.
// --players N (1 to 16) plays N players instead of ten (those past the tenth play the wav), which tells
// an eleventh sound's own share from the cue output's.
#include "BenchEngine.h"
#include "InputCache.h"
#include "ProcessStats.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kDefaultPlayers = 10;
constexpr int kMaxPlayers = 16;
constexpr double kFileSeconds = 180;
constexpr double kDefaultSeconds = 6;

struct SPhase {
    double dWall = 0;
    double dEngine = 0;  // CPU seconds of the engine's threads
    double dProcess = 0; // CPU seconds of the whole process
    std::map<std::string, double> byName;
};

// CPU time of each thread over a stretch of wall time; threads born meanwhile count from 0.
SPhase Measure(double seconds) {
    const int mainTid = getpid();
    std::map<int, double> start;
    for (const auto& t : ThreadCpuTimes())
        start[t.nTid] = t.dSeconds;
    const double process0 = ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    SPhase phase;
    phase.dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    phase.dProcess = ProcessCpuSeconds() - process0;
    std::map<std::string, int> sameName;
    for (const auto& t : ThreadCpuTimes()) {
        if (t.nTid == mainTid)
            continue;
        const double used = t.dSeconds - (start.count(t.nTid) ? start[t.nTid] : 0.0);
        phase.dEngine += used;
        // Threads without names of their own all carry the program's: number them apart.
        const int n = ++sameName[t.strName];
        phase.byName[n == 1 ? t.strName : t.strName + "#" + std::to_string(n)] += used;
    }
    return phase;
}

double Pct(double cpu, double wall) {
    return wall > 0 ? 100.0 * cpu / wall : 0;
}

void Print(const char* name, const SPhase& phase) {
    std::printf("phase=%s wall_s=%.2f engine_pct=%.2f process_pct=%.2f", name, phase.dWall,
                Pct(phase.dEngine, phase.dWall), Pct(phase.dProcess, phase.dWall));
    for (const auto& [thread, cpu] : phase.byName)
        std::printf(" thread[%s]_pct=%.2f", thread.c_str(), Pct(cpu, phase.dWall));
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    double seconds = kDefaultSeconds;
    unsigned pairs = 1;
    int nPlayers = kDefaultPlayers;
    std::string cueDevice;
    unsigned cuePair = 0;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--pairs" && a + 1 < argc) {
            const int n = std::atoi(argv[++a]);
            if (n < 1 || n > static_cast<int>(playkit::kAdxMaxOutputPairs)) {
                std::fprintf(stderr, "--pairs takes 1 to %u\n", playkit::kAdxMaxOutputPairs);
                return 2;
            }
            pairs = static_cast<unsigned>(n);
        } else if (arg == "--players" && a + 1 < argc) {
            nPlayers = std::atoi(argv[++a]);
            if (nPlayers < 1 || nPlayers > kMaxPlayers) {
                std::fprintf(stderr, "--players takes 1 to %d\n", kMaxPlayers);
                return 2;
            }
        } else if (arg == "--audition" && a + 1 < argc) {
            cueDevice = argv[++a];
        } else if (arg == "--audition-pair" && a + 1 < argc) {
            cuePair = static_cast<unsigned>(std::max(0, std::atoi(argv[++a])));
        } else {
            seconds = std::max(1.0, std::atof(argv[a]));
        }
    }
    CInputCache cache;
    const std::string mp3 = cache.Music("mp3", kFileSeconds);
    const std::string ogg = cache.Music("ogg", kFileSeconds);
    const std::string wav = cache.Music("wav", kFileSeconds);
    if (mp3.empty() || ogg.empty() || wav.empty() ||
        !UseBackend(playkit::AdxBackend::Null, 256, pairs, cueDevice, cuePair))
        return 1;

    std::vector<std::unique_ptr<CAdxShow>> players;
    for (int i = 0; i < nPlayers; ++i) {
        auto player = OpenPlayer(i < 4 ? mp3 : i < 7 ? ogg : wav, i + 1);
        if (!player || player->SetOutputPair(static_cast<int>(static_cast<unsigned>(i) % pairs)) != 0)
            return 1;
        players.push_back(std::move(player));
    }
    if (!cueDevice.empty() || cuePair != 0) {
        auto player = OpenPlayer(wav, nPlayers + 1);
        if (!player || player->SetAudition(TRUE) != 0 || playkit::CAdxEngine::CueLost())
            return 1;
        players.push_back(std::move(player));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const SPhase idle = Measure(seconds / 2);
    Print("idle", idle);

    const double rates[] = {1.0, 10.0};
    const double targets[] = {5.0, 35.0};
    bool met = true;
    for (int r = 0; r < 2; ++r) {
        for (auto& player : players) {
            // Results go unread: the players are open, the values in range, and a refusal shows in the
            // figures.
            (void)player->SetRate(rates[r]);
            (void)player->Play();
        }
        // Let the decoders reach their steady fill before measuring.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        playkit::CAdxEngine::ResetCounters();
        const SPhase phase = Measure(seconds);
        const auto counters = playkit::CAdxEngine::Counters();
        int playing = 0;
        for (auto& player : players) {
            playing += player->IsPlay() ? 1 : 0;
            (void)player->Stop();
        }
        char name[32];
        std::snprintf(name, sizeof name, "rate_%g", rates[r]);
        Print(name, phase);
        const double load = Pct(phase.dEngine, phase.dWall);
        const bool ok = load <= targets[r];
        met = met && ok;
        std::printf("rate=%g players=%d playing=%d load_pct=%.2f load_over_idle_pct=%.2f callback_pct=%.2f "
                    "max_callback_ms=%.3f underruns=%llu target_pct=%.0f met=%s\n",
                    rates[r], static_cast<int>(players.size()), playing, load,
                    load - Pct(idle.dEngine, idle.dWall), Pct(counters.callbackCpuSeconds, phase.dWall),
                    1000 * counters.maxCallbackSeconds, static_cast<unsigned long long>(counters.underruns),
                    targets[r], ok ? "yes" : "no");
        std::fflush(stdout);
    }
    for (auto& player : players)
        player->Close();
    std::printf("pairs=%u audition=%s met=%s\n", pairs,
                !cueDevice.empty() ? "device"
                : cuePair != 0     ? "pair"
                                   : "no",
                met ? "yes" : "no");
    return 0;
}
