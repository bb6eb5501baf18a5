#pragma once

#include "playkit/AdxMidiFile.h"
#include "playkit/AdxSource.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;

namespace playkit {

class CAdxSynthPool;

// Renders a standard MIDI file with a pooled FluidSynth synth: stereo at the pool's rate, for the
// length of the file's tempo map plus a fixed release tail.
class CAdxMidiSource : public CAdxSource {
public:
    // Seconds rendered after the last event so that released notes ring out.
    static constexpr double kTailSeconds = 1.0;

    // UI thread. Null with an error code when the file is not a MIDI file or no synth is free.
    static std::unique_ptr<CAdxMidiSource> Open(const std::string& path, CAdxSynthPool& pool, int& error);
    ~CAdxMidiSource() override;

    std::size_t Read(std::int16_t* dst, std::size_t frames) override;
    void Seek(std::int64_t frame) override;
    double Duration() override { return static_cast<double>(m_totalFrames) / m_rate; }
    // Rendering is dearer than decoding: keep the open quick.
    std::size_t HeadFrames() const override { return 2048; }

private:
    explicit CAdxMidiSource(CAdxSynthPool& pool) : m_pool(pool) {}
    bool StartPlayer(std::int64_t frame);

    CAdxSynthPool& m_pool;
    std::vector<std::uint8_t> m_bytes;
    CAdxMidiFile m_file;
    fluid_synth_t* m_synth = nullptr;
    fluid_player_t* m_player = nullptr;
    std::int64_t m_frame = 0;
    bool m_started = false;
    std::int64_t m_totalFrames = 0;
    std::vector<float> m_scratch; // rendered stereo frames not yet handed out
    std::size_t m_scratchPos = 0;
    std::size_t m_scratchLen = 0;
};

} // namespace playkit
