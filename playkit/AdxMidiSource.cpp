#include "playkit/AdxMidiSource.h"

#include "playkit/AdxSynthPool.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fluidsynth.h>
#include <fstream>
#include <iterator>

namespace playkit {
namespace {
constexpr std::size_t kRenderChunk = 1024;
constexpr std::size_t kMaxMidiBytes = 64u << 20;
// Closer to the start than this, a seek renders from the beginning and drops the frames before
// the target: exact, notes sounding at the target included. Further on, the player's own seek
// (which cannot restart notes that began earlier) keeps the worker from rendering minutes.
constexpr double kExactSeekSeconds = 30.0;
} // namespace

std::unique_ptr<CAdxMidiSource> CAdxMidiSource::Open(const std::string& path, CAdxSynthPool& pool,
                                                     int& error) {
    std::unique_ptr<CAdxMidiSource> src(new CAdxMidiSource(pool));
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = -ENOENT;
        return nullptr;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::size_t>(size) > kMaxMidiBytes) {
        error = FLUID_FAILED;
        return nullptr;
    }
    in.seekg(0);
    src->m_bytes.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(src->m_bytes.data()), size);
    if (!in || !src->m_file.Parse(src->m_bytes)) {
        error = FLUID_FAILED;
        return nullptr;
    }
    src->m_synth = pool.Acquire(error);
    if (!src->m_synth)
        return nullptr;
    src->m_channels = 2;
    src->m_rate = pool.SampleRate();
    src->m_totalFrames =
        static_cast<std::int64_t>(std::ceil((src->m_file.Length() + kTailSeconds) * src->m_rate));
    src->m_scratch.resize(kRenderChunk * 2);
    if (!src->StartPlayer(0)) {
        error = FLUID_FAILED;
        return nullptr;
    }
    error = 0;
    return src;
}

CAdxMidiSource::~CAdxMidiSource() {
    if (m_player) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
    }
    m_pool.Release(m_synth);
}

bool CAdxMidiSource::StartPlayer(std::int64_t frame) {
    if (m_player) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
        m_player = nullptr;
    }
    if (m_frame != 0 || m_started) {
        // Every play from the start on a fresh synth, so that it sounds the same each time.
        int error = 0;
        if (fluid_synth_t* fresh = m_pool.Acquire(error)) {
            m_pool.Release(m_synth);
            m_synth = fresh;
        } else {
            fluid_synth_system_reset(m_synth);
        }
    }
    m_started = true;
    m_scratchPos = m_scratchLen = 0;
    m_frame = frame;
    m_atEnd = frame >= m_totalFrames;
    m_player = new_fluid_player(m_synth);
    if (!m_player || fluid_player_add_mem(m_player, m_bytes.data(), m_bytes.size()) != FLUID_OK)
        return false;
    if (frame > 0)
        fluid_player_seek(m_player,
                          static_cast<int>(m_file.SecondsToTick(static_cast<double>(frame) / m_rate)));
    return fluid_player_play(m_player) == FLUID_OK;
}

std::size_t CAdxMidiSource::Read(std::int16_t* dst, std::size_t frames) {
    std::size_t done = 0;
    while (done < frames && m_frame < m_totalFrames) {
        if (m_scratchPos == m_scratchLen) {
            // Always whole chunks: the synth then stays on the same 64-frame grid relative to the
            // start of the file, so events fall on the same frames on every play.
            fluid_synth_write_float(m_synth, static_cast<int>(kRenderChunk), m_scratch.data(), 0, 2,
                                    m_scratch.data(), 1, 2);
            m_scratchPos = 0;
            m_scratchLen = kRenderChunk;
        }
        const std::size_t n = std::min<std::size_t>(
            {frames - done, m_scratchLen - m_scratchPos, static_cast<std::size_t>(m_totalFrames - m_frame)});
        const float* buf = m_scratch.data() + m_scratchPos * 2;
        for (std::size_t i = 0; i < n * 2; ++i) {
            const float v = std::clamp(buf[i] * 32768.0f, -32768.0f, 32767.0f);
            dst[done * 2 + i] = static_cast<std::int16_t>(std::lrintf(v));
        }
        m_scratchPos += n;
        done += n;
        m_frame += static_cast<std::int64_t>(n);
    }
    m_atEnd = m_frame >= m_totalFrames;
    return done;
}

void CAdxMidiSource::Seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, m_totalFrames);
    if (frame > static_cast<std::int64_t>(kExactSeekSeconds * m_rate)) {
        StartPlayer(frame);
        return;
    }
    StartPlayer(0);
    std::vector<std::int16_t> scratch(kRenderChunk * 2);
    while (m_frame < frame)
        Read(scratch.data(), std::min<std::size_t>(kRenderChunk, static_cast<std::size_t>(frame - m_frame)));
}

} // namespace playkit
