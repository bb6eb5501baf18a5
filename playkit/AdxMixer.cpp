#include "playkit/AdxMixer.h"

#include "playkit/AdxClockBridge.h"

#include "playkit/AdxVoice.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <thread>
#include <time.h>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace playkit {
namespace {
constexpr float kToFloat = 1.0f / 32768.0f;

// Denormal floats in filter tails cost a hundred times a normal multiply: flush them to zero.
void FlushDenormals() {
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | 0x8040); // FTZ | DAZ
#endif
}

// The CPU time of the calling thread, read through the clock's own time type.
template <typename Time> std::uint64_t CpuNs(int (*read)(clockid_t, Time*)) {
    Time t{};
    read(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(t.tv_nsec);
}
std::uint64_t ThreadCpuNs() {
    return CpuNs(&clock_gettime);
}

// Render thread. Where the voice's pair starts in a frame of `channels` channels: a pair the output
// lacks is pair 0.
std::size_t OutputOffset(const CAdxVoice& v, std::size_t channels) {
    const std::size_t pair = v.m_outputPair.load(std::memory_order_relaxed);
    return 2 * pair + 2 <= channels ? 2 * pair : 0;
}
constexpr std::size_t kMaxChannels = 2 * kAdxMaxOutputPairs;
} // namespace

std::uint64_t CAdxMixer::Post(const Command& c) {
    std::lock_guard lock(m_postMutex);
    const std::uint64_t n = m_posted.load(std::memory_order_relaxed);
    // A full queue means the device has stalled: waiting would freeze the caller (the UI), and
    // writing would overwrite a command the mixer has not read.
    if (n - m_applied.load(std::memory_order_acquire) >= kQueueSize)
        return kRefused;
    m_queue[n % kQueueSize] = c;
    // Release: the slot written above is visible to the mixer that acquires the new count.
    m_posted.store(n + 1, std::memory_order_release);
    return n;
}

void CAdxMixer::Drain() {
    const std::uint64_t posted = m_posted.load(std::memory_order_acquire);
    std::uint64_t a = m_applied.load(std::memory_order_relaxed);
    if (a == posted)
        return;
    for (; a < posted; ++a)
        Apply(m_queue[a % kQueueSize]);
    // Release: whoever sees the count also sees that the mixer no longer uses a removed voice.
    m_applied.store(posted, std::memory_order_release);
}

void CAdxMixer::Apply(const Command& c) {
    if (c.kind == Kind::Tap) {
        m_tap = c.tap;
        m_tapUser = c.tapUser;
        return;
    }
    if (c.kind == Kind::CueBridge) {
        m_cueBridge = static_cast<CAdxClockBridge*>(c.tapUser);
        return;
    }
    CAdxVoice* v = c.voice;
    auto& m = v->m_mix;
    switch (c.kind) {
    case Kind::Add:
        // The engine reserves a place before it posts an Add.
        assert(m_count < kMaxVoices);
        if (m_count < kMaxVoices)
            m_voices[m_count++] = v;
        UnpackGains(v->m_gains.load(std::memory_order_relaxed), m.gainL, m.gainR);
        break;
    case Kind::Remove:
        for (std::size_t i = 0; i < m_count; ++i) {
            if (m_voices[i] == v) {
                m_voices[i] = m_voices[--m_count];
                m_voices[m_count] = nullptr;
                break;
            }
        }
        break;
    case Kind::Play:
        if (!m.running)
            UnpackGains(v->m_gains.load(std::memory_order_relaxed), m.gainL, m.gainR);
        m.running = true;
        break;
    case Kind::Pause:
        // Offline, a closed voice's fade would wait for a decoder that has let go of it.
        if (m.running && !m.completed &&
            !(v->m_closed.load(std::memory_order_relaxed) && m_offline.load(std::memory_order_relaxed)))
            FadeOut(*v);
        m.running = false;
        break;
    case Kind::Seek:
        m.fadeIn = m.running && !m.completed;
        m.wantGen = c.gen;
        m.completed = false;
        m.inputEnded = false;
        m.resampler.Reset();
        m.fetchFrame = c.frame;
        m.startFrame = c.frame;
        m.headFrames = c.headFrames;
        m.inHead = c.frame < c.headFrames;
        m.headPos = m.inHead ? c.frame : 0;
        m.haveCue = false;
        ReleaseOldFrames(*v);
        m.peak = nullptr;
        m.peakWindow = 0;
        v->m_position.store(PackGen(c.gen, static_cast<std::uint64_t>(c.frame)), std::memory_order_release);
        break;
    case Kind::Tap:
    case Kind::CueBridge:
        break;
    }
}

