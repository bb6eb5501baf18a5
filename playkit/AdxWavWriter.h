#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace playkit {

// Writes 16-bit PCM WAV files of any channel count up to 2 * kAdxMaxOutputPairs: plain PCM for one or
// two channels, WAVE_FORMAT_EXTENSIBLE with a channel mask beyond that (readers take more than two
// channels of plain PCM as an unknown layout). The header's sizes are fixed up on Close (and on
// Sync, for a file that others read while it grows).
class CAdxWavWriter {
public:
    CAdxWavWriter() = default;
    ~CAdxWavWriter() { Close(); }
    CAdxWavWriter(const CAdxWavWriter&) = delete;
    CAdxWavWriter& operator=(const CAdxWavWriter&) = delete;

    bool Open(const std::string& path, unsigned rate, unsigned channels = 2);
    // Interleaved float frames in -1..1, clipped and rounded to 16 bits. False when the disk refuses.
    bool Write(const float* frames, std::size_t count);
    // Interleaved 16-bit frames as they are.
    bool WritePcm(const std::int16_t* frames, std::size_t count);
    // Makes what is written so far a complete file on disk: the frames first, then a header that
    // counts them, so that a reader never sees a size the file does not hold yet.
    bool Sync();
    bool Close();
    bool IsOpen() const { return m_file != nullptr; }
    std::uint64_t Frames() const { return m_frames; }
    unsigned Channels() const { return m_channels; }

private:
    bool WriteHeader();

    std::FILE* m_file = nullptr;
    unsigned m_rate = 0;
    unsigned m_channels = 2;
    std::uint64_t m_frames = 0;
    std::vector<std::int16_t> m_buffer;
};

} // namespace playkit
