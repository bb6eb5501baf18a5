#include "playkit/AdxMidiSource.h"

#include "playkit/AdxSynthPool.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fluidsynth.h>
#include <fstream>
#include <utility>

namespace playkit {
namespace {
constexpr std::size_t kRenderChunk = 1024;
constexpr std::size_t kMaxMidiBytes = 64u << 20;
// Closer to the start than this, a seek renders from the beginning and drops the frames before
// the target: exact, notes sounding at the target included. Further on, the controllers and
// programs are replayed without rendering and the notes begin at the target.
constexpr double kExactSeekSeconds = 30.0;
// The limiter that keeps many loud channels from clipping: it holds peaks at -1 dBFS, taking the
// gain down at once and giving it back over about 100 ms.
constexpr float kLimitThreshold = 0.891f;
constexpr double kLimitReleaseSeconds = 0.1;
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
    if (error != 0)
        return nullptr;
    // Still loading: what can be known now is checked now, the rest is reported by the stream.
    if (!src->m_synth && !CAdxSynthPool::SoundFontReadable()) {
        error = FLUID_FAILED;
        return nullptr;
    }
    src->m_channels = 2;
    src->m_rate = pool.SampleRate();
    // The sequence's own length: the end is announced when its last event has played, so that a
    // repeat follows on without a gap. A file whose events all lie at its start still plays a frame.
    src->m_totalFrames =
        std::max<std::int64_t>(static_cast<std::int64_t>(std::ceil(src->m_file.Length() * src->m_rate)), 1);
    src->m_scratch.resize(kRenderChunk * 2);
    src->m_release = static_cast<float>(1.0 - std::exp(-1.0 / (kLimitReleaseSeconds * src->m_rate)));
    src->m_cursors.reserve(src->m_file.Tracks().size());
    src->Restart();
    error = 0;
    return src;
}

CAdxMidiSource::~CAdxMidiSource() {
    if (m_retired)
        m_pool.Release(m_retired);
    if (m_synth)
        m_pool.Release(m_synth);
}

bool CAdxMidiSource::TakeSynth() {
    int error = 0;
    m_synth = m_pool.Acquire(error);
    if (!m_synth && error != 0) {
        m_failure = error;
        m_atEnd = true;
    }
    return m_synth != nullptr;
}

bool CAdxMidiSource::Restart() {
    // A synth that has not sounded yet is as fresh as a new one: going back to the top costs nothing.
    if (m_synth && m_touched) {
        // Every play from the top on a fresh synth, so that it sounds the same each time.
        int error = 0;
        if (fluid_synth_t* fresh = m_pool.Acquire(error)) {
            // Letting a synth go costs a new spare, milliseconds: it waits until the first frames of
            // the new position are out, so that a sound that starts again from its short head (a
            // repeat) does not wait for it.
            if (m_retired) // a restart before any read since the last: this one goes now
                m_pool.Release(m_retired);
            m_retired = m_synth;
            m_holdRetired = true;
            m_synth = fresh;
            m_touched = false;
        } else {
            fluid_synth_system_reset(m_synth);
        }
    }
    m_frame = 0;
    m_limit = 1.0f;
    m_atEnd = m_totalFrames == 0;
    m_cursors.clear();
    for (const CAdxMidiFile::Span& t : m_file.Tracks()) {
        Cursor c{m_bytes.data() + t.offset, m_bytes.data() + t.offset + t.length, 0, 0, 0, false};
        ReadDelta(c);
        m_cursors.push_back(c);
    }
    return true;
}

void CAdxMidiSource::ReadDelta(Cursor& c) {
    std::uint32_t delta = 0;
    if (c.done || !ReadMidiVar(c.p, c.end, delta) || c.p >= c.end) {
        c.done = true;
        return;
    }
    c.tick += delta;
    c.frame = static_cast<std::int64_t>(std::llround(m_file.TickToSeconds(c.tick) * m_rate));
}

void CAdxMidiSource::Dispatch(Cursor& c, bool withNotes) {
    std::uint8_t status = *c.p;
    if (status & 0x80)
        ++c.p;
    else if (c.status)
        status = c.status; // running status
    else {
        c.done = true; // a data byte with no status: the track is damaged, stop reading it
        return;
    }
    if (status == 0xFF) {
        std::uint32_t len = 0;
        const std::uint8_t type = c.p < c.end ? *c.p++ : 0;
        if (!ReadMidiVar(c.p, c.end, len) || static_cast<std::size_t>(c.end - c.p) < len) {
            c.done = true;
            return;
        }
        c.p += len;
        c.status = 0;
        if (type == 0x2F) { // end of track
            c.done = true;
            return;
        }
    } else if (status == 0xF0 || status == 0xF7) {
        std::uint32_t len = 0;
        if (!ReadMidiVar(c.p, c.end, len) || static_cast<std::size_t>(c.end - c.p) < len) {
            c.done = true;
            return;
        }
        // FluidSynth takes a system exclusive message without its framing bytes.
        if (status == 0xF0 && len > 0) {
            const int n = static_cast<int>(c.p[len - 1] == 0xF7 ? len - 1 : len);
            m_touched = true;
            fluid_synth_sysex(m_synth, reinterpret_cast<const char*>(c.p), n, nullptr, nullptr, nullptr, 0);
        }
        c.p += len;
        c.status = 0;
    } else {
        const int kind = status & 0xF0;
        const int ch = status & 0x0F;
        const int size = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (c.end - c.p < size) {
            c.done = true;
            return;
        }
        const int a = c.p[0] & 0x7F;
        const int b = size == 2 ? c.p[1] & 0x7F : 0;
        c.p += size;
        c.status = status;
        m_touched = true;
        switch (kind) {
        case 0x80:
            fluid_synth_noteoff(m_synth, ch, a);
            break;
        case 0x90:
            if (b == 0)
                fluid_synth_noteoff(m_synth, ch, a);
            else if (withNotes)
                fluid_synth_noteon(m_synth, ch, a, b);
            break;
        case 0xA0:
            fluid_synth_key_pressure(m_synth, ch, a, b);
            break;
        case 0xB0:
            fluid_synth_cc(m_synth, ch, a, b);
            break;
        case 0xC0:
            fluid_synth_program_change(m_synth, ch, a);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(m_synth, ch, a);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(m_synth, ch, (b << 7) | a);
            break;
        default:
            break;
        }
    }
    ReadDelta(c);
}

std::int64_t CAdxMidiSource::NextEventFrame() const {
    std::int64_t next = INT64_MAX;
    for (const Cursor& c : m_cursors)
        if (!c.done)
            next = std::min(next, c.frame);
    return next;
}

std::size_t CAdxMidiSource::Read(std::int16_t* dst, std::size_t frames) {
    if (!m_synth && !TakeSynth())
        return 0;
    if (m_pendingSeek >= 0)
        Seek(m_pendingSeek);
    if (m_retired && !m_holdRetired) {
        m_pool.Release(m_retired);
        m_retired = nullptr;
    }
    const std::size_t done = Render(dst, frames);
    m_holdRetired = false;
    return done;
}

std::size_t CAdxMidiSource::Render(std::int16_t* dst, std::size_t frames) {
    std::size_t done = 0;
    while (done < frames && m_frame < m_totalFrames) {
        // Every event due by now goes to the synth before the frames after it are rendered.
        for (Cursor& c : m_cursors)
            while (!c.done && c.frame <= m_frame)
                Dispatch(c, true);
        const std::int64_t next = NextEventFrame();
        const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(
            {static_cast<std::int64_t>(frames - done), static_cast<std::int64_t>(kRenderChunk),
             m_totalFrames - m_frame, std::max<std::int64_t>(next - m_frame, 1)}));
        float* buf = m_scratch.data();
        m_touched = true;
        fluid_synth_write_float(m_synth, static_cast<int>(n), buf, 0, 2, buf, 1, 2);
        for (std::size_t i = 0; i < n; ++i) {
            const float peak = std::max(std::fabs(buf[2 * i]), std::fabs(buf[2 * i + 1]));
            m_limit += (1.0f - m_limit) * m_release;
            if (peak * m_limit > kLimitThreshold)
                m_limit = kLimitThreshold / peak;
            for (std::size_t c = 0; c < 2; ++c) {
                const float v = std::clamp(buf[2 * i + c] * m_limit * 32768.0f, -32768.0f, 32767.0f);
                dst[(done + i) * 2 + c] = static_cast<std::int16_t>(std::lrintf(v));
            }
        }
        done += n;
        m_frame += static_cast<std::int64_t>(n);
    }
    m_atEnd = m_frame >= m_totalFrames;
    return done;
}

void CAdxMidiSource::Seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, m_totalFrames);
    if (!m_synth && !TakeSynth()) {
        m_pendingSeek = frame;
        return;
    }
    m_pendingSeek = -1;
    Restart();
    if (frame > static_cast<std::int64_t>(kExactSeekSeconds * m_rate)) {
        // Replay what sets the scene (programs, controllers, bends) up to the target, then play on.
        for (Cursor& c : m_cursors)
            while (!c.done && c.frame < frame)
                Dispatch(c, false);
        m_frame = frame;
        m_atEnd = m_frame >= m_totalFrames;
        return;
    }
    std::vector<std::int16_t> scratch(kRenderChunk * 2);
    while (m_frame < frame)
        Render(scratch.data(),
               std::min<std::size_t>(kRenderChunk, static_cast<std::size_t>(frame - m_frame)));
}

} // namespace playkit
