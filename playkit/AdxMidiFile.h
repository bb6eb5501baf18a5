#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace playkit {

// Reads a MIDI variable-length quantity and advances p past it; false when it runs past end or
// is longer than four bytes.
bool ReadMidiVar(const std::uint8_t*& p, const std::uint8_t* end, std::uint32_t& v);

// The timing of a standard MIDI file: its length and the tick at a given time, from the file's
// own tempo map (FluidSynth's player offers neither).
class CAdxMidiFile {
public:
    // Parses the whole file; false when it is not a standard MIDI file.
    bool Parse(const std::vector<std::uint8_t>& bytes);
    // Seconds from the start to the last event of the longest track.
    double Length() const { return TickToSeconds(m_lastTick); }
    double TickToSeconds(std::uint64_t tick) const;
    std::uint64_t SecondsToTick(double seconds) const;

    // Where each track's events lie in the parsed bytes (offset, length).
    struct Span {
        std::size_t offset;
        std::size_t length;
    };
    const std::vector<Span>& Tracks() const { return m_tracks; }

private:
    struct Tempo {
        std::uint64_t tick;
        std::uint32_t usPerQuarter;
    };
    bool ParseTrack(const std::uint8_t* p, std::size_t len);

    int m_division = 96;           // ticks per quarter note
    double m_smpteTickSeconds = 0; // > 0 for time-code based files
    std::uint64_t m_lastTick = 0;
    std::vector<Tempo> m_tempi; // sorted by tick
    std::vector<Span> m_tracks;
};

} // namespace playkit
