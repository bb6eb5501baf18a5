#include "playkit/AdxMidiFile.h"

#include <algorithm>

namespace playkit {
namespace {
constexpr std::uint32_t kDefaultTempo = 500000; // 120 beats a minute

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

} // namespace

bool ReadMidiVar(const std::uint8_t*& p, const std::uint8_t* end, std::uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end)
            return false;
        const std::uint8_t b = *p++;
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

bool CAdxMidiFile::Parse(const std::vector<std::uint8_t>& bytes) {
    m_tempi.clear();
    m_tracks.clear();
    m_lastTick = 0;
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* end = p + bytes.size();
    // A RIFF-wrapped file (RMID) carries the standard file in its "data" chunk.
    if (bytes.size() >= 20 && std::equal(p, p + 4, "RIFF") && std::equal(p + 8, p + 12, "RMID"))
        p += 20;
    if (end - p < 14 || !std::equal(p, p + 4, "MThd"))
        return false;
    const std::uint32_t hlen = Be32(p + 4);
    if (hlen < 6 || static_cast<std::size_t>(end - p) < 8 + hlen)
        return false;
    const int tracks = (p[10] << 8) | p[11];
    const int division = (p[12] << 8) | p[13];
    if (division & 0x8000) {
        const int fps = -static_cast<std::int8_t>(p[12]);
        const int perFrame = p[13];
        if (fps <= 0 || perFrame <= 0)
            return false;
        m_smpteTickSeconds = 1.0 / (fps == 29 ? 29.97 : fps) / perFrame;
    } else {
        if (division == 0)
            return false;
        m_division = division;
    }
    p += 8 + hlen;
    int parsed = 0;
    while (parsed < tracks && end - p >= 8) {
        const std::uint32_t len = Be32(p + 4);
        const bool isTrack = std::equal(p, p + 4, "MTrk");
        p += 8;
        const std::size_t have = std::min<std::size_t>(len, static_cast<std::size_t>(end - p));
        if (isTrack) {
            m_tracks.push_back({static_cast<std::size_t>(p - bytes.data()), have});
            ParseTrack(p, have);
            ++parsed;
        }
        p += have;
    }
    if (parsed == 0)
        return false;
    std::stable_sort(m_tempi.begin(), m_tempi.end(),
                     [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
    return true;
}

bool CAdxMidiFile::ParseTrack(const std::uint8_t* p, std::size_t len) {
    const std::uint8_t* end = p + len;
    std::uint64_t tick = 0;
    std::uint8_t status = 0;
    while (p < end) {
        std::uint32_t delta = 0;
        if (!ReadMidiVar(p, end, delta))
            break;
        tick += delta;
        if (p >= end)
            break;
        std::uint8_t b = *p;
        if (b & 0x80) {
            status = b;
            ++p;
        } else if (status == 0) {
            break; // data byte without a running status: damaged track
        }
        if (status == 0xFF) {
            if (p >= end)
                break;
            const std::uint8_t type = *p++;
            std::uint32_t mlen = 0;
            if (!ReadMidiVar(p, end, mlen) || static_cast<std::size_t>(end - p) < mlen)
                break;
            const std::uint32_t tempo =
                mlen == 3 ? (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2] : 0;
            if (type == 0x51 && tempo > 0)
                m_tempi.push_back({tick, tempo});
            p += mlen;
            m_lastTick = std::max(m_lastTick, tick);
            if (type == 0x2F)
                break;
            status = 0; // meta events cancel running status
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t slen = 0;
            if (!ReadMidiVar(p, end, slen) || static_cast<std::size_t>(end - p) < slen)
                break;
            p += slen;
            m_lastTick = std::max(m_lastTick, tick);
            status = 0;
            continue;
        }
        const int kind = status & 0xF0;
        const int data = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (end - p < data)
            break;
        p += data;
        m_lastTick = std::max(m_lastTick, tick);
    }
    return true;
}

double CAdxMidiFile::TickToSeconds(std::uint64_t tick) const {
    if (m_smpteTickSeconds > 0)
        return static_cast<double>(tick) * m_smpteTickSeconds;
    double seconds = 0;
    std::uint64_t at = 0;
    std::uint32_t tempo = kDefaultTempo;
    for (const Tempo& t : m_tempi) {
        if (t.tick >= tick)
            break;
        seconds += static_cast<double>(t.tick - at) * tempo / 1e6 / m_division;
        at = t.tick;
        tempo = t.usPerQuarter;
    }
    return seconds + static_cast<double>(tick - at) * tempo / 1e6 / m_division;
}

std::uint64_t CAdxMidiFile::SecondsToTick(double seconds) const {
    if (seconds <= 0)
        return 0;
    if (m_smpteTickSeconds > 0)
        return static_cast<std::uint64_t>(seconds / m_smpteTickSeconds);
    double at = 0;
    std::uint64_t tick = 0;
    std::uint32_t tempo = kDefaultTempo;
    for (const Tempo& t : m_tempi) {
        const double span = static_cast<double>(t.tick - tick) * tempo / 1e6 / m_division;
        if (at + span > seconds)
            break;
        at += span;
        tick = t.tick;
        tempo = t.usPerQuarter;
    }
    return tick + static_cast<std::uint64_t>((seconds - at) * 1e6 * m_division / tempo);
}

} // namespace playkit