void CAdxMixer::ReleaseOldFrames(CAdxVoice& v) {
    // What the ring holds of the old position is never read now. Left in place, a ring that was full
    // keeps the decoder from writing the new position until the mixer takes up its cue, which it does
    // only when it leaves the head: the new frames would then come a block late. Written before the
    // cue: if any frame below `written` belongs to the new position, the cue that precedes it in the
    // decoder is visible to the load after.
    const std::uint64_t written = v.m_ring.Written();
    const std::uint64_t cue = v.m_cue.load(std::memory_order_acquire);
    v.m_ring.Consume(GenOf(cue) == (v.m_mix.wantGen & kGenMask) ? IndexOf(cue) : written);
}

void CAdxMixer::Render(float* out, std::size_t frames, std::size_t channels) {
    m_renderThread.Check();
    assert(channels >= 2 && channels <= kMaxChannels && channels % 2 == 0);
    channels = std::clamp<std::size_t>(channels & ~std::size_t{1}, 2, kMaxChannels);
    FlushDenormals();
    const std::uint64_t t0 = ThreadCpuNs();
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t n = std::min(frames - done, CAdxVoice::kMaxBlock);
        // Tails of voices stopped by the commands drained now are laid out for this output.
        m_fadeOutChannels = channels;
        Drain();
        RenderBlock(out + done * channels, n, channels);
        if (m_tap)
            m_tap(m_tapUser, out + done * channels, n, channels, m_frameCounter);
        m_frameCounter += n;
        done += n;
    }
    const std::uint64_t ns = ThreadCpuNs() - t0;
    m_callbacks.fetch_add(1, std::memory_order_relaxed);
    m_frames.fetch_add(frames, std::memory_order_relaxed);
    m_cpuNs.fetch_add(ns, std::memory_order_relaxed);
    if (ns > m_maxNs.load(std::memory_order_relaxed))
        m_maxNs.store(ns, std::memory_order_relaxed);
}

void CAdxMixer::RenderBlock(float* out, std::size_t frames, std::size_t channels) {
    std::memset(out, 0, frames * channels * sizeof(float));
    if (m_fadeOutFrames > 0) {
        // Voices stopped at the start of this block end here.
        const std::size_t n = std::min(m_fadeOutFrames, frames);
        for (std::size_t i = 0; i < n * channels; ++i)
            out[i] = m_fadeOut[i];
        std::fill(m_fadeOut.begin(),
                  m_fadeOut.begin() + static_cast<std::ptrdiff_t>(kFadeOutFrames * channels), 0.f);
        m_fadeOutFrames = 0;
    }
    // Auditioned voices: on the cue pair of this output, or on the bus for a second device (mixed,
    // and dropped when there is none, so that they move on in time all the same).
    const std::size_t cueOffset = CueOffset(channels);
    float* cue = cueOffset != kNoCue ? out + cueOffset : m_cueBus.data();
    const std::size_t cueStride = cueOffset != kNoCue ? channels : 2;
    if (cueOffset == kNoCue)
        std::memset(m_cueBus.data(), 0, frames * 2 * sizeof(float));
    if (m_cueFadeOutFrames > 0) {
        const std::size_t n = std::min(m_cueFadeOutFrames, frames);
        for (std::size_t i = 0; i < n; ++i) {
            cue[cueStride * i] += m_cueFadeOut[2 * i];
            cue[cueStride * i + 1] += m_cueFadeOut[2 * i + 1];
        }
        m_cueFadeOut.fill(0.f);
        m_cueFadeOutFrames = 0;
    }
    bool missed = false;
    bool busy = false;
    for (std::size_t i = 0; i < m_count; ++i) {
        CAdxVoice& v = *m_voices[i];
        // A closed voice is no longer decoded: mixing it would wait for data that never comes.
        if (!v.m_mix.running || v.m_mix.completed || v.m_closed.load(std::memory_order_relaxed))
            continue;
        const bool audition = v.m_audition.load(std::memory_order_relaxed);
        const bool ok = audition ? MixVoice(v, cue, frames, cueStride)
                                 : MixVoice(v, out + OutputOffset(v, channels), frames, channels);
        if (!ok)
            missed = true;
        busy = busy || !v.m_mix.completed;
    }
    if (m_cueBridge && cueOffset == kNoCue)
        m_cueBridge->Push(m_cueBus.data(), frames);
    if (missed)
        m_underruns.fetch_add(1, std::memory_order_relaxed);
    m_busy.store(busy, std::memory_order_relaxed);
}

