#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace playkit {

// Tape-style speed for one stereo voice: a band-limited (Kaiser-windowed sinc) interpolator whose
// ratio may change from one call to the next; the change is glided across the call, so speed
// moves never click. One polyphase table serves every ratio of 1 or more (slowing down, or a
// lower source rate); speeding up widens the filter by the ratio, so that nothing folds back below
// the output's Nyquist, and the table is rebuilt when that width changes. The inner loop is
// vectorised. Everything runs on the mixer thread and allocates nothing after construction.
class CAdxResampler {
public:
    CAdxResampler();

    // Forgets all input: the next frame written is frame 0, played at output frame 0.
    void Reset();
    // Frames of input that may be written now.
    std::size_t Room();
    // Where to put the next frames (at most Room()); Commit makes them part of the input.
    void Write(float*& left, float*& right);
    void Commit(std::size_t frames);
    // Produces up to n interleaved stereo frames at ratio output/input frames. Returns fewer when
    // it needs more input, or when ended and everything written has been played.
    std::size_t Render(float* out, std::size_t n, double ratio, bool ended);
    // True once ended input has been played to its last frame.
    bool Drained() const { return m_ended && (m_x >> 32) >= static_cast<std::uint64_t>(m_written); }
    // The input frame being played (frames since Reset, fractional).
    double Position() const { return static_cast<double>(m_x) / 4294967296.0; }

private:
    void Compact();
    void PadEnd();
    void Build(double step);

    std::vector<float> m_left, m_right;
    std::int64_t m_base = 0;    // input frame index of m_left[0] (negative: the silent lead-in)
    std::size_t m_count = 0;    // frames held, lead-in and end padding included
    std::int64_t m_written = 0; // real input frames since Reset
    std::uint64_t m_x = 0;      // input position of the next output frame, 32 bits of fraction
    double m_step = -1.0;       // input frames per output frame of the previous call (< 0: none yet)
    bool m_ended = false;
    // The polyphase table of the current filter width.
    std::vector<float> m_rows;
    double m_tableStep = 0.0;
    int m_half = 0, m_taps = 0, m_phases = 0, m_phaseBits = 8;
};

} // namespace playkit
