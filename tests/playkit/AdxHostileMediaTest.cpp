#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {
void PutLe32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
}
void PutBe32(std::string& s, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        s.push_back(static_cast<char>(v >> shift));
}
void Save(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
std::string Noise(std::size_t n, unsigned seed) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s.push_back(static_cast<char>(seed >> 16));
    }
    return s;
}
// A canonical WAV header whose data chunk claims dataBytes, then the bytes that are really there.
std::string WavClaiming(std::uint16_t tag, std::uint32_t dataBytes, std::size_t realFrames) {
    std::string s = "RIFF";
    PutLe32(s, 0xFFFFFFFFu);
    s += "WAVEfmt ";
    PutLe32(s, 16);
    s += std::string{static_cast<char>(tag), static_cast<char>(tag >> 8), 2, 0};
    PutLe32(s, 48000);
    PutLe32(s, 48000 * 4);
    s += std::string("\x04\x00\x10\x00", 4);
    s += "data";
    PutLe32(s, dataBytes);
    std::string pcm;
    for (std::size_t f = 0; f < realFrames; ++f) {
        const auto v = static_cast<std::int16_t>(std::lrint(8000 * std::sin(f * 2 * M_PI * 440 / 48000)));
        for (int c = 0; c < 2; ++c) {
            pcm.push_back(static_cast<char>(v & 0xFF));
            pcm.push_back(static_cast<char>(v >> 8));
        }
    }
    return s + pcm;
}
std::string MidiClaiming(std::uint16_t tracks, std::uint32_t trackBytes) {
    std::string s = "MThd";
    PutBe32(s, 6);
    s += std::string{0,
                     1,
                     static_cast<char>(tracks >> 8),
                     static_cast<char>(tracks & 0xFF),
                     0x01,
                     static_cast<char>(0xE0)};
    s += "MTrk";
    PutBe32(s, trackBytes);
    s += std::string("\x00\x90\x45\x64\x83\x60\x80\x45\x40\x00\xFF\x2F\x00", 13);
    return s;
}
// MPEG-1 layer III frames (128 kbit/s, 44.1 kHz: 418 bytes) with random contents.
std::string Mp3OfRandomFrames(int frames) {
    std::string s;
    for (int i = 0; i < frames; ++i)
        s += std::string("\xFF\xFB\x90\x64", 4) + Noise(414, static_cast<unsigned>(i) + 1);
    return s;
}
long ResidentKb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}
} // namespace

// Files that lie about themselves, and things that are not files, named like sounds: each is
// refused with its code or plays what it holds, in bounded memory, and opening never waits on
// them (a FIFO in particular).
TEST(CAdxHostileMedia, LyingFilesAreRefusedOrPlayWhatTheyHold) {
    const std::string dir = playkit_test::MakeTempDir();
    struct Case {
        std::string name;
        bool mayPlay;
    };
    std::vector<Case> cases;
    auto add = [&](const std::string& name, const std::string& bytes, bool mayPlay) {
        Save(dir + "/" + name, bytes);
        cases.push_back({name, mayPlay});
    };
    add("claims-4gb.wav", WavClaiming(1, 0xFFFFFFF0u, 48000), true);
    add("claims-4gb-mp3-inside.wav", WavClaiming(0x55, 0xFFFFFFF0u, 4800), true);
    add("random-frames.mp3", Mp3OfRandomFrames(300), true);
    add("60000-tracks.mid", MidiClaiming(60000, 13), true);
    add("2gb-chunk.mid", MidiClaiming(1, 0x7FFFFFFFu), true);
    add("4gb-chunk.mid", MidiClaiming(1, 0xFFFFFFF0u), true);
    for (const char* empty : {"empty.wav", "empty.mid", "empty.mp3", "empty.ogg"})
        add(empty, "", false);
    ASSERT_EQ(mkfifo((dir + "/fifo.wav").c_str(), 0600), 0);
    cases.push_back({"fifo.wav", false});
    ASSERT_EQ(mkfifo((dir + "/fifo.mid").c_str(), 0600), 0);
    cases.push_back({"fifo.mid", false});
    std::filesystem::create_directory(dir + "/folder.mp3");
    cases.push_back({"folder.mp3", false});
    if (geteuid() != 0) { // root reads whatever the mode says
        add("unreadable.wav", WavClaiming(1, 4800 * 4, 4800), false);
        chmod((dir + "/unreadable.wav").c_str(), 0);
    }

    const long before = ResidentKb();
    double worstMs = 0;
    for (const Case& c : cases) {
        CAdxShow p;
        const auto start = Clock::now();
        const int r = p.Open((dir + "/" + c.name).c_str(), 1);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        worstMs = std::max(worstMs, ms);
        std::printf("%-28s open %s in %6.1f ms\n", c.name.c_str(), r == 0 ? "played" : "refused", ms);
        // Generous for a loaded machine; the figures printed are what counts.
        EXPECT_LT(ms, 1000.0) << c.name;
        if (!c.mayPlay) {
            EXPECT_EQ(r, -7) << c.name;
            EXPECT_NE(p.GetErrorCode(), 0) << c.name;
            continue;
        }
        if (r != 0) {
            EXPECT_EQ(r, -7) << c.name;
            continue;
        }
        const double total = p.GetTotalTime();
        EXPECT_TRUE(std::isfinite(total) && total >= 0 && total < 60) << c.name << ": " << total;
        ASSERT_EQ(p.Play(), 0);
        std::vector<float> out(2 * 4800);
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(playkit::CAdxEngine::Render(out.data(), 4800));
        for (float v : out)
            ASSERT_TRUE(std::isfinite(v)) << c.name;
    }
    const long grownKb = ResidentKb() - before;
    std::printf("worst open %.1f ms, resident memory grew by %ld KB\n", worstMs, grownKb);
    EXPECT_LT(grownKb, 64 * 1024) << "nothing may be sized by what a header claims";
    std::filesystem::remove_all(dir);
}

// A WAV file whose header names a rate beyond any recording (and beyond an int) is refused by the
// direct reader instead of playing at a negative rate.
TEST(CAdxHostileMedia, AWavRateBeyondAnIntIsNotTaken) {
    const std::string dir = playkit_test::MakeTempDir();
    std::string bytes = WavClaiming(1, 48000 * 4, 48000);
    bytes[24] = 0x22, bytes[25] = 0x56, bytes[26] = 0x00, bytes[27] = static_cast<char>(0xD5); // 3.5 GHz
    Save(dir + "/fast.wav", bytes);
    CAdxShow p;
    const int r = p.Open((dir + "/fast.wav").c_str(), 1);
    if (r == 0) {
        EXPECT_GE(p.GetTotalTime(), 0.0);
        EXPECT_TRUE(std::isfinite(p.GetTotalTime()));
    } else {
        EXPECT_EQ(r, -7);
    }
    p.Close();
    std::filesystem::remove_all(dir);
}
