#include "MidiSong.h"

#include <cmath>

namespace {

constexpr uint32_t kTicksPerQuarter = 480;
constexpr uint32_t kMicrosPerQuarter = 500000; // 120 bpm
constexpr uint8_t kPianoChannel = 0;
constexpr uint8_t kDrumChannel = 9;
constexpr uint8_t kBassDrum = 36;
constexpr uint8_t kClosedHat = 42;

void PutBe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

struct STrack {
    std::vector<uint8_t> bytes;
    uint32_t nNow = 0; // tick of the last event written

    void Event(uint32_t tick, std::initializer_list<uint8_t> data) {
        PutVarLen(bytes, tick - nNow);
        nNow = tick;
        bytes.insert(bytes.end(), data);
    }
};

} // namespace

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (n-- > 0)
        out.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
}

std::vector<uint8_t> MakeMidiSong(double seconds) {
    STrack track;
    track.Event(0, {0xFF, 0x51, 0x03, kMicrosPerQuarter >> 16, (kMicrosPerQuarter >> 8) & 0xFF,
                    kMicrosPerQuarter & 0xFF});
    track.Event(0, {0xC0 | kPianoChannel, 0}); // acoustic grand piano

    const uint32_t endTick =
        static_cast<uint32_t>(std::lround(seconds * 1e6 / kMicrosPerQuarter * kTicksPerQuarter));
    const uint8_t chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    const uint32_t held = kTicksPerQuarter * 9 / 10;
    for (uint32_t beat = 0; (beat + 1) * kTicksPerQuarter <= endTick; ++beat) {
        const uint32_t on = beat * kTicksPerQuarter;
        const auto& chord = chords[(beat / 4) % 4];
        const uint8_t drum = beat % 2 ? kClosedHat : kBassDrum;
        for (uint8_t note : chord)
            track.Event(on, {0x90 | kPianoChannel, note, 80});
        track.Event(on, {0x90 | kDrumChannel, drum, 100});
        for (uint8_t note : chord)
            track.Event(on + held, {0x80 | kPianoChannel, note, 0});
        track.Event(on + held, {0x80 | kDrumChannel, drum, 0});
    }
    track.Event(endTick, {0xFF, 0x2F, 0x00});

    std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
    PutBe(file, 6, 4);
    PutBe(file, 0, 2); // format 0: one track
    PutBe(file, 1, 2);
    PutBe(file, kTicksPerQuarter, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBe(file, static_cast<uint32_t>(track.bytes.size()), 4);
    file.insert(file.end(), track.bytes.begin(), track.bytes.end());
    return file;
}
