#pragma once

#include <atomic>
#include <string>
#include <sys/types.h>
#include <vector>

namespace playkit_test {

// A PipeWire server of the test's own, with WirePlumber as its session manager: a null sink (no sound
// card needed) driven by a dummy clock at a fixed quantum, on a private runtime directory and socket
// name, without D-Bus. Start points this process's PipeWire clients (the ALSA `pipewire` device,
// PipeWire's JACK library, pw-record) at it through PIPEWIRE_RUNTIME_DIR and PIPEWIRE_REMOTE, until
// the destructor puts the variables back. Both programs die with the test process; Stop or the
// destructor end them.
class CPipeWireServer {
public:
    static constexpr const char* kSinkName = "padora-test-sink";

    explicit CPipeWireServer(unsigned rate = 48000, unsigned quantum = 256);
    ~CPipeWireServer();
    CPipeWireServer(const CPipeWireServer&) = delete;
    CPipeWireServer& operator=(const CPipeWireServer&) = delete;

    // pipewire and wireplumber are both on PATH.
    static bool Installed();
    // The folder of PipeWire's libjack, or empty when pipewire-jack is not installed.
    static std::string JackLibraryDir();
    // True when this process's JACK library is PipeWire's (run with pw-jack or its LD_LIBRARY_PATH).
    static bool JackIsPipeWire();

    // Starts both programs (again, on the same socket, after Stop) and waits until the sink is the
    // session's default output.
    bool Start(std::string& error);
    // Ends both programs (SIGTERM; SIGKILL when one does not go) and reaps them.
    void Stop();
    // Any thread, while the test's own thread may be stuck in a call: ends both within seconds.
    void Abandon() { Stop(); }
    bool Running() const { return m_server > 0; }
    const std::string& Remote() const { return m_remote; }
    const std::string& RuntimeDir() const { return m_runtimeDir; }
    unsigned Rate() const { return m_rate; }
    unsigned Quantum() const { return m_quantum; }

private:
    bool WriteConfig(std::string& error) const;
    bool SinkIsDefault() const;

    std::string m_dir;        // everything of this server: configuration, state, runtime folder, logs
    std::string m_runtimeDir; // the socket's folder
    std::string m_remote;     // the socket's name
    unsigned m_rate;
    unsigned m_quantum;
    std::atomic<pid_t> m_server{-1};
    std::atomic<pid_t> m_session{-1};
    bool m_envSaved = false;
    bool m_hadDir = false, m_hadRemote = false;
    std::string m_oldDir, m_oldRemote;
};

// Records the null sink's monitor with pw-record into a 16-bit stereo WAV file: what a listener on the
// PipeWire desktop would hear.
class CPipeWireRecorder {
public:
    explicit CPipeWireRecorder(std::string path);
    ~CPipeWireRecorder();
    CPipeWireRecorder(const CPipeWireRecorder&) = delete;
    CPipeWireRecorder& operator=(const CPipeWireRecorder&) = delete;

    // Starts pw-record on the sink of the server this process points at, and waits until it writes.
    bool Start(const CPipeWireServer& server, std::string& error);
    // Ends the recording (SIGINT, so that pw-record completes the file) and returns its frames,
    // interleaved stereo.
    std::vector<float> Stop();

private:
    std::string m_path;
    pid_t m_pid = -1;
};

} // namespace playkit_test
