#include "playkit/AdxPortAudioBackend.h"

#include "playkit/AdxMixer.h"

#include <cstdio>
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

namespace playkit {
namespace {
// ALSA and JACK print pages of probing chatter on stderr while PortAudio looks for devices.
// The engine reports a missing device in one line of its own, so hush stderr meanwhile.
class CQuietStderr {
public:
    CQuietStderr() {
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            dup2(null, STDERR_FILENO);
        if (null >= 0)
            close(null);
    }
    ~CQuietStderr() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            dup2(m_saved, STDERR_FILENO);
            close(m_saved);
        }
    }
    CQuietStderr(const CQuietStderr&) = delete;
    CQuietStderr& operator=(const CQuietStderr&) = delete;

private:
    int m_saved = -1;
};

int StreamCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags flags, void* user) {
    return static_cast<CAdxPortAudioBackend*>(user)->Callback(static_cast<float*>(output), frames,
                                                              (flags & paOutputUnderflow) != 0);
}

void StreamFinished(void* user) {
    static_cast<CAdxPortAudioBackend*>(user)->Finished();
}
} // namespace

CAdxPortAudioBackend::CAdxPortAudioBackend(CAdxMixer& mixer, std::string device, unsigned rate,
                                           std::size_t period)
    : m_mixer(mixer), m_device(std::move(device)), m_rate(rate), m_period(period) {}

CAdxPortAudioBackend::~CAdxPortAudioBackend() {
    Stop();
}

int CAdxPortAudioBackend::Callback(float* out, unsigned long frames, bool underflow) {
    if (underflow)
        m_mixer.CountDeviceXrun();
    m_mixer.Render(out, frames);
    return paContinue;
}

void CAdxPortAudioBackend::Finished() {
    if (!m_stopping.load(std::memory_order_relaxed))
        m_failed.store(true, std::memory_order_relaxed);
}

bool CAdxPortAudioBackend::Start(std::string& reason) {
    CQuietStderr quiet;
    PaError err = Pa_Initialize();
    if (err != paNoError) {
        reason = Pa_GetErrorText(err);
        return false;
    }
    m_initialised = true;
    PaDeviceIndex dev = paNoDevice;
    if (m_device.empty()) {
        dev = Pa_GetDefaultOutputDevice();
    } else {
        for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (info && info->maxOutputChannels >= 2 &&
                std::string(info->name).find(m_device) != std::string::npos) {
                dev = i;
                break;
            }
        }
    }
    const PaDeviceInfo* info = dev == paNoDevice ? nullptr : Pa_GetDeviceInfo(dev);
    if (!info || info->maxOutputChannels < 1) {
        reason =
            m_device.empty() ? "no audio output device" : "no audio output device named \"" + m_device + "\"";
        Stop();
        return false;
    }
    PaStreamParameters params{};
    params.device = dev;
    params.channelCount = 2;
    params.sampleFormat = paFloat32;
    params.suggestedLatency = info->defaultLowOutputLatency;
    if (Pa_IsFormatSupported(nullptr, &params, m_rate) != paFormatIsSupported)
        m_rate = static_cast<unsigned>(info->defaultSampleRate);
    PaStream* stream = nullptr;
    err = Pa_OpenStream(&stream, nullptr, &params, m_rate, static_cast<unsigned long>(m_period), paNoFlag,
                        StreamCallback, this);
    if (err == paNoError) {
        m_stream = stream;
        Pa_SetStreamFinishedCallback(stream, StreamFinished);
        err = Pa_StartStream(stream);
    }
    if (err != paNoError) {
        reason = Pa_GetErrorText(err);
        Stop();
        return false;
    }
    return true;
}

void CAdxPortAudioBackend::Stop() {
    m_stopping = true;
    if (m_stream) {
        auto* stream = static_cast<PaStream*>(m_stream);
        Pa_StopStream(stream);
        Pa_CloseStream(stream);
        m_stream = nullptr;
    }
    if (m_initialised) {
        CQuietStderr quiet;
        Pa_Terminate();
        m_initialised = false;
    }
}

} // namespace playkit
