#include "playkit/AdxFfmpegSource.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace playkit {
namespace {
// Seeks closer to the start than this rewind to 0 and decode forward: exact for every format,
// including the encoder delay of mp3 and AAC, and still only milliseconds of work.
constexpr double kLinearSeekSeconds = 3.0;
} // namespace

std::unique_ptr<CAdxFfmpegSource> CAdxFfmpegSource::Open(const std::string& path, int& error) {
    // A player reports through its results; FFmpeg's own chatter would only fill the terminal.
    av_log_set_level(AV_LOG_QUIET);
    std::unique_ptr<CAdxFfmpegSource> src(new CAdxFfmpegSource(path));
    double stated = -1.0;
    error = src->OpenFile(&stated);
    if (error < 0)
        return nullptr;
    // A length the container's header states (after the encoder's delay and padding are trimmed)
    // is taken as it is; a missing one (an mp3 without a VBR header, a stream without an index)
    // is measured by counting packets when first asked for.
    // mp3 headers count whole frames, the encoder's delay and padding included: count packets.
    if (stated > 0.0 && src->m_dec->codec_id != AV_CODEC_ID_MP3)
        src->m_duration = stated;
    else
        src->m_durationEstimated = true;
    return src;
}

CAdxFfmpegSource::~CAdxFfmpegSource() {
    CloseFile();
}

