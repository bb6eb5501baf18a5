// Trigger to sound: from the start of a "padora --pad 1" process (as a desktop's key binding runs it) to
// the first sounding frame of channel 0 in the running padora's record: output; with "padora-window"
// as second argument the trigger runs are "padora-window --pad 1" (the window program, which loads its
// libraries first), for comparison. Padora runs as on stage, on an X display:
//   xvfb-run -a build/bin/padora-bench-trigger [PRESSES [padora|padora-window]]
#include "SoundOnsetProbe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr double kTargetP99Ms = 15.0;
constexpr int kReadyTries = 100;
constexpr int kReadyPauseMs = 50;

// Runs program with args to its end; its exit status, -1 when it did not run.
int RunTrigger(const char* program, std::initializer_list<const char*> args) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const char* a : args)
        argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    // What --state prints is not the benchmark's output.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::string which = argc > 2 ? argv[2] : "padora";
    if (which != "padora" && which != "padora-window") {
        std::fprintf(stderr, "padora-bench-trigger: the program is padora or padora-window\n");
        return 2;
    }
    const char* program = which == "padora" ? PADORA_BIN : PADORA_WINDOW_BIN;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "padora-bench-trigger: no X display (run it under xvfb-run -a)\n");
        return 2;
    }
    CSoundOnsetProbe probe("padora-bench-trigger");
    if (!probe.Start({{"PADORA_OSC_PORT", "0"}}))
        return 1;
    // The trigger runs find the running padora's socket where it is; they need no display.
    setenv("XDG_RUNTIME_DIR", probe.Dir().c_str(), 1);
    unsetenv("DISPLAY");
    int ready = -1;
    for (int i = 0; i < kReadyTries && ready != 0; ++i) {
        ready = RunTrigger(program, {"--state"});
        if (ready != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(kReadyPauseMs));
    }
    if (ready != 0) {
        std::fprintf(stderr, "padora-bench-trigger: padora does not take triggers (--state: %d)\n", ready);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    int refused = 0;
    const bool ran = probe.Press(presses, [&] {
        const int status = RunTrigger(program, {"--pad", "1"});
        if (status < 0) {
            std::perror("padora-bench-trigger: posix_spawn");
            return false;
        }
        refused += status != 0 ? 1 : 0;
        return true;
    });
    const CSoundOnsetProbe::Result result = probe.Finish();
    std::printf("program=%s\nrefused=%d\n", which.c_str(), refused);
    return ran && probe.Report(result, "trigger_to_sound", kTargetP99Ms) ? 0 : 1;
}
