#pragma once

#include "playkit/AdxMidiFile.h"
#include "playkit/AdxSource.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _fluid_synth_t fluid_synth_t;

namespace playkit {

class CAdxSynthPool;

// Renders a standard MIDI file with a pooled FluidSynth synth: stereo at the pool's rate, for the
// length of the file's tempo map (up to its last event; what still rings then is cut). The events are read
// straight from the file's bytes and handed to the synth on their exact frame, so a long file costs no more
// memory than a short one and every play sounds the same.
class CAdxMidiSource : public CAdxSource {
public:
    // UI thread. Null with an error code when the file is not a MIDI file or no synth can be had.
    // Never waits for the SoundFont: while the pool still loads it, the source opens without a
    // synth and the decoder worker takes one once the font is there.
    static std::unique_ptr<CAdxMidiSource> Open(const std::string& path, CAdxSynthPool& pool, int& error);
    ~CAdxMidiSource() override;

    std::size_t Read(std::int16_t* dst, std::size_t frames) override;
    void Seek(std::int64_t frame) override;
    double Duration() override { return static_cast<double>(m_totalFrames) / m_rate; }
    // As long as a decoded file's: the head is what plays while the decoder restarts the synth for a
    // repeat, and a shorter one (43 ms) ran out now and then on a busy machine.
    std::size_t HeadFrames() const override { return 4096; }
    bool Waiting() const override { return !m_synth && m_failure == 0; }
    bool Prepare() override { return m_synth || TakeSynth(); }

private:
    struct Cursor {
        const std::uint8_t* p;
        const std::uint8_t* end;
        std::uint64_t tick;  // of the event p points at
        std::int64_t frame;  // the same, in frames
        std::uint8_t status; // running status
        bool done;
    };

    explicit CAdxMidiSource(CAdxSynthPool& pool) : m_pool(pool) {}
    // Starts over from the top on a fresh synth.
    bool Restart();
    // Decoder worker: takes the first synth once the SoundFont has loaded; false while it has not
    // (and, when it failed, ends the stream with the error).
    bool TakeSynth();
    // Read without letting the synth of the last position go.
    std::size_t Render(std::int16_t* dst, std::size_t frames);
    void ReadDelta(Cursor& c);
    // Sends the event at c to the synth (notes only when withNotes) and moves c on.
    void Dispatch(Cursor& c, bool withNotes);
    std::int64_t NextEventFrame() const;

    CAdxSynthPool& m_pool;
    std::vector<std::uint8_t> m_bytes;
    CAdxMidiFile m_file;
    std::vector<Cursor> m_cursors;
    fluid_synth_t* m_synth = nullptr;
    fluid_synth_t* m_retired = nullptr; // played before the last restart; goes back at the second read
    bool m_holdRetired = false;
    bool m_touched = false; // the synth has had events or rendered since it was fresh
    std::int64_t m_frame = 0;
    std::int64_t m_totalFrames = 0;
    std::int64_t m_pendingSeek = -1; // asked for before the synth was there (-1: none)
    std::vector<float> m_scratch;
    float m_limit = 1.0f;   // the limiter's gain now
    float m_release = 0.0f; // its return towards 1 per frame
};

} // namespace playkit
