#include "playkit/AdxJackOutput.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxLog.h"
#include "playkit/AdxRenderSource.h"

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <utility>

namespace playkit {
namespace {
constexpr const char* kClientName = "padora";
// Frames mixed at a time; a server period larger than this is mixed in several pieces.
constexpr std::size_t kMixChunk = 4096;
constexpr std::size_t kMaxChannels = 2 * kAdxMaxOutputPairs;
// How long closing the client may take before it is left behind. A server that is there or cleanly
// gone answers in milliseconds; one killed in the middle of a call may never answer.
constexpr auto kCloseWait = std::chrono::milliseconds(1000);
// How long a process call already running when the client is left behind may still take to end.
constexpr auto kProcessEndWait = std::chrono::milliseconds(200);
} // namespace

CAdxJackOutput::CAdxJackOutput(IAdxRenderSource& mixer, const CAdxLog& log, std::string device,
                               std::size_t channels)
    : m_log(log), m_device(std::move(device)),
      m_shared(std::make_shared<SShared>(mixer, std::clamp<std::size_t>(channels, 2, kMaxChannels))) {
    m_shared->mix.resize(kMixChunk * m_shared->channels);
    m_shared->out.assign(m_shared->channels, nullptr);
    m_shared->buffers.assign(m_shared->channels, nullptr);
}

CAdxJackOutput::~CAdxJackOutput() {
    Close();
}

bool CAdxJackOutput::Open(std::string& reason) {
    jack_status_t status{};
    m_client = jack_client_open(kClientName, JackNoStartServer, &status);
    SShared& sh = *m_shared;
    if (!m_client) {
        reason = "the JACK server is not running";
        return false;
    }
    m_rate = jack_get_sample_rate(m_client);
    for (std::size_t c = 0; c < sh.channels; ++c) {
        const std::string name = "out_" + std::to_string(c);
        sh.out[c] = jack_port_register(m_client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (!sh.out[c]) {
            reason = "cannot register JACK output ports";
            Close();
            return false;
        }
    }
    jack_set_process_callback(m_client, Process, &sh);
    jack_set_xrun_callback(m_client, Xrun, &sh);
    jack_on_shutdown(m_client, Shutdown, &sh);
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
    // A mono device gets both sides on its one port; one with fewer ports than channels gets the
    // extra pairs on its first ports again.
    std::size_t count = 0;
    while (ports[count])
        ++count;
    for (std::size_t c = 0; c < m_shared->channels; ++c)
        jack_connect(m_client, jack_port_name(m_shared->out[c]), ports[c % count]);
    jack_free(ports);
    return true;
}

void CAdxJackOutput::Close() {
    if (!m_client)
        return;
    jack_client_t* client = std::exchange(m_client, nullptr);
    const bool deactivate = std::exchange(m_active, false) && !m_shared->lost.load(std::memory_order_relaxed);
    // Closing a client whose server has just gone can block in the library (under load the engine
    // once stayed stuck as it let go of a lost server). It runs on a thread of its own, which keeps
    // what the client's threads use alive for as long as it takes.
    std::promise<void> closed;
    std::future<void> done = closed.get_future();
    std::thread([client, deactivate, shared = m_shared, closed = std::move(closed)]() mutable {
        if (deactivate)
            jack_deactivate(client);
        jack_client_close(client);
        closed.set_value();
    }).detach();
    if (done.wait_for(kCloseWait) == std::future_status::ready)
        return;
    SShared& sh = *m_shared;
    sh.detached.store(true);
    const auto deadline = std::chrono::steady_clock::now() + kProcessEndWait;
    while (sh.inProcess.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_log.Write(AdxLogLevel::Warning, "playkit: the JACK client did not close within " +
                                          std::to_string(kCloseWait.count()) + " ms; it is left behind");
}

int CAdxJackOutput::Process(unsigned frames, void* shared) {
    auto& sh = *static_cast<SShared*>(shared);
    const std::size_t channels = sh.channels;
    for (std::size_t c = 0; c < channels; ++c)
        sh.buffers[c] = static_cast<float*>(jack_port_get_buffer(sh.out[c], frames));
    sh.inProcess.store(true);
    if (sh.detached.load()) {
        sh.inProcess.store(false);
        for (float* b : sh.buffers)
            std::fill(b, b + frames, 0.0f);
        return 0;
    }
    if (sh.xruns.exchange(0, std::memory_order_relaxed) > 0)
        sh.mixer.CountDeviceXrun();
    for (unsigned done = 0; done < frames;) {
        const std::size_t n = std::min<std::size_t>(frames - done, kMixChunk);
        sh.mixer.Render(sh.mix.data(), n, channels);
        for (std::size_t c = 0; c < channels; ++c) {
            float* port = sh.buffers[c] + done;
            for (std::size_t i = 0; i < n; ++i)
                port[i] = sh.mix[channels * i + c];
        }
        done += static_cast<unsigned>(n);
    }
    sh.inProcess.store(false);
    return 0;
}

void CAdxJackOutput::Shutdown(void* shared) {
    static_cast<SShared*>(shared)->lost.store(true, std::memory_order_relaxed);
}

int CAdxJackOutput::Xrun(void* shared) {
    static_cast<SShared*>(shared)->xruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

} // namespace playkit
