#include "playkit/AdxVoice.h"

#include "playkit/AdxShow.h"

#include <algorithm>
#include <cassert>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace playkit {
namespace {
// The ring holds about 1.4 s of stereo 44.1 kHz: 256 KB whatever the channel count.
constexpr std::size_t kRingSamples = 131072;
// The decoder fills the ring in slices of at least this many frames.
constexpr std::size_t kMinFill = 2048;

std::vector<float> FoldMatrix(int channels) {
    std::vector<float> m(2 * static_cast<std::size_t>(channels), 0.f);
    AVChannelLayout in{}, out{};
    av_channel_layout_default(&in, channels);
    av_channel_layout_default(&out, 2);
    // The builder writes scratch rows and columns past the ones asked for: give it room for all.
    constexpr std::size_t kRoom = 64;
    std::vector<double> mat(kRoom * kRoom, 0.0);
    if (swr_build_matrix2(&in, &out, M_SQRT1_2, M_SQRT1_2, 0.0, 1.0, 1.0, mat.data(), kRoom,
                          AV_MATRIX_ENCODING_NONE, nullptr) >= 0) {
        for (std::size_t o = 0; o < 2; ++o)
            for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c)
                m[o * static_cast<std::size_t>(channels) + c] = static_cast<float>(mat[o * kRoom + c]);
    } else {
        m[0] = 1.f;
        m[static_cast<std::size_t>(channels) + 1] = 1.f;
    }
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    return m;
}
} // namespace

CAdxVoice::CAdxVoice(std::unique_ptr<CAdxSource> source)
    : m_channels(source->Channels()), m_rate(source->SampleRate()), m_source(std::move(source)),
      m_ring(std::max<std::size_t>(kRingSamples / static_cast<std::size_t>(m_channels), 16384), m_channels) {
    // Decoded now and kept: a cue to 0 plays from here at once while the decoder catches up.
    m_headDeferred = m_source->Waiting();
    m_headPending = m_headDeferred;
    m_waiting.store(m_headDeferred, std::memory_order_relaxed);
    const std::size_t headFrames = m_source->HeadFrames();
    // A deferred head gets its room now: the decoder fills it without allocating what others read.
    m_head.resize(headFrames * static_cast<std::size_t>(m_channels));
    const std::size_t got = m_headDeferred ? 0 : m_source->Read(m_head.data(), headFrames);
    if (!m_headDeferred) {
        m_head.resize(got * static_cast<std::size_t>(m_channels));
        m_headWhole = got < headFrames;
        m_decoderEnd = m_headWhole;
        // The ring of the first position starts after the head.
        m_decoderFrom = static_cast<std::int64_t>(got);
    }
    m_headFrames.store(static_cast<std::int64_t>(got), std::memory_order_relaxed);
    if (m_channels > 2)
        m_fold = FoldMatrix(m_channels);
    m_mix.outBuf.assign(kMaxBlock * 2, 0.f);
    // Until a cue says otherwise the mixer plays the head, then the ring of generation 0; with a
    // deferred head, the ring from the first frame on.
    m_mix.inHead = !m_headDeferred;
    m_mix.headFrames = static_cast<std::int64_t>(got);
    m_peaks.Allocate(kPeakMaxFrames * static_cast<std::size_t>(m_channels));
    m_gains.store(PackGains(1.f, 1.f));
}

CAdxVoice::~CAdxVoice() {
    if (m_callback)
        m_callback->Release();
}

void CAdxVoice::EndStream() {
    m_decoderEnd = true;
    if (const int failure = m_source->Failure(); failure != 0 && !m_failureSent) {
        m_failureSent = true;
        m_failure.store(failure, std::memory_order_relaxed);
    }
    // Release: the mixer that sees the end finds the ring and the failure behind it.
    m_eof.store(PackGen(m_decoderGen, m_ring.WriteIndex()), std::memory_order_release);
}

void CAdxVoice::MakeDeferredHead() {
    m_headPending = false;
    const std::size_t want = m_head.size() / static_cast<std::size_t>(m_channels);
    // A source whose instrument has just come is still at its top: the head is its first frames.
    m_source->Seek(0);
    const std::size_t got = m_source->Read(m_head.data(), want);
    m_headWhole = got < want;
    if (m_decoderFrom == 0) {
        // The current position plays from the top as well, and its ring has nothing yet (the source
        // rendered nothing before): the head goes into the ring too, and decoding goes on after it.
        assert(m_ring.WriteIndex() == IndexOf(m_cue.load(std::memory_order_relaxed)));
        std::size_t done = 0;
        while (done < got && m_ring.Free() > 0) {
            std::size_t n = std::min(got - done, m_ring.Free());
            std::int16_t* p = m_ring.WritePtr(n);
            std::copy_n(m_head.data() + done * static_cast<std::size_t>(m_channels),
                        n * static_cast<std::size_t>(m_channels), p);
            m_ring.Commit(n);
            done += n;
        }
        if (done < got) { // cannot happen with an empty ring; decode the rest again
            m_source->Seek(static_cast<std::int64_t>(done));
            m_decoderEnd = m_source->AtEnd();
        } else if (m_headWhole) {
            EndStream();
        }
    } else if (!m_decoderEnd) {
        m_source->Seek(m_decoderFrom);
        if (m_source->AtEnd())
            EndStream();
    }
    // Release: whoever sees the count sees the frames and the whole-media mark written above.
    m_headFrames.store(static_cast<std::int64_t>(got), std::memory_order_release);
}

bool CAdxVoice::Produce(std::size_t maxFrames) {
    bool worked = false;
    const std::uint64_t req = m_seekRequest.load(std::memory_order_acquire);
    const std::uint32_t gen = GenOf(req);
    if (gen != m_decoderGen) {
        m_decoderGen = gen;
        m_decoderFrom = static_cast<std::int64_t>(IndexOf(req));
        worked = true;
        if (!m_headWhole) {
            m_source->Seek(m_decoderFrom);
            m_decoderEnd = m_source->AtEnd();
        }
        const std::uint64_t w = m_ring.WriteIndex();
        // Release: the mixer that sees this gen's cue (or end) finds the ring state behind it.
        m_cue.store(PackGen(gen, w), std::memory_order_release);
        if (m_decoderEnd)
            EndStream();
    }
    if (m_headPending && m_source->Prepare()) {
        MakeDeferredHead();
        worked = true;
    }
    if (!m_decoderEnd) {
        const std::size_t free = m_ring.Free();
        if (free >= std::min(kMinFill, m_ring.Capacity())) {
            std::size_t n = std::min(free, maxFrames);
            std::int16_t* p = m_ring.WritePtr(n);
            const std::size_t got = m_source->Read(p, n);
            if (got > 0)
                m_ring.Commit(got);
            if (got < n && !m_source->Waiting())
                EndStream();
            // A source still waiting did nothing: the worker rests instead of asking again at once.
            worked = worked || got > 0 || m_decoderEnd;
        }
    }
    // Release: the mixer that sees the source no longer waiting sees everything published above.
    if (m_waiting.load(std::memory_order_relaxed) && !m_source->Waiting())
        m_waiting.store(false, std::memory_order_release);
    if (worked) {
        // Release: an offline render waiting on the counter sees everything published above.
        m_progress.fetch_add(1, std::memory_order_release);
        m_progress.notify_all();
    }
    return worked;
}

} // namespace playkit
