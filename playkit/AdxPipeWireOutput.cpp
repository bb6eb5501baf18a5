#include "playkit/AdxPipeWireOutput.h"

#include "playkit/AdxLog.h"
#include "playkit/AdxMixer.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

namespace playkit {
namespace {
constexpr unsigned kChannels = 2;
constexpr std::size_t kStride = kChannels * sizeof(float);
constexpr auto kConnectTimeout = std::chrono::seconds(2);

void InitPipeWireOnce() {
    // The library's own set-up, once a process; it is never undone while the process runs.
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

// Where libpipewire looks for the server: PIPEWIRE_REMOTE (a name, or a path of its own) in
// PIPEWIRE_RUNTIME_DIR, else XDG_RUNTIME_DIR.
std::string ServerSocketPath() {
    const char* remote = std::getenv("PIPEWIRE_REMOTE");
    const std::string name = remote && *remote ? remote : "pipewire-0";
    if (name.front() == '/')
        return name;
    for (const char* var : {"PIPEWIRE_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
        const char* dir = std::getenv(var);
        if (dir && *dir)
            return std::string(dir) + "/" + name;
    }
    return {};
}
} // namespace

struct CAdxPipeWireOutput::SHooks {
    explicit SHooks(CAdxPipeWireOutput& o) : owner(o) {
        streamEvents.version = PW_VERSION_STREAM_EVENTS;
        streamEvents.state_changed = StateChanged;
        streamEvents.process = Process;
        coreEvents.version = PW_VERSION_CORE_EVENTS;
        coreEvents.error = CoreError;
    }

    // PipeWire's data thread (the stream processes there): a thin adapter around the mixer.
    static void Process(void* data) {
        auto& self = static_cast<SHooks*>(data)->owner;
        pw_buffer* b = pw_stream_dequeue_buffer(self.m_stream);
        if (!b)
            return;
        spa_data& d = b->buffer->datas[0];
        if (d.data) {
            std::size_t frames = d.maxsize / kStride;
            if (b->requested)
                frames = std::min<std::size_t>(frames, b->requested);
            self.m_mixer.Render(static_cast<float*>(d.data), frames, kChannels);
            d.chunk->offset = 0;
            d.chunk->stride = static_cast<int32_t>(kStride);
            d.chunk->size = static_cast<uint32_t>(frames * kStride);
        }
        pw_stream_queue_buffer(self.m_stream, b);
    }

    // PipeWire's loop thread, its lock held.
    static void StateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
        auto& self = static_cast<SHooks*>(data)->owner;
        self.m_state = state;
        if (state == PW_STREAM_STATE_ERROR) {
            self.m_error = error ? error : "stream error";
            self.m_lost.store(true, std::memory_order_relaxed);
        }
        pw_thread_loop_signal(self.m_loop, false);
    }

    // PipeWire's loop thread: the connection broke (the server went away) or the server refused us.
    static void CoreError(void* data, uint32_t id, int, int res, const char* message) {
        auto& self = static_cast<SHooks*>(data)->owner;
        if (id != PW_ID_CORE && res != -EPIPE)
            return;
        self.m_error = message ? message : std::strerror(-res);
        self.m_lost.store(true, std::memory_order_relaxed);
        pw_thread_loop_signal(self.m_loop, false);
    }

    CAdxPipeWireOutput& owner;
    pw_stream_events streamEvents{};
    pw_core_events coreEvents{};
    spa_hook streamHook{};
    spa_hook coreHook{};
};

CAdxPipeWireOutput::CAdxPipeWireOutput(CAdxMixer& mixer, const CAdxLog& log, unsigned rate,
                                       std::size_t period)
    : m_mixer(mixer), m_log(log), m_rate(rate), m_period(period) {}

CAdxPipeWireOutput::~CAdxPipeWireOutput() {
    Close();
}

bool CAdxPipeWireOutput::ServerSocketPresent() {
    const std::string path = ServerSocketPath();
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool CAdxPipeWireOutput::Open(std::string& reason) {
    if (m_stream)
        return true;
    InitPipeWireOnce();
    m_lost = false;
    m_state = PW_STREAM_STATE_UNCONNECTED;
    m_error.clear();
    m_loop = pw_thread_loop_new("padora-pipewire", nullptr);
    if (!m_loop) {
        reason = "PipeWire: no loop";
        return false;
    }
    m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
    if (!m_context) {
        reason = "PipeWire: no context";
        Close();
        return false;
    }
    m_core = pw_context_connect(m_context, nullptr, 0);
    if (!m_core) {
        reason = std::string("no PipeWire server (") + std::strerror(errno) + ")";
        Close();
        return false;
    }
    m_hooks = std::make_unique<SHooks>(*this);
    pw_core_add_listener(m_core, &m_hooks->coreHook, &m_hooks->coreEvents, m_hooks.get());
    const std::string latency = std::to_string(m_period) + "/" + std::to_string(m_rate);
    pw_properties* props =
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE,
                          "Production", PW_KEY_APP_NAME, "Padora", PW_KEY_NODE_NAME, "padora",
                          PW_KEY_NODE_LATENCY, latency.c_str(), PW_KEY_NODE_ALWAYS_PROCESS, "true", nullptr);
    m_stream = pw_stream_new(m_core, "padora", props); // takes props
    if (!m_stream) {
        reason = std::string("PipeWire: no stream (") + std::strerror(errno) + ")";
        Close();
        return false;
    }
    pw_stream_add_listener(m_stream, &m_hooks->streamHook, &m_hooks->streamEvents, m_hooks.get());
    if (pw_thread_loop_start(m_loop) != 0) {
        reason = "PipeWire: the loop thread does not start";
        Close();
        return false;
    }
    if (!Connect(reason)) {
        Close();
        return false;
    }
    return true;
}

bool CAdxPipeWireOutput::Connect(std::string& reason) {
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.rate = m_rate;
    info.channels = kChannels;
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    uint8_t pod[1024];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, pod, sizeof pod);
    const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
    // Inactive until Start: linked and negotiated now, while another output may still be calling the
    // mixer, but not processed.
    const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                                    PW_STREAM_FLAG_RT_PROCESS | PW_STREAM_FLAG_INACTIVE);
    pw_thread_loop_lock(m_loop);
    const int res = pw_stream_connect(m_stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1);
    const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    while (res >= 0 && m_state != PW_STREAM_STATE_PAUSED && m_state != PW_STREAM_STATE_STREAMING &&
           m_state != PW_STREAM_STATE_ERROR && !Lost() && std::chrono::steady_clock::now() < deadline)
        pw_thread_loop_timed_wait(m_loop, 1);
    const bool ready =
        res >= 0 && !Lost() && (m_state == PW_STREAM_STATE_PAUSED || m_state == PW_STREAM_STATE_STREAMING);
    if (!ready)
        reason = res < 0            ? std::string("PipeWire: ") + std::strerror(-res)
                 : !m_error.empty() ? "PipeWire: " + m_error
                                    : std::string("PipeWire: the stream does not connect");
    pw_thread_loop_unlock(m_loop);
    return ready;
}

bool CAdxPipeWireOutput::Start(std::string& reason) {
    if (!Open(reason))
        return false;
    pw_thread_loop_lock(m_loop);
    const int res = pw_stream_set_active(m_stream, true);
    pw_thread_loop_unlock(m_loop);
    if (res < 0) {
        reason = std::string("PipeWire: ") + std::strerror(-res);
        Close();
        return false;
    }
    return true;
}

void CAdxPipeWireOutput::Close() {
    if (m_loop)
        pw_thread_loop_stop(m_loop);
    // With the loop stopped nothing else touches these; destroying the stream takes it off the data
    // thread first, so no render is in progress once it returns.
    if (m_stream)
        pw_stream_destroy(m_stream);
    m_stream = nullptr;
    if (m_core)
        pw_core_disconnect(m_core);
    m_core = nullptr;
    if (m_context)
        pw_context_destroy(m_context);
    m_context = nullptr;
    if (m_loop)
        pw_thread_loop_destroy(m_loop);
    m_loop = nullptr;
    m_hooks.reset();
}

} // namespace playkit
