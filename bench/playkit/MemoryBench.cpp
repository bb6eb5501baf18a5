// padora-bench-memory [TYPES...]
// Resident-size growth per player: ten players open on 20-minute files and playing on the
// null backend, against the same for 10-second files. Every measurement runs in a fresh
// process (this program started again with --child), so that one does not inherit the
// other's heap. TYPES default to mp3 ogg wav mid.
#include "BenchEngine.h"
#include "InputCache.h"
#include "ProcessStats.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kPlayers = 10;
constexpr double kLongSeconds = 20 * 60;
constexpr double kShortSeconds = 10;
constexpr double kLimitMb = 4.0;
constexpr auto kPlayFor = std::chrono::milliseconds(1500);

std::string Input(CInputCache& cache, const std::string& type, double seconds) {
    return type == "mid" ? cache.Midi(seconds) : cache.Music(type, seconds);
}

// In the child: prints "rss_kb_before=… rss_kb_after=…" for ten playing players.
int MeasureChild(const std::string& type, double seconds) {
    CInputCache cache;
    const std::string path = Input(cache, type, seconds);
    if (path.empty() || !UseBackend(playkit::AdxBackend::Null))
        return 1;
    // One player opened, played and closed first: the engine's threads, pools and the
    // decoders' code are the process's, not any player's.
    {
        auto warm = OpenPlayer(path, 1);
        if (!warm)
            return 1;
        // Results go unread: the players are open, the values in range, and a refusal shows in the figures.
        (void)warm->Play();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        warm->Close();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long before = ResidentKb();
    std::vector<std::unique_ptr<CAdxShow>> players;
    for (int i = 0; i < kPlayers; ++i) {
        auto player = OpenPlayer(path, i + 1);
        if (!player)
            return 1;
        (void)player->Play();
        players.push_back(std::move(player));
    }
    std::this_thread::sleep_for(kPlayFor);
    const long after = ResidentKb();
    int playing = 0;
    for (auto& player : players)
        playing += player->IsPlay() ? 1 : 0;
    std::printf("rss_kb_before=%ld rss_kb_after=%ld playing=%d\n", before, after, playing);
    return 0;
}

bool RunChild(const std::string& type, double seconds, double& perPlayerMb) {
    const std::string command =
        "'/proc/" + std::to_string(getpid()) + "/exe' --child " + type + " " + std::to_string(seconds);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    long before = -1, after = -1;
    int playing = 0;
    char line[256];
    while (std::fgets(line, sizeof line, pipe))
        std::sscanf(line, "rss_kb_before=%ld rss_kb_after=%ld playing=%d", &before, &after, &playing);
    if (pclose(pipe) != 0 || before < 0 || after < 0)
        return false;
    perPlayerMb = (after - before) / 1024.0 / kPlayers;
    std::printf(
        "type=%s file_s=%.0f players=%d playing=%d rss_mb_before=%.1f rss_mb_after=%.1f per_player_mb=%.2f\n",
        type.c_str(), seconds, kPlayers, playing, before / 1024.0, after / 1024.0, perPlayerMb);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return MeasureChild(argv[2], std::atof(argv[3]));

    std::vector<std::string> types;
    for (int i = 1; i < argc; ++i)
        types.push_back(argv[i]);
    if (types.empty())
        types = {"mp3", "ogg", "wav", "mid"};
    {
        // Generate everything before measuring, so no child waits for an encoder.
        CInputCache cache;
        for (const auto& type : types)
            if (Input(cache, type, kShortSeconds).empty() || Input(cache, type, kLongSeconds).empty())
                return 1;
    }
    bool met = true;
    for (const auto& type : types) {
        double shortMb = 0, longMb = 0;
        if (!RunChild(type, kShortSeconds, shortMb) || !RunChild(type, kLongSeconds, longMb)) {
            std::fprintf(stderr, "the measurement of %s failed\n", type.c_str());
            return 1;
        }
        // "The same as for short files": within half a megabyte a player.
        const bool ok = longMb <= kLimitMb && longMb - shortMb <= 0.5;
        met = met && ok;
        std::printf("type=%s long_minus_short_mb=%.2f met=%s\n", type.c_str(), longMb - shortMb,
                    ok ? "yes" : "no");
    }
    std::printf("target_per_player_mb=%.1f met=%s\n", kLimitMb, met ? "yes" : "no");
    return 0;
}
