#pragma once

#include "playkit/AdxSource.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace playkit {

// Plain PCM WAV files (8, 16, 24 or 32-bit integer, 32-bit float) read directly: opening costs a
// header parse instead of FFmpeg's content probing, which for PCM scans the first packets for
// other codecs hidden inside. Anything else in a WAV file goes to FFmpeg.
class CAdxWavSource : public CAdxSource {
public:
    // UI thread. Null when the file is not a WAV file this reader handles.
    static std::unique_ptr<CAdxWavSource> Open(const std::string& path);
    ~CAdxWavSource() override;

    std::size_t Read(std::int16_t* dst, std::size_t frames) override;
    void Seek(std::int64_t frame) override;
    double Duration() override { return static_cast<double>(m_frames) / m_rate; }

private:
    CAdxWavSource() = default;

    std::FILE* m_file = nullptr;
    long m_dataOffset = 0;
    std::int64_t m_frames = 0;
    std::int64_t m_frame = 0;
    int m_bytesPerSample = 2;
    bool m_float = false;
    std::vector<std::uint8_t> m_buffer;
};

} // namespace playkit