std::size_t CAdxMixer::Produce(CAdxVoice& v, std::size_t frames, bool& missed) {
    auto& m = v.m_mix;
    const bool offline = m_offline.load(std::memory_order_relaxed);
    const double ratio = static_cast<double>(m_rate.load(std::memory_order_relaxed)) /
                         (static_cast<double>(v.m_rate) * v.m_speed.load(std::memory_order_relaxed));
    float* buf = m.outBuf.data();
    std::size_t produced = 0;
    missed = false;
    // Read before the ring: a source that has stopped waiting has published its frames by then.
    const bool waiting = v.m_waiting.load(std::memory_order_acquire);
    while (produced < frames) {
        produced += m.resampler.Render(buf + produced * 2, frames - produced, ratio, m.inputEnded);
        if (produced == frames)
            break;
        if (m.resampler.Drained()) {
            m.completed = true;
            ++m.completions;
            if (m.peak && m.peak->frames > 0) {
                v.m_peaks.Push();
                m.peak = nullptr;
            }
            // Release: the notifier that sees the completion sees the final position too.
            v.m_position.store(PackGen(m.wantGen, static_cast<std::uint64_t>(m.fetchFrame)),
                               std::memory_order_release);
            v.m_complete.store((std::uint64_t{m.completions} << 32) | m.wantGen, std::memory_order_release);
            break;
        }
        if (m.inputEnded)
            break;
        const std::uint32_t progress = v.m_progress.load(std::memory_order_acquire);
        bool ended = false, miss = false;
        if (Fetch(v, std::min(CAdxVoice::kInChunk, m.resampler.Room()), ended, miss) > 0)
            continue;
        if (ended) {
            m.inputEnded = true;
        } else if (offline) {
            // Offline output must not depend on timing: wait for the decoder.
            m_host.WakeDecoder();
            v.m_progress.wait(progress, std::memory_order_acquire);
        } else {
            // A source waiting for its instrument starts late, where it was cued: not a gap.
            missed = !waiting;
            break;
        }
    }
    if (produced < frames)
        std::memset(buf + produced * 2, 0, (frames - produced) * 2 * sizeof(float));
    return produced;
}

