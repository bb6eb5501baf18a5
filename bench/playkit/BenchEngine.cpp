#include "BenchEngine.h"

#include "ProcessStats.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>

bool UseBackend(playkit::AdxBackend backend, unsigned periodFrames, unsigned pairs,
                const std::string& cueDevice, unsigned cuePair) {
    playkit::AdxEngineConfig config;
    config.backend = backend;
    config.pairs = pairs;
    config.cueDevice = cueDevice;
    config.cuePair = cuePair;
    config.periodFrames = periodFrames;
    config.sampleRate = 48000;
    if (!playkit::CAdxEngine::Configure(config) || playkit::CAdxEngine::Current().backend != backend) {
        std::fprintf(stderr, "the engine refused the requested backend\n");
        return false;
    }
    return true;
}

std::unique_ptr<CAdxShow> OpenPlayer(const std::string& path, UINT userData) {
    auto player = std::make_unique<CAdxShow>();
    const int result = player->Open(path.c_str(), userData);
    if (result != 0) {
        const auto code = static_cast<int32_t>(player->GetErrorCode());
        std::fprintf(stderr, "cannot open %s: Open gave %d, error code %d (0x%08x)\n", path.c_str(), result,
                     code, static_cast<uint32_t>(code));
        return nullptr;
    }
    return player;
}

void PrintQuantiles(const std::string& prefix, const std::vector<double>& values,
                    const std::vector<int>& percents) {
    for (int p : percents)
        std::printf("%s_p%d=%.3f ", prefix.c_str(), p, Quantile(values, p / 100.0));
    const double max = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    std::printf("%s_max=%.3f n=%zu\n", prefix.c_str(), max, values.size());
}
