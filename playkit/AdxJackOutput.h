#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace playkit {

class CAdxMixer;

// A device of PortAudio's JACK host API, played through the JACK client library itself: a client
// "padora" with ports out_0/out_1 connected to the device's playback ports. PortAudio's own JACK
// streams cannot be stopped once their server has gone (the stop waits for a process cycle that
// never comes), which would freeze the engine exactly when the server is lost; a JACK client of our
// own is told of the shutdown and closes at once.
class CAdxJackOutput {
public:
    CAdxJackOutput(CAdxMixer& mixer, std::string device);
    ~CAdxJackOutput();
    CAdxJackOutput(const CAdxJackOutput&) = delete;
    CAdxJackOutput& operator=(const CAdxJackOutput&) = delete;

    // Joins the server and registers the ports; false with a reason when there is no server.
    bool Open(std::string& reason);
    // Activates the client and connects the ports to the device's playback ports.
    bool Start(std::string& reason);
    void Close();
    unsigned SampleRate() const { return m_rate; }
    // Any thread: the server has shut down (or thrown us out).
    bool Lost() const { return m_lost.load(std::memory_order_relaxed); }

private:
    // JACK's process thread.
    static int Process(unsigned frames, void* self);
    // JACK's notification thread.
    static void Shutdown(void* self);
    static int Xrun(void* self);

    CAdxMixer& m_mixer;
    const std::string m_device;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_out[2] = {};
    unsigned m_rate = 0;
    std::vector<float> m_mix; // interleaved scratch, made before activation
    bool m_active = false;
    std::atomic<bool> m_lost{false};
    std::atomic<int> m_xruns{0};
};

} // namespace playkit
