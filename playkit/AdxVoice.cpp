#include "playkit/AdxVoice.h"

#include "playkit/AdxShow.h"

#include <algorithm>

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
    const std::size_t headFrames = m_headDeferred ? 0 : m_source->HeadFrames();
    m_head.resize(headFrames * static_cast<std::size_t>(m_channels));
    const std::size_t got = headFrames > 0 ? m_source->Read(m_head.data(), headFrames) : 0;
    m_headFrames = static_cast<std::int64_t>(got);
    m_head.resize(got * static_cast<std::size_t>(m_channels));
    m_headWhole = got < headFrames;
    m_decoderEnd = m_headWhole;
    if (m_channels > 2)
        m_fold = FoldMatrix(m_channels);
    m_mix.outBuf.assign(kMaxBlock * 2, 0.f);
    m_peaks.Allocate(kPeakMaxFrames * static_cast<std::size_t>(m_channels));
    m_gains.store(PackGains(1.f, 1.f));
}

CAdxVoice::~CAdxVoice() {
    if (m_callback)
        m_callback->Release();
}

bool CAdxVoice::Produce(std::size_t maxFrames) {
    bool worked = false;
    const std::uint64_t req = m_seekRequest.load(std::memory_order_acquire);
    const std::uint32_t gen = GenOf(req);
    if (gen != m_decoderGen) {
        m_decoderGen = gen;
        worked = true;
        if (!m_headWhole) {
            m_source->Seek(static_cast<std::int64_t>(IndexOf(req)));
            m_decoderEnd = m_source->AtEnd();
            if (const int failure = m_source->Failure())
                m_failure.store(failure, std::memory_order_relaxed);
        }
        const std::uint64_t w = m_ring.WriteIndex();
        // Release: the mixer that sees this gen's cue (or end) finds the ring state behind it.
        m_cue.store(PackGen(gen, w), std::memory_order_release);
        if (m_decoderEnd)
            m_eof.store(PackGen(gen, w), std::memory_order_release);
    }
    if (!m_decoderEnd) {
        const std::size_t free = m_ring.Free();
        if (free >= std::min(kMinFill, m_ring.Capacity())) {
            std::size_t n = std::min(free, maxFrames);
            std::int16_t* p = m_ring.WritePtr(n);
            const std::size_t got = m_source->Read(p, n);
            if (got > 0)
                m_ring.Commit(got);
            if (got < n && !m_source->Waiting()) {
                m_decoderEnd = true;
                if (const int failure = m_source->Failure())
                    m_failure.store(failure, std::memory_order_relaxed);
                m_eof.store(PackGen(m_decoderGen, m_ring.WriteIndex()), std::memory_order_release);
            }
            // A source still waiting did nothing: the worker rests instead of asking again at once.
            worked = worked || got > 0 || m_decoderEnd;
        }
    }
    if (worked) {
        // Release: an offline render waiting on the counter sees everything published above.
        m_progress.fetch_add(1, std::memory_order_release);
        m_progress.notify_all();
    }
    return worked;
}

} // namespace playkit
