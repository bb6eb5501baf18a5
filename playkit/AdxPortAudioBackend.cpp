#include "playkit/AdxPortAudioBackend.h"

#include "playkit/AdxJackOutput.h"
#include "playkit/AdxLog.h"
#include "playkit/AdxMixer.h"
#include "playkit/AdxPipeWireOutput.h"
#include "playkit/AdxPortAudio.h"

#include <portaudio.h>

#include <algorithm>
#include <string>

namespace playkit {
namespace {
int StreamCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags flags, void* user) {
    return static_cast<CAdxPortAudioBackend*>(user)->Callback(static_cast<float*>(output), frames,
                                                              (flags & paOutputUnderflow) != 0);
}

void StreamFinished(void* user) {
    static_cast<CAdxPortAudioBackend*>(user)->Finished();
}
} // namespace

CAdxPortAudioBackend::CAdxPortAudioBackend(CAdxMixer& mixer, const CAdxLog& log, std::string device,
                                           unsigned rate, std::size_t period)
    : m_mixer(mixer), m_log(log), m_device(std::move(device)), m_rate(rate), m_period(period),
      m_channels(mixer.Channels()) {}

CAdxPortAudioBackend::~CAdxPortAudioBackend() {
    Stop();
}

int CAdxPortAudioBackend::Callback(float* out, unsigned long frames, bool underflow) {
    if (underflow)
        m_mixer.CountDeviceXrun();
    m_mixer.Render(out, frames, m_channels);
    return paContinue;
}

void CAdxPortAudioBackend::Finished() {
    if (!m_stopping.load(std::memory_order_relaxed))
        m_failed.store(true, std::memory_order_relaxed);
}

bool CAdxPortAudioBackend::Failed() const {
    return m_failed.load(std::memory_order_relaxed) || (m_jack && m_jack->Lost()) ||
           (m_pipewire && m_pipewire->Lost());
}

bool CAdxPortAudioBackend::Open(std::string& reason) {
    if (m_stream || m_jack || m_pipewire)
        return true;
    // On a PipeWire desktop the default device is a stream of our own on its server: the ALSA
    // default would reach the same server through two more queues.
    const bool pipewireNamed = m_device == CAdxPipeWireOutput::kDeviceName;
    if (pipewireNamed || (m_device.empty() && CAdxPipeWireOutput::ServerSocketPresent())) {
        auto pipewire = std::make_unique<CAdxPipeWireOutput>(m_mixer, m_log, m_rate, m_period);
        std::string why;
        if (pipewire->Open(why)) {
            m_pipewire = std::move(pipewire);
            // The stream is stereo: further pairs play on the first.
            m_channels = 2;
            if (m_mixer.Channels() > m_channels)
                m_log.Write(AdxLogLevel::Warning,
                            "playkit: the PipeWire stream is stereo; playing 1 of the " +
                                std::to_string(m_mixer.Pairs()) + " output pairs");
            return true;
        }
        if (pipewireNamed) {
            reason = why;
            return false;
        }
        m_log.Write(AdxLogLevel::Info, "playkit: " + why + "; trying the ALSA default device");
    }
    std::lock_guard lock(PortAudioMutex());
    m_channels = m_mixer.Channels();
    m_stopping = false;
    m_failed = false;
    m_session = std::make_unique<CPortAudioSession>();
    if (!m_session->Ok()) {
        reason = m_session->Error();
        m_session.reset();
        return false;
    }
    const PaDeviceIndex dev = FindOutputDevice(m_device);
    const PaDeviceInfo* info = dev == paNoDevice ? nullptr : Pa_GetDeviceInfo(dev);
    if (!info || info->maxOutputChannels < 1) {
        reason =
            m_device.empty() ? "no audio output device" : "no audio output device named \"" + m_device + "\"";
        m_session.reset();
        return false;
    }
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
    if (api && api->type == paJACK) {
        // PortAudio's scan (and its JACK client) ends before our own client joins the server.
        auto jack = std::make_unique<CAdxJackOutput>(m_mixer, m_log, info->name, m_channels);
        m_session.reset();
        if (!jack->Open(reason))
            return false;
        m_rate = jack->SampleRate();
        m_jack = std::move(jack);
        return true;
    }
    // A device with fewer channels than the pairs asked for plays the pairs it has (at least one:
    // a mono device takes a stereo stream, as it always did).
    const std::size_t wanted = m_mixer.Channels();
    const std::size_t has = static_cast<std::size_t>(info->maxOutputChannels);
    m_channels = has >= wanted ? wanted : std::max<std::size_t>(2, has & ~std::size_t{1});
    if (m_channels < wanted)
        m_log.Write(AdxLogLevel::Warning, "playkit: the audio device \"" + std::string(info->name) +
                                              "\" has " + std::to_string(has) + " output channels; playing " +
                                              std::to_string(m_channels / 2) + " of the " +
                                              std::to_string(wanted / 2) + " output pairs");
    PaStreamParameters params{};
    params.device = dev;
    params.channelCount = static_cast<int>(m_channels);
    params.sampleFormat = paFloat32;
    params.suggestedLatency = info->defaultLowOutputLatency;
    CQuietStderr quiet;
    if (Pa_IsFormatSupported(nullptr, &params, m_rate) != paFormatIsSupported)
        m_rate = static_cast<unsigned>(info->defaultSampleRate);
    PaStream* stream = nullptr;
    const PaError err = Pa_OpenStream(&stream, nullptr, &params, m_rate, static_cast<unsigned long>(m_period),
                                      paNoFlag, StreamCallback, this);
    if (err != paNoError) {
        reason = Pa_GetErrorText(err);
        m_session.reset();
        return false;
    }
    m_stream = stream;
    Pa_SetStreamFinishedCallback(stream, StreamFinished);
    return true;
}

