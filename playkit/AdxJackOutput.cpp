#include "playkit/AdxJackOutput.h"

#include "playkit/AdxMixer.h"

#include <jack/jack.h>

#include <algorithm>

namespace playkit {
namespace {
constexpr const char* kClientName = "padora";
// Frames mixed at a time; a server period larger than this is mixed in several pieces.
constexpr std::size_t kMixChunk = 4096;
} // namespace

CAdxJackOutput::CAdxJackOutput(CAdxMixer& mixer, std::string device)
    : m_mixer(mixer), m_device(std::move(device)), m_mix(kMixChunk * 2) {}

CAdxJackOutput::~CAdxJackOutput() {
    Close();
}

bool CAdxJackOutput::Open(std::string& reason) {
    jack_status_t status{};
    m_client = jack_client_open(kClientName, JackNoStartServer, &status);
    if (!m_client) {
        reason = "the JACK server is not running";
        return false;
    }
    m_rate = jack_get_sample_rate(m_client);
    const char* names[2] = {"out_0", "out_1"};
    for (int c = 0; c < 2; ++c) {
        m_out[c] = jack_port_register(m_client, names[c], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (!m_out[c]) {
            reason = "cannot register JACK output ports";
            Close();
            return false;
        }
    }
    jack_set_process_callback(m_client, Process, this);
    jack_set_xrun_callback(m_client, Xrun, this);
    jack_on_shutdown(m_client, Shutdown, this);
    return true;
}

bool CAdxJackOutput::Start(std::string& reason) {
    if (!m_client && !Open(reason))
        return false;
    if (jack_activate(m_client) != 0) {
        reason = "cannot activate the JACK client";
        return false;
    }
    m_active = true;
    // The device's playback ports (the server's own "system", or another client's inputs).
    const std::string pattern = "^" + m_device + ":";
    const char** ports = jack_get_ports(m_client, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput);
    if (!ports) {
        reason = "the JACK device \"" + m_device + "\" has no playback ports";
        return false;
    }
    // A mono device gets both sides on its one port.
    int count = 0;
    while (ports[count])
        ++count;
    for (int c = 0; c < 2; ++c)
        jack_connect(m_client, jack_port_name(m_out[c]), ports[std::min(c, count - 1)]);
    jack_free(ports);
    return true;
}

void CAdxJackOutput::Close() {
    if (!m_client)
        return;
    if (m_active && !m_lost.load(std::memory_order_relaxed))
        jack_deactivate(m_client);
    jack_client_close(m_client);
    m_client = nullptr;
    m_active = false;
}

int CAdxJackOutput::Process(unsigned frames, void* user) {
    auto* self = static_cast<CAdxJackOutput*>(user);
    if (self->m_xruns.exchange(0, std::memory_order_relaxed) > 0)
        self->m_mixer.CountDeviceXrun();
    auto* left = static_cast<float*>(jack_port_get_buffer(self->m_out[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(self->m_out[1], frames));
    for (unsigned done = 0; done < frames;) {
        const std::size_t n = std::min<std::size_t>(frames - done, kMixChunk);
        self->m_mixer.Render(self->m_mix.data(), n);
        for (std::size_t i = 0; i < n; ++i) {
            left[done + i] = self->m_mix[2 * i];
            right[done + i] = self->m_mix[2 * i + 1];
        }
        done += static_cast<unsigned>(n);
    }
    return 0;
}

void CAdxJackOutput::Shutdown(void* user) {
    static_cast<CAdxJackOutput*>(user)->m_lost.store(true, std::memory_order_relaxed);
}

int CAdxJackOutput::Xrun(void* user) {
    static_cast<CAdxJackOutput*>(user)->m_xruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

} // namespace playkit
