#pragma once

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include "SoundWatch.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// Puts the engine on the given backend; prints why and returns false when it cannot.
// pairs: the stereo output pairs the output renders.
bool UseBackend(playkit::AdxBackend backend, unsigned periodFrames = 256, unsigned pairs = 1,
                const std::string& cueDevice = std::string(), unsigned cuePair = 0);

// Opens a player on the file, printing the result code and error code when Open fails.
std::unique_ptr<CAdxShow> OpenPlayer(const std::string& path, UINT userData);

// Installs a sound watch as the engine's block tap for its own lifetime: declared after the
// watch, it removes the tap before the watch is gone.
class CWatchTap {
public:
    explicit CWatchTap(CSoundWatch& watch) { playkit::CAdxEngine::SetBlockTap(&CSoundWatch::Tap, &watch); }
    ~CWatchTap() { playkit::CAdxEngine::SetBlockTap(nullptr, nullptr); }
    CWatchTap(const CWatchTap&) = delete;
    CWatchTap& operator=(const CWatchTap&) = delete;
};

// Milliseconds between two steady-clock points.
template <class TimePoint> double Ms(TimePoint from, TimePoint to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Prints "prefix_p50=… prefix_p90=… prefix_p99=… prefix_max=…" style lines for a sample.
void PrintQuantiles(const std::string& prefix, const std::vector<double>& values,
                    const std::vector<int>& percents);
