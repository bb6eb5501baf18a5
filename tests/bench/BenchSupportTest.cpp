#include "MidiSong.h"
#include "MixFile.h"
#include "ProcessStats.h"
#include "SoundWatch.h"
#include "ToneFit.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>

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
