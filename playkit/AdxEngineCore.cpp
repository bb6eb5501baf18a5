#include "playkit/AdxEngineCore.h"

#include "playkit/AdxClockBridge.h"
#include "playkit/AdxCueOutput.h"
#include "playkit/AdxDecodeWorker.h"
#include "playkit/AdxNotifier.h"
#include "playkit/AdxNullBackend.h"
#include "playkit/AdxPortAudioBackend.h"
#include "playkit/AdxRecordBackend.h"
#include "playkit/AdxReopener.h"
#include "playkit/AdxSynthPool.h"
#include "playkit/AdxVoice.h"
#include "playkit/AdxWavFileBackend.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace playkit {
namespace {
// The process's engine: made by the first Open, released at exit (or by CAdxEngine::Shutdown).
struct EngineHolder {
    CAdxLog log; // first: it outlives the engine below, which may still report as it stops at exit
    std::mutex mutex;
    std::shared_ptr<CAdxEngineCore> core;
    AdxEngineConfig config = CAdxEngine::ConfigFromEnvironment();
};
EngineHolder& Holder() {
    static EngineHolder holder;
    return holder;
}

// How long a running sound card may go without asking for a block before it counts as gone.
constexpr auto kDeviceSilence = std::chrono::seconds(2);
// How often a lost sound card is tried again.
constexpr auto kReopenInterval = std::chrono::milliseconds(2000);

const char* BackendName(AdxBackend b) {
    switch (b) {
    case AdxBackend::PortAudio:
        return "the sound card";
    case AdxBackend::WavFile:
    case AdxBackend::Record:
        return "the WAV file";
    default:
        return "the output";
    }
}
} // namespace

std::shared_ptr<CAdxEngineCore> CAdxEngineCore::Acquire() {
    EngineHolder& h = Holder();
    std::lock_guard lock(h.mutex);
    if (!h.core)
        h.core = std::make_shared<CAdxEngineCore>(h.config, h.log);
    return h.core;
}

std::shared_ptr<CAdxEngineCore> CAdxEngineCore::Running() {
    EngineHolder& h = Holder();
    std::lock_guard lock(h.mutex);
    return h.core;
}

void RememberConfig(const AdxEngineConfig& config) {
    EngineHolder& h = Holder();
    std::lock_guard lock(h.mutex);
    h.config = config;
}
AdxEngineConfig RememberedConfig() {
    EngineHolder& h = Holder();
    std::lock_guard lock(h.mutex);
    return h.config;
}
CAdxLog& EngineLog() {
    return Holder().log;
}
void ReleaseEngine() {
    std::shared_ptr<CAdxEngineCore> core;
    EngineHolder& h = Holder();
    {
        std::lock_guard lock(h.mutex);
        core = std::move(h.core);
    }
}

CAdxEngineCore::CAdxEngineCore(const AdxEngineConfig& config, const CAdxLog& log)
    : m_log(log), m_worker(std::make_unique<CAdxDecodeWorker>()) {
    // The notifier's thread runs Idle at once, which uses the members declared after it: it starts
    // once they all exist.
    m_notifier = std::make_unique<CAdxNotifier>([this] { Idle(); });
    SetBackend(config);
    // The SoundFont starts loading now, in the background: by the first MIDI open it is usually there.
    m_pool = std::make_unique<CAdxSynthPool>(static_cast<int>(m_mixer.SampleRate()));
    m_reopener = std::make_unique<CAdxReopener>(kReopenInterval, [this] { TryReopen(); });
}

CAdxEngineCore::~CAdxEngineCore() {
    m_reopener.reset();
    m_notifier.reset();
    {
        std::lock_guard lock(m_backendMutex);
        StopCue();
        if (m_backend)
            StopBackend();
        m_backend.reset();
    }
    m_worker.reset();
    m_grave.clear();
}

CAdxSynthPool& CAdxEngineCore::Synths() {
    return *m_pool;
}

CAdxEngineCore::AddResult CAdxEngineCore::AddVoice(const std::shared_ptr<CAdxVoice>& v) {
    {
        // The place is reserved and the Add posted under one lock, so that players opened on
        // several threads never overfill the mixer's table.
        std::lock_guard lock(m_voicesMutex);
        if (m_mixerVoices >= CAdxMixer::kMaxVoices)
            return AddResult::kTableFull;
        if (m_mixer.Add(v.get()) == CAdxMixer::kRefused)
            return AddResult::kStalled;
        ++m_mixerVoices;
        ++m_voiceCount;
    }
    m_worker->Add(v);
    m_notifier->Add(v);
    return AddResult::kAdded;
}

