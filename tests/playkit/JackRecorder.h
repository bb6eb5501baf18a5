#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace playkit_test {

// A JACK client with input ports (two unless told otherwise) that records what arrives from another
// client's output ports, as a listener on the sound server would hear it. Its process callback only
// copies into memory made beforehand.
class CJackRecorder {
public:
    explicit CJackRecorder(int channels = 2)
        : m_channels(channels), m_in(static_cast<std::size_t>(channels)) {}
    ~CJackRecorder();
    CJackRecorder(const CJackRecorder&) = delete;
    CJackRecorder& operator=(const CJackRecorder&) = delete;

    // Joins the server named by JACK_DEFAULT_SERVER and makes room for seconds of recording.
    bool Open(double seconds, std::string& error);
    // Connects the first output ports of the named client to ours, one each; false when it has fewer.
    bool ConnectFrom(const std::string& client);
    // Connects what feeds the named client's first input ports (left, right, …) to ours as well, so
    // that the recording holds what that client takes in; false when one of them has no feed.
    bool ConnectAlongside(const std::string& client);
    // Any thread: records from the next cycle on (from the start of the buffer); Stop ends it.
    void Start();
    void Stop();
    // The recorded frames so far, interleaved (stereo unless told otherwise).
    std::vector<float> Frames() const;
    std::size_t FrameCount() const { return m_count.load(std::memory_order_acquire); }
    // JACK's frame time of recorded frame 0; with jack_frames_to_time, when each frame was played.
    jack_nframes_t FirstFrameTime() const { return m_firstFrameTime.load(std::memory_order_acquire); }
    // When the cycle of recorded frame 0 began, on jack_get_time's clock. Taken inside that cycle,
    // where every JACK library agrees on it (PipeWire's jack_frames_to_time is wrong for past frames).
    jack_time_t FirstCycleTime() const {
        (void)FirstFrameTime(); // acquires the cycle's time too
        return m_firstCycleUsecs.load(std::memory_order_relaxed);
    }
    jack_client_t* Client() const { return m_client; }
    unsigned Rate() const { return m_client ? jack_get_sample_rate(m_client) : 0; }

private:
    static int Process(jack_nframes_t frames, void* self);

    const int m_channels;
    jack_client_t* m_client = nullptr;
    std::vector<jack_port_t*> m_in;
    std::vector<float> m_buffer; // interleaved, fixed size
    std::atomic<bool> m_recording{false};
    std::atomic<std::size_t> m_count{0};
    std::atomic<jack_nframes_t> m_firstFrameTime{0};
    std::atomic<jack_time_t> m_firstCycleUsecs{0};
};

} // namespace playkit_test
