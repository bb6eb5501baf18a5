#include "playkit/AdxResampler.h"

#include <samplerate.h>

namespace playkit {
namespace {
// The fastest band-limited converter: 97 dB signal to noise, clean enough for speed changes
// and light enough for many voices at once.
constexpr int kConverter = SRC_SINC_FASTEST;
} // namespace

CAdxResampler::CAdxResampler() {
    int error = 0;
    m_state = src_new(kConverter, 2, &error);
}

CAdxResampler::~CAdxResampler() {
    if (m_state)
        src_delete(m_state);
}

void CAdxResampler::Process(const float* in, std::size_t inFrames, float* out, std::size_t outFrames,
                            double ratio, bool endOfInput, std::size_t& used, std::size_t& produced) {
    SRC_DATA d{};
    d.data_in = in;
    d.data_out = out;
    d.input_frames = static_cast<long>(inFrames);
    d.output_frames = static_cast<long>(outFrames);
    d.end_of_input = endOfInput ? 1 : 0;
    d.src_ratio = ratio;
    if (src_process(m_state, &d) != 0) {
        used = inFrames;
        produced = 0;
        return;
    }
    used = static_cast<std::size_t>(d.input_frames_used);
    produced = static_cast<std::size_t>(d.output_frames_gen);
}

void CAdxResampler::Reset() {
    src_reset(m_state);
}

} // namespace playkit
