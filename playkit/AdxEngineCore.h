#pragma once

#include "playkit/AdxEngine.h"
#include "playkit/AdxLog.h"
#include "playkit/AdxMixer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace playkit {

class CAdxBackend;
class CAdxClockBridge;
class CAdxCueOutput;
class CAdxDecodeWorker;
class CAdxNotifier;
class CAdxReopener;
class CAdxSynthPool;
class CAdxVoice;

// Everything behind the players: the mixer, the decoder worker, the notifier, the synth pool
// and the output backend. One per process; every open player holds a reference to it.
class CAdxEngineCore final : public IAdxMixerHost {
public:
    // Any thread. The running engine, started with the configured (or environment's) backend.
    static std::shared_ptr<CAdxEngineCore> Acquire();
    // The running engine or null.
    static std::shared_ptr<CAdxEngineCore> Running();

    // log: outlives the engine.
    CAdxEngineCore(const AdxEngineConfig& config, const CAdxLog& log);
    ~CAdxEngineCore();
    CAdxEngineCore(const CAdxEngineCore&) = delete;
    CAdxEngineCore& operator=(const CAdxEngineCore&) = delete;

    CAdxMixer& Mixer() { return m_mixer; }
    // Any thread. The pool is made as the engine starts, at its output rate.
    CAdxSynthPool& Synths();

    // Any thread that owns players. False, with nothing added, when the voice table is full
    // (kTableFull) or the mixer takes no commands because the device has stalled (kStalled).
    enum class AddResult { kAdded, kTableFull, kStalled };
    AddResult AddVoice(const std::shared_ptr<CAdxVoice>& v);
    // Never fails: a removal the mixer cannot take now is posted again from the notifier thread,
    // and the voice lives on until the mixer has let go of it.
    void RemoveVoice(std::shared_ptr<CAdxVoice> v);
    std::size_t VoiceCount();
    // Any thread but the device's and the notifier's: frees the voices removed so far that the
    // mixer has let go of, waiting up to patience for the rest. True once all are destroyed.
    bool FreeRemoved(std::chrono::milliseconds patience);
    // Any thread but the device's. Changes the block tap and, on a live backend, returns once the
    // mixer runs the new one (false when the device took no block for seconds).
    bool SetTap(AdxBlockTap tap, void* user);

    // Any thread. Switches the output; falls back to the null backend with one line to the log.
    bool SetBackend(const AdxEngineConfig& config);
    AdxEngineConfig Config();
    // Any thread. The sound card went away, or the card chosen by name did not open; the null clock plays
    // meanwhile. Without any card (the default one asked for, none there) it runs on the clock without
    // being called lost, though the card is still looked for.
    bool OutputLost() const {
        return m_lost.load(std::memory_order_relaxed) && !m_defaultAbsent.load(std::memory_order_relaxed);
    }
    bool CueLost() const { return m_cueLost.load(std::memory_order_relaxed); }
    // Offline backend, caller's thread.
    bool RenderOffline(float* out, std::size_t frames);

    void WakeDecoder() override;
    void FlushNotifier() override;

private:
    // Notifier thread, after every pass: frees closed voices, watches the device.
    void Idle();
    std::unique_ptr<CAdxBackend> MakeBackend(const AdxEngineConfig& config);
    // With m_backendMutex held, a backend present. Returns once its thread renders no more.
    void StopBackend();
    // Notifier thread: the sound card went away; the null clock takes over and the card is retried.
    void LoseDevice();
    // Reopener thread: opens the chosen card again while it is lost and switches back to it.
    void TryReopen();
    // With m_backendMutex held: the cue as config asks for it, the old cue device stopped first.
    void StartCue(const AdxEngineConfig& config);
    // With m_backendMutex held: the mixer lets go of the cue device's hand-over, then it stops.
    void StopCue();
    // The mixer takes the hand-over (or none); returns once it renders with it, or the device has
    // taken no block for seconds.
    void HandCueBridge(CAdxClockBridge* bridge);
    // Reopener thread: a lost cue device tried again.
    void TryReopenCue();

    const CAdxLog& m_log;
    CAdxMixer m_mixer{*this};
    std::unique_ptr<CAdxSynthPool> m_pool;
    std::unique_ptr<CAdxDecodeWorker> m_worker;
    std::unique_ptr<CAdxNotifier> m_notifier;

    std::mutex m_voicesMutex;
    std::size_t m_voiceCount = 0;
    // Voices in the mixer's table or on their way there: never more than it holds.
    std::size_t m_mixerVoices = 0;
    // Closed voices wait here until the mixer has applied their removal (sequence kRefused: the
    // removal is still to be posted).
    std::vector<std::pair<std::uint64_t, std::shared_ptr<CAdxVoice>>> m_grave;

    std::mutex m_backendMutex;
    std::unique_ptr<CAdxBackend> m_backend;
    AdxEngineConfig m_config;
    // What was asked for (m_config is what runs), and a count of the requests, so that a reopened
    // card is not switched to after the user chose another output meanwhile.
    AdxEngineConfig m_wanted;
    std::uint64_t m_wantedSerial = 0;
    std::atomic<bool> m_lost{false};          // tried again every few seconds
    std::atomic<bool> m_defaultAbsent{false}; // lost only in that the default card could not be opened
    std::unique_ptr<CAdxReopener> m_reopener;
    // The cue's second device, under m_backendMutex; lost: tried again as the main card is.
    std::unique_ptr<CAdxCueOutput> m_cue;
    std::atomic<bool> m_cueLost{false};
    std::mutex m_renderMutex;
    // Notifier thread only: when the device last asked for a block.
    std::uint64_t m_lastBlocks = 0;
    std::chrono::steady_clock::time_point m_lastBlockTime = std::chrono::steady_clock::now();
};

// The configuration the next engine starts with (CAdxEngine::Configure before the first Open).
void RememberConfig(const AdxEngineConfig& config);
AdxEngineConfig RememberedConfig();
// The log of the process's engine. The engine is the process's (players find it on their own, with
// no handle passed in), so its sink is kept with its configuration, across restarts.
CAdxLog& EngineLog();
// Drops the process's reference to the engine; it stops once no player holds it.
void ReleaseEngine();

} // namespace playkit
