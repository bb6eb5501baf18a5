#pragma once

#include "playkit/AdxEngine.h"
#include "playkit/AdxRenderSource.h"
#include "playkit/AdxThreadRole.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace playkit {

class CAdxClockBridge;
class CAdxVoice;

// What an offline render may ask of the rest of the engine while it waits for decoders.
class IAdxMixerHost {
public:
    virtual void WakeDecoder() = 0;
    virtual void FlushNotifier() = 0;

protected:
    ~IAdxMixerHost() = default;
};

// The one mixer of all voices. Render runs on the device thread (or an offline caller) and only
// mixes frames that are ready; the UI changes it through a command queue drained at the start of
// each block and through the voices' atomics.
class CAdxMixer final : public IAdxRenderSource {
public:
    static constexpr std::size_t kMaxVoices = 256;
    static constexpr std::size_t kPeakWindow = 2048;   // output frames per peak block
    static constexpr std::size_t kFadeOutFrames = 128; // a stopped voice fades out over 2.7 ms
    static constexpr std::size_t kCueBusFrames = 1024; // the largest block (CAdxVoice::kMaxBlock)
    static constexpr std::size_t kNoCue = ~std::size_t{0};

    explicit CAdxMixer(IAdxMixerHost& host) : m_host(host) {}

    // Device thread, or an offline caller while no device runs. Mixes frames of interleaved float
    // of `channels` channels (2 per output pair, 2 to 2 * kAdxMaxOutputPairs) into out, overwriting
    // it. The caller says how many its buffer holds: a voice on a pair beyond them plays on pair 0. One
    // thread renders until RenderThreadDone (checked in debug).
    void Render(float* out, std::size_t frames, std::size_t channels) override;
    // Any thread, once the thread that rendered renders no more (its backend has stopped, or an
    // offline render has returned): the next Render may come from another thread.
    void RenderThreadDone();

    void SetSampleRate(unsigned rate) { m_rate.store(rate, std::memory_order_relaxed); }
    // Any thread. The stereo pairs the engine is configured for (1..kAdxMaxOutputPairs): a backend
    // made now renders that many unless its device has fewer.
    void SetPairs(unsigned pairs) {
        m_pairs.store(std::clamp(pairs, 1u, kAdxMaxOutputPairs), std::memory_order_relaxed);
    }
    unsigned Pairs() const { return m_pairs.load(std::memory_order_relaxed); }
    std::size_t Channels() const override { return std::size_t{2} * Pairs(); }
    unsigned SampleRate() const { return m_rate.load(std::memory_order_relaxed); }
    // In offline mode (rendering faster than real time) Render waits for decoders instead of
    // playing silence.
    void SetOffline(bool offline) { m_offline.store(offline, std::memory_order_relaxed); }
    bool Offline() const { return m_offline.load(std::memory_order_relaxed); }

    // Any thread. Each returns the command's sequence number; the mixer has applied it once
    // Applied() exceeds that number. A full queue (the device has stopped taking blocks) takes
    // nothing and returns kRefused at once: the caller reports it or tries again later.
    static constexpr std::uint64_t kRefused = ~std::uint64_t{0};
    std::uint64_t Add(CAdxVoice* v) { return Post({Kind::Add, v, 0, 0, 0, nullptr, nullptr}); }
    std::uint64_t Remove(CAdxVoice* v) { return Post({Kind::Remove, v, 0, 0, 0, nullptr, nullptr}); }
    std::uint64_t Play(CAdxVoice* v) { return Post({Kind::Play, v, 0, 0, 0, nullptr, nullptr}); }
    std::uint64_t Pause(CAdxVoice* v) { return Post({Kind::Pause, v, 0, 0, 0, nullptr, nullptr}); }
    // headFrames: the voice's head as the caller saw it when it asked the decoder to start after it
    // (a deferred head may appear meanwhile; the mixer must agree with the decoder on where it ends).
    std::uint64_t Seek(CAdxVoice* v, std::uint32_t gen, std::int64_t frame, std::int64_t headFrames) {
        return Post({Kind::Seek, v, gen, frame, headFrames, nullptr, nullptr});
    }
    // The tap and its user pointer change together between two blocks.
    std::uint64_t SetTap(AdxBlockTap tap, void* user) {
        return Post({Kind::Tap, nullptr, 0, 0, 0, tap, user});
    }
    // Where auditioned voices go, besides nowhere: a second device's hand-over (taken between two
    // blocks; the bridge must outlive the command's application), or else a pair of this output
    // (CuePair, 1-based; 0 or a pair the output lacks: none). Auditioned voices never reach the
    // other pairs. The bridge is pushed every block, silence included, so that its clock stays in step.
    std::uint64_t SetCueBridge(CAdxClockBridge* bridge) {
        return Post({Kind::CueBridge, nullptr, 0, 0, 0, nullptr, bridge});
    }
    void SetCuePair(unsigned pair) { m_cuePair.store(pair, std::memory_order_relaxed); }
    unsigned CuePair() const { return m_cuePair.load(std::memory_order_relaxed); }
    std::uint64_t Applied() const { return m_applied.load(std::memory_order_acquire); }
    // Any thread. Commands that can be posted now.
    std::size_t Room() const {
        return kQueueSize - static_cast<std::size_t>(m_posted.load(std::memory_order_acquire) - Applied());
    }
    // True while any voice is running and has not reached its end (WAV file backend).
    bool Busy() const { return m_busy.load(std::memory_order_relaxed); }

