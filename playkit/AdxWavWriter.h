#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace playkit {

// Writes 16-bit stereo PCM WAV files; the header's sizes are fixed up on Close.
class CAdxWavWriter {
public:
    CAdxWavWriter() = default;
    ~CAdxWavWriter() { Close(); }
    CAdxWavWriter(const CAdxWavWriter&) = delete;
    CAdxWavWriter& operator=(const CAdxWavWriter&) = delete;

    bool Open(const std::string& path, unsigned rate);
    // Float frames in -1..1, clipped and rounded to 16 bits. False when the disk refuses.
    bool Write(const float* stereo, std::size_t frames);
    bool Close();
    bool IsOpen() const { return m_file != nullptr; }

private:
    bool WriteHeader();

    std::FILE* m_file = nullptr;
    unsigned m_rate = 0;
    std::uint64_t m_frames = 0;
    std::vector<std::int16_t> m_buffer;
};

} // namespace playkit
