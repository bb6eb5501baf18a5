#pragma once

#include "playkit/AdxEngine.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// What a listener on a sound server heard, measured from recorded interleaved stereo frames, and the
// engine on a chosen output for one test: shared by the tests that play through real servers.
namespace playkit_test {

// The level of a stretch of sound on each side and its pitch.
struct Heard {
    double rmsLeft = 0, rmsRight = 0, hz = 0;
};

// The first frame louder than the noise floor on either side, or npos.
std::size_t FirstSounding(const std::vector<float>& stereo);
// How many frames from the first sounding one on, 0 when none sounds.
std::size_t SoundingFrames(const std::vector<float>& stereo);
// Level and pitch (rising zero crossings, interpolated) of frames [from, to) at the given rate: the
// median over windows of 20 ms, so that a late cycle on a busy machine (a dropout, a repeated block)
// does not count. levelQuantile above one half takes the level from the louder windows instead, for a
// path whose dropouts come often enough to touch most windows (a dropout only ever lowers a window).
Heard Measure(const std::vector<float>& stereo, std::size_t from, std::size_t to, int rate,
              double levelQuantile = 0.5);

// Polls done every 10 ms until it holds or the timeout has passed.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
void Sleep(double seconds);

// The engine on the given output for one test, and back to offline rendering after it.
class CEngineOn {
public:
    explicit CEngineOn(const playkit::AdxEngineConfig& config);
    ~CEngineOn();
    CEngineOn(const CEngineOn&) = delete;
    CEngineOn& operator=(const CEngineOn&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
};

} // namespace playkit_test
