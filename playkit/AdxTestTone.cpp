#include "playkit/AdxTestTone.h"

#include "playkit/AdxPortAudio.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <portaudio.h>

namespace playkit {

struct CAdxTestTone::Stream {
    CPortAudioSession session;
    PaStream* stream = nullptr;
    double rate = 48000.0;
    std::size_t frame = 0;
    std::size_t length = 0;
    std::size_t ramp = 0;
    std::atomic<bool> playing{true};

    // Device thread.
    int Render(float* out, unsigned long frames) {
        const double step = 2.0 * std::numbers::pi * kFrequency / rate;
        for (unsigned long i = 0; i < frames; ++i, ++frame) {
            float v = 0.0f;
            if (frame < length) {
                // Raised edges, so that the tone starts and ends without a click.
                const std::size_t edge = std::min(frame, length - 1 - frame);
                const float gain = edge < ramp ? static_cast<float>(edge) / static_cast<float>(ramp) : 1.0f;
                v = kLevel * gain * static_cast<float>(std::sin(step * static_cast<double>(frame)));
            }
            out[2 * i] = v;
            out[2 * i + 1] = v;
        }
        if (frame < length)
            return paContinue;
        playing.store(false, std::memory_order_relaxed);
        return paComplete;
    }
};

namespace {
int ToneCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                 PaStreamCallbackFlags, void* user) {
    return static_cast<CAdxTestTone::Stream*>(user)->Render(static_cast<float*>(output), frames);
}
} // namespace

CAdxTestTone::CAdxTestTone() = default;

CAdxTestTone::~CAdxTestTone() {
    Close();
}

void CAdxTestTone::Close() {
    if (!m_stream)
        return;
    std::lock_guard lock(PortAudioMutex());
    if (m_stream->stream) {
        CQuietStderr quiet;
        Pa_StopStream(m_stream->stream);
        Pa_CloseStream(m_stream->stream);
    }
    m_stream.reset();
}

bool CAdxTestTone::Play(const std::string& device, unsigned period, std::string& reason) {
    Close();
    std::lock_guard lock(PortAudioMutex());
    auto s = std::make_unique<Stream>();
    if (!s->session.Ok()) {
        reason = s->session.Error();
        return false;
    }
    const PaDeviceIndex dev = FindOutputDevice(device);
    const PaDeviceInfo* info = dev == paNoDevice ? nullptr : Pa_GetDeviceInfo(dev);
    if (!info) {
        reason =
            device.empty() ? "no audio output device" : "no audio output device named \"" + device + "\"";
        return false;
    }
    PaStreamParameters params{};
    params.device = dev;
    params.channelCount = 2;
    params.sampleFormat = paFloat32;
    params.suggestedLatency = info->defaultLowOutputLatency;
    s->rate = info->defaultSampleRate > 0 ? info->defaultSampleRate : 48000.0;
    s->length = static_cast<std::size_t>(s->rate * kSeconds);
    s->ramp = static_cast<std::size_t>(s->rate * 0.01);
    CQuietStderr quiet;
    PaError err =
        Pa_OpenStream(&s->stream, nullptr, &params, s->rate, period, paNoFlag, ToneCallback, s.get());
    if (err == paNoError)
        err = Pa_StartStream(s->stream);
    if (err != paNoError) {
        reason = Pa_GetErrorText(err);
        if (s->stream)
            Pa_CloseStream(s->stream);
        s->stream = nullptr;
        return false;
    }
    m_stream = std::move(s);
    return true;
}

bool CAdxTestTone::Playing() const {
    return m_stream && m_stream->playing.load(std::memory_order_relaxed);
}

} // namespace playkit
