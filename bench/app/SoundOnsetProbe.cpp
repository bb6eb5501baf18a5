#include "SoundOnsetProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kLoud = 1000;         // a frame above this has sound in it
constexpr int kHeaderBytes = 44;    // the record backend's WAV header
constexpr int kFrameBytes = 4;      // 16-bit stereo
constexpr int kWindowFrames = 4800; // 100 ms for a press to sound at all

void WriteTone(const std::string& path) {
    // 40 ms of a loud 1 kHz square wave: the first frame is already loud.
    const int frames = CSoundOnsetProbe::kRate / 25;
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i)
        pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>((i % 48 < 24 ? 1 : -1) * 20000);
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
    put32(CSoundOnsetProbe::kRate);
    put32(CSoundOnsetProbe::kRate * kFrameBytes);
    put16(kFrameBytes);
    put16(16);
    out.write("data", 4);
    put32(bytes);
    out.write(reinterpret_cast<const char*>(pcm.data()), bytes);
}

long long FileFrames(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size < kHeaderBytes)
        return -1;
    return (st.st_size - kHeaderBytes) / kFrameBytes;
}

} // namespace

CSoundOnsetProbe::CSoundOnsetProbe(std::string name) : m_strName(std::move(name)) {
    std::string dirTemplate = "/tmp/" + m_strName + "-XXXXXX";
    m_strDir = mkdtemp(dirTemplate.data());
    m_strRecord = m_strDir + "/out.wav";
    WriteTone(m_strDir + "/tone.wav");
    std::ofstream set(m_strDir + "/set.pdg");
    set << "[GroupData]\nGroupNum=1\nGrpName01=Bench\n[SoundData]\n"
           "SndName01-01=tone\nSndFName01-01=./tone.wav\nSndVol01-01=100\nSndPan01-01=0\n"
           "SndRate01-01=1.0\nSndRepeat01-01=0\nSndFI01-01=0\nSndFO01-01=0\n"
           "SndTimeFI01-01=1.0\nSndTimeFO01-01=1.0\n";
}

CSoundOnsetProbe::~CSoundOnsetProbe() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_strDir, ignored);
}

double CSoundOnsetProbe::Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool CSoundOnsetProbe::Start(const std::vector<std::pair<std::string, std::string>>& env) {
    const std::string padora = PADORA_BIN;
    m_pid = fork();
    if (m_pid == 0) {
        if (chdir(m_strDir.c_str()) != 0)
            _exit(127);
        setenv("PADORA_AUDIO", ("record:" + m_strRecord).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("XDG_RUNTIME_DIR", m_strDir.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        for (const auto& [name, value] : env)
            setenv(name.c_str(), value.c_str(), 1);
        execl(padora.c_str(), padora.c_str(), "set.pdg", static_cast<char*>(nullptr));
        _exit(127);
    }
    // The recording starts with the first sound opened; give the window time to settle.
    for (int i = 0; i < 100 && FileFrames(m_strRecord) < kRate / 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (FileFrames(m_strRecord) < 0) {
        std::fprintf(stderr, "%s: padora made no recording\n", m_strName.c_str());
        Stop();
        return false;
    }
    return true;
}

void CSoundOnsetProbe::Watch() {
    if (m_bWatching.exchange(true))
        return;
    m_watcher = std::thread([this] {
        while (m_bWatching.load()) {
            const long long frames = FileFrames(m_strRecord);
            const double now = Now();
            if (frames > kPeriod)
                m_dStart.store(std::min(m_dStart.load(), now - double(frames - kPeriod) / kRate));
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
}

bool CSoundOnsetProbe::Press(int presses, const std::function<bool()>& press) {
    Watch();
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pauseUs(150000, 260000);
    for (int i = 0; i < presses; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        const double t = Now();
        if (!press())
            return false;
        m_aPressedAt.push_back(t);
    }
    return true;
}

void CSoundOnsetProbe::Stop() {
    m_bWatching.store(false);
    if (m_watcher.joinable())
        m_watcher.join();
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

CSoundOnsetProbe::Result CSoundOnsetProbe::Finish() {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Stop();
    std::ifstream in(m_strRecord, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t frames = bytes.size() > kHeaderBytes ? (bytes.size() - kHeaderBytes) / kFrameBytes : 0;
    const auto* pcm = reinterpret_cast<const int16_t*>(bytes.data() + kHeaderBytes);
    const double start = m_dStart.load();
    Result result;
    for (std::size_t press = 0; press < m_aPressedAt.size(); ++press) {
        const double t = m_aPressedAt[press];
        const double from = (t - start) * kRate - kPeriod;
        size_t f = from > 0 ? static_cast<size_t>(from) : 0;
        const size_t end = std::min(frames, f + kWindowFrames);
        while (f < end && std::abs(pcm[2 * f]) < kLoud)
            ++f;
        if (f >= end) {
            // Late or lost: say which, for whoever reads the figures.
            size_t later = f;
            while (later < frames && std::abs(pcm[2 * later]) < kLoud)
                ++later;
            std::fprintf(stderr, "%s: press %zu: no sound within 100 ms (the next one %.1f ms after it)\n",
                         m_strName.c_str(), press + 1,
                         later < frames ? (start + double(later) / kRate - t) * 1000.0 : -1.0);
            ++result.missed;
            result.perPressMs.push_back(std::nan(""));
            continue;
        }
        result.latencyMs.push_back((start + double(f) / kRate - t) * 1000.0);
        result.perPressMs.push_back(result.latencyMs.back());
    }
    std::sort(result.latencyMs.begin(), result.latencyMs.end());
    return result;
}

bool CSoundOnsetProbe::Report(const Result& result, const char* figure, double targetP99Ms) const {
    const std::vector<double>& ms = result.latencyMs;
    if (ms.empty()) {
        std::fprintf(stderr, "%s: no press was heard\n", m_strName.c_str());
        return false;
    }
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))]; };
    std::printf("presses=%zu\nheard=%zu\nmissed=%d\n", m_aPressedAt.size(), ms.size(), result.missed);
    std::printf("%s_p50_ms=%.2f\n%s_p99_ms=%.2f\n%s_max_ms=%.2f\n%s_min_ms=%.2f\n", figure, at(0.50), figure,
                at(0.99), figure, ms.back(), figure, ms.front());
    std::printf("met=%s\n", at(0.99) < targetP99Ms && result.missed == 0 ? "yes" : "no");
    return true;
}

int CSoundOnsetProbe::FreePort(int type) {
    const int s = socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = -1;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    if (s >= 0)
        close(s);
    return port;
}