bool CAdxPortAudioBackend::Start(std::string& reason) {
    if (!Open(reason))
        return false;
    if (m_pipewire) {
        if (!m_pipewire->Start(reason)) {
            Stop();
            return false;
        }
        m_started = true;
        return true;
    }
    if (m_jack) {
        if (!m_jack->Start(reason)) {
            Stop();
            return false;
        }
        m_started = true;
        return true;
    }
    PaError err = paNoError;
    {
        std::lock_guard lock(PortAudioMutex());
        err = Pa_StartStream(static_cast<PaStream*>(m_stream));
    }
    if (err != paNoError) {
        reason = Pa_GetErrorText(err);
        Stop();
        return false;
    }
    m_started = true;
    return true;
}

void CAdxPortAudioBackend::Stop() {
    m_stopping = true;
    m_jack.reset();
    m_pipewire.reset();
    std::lock_guard lock(PortAudioMutex());
    if (m_stream) {
        auto* stream = static_cast<PaStream*>(m_stream);
        CQuietStderr quiet;
        if (m_started)
            Pa_StopStream(stream);
        Pa_CloseStream(stream);
        m_stream = nullptr;
        m_started = false;
    }
    m_session.reset();
}

std::vector<AdxOutputDevice> CAdxPortAudioBackend::Devices() {
    std::vector<AdxOutputDevice> list;
    std::lock_guard lock(PortAudioMutex());
    CPortAudioSession session;
    if (!session.Ok())
        return list;
    const PaDeviceIndex defaultDevice = Pa_GetDefaultOutputDevice();
    const bool pipewire = CAdxPipeWireOutput::ServerSocketPresent();
    if (pipewire) {
        AdxOutputDevice d;
        d.hostApi = CAdxPipeWireOutput::kDeviceName;
        d.name = CAdxPipeWireOutput::kDeviceName;
        d.channels = 2;
        d.defaultRate = 48000;
        d.isDefault = true; // what the default device plays on
        list.push_back(std::move(d));
    }
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || info->maxOutputChannels < 1)
            continue;
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        AdxOutputDevice d;
        d.hostApi = api && api->name ? api->name : "";
        d.name = info->name ? info->name : "";
        d.channels = info->maxOutputChannels;
        d.defaultRate = info->defaultSampleRate;
        d.isDefault = !pipewire && i == defaultDevice;
        list.push_back(std::move(d));
    }
    return list;
}

} // namespace playkit
