#include "playkit/AdxMidiFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using playkit::CAdxMidiFile;

namespace {
std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Header(int tracks, int division) {
    std::string h("MThd\0\0\0\6\0\1", 10);
    h.push_back(char(tracks >> 8));
    h.push_back(char(tracks));
    h.push_back(char(division >> 8));
    h.push_back(char(division & 0xFF));
    return h;
}

std::string Track(const std::string& events) {
    std::string t = "MTrk";
    const auto n = static_cast<std::uint32_t>(events.size());
    t.push_back(char(n >> 24));
    t.push_back(char(n >> 16));
    t.push_back(char(n >> 8));
    t.push_back(char(n));
    return t + events;
}
} // namespace

TEST(CAdxMidiFile, LengthFollowsTempoChangesAcrossTracks) {
    // Track 1: 120 bpm, at tick 960 (1 s) the tempo doubles; track 2 ends at tick 1920.
    const std::string tempo1 = std::string("\0\xFF\x51\x03\x07\xA1\x20", 7);       // 500000 us
    const std::string tempo2 = std::string("\x87\x40\xFF\x51\x03\x03\xD0\x90", 8); // +960: 250000 us
    const std::string eot = std::string("\0\xFF\x2F\0", 4);
    // Running status: one note on, then a second event without its status byte.
    const std::string notes = std::string("\0\x90\x40\x64\x8F\x00\x40\x00", 8); // +1920 (2-byte delta)
    const std::string file = Header(2, 480) + Track(tempo1 + tempo2 + eot) + Track(notes + eot);
    CAdxMidiFile f;
    ASSERT_TRUE(f.Parse(Bytes(file)));
    EXPECT_NEAR(f.Length(), 1.0 + 0.5, 1e-9);
    EXPECT_NEAR(f.TickToSeconds(480), 0.5, 1e-9);
    EXPECT_NEAR(f.TickToSeconds(1440), 1.25, 1e-9);
    EXPECT_EQ(f.SecondsToTick(1.25), 1440u);
    EXPECT_EQ(f.SecondsToTick(0.5), 480u);
    EXPECT_EQ(f.Tracks().size(), 2u);
}

TEST(CAdxMidiFile, TimeCodeDivisionIgnoresTempo) {
    // 25 frames a second, 40 ticks a frame: a tick is a millisecond.
    const std::string ev = std::string("\0\xFF\x51\x03\x01\x00\x00\x87\x68\xFF\x2F\0", 12); // +1000
    CAdxMidiFile f;
    ASSERT_TRUE(f.Parse(Bytes(Header(1, 0xE728) + Track(ev))));
    EXPECT_NEAR(f.Length(), 1.0, 1e-9);
}

TEST(CAdxMidiFile, RefusesWhatIsNotAMidiFileAndSurvivesDamage) {
    CAdxMidiFile f;
    EXPECT_FALSE(f.Parse(Bytes("")));
    EXPECT_FALSE(f.Parse(Bytes("RIFF....WAVEfmt ")));
    EXPECT_FALSE(f.Parse(Bytes(Header(1, 0)))); // no division, no track
    // A track cut short in the middle of an event, and a length that runs past the file.
    std::string cut = Header(1, 96) + Track(std::string("\x60\x90\x40", 3));
    cut[cut.size() - 7] = 0x7F;
    EXPECT_TRUE(f.Parse(Bytes(cut)));
    EXPECT_EQ(f.Length(), 0.0); // the cut event never happens
    // A zero tempo would divide by zero: it is ignored.
    const std::string zero = std::string("\0\xFF\x51\x03\0\0\0\x60\xFF\x2F\0", 11);
    ASSERT_TRUE(f.Parse(Bytes(Header(1, 96) + Track(zero))));
    EXPECT_NEAR(f.Length(), 0.5, 1e-9);
}
