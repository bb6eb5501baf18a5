#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

// Writes 16-bit PCM WAV files; the header sizes are patched on Close.
class CWavWriter {
public:
    CWavWriter() = default;
    ~CWavWriter();
    CWavWriter(const CWavWriter&) = delete;
    CWavWriter& operator=(const CWavWriter&) = delete;

    bool Open(const std::string& path, int channels, int rate);
    // samples are interleaved; returns false when the disk refuses them.
    bool Write(std::span<const int16_t> samples);
    bool Close();

private:
    std::FILE* m_pFile = nullptr;
    uint64_t m_nDataBytes = 0;
    int m_nChannels = 0;
    int m_nRate = 0;
    bool m_bFailed = false;
};

struct SWavData {
    int nChannels = 0;
    int nRate = 0;
    std::vector<float> samples; // interleaved, full scale = 1.0

    size_t Frames() const { return nChannels ? samples.size() / nChannels : 0; }
};

// Reads a 16-bit integer or 32-bit float WAV file (any channel count); other encodings are
// refused with a message.
bool ReadWav(const std::string& path, SWavData& wav, std::string& error);

// Converts float samples to 16-bit with rounding (half away from zero) and clipping.
int16_t ToPcm16(float sample);
// The same for a whole buffer (out holds at least in.size() values), in a loop the compiler
// vectorises: the offline render converts a few hundred million samples a minute.
void ToPcm16(std::span<const float> in, int16_t* out);
