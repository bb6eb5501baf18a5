// Main to backup: a main padora and its backup on this machine, linked over the loopback; "/padora/pad 1"
// goes to the main's OSC port, the main plays it and sends it on, and the first sounding frame of each
// recording is placed on the monotonic clock. Prints how far the backup's onset lies from the main's
// (p50/p99 of the difference and of its size) and the main's own OSC-to-sound figures:
//   xvfb-run -a build/bin/padora-bench-mirror [PRESSES]
#include "SoundOnsetProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// The backup must sound within one period of the record backend and 2 ms of the main.
constexpr double kTargetMs = 1000.0 * CSoundOnsetProbe::kPeriod / CSoundOnsetProbe::kRate + 2.0;
// Time for the link to come up (heartbeats every 250 ms) before the first press.
constexpr auto kLinkUp = std::chrono::milliseconds(1500);

double At(const std::vector<double>& sorted, double q) {
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(q * sorted.size()))];
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "padora-bench-mirror: no X display (run it under xvfb-run -a)\n");
        return 2;
    }
    const int osc = CSoundOnsetProbe::FreePort(SOCK_DGRAM), mainLink = CSoundOnsetProbe::FreePort(SOCK_DGRAM),
              backupLink = CSoundOnsetProbe::FreePort(SOCK_DGRAM);
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (osc <= 0 || mainLink <= 0 || backupLink <= 0 || s < 0) {
        std::fprintf(stderr, "padora-bench-mirror: no UDP ports on the loopback\n");
        return 1;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(osc));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    CSoundOnsetProbe backup("padora-bench-mirror-backup");
    CSoundOnsetProbe main("padora-bench-mirror-main");
    if (!backup.Start({{"PADORA_OSC_PORT", "0"},
                       {"PADORA_MIRROR_PORT", std::to_string(backupLink)},
                       {"PADORA_MIRROR_MAIN", "127.0.0.1:" + std::to_string(mainLink)}}) ||
        !main.Start({{"PADORA_OSC_PORT", std::to_string(osc)},
                     {"PADORA_MIRROR_PORT", std::to_string(mainLink)},
                     {"PADORA_MIRROR_PEERS", "127.0.0.1:" + std::to_string(backupLink)}}))
        return 1;
    std::this_thread::sleep_for(kLinkUp);
    backup.Watch();
    const bool sent = main.Press(presses, [&] {
        backup.NotePress(CSoundOnsetProbe::Now());
        if (sendto(s, CSoundOnsetProbe::kOscPad1.data(), CSoundOnsetProbe::kOscPad1.size(), 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0)
            return true;
        std::perror("padora-bench-mirror: sendto");
        return false;
    });
    close(s);
    const CSoundOnsetProbe::Result onMain = main.Finish();
    const CSoundOnsetProbe::Result onBackup = backup.Finish();
    std::vector<double> diff, size;
    int missed = 0;
    for (std::size_t i = 0; i < onMain.perPressMs.size() && i < onBackup.perPressMs.size(); ++i) {
        const double d = onBackup.perPressMs[i] - onMain.perPressMs[i];
        if (std::isnan(d)) {
            ++missed;
            continue;
        }
        diff.push_back(d);
        size.push_back(std::fabs(d));
    }
    if (!sent || diff.empty()) {
        std::fprintf(stderr, "padora-bench-mirror: no press was heard on both\n");
        return 1;
    }
    std::sort(diff.begin(), diff.end());
    std::sort(size.begin(), size.end());
    std::printf("presses=%d\nheard_on_both=%zu\nmissed=%d\n", presses, diff.size(), missed);
    std::printf(
        "backup_minus_main_p50_ms=%.2f\nbackup_minus_main_min_ms=%.2f\nbackup_minus_main_max_ms=%.2f\n",
        At(diff, 0.5), diff.front(), diff.back());
    std::printf("onset_apart_p50_ms=%.2f\nonset_apart_p99_ms=%.2f\nonset_apart_max_ms=%.2f\n", At(size, 0.5),
                At(size, 0.99), size.back());
    main.Report(onMain, "main_osc_to_sound", 1e9);
    std::printf("target_ms=%.2f\nmirror_met=%s\n", kTargetMs,
                At(size, 0.99) <= kTargetMs && missed == 0 ? "yes" : "no");
    return 0;
}
