#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
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
    // The SoundFont comes from PADORA_SOUNDFONT, else the General MIDI font of the system. It is
    // loaded on a thread of the pool's own (a quarter of a second for the system's font), so that
    // no caller waits for it.
    explicit CAdxSynthPool(int sampleRate);
    // Waits for the load to end.
    ~CAdxSynthPool();
    CAdxSynthPool(const CAdxSynthPool&) = delete;
    CAdxSynthPool& operator=(const CAdxSynthPool&) = delete;

    enum class Font { kLoading, kLoaded, kFailed };
    // Any thread.
    Font Status();
    // Any thread but the UI's: returns once the load has ended.
    Font WaitLoaded();
    // Any thread; never waits for the SoundFont. A fresh synth; null with error 0 while the font
    // is still loading, null with FluidSynth's error code when it did not load.
    fluid_synth_t* Acquire(int& error);
    // Any thread (a closed voice goes on the notifier's, a rewind on the decoder's). The synth must
    // no longer be rendered by anyone; a fresh spare is made in its place.
    void Release(fluid_synth_t* synth);
    int SampleRate() const { return m_rate; }

    static std::string SoundFontPath();
    // Any thread. Whether the SoundFont can be opened and is a RIFF file (SoundFont or DLS): what
    // an open checks at once while the font is still loading.
    static bool SoundFontReadable();

private:
    static constexpr std::size_t kSpares = 2;
    // Loader thread.
    void Load();
    // Under m_mutex, once the font is loaded.
    fluid_synth_t* MakeSynth();

    std::mutex m_mutex;
    std::condition_variable m_loadedCv;
    const int m_rate;
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_master = nullptr;
    fluid_sfont_t* m_font = nullptr;
    Font m_status = Font::kLoading;
    std::vector<fluid_synth_t*> m_idle;
    std::thread m_loader; // last: starts once the members above exist
};

} // namespace playkit
