#include "playkit/AdxPortAudio.h"

#include <cstdio>
#include <fcntl.h>
#include <pa_jack.h>
#include <portaudio.h>
#include <unistd.h>

namespace playkit {
namespace {
constexpr const char* kJackClientName = "padora";
} // namespace

std::mutex& PortAudioMutex() {
    static std::mutex mutex;
    return mutex;
}

CQuietStderr::CQuietStderr() {
    std::fflush(stderr);
    m_saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (m_saved >= 0 && null >= 0)
        dup2(null, STDERR_FILENO);
    if (null >= 0)
        close(null);
}

CQuietStderr::~CQuietStderr() {
    std::fflush(stderr);
    if (m_saved >= 0) {
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
    }
}

CPortAudioSession::CPortAudioSession() {
    CQuietStderr quiet;
    PaJack_SetClientName(kJackClientName);
    const PaError err = Pa_Initialize();
    m_ok = err == paNoError;
    if (!m_ok)
        m_error = Pa_GetErrorText(err);
}

CPortAudioSession::~CPortAudioSession() {
    if (m_ok) {
        CQuietStderr quiet;
        Pa_Terminate();
    }
}

int FindOutputDevice(const std::string& name) {
    if (name.empty())
        return Pa_GetDefaultOutputDevice();
    const PaDeviceIndex count = Pa_GetDeviceCount();
    PaDeviceIndex partial = paNoDevice;
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || info->maxOutputChannels < 1)
            continue;
        const std::string devName = info->name;
        if (devName == name)
            return i;
        if (partial == paNoDevice && devName.find(name) != std::string::npos)
            partial = i;
    }
    return partial;
}

} // namespace playkit
