#include "playkit/AdxEngine.h"

#include "playkit/AdxEngineCore.h"
#include "playkit/AdxPortAudioBackend.h"
#include "playkit/AdxWavWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace playkit {

namespace {
constexpr const char* kAudioVariable = "PADORA_AUDIO";
constexpr std::size_t kOfflineChunk = 4096;
} // namespace

AdxEngineConfig CAdxEngine::ConfigFromEnvironment() {
    AdxEngineConfig c;
    const char* env = std::getenv(kAudioVariable);
    const std::string v = env ? env : "";
    const std::size_t colon = v.find(':');
    const std::string kind = v.substr(0, colon);
    const std::string arg = colon == std::string::npos ? "" : v.substr(colon + 1);
    if (kind == "null") {
        c.backend = AdxBackend::Null;
    } else if (kind == "wav" && !arg.empty()) {
        c.backend = AdxBackend::WavFile;
        c.wavPath = arg;
    } else if (kind == "record" && !arg.empty()) {
        c.backend = AdxBackend::Record;
        c.wavPath = arg;
    } else {
        c.backend = AdxBackend::PortAudio;
        if (kind == "portaudio")
            c.device = arg;
    }
    return c;
}

void CAdxEngine::SetLogSink(AdxLogSink sink) {
    EngineLog().SetSink(std::move(sink));
}

bool CAdxEngine::Configure(const AdxEngineConfig& config) {
    RememberConfig(config);
    if (auto core = CAdxEngineCore::Running())
        return core->SetBackend(config);
    return true;
}

AdxEngineConfig CAdxEngine::Current() {
    if (auto core = CAdxEngineCore::Running())
        return core->Config();
    return RememberedConfig();
}

std::vector<AdxOutputDevice> CAdxEngine::OutputDevices() {
    return CAdxPortAudioBackend::Devices();
}

bool CAdxEngine::CueLost() {
    const auto core = CAdxEngineCore::Running();
    return core && core->CueLost();
}

bool CAdxEngine::OutputLost() {
    auto core = CAdxEngineCore::Running();
    return core && core->OutputLost();
}

bool CAdxEngine::Render(float* out, std::size_t frames) {
    auto core = CAdxEngineCore::Acquire();
    return core && core->RenderOffline(out, frames);
}

bool CAdxEngine::RenderToWav(const char* path, std::size_t frames) {
    auto core = CAdxEngineCore::Acquire();
    if (!core || !path || core->Config().backend != AdxBackend::Offline)
        return false;
    CAdxWavWriter writer;
    const std::size_t channels = core->Mixer().Channels();
    if (!writer.Open(path, core->Mixer().SampleRate(), static_cast<unsigned>(channels)))
        return false;
    std::vector<float> buf(kOfflineChunk * channels);
    while (frames > 0) {
        const std::size_t n = std::min(frames, kOfflineChunk);
        if (!core->RenderOffline(buf.data(), n) || !writer.Write(buf.data(), n))
            return false;
        frames -= n;
    }
    return writer.Close();
}

unsigned CAdxEngine::SampleRate() {
    if (auto core = CAdxEngineCore::Running())
        return core->Mixer().SampleRate();
    return RememberedConfig().sampleRate;
}

unsigned CAdxEngine::OutputPairs() {
    if (auto core = CAdxEngineCore::Running())
        return core->Config().pairs;
    return std::clamp(RememberedConfig().pairs, 1u, kAdxMaxOutputPairs);
}

bool CAdxEngine::SetBlockTap(AdxBlockTap tap, void* user) {
    return CAdxEngineCore::Acquire()->SetTap(tap, user);
}

bool CAdxEngine::FreeClosedPlayers(unsigned maxWaitMs) {
    if (auto core = CAdxEngineCore::Running())
        return core->FreeRemoved(std::chrono::milliseconds(maxWaitMs));
    return true;
}

AdxEngineCounters CAdxEngine::Counters() {
    if (auto core = CAdxEngineCore::Running())
        return core->Mixer().Counters();
    return {};
}

void CAdxEngine::ResetCounters() {
    if (auto core = CAdxEngineCore::Running())
        core->Mixer().ResetCounters();
}

void CAdxEngine::Shutdown() {
    ReleaseEngine();
}

} // namespace playkit
