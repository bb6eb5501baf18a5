// Key to sound: from an XTEST press of keypad 1 (another window has the focus, background capture on) to
// the first sounding frame of channel 0 in padora's record: output. Run on an X display, for instance
//   xvfb-run -a build/bin/padora-bench-keys [PRESSES]
// The recording's frame 0 is placed on the monotonic clock from the file's growth: its writer appends
// what the real-time clock rendered, so frame N can never be on disk before start + (N - period) / rate.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr int kPeriod = 256;
constexpr double kTargetP99Ms = 12.0;

double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

void WriteTone(const std::string& path) {
    // 40 ms of a loud 1 kHz tone that sounds from its first frame.
    const int frames = kRate / 25;
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i)
        pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(
            (i % 48 < 24 ? 1 : -1) * 20000); // a square wave: the first frame is already loud
    std::ofstream out(path, std::ios::binary);
    auto put32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<uint32_t>(pcm.size() * 2);
    out.write("RIFF", 4);
    put32(36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(2);
    put32(kRate);
    put32(kRate * 4);
    put16(4);
    put16(16);
    out.write("data", 4);
    put32(bytes);
    out.write(reinterpret_cast<const char*>(pcm.data()), bytes);
}

long long FileFrames(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size < 44)
        return -1;
    return (st.st_size - 44) / 4;
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    Display* pDisplay = XOpenDisplay(nullptr);
    if (!pDisplay) {
        std::fprintf(stderr, "padora-bench-keys: no X display (run it under xvfb-run -a)\n");
        return 2;
    }
    char dirTemplate[] = "/tmp/padora-bench-keys-XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    const std::string record = dir + "/out.wav";
    WriteTone(dir + "/tone.wav");
    {
        std::ofstream set(dir + "/set.pdg");
        set << "[GroupData]\nGroupNum=1\nGrpName01=Bench\n[SoundData]\n"
               "SndName01-01=tone\nSndFName01-01=./tone.wav\nSndVol01-01=100\nSndPan01-01=0\n"
               "SndRate01-01=1.0\nSndRepeat01-01=0\nSndFI01-01=0\nSndFO01-01=0\n"
               "SndTimeFI01-01=1.0\nSndTimeFO01-01=1.0\n";
    }
    const std::string padora = std::string(PADORA_BIN);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        setenv("PADORA_AUDIO", ("record:" + record).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        execl(padora.c_str(), padora.c_str(), "set.pdg", static_cast<char*>(nullptr));
        _exit(127);
    }
    // The recording starts with the first sound opened; give the window and its capture time to settle.
    for (int i = 0; i < 100 && FileFrames(record) < kRate / 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (FileFrames(record) < 0) {
        std::fprintf(stderr, "padora-bench-keys: padora made no recording\n");
        kill(pid, SIGKILL);
        return 1;
    }

    // Another window in front with the focus; Num Lock on for the keypad digits.
    const Window window = XCreateSimpleWindow(pDisplay, DefaultRootWindow(pDisplay), 0, 0, 100, 100, 0, 0, 0);
    XMapRaised(pDisplay, window);
    XSync(pDisplay, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    XSetInputFocus(pDisplay, window, RevertToParent, CurrentTime);
    const unsigned numLock = XkbKeysymToModifiers(pDisplay, XK_Num_Lock);
    XkbLockModifiers(pDisplay, XkbUseCoreKbd, numLock, numLock);
    XSync(pDisplay, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    std::atomic<bool> watching{true};
    double start = 1e300; // the recording's frame 0 on the monotonic clock (an upper bound)
    std::thread watcher([&] {
        while (watching.load()) {
            const long long frames = FileFrames(record);
            const double now = Seconds(Clock::now());
            if (frames > kPeriod)
                start = std::min(start, now - double(frames - kPeriod) / kRate);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });

    const KeyCode kp1 = XKeysymToKeycode(pDisplay, XK_KP_1);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pauseUs(150000, 260000);
    std::vector<double> pressedAt;
    for (int i = 0; i < presses; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        const double t = Seconds(Clock::now());
        XTestFakeKeyEvent(pDisplay, kp1, True, CurrentTime);
        XFlush(pDisplay);
        pressedAt.push_back(t);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        XTestFakeKeyEvent(pDisplay, kp1, False, CurrentTime);
        XFlush(pDisplay);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    watching.store(false);
    watcher.join();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);

    std::ifstream in(record, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t frames = bytes.size() > 44 ? (bytes.size() - 44) / 4 : 0;
    const auto* pcm = reinterpret_cast<const int16_t*>(bytes.data() + 44);
    std::vector<double> latencyMs;
    int missed = 0;
    for (const double t : pressedAt) {
        const double from = (t - start) * kRate - kPeriod;
        size_t f = from > 0 ? static_cast<size_t>(from) : 0;
        const size_t end = std::min(frames, f + kRate / 10); // 100 ms to sound at all
        while (f < end && std::abs(pcm[2 * f]) < 1000)
            ++f;
        if (f >= end) {
            ++missed;
            continue;
        }
        latencyMs.push_back((start + double(f) / kRate - t) * 1000.0);
    }
    if (latencyMs.empty()) {
        std::fprintf(stderr, "padora-bench-keys: no press was heard\n");
        return 1;
    }
    std::sort(latencyMs.begin(), latencyMs.end());
    const auto at = [&](double q) {
        return latencyMs[std::min(latencyMs.size() - 1, static_cast<size_t>(q * latencyMs.size()))];
    };
    std::printf("presses=%d\nheard=%zu\nmissed=%d\n", presses, latencyMs.size(), missed);
    std::printf("key_to_sound_p50_ms=%.2f\nkey_to_sound_p99_ms=%.2f\nkey_to_sound_max_ms=%.2f\n", at(0.50),
                at(0.99), latencyMs.back());
    std::printf("key_to_sound_min_ms=%.2f\n", latencyMs.front());
    std::printf("met=%s\n", at(0.99) < kTargetP99Ms && missed == 0 ? "yes" : "no");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
