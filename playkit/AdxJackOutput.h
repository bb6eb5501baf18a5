#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace playkit {

class CAdxLog;
class IAdxRenderSource;

// A device of PortAudio's JACK host API, played through the JACK client library itself: a client
// "padora" with ports out_0 … out_<channels-1> (pair p on out_<2p>, out_<2p+1>) connected in order to
// the device's playback ports; a device with fewer ports gets the extra channels on its ports again
// from the first. PortAudio's own JACK
// streams cannot be stopped once their server has gone (the stop waits for a process cycle that
// never comes), which would freeze the engine exactly when the server is lost; a JACK client of our
// own is told of the shutdown and closes at once.
class CAdxJackOutput {
public:
    CAdxJackOutput(IAdxRenderSource& mixer, const CAdxLog& log, std::string device, std::size_t channels = 2);
    ~CAdxJackOutput();
    CAdxJackOutput(const CAdxJackOutput&) = delete;
    CAdxJackOutput& operator=(const CAdxJackOutput&) = delete;

    // Joins the server and registers the ports; false with a reason when there is no server.
    bool Open(std::string& reason);
    // Activates the client and connects the ports to the device's playback ports.
    bool Start(std::string& reason);
    // Returns within about a second whatever the server does: a client that the library cannot close
    // by then (its server went away in the middle of a call) is left behind, playing silence.
    void Close();
    unsigned SampleRate() const { return m_rate; }
    // Any thread: the server has shut down (or thrown us out).
    bool Lost() const { return m_shared->lost.load(std::memory_order_relaxed); }

private:
    // What JACK's threads use. Shared with the thread that closes the client, so that it outlives a
    // client left behind.
    struct SShared {
        SShared(IAdxRenderSource& m, std::size_t c) : mixer(m), channels(c) {}
        IAdxRenderSource& mixer;
        const std::size_t channels;
        std::vector<jack_port_t*> out; // one per channel, registered before activation
        std::vector<float*> buffers;   // the ports' buffers of the current process call
        std::vector<float> mix;        // interleaved scratch, made before activation
        std::atomic<bool> lost{false};
        std::atomic<int> xruns{0};
        // The owner gave up on closing the client: its process calls play silence and leave the
        // mixer, which may be gone, alone. Sequentially consistent with inProcess (a Dekker hand-off).
        std::atomic<bool> detached{false};
        std::atomic<bool> inProcess{false};
    };

    // JACK's process thread.
    static int Process(unsigned frames, void* shared);
    // JACK's notification thread.
    static void Shutdown(void* shared);
    static int Xrun(void* shared);

    const CAdxLog& m_log;
    const std::string m_device;
    std::shared_ptr<SShared> m_shared;
    jack_client_t* m_client = nullptr;
    unsigned m_rate = 0;
    bool m_active = false;
};

} // namespace playkit
