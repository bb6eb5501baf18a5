#pragma once

#include <mutex>
#include <string>
#include <vector>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_sfont_t fluid_sfont_t;

namespace playkit {

// FluidSynth synthesizers for MIDI players. The SoundFont is loaded once, into a master synth
// that never plays; every player's synth sees it through a thin wrapper, so opening a MIDI file
// costs no SoundFont loading and no memory for another copy. Synths of closed players are kept
// for reuse. No synth ever opens an audio driver: the decoder worker renders them.
class CAdxSynthPool {
public:
    // The SoundFont comes from PADORA_SOUNDFONT, else the General MIDI font of the system.
    explicit CAdxSynthPool(int sampleRate);
    ~CAdxSynthPool();
    CAdxSynthPool(const CAdxSynthPool&) = delete;
    CAdxSynthPool& operator=(const CAdxSynthPool&) = delete;

    // UI or decoder thread. A fresh synth, or null with FluidSynth's error code (the SoundFont did not load).
    fluid_synth_t* Acquire(int& error);
    // Any thread (a closed voice goes on the notifier's, a rewind on the decoder's). The synth must
    // no longer be rendered by anyone; a fresh spare is made in its place.
    void Release(fluid_synth_t* synth);
    int SampleRate() const { return m_rate; }

    static std::string SoundFontPath();

private:
    static constexpr std::size_t kSpares = 2;
    bool LoadMaster();
    fluid_synth_t* MakeSynth();

    std::mutex m_mutex;
    const int m_rate;
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_master = nullptr;
    fluid_sfont_t* m_font = nullptr;
    bool m_loadTried = false;
    std::vector<fluid_synth_t*> m_idle;
};

} // namespace playkit
