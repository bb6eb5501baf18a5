#pragma once

#include <mutex>
#include <string>

namespace playkit {

// PortAudio's set-up and device scan are not thread-safe; everything that initialises, opens, closes
// or terminates holds this lock (never the device callbacks).
std::mutex& PortAudioMutex();

// One reference to PortAudio, with the library's probing chatter kept off stderr. The JACK client
// is named "padora" so that its ports show as padora:out_0/out_1. Caller holds PortAudioMutex().
class CPortAudioSession {
public:
    CPortAudioSession();
    ~CPortAudioSession();
    CPortAudioSession(const CPortAudioSession&) = delete;
    CPortAudioSession& operator=(const CPortAudioSession&) = delete;
    // PortAudio's error when it could not start, else empty.
    const std::string& Error() const { return m_error; }
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
    std::string m_error;
};

// ALSA and JACK print pages on stderr while PortAudio looks for devices; the engine reports in one
// line of its own, so stderr is hushed meanwhile.
class CQuietStderr {
public:
    CQuietStderr();
    ~CQuietStderr();
    CQuietStderr(const CQuietStderr&) = delete;
    CQuietStderr& operator=(const CQuietStderr&) = delete;

private:
    int m_saved = -1;
};

// The output device the name asks for: empty for the default device; else the device with exactly
// that name, else the first whose name contains it. -1 (paNoDevice) when none. Needs a session.
int FindOutputDevice(const std::string& name);

} // namespace playkit
