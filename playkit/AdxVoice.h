#pragma once

#include "playkit/AdxPeakQueue.h"
#include "playkit/AdxResampler.h"
#include "playkit/AdxRing.h"
#include "playkit/AdxSource.h"
#include "playkit/AdxTypes.h"

#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class CSGCallback;

namespace playkit {

// Positions and ring indices travel together with the seek generation they belong to:
// generation in the top 24 bits, frame or index in the low 40.
inline constexpr int kGenShift = 40;
inline constexpr std::uint64_t kIndexMask = (std::uint64_t{1} << kGenShift) - 1;
inline constexpr std::uint32_t kGenMask = 0xFFFFFF;
inline std::uint64_t PackGen(std::uint32_t gen, std::uint64_t index) {
    return (std::uint64_t{gen & kGenMask} << kGenShift) | (index & kIndexMask);
}
inline std::uint32_t GenOf(std::uint64_t packed) {
    return static_cast<std::uint32_t>(packed >> kGenShift);
}
inline std::uint64_t IndexOf(std::uint64_t packed) {
    return packed & kIndexMask;
}

struct AdxEvent {
    LONG code;
    LONG param1;
    LONG param2;
};

// One open player inside the engine: its decoder, its ring, what the UI asked of it and what the
// mixer and notifier report back. Each member says which threads touch it.
class CAdxVoice {
public:
    static constexpr std::size_t kMaxBlock = 1024; // frames the mixer renders at a time
    static constexpr std::size_t kInChunk = 512;   // source frames fetched at a time
    static constexpr std::size_t kPeakMaxFrames = 4096;

    // UI thread. Decodes the head synchronously; Ready() tells whether anything decodable came out.
    explicit CAdxVoice(std::unique_ptr<CAdxSource> source);
    ~CAdxVoice();
    CAdxVoice(const CAdxVoice&) = delete;
    CAdxVoice& operator=(const CAdxVoice&) = delete;

    // Something decodable came out, or the source renders once its instrument has loaded.
    bool Ready() const { return m_headFrames.load(std::memory_order_acquire) > 0 || m_headDeferred; }
    int Channels() const { return m_channels; }
    int SourceRate() const { return m_rate; }

    // Decoder worker: follows a seek request, then decodes into the ring while it has room.
    // Returns true when it did any work.
    bool Produce(std::size_t maxFrames);

private:
    // Decoder worker: the stream of the current gen ends here (reporting the source's failure once).
    void EndStream();
    // Decoder worker: the source can render now; its head is made and published.
    void MakeDeferredHead();

public:
    // ---- immutable after construction (every thread)
    const int m_channels;
    const int m_rate;
    // The source could not render at open (its instrument was still loading): the decoder makes the
    // head once it can, and until then every cue is served by the decoder.
    bool m_headDeferred = false;
    std::vector<float> m_fold; // 2 x channels fold-down matrix for more than two channels

    // ---- the first frames, so that a cue to 0 needs no decoder. Written at construction, or once by
    // the decoder for a deferred head; m_head and m_headWhole are read only by whoever has seen a
    // head count above zero (acquire), which the decoder publishes after them.
    std::vector<std::int16_t> m_head;
    std::atomic<std::int64_t> m_headFrames{0};
    bool m_headWhole = false; // the head is the whole media

    // ---- decoder worker only (after construction)
    std::unique_ptr<CAdxSource> m_source;
    std::uint32_t m_decoderGen = 0;
    std::int64_t m_decoderFrom = 0; // the media frame the current gen's ring data starts at
    bool m_decoderEnd = false;
    bool m_headPending = false; // deferred head not made yet
    bool m_failureSent = false; // the stream's failure went out once; later passes fail silently