void CAdxMixer::FadeOut(CAdxVoice& v) {
    // A voice stopped in full flight would end on whatever sample it reached: a click. Its next
    // few milliseconds go out instead, faded to nothing, mixed into the coming block.
    auto& m = v.m_mix;
    bool missed = false;
    const std::size_t n = Produce(v, kFadeOutFrames, missed);
    const float* buf = m.outBuf.data();
    std::size_t stride = m_fadeOutChannels;
    float* tail = m_fadeOut.data() + OutputOffset(v, stride);
    if (v.m_audition.load(std::memory_order_relaxed)) {
        const std::size_t cueOffset = CueOffset(stride);
        if (cueOffset != kNoCue) {
            tail = m_fadeOut.data() + cueOffset;
        } else {
            tail = m_cueFadeOut.data();
            stride = 2;
            m_cueFadeOutFrames = std::max(m_cueFadeOutFrames, n);
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        const float k = 1.0f - static_cast<float>(i + 1) / static_cast<float>(kFadeOutFrames);
        tail[stride * i] += buf[2 * i] * m.gainL * k;
        tail[stride * i + 1] += buf[2 * i + 1] * m.gainR * k;
    }
    if (tail != m_cueFadeOut.data())
        m_fadeOutFrames = std::max(m_fadeOutFrames, n);
    if (!m.completed)
        v.m_position.store(
            PackGen(m.wantGen, static_cast<std::uint64_t>(m.startFrame +
                                                          static_cast<std::int64_t>(m.resampler.Position()))),
            std::memory_order_release);
}

static_assert(CAdxMixer::kCueBusFrames == CAdxVoice::kMaxBlock);

void CAdxMixer::RenderThreadDone() {
    m_renderThread.Release();
    // The cue's hand-over is pushed from the render thread: the next one pushes from now on.
    if (m_cueBridge)
        m_cueBridge->ReleaseProducer();
}

std::size_t CAdxMixer::CueOffset(std::size_t channels) const {
    const std::size_t pair = m_cuePair.load(std::memory_order_relaxed);
    // A second device takes the cue whenever one is there.
    if (m_cueBridge || pair == 0 || 2 * pair > channels)
        return kNoCue;
    return 2 * (pair - 1);
}

bool CAdxMixer::MixVoice(CAdxVoice& v, float* out, std::size_t frames, std::size_t channels) {
    auto& m = v.m_mix;
    bool missed = false;
    const std::size_t produced = Produce(v, frames, missed);
    const float* buf = m.outBuf.data();

    float tl, tr;
    UnpackGains(v.m_gains.load(std::memory_order_relaxed), tl, tr);
    float gl = m.gainL, gr = m.gainR;
    if (m.fadeIn) {
        gl = gr = 0.f;
        m.fadeIn = false;
    }
    if (gl == tl && gr == tr) {
        for (std::size_t i = 0; i < produced; ++i) {
            out[channels * i] += buf[2 * i] * tl;
            out[channels * i + 1] += buf[2 * i + 1] * tr;
        }
    } else {
        // Ramp across the whole block so that fader and pan moves never click.
        const float dl = (tl - gl) / static_cast<float>(frames), dr = (tr - gr) / static_cast<float>(frames);
        for (std::size_t i = 0; i < produced; ++i) {
            const float k = static_cast<float>(i + 1);
            out[channels * i] += buf[2 * i] * (gl + dl * k);
            out[channels * i + 1] += buf[2 * i + 1] * (gr + dr * k);
        }
    }
    m.gainL = tl;
    m.gainR = tr;

    if (!m.completed)
        v.m_position.store(
            PackGen(m.wantGen, static_cast<std::uint64_t>(m.startFrame +
                                                          static_cast<std::int64_t>(m.resampler.Position()))),
            std::memory_order_release);
    m.peakWindow += frames;
    if (m.peakWindow >= kPeakWindow) {
        m.peakWindow = 0;
        if (m.peak && m.peak->frames > 0) {
            v.m_peaks.Push();
            m.peak = nullptr;
        }
    }
    return !missed;
}

void CAdxMixer::StartPeakBlock(CAdxVoice& v) {
    auto& m = v.m_mix;
    m.peak = v.m_peaks.Back();
    if (!m.peak && m_offline.load(std::memory_order_relaxed)) {
        m_host.FlushNotifier();
        m.peak = v.m_peaks.Back();
    }
    if (m.peak) {
        m.peak->frames = 0;
        m.peak->time = static_cast<double>(m.fetchFrame) / v.m_rate;
    }
}

std::size_t CAdxMixer::Fetch(CAdxVoice& v, std::size_t want, bool& ended, bool& missed) {
    auto& m = v.m_mix;
    const std::int64_t stop = v.m_stopFrame.load(std::memory_order_relaxed);
    if (m.fetchFrame >= stop) {
        ended = true;
        return 0;
    }
    want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(want), stop - m.fetchFrame));
    const std::int16_t* src = nullptr;
    std::size_t n = 0;
    if (m.inHead) {
        n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(want), m.headFrames - m.headPos));
        if (n > 0) {
            src = v.m_head.data() +
                  static_cast<std::size_t>(m.headPos) * static_cast<std::size_t>(v.m_channels);
            m.headPos += static_cast<std::int64_t>(n);
        } else if (v.m_headWhole) {
            ended = true;
            return 0;
        } else {
            m.inHead = false;
        }
    }
    const bool fromRing = src == nullptr;
    if (fromRing) {
        if (!m.haveCue) {
            // Acquire pairs with the decoder's release of the cue: the ring holds this gen's data
            // from the cue index on.
            const std::uint64_t cue = v.m_cue.load(std::memory_order_acquire);
            if (GenOf(cue) != (m.wantGen & kGenMask)) {
                missed = true;
                return 0;
            }
            m.readIndex = IndexOf(cue);
            m.haveCue = true;
            v.m_ring.Consume(m.readIndex);
        }
        // Read the end mark before the write index: if the mark is ours, every frame before it
        // is already committed.
        const std::uint64_t eof = v.m_eof.load(std::memory_order_acquire);
        const std::uint64_t written = v.m_ring.Written();
        const std::size_t avail = static_cast<std::size_t>(written - m.readIndex);
        if (avail == 0) {
            if (GenOf(eof) == (m.wantGen & kGenMask) && IndexOf(eof) <= m.readIndex)
                ended = true;
            else
                missed = true;
            return 0;
        }
        n = std::min(want, avail);
        src = v.m_ring.ReadPtr(m.readIndex, n);
    }
    if (!m.peak)
        StartPeakBlock(v);
    if (m.peak) {
        const std::size_t room = CAdxVoice::kPeakMaxFrames - m.peak->frames;
        const std::size_t k = std::min(room, n);
        const std::size_t ch = static_cast<std::size_t>(v.m_channels);
        std::memcpy(m.peak->samples.data() + m.peak->frames * ch, src, k * ch * sizeof(std::int16_t));
        m.peak->frames += k;
    }
    float *left, *right;
    m.resampler.Write(left, right);
    Convert(v, src, n, left, right);
    m.resampler.Commit(n);
    if (fromRing) {
        m.readIndex += n;
        v.m_ring.Consume(m.readIndex);
    }
    m.fetchFrame += static_cast<std::int64_t>(n);
    return n;
}

