#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxLog.h"
#include "playkit/AdxMixer.h"
#include "playkit/AdxRecordBackend.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

using playkit::AdxBackend;
using playkit::AdxEngineConfig;
using playkit::AdxLogLevel;
using playkit::CAdxEngine;

namespace {
std::uint32_t Le32(const std::vector<char>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

// What a reader sees of a WAV file that may be growing: the header's data size, and whether the
// header agrees with itself and never claims more than the file holds.
struct WavView {
    bool valid = false;
    std::uint32_t dataBytes = 0;
    std::uint64_t fileBytes = 0;
    std::vector<std::int16_t> pcm; // the frames the header counts
};
WavView Peek(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WavView v;
    v.fileBytes = b.size();
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
        std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0 || std::memcmp(b.data() + 36, "data", 4) != 0)
        return v;
    v.dataBytes = Le32(b, 40);
    v.valid = Le32(b, 4) == 36 + v.dataBytes && Le32(b, 24) == 48000 && v.dataBytes % 4 == 0 &&
              44 + std::uint64_t{v.dataBytes} <= b.size();
    if (v.valid) {
        v.pcm.resize(v.dataBytes / 2);
        std::memcpy(v.pcm.data(), b.data() + 44, v.dataBytes);
    }
    return v;
}

class CQuietHost : public playkit::IAdxMixerHost {
public:
    void WakeDecoder() override {}
    void FlushNotifier() override {}
};

// A recorder on its own mixer whose clock reads a time that a test can move ahead, as a process
// stopped and continued finds it.
class CLateClockRecorder {
public:
    static constexpr unsigned kRate = 48000;
    explicit CLateClockRecorder(const std::string& path)
        : m_mixer(m_host), m_backend(m_mixer, m_log, path, kRate, 256, [this] { return Now(); }) {
        m_mixer.SetSampleRate(kRate);
    }
    bool Start() {
        std::string reason;
        m_start = Clock::now();
        return m_backend.Start(reason);
    }
    void Sleep(std::chrono::seconds stall) { m_offsetNs += std::chrono::nanoseconds(stall).count(); }
    // The seconds the recording's clock has seen pass since Start.
    double Elapsed() const { return std::chrono::duration<double>(Now() - m_start).count(); }
    playkit::CAdxRecordBackend& Backend() { return m_backend; }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point Now() const { return Clock::now() + std::chrono::nanoseconds(m_offsetNs.load()); }

    CQuietHost m_host;
    playkit::CAdxMixer m_mixer;
    std::atomic<std::int64_t> m_offsetNs{0};
    Clock::time_point m_start;
    playkit::CAdxLog m_log;
    playkit::CAdxRecordBackend m_backend;
};

// From the header alone: the file grows to megabytes while a test waits on it.
double RecordedSeconds(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> head(44);
    if (!in.read(head.data(), static_cast<std::streamsize>(head.size())))
        return 0;
    return Le32(head, 40) / 4 / double(CLateClockRecorder::kRate);
}

class CRecordScope {
public:
    explicit CRecordScope(const std::string& path) {
        AdxEngineConfig config;
        config.backend = AdxBackend::Record;
        config.wavPath = path;
        m_ok = CAdxEngine::Configure(config);
    }
    ~CRecordScope() { Offline(); }
    static void Offline() {
        AdxEngineConfig offline;
        offline.backend = AdxBackend::Offline;
        CAdxEngine::Configure(offline);
    }
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
};
} // namespace

TEST(CAdxRecordBackend, ReadsFromTheEnvironmentAndRefusesAnUnwritableFile) {
    setenv("PADORA_AUDIO", "record:/tmp/show.wav", 1);
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().backend, AdxBackend::Record);
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().wavPath, "/tmp/show.wav");
    setenv("PADORA_AUDIO", "record:", 1); // no file: the default device
    EXPECT_EQ(CAdxEngine::ConfigFromEnvironment().backend, AdxBackend::PortAudio);
    unsetenv("PADORA_AUDIO");

    const std::string dir = playkit_test::MakeTempDir();
    CRecordScope scope(dir + "/no/such/folder/out.wav");
    EXPECT_FALSE(scope.Ok());
    EXPECT_EQ(CAdxEngine::Current().backend, AdxBackend::Null);
    std::filesystem::remove_all(dir);
}

// The engine's line about the refused file goes to the sink the program gave, and not to stderr.
TEST(CAdxRecordBackend, TellsTheLogSinkInsteadOfStderr) {
    std::mutex mutex;
    std::vector<std::pair<AdxLogLevel, std::string>> lines;
    CAdxEngine::SetLogSink([&](AdxLogLevel level, std::string_view line) {
        std::lock_guard lock(mutex);
        lines.emplace_back(level, line);
    });
    const std::string dir = playkit_test::MakeTempDir();
    const std::string path = dir + "/no/such/folder/out.wav";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CRecordScope(path).Ok());
    const std::string err = testing::internal::GetCapturedStderr();
    CAdxEngine::SetLogSink({});
    std::filesystem::remove_all(dir);
    EXPECT_EQ(err, "");
    std::lock_guard lock(mutex);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, AdxLogLevel::Warning);
    EXPECT_EQ(lines[0].second,
              "playkit: cannot use the WAV file (cannot write " + path + "); playing without sound output");
}

