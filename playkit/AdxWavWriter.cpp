#include "playkit/AdxWavWriter.h"

#include "playkit/AdxEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace playkit {
namespace {
void Put16(std::uint8_t*& p, std::uint16_t v) {
    *p++ = static_cast<std::uint8_t>(v);
    *p++ = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t*& p, std::uint32_t v) {
    Put16(p, static_cast<std::uint16_t>(v));
    Put16(p, static_cast<std::uint16_t>(v >> 16));
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr unsigned kMaxChannels = 2 * kAdxMaxOutputPairs;
constexpr std::size_t kMaxHeaderBytes = 68;
// KSDATAFORMAT_SUBTYPE_PCM after its first two bytes (the format tag).
constexpr std::uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// The speaker positions in order, one bit each: front left and right, centre, LFE, back, ... There
// are 18 of them; channels beyond those have no position.
constexpr unsigned kSpeakerPositions = 18;
std::uint32_t ChannelMask(unsigned channels) {
    const unsigned n = std::min(channels, kSpeakerPositions);
    return static_cast<std::uint32_t>((std::uint64_t{1} << n) - 1);
}
} // namespace

bool CAdxWavWriter::Open(const std::string& path, unsigned rate, unsigned channels) {
    Close();
    if (channels < 1 || channels > kMaxChannels)
        return false;
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return false;
    m_rate = rate;
    m_channels = channels;
    m_frames = 0;
    return WriteHeader();
}

bool CAdxWavWriter::WriteHeader() {
    const bool extensible = m_channels > 2;
    const std::uint32_t fmtBytes = extensible ? 40 : 16;
    const std::uint32_t headerBytes = 20 + fmtBytes + 8; // RIFF, WAVE, fmt chunk, data chunk header
    const std::uint32_t block = 2 * m_channels;
    std::uint8_t h[kMaxHeaderBytes];
    std::uint8_t* p = h;
    const std::uint64_t bytes = std::min<std::uint64_t>(m_frames * block, 0xFFFFFFFFull - (headerBytes - 8));
    // Whole frames only, also where the 4 GB limit cuts the count.
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(bytes / block * block);
    std::memcpy(p, "RIFF", 4);
    p += 4;
    Put32(p, headerBytes - 8 + dataBytes);
    std::memcpy(p, "WAVEfmt ", 8);
    p += 8;
    Put32(p, fmtBytes);
    Put16(p, extensible ? kFormatExtensible : kFormatPcm);
    Put16(p, static_cast<std::uint16_t>(m_channels));
    Put32(p, m_rate);
    Put32(p, m_rate * block);
    Put16(p, static_cast<std::uint16_t>(block));
    Put16(p, 16);
    if (extensible) {
        Put16(p, 22); // extension size
        Put16(p, 16); // valid bits per sample
        Put32(p, ChannelMask(m_channels));
        Put16(p, kFormatPcm); // sub-format GUID: the PCM tag, then the fixed tail
        std::memcpy(p, kGuidTail, sizeof kGuidTail);
        p += sizeof kGuidTail;
    }
    std::memcpy(p, "data", 4);
    p += 4;
    Put32(p, dataBytes);
    return std::fseek(m_file, 0, SEEK_SET) == 0 && std::fwrite(h, 1, headerBytes, m_file) == headerBytes;
}

bool CAdxWavWriter::Write(const float* frames, std::size_t count) {
    if (!m_file)
        return false;
    const std::size_t samples = count * m_channels;
    m_buffer.resize(samples);
    for (std::size_t i = 0; i < samples; ++i)
        m_buffer[i] =
            static_cast<std::int16_t>(std::lrintf(std::clamp(frames[i] * 32768.0f, -32768.0f, 32767.0f)));
    return WritePcm(m_buffer.data(), count);
}

bool CAdxWavWriter::WritePcm(const std::int16_t* frames, std::size_t count) {
    if (!m_file)
        return false;
    const std::size_t samples = count * m_channels;
    if (std::fwrite(frames, sizeof(std::int16_t), samples, m_file) != samples)
        return false;
    m_frames += count;
    return true;
}

bool CAdxWavWriter::Sync() {
    if (!m_file || std::fflush(m_file) != 0)
        return false;
    const bool ok = WriteHeader() && std::fflush(m_file) == 0;
    return std::fseek(m_file, 0, SEEK_END) == 0 && ok;
}

bool CAdxWavWriter::Close() {
    if (!m_file)
        return true;
    bool ok = WriteHeader();
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    return ok;
}

} // namespace playkit
