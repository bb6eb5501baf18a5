#include "playkit/AdxWavWriter.h"

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
} // namespace

bool CAdxWavWriter::Open(const std::string& path, unsigned rate) {
    Close();
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return false;
    m_rate = rate;
    m_frames = 0;
    return WriteHeader();
}

bool CAdxWavWriter::WriteHeader() {
    std::uint8_t h[44];
    std::uint8_t* p = h;
    const std::uint64_t bytes = std::min<std::uint64_t>(m_frames * 4, 0xFFFFFFFFull - 36);
    std::memcpy(p, "RIFF", 4);
    p += 4;
    Put32(p, static_cast<std::uint32_t>(36 + bytes));
    std::memcpy(p, "WAVEfmt ", 8);
    p += 8;
    Put32(p, 16);
    Put16(p, 1);
    Put16(p, 2);
    Put32(p, m_rate);
    Put32(p, m_rate * 4);
    Put16(p, 4);
    Put16(p, 16);
    std::memcpy(p, "data", 4);
    p += 4;
    Put32(p, static_cast<std::uint32_t>(bytes));
    return std::fseek(m_file, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, m_file) == sizeof h;
}

bool CAdxWavWriter::Write(const float* stereo, std::size_t frames) {
    if (!m_file)
        return false;
    m_buffer.resize(frames * 2);
    for (std::size_t i = 0; i < frames * 2; ++i)
        m_buffer[i] =
            static_cast<std::int16_t>(std::lrintf(std::clamp(stereo[i] * 32768.0f, -32768.0f, 32767.0f)));
    return WritePcm(m_buffer.data(), frames);
}

bool CAdxWavWriter::WritePcm(const std::int16_t* stereo, std::size_t frames) {
    if (!m_file)
        return false;
    if (std::fwrite(stereo, sizeof(std::int16_t), frames * 2, m_file) != frames * 2)
        return false;
    m_frames += frames;
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