// The recording runs on the wall clock, silence included, so that a sound lands at the time it was
// heard; a reader sees a valid, growing file all along, and the whole of it once the output stops.
TEST(CAdxRecordBackend, RecordsInRealTimeAFileThatIsValidWhileItGrows) {
    const std::string dir = playkit_test::MakeTempDir();
    const std::string in = dir + "/in.wav", out = dir + "/out.wav";
    playkit_test::WriteWav(in, 48000, 1, 4800, [](int, int) { return std::int16_t(8192); });
    using Clock = std::chrono::steady_clock;
    double playedAt = 0, recordedSeconds = 0;
    {
        CRecordScope scope(out);
        ASSERT_TRUE(scope.Ok());
        const auto start = Clock::now();
        std::vector<std::uint32_t> sizes;
        for (int i = 0; i < 6; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const WavView v = Peek(out);
            ASSERT_TRUE(v.valid) << "after " << (i + 1) * 50 << " ms";
            sizes.push_back(v.dataBytes);
        }
        EXPECT_GT(sizes.back(), sizes.front()); // the header follows the file while it grows
        CAdxShow p;
        ASSERT_EQ(p.Open(in.c_str(), 1), 0);
        playedAt = std::chrono::duration<double>(Clock::now() - start).count();
        ASSERT_EQ(p.Play(), 0);
        LONG code = 0, a = 0, b = 0;
        ASSERT_EQ(p.GetEvent(&code, &a, &b, 5000), 0);
        EXPECT_EQ(code, EC_COMPLETE);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        recordedSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        p.Close();
        CRecordScope::Offline();
    }
    const WavView v = Peek(out);
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.fileBytes, 44u + v.dataBytes); // complete: every frame is counted
    const double seconds = v.dataBytes / 4 / 48000.0;
    // Real time: as long as the wall clock ran (the engine started a little before our clock).
    EXPECT_NEAR(seconds, recordedSeconds, 0.1);
    std::size_t first = 0, loud = 0;
    for (std::size_t f = 0; f < v.pcm.size() / 2; ++f) {
        if (v.pcm[2 * f] == 8192 && v.pcm[2 * f + 1] == 8192) {
            if (!loud)
                first = f;
            ++loud;
        }
    }
    EXPECT_NEAR(double(loud), 4800, 300); // the whole 0.1 s, on both sides
    // and when it was played, give or take the output's latency.
    EXPECT_NEAR(first / 48000.0, playedAt, 0.1);
    std::filesystem::remove_all(dir);
}

// Woken late, the recorder writes what the clock owes, so that frame N is N / rate seconds after
// frame 0; a stall past a minute is caught up for a minute and the rest counted as missing.
TEST(CAdxRecordBackend, AfterALateWakeUpTheFileKeepsTheWallClocksTimeline) {
    const std::string dir = playkit_test::MakeTempDir();
    constexpr double kTolerance = 0.1;
    const auto recordUntilCaughtUp = [](CLateClockRecorder& rec, const std::string& path, double owed) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (RecordedSeconds(path) < rec.Elapsed() - owed - kTolerance &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const double elapsed = rec.Elapsed();
        rec.Backend().Stop();
        return elapsed;
    };
    {
        const std::string out = dir + "/stall.wav";
        CLateClockRecorder rec(out);
        ASSERT_TRUE(rec.Start());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        rec.Sleep(std::chrono::seconds(10));
        const double elapsed = recordUntilCaughtUp(rec, out, 0);
        EXPECT_GT(elapsed, 10.0);
        EXPECT_NEAR(RecordedSeconds(out), elapsed, kTolerance);
        EXPECT_EQ(rec.Backend().Dropped(), 0u);
        EXPECT_EQ(rec.Backend().Skipped(), 0u);
    }
    {
        const std::string out = dir + "/suspend.wav";
        CLateClockRecorder rec(out);
        ASSERT_TRUE(rec.Start());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        rec.Sleep(std::chrono::seconds(70));
        const double elapsed = recordUntilCaughtUp(rec, out, 10);
        const double skipped = rec.Backend().Skipped() / double(CLateClockRecorder::kRate);
        EXPECT_NEAR(skipped, 10.0, kTolerance);
        EXPECT_NEAR(RecordedSeconds(out) + skipped, elapsed, kTolerance);
        EXPECT_EQ(rec.Backend().Dropped(), 0u);
    }
    std::filesystem::remove_all(dir);
}
