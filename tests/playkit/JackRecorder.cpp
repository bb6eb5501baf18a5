#include "JackRecorder.h"

#include <algorithm>
#include <cstring>

namespace playkit_test {
namespace {
// The port buffers are JACK's shared memory, handed from the engine's client to this one by the
// server's graph order (futexes in that memory), which ThreadSanitizer cannot follow when both
// clients live in one test process: the copy is left out of its view.
__attribute__((no_sanitize("thread"))) void CopyPort(const float* in, float* out, std::size_t stride,
                                                     std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        out[stride * i] = in[i];
}
} // namespace

CJackRecorder::~CJackRecorder() {
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
    }
}

bool CJackRecorder::Open(double seconds, std::string& error) {
    jack_status_t status{};
    m_client = jack_client_open("padora-test-recorder", JackNoStartServer, &status);
    if (!m_client) {
        error = "cannot join the JACK server (status " + std::to_string(static_cast<int>(status)) + ")";
        return false;
    }
    const std::size_t channels = m_in.size();
    m_buffer.assign(static_cast<std::size_t>(seconds * jack_get_sample_rate(m_client)) * channels, 0.0f);
    const char* names[2] = {"in_left", "in_right"};
    for (std::size_t c = 0; c < channels; ++c) {
        const std::string name = channels == 2 ? names[c] : "in_" + std::to_string(c);
        m_in[c] = jack_port_register(m_client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        if (!m_in[c]) {
            error = "cannot register the recorder's ports";
            return false;
        }
    }
    jack_set_process_callback(m_client, Process, this);
    if (jack_activate(m_client) != 0) {
        error = "cannot activate the recorder";
        return false;
    }
    return true;
}

bool CJackRecorder::ConnectFrom(const std::string& client) {
    const char** ports =
        jack_get_ports(m_client, ("^" + client + ":").c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    if (!ports)
        return false;
    int n = 0;
    for (; ports[n] && n < m_channels; ++n)
        jack_connect(m_client, ports[n], jack_port_name(m_in[static_cast<std::size_t>(n)]));
    jack_free(ports);
    return n == m_channels;
}

bool CJackRecorder::ConnectAlongside(const std::string& client) {
    const char** inputs =
        jack_get_ports(m_client, ("^" + client + ":").c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput);
    if (!inputs)
        return false;
    int n = 0;
    for (; inputs[n] && n < m_channels; ++n) {
        const char** feeds = jack_port_get_all_connections(m_client, jack_port_by_name(m_client, inputs[n]));
        if (!feeds)
            break;
        for (int f = 0; feeds[f]; ++f)
            jack_connect(m_client, feeds[f], jack_port_name(m_in[static_cast<std::size_t>(n)]));
        jack_free(feeds);
    }
    jack_free(inputs);
    return n == m_channels;
}

void CJackRecorder::Start() {
    m_recording.store(false, std::memory_order_release);
    m_count.store(0, std::memory_order_release);
    m_recording.store(true, std::memory_order_release);
}

void CJackRecorder::Stop() {
    m_recording.store(false, std::memory_order_release);
}

std::vector<float> CJackRecorder::Frames() const {
    const std::size_t n = FrameCount();
    return std::vector<float>(m_buffer.begin(),
                              m_buffer.begin() + static_cast<std::ptrdiff_t>(n * m_in.size()));
}

int CJackRecorder::Process(jack_nframes_t frames, void* user) {
    auto* self = static_cast<CJackRecorder*>(user);
    if (!self->m_recording.load(std::memory_order_acquire))
        return 0;
    const std::size_t have = self->m_count.load(std::memory_order_relaxed);
    const std::size_t channels = self->m_in.size();
    const std::size_t room = self->m_buffer.size() / channels - have;
    const std::size_t n = std::min<std::size_t>(frames, room);
    if (have == 0) {
        jack_nframes_t frame = 0;
        jack_time_t usecs = 0, next = 0;
        float period = 0;
        jack_get_cycle_times(self->m_client, &frame, &usecs, &next, &period);
        self->m_firstCycleUsecs.store(usecs, std::memory_order_relaxed);
        self->m_firstFrameTime.store(jack_last_frame_time(self->m_client), std::memory_order_release);
    }
    for (std::size_t c = 0; c < channels; ++c)
        CopyPort(static_cast<const float*>(jack_port_get_buffer(self->m_in[c], frames)),
                 self->m_buffer.data() + have * channels + c, channels, n);
    self->m_count.store(have + n, std::memory_order_release);
    return 0;
}

} // namespace playkit_test