int CAdxFfmpegSource::OpenFile(double* stated) {
    int r = avformat_open_input(&m_fmt, m_path.c_str(), nullptr, nullptr);
    if (r < 0)
        return r;
    // Most containers describe their audio in the header. Probing packets for what is already known
    // costs milliseconds (for PCM, many of them), so do it only where the header says too little.
    const AVCodec* codec = nullptr;
    r = av_find_best_stream(m_fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    const bool described = r >= 0 && m_fmt->streams[r]->codecpar->sample_rate > 0 &&
                           m_fmt->streams[r]->codecpar->ch_layout.nb_channels > 0;
    // The header's own length, before probing replaces it with an estimate from time stamps that
    // still count the encoder's padding.
    for (unsigned i = 0; stated && i < m_fmt->nb_streams; ++i) {
        const AVStream* st = m_fmt->streams[i];
        if (st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO || (r >= 0 && static_cast<int>(i) != r))
            continue;
        if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
            *stated = static_cast<double>(st->duration) * av_q2d(st->time_base);
        break;
    }
    if (!described) {
        r = avformat_find_stream_info(m_fmt, nullptr);
        if (r < 0)
            return r;
        r = av_find_best_stream(m_fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (r < 0)
            return r;
    }
    m_stream = r;
    for (unsigned i = 0; i < m_fmt->nb_streams; ++i)
        if (static_cast<int>(i) != m_stream)
            m_fmt->streams[i]->discard = AVDISCARD_ALL;
    m_dec = avcodec_alloc_context3(codec);
    if (!m_dec)
        return AVERROR(ENOMEM);
    r = avcodec_parameters_to_context(m_dec, m_fmt->streams[m_stream]->codecpar);
    if (r < 0)
        return r;
    m_dec->thread_count = 1;
    r = avcodec_open2(m_dec, codec, nullptr);
    if (r < 0)
        return r;
    if (m_dec->ch_layout.nb_channels < 1 || m_dec->sample_rate < 1)
        return AVERROR_INVALIDDATA;
    if (m_channels == 0) {
        m_channels = m_dec->ch_layout.nb_channels;
        m_rate = m_dec->sample_rate;
    }
    m_pkt = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (!m_pkt || !m_frame)
        return AVERROR(ENOMEM);
    m_draining = false;
    m_atEnd = false;
    m_pending.clear();
    m_pendingPos = 0;
    m_pendingFrame = 0;
    return 0;
}

void CAdxFfmpegSource::CloseFile() {
    swr_free(&m_swr);
    m_swrFormat = -1;
    av_frame_free(&m_frame);
    av_packet_free(&m_pkt);
    avcodec_free_context(&m_dec);
    avformat_close_input(&m_fmt);
}

bool CAdxFfmpegSource::Convert() {
    const int frames = m_frame->nb_samples;
    const int inChannels = m_frame->ch_layout.nb_channels;
    if (frames <= 0 || inChannels < 1)
        return true;
    const std::size_t base = m_pending.size();
    if (m_frame->format == AV_SAMPLE_FMT_S16 && inChannels == m_channels && m_frame->sample_rate == m_rate) {
        const std::size_t n = static_cast<std::size_t>(frames) * static_cast<std::size_t>(m_channels);
        m_pending.resize(base + n);
        std::memcpy(m_pending.data() + base, m_frame->data[0], n * sizeof(std::int16_t));
        return true;
    }
    if (!m_swr || m_swrFormat != m_frame->format || m_swrRate != m_frame->sample_rate ||
        m_swrChannels != inChannels) {
        swr_free(&m_swr);
        AVChannelLayout outLayout{};
        if (inChannels == m_channels)
            av_channel_layout_copy(&outLayout, &m_frame->ch_layout);
        else
            av_channel_layout_default(&outLayout, m_channels);
        const int r = swr_alloc_set_opts2(&m_swr, &outLayout, AV_SAMPLE_FMT_S16, m_rate, &m_frame->ch_layout,
                                          static_cast<AVSampleFormat>(m_frame->format), m_frame->sample_rate,
                                          0, nullptr);
        av_channel_layout_uninit(&outLayout);
        if (r < 0 || swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            m_lastError = r < 0 ? r : AVERROR(EINVAL);
            return false;
        }
        m_swrFormat = m_frame->format;
        m_swrRate = m_frame->sample_rate;
        m_swrChannels = inChannels;
    }
    const int cap = swr_get_out_samples(m_swr, frames);
    m_pending.resize(base + static_cast<std::size_t>(cap) * static_cast<std::size_t>(m_channels));
    auto* out = reinterpret_cast<std::uint8_t*>(m_pending.data() + base);
    const int got =
        swr_convert(m_swr, &out, cap, const_cast<const std::uint8_t**>(m_frame->extended_data), frames);
    m_pending.resize(base +
                     static_cast<std::size_t>(std::max(got, 0)) * static_cast<std::size_t>(m_channels));
    return got >= 0;
}

bool CAdxFfmpegSource::DecodeMore() {
    if (m_atEnd || !m_dec)
        return false;
    for (;;) {
        int r = avcodec_receive_frame(m_dec, m_frame);
        if (r == 0) {
            const bool ok = Convert();
            av_frame_unref(m_frame);
            if (!ok) {
                m_atEnd = true;
                return false;
            }
            return true;
        }
        if (r == AVERROR_EOF) {
            m_atEnd = true;
            return false;
        }
        if (r != AVERROR(EAGAIN)) {
            m_lastError = r;
            m_atEnd = true;
            return false;
        }
        if (m_draining) {
            m_atEnd = true;
            return false;
        }
        r = av_read_frame(m_fmt, m_pkt);
        if (r < 0) {
            if (r != AVERROR_EOF)
                m_lastError = r;
            avcodec_send_packet(m_dec, nullptr);
            m_draining = true;
            continue;
        }
        if (m_pkt->stream_index == m_stream) {
            r = avcodec_send_packet(m_dec, m_pkt);
            // A damaged packet is skipped; the stream goes on with the next one.
            if (r < 0 && r != AVERROR(EAGAIN))
                m_lastError = r;
            else if (r == 0)
                m_lastError = 0;
        }
        av_packet_unref(m_pkt);
    }
}

std::size_t CAdxFfmpegSource::Read(std::int16_t* dst, std::size_t frames) {
    std::size_t done = 0;
    const std::size_t ch = static_cast<std::size_t>(m_channels);
    while (done < frames) {
        if (m_pendingPos >= m_pending.size()) {
            m_pending.clear();
            m_pendingPos = 0;
            if (!DecodeMore())
                break;
            continue;
        }
        const std::size_t avail = (m_pending.size() - m_pendingPos) / ch;
        const std::size_t n = std::min(avail, frames - done);
        std::memcpy(dst + done * ch, m_pending.data() + m_pendingPos, n * ch * sizeof(std::int16_t));
        m_pendingPos += n * ch;
        done += n;
    }
    if (done < frames)
        m_atEnd = true;
    m_pendingFrame += static_cast<std::int64_t>(done);
    return done;
}

void CAdxFfmpegSource::Seek(std::int64_t frame) {
    frame = std::max<std::int64_t>(frame, 0);
    const double seconds = static_cast<double>(frame) / m_rate;
    bool linear = seconds < kLinearSeekSeconds;
    if (!linear && m_fmt && m_dec) {
        const AVStream* st = m_fmt->streams[m_stream];
        const std::int64_t start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
        // Land a little early so that the decoder has settled when the target frame comes.
        const std::int64_t ts =
            start + av_rescale_q(frame - m_rate / 2, AVRational{1, m_rate}, st->time_base);
        if (av_seek_frame(m_fmt, m_stream, ts, AVSEEK_FLAG_BACKWARD) >= 0) {
            avcodec_flush_buffers(m_dec);
            m_pending.clear();
            m_pendingPos = 0;
            m_draining = false;
            m_atEnd = false;
            // Find where we landed from the first frame's time stamp, then drop up to the target.
            for (;;) {
                int r = avcodec_receive_frame(m_dec, m_frame);
                if (r == 0) {
                    const std::int64_t pts = m_frame->best_effort_timestamp;
                    if (pts == AV_NOPTS_VALUE) {
                        av_frame_unref(m_frame);
                        linear = true;
                        break;
                    }
                    const std::int64_t at = av_rescale_q(pts - start, st->time_base, AVRational{1, m_rate});
                    const std::int64_t n = m_frame->nb_samples;
                    Convert();
                    av_frame_unref(m_frame);
                    if (at + n <= frame) {
                        m_pending.clear();
                        continue;
                    }
                    const std::int64_t skip = std::clamp<std::int64_t>(frame - at, 0, n);
                    m_pendingPos = std::min(m_pending.size(), static_cast<std::size_t>(skip) * m_channels);
                    m_pendingFrame = frame;
                    return;
                }
                if (r != AVERROR(EAGAIN)) {
                    // Past the end: nothing more to play.
                    m_atEnd = true;
                    m_pendingFrame = frame;
                    return;
                }
                r = av_read_frame(m_fmt, m_pkt);
                if (r < 0) {
                    avcodec_send_packet(m_dec, nullptr);
                    m_draining = true;
                    continue;
                }
                if (m_pkt->stream_index == m_stream)
                    avcodec_send_packet(m_dec, m_pkt);
                av_packet_unref(m_pkt);
            }
        } else {
            linear = true;
        }
    }
    if (linear) {
        CloseFile();
        if (OpenFile() < 0) {
            m_atEnd = true;
            return;
        }
        std::int16_t scratch[4096];
        const std::size_t per = sizeof(scratch) / sizeof(scratch[0]) / static_cast<std::size_t>(m_channels);
        std::int64_t left = frame;
        while (left > 0 && !m_atEnd) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(per)));
            const std::size_t got = Read(scratch, want);
            left -= static_cast<std::int64_t>(got);
            if (got < want)
                break;
        }
        m_pendingFrame = frame;
    }
}

