#pragma once

#include "playkit/AdxTypes.h"
#include "playkit/PlaykitExport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace playkit {

class CAdxSource;
class CAdxSynthPool;

// A sound file decoded outside the real-time engine, for analysis (loudness, checks): the decoder a
// player would pick for the file, read as fast as the caller asks, on the caller's thread. Touches
// nothing of the running engine; a MIDI file is rendered by a synth of this object's own. One object
// is used by one thread at a time; different objects may run on different threads.
class PLAYKIT_API CAdxFileDecoder {
public:
    // The output rate of MIDI files; other files keep their own rate.
    static constexpr int kMidiRate = 48000;

    CAdxFileDecoder();
    ~CAdxFileDecoder();
    CAdxFileDecoder(const CAdxFileDecoder&) = delete;
    CAdxFileDecoder& operator=(const CAdxFileDecoder&) = delete;

    // S_OK, or the error code a player keeps for the file when its Open fails (see AdxErrorText).
    // The extension is not looked at.
    HRESULT Open(const std::string& path);
    bool IsOpen() const { return m_source != nullptr; }
    int Channels() const;
    int SampleRate() const;
    // Length in seconds.
    double Duration();
    // Interleaved 16-bit frames in the file's channel count; fewer than asked only at the end.
    std::size_t Read(std::int16_t* dst, std::size_t frames);

private:
    // Declared first: a MIDI source gives its synth back to the pool when it goes.
    std::unique_ptr<CAdxSynthPool> m_pool;
    std::unique_ptr<CAdxSource> m_source;
};

// A short English reason for an error code a player keeps (CAdxShow::GetErrorCode) or Open above
// returns: the decoder library's own text where it has one.
PLAYKIT_API std::string AdxErrorText(HRESULT hr);

} // namespace playkit
