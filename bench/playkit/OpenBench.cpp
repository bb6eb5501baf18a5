// padora-bench-open [OPENS]
// Open time of a 3-minute mp3, ogg, wav and MIDI file: Open returns with the player cued at 0.
// The first MIDI open of the process (on a fresh engine, its SoundFont still loading) is reported on
// its own; then every type is opened OPENS times, round robin, on the null backend. To show that "open" means
// ready, each open is followed by Play, and the time to the first sound is reported as well.
#include "BenchEngine.h"
#include "InputCache.h"
#include "ProcessStats.h"
#include "SoundWatch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

constexpr double kSeconds = 180;
constexpr int kDefaultOpens = 25;
constexpr auto kTimeout = std::chrono::milliseconds(3000);

} // namespace

int main(int argc, char** argv) {
    const int opens = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultOpens;
    CInputCache cache;
    const std::vector<std::pair<std::string, std::string>> files = {{"mp3", cache.Music("mp3", kSeconds)},
                                                                    {"ogg", cache.Music("ogg", kSeconds)},
                                                                    {"wav", cache.Music("wav", kSeconds)},
                                                                    {"mid", cache.Midi(kSeconds)}};
    for (const auto& [type, path] : files)
        if (path.empty())
            return 1;
    if (!UseBackend(playkit::AdxBackend::Null))
        return 1;

    using Clock = CSoundWatch::Clock;
    {
        const auto t0 = Clock::now();
        auto first = OpenPlayer(files.back().second, 1);
        if (!first)
            return 1;
        std::printf("first_midi_open_ms=%.3f\n", Ms(t0, Clock::now()));
    }

    CSoundWatch watch;
    const CWatchTap tap(watch);
    std::map<std::string, std::vector<double>> openMs, soundMs;
    for (int i = 0; i < opens; ++i) {
        for (const auto& [type, path] : files) {
            watch.Arm();
            if (!watch.WaitUntilSilent(kTimeout)) {
                std::fprintf(stderr, "the output does not fall silent\n");
                return 1;
            }
            const auto t0 = Clock::now();
            auto player = OpenPlayer(path, 1);
            const auto t1 = Clock::now();
            if (!player)
                return 1;
            openMs[type].push_back(Ms(t0, t1));
            // Results go unread: the players are open, the values in range, and a refusal shows in the
            // figures.
            (void)player->Play();
            CSoundWatch::SSeen seen;
            if (watch.WaitForSound(kTimeout, seen))
                soundMs[type].push_back(Ms(t0, seen.tBlock));
            player->Close();
        }
    }

    bool met = true;
    for (const auto& [type, path] : files) {
        const double median = Quantile(openMs[type], 0.5);
        met = met && median < 3.0;
        std::printf(
            "type=%s open_ms_median=%.3f open_ms_p90=%.3f open_ms_max=%.3f open_to_sound_ms_median=%.3f "
            "n=%zu sound_n=%zu\n",
            type.c_str(), median, Quantile(openMs[type], 0.9),
            *std::max_element(openMs[type].begin(), openMs[type].end()), Quantile(soundMs[type], 0.5),
            openMs[type].size(), soundMs[type].size());
    }
    std::printf("target_median_ms=3.000 met=%s\n", met ? "yes" : "no");
    return 0;
}
