#pragma once

#include <atomic>
#include <string>
#include <sys/types.h>

namespace playkit_test {

// A JACK server of the test's own: jackd with the dummy driver (no sound card needed), under a name
// no other run on the machine uses, so that tests running at the same time never meet. Start sets
// JACK_DEFAULT_SERVER, so every JACK client of this process (PortAudio's too) finds it, until the
// destructor puts the variable back. The server dies with the test process, and Stop or the
// destructor end it.
class CJackServer {
public:
    // playbackPorts: the dummy device's playback ports ("system:playback_1" …).
    explicit CJackServer(unsigned rate = 48000, unsigned period = 256, unsigned playbackPorts = 2);
    ~CJackServer();
    CJackServer(const CJackServer&) = delete;
    CJackServer& operator=(const CJackServer&) = delete;

    // Starts the server (again, under the same name, after Stop) and waits until it takes clients.
    bool Start(std::string& error);
    // Ends the server as an operator would (SIGTERM; SIGKILL when it does not go) and reaps it.
    void Stop();
    // Stops the server's process where it is (SIGSTOP), as a machine under load or a debugger would:
    // it neither runs cycles nor answers its clients until Thaw.
    void Freeze();
    void Thaw();
    // Any thread, while the test's own thread may be stuck in a call: ends the server (SIGTERM, then
    // SIGKILL) within a few seconds and removes its log.
    void Abandon();
    bool Running() const { return m_pid > 0; }
    const std::string& Name() const { return m_name; }
    unsigned Rate() const { return m_rate; }
    unsigned Period() const { return m_period; }

private:
    std::string m_name;
    unsigned m_rate;
    unsigned m_period;
    unsigned m_playbackPorts;
    std::atomic<pid_t> m_pid{-1};
    // The environment as it was before the first Start, put back by the destructor: a later test's
    // programs must not look for this server.
    bool m_envSaved = false;
    bool m_hadServer = false, m_hadNoStart = false;
    std::string m_oldServer, m_oldNoStart;
};

} // namespace playkit_test
