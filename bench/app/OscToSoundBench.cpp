// OSC to sound: from "/padora/pad 1" sent over loopback UDP to padora's OSC port to the first sounding
// frame of channel 0 in padora's record: output. Padora runs as on stage, on an X display:
//   xvfb-run -a build/bin/padora-bench-osc [PRESSES]
#include "SoundOnsetProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr double kTargetP99Ms = 12.0;

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "padora-bench-osc: no X display (run it under xvfb-run -a)\n");
        return 2;
    }
    const int port = CSoundOnsetProbe::FreePort(SOCK_DGRAM);
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (port <= 0 || s < 0) {
        std::fprintf(stderr, "padora-bench-osc: no UDP port on the loopback\n");
        return 1;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    CSoundOnsetProbe probe("padora-bench-osc");
    if (!probe.Start({{"PADORA_OSC_PORT", std::to_string(port)}}))
        return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const bool sent = probe.Press(presses, [&] {
        if (sendto(s, CSoundOnsetProbe::kOscPad1.data(), CSoundOnsetProbe::kOscPad1.size(), 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0)
            return true;
        std::perror("padora-bench-osc: sendto");
        return false;
    });
    close(s);
    const CSoundOnsetProbe::Result result = probe.Finish();
    return sent && probe.Report(result, "osc_to_sound", kTargetP99Ms) ? 0 : 1;
}
