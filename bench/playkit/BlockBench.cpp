// padora-bench-block [REPS]
// The render's cost for the blocks in which something happens to ten voices at once: what a device
// thread does beyond mixing when voices start, are cued, change speed (up, and down from four times,
// over the glide that follows), stop with their fade-out, or go and come (a group switch). Ten looping
// sounds of the soak's kinds play on the offline backend; for each event the worst block of the event's
// block and the three after it is taken, REPS times (default 20), as the render thread's own CPU time.
// The median tells the work; the maximum adds whatever the machine did to the thread meanwhile (on a
// virtual machine without steal-time accounting, the host's stalls count as the thread's CPU time).
#include "BenchEngine.h"
#include "InputCache.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using playkit::CAdxEngine;

namespace {

constexpr std::size_t kBlock = 256;
constexpr int kBlocksAfter = 3;
constexpr int kVoices = 10;

std::vector<std::string> Sounds(CInputCache& cache) {
    return {cache.Music("mp3", 3.5), cache.Music("ogg", 4.5), cache.Sine(440, 48000, 1.7, 0.3),
            cache.Midi(4.0),         cache.Music("wav", 2.5), cache.Music("mp3", 6.0),
            cache.Music("ogg", 2.0), cache.Midi(3.0),         cache.Sine(660, 48000, 5.2, 0.25),
            cache.Music("mp3", 1.3)};
}

// The worst block, in ms of the render thread's CPU time, of the event's block and those after it.
double WorstBlockMs(const std::function<void()>& event) {
    std::vector<float> out(kBlock * 2);
    double worst = 0;
    for (int b = 0; b <= kBlocksAfter; ++b) {
        if (b == 0)
            event();
        CAdxEngine::ResetCounters();
        CAdxEngine::Render(out.data(), kBlock);
        worst = std::max(worst, CAdxEngine::Counters().maxCallbackSeconds * 1e3);
    }
    return worst;
}

void Steady(int blocks) {
    std::vector<float> out(kBlock * 2);
    for (int b = 0; b < blocks; ++b)
        CAdxEngine::Render(out.data(), kBlock);
}

} // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    CInputCache cache;
    const std::vector<std::string> files = Sounds(cache);
    if (std::any_of(files.begin(), files.end(), [](const std::string& f) { return f.empty(); }) ||
        !UseBackend(playkit::AdxBackend::Offline))
        return 2;
    std::vector<std::unique_ptr<CAdxShow>> players;
    auto openAll = [&] {
        for (int i = 0; i < kVoices; ++i) {
            players.push_back(OpenPlayer(files[static_cast<std::size_t>(i)], static_cast<UINT>(i + 1)));
            if (!players.back())
                std::exit(2);
        }
    };
    openAll();
    auto all = [&](const std::function<void(CAdxShow&)>& f) {
        for (auto& p : players)
            f(*p);
    };
    std::printf("block_frames=%zu voices=%d reps=%d blocks_after=%d\n", kBlock, kVoices, reps, kBlocksAfter);

    struct SEvent {
        const char* name;
        std::function<void()> before; // outside the measured blocks
        std::function<void()> event;
    };
    const std::vector<SEvent> events = {
        {"steady", [] {}, [] {}},
        // Results go unread: the players are open, the values in range, and a refusal shows in the figures.
        {"start", [&] { all([](CAdxShow& p) { (void)p.Stop(); }); },
         [&] { all([](CAdxShow& p) { (void)p.Play(); }); }},
        {"cue_to_top", [] {},
         [&] {
             all([](CAdxShow& p) {
                 (void)p.SetCurrentTime(0.0);
                 (void)p.Play();
             });
         }},
        {"cue_elsewhere", [] {}, [&] { all([](CAdxShow& p) { (void)p.SetCurrentTime(0.9); }); }},
        {"speed_up_to_4x", [&] { all([](CAdxShow& p) { (void)p.SetRate(1.0); }); },
         [&] { all([](CAdxShow& p) { (void)p.SetRate(4.0); }); }},
        {"speed_down_from_4x", [&] { all([](CAdxShow& p) { (void)p.SetRate(4.0); }); },
         [&] { all([](CAdxShow& p) { (void)p.SetRate(1.0); }); }},
        {"speed_up_to_10x", [&] { all([](CAdxShow& p) { (void)p.SetRate(1.0); }); },
         [&] { all([](CAdxShow& p) { (void)p.SetRate(10.0); }); }},
        {"speed_down_from_10x", [&] { all([](CAdxShow& p) { (void)p.SetRate(10.0); }); },
         [&] { all([](CAdxShow& p) { (void)p.SetRate(1.0); }); }},
        {"stop_with_fade_out", [&] { all([](CAdxShow& p) { (void)p.Play(); }); },
         [&] { all([](CAdxShow& p) { (void)p.Stop(); }); }},
        {"group_switch", [&] { all([](CAdxShow& p) { (void)p.Play(); }); },
         [&] {
             players.clear();
             openAll();
             all([](CAdxShow& p) { (void)p.Play(); });
         }},
    };
    all([](CAdxShow& p) { (void)p.Play(); });
    Steady(100);
    for (const SEvent& e : events) {
        std::vector<double> ms;
        for (int r = 0; r < reps; ++r) {
            // Every sound from its top at normal speed (the engine does not repeat them by itself).
            all([](CAdxShow& p) {
                (void)p.Stop();
                (void)p.SetRate(1.0);
                (void)p.Play();
            });
            e.before();
            Steady(12); // the rings refill, a glide of the set-up ends
            ms.push_back(WorstBlockMs(e.event));
        }
        PrintQuantiles(std::string(e.name) + "_block_cpu_ms", ms, {50});
    }
    players.clear();
    return 0;
}