void CAdxMixer::Convert(CAdxVoice& v, const std::int16_t* src, std::size_t frames, float* left,
                        float* right) {
    const int ch = v.m_channels;
    if (ch == 1) {
        for (std::size_t i = 0; i < frames; ++i)
            left[i] = right[i] = static_cast<float>(src[i]) * kToFloat;
    } else if (ch == 2) {
        for (std::size_t i = 0; i < frames; ++i) {
            left[i] = static_cast<float>(src[2 * i]) * kToFloat;
            right[i] = static_cast<float>(src[2 * i + 1]) * kToFloat;
        }
    } else {
        const float* fl = v.m_fold.data();
        const float* fr = fl + ch;
        for (std::size_t i = 0; i < frames; ++i) {
            float l = 0.f, r = 0.f;
            for (int c = 0; c < ch; ++c) {
                const float s =
                    static_cast<float>(src[i * static_cast<std::size_t>(ch) + static_cast<std::size_t>(c)]);
                l += fl[c] * s;
                r += fr[c] * s;
            }
            left[i] = l * kToFloat;
            right[i] = r * kToFloat;
        }
    }
}

AdxEngineCounters CAdxMixer::Counters() const {
    AdxEngineCounters c;
    c.callbacks = m_callbacks.load(std::memory_order_relaxed);
    c.frames = m_frames.load(std::memory_order_relaxed);
    c.underruns = m_underruns.load(std::memory_order_relaxed);
    c.deviceXruns = m_xruns.load(std::memory_order_relaxed);
    c.callbackCpuSeconds = static_cast<double>(m_cpuNs.load(std::memory_order_relaxed)) * 1e-9;
    c.maxCallbackSeconds = static_cast<double>(m_maxNs.load(std::memory_order_relaxed)) * 1e-9;
    return c;
}

void CAdxMixer::ResetCounters() {
    m_callbacks = 0;
    m_frames = 0;
    m_underruns = 0;
    m_xruns = 0;
    m_cpuNs = 0;
    m_maxNs = 0;
}

} // namespace playkit