void CAdxEngineCore::RemoveVoice(std::shared_ptr<CAdxVoice> v) {
    m_worker->Remove(v.get());
    m_notifier->Remove(v.get());
    std::lock_guard lock(m_voicesMutex);
    const std::uint64_t seq = m_mixer.Remove(v.get());
    // The place in the table is free once the removal is in the queue: the queue is applied in order.
    if (seq != CAdxMixer::kRefused)
        --m_mixerVoices;
    --m_voiceCount;
    m_grave.emplace_back(seq, std::move(v));
}

bool CAdxEngineCore::SetTap(AdxBlockTap tap, void* user) {
    using Clock = std::chrono::steady_clock;
    // Longer than the device watchdog's patience: a stalled card is replaced by the null clock,
    // which takes the command.
    const auto deadline = Clock::now() + 2 * kDeviceSilence + std::chrono::seconds(1);
    std::uint64_t seq = m_mixer.SetTap(tap, user);
    while (seq == CAdxMixer::kRefused && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        seq = m_mixer.SetTap(tap, user);
    }
    if (seq == CAdxMixer::kRefused)
        return false;
    // Offline, the caller's next render applies it; no block is in progress meanwhile.
    if (Config().backend == AdxBackend::Offline)
        return true;
    while (m_mixer.Applied() <= seq) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::size_t CAdxEngineCore::VoiceCount() {
    std::lock_guard lock(m_voicesMutex);
    return m_voiceCount;
}

bool CAdxEngineCore::FreeRemoved(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const bool offline = Config().backend == AdxBackend::Offline;
    // Out of the grave is not yet gone: the decoder's pass in progress may still hold a voice.
    std::vector<std::weak_ptr<CAdxVoice>> removed;
    {
        std::lock_guard lock(m_voicesMutex);
        for (const auto& entry : m_grave)
            removed.emplace_back(entry.second);
    }
    for (;;) {
        // A notifier pass runs Idle, which frees what the mixer has let go of.
        m_notifier->Flush();
        if (std::all_of(removed.begin(), removed.end(), [](const auto& v) { return v.expired(); }))
            return true;
        if (offline || std::chrono::steady_clock::now() >= deadline)
            return false;
        // The device applies the removals at the start of its next block.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CAdxEngineCore::Idle() {
    // Free the voices the mixer has let go of. They are destroyed here, off the UI thread.
    std::vector<std::shared_ptr<CAdxVoice>> dead;
    {
        std::lock_guard lock(m_voicesMutex);
        for (auto& [seq, voice] : m_grave) {
            if (seq == CAdxMixer::kRefused && (seq = m_mixer.Remove(voice.get())) != CAdxMixer::kRefused)
                --m_mixerVoices;
        }
        const std::uint64_t applied = m_mixer.Applied();
        for (auto it = m_grave.begin(); it != m_grave.end();) {
            if (it->first != CAdxMixer::kRefused && it->first < applied) {
                dead.push_back(std::move(it->second));
                it = m_grave.erase(it);
            } else {
                ++it;
            }
        }
    }
    dead.clear();

    bool failed = false;
    AdxEngineConfig config;
    {
        std::lock_guard lock(m_backendMutex);
        failed = m_backend && m_backend->Failed();
        config = m_config;
    }
    // A sound card that stops asking for blocks without saying so is as good as gone: the players
    // would freeze and their commands pile up.
    const auto now = std::chrono::steady_clock::now();
    const std::uint64_t blocks = m_mixer.Counters().callbacks;
    if (blocks != m_lastBlocks || config.backend != AdxBackend::PortAudio) {
        m_lastBlocks = blocks;
        m_lastBlockTime = now;
    } else if (now - m_lastBlockTime > kDeviceSilence) {
        failed = true;
    }
    if (failed)
        LoseDevice();
    std::lock_guard lock(m_backendMutex);
    if (m_cue && m_cue->Failed()) {
        m_log.Write(AdxLogLevel::Warning, "playkit: the cue device has gone away; the main output goes on");
        StopCue();
        m_cueLost = true;
    }
}

void CAdxEngineCore::LoseDevice() {
    m_log.Write(AdxLogLevel::Warning, "playkit: the audio device has gone away; players go on without sound");
    std::lock_guard lock(m_backendMutex);
    if (m_backend)
        StopBackend();
    m_config.backend = AdxBackend::Null;
    m_backend = MakeBackend(m_config);
    std::string reason;
    m_backend->Start(reason);
    m_config.pairs = m_backend->Pairs();
    m_defaultAbsent = false;
    m_lost = true;
}

void CAdxEngineCore::TryReopen() {
    TryReopenCue();
    AdxEngineConfig wanted;
    std::uint64_t serial = 0;
    {
        std::lock_guard lock(m_backendMutex);
        if (!m_lost)
            return;
        wanted = m_wanted;
        serial = m_wantedSerial;
    }
    // The slow part (the device scan, opening the stream) while the clock still plays.
    std::unique_ptr<CAdxBackend> backend = MakeBackend(wanted);
    std::string reason;
    if (!backend || !backend->Open(reason))
        return;
    std::lock_guard lock(m_backendMutex);
    if (!m_lost || serial != m_wantedSerial)
        return;
    if (m_backend)
        StopBackend();
    m_mixer.SetSampleRate(backend->SampleRate());
    if (!backend->Start(reason)) {
        m_mixer.RenderThreadDone(); // a start that failed half-way may have rendered a block
        m_mixer.SetSampleRate(m_config.sampleRate);
        m_backend->Start(reason);
        return;
    }
    const unsigned oldRate = m_config.sampleRate;
    m_backend = std::move(backend);
    m_config = wanted;
    m_config.sampleRate = m_backend->SampleRate();
    m_config.pairs = m_backend->Pairs();
    m_lost = false;
    m_defaultAbsent = false;
    m_log.Write(AdxLogLevel::Info, "playkit: the audio device is back");
    // The hand-over was made for the main rate of before.
    if (m_config.sampleRate != oldRate && !m_config.cueDevice.empty())
        StartCue(m_config);
}

void CAdxEngineCore::StopBackend() {
    m_backend->Stop();
    m_mixer.RenderThreadDone(); // the next backend renders on a thread of its own
    if (m_cue && m_cue->Bridge())
        m_cue->Bridge()->ReleaseProducer(); // and pushes the cue from there
}

std::unique_ptr<CAdxBackend> CAdxEngineCore::MakeBackend(const AdxEngineConfig& config) {
    switch (config.backend) {
    case AdxBackend::PortAudio:
        return std::make_unique<CAdxPortAudioBackend>(m_mixer, m_log, config.device, config.sampleRate,
                                                      config.periodFrames);
    case AdxBackend::Null:
        return std::make_unique<CAdxNullBackend>(m_mixer, config.sampleRate, config.periodFrames);
    case AdxBackend::WavFile:
        return std::make_unique<CAdxWavFileBackend>(m_mixer, m_log, config.wavPath, config.sampleRate,
                                                    config.periodFrames);
    case AdxBackend::Record:
        return std::make_unique<CAdxRecordBackend>(m_mixer, m_log, config.wavPath, config.sampleRate,
                                                   config.periodFrames);
    case AdxBackend::Offline:
        break;
    }
    return nullptr;
}

bool CAdxEngineCore::SetBackend(const AdxEngineConfig& wanted) {
    std::lock_guard lock(m_backendMutex);
    ++m_wantedSerial;
    // While the main output still renders, so that the mixer can let go of the hand-over.
    StopCue();
    if (m_backend) {
        StopBackend();
        m_backend.reset();
    }
    AdxEngineConfig config = wanted;
    if (config.sampleRate < 8000 || config.sampleRate > 192000)
        config.sampleRate = 48000;
    if (config.periodFrames == 0)
        config.periodFrames = 256;
    config.pairs = std::clamp(config.pairs, 1u, kAdxMaxOutputPairs);
    m_wanted = config;
    // Backends made from now on (the fallback and a reopened card too) render this many pairs.
    m_mixer.SetPairs(config.pairs);
    bool ok = true;
    // Faster than real time (rendering by hand, or into a file), the mixer waits for the decoders
    // rather than play silence where they have not caught up.
    m_mixer.SetOffline(config.backend == AdxBackend::Offline || config.backend == AdxBackend::WavFile);
    m_mixer.SetSampleRate(config.sampleRate);
    std::unique_ptr<CAdxBackend> backend = MakeBackend(config);
    if (backend) {
        std::string reason;
        if (!backend->Start(reason)) {
            m_mixer.RenderThreadDone(); // a start that failed half-way may have rendered a block
            ok = false;
            m_log.Write(AdxLogLevel::Warning, std::string("playkit: cannot use ") +
                                                  BackendName(config.backend) + " (" + reason +
                                                  "); playing without sound output");
            config.backend = AdxBackend::Null;
            m_mixer.SetOffline(false);
            backend = MakeBackend(config);
            backend->Start(reason);
        }
        config.sampleRate = backend->SampleRate();
        config.pairs = backend->Pairs();
        m_mixer.SetSampleRate(config.sampleRate);
    }
    m_backend = std::move(backend);
    m_config = config;
    m_defaultAbsent = !ok && wanted.device.empty();
    m_lost = !ok && wanted.backend == AdxBackend::PortAudio;
    StartCue(config);
    return ok;
}

void CAdxEngineCore::HandCueBridge(CAdxClockBridge* bridge) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + 2 * kDeviceSilence + std::chrono::seconds(1);
    std::uint64_t seq = m_mixer.SetCueBridge(bridge);
    while (seq == CAdxMixer::kRefused && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        seq = m_mixer.SetCueBridge(bridge);
    }
    // Offline, the next render takes the command before it mixes anything.
    if (seq == CAdxMixer::kRefused || m_config.backend == AdxBackend::Offline)
        return;
    while (m_mixer.Applied() <= seq && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CAdxEngineCore::StopCue() {
    m_cueLost = false;
    if (!m_cue)
        return;
    HandCueBridge(nullptr);
    m_cue.reset();
}

void CAdxEngineCore::StartCue(const AdxEngineConfig& config) {
    StopCue();
    // A second device takes the cue; without one, a pair of this output may.
    m_mixer.SetCuePair(config.cueDevice.empty() ? config.cuePair : 0);
    if (config.cueDevice.empty())
        return;
    auto cue =
        std::make_unique<CAdxCueOutput>(m_log, config.cueDevice, m_mixer.SampleRate(), config.periodFrames);
    std::string reason;
    if (!cue->Start(reason)) {
        m_log.Write(AdxLogLevel::Warning, "playkit: cannot use the cue device \"" + config.cueDevice +
                                              "\" (" + reason + "); auditioned sounds are not heard");
        m_cueLost = true;
        return;
    }
    m_cue = std::move(cue);
    HandCueBridge(m_cue->Bridge());
}

void CAdxEngineCore::TryReopenCue() {
    std::string device;
    unsigned rate = 0;
    std::size_t period = 0;
    {
        std::lock_guard lock(m_backendMutex);
        if (!m_cueLost)
            return;
        device = m_config.cueDevice;
        rate = m_mixer.SampleRate();
        period = m_config.periodFrames;
    }
    auto cue = std::make_unique<CAdxCueOutput>(m_log, device, rate, period);
    std::string reason;
    if (!cue->Open(reason))
        return;
    std::lock_guard lock(m_backendMutex);
    if (!m_cueLost || m_cue || device != m_config.cueDevice || rate != m_mixer.SampleRate())
        return;
    if (!cue->Start(reason))
        return;
    m_cue = std::move(cue);
    m_cueLost = false;
    HandCueBridge(m_cue->Bridge());
    m_log.Write(AdxLogLevel::Info, "playkit: the cue device is back");
}

AdxEngineConfig CAdxEngineCore::Config() {
    std::lock_guard lock(m_backendMutex);
    return m_config;
}

bool CAdxEngineCore::RenderOffline(float* out, std::size_t frames) {
    {
        std::lock_guard lock(m_backendMutex);
        if (m_config.backend != AdxBackend::Offline)
            return false;
    }
    std::lock_guard lock(m_renderMutex);
    m_mixer.Render(out, frames, m_mixer.Channels());
    m_mixer.RenderThreadDone(); // offline, any thread may render next, one at a time
    m_notifier->Flush();
    return true;
}

void CAdxEngineCore::WakeDecoder() {
    m_worker->Wake();
}

void CAdxEngineCore::FlushNotifier() {
    m_notifier->Flush();
}

} // namespace playkit
