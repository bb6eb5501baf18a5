#include "InputCache.h"
#include "MidiSong.h"
#include "MixFile.h"
#include "ProcessStats.h"
#include "SoundWatch.h"
#include "ToneFit.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <pthread.h>
#include <thread>

namespace {

std::vector<float> Sine(double frequency, double rate, size_t n, double amplitude, double phase = 0.3) {
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate + phase));
    return x;
}

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("padora-bench-test-" + name)).string();
}

uint32_t ReadVarLen(const std::vector<uint8_t>& b, size_t& pos) {
    uint32_t v = 0;
    uint8_t byte = 0;
    do {
        byte = b.at(pos++);
        v = (v << 7) | (byte & 0x7F);
    } while (byte & 0x80);
    return v;
}

} // namespace

TEST(MixFile, ReadsTheSharedFormatAndNamesTheBadLine) {
    CMixFile mix;
    std::string error;
    ASSERT_TRUE(mix.Parse("# file volume balance speed\n\n01_tone.mp3  -1200  0  1.0\n"
                          "  05_white.ogg -2400 -10000 0.8   # trailing words are ignored\n",
                          error))
        << error;
    ASSERT_EQ(mix.Entries().size(), 2u);
    EXPECT_EQ(mix.Entries()[1].strFile, "05_white.ogg");
    EXPECT_EQ(mix.Entries()[1].nVolume, -2400);
    EXPECT_EQ(mix.Entries()[1].nBalance, -10000);
    EXPECT_DOUBLE_EQ(mix.Entries()[1].dSpeed, 0.8);

    EXPECT_FALSE(mix.Parse("a.wav 0 0 1\nb.wav -100 x 1\n", error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(mix.Parse("a.wav 0 0 0\n", error)); // the player refuses a rate of 0
    EXPECT_FALSE(mix.Parse("# nothing\n", error));
    EXPECT_FALSE(mix.Load("/nonexistent/mix.txt", error));
}

TEST(WavFile, WritesAHeaderThatReadsBackWithTheSamples) {
    const std::string path = TempPath("roundtrip.wav");
    const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234};
    {
        CWavWriter writer;
        ASSERT_TRUE(writer.Open(path, 2, 48000));
        ASSERT_TRUE(writer.Write(std::span(samples).first(4)));
        ASSERT_TRUE(writer.Write(std::span(samples).subspan(4)));
        ASSERT_TRUE(writer.Close());
    }
    EXPECT_EQ(std::filesystem::file_size(path), 44u + samples.size() * 2);
    SWavData wav;
    std::string error;
    ASSERT_TRUE(ReadWav(path, wav, error)) << error;
    EXPECT_EQ(wav.nChannels, 2);
    EXPECT_EQ(wav.nRate, 48000);
    ASSERT_EQ(wav.Frames(), 3u);
    EXPECT_FLOAT_EQ(wav.samples[3], 32767 / 32768.0f);
    EXPECT_FLOAT_EQ(wav.samples[4], -1.0f);
    std::filesystem::remove(path);

    EXPECT_FALSE(ReadWav(TempPath("missing.wav"), wav, error));
    std::ofstream(path) << "RIFF....WAVEjunk";
    EXPECT_FALSE(ReadWav(path, wav, error));
    std::filesystem::remove(path);
}

TEST(WavFile, ConvertsFloatWithRoundingAndClipping) {
    EXPECT_EQ(ToPcm16(0.0f), 0);
    EXPECT_EQ(ToPcm16(1.0f), 32767);
    EXPECT_EQ(ToPcm16(-1.0f), -32768);
    EXPECT_EQ(ToPcm16(-3.0f), -32768);
    EXPECT_EQ(ToPcm16(0.6f / 32768), 1);
    EXPECT_EQ(ToPcm16(-0.6f / 32768), -1);
    EXPECT_EQ(ToPcm16(0.4f / 32768), 0);

    const std::vector<float> in = {0.5f, -0.5f, 2.0f, -2.0f, 1e-6f};
    std::vector<int16_t> out(in.size());
    ToPcm16(in, out.data());
    EXPECT_EQ(out, (std::vector<int16_t>{16384, -16384, 32767, -32768, 0}));
}

TEST(MidiSong, VariableLengthQuantities) {
    const std::pair<uint32_t, std::vector<uint8_t>> cases[] = {{0, {0x00}},
                                                               {0x7F, {0x7F}},
                                                               {0x80, {0x81, 0x00}},
                                                               {0x3FFF, {0xFF, 0x7F}},
                                                               {0x200000, {0x81, 0x80, 0x80, 0x00}}};
    for (const auto& [value, bytes] : cases) {
        std::vector<uint8_t> out;
        PutVarLen(out, value);
        EXPECT_EQ(out, bytes) << value;
    }
}

TEST(MidiSong, LastsExactlyTheAskedTimeAndIsWellFormed) {
    const auto song = MakeMidiSong(180.0);
    ASSERT_GT(song.size(), 22u);
    EXPECT_EQ(std::string(song.begin(), song.begin() + 4), "MThd");
    EXPECT_EQ(std::string(song.begin() + 14, song.begin() + 18), "MTrk");
    const uint32_t trackLen = song[18] << 24 | song[19] << 16 | song[20] << 8 | song[21];
    EXPECT_EQ(trackLen, song.size() - 22);
    const uint32_t division = song[12] << 8 | song[13];

    // Walk the track: every event's length must be known and the end-of-track must be last.
    size_t pos = 22;
    uint64_t tick = 0;
    uint32_t tempo = 0;
    bool ended = false;
    while (pos < song.size() && !ended) {
        tick += ReadVarLen(song, pos);
        const uint8_t status = song.at(pos++);
        if (status == 0xFF) {
            const uint8_t type = song.at(pos++);
            const uint32_t len = ReadVarLen(song, pos);
            if (type == 0x51)
                tempo = song.at(pos) << 16 | song.at(pos + 1) << 8 | song.at(pos + 2);
            ended = type == 0x2F;
            pos += len;
        } else {
            ASSERT_GE(status, 0x80) << "running status is not written";
            pos += (status & 0xF0) == 0xC0 ? 1 : 2;
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(pos, song.size());
    ASSERT_GT(tempo, 0u);
    EXPECT_NEAR(static_cast<double>(tick) / division * tempo * 1e-6, 180.0, 1e-9);
}

TEST(ToneFit, MeasuresNoiseAndDistortionAgainstTheTone) {
    const double rate = 48000;
    const auto pure = Sine(997, rate, 24000, 0.5);
    const SToneFit clean = FitTone(pure, rate, 997);
    EXPECT_NEAR(clean.dAmplitude, 0.5, 1e-6);
    EXPECT_LT(clean.dResidualDb, -120); // float rounding only

    // A third harmonic at 1 % of the tone is -40 dB of THD.
    auto distorted = pure;
    const auto third = Sine(3 * 997, rate, 24000, 0.005, 1.1);
    for (size_t i = 0; i < distorted.size(); ++i)
        distorted[i] += third[i];
    EXPECT_NEAR(FitTone(distorted, rate, 997).dResidualDb, -40, 0.1);

    // A tone a hair off the expected pitch is found, not charged as noise.
    const auto off = Sine(997 * 1.0002, rate, 24000, 0.5);
    const SToneFit found = FitTone(off, rate, 997);
    EXPECT_NEAR(found.dFrequency, 997 * 1.0002, 0.01);
    EXPECT_LT(found.dResidualDb, -100);

    // A spur 100 dB under the tone, elsewhere in the band, is measured to within a decibel,
    // while the tone's own frequency shows the tone.
    auto spurred = pure;
    const auto spur = Sine(18000, rate, 24000, 0.5e-5, 0.7);
    for (size_t i = 0; i < spurred.size(); ++i)
        spurred[i] += spur[i];
    EXPECT_NEAR(20 * std::log10(ToneAmplitude(spurred, rate, 18000) / 0.5), -100, 1.0);
    EXPECT_NEAR(ToneAmplitude(spurred, rate, 997), 0.5, 1e-6);

    EXPECT_NEAR(RmsDb(pure), 20 * std::log10(0.5 / std::sqrt(2.0)), 0.01);
    EXPECT_EQ(RmsDb(std::vector<float>(10, 0.0f)), -200);
}

TEST(ProcessStats, QuantilesInterpolateBetweenNeighbours) {
    EXPECT_EQ(Quantile({}, 0.5), 0);
    EXPECT_DOUBLE_EQ(Quantile({4, 1, 3, 2}, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(Quantile({5, 1, 3}, 0.5), 3);
    EXPECT_DOUBLE_EQ(Quantile({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0.9), 10);
    EXPECT_DOUBLE_EQ(Quantile({1, 2}, 1.0), 2);
}

TEST(ProcessStats, SeesThisProcess) {
    EXPECT_GT(ResidentKb(), 0);
    const auto threads = ThreadCpuTimes();
    ASSERT_FALSE(threads.empty());
    volatile double sink = 0;
    for (int i = 0; i < 2000000; ++i)
        sink = sink + std::sqrt(static_cast<double>(i));
    EXPECT_GT(ProcessCpuSeconds(), 0);
}

TEST(ProcessStats, CountsDescriptorsAndThreadsExactly) {
    // The soak judges growth by one: a count that includes its own listing, or misses a thread, would
    // report growth that is not there or hide growth that is.
    const int fds = OpenFdCount();
    const int threads = ThreadCount();
    ASSERT_GE(fds, 3);
    ASSERT_GE(threads, 1);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(OpenFdCount(), fds + 1);
    std::fclose(file);
    EXPECT_EQ(OpenFdCount(), fds);
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    EXPECT_EQ(ThreadCount(), threads + 1);
    stop = true;
    worker.join();
    // join returns when the thread has cleared its id, a moment before the kernel drops its task entry.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (ThreadCount() != threads && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(ThreadCount(), threads);
}

TEST(SoundWatch, SeesTheFirstSoundOnlyAfterASilentBlock) {
    CSoundWatch watch;
    const auto t0 = CSoundWatch::Clock::now();
    std::vector<float> loud(2 * 256, 0.25f), silent(2 * 256, 0.0f), late(2 * 256, 0.0f);
    late[2 * 37 + 1] = 0.01f; // right channel only, frame 37
    CSoundWatch::SSeen seen;

    watch.OnBlock(loud.data(), 256, t0); // not armed: ignored
    watch.Arm();
    watch.OnBlock(loud.data(), 256, t0); // the previous sound still rings
    EXPECT_FALSE(watch.WaitUntilSilent(std::chrono::milliseconds(0)));
    EXPECT_FALSE(watch.WaitForSound(std::chrono::milliseconds(0), seen));

    // Half a 16-bit step is still silence.
    std::vector<float> whisper(2 * 256, 0.4f / 32768);
    watch.OnBlock(whisper.data(), 256, t0);
    EXPECT_TRUE(watch.WaitUntilSilent(std::chrono::milliseconds(0)));
    watch.OnBlock(silent.data(), 256, t0);
    EXPECT_FALSE(watch.WaitForSound(std::chrono::milliseconds(0), seen));

    const auto t1 = t0 + std::chrono::milliseconds(5);
    watch.OnBlock(late.data(), 256, t1);
    watch.OnBlock(loud.data(), 256, t1 + std::chrono::milliseconds(5)); // later blocks change nothing
    ASSERT_TRUE(watch.WaitForSound(std::chrono::milliseconds(0), seen));
    EXPECT_EQ(seen.nOffset, 37u);
    EXPECT_EQ(seen.tBlock, t1);
    // Seen once: the next measure needs a new Arm.
    EXPECT_FALSE(watch.WaitForSound(std::chrono::milliseconds(0), seen));
}

TEST(WavFile, ReadsPaddedChunksExtensibleFloatAndCutStreams) {
    // RIFF header, an odd-sized LIST chunk (padded to even), an extensible fmt chunk declaring
    // 32-bit float, and a data chunk that claims more bytes than the file holds.
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    auto le = [&b](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    b.insert(b.end(), {'L', 'I', 'S', 'T'});
    le(3, 4);
    b.insert(b.end(), {'a', 'b', 'c', 0});
    b.insert(b.end(), {'f', 'm', 't', ' '});
    le(40, 4);
    le(0xFFFE, 2); // extensible
    le(1, 2);      // mono
    le(44100, 4);
    le(44100 * 4, 4);
    le(4, 2);
    le(32, 2);
    le(22, 2);
    le(32, 2);
    le(4, 4);
    le(3, 2); // sub-format: IEEE float
    for (int i = 0; i < 14; ++i)
        b.push_back(0);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    le(1000, 4);
    const float values[] = {0.5f, -0.25f};
    const auto* raw = reinterpret_cast<const uint8_t*>(values);
    b.insert(b.end(), raw, raw + sizeof values);

    const std::string path = TempPath("extensible.wav");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    SWavData wav;
    std::string error;
    ASSERT_TRUE(ReadWav(path, wav, error)) << error;
    EXPECT_EQ(wav.nChannels, 1);
    EXPECT_EQ(wav.nRate, 44100);
    ASSERT_EQ(wav.samples.size(), 2u);
    EXPECT_EQ(wav.samples[0], 0.5f);
    EXPECT_EQ(wav.samples[1], -0.25f);

    // 24-bit integer is refused with a reason rather than read as garbage.
    b[12 + 8 + 4 + 8 + 14] = 24; // bits per sample
    b[12 + 8 + 4 + 8 + 24] = 1;  // sub-format: PCM
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    EXPECT_FALSE(ReadWav(path, wav, error));
    EXPECT_NE(error.find("16-bit"), std::string::npos) << error;
    std::filesystem::remove(path);
}

TEST(WavFile, ReportsAWriteThatCannotHappen) {
    CWavWriter writer;
    EXPECT_FALSE(writer.Open("/nonexistent-dir/x.wav", 2, 48000));
    const int16_t samples[2] = {1, 2};
    EXPECT_FALSE(writer.Write(samples));
    EXPECT_FALSE(writer.Close());
}

TEST(InputCache, WritesDitheredSinesOnceAndLeavesNoHalfFiles) {
    const auto dir = std::filesystem::temp_directory_path() / "padora-bench-test-cache";
    std::filesystem::remove_all(dir);
    setenv("PADORA_BENCH_DIR", dir.c_str(), 1);
    CInputCache cache;
    unsetenv("PADORA_BENCH_DIR");
    ASSERT_TRUE(cache.Ok());
    EXPECT_EQ(cache.Dir(), dir.string());

    const std::string path = cache.Sine(1000, 48000, 0.5, 0.5);
    ASSERT_FALSE(path.empty());
    SWavData wav;
    std::string error;
    ASSERT_TRUE(ReadWav(path, wav, error)) << error;
    ASSERT_EQ(wav.Frames(), 24000u);
    std::vector<float> left(wav.Frames());
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] = wav.samples[2 * i];
        EXPECT_EQ(wav.samples[2 * i], wav.samples[2 * i + 1]);
        // The dither stays within one step either side of the exact sine.
        const double exact = 0.5 * std::sin(2 * std::numbers::pi * 1000 * i / 48000.0);
        ASSERT_LE(std::fabs(left[i] - exact), 1.5 / 32768) << i;
    }
    const SToneFit fit = FitTone(left, 48000, 1000);
    EXPECT_NEAR(fit.dAmplitude, 0.5, 1e-4);
    EXPECT_LT(fit.dResidualDb, -80); // dithered 16-bit, not worse

    // A second request reuses the file.
    const auto written = std::filesystem::last_write_time(path);
    EXPECT_EQ(cache.Sine(1000, 48000, 0.5, 0.5), path);
    EXPECT_EQ(std::filesystem::last_write_time(path), written);

    // The MIDI file is the song, byte for byte.
    const std::string midi = cache.Midi(2.0);
    ASSERT_FALSE(midi.empty());
    std::ifstream in(midi, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, MakeMidiSong(2.0));

    // An encoder that fails leaves nothing behind, not even its temporary file.
    EXPECT_EQ(cache.Audio("broken.wav", "no-such-lavfi-source", 1.0), "");
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find("broken"), std::string::npos) << entry.path();
    std::filesystem::remove_all(dir);
}

TEST(InputCache, RunProgramGivesTheExitStatus) {
    EXPECT_EQ(RunProgram({"true"}), 0);
    EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(RunProgram({"no-such-program-padora"}), -1);
}

TEST(ProcessStats, ChargesCpuToTheThreadThatUsedIt) {
    // The worker burns 50 ms of its own CPU time, then waits: no dependence on the machine's load.
    std::atomic<int> phase{0}; // 0 burning, 1 burnt, 2 may end
    std::thread worker([&phase] {
        pthread_setname_np(pthread_self(), "bench-burner");
        volatile double sink = 0;
        while (ThisThreadCpuSeconds() < 0.05)
            sink = sink + std::sqrt(sink + 1);
        phase = 1;
        phase.notify_all();
        phase.wait(1);
    });
    phase.wait(0);
    double burnt = -1;
    for (const auto& thread : ThreadCpuTimes())
        if (thread.strName == "bench-burner")
            burnt = thread.dSeconds;
    phase = 2;
    phase.notify_all();
    worker.join();
    EXPECT_GE(burnt, 0.05);
    EXPECT_LT(burnt, 0.07);
}
