#pragma once

#include "playkit/AdxEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <vector>

// The engine with no sound card: sounds are mixed only when a test renders them.
namespace app_test {

// pairs: the stereo output pairs rendered.
inline void UseOfflineEngine(unsigned pairs = 1) {
    playkit::AdxEngineConfig config;
    config.backend = playkit::AdxBackend::Offline;
    config.pairs = pairs;
    playkit::CAdxEngine::Configure(config);
}

// Mixes the next seconds of output (interleaved, two channels per output pair: stereo unless the
// engine was given more pairs); the players' notices are then waiting in the queue.
inline std::vector<float> RenderOffline(double seconds) {
    const std::size_t channels = 2 * playkit::CAdxEngine::OutputPairs();
    std::vector<float> out(static_cast<std::size_t>(seconds * playkit::CAdxEngine::SampleRate()) * channels);
    EXPECT_TRUE(playkit::CAdxEngine::Render(out.data(), out.size() / channels));
    return out;
}

// The RMS of one channel (0 left, 1 right) of interleaved stereo, or of both when channel is -1.
inline double Rms(const std::vector<float>& stereo, int channel = -1) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < stereo.size(); ++i) {
        if (channel >= 0 && static_cast<int>(i % 2) != channel)
            continue;
        sum += stereo[i] * stereo[i];
        ++n;
    }
    return n ? std::sqrt(sum / n) : 0.0;
}

} // namespace app_test
