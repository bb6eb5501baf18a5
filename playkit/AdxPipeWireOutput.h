#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

namespace playkit {

class CAdxLog;
class CAdxMixer;

// A playback stream of its own on a PipeWire server, the mixer rendering straight into PipeWire's
// buffers on its data thread. Through PipeWire's ALSA layer the same sound waits in two more queues
// (the ALSA ring and the plug-in's), about three quanta from Play to the sink; this stream is one
// quantum away, as a JACK client of the server is, without needing PipeWire's libjack in front of
// JACK's.
class CAdxPipeWireOutput {
public:
    static constexpr const char* kDeviceName = "PipeWire";

    CAdxPipeWireOutput(CAdxMixer& mixer, const CAdxLog& log, unsigned rate, std::size_t period);
    ~CAdxPipeWireOutput();
    CAdxPipeWireOutput(const CAdxPipeWireOutput&) = delete;
    CAdxPipeWireOutput& operator=(const CAdxPipeWireOutput&) = delete;

    // Any thread: a PipeWire server's socket is where this user's clients look for it (a cheap
    // check, without connecting).
    static bool ServerSocketPresent();

    // Any thread but PipeWire's, while another output may still call the mixer. Connects to the
    // server and links an inactive stream to the default sink; false with a reason when there is no
    // server or it refuses the stream.
    bool Open(std::string& reason);
    // Opens if not yet open, then lets the stream call the mixer.
    bool Start(std::string& reason);
    // Returns once no render is in progress.
    void Close();
    unsigned SampleRate() const { return m_rate; }
    // Any thread: the server has gone away or put the stream in error.
    bool Lost() const { return m_lost.load(std::memory_order_relaxed); }

private:
    // PipeWire's callbacks and their listener hooks.
    struct SHooks;

    bool Connect(std::string& reason);

    CAdxMixer& m_mixer;
    const CAdxLog& m_log;
    const unsigned m_rate;
    const std::size_t m_period;
    pw_thread_loop* m_loop = nullptr;
    pw_context* m_context = nullptr;
    pw_core* m_core = nullptr;
    pw_stream* m_stream = nullptr;
    std::unique_ptr<SHooks> m_hooks;
    // Loop thread writes, the starter reads under the loop's lock.
    int m_state = 0;
    std::string m_error;
    std::atomic<bool> m_lost{false};
};

} // namespace playkit