    // ---- decoder worker -> mixer
    CAdxRing m_ring;
    std::atomic<std::uint64_t> m_cue{0};                 // gen + ring index where that gen's data starts
    std::atomic<std::uint64_t> m_eof{~std::uint64_t{0}}; // gen + ring index where that gen's data ends
    std::atomic<std::uint32_t> m_progress{0};            // bumped after every publication (offline waits)
    std::atomic<int> m_failure{
        0}; // the source's error when its stream ended by failing (notifier reports it)
    // The source waits for its instrument: a playing voice holds its position in silence meanwhile,
    // which is a late start, not a miss. Cleared once the source renders (or has failed).
    std::atomic<bool> m_waiting{false};

    // ---- UI -> decoder worker
    std::atomic<std::uint64_t> m_seekRequest{0}; // gen + first frame the decoder must produce

    // ---- UI -> mixer (latest value wins)
    std::atomic<std::uint64_t> m_gains{0}; // two floats: left in the low word, right in the high
    std::atomic<double> m_speed{1.0};
    std::atomic<std::int64_t> m_stopFrame{INT64_MAX};
    std::atomic<bool> m_audition{false};   // heard on the cue output only, never on the main one
    std::atomic<unsigned> m_outputPair{0}; // 0-based; a pair the output lacks plays on pair 0

    // ---- UI thread only: what the owner last asked for
    LONG m_volume = 0;
    LONG m_balance = 0;
    double m_rateFactor = 1.0;
    double m_stopSeconds = -1.0; // < 0: the end of the media
    bool m_running = false;
    std::int64_t m_seekFrame = 0; // position asked for by the latest seek

    // ---- UI -> mixer: closed, even if the mixer has not yet taken the commands that say so
    std::atomic<bool> m_closed{false};

    // ---- UI -> notifier (and GetTickCount): the latest seek generation
    std::atomic<std::uint32_t> m_uiGen{0};

    // ---- notifier -> UI: the stream failed for good and its EC_ERRORABORT went out (the error)
    std::atomic<int> m_brokenWith{0};

    // ---- mixer -> UI / notifier
    std::atomic<std::uint64_t> m_position{0}; // gen + media frame being played
    std::atomic<std::uint64_t> m_complete{0}; // completion count (high 32) + gen it ended (low 32)
    CAdxPeakQueue m_peaks;

    // ---- mixer thread only
    struct MixState {
        bool running = false;
        bool completed = false;
        bool inputEnded = false;
        bool inHead = true;
        bool haveCue = false;
        bool fadeIn = false;
        std::uint32_t wantGen = 0;
        std::int64_t headPos = 0;
        std::int64_t headFrames = 0; // the head as the latest cue saw it
        std::uint64_t readIndex = 0;
        std::int64_t fetchFrame = 0; // media frame of the next fetched frame
        std::int64_t startFrame = 0; // media frame the resampler's input began at
        float gainL = 0.f, gainR = 0.f;
        std::uint32_t completions = 0;
        AdxPeakBlock* peak = nullptr;
        std::size_t peakWindow = 0; // output frames since the current peak block began
        std::vector<float> outBuf;  // kMaxBlock stereo frames
        CAdxResampler resampler;
    } m_mix;

    // ---- notifier and UI
    std::mutex m_callbackMutex; // held by the notifier while it calls the callback
    CSGCallback* m_callback = nullptr;
    std::mutex m_lastMutex;
    std::vector<std::uint8_t> m_lastBuffer; // bytes of the last block handed to the callback
    bool m_haveLast = false;
    std::uint64_t m_seenComplete = 0; // notifier only

    // ---- events: notifier produces, UI consumes
    std::mutex m_eventMutex;
    std::condition_variable m_eventCv;
    std::deque<AdxEvent> m_events;
    IAdxMessageTarget* m_notifyWnd = nullptr;
    UINT m_notifyMsg = 0;
};

inline std::uint64_t PackGains(float l, float r) {
    return std::uint64_t{std::bit_cast<std::uint32_t>(l)} |
           (std::uint64_t{std::bit_cast<std::uint32_t>(r)} << 32);
}
inline void UnpackGains(std::uint64_t v, float& l, float& r) {
    l = std::bit_cast<float>(static_cast<std::uint32_t>(v));
    r = std::bit_cast<float>(static_cast<std::uint32_t>(v >> 32));
}

} // namespace playkit
