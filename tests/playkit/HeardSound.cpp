#include "HeardSound.h"

#include "PlaykitMedia.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace playkit_test {

std::size_t FirstSounding(const std::vector<float>& stereo) {
    for (std::size_t f = 0; f < stereo.size() / 2; ++f)
        if (std::fabs(stereo[2 * f]) > 1e-3f || std::fabs(stereo[2 * f + 1]) > 1e-3f)
            return f;
    return std::string::npos;
}

std::size_t SoundingFrames(const std::vector<float>& stereo) {
    const std::size_t first = FirstSounding(stereo);
    return first == std::string::npos ? 0 : stereo.size() / 2 - first;
}

Heard Measure(const std::vector<float>& stereo, std::size_t from, std::size_t to, int rate,
              double levelQuantile) {
    const std::size_t window = static_cast<std::size_t>(rate / 50);
    std::vector<double> left, right, hz;
    for (std::size_t w = from; w + window <= to; w += window) {
        left.push_back(Rms(stereo, 0, w, w + window));
        right.push_back(Rms(stereo, 1, w, w + window));
        const int ch = right.back() >= left.back() ? 1 : 0;
        double first = -1, last = -1;
        int crossings = 0;
        for (std::size_t f = w + 1; f < w + window; ++f) {
            const float a = stereo[2 * (f - 1) + ch], b = stereo[2 * f + ch];
            if (a < 0 && b >= 0) {
                const double at = double(f - 1) + a / (a - b);
                if (first < 0)
                    first = at;
                last = at;
                ++crossings;
            }
        }
        hz.push_back(crossings > 1 ? (crossings - 1) * rate / (last - first) : 0.0);
    }
    auto quantile = [](std::vector<double> v, double q) {
        if (v.empty())
            return 0.0;
        const auto at =
            static_cast<std::ptrdiff_t>(std::min(v.size() - 1, static_cast<std::size_t>(q * v.size())));
        std::nth_element(v.begin(), v.begin() + at, v.end());
        return v[static_cast<std::size_t>(at)];
    };
    return {quantile(left, levelQuantile), quantile(right, levelQuantile), quantile(hz, 0.5)};
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

CEngineOn::CEngineOn(const playkit::AdxEngineConfig& config) {
    m_ok = playkit::CAdxEngine::Configure(config);
}

CEngineOn::~CEngineOn() {
    playkit::AdxEngineConfig offline;
    offline.backend = playkit::AdxBackend::Offline;
    playkit::CAdxEngine::Configure(offline);
}

} // namespace playkit_test
