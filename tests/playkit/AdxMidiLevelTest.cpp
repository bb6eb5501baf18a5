#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {
constexpr int kDivision = 480; // ticks a quarter, at 120 beats a minute: 0.5 s

// A format-0 file from events placed at absolute ticks (sorted here; note-offs first on a tick).
class CMidiWriter {
public:
    void Event(std::uint32_t tick, std::initializer_list<int> bytes) {
        std::string e;
        for (int b : bytes)
            e.push_back(static_cast<char>(b));
        m_events.emplace(std::make_pair(tick, static_cast<unsigned char>(e[0]) >= 0x90 ? 1 : 0), e);
    }
    void Note(int ch, int key, int velocity, std::uint32_t at, std::uint32_t length) {
        Event(at, {0x90 | ch, key, velocity});
        Event(at + length, {0x80 | ch, key, 0});
    }
    void Save(const std::string& path) const {
        std::string track;
        std::uint32_t last = 0;
        for (const auto& [key, bytes] : m_events) {
            PutVar(track, key.first - last);
            track += bytes;
            last = key.first;
        }
        PutVar(track, 0);
        track += std::string("\xFF\x2F\x00", 3);
        std::string file = "MThd";
        PutBe32(file, 6);
        file += std::string("\x00\x00\x00\x01", 4);
        file.push_back(static_cast<char>(kDivision >> 8));
        file.push_back(static_cast<char>(kDivision & 0xFF));
        file += "MTrk";
        PutBe32(file, static_cast<std::uint32_t>(track.size()));
        std::ofstream(path, std::ios::binary) << file << track;
    }

private:
    static void PutVar(std::string& s, std::uint32_t v) {
        char buf[5];
        int n = 0;
        buf[n++] = static_cast<char>(v & 0x7F);
        while (v >>= 7)
            buf[n++] = static_cast<char>(0x80 | (v & 0x7F));
        while (n)
            s.push_back(buf[--n]);
    }
    static void PutBe32(std::string& s, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            s.push_back(static_cast<char>(v >> shift));
    }
    std::multimap<std::pair<std::uint32_t, int>, std::string> m_events;
};

// Peak and RMS in dBFS of the whole file played offline.
struct Level {
    double peakDb;
    double rmsDb;
    float peak;
};
Level Measure(const std::string& path) {
    CAdxShow p;
    EXPECT_EQ(p.Open(path.c_str(), 1), 0);
    EXPECT_EQ(p.Play(), 0);
    const std::size_t frames = static_cast<std::size_t>((p.GetTotalTime() + 0.1) * 48000);
    std::vector<float> out(frames * 2);
    EXPECT_TRUE(playkit::CAdxEngine::Render(out.data(), frames));
    p.Close();
    float peak = 0;
    double sum = 0;
    std::size_t sounding = 0;
    for (float v : out) {
        peak = std::max(peak, std::fabs(v));
        sum += double(v) * v;
        sounding += std::fabs(v) > 1e-4f;
    }
    return {20 * std::log10(std::max(peak, 1e-9f)),
            10 * std::log10(std::max(sum / std::max<std::size_t>(sounding, 1), 1e-18)), peak};
}
} // namespace

// A General MIDI piano line at velocity 100 sits with the other media an operator mixes (peaks
// near -11 dBFS), and sixteen channels playing chords at full velocity still do not clip.
TEST(CAdxMidiLevel, APianoLineSitsWithOtherMediaAndADenseArrangementDoesNotClip) {
    const std::string dir = playkit_test::MakeTempDir();
    CMidiWriter piano;
    piano.Event(0, {0xC0, 0});
    const int line[] = {60, 62, 64, 65, 67, 69, 71, 72, 71, 69, 67, 65, 64, 62, 60, 67};
    for (int i = 0; i < 16; ++i) {
        piano.Note(0, line[i], 100, static_cast<std::uint32_t>(i * kDivision / 2), kDivision / 2);
        if (i % 4 == 0) // and a left hand
            piano.Note(0, i % 8 ? 43 : 48, 100, static_cast<std::uint32_t>(i * kDivision / 2), 2 * kDivision);
    }
    piano.Save(dir + "/piano.mid");

    CMidiWriter dense;
    const int programs[] = {0, 24, 32, 40, 48, 56, 61, 65, 73, 0, 81, 88, 19, 33, 52, 4};
    for (int ch = 0; ch < 16; ++ch) {
        dense.Event(0, {0xC0 | ch, programs[ch]});
        dense.Event(0, {0xB0 | ch, 7, 127}); // channel volume up
    }
    for (int bar = 0; bar < 4; ++bar) {
        const auto at = static_cast<std::uint32_t>(bar * 4 * kDivision);
        for (int ch = 0; ch < 16; ++ch) {
            if (ch == 9) { // drums: kick, snare and crash on every beat
                for (int beat = 0; beat < 4; ++beat)
                    for (int key : {36, 38, 49})
                        dense.Note(9, key, 127, at + static_cast<std::uint32_t>(beat * kDivision),
                                   kDivision / 2);
                continue;
            }
            for (int key : {48, 52, 55, 60})
                dense.Note(ch, key + (ch % 3) * 12 - 12, 127, at, 4 * kDivision);
        }
    }
    dense.Save(dir + "/dense.mid");

    const Level pianoLevel = Measure(dir + "/piano.mid");
    const Level denseLevel = Measure(dir + "/dense.mid");
    std::printf("piano line: peak %.1f dBFS, rms %.1f dBFS; dense: peak %.1f dBFS, rms %.1f dBFS\n",
                pianoLevel.peakDb, pianoLevel.rmsDb, denseLevel.peakDb, denseLevel.rmsDb);
    EXPECT_NEAR(pianoLevel.peakDb, -11.0, 3.0);
    EXPECT_LT(denseLevel.peak, 0.999f) << "full scale reached: the arrangement clips";
    std::filesystem::remove_all(dir);
}
