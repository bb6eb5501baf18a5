// Browser tap to sound: from a pointerdown on pad 1 dispatched in a page of Debian's headless chromium
// (driven by puppeteer-core, tests/app/e2e/browser/remote.js) over a loopback WebSocket to padora's
// browser remote, to the first sounding frame of channel 0 in padora's record: output. The time is
// noted before the tap is asked of node, so the figure includes node and the browser's protocol too.
//   xvfb-run -a build/bin/padora-bench-web [PRESSES]
#include "SoundOnsetProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr double kTargetP99Ms = 15.0;
constexpr int kReadyTimeoutMs = 60000;
constexpr int kReadyPollMs = 50;

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "padora-bench-web: no X display (run it under xvfb-run -a)\n");
        return 2;
    }
    const int port = CSoundOnsetProbe::FreePort(SOCK_STREAM);
    if (port <= 0) {
        std::fprintf(stderr, "padora-bench-web: no TCP port on the loopback\n");
        return 1;
    }
    CSoundOnsetProbe probe("padora-bench-web");
    if (!probe.Start({{"PADORA_WEB_PORT", std::to_string(port)}, {"PADORA_OSC_PORT", "0"}}))
        return 1;

    const std::string ready = probe.Dir() + "/browser-ready";
    const std::string command =
        "PUPPETEER_SKIP_DOWNLOAD=1 HOME='" + probe.Dir() +
        "' node '" PADORA_BROWSER_SCRIPT "' bench http://127.0.0.1:" + std::to_string(port) + "/ '" + ready +
        "'";
    FILE* node = popen(command.c_str(), "w");
    if (!node) {
        std::perror("padora-bench-web: node");
        return 1;
    }
    int waited = 0;
    while (!Exists(ready) && waited < kReadyTimeoutMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kReadyPollMs));
        waited += kReadyPollMs;
    }
    if (!Exists(ready)) {
        std::fprintf(stderr, "padora-bench-web: the page did not connect\n");
        pclose(node);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const bool sent =
        probe.Press(presses, [&] { return std::fputs("tap\n", node) >= 0 && std::fflush(node) == 0; });
    const CSoundOnsetProbe::Result result = probe.Finish();
    pclose(node);
    return sent && probe.Report(result, "web_tap_to_sound", kTargetP99Ms) ? 0 : 1;
}
