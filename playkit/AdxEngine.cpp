#include "playkit/AdxEngine.h"

namespace playkit {

AdxEngineConfig CAdxEngine::ConfigFromEnvironment() {
    return {};
}
bool CAdxEngine::Configure(const AdxEngineConfig&) {
    return false;
}
AdxEngineConfig CAdxEngine::Current() {
    return {};
}
bool CAdxEngine::Render(float*, std::size_t) {
    return false;
}
bool CAdxEngine::RenderToWav(const char*, std::size_t) {
    return false;
}
unsigned CAdxEngine::SampleRate() {
    return 48000;
}
void CAdxEngine::SetBlockTap(AdxBlockTap, void*) {}
AdxEngineCounters CAdxEngine::Counters() {
    return {};
}
void CAdxEngine::ResetCounters() {}
void CAdxEngine::Shutdown() {}

} // namespace playkit
