// padora-bench-latency [PLAYS]
// Time from Play to the first output frame that carries the sound, seen at the device
// callback of the null backend (256-frame period at 48 kHz). Plays start at random phases
// of the period; after each one the player is stopped, which cues it at 0 again.
#include "BenchEngine.h"
#include "InputCache.h"
#include "ProcessStats.h"
#include "SoundWatch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

namespace {

constexpr unsigned kPeriod = 256;
constexpr int kDefaultPlays = 300;
constexpr auto kTimeout = std::chrono::milliseconds(2000);

} // namespace

int main(int argc, char** argv) {
    const int plays = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultPlays;
    CInputCache cache;
    const std::string file = cache.Sine(1000, 48000, 2.0, 0.5);
    if (file.empty() || !UseBackend(playkit::AdxBackend::Null, kPeriod))
        return 1;
    const unsigned rate = playkit::CAdxEngine::SampleRate();
    auto player = OpenPlayer(file, 1);
    if (!player)
        return 1;

    CSoundWatch watch;
    const CWatchTap tap(watch);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> phaseUs(0, static_cast<int>(2e6 * kPeriod / 48000));
    std::vector<double> toBlock, toFrame;
    int lost = 0;
    playkit::CAdxEngine::ResetCounters();
    for (int i = 0; i < plays; ++i) {
        // The decoder gets time to cue the player again after Stop.
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        watch.Arm();
        if (!watch.WaitUntilSilent(kTimeout)) {
            std::fprintf(stderr, "the output does not fall silent after Stop\n");
            return 1;
        }
        // The watch returns just after a block was mixed: a random pause of up to two periods
        // puts Play at any point of the period.
        std::this_thread::sleep_for(std::chrono::microseconds(phaseUs(random)));
        const auto played = CSoundWatch::Clock::now();
        // Results go unread: the players are open, the values in range, and a refusal shows in the figures.
        (void)player->Play();
        CSoundWatch::SSeen seen;
        if (!watch.WaitForSound(kTimeout, seen)) {
            ++lost;
        } else {
            toBlock.push_back(Ms(played, seen.tBlock));
            toFrame.push_back(toBlock.back() + 1000.0 * static_cast<double>(seen.nOffset) / rate);
        }
        (void)player->Stop();
    }
    const auto counters = playkit::CAdxEngine::Counters();
    player->Close();

    const double target = 1000.0 * kPeriod / rate + 1.0;
    std::printf("backend=null period_frames=%u rate=%u plays=%d lost=%d underruns=%llu\n", kPeriod, rate,
                plays, lost, static_cast<unsigned long long>(counters.underruns));
    // The frame figure adds the sound's place inside its block: the moment it leaves the device.
    PrintQuantiles("latency_ms", toFrame, {50, 90, 99});
    PrintQuantiles("latency_to_block_ms", toBlock, {50, 99});
    const double p99 = Quantile(toFrame, 0.99);
    std::printf("target_p99_ms=%.3f met=%s\n", target, lost == 0 && p99 <= target ? "yes" : "no");
    return 0;
}