    AdxEngineCounters Counters() const;
    void ResetCounters();
    void CountDeviceXrun() override { m_xruns.fetch_add(1, std::memory_order_relaxed); }

private:
    enum class Kind { Add, Remove, Play, Pause, Seek, Tap, CueBridge };
    struct Command {
        Kind kind;
        CAdxVoice* voice;
        std::uint32_t gen;
        std::int64_t frame;
        std::int64_t headFrames;
        AdxBlockTap tap;
        void* tapUser;
    };

public:
    static constexpr std::size_t kQueueSize = 4096;

private:
    std::uint64_t Post(const Command& c);
    void Drain();
    void Apply(const Command& c);
    void RenderBlock(float* out, std::size_t frames, std::size_t channels);
    // Returns false when the voice missed data in a real-time block.
    // dest: where the voice's left sample of its first frame goes, stride floats per frame.
    bool MixVoice(CAdxVoice& v, float* dest, std::size_t frames, std::size_t stride);
    // The first of the cue pair's channels in a frame of `channels`, or kNoCue.
    std::size_t CueOffset(std::size_t channels) const;
    // Resamples the voice's next frames into its outBuf; returns how many came (the rest is zero).
    std::size_t Produce(CAdxVoice& v, std::size_t frames, bool& missed);
    void FadeOut(CAdxVoice& v);
    std::size_t Fetch(CAdxVoice& v, std::size_t want, bool& ended, bool& missed);
    void Convert(CAdxVoice& v, const std::int16_t* src, std::size_t frames, float* left, float* right);
    void StartPeakBlock(CAdxVoice& v);
    // After a seek: frees the ring slots of the old position for the decoder.
    void ReleaseOldFrames(CAdxVoice& v);

    IAdxMixerHost& m_host;
    CAdxThreadRole m_renderThread;
    std::atomic<unsigned> m_rate{48000};
    std::atomic<unsigned> m_pairs{1};
    std::atomic<bool> m_offline{false};
    std::atomic<bool> m_busy{false};

    // Command queue: many UI-side producers serialised by m_postMutex (never taken by the mixer),
    // one consumer. Release on m_posted publishes the slot; acquire in Drain reads it.
    std::mutex m_postMutex;
    std::array<Command, kQueueSize> m_queue{};
    std::atomic<std::uint64_t> m_posted{0};
    std::atomic<std::uint64_t> m_applied{0};

    std::array<CAdxVoice*, kMaxVoices> m_voices{};
    // Tails of voices stopped by the commands of this block, laid out as the block is
    // (m_fadeOutChannels per frame).
    std::array<float, kFadeOutFrames * 2 * kAdxMaxOutputPairs> m_fadeOut{};
    std::size_t m_fadeOutChannels = 2;
    std::atomic<unsigned> m_cuePair{0};
    // Render thread only: the auditioned voices of the block, and their tails, when they go to a
    // second device or nowhere.
    std::array<float, kFadeOutFrames * 2> m_cueFadeOut{};
    std::size_t m_cueFadeOutFrames = 0;
    std::array<float, kCueBusFrames * 2> m_cueBus{};
    CAdxClockBridge* m_cueBridge = nullptr;
    std::size_t m_fadeOutFrames = 0;
    std::size_t m_count = 0;

    // Render thread only: set by a Tap command.
    AdxBlockTap m_tap = nullptr;
    void* m_tapUser = nullptr;
    std::uint64_t m_frameCounter = 0;

    // Counters: written by the render thread only, read anywhere (relaxed: statistics).
    std::atomic<std::uint64_t> m_callbacks{0}, m_frames{0}, m_underruns{0}, m_xruns{0};
    std::atomic<std::uint64_t> m_cpuNs{0}, m_maxNs{0};
};

} // namespace playkit
