#pragma once

#include "playkit/AdxShow.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Test media made at set-up: exact WAV files written here, the other formats encoded from them
// with the ffmpeg command line.
namespace playkit_test {

// Interleaved 16-bit frames from a generator called per frame and channel.
void WriteWav(const std::string& path, int rate, int channels, int frames,
              const std::function<std::int16_t(int frame, int channel)>& sample);
// Encodes src into dst with the given ffmpeg output options; false when ffmpeg fails.
bool Encode(const std::string& src, const std::string& dst, const std::string& options);
// A format-0 MIDI file: one note of the given length at the given tempo (microseconds a quarter).
void WriteMidi(const std::string& path, int division, std::uint32_t tempo, std::uint32_t noteTicks,
               std::uint32_t tailTicks);

// A 16-bit WAV file as written, header fields included: the plain and the extensible layout.
struct SWrittenWav {
    std::uint16_t formatTag = 0;
    int channels = 0;
    unsigned rate = 0;
    std::uint32_t channelMask = 0;  // extensible only
    std::uint16_t subFormatTag = 0; // extensible only: the first two bytes of the sub-format GUID
    std::vector<float> samples;     // interleaved, full scale 1.0
    std::size_t Frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};
// False when the file is no 16-bit PCM WAV file or its sizes disagree with its length.
bool ReadWrittenWav(const std::string& path, SWrittenWav& wav);
// One stereo pair (0-based) of interleaved frames of `channels` channels, as stereo frames.
std::vector<float> PairOf(const std::vector<float>& frames, std::size_t channels, std::size_t pair);

// Per-channel RMS of interleaved stereo float frames [from, to).
double Rms(const std::vector<float>& stereo, int channel, std::size_t from, std::size_t to);
double Db(double ratio);

// A fresh directory under the system's temporary folder, removed by the caller.
std::string MakeTempDir();

// Opens the player's protected state to the tests.
class CProbe : public CAdxShow {
public:
    int Format() const { return m_nFormat; }
    const WAVEFORMATEX& Wfx() const { return m_wfx; }
    UINT UserData() const { return m_nUserData; }
    const std::string& Path() const { return m_strPath; }
    int PeakBufSize() const { return m_nPeakBufSize; }
    bool HasPeakBuf() const { return m_pPeakBuf != nullptr; }
    bool HasCallback() const { return m_pCallback != nullptr; }
    bool HasVoice() const { return m_pVoice != nullptr || m_pEngine != nullptr; }
};

// Expects p to hold exactly what a closed player holds, its last result code aside.
void ExpectClosedState(const CProbe& p);

} // namespace playkit_test