double CAdxFfmpegSource::Duration() {
    if (m_durationEstimated) {
        // The container only guessed the length from the bit rate: count the packets instead.
        const double scanned = ScanDuration();
        if (scanned > 0.0)
            m_duration = scanned;
        m_durationEstimated = false;
    }
    return m_duration;
}

double CAdxFfmpegSource::ScanDuration() const {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, m_path.c_str(), nullptr, nullptr) < 0)
        return -1.0;
    double seconds = -1.0;
    // A context of its own (the decoder worker owns the other), and the stream found afresh.
    const int stream = avformat_find_stream_info(fmt, nullptr) >= 0
                           ? av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)
                           : -1;
    if (stream >= 0) {
        const AVStream* st = fmt->streams[stream];
        for (unsigned i = 0; i < fmt->nb_streams; ++i)
            if (static_cast<int>(i) != stream)
                fmt->streams[i]->discard = AVDISCARD_ALL;
        AVPacket* pkt = av_packet_alloc();
        std::int64_t total = 0;
        std::int64_t trimmed = 0; // samples the decoder drops: encoder delay and padding
        std::int64_t first = AV_NOPTS_VALUE;
        std::int64_t end = AV_NOPTS_VALUE;
        while (pkt && av_read_frame(fmt, pkt) >= 0) {
            if (pkt->stream_index == stream) {
                total += pkt->duration;
                std::size_t size = 0;
                if (const std::uint8_t* skip = av_packet_get_side_data(pkt, AV_PKT_DATA_SKIP_SAMPLES, &size);
                    skip && size >= 8)
                    trimmed += static_cast<std::int64_t>(AV_RL32(skip)) +
                               static_cast<std::int64_t>(AV_RL32(skip + 4));
                if (pkt->pts != AV_NOPTS_VALUE) {
                    if (first == AV_NOPTS_VALUE)
                        first = pkt->pts;
                    end = std::max(end == AV_NOPTS_VALUE ? pkt->pts : end, pkt->pts + pkt->duration);
                }
            }
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
        const int rate = st->codecpar->sample_rate > 0 ? st->codecpar->sample_rate : m_rate;
        if (total > 0)
            seconds =
                static_cast<double>(total) * av_q2d(st->time_base) - static_cast<double>(trimmed) / rate;
        else if (first != AV_NOPTS_VALUE)
            seconds = static_cast<double>(end - first) * av_q2d(st->time_base);
    }
    avformat_close_input(&fmt);
    return seconds;
}

} // namespace playkit
