#pragma once

#include <cstddef>
#include <cstdint>

namespace playkit {

// A decoder of one file into interleaved 16-bit frames in the file's own channel count and rate.
// Opened on the UI thread; afterwards Read and Seek run on the decoder worker only.
class CAdxSource {
public:
    virtual ~CAdxSource() = default;

    int Channels() const { return m_channels; }
    int SampleRate() const { return m_rate; }

    // Decoder worker. Decodes up to frames frames into dst; fewer only at the end of the media
    // (then AtEnd() is true) or on a decoding error that ends the stream.
    virtual std::size_t Read(std::int16_t* dst, std::size_t frames) = 0;
    bool AtEnd() const { return m_atEnd; }
    // The source cannot render yet (its instrument is still being loaded): Read returns nothing
    // meanwhile without the media having ended.
    virtual bool Waiting() const { return false; }
    // Decoder worker. Takes up what the source waited for; true once it can render.
    virtual bool Prepare() { return true; }
    // Why the stream ended early (a library's error code), 0 when it did not fail. A failure is
    // for good (the instrument did not load): every later pass would fail the same way.
    int Failure() const { return m_failure; }
    // Decoder worker. Positions the decoder so that the next Read starts at the given frame.
    virtual void Seek(std::int64_t frame) = 0;
    // UI thread, on an open source. The exact length in seconds. Touches nothing the decoder
    // worker uses, so it runs without a lock while the worker reads.
    virtual double Duration() = 0;
    // Frames decoded at open and kept in memory, so that a cue to 0 needs no decoder.
    virtual std::size_t HeadFrames() const { return 4096; }

protected:
    int m_channels = 0;
    int m_rate = 0;
    bool m_atEnd = false;
    int m_failure = 0;
};

} // namespace playkit
