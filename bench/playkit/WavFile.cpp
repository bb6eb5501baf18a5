#include "WavFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>

namespace {

void PutLe(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLe(const uint8_t* p, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

constexpr size_t kHeaderBytes = 44;

std::array<uint8_t, kHeaderBytes> Header(int channels, int rate, uint64_t dataBytes) {
    // A RIFF size cannot exceed 32 bits; longer files keep the maximum, as other tools do.
    const uint32_t data = static_cast<uint32_t>(std::min<uint64_t>(dataBytes, 0xFFFFFFFFu - 36));
    std::array<uint8_t, kHeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    PutLe(&h[4], 36 + data, 4);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    PutLe(&h[16], 16, 4);
    PutLe(&h[20], 1, 2); // PCM
    PutLe(&h[22], channels, 2);
    PutLe(&h[24], rate, 4);
    PutLe(&h[28], rate * channels * 2, 4);
    PutLe(&h[32], channels * 2, 2);
    PutLe(&h[34], 16, 2);
    std::memcpy(&h[36], "data", 4);
    PutLe(&h[40], data, 4);
    return h;
}

// Local, so that the loop below can inline it: a shared object's exported function cannot be.
int16_t Pcm16(float sample) {
    const float scaled = std::clamp(sample * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<int16_t>(scaled + (scaled >= 0 ? 0.5f : -0.5f));
}

} // namespace

CWavWriter::~CWavWriter() {
    Close();
}

bool CWavWriter::Open(const std::string& path, int channels, int rate) {
    Close();
    m_pFile = std::fopen(path.c_str(), "wb");
    m_nDataBytes = 0;
    m_bFailed = m_pFile == nullptr;
    if (m_bFailed)
        return false;
    // The header is written twice: now with a zero size, on Close with the real one.
    const auto header = Header(channels, rate, 0);
    m_bFailed = std::fwrite(header.data(), 1, header.size(), m_pFile) != header.size();
    m_nChannels = channels;
    m_nRate = rate;
    return !m_bFailed;
}

bool CWavWriter::Write(std::span<const int16_t> samples) {
    if (!m_pFile || m_bFailed)
        return false;
    // WAV is little-endian, as is every machine this runs on.
    const size_t bytes = samples.size_bytes();
    m_bFailed = std::fwrite(samples.data(), 1, bytes, m_pFile) != bytes;
    m_nDataBytes += bytes;
    return !m_bFailed;
}

bool CWavWriter::Close() {
    if (!m_pFile)
        return !m_bFailed;
    const auto header = Header(m_nChannels, m_nRate, m_nDataBytes);
    if (std::fseek(m_pFile, 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), m_pFile) != header.size())
        m_bFailed = true;
    if (std::fclose(m_pFile) != 0)
        m_bFailed = true;
    m_pFile = nullptr;
    return !m_bFailed;
}

bool ReadWav(const std::string& path, SWavData& wav, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(&bytes[8], "WAVE", 4) != 0) {
        error = path + " is not a WAV file";
        return false;
    }
    bool haveFormat = false;
    bool isFloat = false;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const uint8_t* chunk = &bytes[pos];
        const size_t size = GetLe(chunk + 4, 4);
        const size_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && body + 16 <= bytes.size()) {
            uint32_t tag = GetLe(&bytes[body], 2);
            const uint32_t bits = GetLe(&bytes[body + 14], 2);
            // WAVE_FORMAT_EXTENSIBLE keeps the real format tag at the start of its sub-format GUID.
            if (tag == 0xFFFE && size >= 40 && body + 40 <= bytes.size())
                tag = GetLe(&bytes[body + 24], 2);
            isFloat = tag == 3 && bits == 32;
            if (!isFloat && !(tag == 1 && bits == 16)) {
                error = path + " is neither 16-bit PCM nor 32-bit float";
                return false;
            }
            wav.nChannels = static_cast<int>(GetLe(&bytes[body + 2], 2));
            wav.nRate = static_cast<int>(GetLe(&bytes[body + 4], 4));
            haveFormat = wav.nChannels > 0;
        } else if (std::memcmp(chunk, "data", 4) == 0 && haveFormat) {
            // Streams written without seeking leave the size open: take what is there.
            const size_t avail = std::min(size, bytes.size() - body);
            const uint8_t* data = &bytes[body];
            if (isFloat) {
                wav.samples.resize(avail / 4);
                std::memcpy(wav.samples.data(), data, wav.samples.size() * 4);
            } else {
                wav.samples.resize(avail / 2);
                for (size_t i = 0; i < wav.samples.size(); ++i)
                    wav.samples[i] = static_cast<int16_t>(GetLe(data + 2 * i, 2)) / 32768.0f;
            }
            return true;
        }
        pos = body + size + (size & 1);
    }
    error = path + " has no PCM data";
    return false;
}

int16_t ToPcm16(float sample) {
    return Pcm16(sample);
}

void ToPcm16(std::span<const float> in, int16_t* out) {
    for (size_t i = 0; i < in.size(); ++i)
        out[i] = Pcm16(in[i]);
}
