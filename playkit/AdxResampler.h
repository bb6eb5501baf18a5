#pragma once

#include <cstddef>

typedef struct SRC_STATE_tag SRC_STATE;

namespace playkit {

// Tape-style speed: stereo float frames resampled by a ratio that may change from one call to the
// next; the change is spread over the call's output, so speed moves never click.
class CAdxResampler {
public:
    CAdxResampler();
    ~CAdxResampler();
    CAdxResampler(const CAdxResampler&) = delete;
    CAdxResampler& operator=(const CAdxResampler&) = delete;

    bool Valid() const { return m_state != nullptr; }
    // Mixer thread. Consumes up to inFrames and produces up to outFrames; reports both counts.
    // endOfInput drains what the filter still holds.
    void Process(const float* in, std::size_t inFrames, float* out, std::size_t outFrames, double ratio,
                 bool endOfInput, std::size_t& used, std::size_t& produced);
    // Mixer thread. Forgets all history (after a jump in position).
    void Reset();

private:
    SRC_STATE* m_state = nullptr;
};

} // namespace playkit
